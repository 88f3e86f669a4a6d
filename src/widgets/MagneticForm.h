// Magnetic form rules: how a window is moved and sized by the user. While dragged, an edge near
// a screen edge snaps onto it; the window can be kept on screen; its client area can act as a
// caption; optional resize zones along the client border and a fixed aspect ratio for corner
// sizing. Everything here is pure arithmetic on rectangles; MagneticFormWin32.h hooks it into
// a form's window procedure.
#pragma once

#include <functional>

#include "toolkit/Classes.h"

// Snapping distances in pixels. An edge snaps when Min < distance < Max (strictly).
class TMargin {
public:
    bool Enabled = true;
    int LeftMin = -5, LeftMax = 10;
    int RightMin = -5, RightMax = 10;
    int TopMin = -5, TopMax = 10;
    int BottomMin = -5, BottomMax = 10;
};

// Aspect ratio kept while sizing from a corner. Width and Height recompute AspectRatio;
// AspectRatio resets Width and Height to 100 and 100 / ratio.
class TRatio {
public:
    bool Enabled = false;
    int Width() const { return width_; }
    void SetWidth(int v);
    int Height() const { return height_; }
    void SetHeight(int v);
    float AspectRatio() const { return aspectRatio_; }
    void SetAspectRatio(float v);

private:
    void Recompute();
    int width_ = 0, height_ = 0;
    float aspectRatio_ = 0;
};

class TResize {
public:
    bool Enabled = false;
    TRatio Ratio;
    int BorderWidth = 5;
};

// Sizing edges as the platform numbers them (WMSZ_*).
namespace wmsz {
constexpr int Left = 1, Right = 2, Top = 3, TopLeft = 4, TopRight = 5, Bottom = 6, BottomLeft = 7, BottomRight = 8;
}
// Hit-test answers (HT*).
namespace ht {
constexpr int Client = 1, Caption = 2, Left = 10, Right = 11, Top = 12, TopLeft = 13, TopRight = 14, Bottom = 15, BottomLeft = 16,
              BottomRight = 17;
}

using TOnMovingEvent = std::function<void(TObject* Sender, TRect& Rect)>;

// The behaviour of a magnetic form, without the window it is attached to.
class TMagneticRules {
public:
    TMargin Margin;
    bool AlwaysOnScreen = false;
    bool AlwaysMoveable = false;
    TResize Resize;
    TOnMovingEvent OnMoving;

    // WM_MOVING: edits the drag rectangle in place. `form` is the form's outer size, `screen`
    // the primary screen's size. An assigned OnMoving replaces the built-in rules.
    void Moving(TObject* sender, TRect& rect, TSize form, TSize screen) const;
    // WM_SIZING: keeps the aspect ratio when sizing from a corner.
    void Sizing(int edge, TRect& rect) const;
    // WM_NCHITTEST: `result` is the default answer, `client` the cursor in client coordinates.
    int HitTest(int result, TPoint client, TSize clientSize) const;
};

// The cursor position a WM_NCHITTEST message carries: two signed 16-bit screen coordinates.
inline TPoint PointFromLParam(uint32_t lParam) {
    return TPoint{static_cast<int16_t>(lParam & 0xFFFF), static_cast<int16_t>((lParam >> 16) & 0xFFFF)};
}
