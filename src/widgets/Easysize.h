// Proportional form resizer: records a form's (or panel's) designed layout once and then scales
// every owned control, and optionally its font, by the ratio of the owner's current outer size
// to the recorded one.
//
// The resizer reaches controls through IResizableControl, so it is independent of the window
// toolkit: toolkit controls take part through an adapter (EasysizeWin32.h), and any component
// that implements the interface directly takes part as it is.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "toolkit/Classes.h"
#include "toolkit/Exception.h"
#include "toolkit/Graphics.h"

QV_EXCEPTION(EResizerException, Exception);

// What the resizer needs of a control. Font and AutoSize are optional properties.
class IResizableControl {
public:
    virtual ~IResizableControl() = default;
    // The component behind the control (for removal notifications).
    virtual TComponent* Component() const = 0;
    // Left, top, width and height, as a rectangle.
    virtual TRect ControlBounds() const = 0;
    virtual void SetControlBounds(int left, int top, int width, int height) = 0;
    // Aligned to fill its parent's client area.
    virtual bool FillsClient() const = 0;
    // A label: its width follows its text, so it is never scaled in width.
    virtual bool IsLabel() const = 0;
    virtual bool HasFont() const = 0;
    virtual TFont ControlFont() const = 0;
    virtual void SetControlFont(const TFont& font) = 0;
    virtual bool HasAutoSize() const = 0;
    virtual bool ControlAutoSize() const = 0;
    virtual void SetControlAutoSize(bool value) = 0;
    virtual void RefreshControl() = 0;
};

// Finds the resizable side of a component, or nullptr when it is not a control.
using TResizableLookup = std::function<std::unique_ptr<IResizableControl>(TComponent*)>;
// Components implementing IResizableControl themselves.
std::unique_ptr<IResizableControl> DirectResizableOf(TComponent* c);

// The platform's lookup, defined once per platform: toolkit controls and self-implementing
// components in the Win32 layer (EasysizeWin32.cpp), self-implementing components elsewhere
// (EasysizePosix.cpp). The portable code names no platform.
std::unique_ptr<IResizableControl> DefaultResizableOf(TComponent* c);

// Round to nearest, halves to the even neighbour; kept inside the int range.
int RoundHalfEven(double v);

// Scales one recorded control.
class TSingleResizer {
public:
    TSingleResizer(std::unique_ptr<IResizableControl> control, IResizableControl* owner, bool scaleFont, int minFontSize,
                   int maxFontSize);

    // The component, or nullptr once it is gone.
    TComponent* Control() const { return component_; }
    void Forget() {
        control_.reset();
        component_ = nullptr;
    }
    // Scales to an owner of outer size h x w with ratios hr and wr.
    void ScaleTo(double h, double w, double hr, double wr);

    bool ScaleHeight = true, ScaleLeft = true, ScaleTop = true, ScaleWidth = true;
    bool ScaleFont = false;
    int MinFontSize = 0, MaxFontSize = 0;
    bool HasFont = false;
    int InitialHeight = 0, OwnerInitialHeight = 0;
    int InitialLeft = 0, InitialTop = 0, InitialWidth = 0, OwnerInitialWidth = 0;
    int InitialFontSize = 0;

private:
    std::unique_ptr<IResizableControl> control_;
    // Kept apart from control_: removal notifications arrive while the control is being
    // destroyed, when it must no longer be called.
    TComponent* component_ = nullptr;
};

using TPostResizeEvent = std::function<void(TObject* Sender, TComponent* Control, double HeightRatio, double WidthRatio)>;

class TFormResizer : public TComponent {
public:
    // The owner must be a control (a form or a panel).
    explicit TFormResizer(TComponent* owner, TResizableLookup lookup = DefaultResizableOf);
    ~TFormResizer() override;

    bool ResizeFonts = false;
    int MinFontSize = 8;
    int MaxFontSize = 48;
    bool EnforceMinSize = false;
    TPostResizeEvent OnPostResize;

    virtual void NotifyPostResize(TObject* sender, TComponent* control, double heightRatio, double widthRatio);
    // Records the owner's size and every owned control, once; later calls do nothing.
    virtual void RecordLayout();
    // Scales every recorded control to the owner's current size.
    virtual void ScaleControls();

    int BaseHeight() const { return baseHeight_; }
    int BaseWidth() const { return baseWidth_; }
    bool LayoutRecorded() const { return layoutRecorded_; }
    const std::vector<std::unique_ptr<TSingleResizer>>& Resizers() const { return resizers_; }

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    TResizableLookup lookup_;
    std::unique_ptr<IResizableControl> owner_;
    int baseHeight_ = 0, baseWidth_ = 0;
    std::vector<std::unique_ptr<TSingleResizer>> resizers_;
    bool layoutRecorded_ = false;
};
