// The genre table and the sorted pick list derived from it.
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "player/MP3Tag.h"

namespace {

TEST(GenreNames, NumbersAndTheDeparturesFromTheCommonList) {
    ASSERT_EQ(GenreNames.size(), 115u);
    struct Entry {
        int number;
        const char* name;
    };
    const Entry entries[] = {
        {0, "Blues"},
        {12, "Other"},
        {14, "R&B"},
        {29, "Jazz+Funk"},
        {40, "AlternRock"},
        {60, "Top 40"},
        {62, "Pop/Funk"},
        {67, "Psychadelic"},
        {78, "Rock & Roll"},
        {81, "Folk/Rock"},
        {83, "Swing"},
        // The common list's 84 is missing: from here on every name is one number lower.
        {84, "Bebob"},
        {85, "Latin"},
        {92, "Psychedelic Rock"},
        {112, "Tango"},
        {113, "Samba"},
        {114, "Folklore"},
    };
    for (const auto& e : entries) EXPECT_EQ(GenreNames[static_cast<size_t>(e.number)], e.name) << e.number;
    EXPECT_EQ(GenreNames[kDefaultGenreID], "Other");

    std::set<std::string_view> distinct(GenreNames.begin(), GenreNames.end());
    EXPECT_EQ(distinct.size(), GenreNames.size());
    for (auto name : GenreNames) EXPECT_FALSE(name.empty());
}

TEST(GenreNames, CompareFoldsLettersThenUsesByteOrder) {
    struct Case {
        const char* a;
        const char* b;
        int sign;
    };
    const Case cases[] = {
        {"Alternative", "AlternRock", -1},
        {"Folk/Rock", "Folklore", -1},
        {"Pop-Folk", "Pop/Funk", -1},
        {"Pop", "Pop-Folk", -1},
        {"Classic Rock", "Classical", -1},
        {"Euro-Techno", "Eurodance", -1},
        {"rock", "ROCK", 0},
        {"Zeta", "alpha", 1},
        {"a_", "aZ", -1}, // letters fold to lower case: '_' (0x5F) < 'z'
    };
    auto sign = [](int v) { return (v > 0) - (v < 0); };
    for (const auto& c : cases) {
        EXPECT_EQ(sign(CompareGenreNames(c.a, c.b)), c.sign) << c.a << " vs " << c.b;
        EXPECT_EQ(sign(CompareGenreNames(c.b, c.a)), -c.sign) << c.b << " vs " << c.a;
    }
}

TEST(GenrePickList, ReproducesTheDialogOrderWithNumbers) {
    // clang-format off
    const std::vector<TGenreItem> expected = {
        {"Acid", 34}, {"Acid Jazz", 74}, {"Acid Punk", 73}, {"Acoustic", 98}, {"Alternative", 20},
        {"AlternRock", 40}, {"Ambient", 26}, {"Avantgarde", 89}, {"Bass", 41}, {"Bebob", 84},
        {"Big Band", 95}, {"Bluegrass", 88}, {"Blues", 0}, {"Booty Bass", 106}, {"Cabaret", 65},
        {"Celtic", 87}, {"Chamber Music", 103}, {"Chanson", 101}, {"Chorus", 96}, {"Christian Rap", 61},
        {"Classic Rock", 1}, {"Classical", 32}, {"Club", 111}, {"Comedy", 57}, {"Country", 2},
        {"Cult", 58}, {"Dance", 3}, {"Darkwave", 50}, {"Death Metal", 22}, {"Disco", 4},
        {"Dream", 55}, {"Easy Listening", 97}, {"Electronic", 52}, {"Ethnic", 48}, {"Euro-Techno", 25},
        {"Eurodance", 54}, {"Folk", 80}, {"Folk/Rock", 81}, {"Folklore", 114}, {"Funk", 5},
        {"Fusion", 30}, {"Game", 36}, {"Gangsta", 59}, {"Gospel", 38}, {"Gothic", 49},
        {"Gothic Rock", 90}, {"Grunge", 6}, {"Hard Rock", 79}, {"Hip-Hop", 7}, {"House", 35},
        {"Humour", 99}, {"Industrial", 19}, {"Instrumental", 33}, {"Instrumental Pop", 46}, {"Instrumental Rock", 47},
        {"Jazz", 8}, {"Jazz+Funk", 29}, {"Jungle", 63}, {"Latin", 85}, {"Lo-Fi", 71},
        {"Meditative", 45}, {"Metal", 9}, {"Musical", 77}, {"National Folk", 82}, {"Native American", 64},
        {"New Age", 10}, {"New Wave", 66}, {"Noise", 39}, {"Oldies", 11}, {"Opera", 102},
        {"Other", 12}, {"Polka", 75}, {"Pop", 13}, {"Pop-Folk", 53}, {"Pop/Funk", 62},
        {"Porn Groove", 108}, {"Pranks", 23}, {"Primus", 107}, {"Progressive Rock", 91}, {"Psychadelic", 67},
        {"Psychedelic Rock", 92}, {"Punk", 43}, {"R&B", 14}, {"Rap", 15}, {"Rave", 68},
        {"Reggae", 16}, {"Retro", 76}, {"Revival", 86}, {"Rock", 17}, {"Rock & Roll", 78},
        {"Samba", 113}, {"Satire", 109}, {"Showtunes", 69}, {"Ska", 21}, {"Slow Jam", 110},
        {"Slow Rock", 94}, {"Sonata", 104}, {"Soul", 42}, {"Sound Clip", 37}, {"Soundtrack", 24},
        {"Southern Rock", 56}, {"Space", 44}, {"Speech", 100}, {"Swing", 83}, {"Symphonic Rock", 93},
        {"Symphony", 105}, {"Tango", 112}, {"Techno", 18}, {"Techno-Industrial", 51}, {"Top 40", 60},
        {"Trailer", 70}, {"Trance", 31}, {"Tribal", 72}, {"Trip-Hop", 27}, {"Vocal", 28},
    };
    // clang-format on
    ASSERT_EQ(expected.size(), 115u);
    const std::vector<TGenreItem> list = GenrePickList();
    ASSERT_EQ(list.size(), expected.size());
    for (size_t i = 0; i < list.size(); ++i) {
        EXPECT_EQ(list[i].Name, expected[i].Name) << "item " << i;
        EXPECT_EQ(list[i].Number, expected[i].Number) << "item " << i;
    }
}

} // namespace
