// Helpers for the tag tests: a private scratch folder, whole-file reads and writes, and tag
// blocks built byte by byte (independently of the component's encoder).
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

using Bytes = std::vector<std::uint8_t>;

class TagScratch {
public:
    TagScratch() {
        static std::atomic<int> counter{0};
        auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        dir_ = std::filesystem::temp_directory_path() /
               ("qv-tag-" + std::to_string(stamp) + "-" + std::to_string(counter.fetch_add(1)));
        std::filesystem::create_directories(dir_);
    }
    ~TagScratch() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    TagScratch(const TagScratch&) = delete;
    TagScratch& operator=(const TagScratch&) = delete;

    std::string Path(const std::string& name) const { return (dir_ / name).string(); }

    std::string Write(const std::string& name, const Bytes& content) const {
        std::string path = Path(name);
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(content.data()), static_cast<std::streamsize>(content.size()));
        EXPECT_TRUE(out.good()) << path;
        return path;
    }

private:
    std::filesystem::path dir_;
};

inline Bytes ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline bool Exists(const std::string& path) { return std::filesystem::exists(path); }

// Reproducible filler standing in for audio data. It never forms "TAG" anywhere (bytes stay
// below 'A'), so a file of it has no tag unless a test puts one there.
inline Bytes Audio(std::size_t size, std::uint32_t seed) {
    Bytes b(size);
    std::uint32_t x = seed * 2654435761u + 1;
    for (auto& c : b) {
        x = x * 1103515245u + 12345u;
        c = static_cast<std::uint8_t>((x >> 16) % 0x41);
    }
    return b;
}

// FNV-1a over a range of bytes: a checksum of the audio part of a file.
inline std::uint64_t Checksum(const Bytes& b, std::size_t count) {
    std::uint64_t h = 1469598103934665603ull;
    for (std::size_t i = 0; i < count && i < b.size(); ++i) h = (h ^ b[i]) * 1099511628211ull;
    return h;
}

// One ID3v1 field written into a block at the given offset (ID3v1 layout).
struct FieldBytes {
    std::size_t offset;
    std::string bytes;
};

inline Bytes TagBlock(const std::string& marker, std::initializer_list<FieldBytes> fields, std::uint8_t genre) {
    Bytes b(128, 0);
    std::memcpy(b.data(), marker.data(), marker.size() < 3 ? marker.size() : 3);
    for (const auto& f : fields) std::memcpy(b.data() + f.offset, f.bytes.data(), f.bytes.size());
    b[127] = genre;
    return b;
}

inline Bytes Concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The same text padded to `width` with a fill byte.
inline std::string Padded(std::string_view s, std::size_t width, char fill) {
    std::string r(s);
    r.resize(width, fill);
    return r;
}
