#include "toolkit/ButtonGlyphs.h"

#include <vector>

#include "toolkit/MemoryCanvas.h"

namespace {

// A line three pixels thick: the path drawn again one and two pixels lower.
TBitmap Glyph(TColor color, const std::vector<std::vector<TPoint>>& strokes) {
    TMemoryCanvas canvas(kStandardGlyphSize, kStandardGlyphSize, kGlyphTransparent);
    canvas.Pen.Color = color;
    for (const auto& stroke : strokes)
        for (int dy = 0; dy < 3; ++dy) {
            std::vector<TPoint> path;
            for (TPoint p : stroke) path.push_back(TPoint{p.x, p.y + dy});
            canvas.Polyline(path);
        }
    TBitmap b = canvas.Bitmap();
    b.Transparent = true;
    b.TransparentColor = kGlyphTransparent;
    return b;
}

} // namespace

TBitmap OkGlyph() { return Glyph(kOkGlyphColor, {{TPoint{3, 8}, TPoint{7, 12}, TPoint{15, 4}}}); }

TBitmap CancelGlyph() { return Glyph(kCancelGlyphColor, {{TPoint{4, 3}, TPoint{14, 13}}, {TPoint{14, 3}, TPoint{4, 13}}}); }
