// Gradient progress bar: a row of small blocks, 10 pixels apart, coloured along a gradient from
// the start colour to ColorEnd, inside a two-colour bevelled frame.
//
// TGProgressCore holds the bar's state, its property rules and all of its drawing; it draws
// through TCanvas and reaches its host control only through the hooks below, so the same code
// paints the windowless control (GProgressWin32.h) and a memory canvas in tests.
#pragma once

#include <string>

#include "toolkit/Graphics.h"

// Text of the message shown when Min, Max or Step is given a negative value.
inline constexpr const char* GProgressRangeMessage = "Value must be between 0 and 2147483647";

class TGProgressCore {
public:
    TGProgressCore() = default;
    virtual ~TGProgressCore() = default;
    TGProgressCore(const TGProgressCore&) = delete;
    TGProgressCore& operator=(const TGProgressCore&) = delete;

    int Position() const { return position_; }
    void SetPosition(int value);
    int Min() const { return min_; }
    void SetMin(int value);
    int Max() const { return max_; }
    void SetMax(int value);
    // Stored only; no operation of the bar uses it.
    int Step() const { return step_; }
    void SetStep(int value);

    TColor ColorEnd() const { return colorEnd_; }
    void SetColorEnd(TColor c) { StoreAndInvalidate(colorEnd_, c); }
    TColor BackgroundColor() const { return backgroundColor_; }
    void SetBackgroundColor(TColor c) { StoreAndInvalidate(backgroundColor_, c); }
    TColor FrameColor1() const { return frameColor1_; }
    void SetFrameColor1(TColor c) { StoreAndInvalidate(frameColor1_, c); }
    TColor FrameColor2() const { return frameColor2_; }
    void SetFrameColor2(TColor c) { StoreAndInvalidate(frameColor2_, c); }
    bool GradientBar() const { return gradientBar_; }
    void SetGradientBar(bool v) { StoreAndInvalidate(gradientBar_, v); }
    bool Solid() const { return solid_; }
    void SetSolid(bool v) { StoreAndInvalidate(solid_, v); }
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool v) { StoreAndInvalidate(transparent_, v); }

    // Set by every Position assignment that does not go down; cleared by every full paint.
    bool PartialPaint() const { return partialPaint_; }
    int LastPosition() const { return lastPosition_; }

    // Number of the last block to draw for the current position and width; below 0: none.
    int LastBlock(int width) const;
    // Colour of block i on a bar `width` pixels wide.
    TColor BlockColor(int i, int width) const;
    // Rectangle of block i (right and bottom exclusive), before clipping to the bar.
    TRect BlockRect(int i, int height) const;

    // Full paint of a bar of the given size onto `canvas` (origin at the bar's top-left).
    void PaintBar(TCanvas& canvas, int width, int height);
    // The immediate repaint: only adds blocks while PartialPaint is set, else a full paint.
    void RepaintBar(TCanvas& canvas, int width, int height);

protected:
    // Hooks to the host control.
    virtual TColor StartColor() const = 0; // the control's Color
    virtual void InvalidateBar() = 0;      // full repaint later
    virtual void RepaintBarNow() = 0;      // immediate repaint (calls RepaintBar when visible)
    virtual void ShowRangeMessage(const std::string& text) = 0;

private:
    template <class T> void StoreAndInvalidate(T& field, T value) {
        field = value;
        InvalidateBar();
    }
    void DrawBlock(TCanvas& canvas, int i, int width, int height);
    void DrawBlocks(TCanvas& canvas, int width, int height);

    TColor colorEnd_ = clBtnFace;
    int step_ = 10;
    int max_ = 100;
    int min_ = 0;
    int position_ = 0;
    TColor backgroundColor_ = clBtnFace;
    TColor frameColor1_ = clBtnShadow;
    TColor frameColor2_ = clBtnHighlight;
    bool partialPaint_ = false;
    bool gradientBar_ = true;
    bool solid_ = false;
    bool transparent_ = false;
    int lastPosition_ = 0;
};
