// The artwork compiled into the module as RCDATA resources (made by scripts/make-artwork.py),
// decoded into bitmaps. Win32 only.
#pragma once

#include <cstddef>
#include <cstdint>

#include "toolkit/Exception.h"
#include "toolkit/Graphics.h"

QV_EXCEPTION(EResNotFound, Exception); // "Resource <name> not found"

// Decodes an uncompressed 24- or 32-bit BMP file (bottom-up or top-down). Raises
// EInvalidGraphic for anything else.
TBitmap DecodeBmp(const uint8_t* data, size_t size);

// The picture stored under `name` in this module: a JPEG or a BMP file.
TBitmap ArtworkBitmap(const char* name);

// A glyph whose pixels are all drawn: no colour is left transparent.
TBitmap OpaqueGlyph(const char* name);
