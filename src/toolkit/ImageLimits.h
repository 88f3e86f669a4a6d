// Limits on pictures read from outside (pages, files, streams). Every decoder checks a stated
// size against these before it allocates anything, so a file that claims a huge picture is
// rejected instead of asking for gigabytes.
#pragma once

#include <cstdint>

// Longest side of any decoded picture, in pixels.
constexpr int64_t MaxPictureSide = 16384;
// Most pixels in one decoded picture: 16 M pixels, 64 MB at 32 bits a pixel.
constexpr int64_t MaxPicturePixels = 16 * 1024 * 1024;

// True when a picture of width x height may be allocated: both sides 1..MaxPictureSide and the
// product (computed in 64 bits, so it cannot overflow) within MaxPicturePixels.
constexpr bool PictureSizeAllowed(int64_t width, int64_t height) {
    return width >= 1 && height >= 1 && width <= MaxPictureSide && height <= MaxPictureSide && width * height <= MaxPicturePixels;
}
