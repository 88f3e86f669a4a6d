// Where aligned controls go in their parent's client area.
#include <gtest/gtest.h>

#include "toolkit/ControlsAlign.h"

namespace {

using A = TAlign;

struct Case {
    const char* name;
    TRect client;
    std::vector<TAlignItem> items;
    std::vector<TRect> expected;
};

TEST(AlignBounds, EdgesFirstThenTheRestFilled) {
    const TRect client = Rect(0, 0, 564, 492);
    const Case cases[] = {
        {"a picture filling the client area takes all of it whatever its design size",
         client,
         {{A::alClient, true, Bounds(5, 5, 10, 10)}},
         {client}},
        {"unaligned and hidden controls keep their bounds",
         client,
         {{A::alNone, true, Bounds(74, 215, 194, 16)}, {A::alClient, false, Bounds(1, 2, 3, 4)}},
         {Bounds(74, 215, 194, 16), Bounds(1, 2, 3, 4)}},
        {"top and bottom take full width first, left and right the height between, client the middle",
         Rect(0, 0, 100, 80),
         {{A::alClient, true, Bounds(0, 0, 1, 1)},
          {A::alLeft, true, Bounds(50, 50, 10, 5)},
          {A::alTop, true, Bounds(30, 30, 7, 12)},
          {A::alRight, true, Bounds(0, 0, 20, 5)},
          {A::alBottom, true, Bounds(0, 0, 7, 8)}},
         {Rect(10, 12, 80, 72), Rect(0, 12, 10, 72), Rect(0, 0, 100, 12), Rect(80, 12, 100, 72), Rect(0, 72, 100, 80)}},
        {"two at the top stack in list order; a hidden one takes no room",
         Rect(0, 0, 50, 50),
         {{A::alTop, true, Bounds(0, 0, 1, 10)}, {A::alTop, false, Bounds(0, 0, 1, 30)}, {A::alTop, true, Bounds(0, 0, 1, 5)}},
         {Rect(0, 0, 50, 10), Bounds(0, 0, 1, 30), Rect(0, 10, 50, 15)}},
        {"edges larger than the client area leave nothing, never less",
         Rect(0, 0, 30, 20),
         {{A::alLeft, true, Bounds(0, 0, 25, 1)},
          {A::alRight, true, Bounds(0, 0, 25, 1)},
          {A::alClient, true, Bounds(0, 0, 9, 9)}},
         {Rect(0, 0, 25, 20), Rect(25, 0, 30, 20), Rect(25, 0, 25, 20)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(AlignBounds(c.client, c.items), c.expected);
    }
}

} // namespace
