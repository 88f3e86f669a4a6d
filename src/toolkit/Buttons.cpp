#include "toolkit/Buttons.h"

#include "toolkit/ButtonGlyphs.h"
#include "toolkit/Forms.h"
#include "toolkit/GdiCanvas.h"

TBitBtn::TBitBtn(TComponent* owner) : TButtonControl(owner) {
    width_ = 75;
    height_ = 25;
    TabStop = true;
}

void TButtonPicture::StoreGlyph(const TBitmap& b) {
    glyph_ = b;
    if (!glyph_.Transparent) glyph_.Transparent = true; // the bottom-left colour shows the face
}

TButtonFace TButtonPicture::FaceOf(const TControl& c, const std::string& caption, bool isDefault) const {
    TButtonFace face;
    face.Width = c.Width();
    face.Height = c.Height();
    face.Glyph = &glyph_;
    face.NumGlyphs = NumGlyphs;
    face.Layout = Layout;
    face.Spacing = Spacing;
    face.Margin = Margin;
    face.Caption = &caption;
    face.Font = c.Font();
    face.Enabled = c.Enabled();
    face.Default = isDefault;
    return face;
}

void TBitBtn::SetGlyph(const TBitmap& b) {
    StoreGlyph(b);
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

namespace {

TBitmap GlyphPart(const TBitmap& glyph, int numGlyphs, int index) {
    int n = numGlyphs < 1 ? 1 : numGlyphs;
    if (glyph.Empty() || n == 1 || index >= n) return glyph;
    int w = glyph.Width() / n;
    TBitmap part(w, glyph.Height());
    for (int y = 0; y < glyph.Height(); ++y)
        for (int x = 0; x < w; ++x) part.SetPixel(x, y, glyph.Pixel(index * w + x, y));
    part.Transparent = glyph.Transparent;
    part.TransparentColor = glyph.TransparentColor;
    return part;
}

} // namespace

void DrawButtonFace(TCanvas& canvas, const TButtonFace& face, bool pressed, bool focused) {
    const int width = face.Width, height = face.Height;
    static const std::string kNoCaption;
    const std::string& caption = face.Caption ? *face.Caption : kNoCaption;
    TRect r = Rect(0, 0, width, height);
    if (focused || face.Default) {
        canvas.Brush.Color = clBlack;
        canvas.FrameRect(r);
        r = Rect(1, 1, width - 1, height - 1);
    }
    canvas.DrawFrameControl(r, dfc::ButtonPush | (pressed ? dfc::Pushed : 0));
    int off = pressed ? 1 : 0;
    static const TBitmap kNoGlyph;
    const TBitmap& glyph = face.Glyph ? *face.Glyph : kNoGlyph;
    const int part = !face.Enabled && face.NumGlyphs > 1 ? 1 : (pressed && face.NumGlyphs > 2 ? 2 : 0);
    // One image needs no copy.
    TBitmap partCopy = face.NumGlyphs > 1 ? GlyphPart(glyph, face.NumGlyphs, part) : TBitmap();
    const TBitmap& g = face.NumGlyphs > 1 ? partCopy : glyph;
    canvas.Font = face.Font;
    canvas.Brush.Style = TBrushStyle::bsClear;
    TRect textBox = Rect(0, 0, 0, 0);
    if (!caption.empty()) canvas.DrawText(caption, textBox, dt::CalcRect | dt::SingleLine);
    int gw = g.Empty() ? 0 : g.Width(), gh = g.Empty() ? 0 : g.Height();
    int tw = textBox.Width(), th = textBox.Height();
    int gap = (gw > 0 && tw > 0) ? face.Spacing : 0;
    int gx, gy, tx, ty;
    bool horizontal = face.Layout == TButtonLayout::blGlyphLeft || face.Layout == TButtonLayout::blGlyphRight;
    if (horizontal) {
        int total = gw + gap + tw;
        int start = face.Margin >= 0 ? face.Margin : (width - total) / 2;
        gy = (height - gh) / 2;
        ty = (height - th) / 2;
        if (face.Layout == TButtonLayout::blGlyphLeft) {
            gx = start;
            tx = start + gw + gap;
        } else {
            tx = start;
            gx = start + tw + gap;
        }
    } else {
        int total = gh + gap + th;
        int start = face.Margin >= 0 ? face.Margin : (height - total) / 2;
        gx = (width - gw) / 2;
        tx = (width - tw) / 2;
        if (face.Layout == TButtonLayout::blGlyphTop) {
            gy = start;
            ty = start + gh + gap;
        } else {
            ty = start;
            gy = start + th + gap;
        }
    }
    if (!g.Empty()) canvas.Draw(gx + off, gy + off, g);
    if (!caption.empty()) {
        TRect t = Bounds(tx + off, ty + off, tw, th);
        if (!face.Enabled) {
            canvas.Font.Color = clBtnHighlight;
            TRect s = t;
            s.Offset(1, 1);
            canvas.DrawText(caption, s, dt::SingleLine);
            canvas.Font.Color = clBtnShadow;
        }
        canvas.DrawText(caption, t, dt::SingleLine);
    }
    if (focused) canvas.DrawFocusRect(Rect(4, 4, width - 4, height - 4));
}

void TBitBtn::DrawButton(TCanvas& canvas, bool pressed, bool focused) {
    DrawButtonFace(canvas, FaceOf(*this, caption_, default_), pressed, focused);
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

// ---------------------------------------------------------------- TSpeedButton

TSpeedButton::TSpeedButton(TComponent* owner) : TGraphicControl(owner) {
    width_ = 23;
    height_ = 22;
}

void TSpeedButton::SetGlyph(const TBitmap& b) {
    StoreGlyph(b);
    Invalidate();
}

void TSpeedButton::Paint(TCanvas& canvas) { DrawButtonFace(canvas, FaceOf(*this, caption_, false), Down(), false); }

void TSpeedButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == TMouseButton::mbLeft) {
        down_ = inside_ = true;
        Invalidate();
    }
    TGraphicControl::MouseDown(button, shift, x, y);
}

void TSpeedButton::MouseMove(TShiftState shift, int x, int y) {
    const bool inside = x >= 0 && y >= 0 && x < width_ && y < height_;
    if (down_ && inside != inside_) {
        inside_ = inside;
        Invalidate();
    }
    TGraphicControl::MouseMove(shift, x, y);
}

void TSpeedButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == TMouseButton::mbLeft && down_) {
        down_ = false;
        Invalidate();
    }
    TGraphicControl::MouseUp(button, shift, x, y); // the parent clicks it when released over it
}
