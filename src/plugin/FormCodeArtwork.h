// The look the plug-in's windows share: the artwork compiled into the module as RCDATA resources
// (made by scripts/make-artwork.py) decoded into bitmaps, their Tahoma texts and the dialogs'
// common set-up. Win32 only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "toolkit/Graphics.h"
#include "toolkit/Pictures.h"
#include "toolkit/Resources.h"

class TForm;
class TLabel;
enum class TFormBorderStyle;
enum class TPosition;

// The picture stored under `name` in this module: a JPEG or a BMP file (LoadPictureResource;
// a missing one raises EResNotFound).
TBitmap ArtworkBitmap(const char* name);

// A glyph whose pixels are all drawn: no colour is left transparent.
TBitmap OpaqueGlyph(const char* name);

// Tahoma at a character height in pixels.
TFont Tahoma(int pixels, TColor color);

// What the proxy and tag dialogs have in common: caption a single blank, no border icons, MS Sans
// Serif 11 pixels high, then their border, placement, colour and client size.
void SetUpDialog(TForm& dialog, TFormBorderStyle border, TPosition position, TColor color, int clientWidth, int clientHeight);

// A dialog label's settings for a description row: keeps the label in `field`; black Tahoma at a
// character height in pixels, transparent or on the button face; optionally centred in a fixed box.
enum class TLabelGround { Transparent, ButtonFace };
std::function<void(TLabel&)> DialogLabel(TLabel*& field, int pixels, TLabelGround ground, bool centredFixed = false);
