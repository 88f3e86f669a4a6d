// The arithmetic of a drop-down list, free of the platform: which row a key moves to, which row
// a typed letter finds, which rows the open list shows, and where the open list goes on the
// screen. The drop-down list control (`TComboBox`) draws and tracks the mouse on top of it.
#pragma once

#include <string>
#include <vector>

#include "toolkit/Graphics.h"

namespace dropdown {

enum class TListKey { Up, Down, Home, End, PageUp, PageDown };

// The row `key` moves to from `current` (-1: nothing chosen) in a list of `count` rows whose
// open list shows `rows` at a time. Stays inside the list; -1 only for an empty list.
int Navigate(int current, int count, int rows, TListKey key);

// The next row after `current`, wrapping round, whose text begins with `c` in either case; the
// row is `current` itself when only it matches, -1 when none does.
int FindByFirstChar(const std::vector<std::string>& items, int current, char c);

// The first row shown, kept so that `rows` rows fill the open list wherever possible.
int ClampTop(int top, int count, int rows);
// The first row shown once `row` is scrolled into view.
int TopToShow(int top, int row, int count, int rows);

// The rows the open list shows: at most `dropDownCount`, at least one.
int VisibleRows(int count, int dropDownCount);

// Where the open list goes: below the closed box when it fits on the screen's work area, above it
// when it does not and there is more room above; moved left to stay on the screen.
TRect PlaceList(const TRect& box, int listWidth, int listHeight, const TRect& workArea);

} // namespace dropdown
