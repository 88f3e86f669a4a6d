// Where aligned controls go inside their parent: the arithmetic of `TAlign`, without windows.
#pragma once

#include <vector>

#include "toolkit/Classes.h"

enum class TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };

// One child as the parent's alignment sees it.
struct TAlignItem {
    TAlign Align = TAlign::alNone;
    bool Visible = true;
    TRect Box; // current bounds, in the parent's client coordinates
};

// The bounds every child takes when the parent's client area is `client`. Visible controls with
// an alignment take their place in this order: those at the top and bottom (full width, their
// own height), then those at the left and right (their own width, the height that is left), then
// those filling the client area (all that is left). Within one kind, earlier items lie nearer the
// edge. What is left never shrinks below zero width or height. Children without an alignment, and
// hidden ones, keep their bounds.
std::vector<TRect> AlignBounds(const TRect& client, const std::vector<TAlignItem>& items);
