#include "toolkit/StdCtrlsDropDown.h"

#include <algorithm>

namespace dropdown {

int Navigate(int current, int count, int rows, TListKey key) {
    if (count <= 0) return -1;
    const int page = std::max(1, rows - 1);
    int next = current;
    switch (key) {
    case TListKey::Up: next = current < 0 ? 0 : current - 1; break;
    case TListKey::Down: next = current + 1; break;
    case TListKey::Home: next = 0; break;
    case TListKey::End: next = count - 1; break;
    case TListKey::PageUp: next = current < 0 ? 0 : current - page; break;
    case TListKey::PageDown: next = current < 0 ? page : current + page; break;
    }
    return std::clamp(next, 0, count - 1);
}

namespace {
char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
} // namespace

int FindByFirstChar(const std::vector<std::string>& items, int current, char c) {
    const int count = static_cast<int>(items.size());
    if (count == 0) return -1;
    const int start = current < 0 || current >= count ? 0 : current + 1;
    for (int k = 0; k < count; ++k) {
        const int i = (start + k) % count;
        const std::string& s = items[static_cast<size_t>(i)];
        if (!s.empty() && Lower(s[0]) == Lower(c)) return i;
    }
    return -1;
}

int ClampTop(int top, int count, int rows) { return std::clamp(top, 0, std::max(0, count - rows)); }

int TopToShow(int top, int row, int count, int rows) {
    if (row >= 0) {
        if (row < top)
            top = row;
        else if (row >= top + rows)
            top = row - rows + 1;
    }
    return ClampTop(top, count, rows);
}

int VisibleRows(int count, int dropDownCount) { return std::max(1, std::min(count, std::max(1, dropDownCount))); }

TRect PlaceList(const TRect& box, int listWidth, int listHeight, const TRect& workArea) {
    int top = box.Bottom;
    const int roomBelow = workArea.Bottom - box.Bottom, roomAbove = box.Top - workArea.Top;
    if (listHeight > roomBelow && roomAbove > roomBelow) top = box.Top - listHeight;
    int left = box.Left;
    if (left + listWidth > workArea.Right) left = workArea.Right - listWidth;
    if (left < workArea.Left) left = workArea.Left;
    return Rect(left, top, left + listWidth, top + listHeight);
}

} // namespace dropdown
