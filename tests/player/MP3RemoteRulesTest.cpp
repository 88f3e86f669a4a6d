#include <gtest/gtest.h>

#include "player/MP3RemoteRules.h"
#include "toolkit/Classes.h"

namespace {
TStringList DefaultTable() {
    TStringList t;
    for (const char* row : mp3remote::kDefaultVersions) t.Add(row);
    return t;
}
} // namespace

TEST(VersionName, KnownUnknownAndInvalid) {
    TStringList t = DefaultTable();
    ASSERT_EQ(t.Count(), 27);
    EXPECT_EQ(mp3remote::VersionName(t, 0), "Not valid Winamp Handle!");
    EXPECT_EQ(mp3remote::VersionName(t, 0x2009), "Version 2.09 "); // trailing blank kept
    EXPECT_EQ(mp3remote::VersionName(t, 0x1551), "Version 1.55 ");
    EXPECT_EQ(mp3remote::VersionName(t, 0x16A0), "Version 1.6b ");
    EXPECT_EQ(mp3remote::VersionName(t, 0x2010), "Not known winamp version, but still valid Winamp...8208");
    // Only the low 16 bits count.
    EXPECT_EQ(mp3remote::VersionName(t, 0x12009), "Version 2.09 ");
}

TEST(VersionName, RowsWithoutEqualsSignCompareWhole) {
    TStringList t{"Version odd = 0x0ABC", " FFF", "2009"};
    EXPECT_EQ(mp3remote::VersionName(t, 0x0FFF), ""); // whole row " FFF" matches, name is empty
    EXPECT_EQ(mp3remote::VersionName(t, 0x2009), "");
    // Digits are padded with blanks, not zeros, so "0ABC" never matches 0x0ABC.
    EXPECT_EQ(mp3remote::VersionName(t, 0x0ABC), "Not known winamp version, but still valid Winamp...2748");
    TStringList shortRow{"x="};
    EXPECT_EQ(mp3remote::VersionName(shortRow, 1), "Not known winamp version, but still valid Winamp...1");
}

TEST(OpenCommand, CutAtPercentOneAndQuotesRemoved) {
    EXPECT_EQ(mp3remote::CleanOpenCommand("\"C:\\Program Files\\Winamp\\winamp.exe\" \"%1\""),
              "C:\\Program Files\\Winamp\\winamp.exe ");
    EXPECT_EQ(mp3remote::CleanOpenCommand("C:\\Winamp\\winamp.exe %1 /x"), "C:\\Winamp\\winamp.exe ");
    EXPECT_EQ(mp3remote::CleanOpenCommand("\"C:\\a\\b.exe\" /play"), "C:\\a\\b.exe /play");
    EXPECT_EQ(mp3remote::CleanOpenCommand(""), "");
}
