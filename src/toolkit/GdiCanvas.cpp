#include "toolkit/GdiCanvas.h"

#include <algorithm>

#include "toolkit/Exception.h"

HFONT CreateFontHandle(const TFont& f) {
    int pitch = f.Pitch == TFontPitch::fpFixed ? FIXED_PITCH : f.Pitch == TFontPitch::fpVariable ? VARIABLE_PITCH : DEFAULT_PITCH;
    return CreateFontA(f.Height, 0, 0, 0, (f.Style & fsBold) ? FW_BOLD : FW_NORMAL, (f.Style & fsItalic) ? TRUE : FALSE,
                       (f.Style & fsUnderline) ? TRUE : FALSE, (f.Style & fsStrikeOut) ? TRUE : FALSE,
                       static_cast<BYTE>(f.Charset), OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       static_cast<DWORD>(pitch), f.Name.c_str());
}

static COLORREF Ref(TColor c) { return static_cast<COLORREF>(ColorToRGB(c)); }
static RECT ToRECT(const TRect& r) { return RECT{r.Left, r.Top, r.Right, r.Bottom}; }

HDC MeasuringDC() {
    struct TMeasuring {
        HDC dc = CreateCompatibleDC(nullptr);
        ~TMeasuring() {
            if (dc) DeleteDC(dc);
        }
    };
    static TMeasuring measuring;
    if (!measuring.dc) throw EOutOfResources("Out of system resources");
    return measuring.dc;
}

TGdiCanvas::TGdiCanvas(HDC dc) : dc_(dc), savedDc_(SaveDC(dc)) {
    POINT base{0, 0};
    GetViewportOrgEx(dc, &base);
    baseOrigin_ = TPoint{base.x, base.y};
    clips_.push_back(Rect(-0x4000000, -0x4000000, 0x4000000, 0x4000000));
    RECT box;
    if (GetClipBox(dc, &box) != ERROR) clips_.back() = Rect(box.left, box.top, box.right, box.bottom);
}

TGdiCanvas::~TGdiCanvas() {
    // Restoring the saved state deselects our pen, brush and font before they are deleted.
    RestoreDC(dc_, savedDc_);
}

void TGdiCanvas::RealizePen() {
    if (penValid_ && penNow_ == Pen) return;
    int style = PS_SOLID;
    switch (Pen.Style) {
    case TPenStyle::psSolid: style = PS_SOLID; break;
    case TPenStyle::psDash: style = PS_DASH; break;
    case TPenStyle::psDot: style = PS_DOT; break;
    case TPenStyle::psDashDot: style = PS_DASHDOT; break;
    case TPenStyle::psDashDotDot: style = PS_DASHDOTDOT; break;
    case TPenStyle::psClear: style = PS_NULL; break;
    case TPenStyle::psInsideFrame: style = PS_INSIDEFRAME; break;
    }
    HPEN p = CreatePen(style, Pen.Width, Ref(Pen.Color));
    SelectObject(dc_, p);
    pen_.Reset(p);
    int rop = R2_COPYPEN;
    switch (Pen.Mode) {
    case TPenMode::pmCopy: rop = R2_COPYPEN; break;
    case TPenMode::pmNot: rop = R2_NOT; break;
    case TPenMode::pmXor: rop = R2_XORPEN; break;
    case TPenMode::pmNotXor: rop = R2_NOTXORPEN; break;
    }
    SetROP2(dc_, rop);
    penNow_ = Pen;
    penValid_ = true;
}

void TGdiCanvas::RealizeBrush() {
    if (brushValid_ && brushNow_ == Brush) return;
    HBRUSH b = Brush.Style == TBrushStyle::bsClear ? static_cast<HBRUSH>(GetStockObject(NULL_BRUSH))
                                                   : CreateSolidBrush(Ref(Brush.Color));
    SelectObject(dc_, b);
    if (Brush.Style == TBrushStyle::bsClear)
        brush_.Reset();
    else
        brush_.Reset(b);
    SetBkColor(dc_, Ref(Brush.Color));
    SetBkMode(dc_, Brush.Style == TBrushStyle::bsClear ? TRANSPARENT : OPAQUE);
    brushNow_ = Brush;
    brushValid_ = true;
}

void TGdiCanvas::RealizeFont() {
    if (!(fontValid_ && fontNow_ == Font)) {
        HFONT f = CreateFontHandle(Font);
        SelectObject(dc_, f);
        font_.Reset(f);
        fontNow_ = Font;
        fontValid_ = true;
    }
    SetTextColor(dc_, Ref(Font.Color));
}

void TGdiCanvas::FillRect(const TRect& r) {
    if (Brush.Style == TBrushStyle::bsClear) return;
    RECT rc = ToRECT(r);
    HBRUSH b = CreateSolidBrush(Ref(Brush.Color));
    ::FillRect(dc_, &rc, b);
    DeleteObject(b);
}

void TGdiCanvas::FrameRect(const TRect& r) {
    RECT rc = ToRECT(r);
    HBRUSH b = CreateSolidBrush(Ref(Brush.Color));
    ::FrameRect(dc_, &rc, b);
    DeleteObject(b);
}

void TGdiCanvas::Rectangle(const TRect& r) {
    RealizePen();
    RealizeBrush();
    ::Rectangle(dc_, r.Left, r.Top, r.Right, r.Bottom);
}

void TGdiCanvas::Ellipse(const TRect& r) {
    RealizePen();
    RealizeBrush();
    ::Ellipse(dc_, r.Left, r.Top, r.Right, r.Bottom);
}

void TGdiCanvas::MoveTo(int x, int y) {
    MoveToEx(dc_, x, y, nullptr);
    penPos_ = {x, y};
}

void TGdiCanvas::LineTo(int x, int y) {
    RealizePen();
    MoveToEx(dc_, penPos_.x, penPos_.y, nullptr);
    ::LineTo(dc_, x, y);
    penPos_ = {x, y};
}

void TGdiCanvas::Polyline(const std::vector<TPoint>& points) {
    if (points.empty()) return;
    RealizePen();
    std::vector<POINT> pts;
    for (auto p : points) pts.push_back(POINT{p.x, p.y});
    ::Polyline(dc_, pts.data(), static_cast<int>(pts.size()));
}

void TGdiCanvas::Polygon(const std::vector<TPoint>& points) {
    if (points.empty()) return;
    RealizePen();
    RealizeBrush();
    std::vector<POINT> pts;
    for (auto p : points) pts.push_back(POINT{p.x, p.y});
    ::Polygon(dc_, pts.data(), static_cast<int>(pts.size()));
}

// The advance of each character as the text extents report them. Some fonts are rendered at
// small sizes from bitmap strikes whose glyph advances differ from their extents; drawing with
// these advances puts every character where measuring said it would be, so a run ends exactly
// where the next one starts and an underline matches its letters. Empty when the platform cannot
// tell (the text is then drawn plainly).
static std::vector<int> Advances(HDC dc, const std::string& text) {
    const int n = static_cast<int>(text.size());
    std::vector<int> ends(static_cast<size_t>(n));
    SIZE total{};
    if (n == 0 || !GetTextExtentExPointA(dc, text.data(), n, 0, nullptr, ends.data(), &total)) return {};
    for (int i = n - 1; i > 0; --i) ends[static_cast<size_t>(i)] -= ends[static_cast<size_t>(i - 1)];
    return ends;
}

void TGdiCanvas::TextOut(int x, int y, const std::string& text) {
    RealizeFont();
    RealizeBrush();
    std::vector<int> dx = Advances(dc_, text);
    ExtTextOutA(dc_, x, y, 0, nullptr, text.data(), static_cast<UINT>(text.size()), dx.empty() ? nullptr : dx.data());
    penPos_ = {x + TextExtent(text).cx, y};
}

void TGdiCanvas::TextRect(const TRect& clip, int x, int y, const std::string& text, bool opaque) {
    RealizeFont();
    RealizeBrush();
    RECT rc = ToRECT(clip);
    UINT options = ETO_CLIPPED | (opaque && Brush.Style != TBrushStyle::bsClear ? ETO_OPAQUE : 0);
    std::vector<int> dx = Advances(dc_, text);
    ExtTextOutA(dc_, x, y, options, &rc, text.data(), static_cast<UINT>(text.size()), dx.empty() ? nullptr : dx.data());
}

TSize TGdiCanvas::TextExtent(const std::string& text) {
    RealizeFont();
    SIZE s{0, 0};
    GetTextExtentPoint32A(dc_, text.data(), static_cast<int>(text.size()), &s);
    if (text.empty()) {
        TEXTMETRICA tm;
        GetTextMetricsA(dc_, &tm);
        s.cy = tm.tmHeight;
    }
    return TSize{s.cx, s.cy};
}

TTextMetric TGdiCanvas::TextMetrics() {
    RealizeFont();
    TEXTMETRICA tm;
    GetTextMetricsA(dc_, &tm);
    TTextMetric m;
    m.Height = tm.tmHeight;
    m.Ascent = tm.tmAscent;
    m.Descent = tm.tmDescent;
    m.InternalLeading = tm.tmInternalLeading;
    m.ExternalLeading = tm.tmExternalLeading;
    m.AveCharWidth = tm.tmAveCharWidth;
    m.MaxCharWidth = tm.tmMaxCharWidth;
    m.Overhang = tm.tmOverhang;
    return m;
}

int TGdiCanvas::DrawText(const std::string& text, TRect& r, unsigned flags) {
    RealizeFont();
    RealizeBrush();
    RECT rc = ToRECT(r);
    int h = ::DrawTextA(dc_, text.data(), static_cast<int>(text.size()), &rc, flags);
    if (flags & dt::CalcRect) r = Rect(rc.left, rc.top, rc.right, rc.bottom);
    return h;
}

void TGdiCanvas::StretchDraw(const TRect& dest, const TBitmap& bmp) {
    if (bmp.Empty() || dest.IsEmpty()) return;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = bmp.Width();
    bi.bmiHeader.biHeight = -bmp.Height(); // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    if (!bmp.Transparent) {
        SetStretchBltMode(dc_, COLORONCOLOR);
        StretchDIBits(dc_, dest.Left, dest.Top, dest.Width(), dest.Height(), 0, 0, bmp.Width(), bmp.Height(), bmp.Data(), &bi,
                      DIB_RGB_COLORS, SRCCOPY);
        return;
    }
    // Transparent: build a monochrome mask of the transparent colour and draw through it.
    uint32_t key =
        bmp.TransparentColor == clNone ? bmp.Pixel(0, bmp.Height() - 1) : TBitmap::ToPixel(ColorToRGB(bmp.TransparentColor));
    TBitmap mask(bmp.Width(), bmp.Height());
    for (int y = 0; y < bmp.Height(); ++y)
        for (int x = 0; x < bmp.Width(); ++x) mask.SetPixel(x, y, bmp.Pixel(x, y) == key ? 0xFFFFFF : 0);
    if (dest.Width() == bmp.Width() && dest.Height() == bmp.Height()) {
        DrawMasked(dest.Left, dest.Top, bmp, mask);
        return;
    }
    // Scale both first (nearest neighbour), then draw masked.
    TBitmap scaledImage(dest.Width(), dest.Height()), scaledMask(dest.Width(), dest.Height());
    for (int y = 0; y < dest.Height(); ++y) {
        int sy = static_cast<int>(static_cast<long long>(y) * bmp.Height() / dest.Height());
        for (int x = 0; x < dest.Width(); ++x) {
            int sx = static_cast<int>(static_cast<long long>(x) * bmp.Width() / dest.Width());
            scaledImage.SetPixel(x, y, bmp.Pixel(sx, sy));
            scaledMask.SetPixel(x, y, mask.Pixel(sx, sy));
        }
    }
    DrawMasked(dest.Left, dest.Top, scaledImage, scaledMask);
}

void TGdiCanvas::DrawMasked(int x, int y, const TBitmap& image, const TBitmap& mask) {
    // Copies the runs of each row where the mask is black, through a one-row DIB so the source
    // orientation cannot be misread. Exact on every device.
    int w = std::min(image.Width(), mask.Width()), h = std::min(image.Height(), mask.Height());
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bool opaque = image.Width() == w;
    for (int j = 0; opaque && j < h; ++j)
        for (int i = 0; opaque && i < w; ++i) opaque = (mask.Pixel(i, j) & 0xFFFFFF) == 0;
    if (opaque) { // nothing to leave out (a glyph drawn whole): one copy, top-down
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = -h;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        StretchDIBits(dc_, x, y, w, h, 0, 0, w, h, image.Data(), &bi, DIB_RGB_COLORS, SRCCOPY);
        return;
    }
    bi.bmiHeader.biHeight = 1;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    for (int j = 0; j < h; ++j) {
        int i = 0;
        while (i < w) {
            while (i < w && (mask.Pixel(i, j) & 0xFFFFFF) != 0) ++i;
            int start = i;
            while (i < w && (mask.Pixel(i, j) & 0xFFFFFF) == 0) ++i;
            if (i > start) {
                bi.bmiHeader.biWidth = i - start;
                SetDIBitsToDevice(dc_, x + start, y + j, static_cast<DWORD>(i - start), 1, 0, 0, 0, 1,
                                  image.Data() + static_cast<size_t>(j) * static_cast<size_t>(image.Width()) + start, &bi,
                                  DIB_RGB_COLORS);
            }
        }
    }
}

void TGdiCanvas::DrawFocusRect(const TRect& r) {
    RECT rc = ToRECT(r);
    ::DrawFocusRect(dc_, &rc);
}

void TGdiCanvas::DrawFrameControl(const TRect& r, unsigned state) {
    RECT rc = ToRECT(r);
    ::DrawFrameControl(dc_, &rc, DFC_BUTTON, state);
}

void TGdiCanvas::InvertRect(const TRect& r) {
    RECT rc = ToRECT(r);
    ::InvertRect(dc_, &rc);
}

void TGdiCanvas::SetPixel(int x, int y, TColor c) { ::SetPixel(dc_, x, y, Ref(c)); }

TColor TGdiCanvas::GetPixel(int x, int y) {
    COLORREF c = ::GetPixel(dc_, x, y);
    return c == CLR_INVALID ? clNone : static_cast<TColor>(c);
}

void TGdiCanvas::PushClip(const TRect& r) {
    clipSaves_.push_back(SaveDC(dc_));
    IntersectClipRect(dc_, r.Left, r.Top, r.Right, r.Bottom); // logical: follows the origin
    TRect device = r;
    device.Offset(origin_.x, origin_.y);
    clips_.push_back(IntersectRect(device, clips_.back()));
}

void TGdiCanvas::PopClip() {
    if (clipSaves_.empty()) return;
    // Restoring the DC also restores the origin saved with it: put ours back. It also brings
    // back the pen, brush, font and modes selected when the clip was pushed (objects made since
    // may have replaced and deleted them), so each is made and selected afresh when next used.
    RestoreDC(dc_, clipSaves_.back());
    clipSaves_.pop_back();
    clips_.pop_back();
    penValid_ = brushValid_ = fontValid_ = false;
    SetViewportOrgEx(dc_, baseOrigin_.x + origin_.x, baseOrigin_.y + origin_.y, nullptr);
}

TRect TGdiCanvas::ClipRect() const {
    TRect r = clips_.back();
    r.Offset(-origin_.x, -origin_.y);
    return r;
}

void TGdiCanvas::PushOrigin(int dx, int dy) {
    origins_.push_back(origin_);
    origin_ = TPoint{origin_.x + dx, origin_.y + dy};
    SetViewportOrgEx(dc_, baseOrigin_.x + origin_.x, baseOrigin_.y + origin_.y, nullptr);
}

void TGdiCanvas::PopOrigin() {
    if (origins_.empty()) return;
    origin_ = origins_.back();
    origins_.pop_back();
    SetViewportOrgEx(dc_, baseOrigin_.x + origin_.x, baseOrigin_.y + origin_.y, nullptr);
}

// ---------------------------------------------------------------- TOffscreen

TOffscreen::TOffscreen(HDC reference, int width, int height) : width_(width < 1 ? 1 : width), height_(height < 1 ? 1 : height) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = width_;
    bi.bmiHeader.biHeight = -height_;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    dc_ = CreateCompatibleDC(reference);
    bitmap_ = dc_ ? CreateDIBSection(reference, &bi, DIB_RGB_COLORS, &bits_, nullptr, 0) : nullptr;
    if (!bitmap_) {
        if (dc_) DeleteDC(dc_);
        throw EOutOfResources("Out of Resources");
    }
    old_ = SelectObject(dc_, bitmap_);
}

TOffscreen::~TOffscreen() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
}

TBitmap TOffscreen::ToBitmap() const {
    GdiFlush();
    TBitmap b(width_, height_);
    const auto* src = static_cast<const uint32_t*>(bits_);
    for (int i = 0; i < width_ * height_; ++i) b.Data()[i] = src[i] & 0xFFFFFF;
    return b;
}
