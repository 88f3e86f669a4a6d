#include <gtest/gtest.h>

#include "toolkit/Exception.h"
#include "toolkit/SysUtils.h"

TEST(StrToInt, AcceptsDecimalSignsHexAndLeadingBlanks) {
    EXPECT_EQ(StrToInt("8080"), 8080);
    EXPECT_EQ(StrToInt("  -12"), -12);
    EXPECT_EQ(StrToInt("+7"), 7);
    EXPECT_EQ(StrToInt("$1F"), 31);
    EXPECT_EQ(StrToInt("0x10"), 16);
    EXPECT_EQ(StrToInt("2147483647"), 2147483647);
    EXPECT_EQ(StrToInt("-2147483648"), -2147483647 - 1);
}

TEST(StrToInt, RejectsWithTheConversionMessage) {
    for (const char* bad : {"80a", "", " ", "12 ", "2147483648", "-", "$", "0x"}) {
        try {
            StrToInt(bad);
            ADD_FAILURE() << "accepted '" << bad << "'";
        } catch (const EConvertError& e) { EXPECT_EQ(e.Message(), std::string("'") + bad + "' is not a valid integer value"); }
    }
    EXPECT_EQ(StrToIntDef("x", 5), 5);
}

TEST(SysUtils, TrimRemovesBlanksAndControlCharactersOnly) {
    EXPECT_EQ(TrimRight(std::string("Title\0\0 \t", 9)), "Title");
    EXPECT_EQ(Trim("  a b  "), "a b");
    EXPECT_EQ(TrimLeft("\x01x"), "x");
    EXPECT_EQ(Trim("\xE9t\xE9"), "\xE9t\xE9");
}

TEST(SysUtils, CaseMappingTouchesAsciiLettersOnly) {
    EXPECT_EQ(UpperCase("caf\xe9 abc-z"), "CAF\xe9 ABC-Z");
    EXPECT_EQ(LowerCase("ABC\xC9"), "abc\xC9");
    EXPECT_TRUE(SameText("ProxyPort", "proxyport"));
    EXPECT_LT(CompareText("abc", "ABD"), 0);
}

TEST(SysUtils, FileNameParts) {
    EXPECT_EQ(ExtractFilePath("C:\\Program Files\\Winamp\\winamp.exe "), "C:\\Program Files\\Winamp\\");
    EXPECT_EQ(ExtractFilePath("C:x.mp3"), "C:");
    EXPECT_EQ(ExtractFilePath("x.mp3"), "");
    // A switch in a cleaned open command is not a folder.
    EXPECT_EQ(ExtractFilePath("C:\\Program Files\\Winamp\\winamp.exe /x "), "C:\\Program Files\\Winamp\\");
    EXPECT_EQ(ExtractFilePath("D:/a/b.mp3"), "D:");
    EXPECT_EQ(ExtractFileName("D:\\music\\a.b.mp3"), "a.b.mp3");
    EXPECT_EQ(ExtractFileExt("D:\\m.x\\song"), "");
    EXPECT_EQ(ExtractFileExt("song.MP3"), ".MP3");
}

TEST(SysUtils, MulDivRoundsHalfAwayFromZeroAndGuardsZero) {
    EXPECT_EQ(MulDiv(1, 1, 2), 1);
    EXPECT_EQ(MulDiv(-1, 1, 2), -1);
    EXPECT_EQ(MulDiv(8, 96, 72), 11);
    EXPECT_EQ(MulDiv(2000000000, 2, 4), 1000000000);
    EXPECT_EQ(MulDiv(5, 5, 0), -1);
}

TEST(SysUtils, HexAndFormat) {
    EXPECT_EQ(IntToHex(0x2009, 4), "2009");
    EXPECT_EQ(IntToHex(0xABC, 1), "ABC");
    EXPECT_EQ(Format("%s=%d", "a", 3), "a=3");
    EXPECT_EQ(StringReplaceAll("a%1b%1", "%1", "x"), "axbx");
}

TEST(SysUtils, AdjustLineBreaksGivesCrLfAndEndsAtNul) {
    struct Case {
        std::string in, out;
    } cases[] = {
        {"a\nb", "a\r\nb"},
        {"a\rb", "a\r\nb"},
        {"a\r\nb", "a\r\nb"},
        {"a\n\rb", "a\r\n\r\nb"},   // LF then CR: two breaks
        {"a\r\r\nb", "a\r\n\r\nb"}, // a lone CR, then CR LF
        {"\n", "\r\n"},
        {"end\r", "end\r\n"},
        {std::string("ab\0cd\n", 6), "ab"},
        {std::string("\0", 1), ""},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(AdjustLineBreaks(c.in), c.out) << testing::PrintToString(c.in);
}
