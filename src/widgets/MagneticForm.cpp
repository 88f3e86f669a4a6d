#include "widgets/MagneticForm.h"

void TRatio::Recompute() { aspectRatio_ = height_ == 0 ? 0.0f : static_cast<float>(width_) / static_cast<float>(height_); }

void TRatio::SetWidth(int v) {
    width_ = v;
    Recompute();
}

void TRatio::SetHeight(int v) {
    height_ = v;
    Recompute();
}

void TRatio::SetAspectRatio(float v) {
    // The ratio stays as given; Width and Height become a 100-wide example of it.
    aspectRatio_ = v;
    width_ = 100;
    height_ = v == 0.0f ? 0 : static_cast<int>(100.0f / v);
}

void TMagneticRules::Moving(TObject* sender, TRect& r, TSize form, TSize screen) const {
    if (OnMoving) {
        OnMoving(sender, r);
        return;
    }
    const TMargin& m = Margin;
    if ((m.LeftMin < r.Left && r.Left < m.LeftMax && m.Enabled) || (AlwaysOnScreen && r.Left < 0)) {
        r.Left = 0;
        r.Right = form.cx;
    }
    if ((m.TopMin < r.Top && r.Top < m.TopMax && m.Enabled) || (AlwaysOnScreen && r.Top < 0)) {
        r.Top = 0;
        r.Bottom = form.cy;
    }
    // Bottom and right run last, so they win when both rules of an axis fire.
    if ((screen.cy - m.BottomMax < r.Bottom && r.Bottom + m.BottomMin < screen.cy && m.Enabled) ||
        (AlwaysOnScreen && r.Bottom > screen.cy)) {
        r.Bottom = screen.cy;
        r.Top = screen.cy - form.cy;
    }
    if ((screen.cx - m.RightMax < r.Right && r.Right + m.RightMin < screen.cx && m.Enabled) ||
        (AlwaysOnScreen && r.Right > screen.cx)) {
        r.Right = screen.cx;
        r.Left = screen.cx - form.cx;
    }
}

void TMagneticRules::Sizing(int edge, TRect& r) const {
    const TRatio& ratio = Resize.Ratio;
    if (!ratio.Enabled || ratio.AspectRatio() == 0.0f) return;
    int w = static_cast<int>(static_cast<double>(r.Bottom - r.Top) * static_cast<double>(ratio.AspectRatio()));
    switch (edge) {
    case wmsz::BottomRight:
    case wmsz::TopRight: r.Right = r.Left + w; break;
    case wmsz::BottomLeft:
    case wmsz::TopLeft: r.Left = r.Right - w; break;
    default: break; // sizing by a side is free
    }
}

int TMagneticRules::HitTest(int result, TPoint p, TSize client) const {
    if (Resize.Enabled) {
        int b = Resize.BorderWidth;
        bool nearLeft = p.x < b, nearTop = p.y < b;
        bool nearRight = client.cx <= p.x + b, nearBottom = client.cy < p.y + b;
        if (nearLeft)
            result = nearTop ? ht::TopLeft : nearBottom ? ht::BottomLeft : ht::Left;
        else if (nearRight)
            result = nearTop ? ht::TopRight : nearBottom ? ht::BottomRight : ht::Right;
        else if (nearTop)
            result = ht::Top;
        else if (nearBottom)
            result = ht::Bottom;
    }
    if (result == ht::Client && AlwaysMoveable) result = ht::Caption;
    return result;
}
