#include "toolkit/Buttons.h"

#include "toolkit/ButtonGlyphs.h"
#include "toolkit/Forms.h"
#include "toolkit/GdiCanvas.h"

TBitBtn::TBitBtn(TComponent* owner) : TButtonControl(owner) {
    width_ = 75;
    height_ = 25;
    TabStop = true;
}

void TBitBtn::SetGlyph(const TBitmap& b) {
    glyph_ = b;
    if (!glyph_.Transparent) glyph_.Transparent = true; // the bottom-left colour shows the face
    Invalidate();
}

void TBitBtn::SetKind(TBitBtnKind k) {
    kind_ = k;
    switch (k) {
    case TBitBtnKind::bkOK:
        SetCaption("OK");
        ModalResult = mrOk;
        SetDefault(true);
        if (glyph_.Empty()) SetGlyph(OkGlyph());
        break;
    case TBitBtnKind::bkCancel:
        SetCaption("Cancel");
        ModalResult = mrCancel;
        SetCancel(true);
        if (glyph_.Empty()) SetGlyph(CancelGlyph());
        break;
    case TBitBtnKind::bkCustom: break;
    }
}

void TBitBtn::CreateParams(TCreateParams& p) {
    TButtonControl::CreateParams(p);
    p.ClassName = "BUTTON";
    p.Style |= BS_OWNERDRAW;
}

TBitmap TBitBtn::GlyphPart(int index) const {
    int n = NumGlyphs < 1 ? 1 : NumGlyphs;
    if (glyph_.Empty() || n == 1 || index >= n) return glyph_;
    int w = glyph_.Width() / n;
    TBitmap part(w, glyph_.Height());
    for (int y = 0; y < glyph_.Height(); ++y)
        for (int x = 0; x < w; ++x) part.SetPixel(x, y, glyph_.Pixel(index * w + x, y));
    part.Transparent = glyph_.Transparent;
    part.TransparentColor = glyph_.TransparentColor;
    return part;
}

void TBitBtn::DrawButton(TCanvas& canvas, bool pressed, bool focused) {
    TRect r = Rect(0, 0, width_, height_);
    bool isDefault = focused || default_;
    if (isDefault) {
        canvas.Brush.Color = clBlack;
        canvas.FrameRect(r);
        r = Rect(1, 1, width_ - 1, height_ - 1);
    }
    canvas.DrawFrameControl(r, dfc::ButtonPush | (pressed ? dfc::Pushed : 0));
    int off = pressed ? 1 : 0;
    TBitmap g = GlyphPart(!enabled_ && NumGlyphs > 1 ? 1 : (pressed && NumGlyphs > 2 ? 2 : 0));
    canvas.Font = font_;
    canvas.Brush.Style = TBrushStyle::bsClear;
    TRect textBox = Rect(0, 0, 0, 0);
    if (!caption_.empty()) canvas.DrawText(caption_, textBox, dt::CalcRect | dt::SingleLine);
    int gw = g.Empty() ? 0 : g.Width(), gh = g.Empty() ? 0 : g.Height();
    int tw = textBox.Width(), th = textBox.Height();
    int gap = (gw > 0 && tw > 0) ? Spacing : 0;
    int gx, gy, tx, ty;
    bool horizontal = Layout == TButtonLayout::blGlyphLeft || Layout == TButtonLayout::blGlyphRight;
    if (horizontal) {
        int total = gw + gap + tw;
        int start = Margin >= 0 ? Margin : (width_ - total) / 2;
        gy = (height_ - gh) / 2;
        ty = (height_ - th) / 2;
        if (Layout == TButtonLayout::blGlyphLeft) {
            gx = start;
            tx = start + gw + gap;
        } else {
            tx = start;
            gx = start + tw + gap;
        }
    } else {
        int total = gh + gap + th;
        int start = Margin >= 0 ? Margin : (height_ - total) / 2;
        gx = (width_ - gw) / 2;
        tx = (width_ - tw) / 2;
        if (Layout == TButtonLayout::blGlyphTop) {
            gy = start;
            ty = start + gh + gap;
        } else {
            ty = start;
            gy = start + th + gap;
        }
    }
    if (!g.Empty()) canvas.Draw(gx + off, gy + off, g);
    if (!caption_.empty()) {
        TRect t = Bounds(tx + off, ty + off, tw, th);
        if (!enabled_) {
            canvas.Font.Color = clBtnHighlight;
            TRect s = t;
            s.Offset(1, 1);
            canvas.DrawText(caption_, s, dt::SingleLine);
            canvas.Font.Color = clBtnShadow;
        }
        canvas.DrawText(caption_, t, dt::SingleLine);
    }
    if (focused) canvas.DrawFocusRect(Rect(4, 4, width_ - 4, height_ - 4));
}

bool TBitBtn::ReflectedMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (msg == WM_DRAWITEM) {
        auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        TOffscreen off(dis->hDC, width_, height_);
        {
            TGdiCanvas canvas(off.DC());
            DrawButton(canvas, (dis->itemState & ODS_SELECTED) != 0, (dis->itemState & ODS_FOCUS) != 0);
        }
        BitBlt(dis->hDC, 0, 0, width_, height_, off.DC(), 0, 0, SRCCOPY);
        result = TRUE;
        return true;
    }
    return TButtonControl::ReflectedMessage(msg, wParam, lParam, result);
}

bool TBitBtn::WndProc(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    // The drawing (WM_DRAWITEM) covers every pixel of the button, so erasing it first would only
    // paint the face twice.
    if (msg == WM_ERASEBKGND) {
        result = 1;
        return true;
    }
    return TButtonControl::WndProc(msg, wParam, lParam, result);
}
