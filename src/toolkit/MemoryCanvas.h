// A canvas over a memory bitmap with fixed, documented font metrics, so drawing code can be
// tested pixel by pixel without a platform.
//
// Font metrics, for a font whose Height is -e (character height e pixels):
//   Ascent = e, Descent = e / 4 (rounded down), Height = Ascent + Descent, no leading;
//   for Height = c > 0 (cell height c): Descent = c / 5, Ascent = c - Descent;
//   Height 0 counts as -13.
//   Every character is (e + 1) / 2 pixels wide (the Ascent stands for e), one more when bold;
//   so a string is that width times its length, whatever the face.
// Glyphs: a character other than a blank or control byte paints a solid block in the font colour
// over columns [x, x + width - 1) and rows [top + Ascent / 4, top + Ascent). Underline paints the
// row top + Ascent, strike-out the row top + Ascent / 2, both over the full width.
#pragma once

#include <vector>

#include "toolkit/Graphics.h"

class TMemoryCanvas : public TCanvas {
public:
    TMemoryCanvas(int width, int height, TColor background = clWhite);

    TBitmap& Bitmap() { return bitmap_; }
    const TBitmap& Bitmap() const { return bitmap_; }
    int Width() const { return bitmap_.Width(); }
    int Height() const { return bitmap_.Height(); }
    // Number of pixels in r (clipped to the bitmap) that have colour c.
    int CountColor(const TRect& r, TColor c) const;

    static TTextMetric MetricsFor(const TFont& font);
    static int CharWidth(const TFont& font);

    void FillRect(const TRect& r) override;
    void FrameRect(const TRect& r) override;
    void Rectangle(const TRect& r) override;
    void Ellipse(const TRect& r) override;
    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    void Polyline(const std::vector<TPoint>& points) override;
    void Polygon(const std::vector<TPoint>& points) override;
    void TextOut(int x, int y, const std::string& text) override;
    void TextRect(const TRect& clip, int x, int y, const std::string& text, bool opaque) override;
    TSize TextExtent(const std::string& text) override;
    TTextMetric TextMetrics() override;
    int DrawText(const std::string& text, TRect& r, unsigned flags) override;
    void StretchDraw(const TRect& dest, const TBitmap& bitmap) override;
    void DrawMasked(int x, int y, const TBitmap& image, const TBitmap& mask) override;
    void DrawFocusRect(const TRect& r) override;
    void DrawFrameControl(const TRect& r, unsigned dfcState) override;
    void InvertRect(const TRect& r) override;
    void SetPixel(int x, int y, TColor c) override;
    TColor GetPixel(int x, int y) override;
    void PushClip(const TRect& r) override;
    void PopClip() override;
    TRect ClipRect() const override;
    void PushOrigin(int dx, int dy) override;
    void PopOrigin() override;
    bool OneBitDevice() const override { return OneBit; }
    bool OneBit = false; // pretend to be a monochrome device

private:
    // The bitmap's pixel at a point of the current origin (callers clip first).
    void Put(int x, int y, uint32_t p) { bitmap_.SetPixel(x + origin_.x, y + origin_.y, p); }
    uint32_t Get(int x, int y) const { return bitmap_.Pixel(x + origin_.x, y + origin_.y); }
    void Plot(int x, int y, TColor c);
    void PenPlot(int x, int y);
    void Fill(const TRect& r, TColor c);
    void Line(int x0, int y0, int x1, int y1, bool lastPoint);
    void DrawGlyphs(int x, int y, const std::string& text, const TRect& clip);

    TBitmap bitmap_;
    std::vector<TRect> clips_; // in bitmap coordinates
    TPoint origin_{0, 0};
    std::vector<TPoint> origins_;
};
