// The gradient progress bar as a windowless control painted on its parent.
#pragma once

#include "toolkit/Controls.h"
#include "widgets/GProgress.h"

class TGProgress : public TGraphicControl, public TGProgressCore {
public:
    explicit TGProgress(TComponent* owner);

    void Paint(TCanvas& canvas) override;

protected:
    TColor StartColor() const override { return Color(); }
    void InvalidateBar() override { Invalidate(); }
    void RepaintBarNow() override;
    void ShowRangeMessage(const std::string& text) override;
};
