// Win32 file access for the tag component. Files are opened with FILE_SHARE_READ: while the
// component reads or writes, other programs may still read the file, but nobody else may write
// it; and a file that someone else holds open for writing cannot be opened here.
#include <windows.h>

#include "player/MP3TagFile.h"
#include "toolkit/Exception.h"
#include "toolkit/SysUtils.h"

namespace {

class TWin32TagFile final : public TMP3TagFile {
public:
    explicit TWin32TagFile(HANDLE h) : h_(h) {}
    ~TWin32TagFile() override { CloseHandle(h_); }
    TWin32TagFile(const TWin32TagFile&) = delete;
    TWin32TagFile& operator=(const TWin32TagFile&) = delete;

    std::int64_t Size() override {
        LARGE_INTEGER size{};
        if (!GetFileSizeEx(h_, &size)) throw EStreamError("Stream read error");
        return static_cast<std::int64_t>(size.QuadPart);
    }

    void ReadAt(std::int64_t position, void* buffer, std::size_t count) override {
        Seek(position, "Stream read error");
        auto* p = static_cast<char*>(buffer);
        while (count > 0) {
            DWORD done = 0;
            if (!ReadFile(h_, p, static_cast<DWORD>(count), &done, nullptr) || done == 0) throw EStreamError("Stream read error");
            p += done;
            count -= done;
        }
    }

    void WriteAt(std::int64_t position, const void* buffer, std::size_t count) override {
        Seek(position, "Stream write error");
        const auto* p = static_cast<const char*>(buffer);
        while (count > 0) {
            DWORD done = 0;
            if (!WriteFile(h_, p, static_cast<DWORD>(count), &done, nullptr) || done == 0)
                throw EStreamError("Stream write error");
            p += done;
            count -= done;
        }
    }

private:
    void Seek(std::int64_t position, const char* message) {
        LARGE_INTEGER to{};
        to.QuadPart = position;
        if (!SetFilePointerEx(h_, to, nullptr, FILE_BEGIN)) throw EStreamError(message);
    }

    HANDLE h_;
};

class TWin32TagFileSystem final : public TMP3TagFileSystem {
public:
    bool FileExists(const std::string& name) override {
        if (name.empty()) return false;
        DWORD attributes = GetFileAttributesA(name.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    }

    std::unique_ptr<TMP3TagFile> Open(const std::string& name, TMP3TagOpenMode mode) override {
        DWORD access = mode == TMP3TagOpenMode::ReadWrite ? (GENERIC_READ | GENERIC_WRITE) : GENERIC_READ;
        // Windows refuses write access to a read-only file; the attribute is checked here as well
        // so that the refusal holds where the file system underneath would allow it (under Wine
        // a read-only file is only a Unix mode, which a privileged user can still write).
        if (mode == TMP3TagOpenMode::ReadWrite) {
            DWORD attributes = GetFileAttributesA(name.c_str());
            if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
                throw EFOpenError(Format("Cannot open file %s", name.c_str()));
        }
        // OPEN_EXISTING: a file that vanished after the existence check is not recreated.
        HANDLE h = CreateFileA(name.c_str(), access, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) throw EFOpenError(Format("Cannot open file %s", name.c_str()));
        return std::make_unique<TWin32TagFile>(h);
    }
};

} // namespace

std::shared_ptr<TMP3TagFileSystem> DefaultMP3TagFileSystem() { return std::make_shared<TWin32TagFileSystem>(); }
