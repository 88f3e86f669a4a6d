#include "widgets/FocusBtns.h"

#include <algorithm>

namespace {

// Offsets of the text (t) and shadow (h) rectangles for a shadow on side `pos`.
void ShadowOffsets(TShadowPos pos, int d, TPoint& t, TPoint& h) {
    t = {0, 0};
    h = {0, 0};
    switch (pos) {
    case TShadowPos::spLeftTop: t = {d, d}; break;
    case TShadowPos::spLeftBottom:
        t = {d, 0};
        h = {0, d};
        break;
    case TShadowPos::spRightBottom: h = {d, d}; break;
    case TShadowPos::spRightTop:
        t = {0, d};
        h = {d, 0};
        break;
    }
}

TRect Shrink(TRect r, int n) { return Rect(r.Left + n, r.Top + n, r.Right - n, r.Bottom - n); }

} // namespace

unsigned FocusButtonTextFormat(const TFocusButtonLook& look) {
    if (look.AutoSize && !look.WordWrap) return dt::SingleLine;
    return look.AlignmentFlag | (look.WordWrap ? dt::WordBreak : dt::SingleLine);
}

TRect FocusButtonTextRect(TCanvas& canvas, const std::string& caption, unsigned flags, bool clip, TSize client, bool autoSize,
                          TTextLayout layout) {
    const std::string& s = caption.empty() ? std::string("Z") : caption;
    TRect inner = Shrink(Rect(0, 0, client.cx - 1, client.cy - 1), 4);
    TRect r = inner;
    canvas.DrawText(s, r, flags | dt::CalcRect);
    if (autoSize || layout == TTextLayout::tlCenter)
        r.Offset(0, (inner.Bottom - r.Bottom) / 2 - 1);
    else if (layout == TTextLayout::tlBottom)
        r.Offset(0, inner.Bottom - r.Bottom);
    r.Offset(1, 0);
    if (clip) {
        r.Top = std::max(r.Top, inner.Top);
        r.Bottom = std::min(r.Bottom, inner.Bottom);
        r.Right = std::min(r.Right, inner.Right);
    }
    return r;
}

int DrawShadowText(TCanvas& canvas, const std::string& text, int press, TShadowPos pos, TColor shadowColor, int depth,
                   unsigned flags, TRect& r) {
    TRect t = r, h = r;
    int result = 0;
    TPoint dt, dh;
    if (depth > 0) {
        TColor old = canvas.Font.Color;
        canvas.Font.Color = shadowColor;
        ShadowOffsets(pos, depth, dt, dh);
        t.Offset(dt.x, dt.y);
        h.Offset(dh.x, dh.y);
        h.Offset(press, press);
        TRect drawn = h;
        int height = canvas.DrawText(text, drawn, flags);
        canvas.Font.Color = old;
        result = height > 0 ? height + depth : height;
    }
    t.Offset(press, press);
    TRect drawn = t;
    int height = canvas.DrawText(text, drawn, flags);
    if (result == 0) result = height;
    if (depth == 0) {
        // Same moves without drawing, so the rectangle has the same size with or without shadow.
        ShadowOffsets(pos, 1, dt, dh);
        t.Offset(dt.x, dt.y);
        h.Offset(dh.x, dh.y);
    }
    r = UnionRect(t, h);
    return result;
}

void DrawFocusButton(TCanvas& canvas, const std::string& caption, const TFocusButtonLook& look, bool pressed, bool focused,
                     bool enabled, TSize client) {
    TRect r = Rect(0, 0, client.cx - 1, client.cy - 1);
    if (look.IsActive) {
        TColor brush = canvas.Brush.Color;
        canvas.Brush.Color = clWindowFrame;
        canvas.FrameRect(r);
        canvas.Brush.Color = brush;
        r = Shrink(r, 1);
    }
    canvas.DrawFrameControl(r, dfc::ButtonPush | (pressed ? dfc::Pushed : 0u));
    r = Shrink(r, 2); // the frame's edge: what is left is the button face

    canvas.Brush.Style = TBrushStyle::bsClear;
    unsigned flags = FocusButtonTextFormat(look);
    TRect text = FocusButtonTextRect(canvas, caption, flags, true, client, look.AutoSize, look.Layout);
    TShadowPos pos = look.ShadowPos;
    TColor shadowColor = look.ShadowColor;
    bool shadow = (look.HotTrack && look.MouseInside) || (look.ShowFocus && focused);
    TColor textColor = canvas.Font.Color;
    if (!enabled) {
        pos = TShadowPos::spRightBottom;
        canvas.Font.Color = clBtnShadow;
        shadowColor = clBtnHighlight;
        shadow = true;
    }
    DrawShadowText(canvas, caption, pressed ? 1 : 0, pos, shadowColor, shadow ? 1 : 0, flags, text);
    canvas.Font.Color = textColor;
    canvas.Brush.Style = TBrushStyle::bsSolid;

    if (focused) canvas.DrawFocusRect(Shrink(r, 1));
}

TSize FocusButtonAutoSize(TCanvas& canvas, const std::string& caption, const TFocusButtonLook& look, TSize client) {
    int e = (look.HotTrack || look.ShowFocus) ? 2 : 0;
    if (look.WordWrap) {
        TRect r = FocusButtonTextRect(canvas, caption, dt::WordBreak, false, client, look.AutoSize, look.Layout);
        return TSize{client.cx, e + r.Height() + 10};
    }
    TRect r = FocusButtonTextRect(canvas, caption, dt::SingleLine, false, client, look.AutoSize, look.Layout);
    return TSize{e + r.Width() + 10, e + r.Height() + 10};
}
