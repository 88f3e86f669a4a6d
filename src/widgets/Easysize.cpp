#include "widgets/Easysize.h"

#include <cmath>
#include <limits>

namespace {

// Forwards to a component that implements the interface itself.
class TDirectResizable : public IResizableControl {
public:
    explicit TDirectResizable(IResizableControl* c) : c_(c) {}
    TComponent* Component() const override { return c_->Component(); }
    TRect ControlBounds() const override { return c_->ControlBounds(); }
    void SetControlBounds(int l, int t, int w, int h) override { c_->SetControlBounds(l, t, w, h); }
    bool FillsClient() const override { return c_->FillsClient(); }
    bool IsLabel() const override { return c_->IsLabel(); }
    bool HasFont() const override { return c_->HasFont(); }
    TFont ControlFont() const override { return c_->ControlFont(); }
    void SetControlFont(const TFont& f) override { c_->SetControlFont(f); }
    bool HasAutoSize() const override { return c_->HasAutoSize(); }
    bool ControlAutoSize() const override { return c_->ControlAutoSize(); }
    void SetControlAutoSize(bool v) override { c_->SetControlAutoSize(v); }
    void RefreshControl() override { c_->RefreshControl(); }

private:
    IResizableControl* c_;
};

} // namespace

std::unique_ptr<IResizableControl> DirectResizableOf(TComponent* c) {
    if (auto* r = dynamic_cast<IResizableControl*>(c)) return std::make_unique<TDirectResizable>(r);
    return nullptr;
}

int RoundHalfEven(double v) {
    if (std::isnan(v)) return 0;
    constexpr double lo = std::numeric_limits<int>::min(), hi = std::numeric_limits<int>::max();
    if (v <= lo) return std::numeric_limits<int>::min();
    if (v >= hi) return std::numeric_limits<int>::max();
    double f = std::floor(v);
    double diff = v - f;
    if (diff > 0.5)
        f += 1;
    else if (diff == 0.5 && std::fmod(f, 2.0) != 0)
        f += 1;
    return static_cast<int>(f);
}

// ---------------------------------------------------------------- TSingleResizer

TSingleResizer::TSingleResizer(std::unique_ptr<IResizableControl> control, IResizableControl* owner, bool scaleFont,
                               int minFontSize, int maxFontSize) {
    if (!control) throw EResizerException("TSingleResizer created without a component link");
    if (!owner) throw EResizerException("TSingleResizer created without a parent form link");
    control_ = std::move(control);
    component_ = control_->Component();
    ScaleWidth = !control_->IsLabel();
    ScaleFont = scaleFont;
    MinFontSize = minFontSize;
    MaxFontSize = maxFontSize;
    TRect b = control_->ControlBounds();
    TRect o = owner->ControlBounds();
    InitialHeight = b.Height();
    OwnerInitialHeight = o.Height();
    InitialLeft = b.Left;
    InitialTop = b.Top;
    InitialWidth = b.Width();
    OwnerInitialWidth = o.Width();
    HasFont = control_->HasFont();
    InitialFontSize = HasFont ? control_->ControlFont().Size() : 0;
}

void TSingleResizer::ScaleTo(double h, double w, double hr, double wr) {
    if (!control_ || control_->FillsClient()) return;
    IResizableControl& c = *control_;
    TRect b = c.ControlBounds();
    int left = b.Left, top = b.Top, width = b.Width(), height = b.Height();

    if (RoundHalfEven(h) == OwnerInitialHeight && RoundHalfEven(w) == OwnerInitialWidth) {
        // Back at the recorded size: the recorded values exactly, no rounding drift.
        if (ScaleHeight) height = InitialHeight;
        if (ScaleLeft) left = InitialLeft;
        if (ScaleTop) top = InitialTop;
        if (ScaleWidth) width = InitialWidth;
        if (HasFont && ScaleFont) {
            TFont f = c.ControlFont();
            f.SetSize(InitialFontSize);
            c.SetControlFont(f);
        }
        c.SetControlBounds(left, top, width, height);
        return;
    }

    if (ScaleHeight) height = RoundHalfEven(InitialHeight * hr);
    if (ScaleWidth) width = RoundHalfEven(InitialWidth * wr);
    if (ScaleLeft) left = RoundHalfEven(InitialLeft * wr);
    if (ScaleTop) top = RoundHalfEven(InitialTop * hr);
    if (HasFont && ScaleFont) {
        int size = RoundHalfEven(InitialFontSize * hr);
        if (size > MaxFontSize) size = MaxFontSize;
        if (size < MinFontSize) size = MinFontSize; // the minimum wins over the maximum
        TFont f = c.ControlFont();
        f.SetSize(size);
        c.SetControlFont(f);
    }
    bool label = c.IsLabel() && c.HasAutoSize();
    bool autoSize = label && c.ControlAutoSize();
    if (label) c.SetControlAutoSize(false);
    c.SetControlBounds(left, top, width, height);
    if (label) {
        // The label keeps its scaled position and height; its width follows its text.
        c.SetControlAutoSize(true);
        c.RefreshControl();
        c.SetControlAutoSize(autoSize);
    }
}

// ---------------------------------------------------------------- TFormResizer

TFormResizer::TFormResizer(TComponent* owner, TResizableLookup lookup) : TComponent(owner), lookup_(std::move(lookup)) {
    if (!owner) throw EResizerException("TFormResizer created without an owner");
    if (lookup_) owner_ = lookup_(owner);
    if (!owner_) throw EResizerException("TFormResizer owner must be a panel or form");
}

TFormResizer::~TFormResizer() {
    for (auto& r : resizers_)
        if (TComponent* c = r->Control()) RemoveFreeNotification(c);
    resizers_.clear();
}

void TFormResizer::NotifyPostResize(TObject* sender, TComponent* control, double heightRatio, double widthRatio) {
    if (OnPostResize) OnPostResize(sender, control, heightRatio, widthRatio);
}

void TFormResizer::RecordLayout() {
    if (layoutRecorded_) return;
    layoutRecorded_ = true;
    TRect o = owner_->ControlBounds();
    baseHeight_ = o.Height();
    baseWidth_ = o.Width();
    TComponent* owner = Owner();
    for (int i = 0; i < owner->ComponentCount(); ++i) {
        TComponent* c = owner->Components(i);
        if (c == this) continue;
        std::unique_ptr<IResizableControl> control = lookup_(c);
        if (!control) continue;
        resizers_.push_back(
            std::make_unique<TSingleResizer>(std::move(control), owner_.get(), ResizeFonts, MinFontSize, MaxFontSize));
        // Hear of the control's destruction, so its entry forgets it.
        FreeNotification(c);
    }
}

void TFormResizer::ScaleControls() {
    TRect o = owner_->ControlBounds();
    if (EnforceMinSize) {
        if (o.Height() < baseHeight_) owner_->SetControlBounds(o.Left, o.Top, o.Width(), baseHeight_);
        o = owner_->ControlBounds();
        if (o.Width() < baseWidth_) owner_->SetControlBounds(o.Left, o.Top, baseWidth_, o.Height());
        o = owner_->ControlBounds();
    }
    double h = o.Height(), w = o.Width();
    // A dimension recorded as zero cannot be scaled from: it keeps a ratio of 1.
    double hr = baseHeight_ > 0 ? h / baseHeight_ : 1.0;
    double wr = baseWidth_ > 0 ? w / baseWidth_ : 1.0;
    for (auto& r : resizers_) {
        r->ScaleTo(h, w, hr, wr);
        NotifyPostResize(this, r->Control(), hr, wr);
    }
}

void TFormResizer::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation != TOperation::opRemove) return;
    for (auto& r : resizers_)
        if (r->Control() == component) r->Forget();
}
