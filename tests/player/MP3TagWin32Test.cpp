// The Win32 file access of the tag component: sharing while a file is open (other readers in,
// other writers out) and the open error for files that cannot be written.
#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "player/MP3Tag.h"
#include "toolkit/Exception.h"

#include "MP3TagTestUtil.h"

namespace {

// Another program's attempt to open the file; returns the Win32 error (0 on success).
DWORD TryOpen(const std::string& path, DWORD access, DWORD share) {
    HANDLE h = CreateFileA(path.c_str(), access, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return GetLastError();
    CloseHandle(h);
    return 0;
}

const DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE;

TEST(MP3TagWin32, OpenFileLetsReadersInAndKeepsWritersOut) {
    TagScratch dir;
    std::string path = dir.Write("shared.mp3", Audio(300, 31));
    auto files = DefaultMP3TagFileSystem();
    for (auto mode : {TMP3TagOpenMode::ReadOnly, TMP3TagOpenMode::ReadWrite}) {
        SCOPED_TRACE(mode == TMP3TagOpenMode::ReadOnly ? "while reading" : "while writing");
        {
            auto file = files->Open(path, mode);
            EXPECT_EQ(TryOpen(path, GENERIC_WRITE, kShareAll), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
            EXPECT_EQ(TryOpen(path, GENERIC_READ | GENERIC_WRITE, kShareAll), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
            EXPECT_EQ(TryOpen(path, GENERIC_READ, kShareAll), 0u);
            EXPECT_EQ(file->Size(), 300);
        }
        EXPECT_EQ(TryOpen(path, GENERIC_WRITE, kShareAll), 0u) << "closing releases the file";
    }
}

TEST(MP3TagWin32, FileHeldByAnotherWriterCannotBeReadOrWritten) {
    TagScratch dir;
    const Bytes content = Concat(Audio(300, 32), TagBlock("TAG", {{3, "Held"}}, 1));
    std::string path = dir.Write("held.mp3", content);
    HANDLE other = CreateFileA(path.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    TMP3Tag tag(nullptr);
    bool fileNameEvent = false;
    tag.onFileNameChange = [&](TObject*) { fileNameEvent = true; };
    try {
        tag.SetFilename(path);
        ADD_FAILURE() << "read of a file held by a writer succeeded";
    } catch (const EFOpenError& e) { EXPECT_EQ(e.Message(), "Cannot open file " + path); }
    EXPECT_FALSE(fileNameEvent);
    EXPECT_FALSE(tag.Valid());
    EXPECT_THROW(tag.WriteTag(), EFOpenError);
    CloseHandle(other);
    EXPECT_EQ(ReadAll(path), content);
}

TEST(MP3TagWin32, FileHeldByAReaderThatDeniesWritersCanBeReadButNotWritten) {
    TagScratch dir;
    const Bytes content = Concat(Audio(300, 33), TagBlock("TAG", {{3, "Playing"}}, 2));
    std::string path = dir.Write("playing.mp3", content);
    HANDLE player =
        CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(player, INVALID_HANDLE_VALUE);
    TMP3Tag tag(nullptr);
    tag.SetFilename(path);
    EXPECT_TRUE(tag.Valid());
    EXPECT_EQ(tag.Title().substr(0, 7), "Playing");
    tag.SetTitle("Changed");
    EXPECT_THROW(tag.WriteTag(), EFOpenError);
    CloseHandle(player);
    EXPECT_EQ(ReadAll(path), content);
    tag.WriteTag();
    tag.SetFilename(path);
    EXPECT_EQ(tag.Title().substr(0, 7), "Changed");
}

TEST(MP3TagWin32, ReadOnlyFileIsReadButWritingRaisesCannotOpen) {
    TagScratch dir;
    const Bytes content = Concat(Audio(500, 34), TagBlock("TAG", {{3, "Locked"}}, 3));
    std::string path = dir.Write("readonly.mp3", content);
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
    TMP3Tag tag(nullptr);
    tag.SetFilename(path);
    EXPECT_TRUE(tag.Valid());
    tag.SetTitle("Other");
    try {
        tag.WriteTag();
        ADD_FAILURE() << "write to a read-only file succeeded";
    } catch (const EFOpenError& e) { EXPECT_EQ(e.Message(), "Cannot open file " + path); }
    EXPECT_EQ(tag.Error(), "");
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ReadAll(path), content);
}

} // namespace
