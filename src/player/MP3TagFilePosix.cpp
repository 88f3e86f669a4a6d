// POSIX file access for the tag component (Linux builds, where the native tests run).
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "player/MP3TagFile.h"
#include "toolkit/Exception.h"
#include "toolkit/SysUtils.h"

namespace {

class TPosixTagFile final : public TMP3TagFile {
public:
    explicit TPosixTagFile(int fd) : fd_(fd) {}
    ~TPosixTagFile() override { ::close(fd_); }
    TPosixTagFile(const TPosixTagFile&) = delete;
    TPosixTagFile& operator=(const TPosixTagFile&) = delete;

    std::int64_t Size() override {
        struct stat st {};
        if (::fstat(fd_, &st) != 0) throw EStreamError("Stream read error");
        return static_cast<std::int64_t>(st.st_size);
    }

    void ReadAt(std::int64_t position, void* buffer, std::size_t count) override {
        auto* p = static_cast<char*>(buffer);
        while (count > 0) {
            ssize_t n = ::pread(fd_, p, count, static_cast<off_t>(position));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) throw EStreamError("Stream read error");
            p += n;
            position += n;
            count -= static_cast<std::size_t>(n);
        }
    }

    void WriteAt(std::int64_t position, const void* buffer, std::size_t count) override {
        const auto* p = static_cast<const char*>(buffer);
        while (count > 0) {
            ssize_t n = ::pwrite(fd_, p, count, static_cast<off_t>(position));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) throw EStreamError("Stream write error");
            p += n;
            position += n;
            count -= static_cast<std::size_t>(n);
        }
    }

private:
    int fd_;
};

class TPosixTagFileSystem final : public TMP3TagFileSystem {
public:
    bool FileExists(const std::string& name) override {
        struct stat st {};
        return !name.empty() && ::stat(name.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
    }

    std::unique_ptr<TMP3TagFile> Open(const std::string& name, TMP3TagOpenMode mode) override {
        // Never O_CREAT: a file that vanished after the existence check must not be recreated.
        int flags = (mode == TMP3TagOpenMode::ReadWrite ? O_RDWR : O_RDONLY) | O_CLOEXEC;
        int fd;
        do fd = ::open(name.c_str(), flags);
        while (fd < 0 && errno == EINTR);
        if (fd < 0) throw EFOpenError(Format("Cannot open file %s", name.c_str()));
        return std::make_unique<TPosixTagFile>(fd);
    }
};

} // namespace

std::shared_ptr<TMP3TagFileSystem> DefaultMP3TagFileSystem() { return std::make_shared<TPosixTagFileSystem>(); }
