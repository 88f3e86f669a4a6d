#include "widgets/GProgressWin32.h"

#include "toolkit/Application.h"
#include "toolkit/GdiCanvas.h"

TGProgress::TGProgress(TComponent* owner) : TGraphicControl(owner) {
    width_ = 150;
    height_ = 16;
    color_ = clHighlight;
}

void TGProgress::Paint(TCanvas& canvas) { PaintBar(canvas, Width(), Height()); }

void TGProgress::RepaintBarNow() {
    if (!Visible() || !parent_ || !parent_->HandleAllocated()) return;
    if (!PartialPaint()) {
        Repaint();
        return;
    }
    // Only adding blocks: draw them straight onto the parent's window.
    HWND wnd = parent_->Handle();
    HDC dc = GetDC(wnd);
    if (!dc) return;
    {
        TGdiCanvas canvas(dc);
        canvas.PushOrigin(Left(), Top()); // the bar draws in its own coordinates
        RepaintBar(canvas, Width(), Height());
    }
    ReleaseDC(wnd, dc);
}

void TGProgress::ShowRangeMessage(const std::string& text) {
    if (Application) Application->MessageBox(text, "Error", MB_OK | MB_ICONERROR);
}
