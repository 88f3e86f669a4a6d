// TCanvas over a GDI device context. Win32 only.
#pragma once

#include "toolkit/Win32.h"

#include <vector>

#include "toolkit/Graphics.h"

// Move-only owner of one GDI object (pen, brush, font, bitmap, region).
template <class H> class TGdiObject {
public:
    TGdiObject() = default;
    explicit TGdiObject(H h) : h_(h) {}
    ~TGdiObject() { Reset(); }
    TGdiObject(const TGdiObject&) = delete;
    TGdiObject& operator=(const TGdiObject&) = delete;
    TGdiObject(TGdiObject&& o) noexcept : h_(o.h_) { o.h_ = nullptr; }
    TGdiObject& operator=(TGdiObject&& o) noexcept {
        if (this != &o) {
            Reset();
            h_ = o.h_;
            o.h_ = nullptr;
        }
        return *this;
    }
    void Reset(H h = nullptr) {
        if (h_) DeleteObject(h_);
        h_ = h;
    }
    H Get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }

private:
    H h_ = nullptr;
};

// A font handle for a TFont description (CreateFontA).
HFONT CreateFontHandle(const TFont& font);

class TGdiCanvas : public TCanvas {
public:
    // Draws on `dc`, which the caller keeps alive; everything selected into it is put back when
    // the canvas goes away.
    explicit TGdiCanvas(HDC dc);
    ~TGdiCanvas() override;
    TGdiCanvas(const TGdiCanvas&) = delete;
    TGdiCanvas& operator=(const TGdiCanvas&) = delete;
    HDC Handle() const { return dc_; }

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
    bool OneBitDevice() const override { return GetDeviceCaps(dc_, BITSPIXEL) == 1 && GetDeviceCaps(dc_, PLANES) == 1; }

private:
    void RealizePen();
    void RealizeBrush();
    void RealizeFont();
    HBRUSH SolidBrush(TColor c);

    HDC dc_;
    int savedDc_;
    TGdiObject<HPEN> pen_;
    TGdiObject<HBRUSH> brush_;
    TGdiObject<HFONT> font_;
    TPen penNow_;
    TBrush brushNow_;
    TFont fontNow_;
    bool penValid_ = false, brushValid_ = false, fontValid_ = false;
    std::vector<int> clipSaves_;
    std::vector<TRect> clips_; // relative to the origin the DC had when the canvas was made
    TPoint baseOrigin_{0, 0};
    TPoint origin_{0, 0};
    std::vector<TPoint> origins_;
};

// A memory device context with the screen's text metrics, for measuring text. Asking for the
// screen's own context costs a round trip to the window server each time under Wine (about
// 80 us, for every label laid out); this one is made once. For the window thread; whoever
// selects into it restores what was there (a TGdiCanvas on it does).
HDC MeasuringDC();

// An off-screen bitmap with its own memory DC, for flicker-free painting and pixel read-back.
// Every paint that builds its own bitmap uses it. Raises EOutOfResources when the platform
// refuses the DC or the bitmap.
class TOffscreen {
public:
    TOffscreen(HDC reference, int width, int height);
    ~TOffscreen();
    TOffscreen(const TOffscreen&) = delete;
    TOffscreen& operator=(const TOffscreen&) = delete;
    HDC DC() const { return dc_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    // The pixels, top-down 0x00RRGGBB (a DIB section, so they are exact).
    TBitmap ToBitmap() const;

private:
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    void* bits_ = nullptr;
    int width_, height_;
};
