// File access for the ID3v1 tag component: whether a file exists, and an open file that can be
// sized, read and written at a position. The product uses the Win32 implementation, which opens
// files so that other readers may open them too while other writers are kept out, during both
// reading and writing. Linux builds use a POSIX implementation so the component can be tested
// natively; POSIX has no mandatory sharing modes, so there the rule is not enforced.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

enum class TMP3TagOpenMode { ReadOnly, ReadWrite };

// One open file. Failures raise EStreamError ("Stream read error" / "Stream write error");
// the file is closed when the object goes away.
class TMP3TagFile {
public:
    virtual ~TMP3TagFile() = default;
    virtual std::int64_t Size() = 0;
    // Reads exactly `count` bytes at `position`.
    virtual void ReadAt(std::int64_t position, void* buffer, std::size_t count) = 0;
    // Writes exactly `count` bytes at `position` (at the end of the file, the file grows).
    virtual void WriteAt(std::int64_t position, const void* buffer, std::size_t count) = 0;
};

class TMP3TagFileSystem {
public:
    virtual ~TMP3TagFileSystem() = default;
    // True for an existing file; false for a missing name or a folder.
    virtual bool FileExists(const std::string& name) = 0;
    // Opens an existing file, never creating one. Raises EFOpenError "Cannot open file <name>"
    // when the file cannot be opened (missing, locked by another writer, no access).
    virtual std::unique_ptr<TMP3TagFile> Open(const std::string& name, TMP3TagOpenMode mode) = 0;
};

// The platform's file access: Win32 in the product, POSIX in Linux builds. Each platform's source
// file defines it, so exactly one implementation is linked.
std::shared_ptr<TMP3TagFileSystem> DefaultMP3TagFileSystem();
