// The standard glyphs of OK and Cancel picture buttons: a green tick and a red cross on a
// transparent background. Portable.
#pragma once

#include "toolkit/Graphics.h"

constexpr int kStandardGlyphSize = 18;
// The background colour of the standard glyphs, which drawing leaves out.
constexpr TColor kGlyphTransparent = clOlive;
constexpr TColor kOkGlyphColor = clGreen;
constexpr TColor kCancelGlyphColor = clRed;

TBitmap OkGlyph();
TBitmap CancelGlyph();
