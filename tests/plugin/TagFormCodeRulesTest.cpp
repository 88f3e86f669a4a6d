#include <gtest/gtest.h>

#include "MemoryTagFiles.h"
#include "plugin/TagFormCodeRules.h"
#include "toolkit/SysUtils.h"

namespace {

int PickIndexOf(const std::vector<TGenreItem>& list, std::string_view name) {
    for (size_t i = 0; i < list.size(); ++i)
        if (list[i].Name == name) return static_cast<int>(i);
    return -1;
}

TEST(TagDialogGenre, PickedNamesGiveTheirTableNumbersAndNoneGivesZero) {
    auto list = GenrePickList();
    ASSERT_EQ(list.size(), 115u);
    EXPECT_EQ(GenreOfPick(list, -1), 0);
    EXPECT_EQ(GenreOfPick(list, 115), 0);
    const std::pair<const char*, int> cases[] = {{"Folklore", 114}, {"Bebob", 84}, {"Acid", 34}, {"Blues", 0}, {"Vocal", 28}};
    for (const auto& [name, number] : cases) {
        int i = PickIndexOf(list, name);
        ASSERT_GE(i, 0) << name;
        EXPECT_EQ(GenreOfPick(list, i), number) << name;
    }
    EXPECT_EQ(PickIndexOf(list, "Acid"), 0);
}

TEST(TagDialogMessage, NamesEachMissingFieldOnItsOwnLine) {
    const struct {
        TTagAnswer answer;
        std::string want;
    } cases[] = {
        {{"Song", "Band", "Disc"}, ""},
        {{"  Song", "Band", "Disc"}, ""},
        {{"", "", ""}, "Please enter :\r\nthe track title\r\nthe artist name\r\nthe album title"},
        {{"", "Band", ""}, "Please enter :\r\nthe track title\r\nthe album title"},
        {{"Song", "   ", "Disc"}, "Please enter :\r\nthe artist name"}, // blanks only count as empty
        {{"Song", "Band", "\t\r\n"}, "Please enter :\r\nthe album title"},
        {{std::string("\0", 1), "Band", "Disc"}, "Please enter :\r\nthe track title"},
    };
    for (const auto& c : cases) EXPECT_EQ(MissingTagMessage(c.answer), c.want) << c.answer.title << "|" << c.answer.artist;
}

TEST(TagDialogAnswer, TextsGoInAsTypedCutTo30AndYearAndCommentStay) {
    auto files = std::make_shared<TMemoryTagFiles>();
    TID3v1Record old;
    old.Title = "Old";
    old.Year = "1999";
    old.Comment = "kept";
    old.GenreID = 17;
    files->AddTagged("a.mp3", old);
    TMP3Tag tag(nullptr, files);
    tag.SetFilename("a.mp3");
    auto list = GenrePickList();
    std::string forty(40, 'x');
    ApplyTagAnswer(tag, {"  Leading blanks", forty, "Disc ", PickIndexOf(list, "Folklore")}, list);
    EXPECT_EQ(tag.Title(), "  Leading blanks");
    EXPECT_EQ(tag.Artist(), std::string(30, 'x'));
    EXPECT_EQ(tag.Album(), "Disc ");
    EXPECT_EQ(tag.GenreID(), 114);
    EXPECT_EQ(tag.Year(), "1999");
    EXPECT_EQ(TrimRight(tag.Comment()), "kept"); // zero bytes read from the file stay
    // Nothing is written to the file.
    TMP3Tag reread(nullptr, files);
    reread.SetFilename("a.mp3");
    EXPECT_EQ(TrimRight(reread.Title()), "Old");
    // No genre picked: 0.
    ApplyTagAnswer(tag, {"a", "b", "c", -1}, list);
    EXPECT_EQ(tag.GenreID(), 0);
}

} // namespace
