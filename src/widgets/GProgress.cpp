#include "widgets/GProgress.h"

#include <cstdint>

#include "toolkit/SysUtils.h"

void TGProgressCore::SetPosition(int value) {
    if (value < min_) value = min_;
    if (value > max_) value = max_;
    position_ = value;
    if (position_ < lastPosition_) {
        // Going down: the blocks on screen are too many, so erase and repaint everything.
        InvalidateBar();
    } else {
        partialPaint_ = true;
        RepaintBarNow();
    }
    lastPosition_ = position_;
}

void TGProgressCore::SetMax(int value) {
    if (value < 0)
        ShowRangeMessage(GProgressRangeMessage);
    else
        max_ = value;
    if (max_ < position_) SetPosition(max_);
    RepaintBarNow();
}

void TGProgressCore::SetMin(int value) {
    if (value < 0)
        ShowRangeMessage(GProgressRangeMessage);
    else
        min_ = value;
    if (position_ < min_) SetPosition(min_);
    RepaintBarNow();
}

void TGProgressCore::SetStep(int value) {
    if (value < 0)
        ShowRangeMessage(GProgressRangeMessage);
    else
        step_ = value;
}

int TGProgressCore::LastBlock(int width) const {
    // An empty or inverted range has nothing to show (and would divide by zero).
    if (max_ <= min_) return -1;
    // 64-bit product: Position - Min may be anything up to 2^31 - 1.
    long long n = (static_cast<long long>(position_ - min_) * width - 4) / (static_cast<long long>(max_) - min_);
    return static_cast<int>(n / 10);
}

TColor TGProgressCore::BlockColor(int i, int width) const {
    int endBlock = width / 10;
    if (i == endBlock) return colorEnd_;
    TColor s = ColorToRGB(StartColor());
    TColor e = ColorToRGB(colorEnd_);
    int steps = endBlock - 1;
    // Bars narrower than 20 pixels have no gradient steps: their first block keeps the start
    // colour (the rounding divide would answer -1 for a zero divisor).
    auto channel = [&](int sc, int ec) {
        int v = steps > 0 ? sc + MulDiv(i, ec - sc, steps) : sc;
        return v & 0xFF;
    };
    return RGBColor(channel(GetRValue(s), GetRValue(e)), channel(GetGValue(s), GetGValue(e)),
                    channel(GetBValue(s), GetBValue(e)));
}

TRect TGProgressCore::BlockRect(int i, int height) const {
    int offset = solid_ ? 0 : 2;
    int w = solid_ ? 10 : 8;
    int left = i == 0 ? 2 : i * 10 + offset;
    return Rect(left, 2, left + w, height - 2);
}

void TGProgressCore::DrawBlock(TCanvas& canvas, int i, int width, int height) {
    if (position_ == min_) return;
    canvas.Brush.Style = TBrushStyle::bsSolid;
    canvas.Brush.Color = gradientBar_ ? BlockColor(i, width) : StartColor();
    canvas.FillRect(BlockRect(i, height));
    // A block may have covered the right frame line; draw it again.
    canvas.Pen.Color = frameColor2_;
    canvas.Pen.Style = TPenStyle::psSolid;
    canvas.MoveTo(width - 1, 1);
    canvas.LineTo(width - 1, height - 1);
}

void TGProgressCore::DrawBlocks(TCanvas& canvas, int width, int height) {
    canvas.PushClip(Rect(0, 0, width, height));
    int last = LastBlock(width);
    for (int i = 0; i <= last; ++i) DrawBlock(canvas, i, width, height);
    canvas.PopClip();
}

void TGProgressCore::PaintBar(TCanvas& canvas, int width, int height) {
    canvas.PushClip(Rect(0, 0, width, height));
    if (!transparent_) {
        canvas.Brush.Style = TBrushStyle::bsSolid;
        canvas.Brush.Color = backgroundColor_;
        canvas.FillRect(Rect(1, 1, width - 1, height - 1));
    }
    DrawBlocks(canvas, width, height);
    canvas.Pen.Style = TPenStyle::psSolid;
    canvas.Pen.Color = frameColor1_;
    canvas.Polyline({{0, height}, {0, 0}, {width, 0}});
    canvas.Pen.Color = frameColor2_;
    canvas.Polyline({{width - 1, 1}, {width - 1, height - 1}, {0, height - 1}});
    canvas.PopClip();
    partialPaint_ = false;
}

void TGProgressCore::RepaintBar(TCanvas& canvas, int width, int height) {
    if (partialPaint_)
        DrawBlocks(canvas, width, height);
    else
        PaintBar(canvas, width, height);
}
