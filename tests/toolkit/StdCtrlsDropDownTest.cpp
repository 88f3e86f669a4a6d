// The drop-down list's arithmetic: keys, typed letters, the rows in view, where the list opens.
#include <gtest/gtest.h>

#include "toolkit/StdCtrlsDropDown.h"

using namespace dropdown;

TEST(DropDownList, KeysMoveInsideTheList) {
    struct Case {
        int current, count, rows;
        TListKey key;
        int expected;
    } cases[] = {
        {-1, 10, 10, TListKey::Down, 0},      // nothing chosen: the first row
        {-1, 10, 10, TListKey::Up, 0},        // likewise upwards
        {0, 10, 10, TListKey::Up, 0},         // the top holds
        {9, 10, 10, TListKey::Down, 9},       // the bottom holds
        {4, 10, 10, TListKey::Home, 0},       //
        {4, 10, 10, TListKey::End, 9},        //
        {0, 115, 15, TListKey::PageDown, 14}, // a page is one row fewer than the open list shows
        {20, 115, 15, TListKey::PageUp, 6},   //
        {110, 115, 15, TListKey::PageDown, 114},
        {3, 115, 15, TListKey::PageUp, 0},
        {-1, 115, 15, TListKey::PageDown, 14},
        {5, 10, 1, TListKey::PageDown, 6}, // a one-row list still moves a row per page
        {-1, 0, 8, TListKey::Down, -1},    // an empty list has nothing to choose
    };
    for (const Case& c : cases)
        EXPECT_EQ(Navigate(c.current, c.count, c.rows, c.key), c.expected)
            << "from " << c.current << " of " << c.count << " key " << static_cast<int>(c.key);
}

TEST(DropDownList, ALetterFindsTheNextRowBeginningWithItAndWrapsRound) {
    const std::vector<std::string> genres = {"Acid", "Ambient", "Bebob", "blues", "Cabaret", "", "acapella"};
    EXPECT_EQ(FindByFirstChar(genres, -1, 'a'), 0);
    EXPECT_EQ(FindByFirstChar(genres, 0, 'a'), 1);
    EXPECT_EQ(FindByFirstChar(genres, 1, 'A'), 6); // either case, past the empty row
    EXPECT_EQ(FindByFirstChar(genres, 6, 'a'), 0); // round to the top
    EXPECT_EQ(FindByFirstChar(genres, 2, 'b'), 3);
    EXPECT_EQ(FindByFirstChar(genres, 4, 'c'), 4); // only the current row matches: it stays
    EXPECT_EQ(FindByFirstChar(genres, 0, 'z'), -1);
    EXPECT_EQ(FindByFirstChar({}, -1, 'a'), -1);
    EXPECT_EQ(FindByFirstChar({" 9   One of my favourites", "10  In my top ten"}, 1, '1'), 1);
}

TEST(DropDownList, TheOpenListKeepsRowsInViewAndFull) {
    EXPECT_EQ(VisibleRows(10, 10), 10);
    EXPECT_EQ(VisibleRows(115, 15), 15);
    EXPECT_EQ(VisibleRows(3, 8), 3);
    EXPECT_EQ(VisibleRows(0, 8), 1); // an empty list still opens one row high
    EXPECT_EQ(VisibleRows(5, 0), 1);

    EXPECT_EQ(TopToShow(0, 20, 115, 15), 6);    // scrolled down just far enough
    EXPECT_EQ(TopToShow(30, 20, 115, 15), 20);  // and up
    EXPECT_EQ(TopToShow(10, 15, 115, 15), 10);  // already in view: no move
    EXPECT_EQ(TopToShow(50, -1, 115, 15), 50);  // nothing chosen: no move
    EXPECT_EQ(TopToShow(0, 114, 115, 15), 100); // the last row at the bottom
    EXPECT_EQ(ClampTop(200, 115, 15), 100);     // never rows of nothing below the last
    EXPECT_EQ(ClampTop(-3, 115, 15), 0);
    EXPECT_EQ(ClampTop(5, 10, 10), 0); // every row in view: no scrolling
}

TEST(DropDownList, TheListOpensBelowUnlessOnlyAboveHasRoom) {
    const TRect screen = Rect(0, 0, 800, 600);
    // Room below.
    EXPECT_EQ(PlaceList(Rect(130, 80, 316, 101), 186, 132, screen), Rect(130, 101, 316, 233));
    // Near the bottom: above.
    EXPECT_EQ(PlaceList(Rect(130, 550, 316, 571), 186, 132, screen), Rect(130, 418, 316, 550));
    // Too tall for both sides: below, where there is more room.
    EXPECT_EQ(PlaceList(Rect(10, 200, 60, 221), 50, 900, screen), Rect(10, 221, 60, 1121));
    // Past the right edge: moved left; past the left edge: moved right.
    EXPECT_EQ(PlaceList(Rect(700, 10, 886, 31), 186, 50, screen), Rect(614, 31, 800, 81));
    EXPECT_EQ(PlaceList(Rect(-40, 10, 146, 31), 186, 50, screen), Rect(0, 31, 186, 81));
}
