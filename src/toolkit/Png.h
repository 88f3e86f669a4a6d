// PNG images read from memory into a TBitmap (libpng). Portable.
#pragma once

#include <cstddef>
#include <cstdint>

#include "toolkit/Graphics.h"
#include "toolkit/Jpeg.h" // EInvalidGraphic

// Decodes any PNG (palette, grey, RGB, with or without alpha, 1 to 16 bits, interlaced) into
// full colour. Alpha is not applied: each pixel keeps its stored colour. 16-bit samples are
// scaled to 8 bits with rounding. Raises EInvalidGraphic on data libpng rejects and on sizes past
// the picture limits (toolkit/Pictures.h).
TBitmap DecodePng(const uint8_t* data, size_t size);

// The transparent colour of a palette PNG: the palette entry of the first fully transparent
// tRNS entry. False when the image has no palette, no tRNS chunk or no such entry. Reads the
// chunks only; nothing is decompressed.
bool PngTransparentColor(const uint8_t* data, size_t size, TColor& color);
