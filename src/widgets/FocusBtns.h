// Focus button drawing: a push-button frame with a caption that can be word-wrapped, aligned
// both ways and given a one-pixel drop shadow (hot-tracking, focus, disabled state). All the
// drawing goes through TCanvas here; FocusBtnsWin32.h makes the owner-drawn button control.
#pragma once

#include <string>

#include "toolkit/Graphics.h"

enum class TTextLayout { tlTop, tlCenter, tlBottom };
enum class TShadowPos { spLeftTop, spLeftBottom, spRightBottom, spRightTop };

// The settings the drawing reads. AlignmentFlag is the horizontal text flag (dt::Left,
// dt::Center or dt::Right) of the button's TextAlignment.
struct TFocusButtonLook {
    bool IsActive = false;
    bool AutoSize = true;
    bool HotTrack = true;
    TTextLayout Layout = TTextLayout::tlCenter;
    bool MouseInside = false;
    TColor ShadowColor = clBtnHighlight;
    TShadowPos ShadowPos = TShadowPos::spLeftTop;
    bool ShowFocus = true;
    unsigned AlignmentFlag = dt::Center;
    bool WordWrap = false;
};

// Text format of the caption: single line alone when sized to a one-line caption, otherwise
// the alignment plus the wrap flag.
unsigned FocusButtonTextFormat(const TFocusButtonLook& look);

// Where the caption goes in a client area of `client` size, measured with `flags` (an empty
// caption is measured as "Z", so it still has the height of a line). With `clip` the rectangle
// is kept inside the button face.
TRect FocusButtonTextRect(TCanvas& canvas, const std::string& caption, unsigned flags, bool clip, TSize client, bool autoSize,
                          TTextLayout layout);

// Draws `text` into r with a one-pixel shadow of `depth` (0 or 1) on side `pos`, both moved by
// the press offset `press` (0 or 1). r becomes the union of the text and shadow rectangles.
// Returns the drawn height (plus the shadow depth when a shadow was drawn).
int DrawShadowText(TCanvas& canvas, const std::string& text, int press, TShadowPos pos, TColor shadowColor, int depth,
                   unsigned flags, TRect& r);

// Paints the whole button. The canvas must already carry the button's font and brush.
void DrawFocusButton(TCanvas& canvas, const std::string& caption, const TFocusButtonLook& look, bool pressed, bool focused,
                     bool enabled, TSize client);

// The size the button takes when sized to its caption (AutoSize): with WordWrap only the height
// follows the caption.
TSize FocusButtonAutoSize(TCanvas& canvas, const std::string& caption, const TFocusButtonLook& look, TSize client);
