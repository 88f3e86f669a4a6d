// Windows bitmap files (BMP) read from memory into a TBitmap. Portable.
#pragma once

#include <cstddef>
#include <cstdint>

#include "toolkit/Graphics.h"
#include "toolkit/Jpeg.h" // EInvalidGraphic

// Decodes a BMP file: core (12-byte) and Windows (40 bytes and longer) headers; 1, 4 and 8 bits
// with a colour table, 16 and 32 bits (5-5-5 / 8-8-8 or bit fields), 24 bits; bottom-up and
// top-down rows; RLE8 and RLE4 compression. Raises EInvalidGraphic for anything else, for
// truncated data and for sizes past the picture limits (toolkit/ImageLimits.h).
TBitmap DecodeBmp(const uint8_t* data, size_t size);
