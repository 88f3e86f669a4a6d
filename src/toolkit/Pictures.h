// Pictures from bytes: BMP files, bare DIBs (what a BITMAP resource holds) and JPEG, decoded into
// a TBitmap. Portable.
#pragma once

#include <cstddef>
#include <cstdint>

#include "toolkit/Graphics.h"
#include "toolkit/Jpeg.h"

// The largest picture decoded, in pixels (either side, and in all): pictures come from resources
// and from pages on the network, and a header may claim any size.
constexpr int kMaxPictureSide = 16384;
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
// Fuzzing builds take a smaller total, so runs spend their time parsing rather than filling
// pictures of millions of pixels; the checks against the limit are the same code.
constexpr int64_t kMaxPicturePixels = 1024 * 1024;
#else
constexpr int64_t kMaxPicturePixels = 32LL * 1024 * 1024;
#endif

// True when a width and height are positive and within the limits above.
bool PictureSizeAllowed(int64_t width, int64_t height);

// A BMP file ("BM", file header, info header, palette, pixels). Uncompressed 1, 4, 8, 16, 24 and
// 32 bits per pixel, bottom-up or top-down; 16 and 32 bits with bit-field masks too; RLE8 and
// RLE4 (bottom-up). Anything
// else, a short file or a size over the limits raises EInvalidGraphic.
TBitmap DecodeBmp(const uint8_t* data, size_t size);
// A DIB: the same from the info header on, with no file header.
TBitmap DecodeDib(const uint8_t* data, size_t size);
// JPEG (FF D8) or BMP ("BM"), chosen by the first bytes; anything else raises EInvalidGraphic.
TBitmap DecodePicture(const uint8_t* data, size_t size);
