#include "plugin/FormCodeArtwork.h"

TBitmap ArtworkBitmap(const char* name) { return LoadPictureResource(name); }

TBitmap OpaqueGlyph(const char* name) {
    TBitmap b = ArtworkBitmap(name);
    b.Transparent = true;
    // The generator keeps the key colour (magenta) out of opaque glyphs, so every pixel is drawn.
    b.TransparentColor = clFuchsia;
    return b;
}
