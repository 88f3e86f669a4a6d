// Music files in memory for the plug-in's native tests: a name maps to the file's bytes; opens
// are counted so a test can tell whether a tag was read again.
#pragma once

#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "player/MP3Tag.h"
#include "toolkit/Exception.h"

class TMemoryTagFiles : public TMP3TagFileSystem {
public:
    std::map<std::string, std::vector<std::uint8_t>> files;
    std::vector<std::string> locked; // names whose open fails as a file locked by another writer
    int opens = 0;

    // A file of `audio` bytes followed by a tag block with these fields.
    void AddTagged(const std::string& name, const TID3v1Record& tag, std::size_t audio = 400) {
        std::vector<std::uint8_t> bytes(audio, 0x55);
        TID3v1Block block = EncodeID3v1(tag);
        bytes.insert(bytes.end(), block.begin(), block.end());
        files[name] = bytes;
    }
    void AddUntagged(const std::string& name) { files[name] = std::vector<std::uint8_t>(600, 0x55); }

    bool FileExists(const std::string& name) override { return files.count(name) != 0; }
    std::unique_ptr<TMP3TagFile> Open(const std::string& name, TMP3TagOpenMode) override {
        ++opens;
        for (const auto& l : locked)
            if (l == name) throw EFOpenError("Cannot open file " + name);
        auto it = files.find(name);
        if (it == files.end()) throw EFOpenError("Cannot open file " + name);
        return std::make_unique<TFile>(it->second);
    }

private:
    class TFile : public TMP3TagFile {
    public:
        explicit TFile(std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
        std::int64_t Size() override { return static_cast<std::int64_t>(bytes_.size()); }
        void ReadAt(std::int64_t position, void* buffer, std::size_t count) override {
            if (position < 0 || static_cast<std::size_t>(position) + count > bytes_.size())
                throw EStreamError("Stream read error");
            std::memcpy(buffer, bytes_.data() + position, count);
        }
        void WriteAt(std::int64_t position, const void* buffer, std::size_t count) override {
            if (static_cast<std::size_t>(position) + count > bytes_.size())
                bytes_.resize(static_cast<std::size_t>(position) + count);
            std::memcpy(bytes_.data() + position, buffer, count);
        }

    private:
        std::vector<std::uint8_t>& bytes_;
    };
};
