#include "toolkit/MemoryCanvas.h"

#include <algorithm>
#include <cstdlib>

TMemoryCanvas::TMemoryCanvas(int width, int height, TColor background)
    : bitmap_(width, height, TBitmap::ToPixel(ColorToRGB(background))) {
    clips_.push_back(Rect(0, 0, width, height));
}

int TMemoryCanvas::CountColor(const TRect& r, TColor c) const {
    TRect q = IntersectRect(r, Rect(0, 0, Width(), Height()));
    uint32_t p = TBitmap::ToPixel(ColorToRGB(c));
    int n = 0;
    for (int y = q.Top; y < q.Bottom; ++y)
        for (int x = q.Left; x < q.Right; ++x)
            if (bitmap_.Pixel(x, y) == p) ++n;
    return n;
}

TTextMetric TMemoryCanvas::MetricsFor(const TFont& font) {
    TTextMetric m;
    if (font.Height > 0) {
        m.Descent = font.Height / 5;
        m.Ascent = font.Height - m.Descent;
    } else {
        int e = font.Height == 0 ? 13 : -font.Height;
        m.Ascent = e;
        m.Descent = e / 4;
    }
    m.Height = m.Ascent + m.Descent;
    m.AveCharWidth = m.MaxCharWidth = CharWidth(font);
    return m;
}

int TMemoryCanvas::CharWidth(const TFont& font) {
    int e = font.Height > 0 ? font.Height - font.Height / 5 : (font.Height == 0 ? 13 : -font.Height);
    return (e + 1) / 2 + ((font.Style & fsBold) ? 1 : 0);
}

void TMemoryCanvas::Plot(int x, int y, TColor c) {
    if (!ClipRect().Contains(TPoint{x, y})) return;
    Put(x, y, TBitmap::ToPixel(ColorToRGB(c)));
}

void TMemoryCanvas::PenPlot(int x, int y) {
    if (!ClipRect().Contains(TPoint{x, y})) return;
    uint32_t pen = TBitmap::ToPixel(ColorToRGB(Pen.Color));
    uint32_t old = Get(x, y);
    uint32_t v = pen;
    switch (Pen.Mode) {
    case TPenMode::pmCopy: v = pen; break;
    case TPenMode::pmNot: v = ~old & 0xFFFFFF; break;
    case TPenMode::pmXor: v = (old ^ pen) & 0xFFFFFF; break;
    case TPenMode::pmNotXor: v = ~(old ^ pen) & 0xFFFFFF; break;
    }
    Put(x, y, v);
}

void TMemoryCanvas::Fill(const TRect& r, TColor c) {
    TRect q = IntersectRect(r, ClipRect());
    uint32_t p = TBitmap::ToPixel(ColorToRGB(c));
    for (int y = q.Top; y < q.Bottom; ++y)
        for (int x = q.Left; x < q.Right; ++x) Put(x, y, p);
}

void TMemoryCanvas::FillRect(const TRect& r) {
    if (Brush.Style == TBrushStyle::bsClear) return;
    Fill(r, Brush.Color);
}

void TMemoryCanvas::FrameRect(const TRect& r) {
    if (r.IsEmpty()) return;
    Fill(Rect(r.Left, r.Top, r.Right, r.Top + 1), Brush.Color);
    Fill(Rect(r.Left, r.Bottom - 1, r.Right, r.Bottom), Brush.Color);
    Fill(Rect(r.Left, r.Top, r.Left + 1, r.Bottom), Brush.Color);
    Fill(Rect(r.Right - 1, r.Top, r.Right, r.Bottom), Brush.Color);
}

void TMemoryCanvas::Rectangle(const TRect& r) {
    if (r.IsEmpty()) return;
    if (Brush.Style != TBrushStyle::bsClear) Fill(Rect(r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1), Brush.Color);
    if (Pen.Style == TPenStyle::psClear) return;
    for (int x = r.Left; x < r.Right; ++x) {
        PenPlot(x, r.Top);
        if (r.Bottom - 1 != r.Top) PenPlot(x, r.Bottom - 1);
    }
    for (int y = r.Top + 1; y < r.Bottom - 1; ++y) {
        PenPlot(r.Left, y);
        if (r.Right - 1 != r.Left) PenPlot(r.Right - 1, y);
    }
}

void TMemoryCanvas::Ellipse(const TRect& r) {
    // Midpoint test per pixel centre: inside fills with the brush, the rim takes the pen.
    double cx = (r.Left + r.Right - 1) / 2.0, cy = (r.Top + r.Bottom - 1) / 2.0;
    double rx = (r.Width() - 1) / 2.0, ry = (r.Height() - 1) / 2.0;
    if (rx <= 0 || ry <= 0) return;
    for (int y = r.Top; y < r.Bottom; ++y)
        for (int x = r.Left; x < r.Right; ++x) {
            double dx = (x - cx) / rx, dy = (y - cy) / ry, d = dx * dx + dy * dy;
            double dxi = (std::abs(x - cx) + 1) / rx, dyi = (std::abs(y - cy) + 1) / ry;
            if (d > 1.0) continue;
            bool rim = dxi * dxi + dy * dy > 1.0 || dx * dx + dyi * dyi > 1.0;
            if (rim && Pen.Style != TPenStyle::psClear)
                PenPlot(x, y);
            else if (Brush.Style != TBrushStyle::bsClear)
                Plot(x, y, Brush.Color);
        }
}

void TMemoryCanvas::MoveTo(int x, int y) { penPos_ = {x, y}; }

void TMemoryCanvas::Line(int x0, int y0, int x1, int y1, bool lastPoint) {
    if (Pen.Style == TPenStyle::psClear) return;
    int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
    int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    int w = std::max(1, Pen.Width);
    for (;;) {
        if (x0 == x1 && y0 == y1 && !lastPoint) break;
        for (int oy = 0; oy < w; ++oy)
            for (int ox = 0; ox < w; ++ox) PenPlot(x0 + ox - (w - 1) / 2, y0 + oy - (w - 1) / 2);
        if (x0 == x1 && y0 == y1) break;
        int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
}

void TMemoryCanvas::LineTo(int x, int y) {
    Line(penPos_.x, penPos_.y, x, y, false);
    penPos_ = {x, y};
}

void TMemoryCanvas::Polyline(const std::vector<TPoint>& points) {
    for (size_t i = 1; i < points.size(); ++i) Line(points[i - 1].x, points[i - 1].y, points[i].x, points[i].y, false);
}

void TMemoryCanvas::Polygon(const std::vector<TPoint>& points) {
    if (points.size() < 2) return;
    if (Brush.Style != TBrushStyle::bsClear) {
        // Even-odd scanline fill over pixel centres.
        int top = points[0].y, bottom = points[0].y;
        for (auto p : points) {
            top = std::min(top, p.y);
            bottom = std::max(bottom, p.y);
        }
        for (int y = top; y <= bottom; ++y) {
            std::vector<double> xs;
            for (size_t i = 0; i < points.size(); ++i) {
                TPoint a = points[i], b = points[(i + 1) % points.size()];
                if ((a.y <= y && b.y > y) || (b.y <= y && a.y > y))
                    xs.push_back(a.x + static_cast<double>(y - a.y) * (b.x - a.x) / (b.y - a.y));
            }
            std::sort(xs.begin(), xs.end());
            for (size_t i = 0; i + 1 < xs.size(); i += 2)
                for (int x = static_cast<int>(xs[i] + 0.5); x < static_cast<int>(xs[i + 1] + 0.5); ++x) Plot(x, y, Brush.Color);
        }
    }
    std::vector<TPoint> closed(points);
    closed.push_back(points[0]);
    Polyline(closed);
}

TTextMetric TMemoryCanvas::TextMetrics() { return MetricsFor(Font); }

TSize TMemoryCanvas::TextExtent(const std::string& text) {
    TTextMetric m = MetricsFor(Font);
    return TSize{CharWidth(Font) * static_cast<int>(text.size()), m.Height};
}

void TMemoryCanvas::DrawGlyphs(int x, int y, const std::string& text, const TRect& clip) {
    TTextMetric m = MetricsFor(Font);
    int w = CharWidth(Font);
    PushClip(clip);
    for (size_t i = 0; i < text.size(); ++i) {
        int cx = x + static_cast<int>(i) * w;
        if (static_cast<unsigned char>(text[i]) > ' ') Fill(Rect(cx, y + m.Ascent / 4, cx + w - 1, y + m.Ascent), Font.Color);
    }
    int total = w * static_cast<int>(text.size());
    if (Font.Style & fsUnderline) Fill(Rect(x, y + m.Ascent, x + total, y + m.Ascent + 1), Font.Color);
    if (Font.Style & fsStrikeOut) Fill(Rect(x, y + m.Ascent / 2, x + total, y + m.Ascent / 2 + 1), Font.Color);
    PopClip();
}

void TMemoryCanvas::TextOut(int x, int y, const std::string& text) {
    TSize ext = TextExtent(text);
    TRect cell = Bounds(x, y, ext.cx, ext.cy);
    if (Brush.Style != TBrushStyle::bsClear) Fill(cell, Brush.Color);
    DrawGlyphs(x, y, text, cell);
    penPos_ = {x + ext.cx, y};
}

void TMemoryCanvas::TextRect(const TRect& clip, int x, int y, const std::string& text, bool opaque) {
    if (opaque && Brush.Style != TBrushStyle::bsClear) Fill(clip, Brush.Color);
    DrawGlyphs(x, y, text, clip);
}

int TMemoryCanvas::DrawText(const std::string& text, TRect& r, unsigned flags) {
    TTextMetric m = MetricsFor(Font);
    int w = CharWidth(Font);
    bool single = flags & dt::SingleLine;
    auto lines = BreakTextLines(text, r.Width(), !single && (flags & dt::WordBreak),
                                [w](const std::string& s) { return w * static_cast<int>(s.size()); });
    if (single && lines.size() > 1) lines.resize(1);
    int height = m.Height * static_cast<int>(lines.size());
    if (flags & dt::CalcRect) {
        int widest = 0;
        for (auto& l : lines) widest = std::max(widest, w * static_cast<int>(l.length));
        r.Right = r.Left + widest;
        r.Bottom = r.Top + height;
        return height;
    }
    int y = r.Top;
    if (single && (flags & dt::VCenter))
        y = r.Top + (r.Height() - m.Height) / 2;
    else if (single && (flags & dt::Bottom))
        y = r.Bottom - m.Height;
    TRect clip = (flags & dt::NoClip) ? ClipRect() : r;
    TBrushStyle saved = Brush.Style;
    Brush.Style = TBrushStyle::bsClear; // DrawText never fills a background of its own here
    for (auto& l : lines) {
        std::string s = text.substr(l.start, l.length);
        int lw = w * static_cast<int>(s.size());
        int x = r.Left;
        if (flags & dt::Center)
            x = r.Left + (r.Width() - lw) / 2;
        else if (flags & dt::Right)
            x = r.Right - lw;
        DrawGlyphs(x, y, s, clip);
        y += m.Height;
    }
    Brush.Style = saved;
    return height;
}

void TMemoryCanvas::StretchDraw(const TRect& dest, const TBitmap& bmp) {
    if (bmp.Empty() || dest.IsEmpty()) return;
    uint32_t transparent = 0;
    bool useTransparent = bmp.Transparent;
    if (useTransparent)
        transparent =
            bmp.TransparentColor == clNone ? bmp.Pixel(0, bmp.Height() - 1) : TBitmap::ToPixel(ColorToRGB(bmp.TransparentColor));
    TRect clip = IntersectRect(dest, ClipRect());
    for (int y = clip.Top; y < clip.Bottom; ++y) {
        int sy = static_cast<int>(static_cast<long long>(y - dest.Top) * bmp.Height() / dest.Height());
        for (int x = clip.Left; x < clip.Right; ++x) {
            int sx = static_cast<int>(static_cast<long long>(x - dest.Left) * bmp.Width() / dest.Width());
            uint32_t p = bmp.Pixel(sx, sy);
            if (useTransparent && p == transparent) continue;
            Put(x, y, p);
        }
    }
}

void TMemoryCanvas::DrawMasked(int x, int y, const TBitmap& image, const TBitmap& mask) {
    for (int j = 0; j < image.Height() && j < mask.Height(); ++j)
        for (int i = 0; i < image.Width() && i < mask.Width(); ++i)
            if ((mask.Pixel(i, j) & 0xFFFFFF) == 0 && ClipRect().Contains(TPoint{x + i, y + j}))
                Put(x + i, y + j, image.Pixel(i, j));
}

void TMemoryCanvas::DrawFocusRect(const TRect& r) {
    // Every other pixel along the frame, inverted, so a second call restores it.
    auto inv = [this](int x, int y) {
        if (ClipRect().Contains(TPoint{x, y})) Put(x, y, ~Get(x, y) & 0xFFFFFF);
    };
    if (r.IsEmpty()) return;
    for (int x = r.Left; x < r.Right; x += 2) {
        inv(x, r.Top);
        if (r.Bottom - 1 > r.Top) inv(x, r.Bottom - 1);
    }
    for (int y = r.Top + 2; y < r.Bottom - 1; y += 2) {
        inv(r.Left, y);
        if (r.Right - 1 > r.Left) inv(r.Right - 1, y);
    }
}

void TMemoryCanvas::DrawFrameControl(const TRect& r, unsigned state) {
    // The platform's push button: a two-pixel bevel around a button-face fill. Raised: light at
    // top-left, dark at bottom-right; pushed: the reverse; flat: one shadow-coloured frame.
    if (r.IsEmpty()) return;
    Fill(r, clBtnFace);
    auto frame = [this](TRect q, TColor tl, TColor br) {
        Fill(Rect(q.Left, q.Top, q.Right - 1, q.Top + 1), tl);
        Fill(Rect(q.Left, q.Top, q.Left + 1, q.Bottom - 1), tl);
        Fill(Rect(q.Left, q.Bottom - 1, q.Right, q.Bottom), br);
        Fill(Rect(q.Right - 1, q.Top, q.Right, q.Bottom), br);
    };
    TRect inner = Rect(r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1);
    if (state & dfc::Flat) {
        frame(r, clBtnShadow, clBtnShadow);
    } else if (state & dfc::Pushed) {
        frame(r, cl3DDkShadow, clBtnHighlight);
        frame(inner, clBtnShadow, cl3DLight);
    } else {
        frame(r, clBtnHighlight, cl3DDkShadow);
        frame(inner, cl3DLight, clBtnShadow);
    }
}

void TMemoryCanvas::InvertRect(const TRect& r) {
    TRect q = IntersectRect(r, ClipRect());
    for (int y = q.Top; y < q.Bottom; ++y)
        for (int x = q.Left; x < q.Right; ++x) Put(x, y, ~Get(x, y) & 0xFFFFFF);
}

void TMemoryCanvas::SetPixel(int x, int y, TColor c) { Plot(x, y, c); }

TColor TMemoryCanvas::GetPixel(int x, int y) {
    if (x + origin_.x < 0 || y + origin_.y < 0 || x + origin_.x >= Width() || y + origin_.y >= Height()) return clNone;
    return TBitmap::FromPixel(Get(x, y));
}

void TMemoryCanvas::PushClip(const TRect& r) {
    TRect device = r;
    device.Offset(origin_.x, origin_.y);
    clips_.push_back(IntersectRect(device, clips_.back()));
}

void TMemoryCanvas::PopClip() {
    if (clips_.size() > 1) clips_.pop_back();
}

TRect TMemoryCanvas::ClipRect() const {
    TRect r = clips_.back();
    r.Offset(-origin_.x, -origin_.y);
    return r;
}

void TMemoryCanvas::PushOrigin(int dx, int dy) {
    origins_.push_back(origin_);
    origin_ = TPoint{origin_.x + dx, origin_.y + dy};
}

void TMemoryCanvas::PopOrigin() {
    if (origins_.empty()) return;
    origin_ = origins_.back();
    origins_.pop_back();
}
