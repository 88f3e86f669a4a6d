// Toolkit controls as seen by the form resizer.
#include "toolkit/StdCtrls.h"
#include "widgets/Easysize.h"

namespace {

class TControlResizable : public IResizableControl {
public:
    explicit TControlResizable(TControl* c) : c_(c) {}
    TComponent* Component() const override { return c_; }
    TRect ControlBounds() const override { return c_->BoundsRect(); }
    void SetControlBounds(int l, int t, int w, int h) override { c_->SetBounds(l, t, w, h); }
    bool FillsClient() const override { return c_->Align() == TAlign::alClient; }
    bool IsLabel() const override { return dynamic_cast<TLabel*>(c_) != nullptr; }
    bool HasFont() const override { return dynamic_cast<IFontProperty*>(c_) != nullptr; }
    TFont ControlFont() const override {
        auto* f = dynamic_cast<IFontProperty*>(c_);
        return f ? f->GetFontProperty() : TFont{};
    }
    void SetControlFont(const TFont& font) override {
        if (auto* f = dynamic_cast<IFontProperty*>(c_)) f->SetFontProperty(font);
    }
    bool HasAutoSize() const override { return dynamic_cast<IAutoSizeProperty*>(c_) != nullptr; }
    bool ControlAutoSize() const override {
        auto* a = dynamic_cast<IAutoSizeProperty*>(c_);
        return a && a->GetAutoSizeProperty();
    }
    void SetControlAutoSize(bool v) override {
        if (auto* a = dynamic_cast<IAutoSizeProperty*>(c_)) a->SetAutoSizeProperty(v);
    }
    void RefreshControl() override { c_->Repaint(); }

private:
    TControl* c_;
};

} // namespace

// Toolkit controls through the adapter above; other components when they implement it.
std::unique_ptr<IResizableControl> DefaultResizableOf(TComponent* c) {
    if (auto* control = dynamic_cast<TControl*>(c)) return std::make_unique<TControlResizable>(control);
    return DirectResizableOf(c);
}
