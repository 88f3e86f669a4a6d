// The image library ILDA32T.DLL: its entry points, shared by the library and by the viewer that
// loads it at run time. Each decodes BMP, JPEG or PNG data (a file or a memory block) into a
// bitmap of the given colour depth. Win32 only.
//
// Every entry takes the display's bits per pixel, a dither flag, the shared palette (used on
// displays of 8 bits or fewer; may be null) and a progress callback (may be null), and fills in
// a bitmap handle and a palette handle (a palette only for depths of 8 bits or fewer). The
// caller owns both handles. The result is IldaOk on success, 0 or less on failure.
#pragma once

#include "toolkit/Win32.h"

extern "C" {

// Called while decoding with the share done so far (0 to 100). Returns 0 to stop, 1 to go on.
typedef int(__stdcall* TIldaProgress)(int percent);

typedef int(__stdcall* TIldaFileEntry)(const char* fileName, int bitsPerPixel, int dither, HPALETTE sharedPalette,
                                       TIldaProgress progress, HBITMAP* bitmap, HPALETTE* palette);
typedef int(__stdcall* TIldaStreamEntry)(const void* data, int size, int bitsPerPixel, int dither, HPALETTE sharedPalette,
                                         TIldaProgress progress, HBITMAP* bitmap, HPALETTE* palette);
}

enum TIldaResult : int {
    IldaOk = 1,
    IldaFailed = 0,   // unreadable data, or data of another format than the entry's
    IldaStopped = -1, // the progress callback asked to stop
    IldaBadCall = -2, // a null pointer or a negative size
};

// The entry points' names as exported.
namespace ilda {
constexpr const char* LibraryName = "ILDA32T.DLL";
constexpr const char* Bmp = "rbmp";
constexpr const char* Jpg = "rjpg";
constexpr const char* Png = "rpng";
constexpr const char* BmpStream = "rbmpstream";
constexpr const char* JpgStream = "rjpgstream";
constexpr const char* PngStream = "rpngstream";
} // namespace ilda
