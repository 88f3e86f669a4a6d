// The focus button: an owner-drawn push button (see FocusBtns.h for the drawing).
#pragma once

#include "toolkit/StdCtrls.h"
#include "widgets/FocusBtns.h"

class TFocusButton : public TButton {
public:
    explicit TFocusButton(TComponent* owner);
    ~TFocusButton() override;

    // Draws the dark outer frame of the active button: the focused push button, or the default
    // one while the focus is elsewhere.
    bool IsActive() const { return look_.IsActive; }
    bool MouseInside() const { return look_.MouseInside; }

    bool AutoSize() const { return look_.AutoSize; }
    void SetAutoSize(bool v);
    bool HotTrack() const { return look_.HotTrack; }
    void SetHotTrack(bool v);
    TTextLayout Layout() const { return look_.Layout; }
    void SetLayout(TTextLayout v);
    TColor ShadowColor() const { return look_.ShadowColor; }
    void SetShadowColor(TColor v);
    TShadowPos ShadowPos() const { return look_.ShadowPos; }
    void SetShadowPos(TShadowPos v);
    bool ShowFocus() const { return look_.ShowFocus; }
    void SetShowFocus(bool v);
    TAlignment TextAlignment() const { return alignment_; }
    void SetTextAlignment(TAlignment v);
    bool WordWrap() const { return look_.WordWrap; }
    void SetWordWrap(bool v);

    // Sizes the button to its caption when AutoSize is on (not while loading).
    void AdjustSize();
    // While a form description sets the button up, its designed size is kept; ending the
    // loading sizes it to its caption once.
    void SetEnabled(bool v) override;

    bool WndProc(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void WindowCreated() override;
    bool ReflectedMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void Resized() override { AdjustSize(); }
    void FontChanged() override { AdjustSize(); }
    void CaptionChanged() override { AdjustSize(); }
    void Loaded() override { AdjustSize(); }
    // The focus moved to `gaining` somewhere in this button's window.
    void FocusChangedInWindow(TWinControl* gaining) override;

private:
    TFocusButtonLook look_;
    TAlignment alignment_ = TAlignment::taCenter;
    bool adjusting_ = false;
};
