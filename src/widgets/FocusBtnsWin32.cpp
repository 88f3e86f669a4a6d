#include "widgets/FocusBtnsWin32.h"

#include "toolkit/GdiCanvas.h"

TFocusButton::TFocusButton(TComponent* owner) : TButton(owner) {}

TFocusButton::~TFocusButton() = default;

void TFocusButton::CreateParams(TCreateParams& params) {
    TButton::CreateParams(params);
    params.Style &= ~static_cast<DWORD>(BS_DEFPUSHBUTTON);
    params.Style |= BS_OWNERDRAW;
}

void TFocusButton::WindowCreated() {
    TButton::WindowCreated();
    look_.IsActive = Default();
}

void TFocusButton::FocusChangedInWindow(TWinControl* target) {
    // The dark frame goes to the push button receiving the focus, or back to the default button
    // when the focus goes to anything else.
    if (auto* b = dynamic_cast<TButtonControl*>(target); b && b->IsPushButton())
        look_.IsActive = target == this;
    else
        look_.IsActive = Default();
    Invalidate();
}

bool TFocusButton::ReflectedMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (msg != WM_DRAWITEM) return TButton::ReflectedMessage(msg, wParam, lParam, result);
    auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
    TGdiCanvas canvas(dis->hDC);
    canvas.Font = Font();
    canvas.Brush.Color = Color();
    canvas.Brush.Style = TBrushStyle::bsSolid;
    TSize client{dis->rcItem.right - dis->rcItem.left, dis->rcItem.bottom - dis->rcItem.top};
    DrawFocusButton(canvas, Caption(), look_, (dis->itemState & ODS_SELECTED) != 0, (dis->itemState & ODS_FOCUS) != 0, Enabled(),
                    client);
    result = TRUE;
    return true;
}

bool TFocusButton::WndProc(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
    case BM_SETSTYLE:
        // The form (or the dialog manager) marking the default button: the window stays
        // owner-drawn, only the picture changes.
        Invalidate();
        result = 0;
        return true;
    case WM_MOUSEMOVE:
        if (!look_.MouseInside) {
            look_.MouseInside = true;
            TRACKMOUSEEVENT tme{sizeof(TRACKMOUSEEVENT), TME_LEAVE, handle_, 0};
            TrackMouseEvent(&tme);
            Invalidate();
        }
        break;
    case WM_MOUSELEAVE:
        look_.MouseInside = false;
        Invalidate();
        break;
    default: break;
    }
    return TButton::WndProc(msg, wParam, lParam, result);
}

void TFocusButton::SetEnabled(bool v) {
    TButton::SetEnabled(v);
    Invalidate();
}

void TFocusButton::AdjustSize() {
    if (adjusting_ || Loading() || !parent_ || !look_.AutoSize) {
        Invalidate();
        return;
    }
    adjusting_ = true;
    TSize size{Width(), Height()};
    {
        TGdiCanvas canvas(MeasuringDC());
        canvas.Font = Font();
        TSize client{ClientWidth(), ClientHeight()};
        size = FocusButtonAutoSize(canvas, Caption(), look_, client);
    }
    SetBounds(Left(), Top(), size.cx, size.cy);
    adjusting_ = false;
    Invalidate();
}

namespace {
template <class T> bool Change(T& field, T v) {
    if (field == v) return false;
    field = v;
    return true;
}
} // namespace

void TFocusButton::SetAutoSize(bool v) {
    if (Change(look_.AutoSize, v)) AdjustSize();
}
void TFocusButton::SetHotTrack(bool v) {
    if (Change(look_.HotTrack, v)) AdjustSize();
}
void TFocusButton::SetShowFocus(bool v) {
    if (Change(look_.ShowFocus, v)) AdjustSize();
}
void TFocusButton::SetWordWrap(bool v) {
    if (Change(look_.WordWrap, v)) AdjustSize();
}
void TFocusButton::SetLayout(TTextLayout v) {
    if (Change(look_.Layout, v)) Invalidate();
}
void TFocusButton::SetShadowColor(TColor v) {
    if (Change(look_.ShadowColor, v)) Invalidate();
}
void TFocusButton::SetShadowPos(TShadowPos v) {
    if (Change(look_.ShadowPos, v)) Invalidate();
}
void TFocusButton::SetTextAlignment(TAlignment v) {
    if (!Change(alignment_, v)) return;
    look_.AlignmentFlag = v == TAlignment::taLeftJustify ? dt::Left : v == TAlignment::taRightJustify ? dt::Right : dt::Center;
    Invalidate();
}
