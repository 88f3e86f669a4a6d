// The artwork compiled into the module as RCDATA resources (made by scripts/make-artwork.py),
// decoded into bitmaps. Win32 only.
#pragma once

#include <cstddef>
#include <cstdint>

#include "toolkit/Graphics.h"
#include "toolkit/Pictures.h"
#include "toolkit/Resources.h"

// The picture stored under `name` in this module: a JPEG or a BMP file (LoadPictureResource;
// a missing one raises EResNotFound).
TBitmap ArtworkBitmap(const char* name);

// A glyph whose pixels are all drawn: no colour is left transparent.
TBitmap OpaqueGlyph(const char* name);
