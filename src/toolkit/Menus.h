// Pop-up menus. Win32 only.
#pragma once

#include "toolkit/Win32.h"

#include <string>
#include <vector>

#include "toolkit/Classes.h"

class TMenuItem : public TComponent {
public:
    explicit TMenuItem(TComponent* owner) : TComponent(owner) {}
    std::string Caption; // "&" marks the access key; "-" is a separator
    bool Enabled = true;
    bool Visible = true;
    TNotifyEvent OnClick;
    void Click() {
        if (OnClick) OnClick(this);
    }
};

class TPopupMenu : public TComponent {
public:
    explicit TPopupMenu(TComponent* owner) : TComponent(owner) {}
    // Items are owned by the menu; Add creates one.
    TMenuItem* Add(const std::string& name, const std::string& caption, TNotifyEvent onClick);
    int Count() const { return static_cast<int>(items_.size()); }
    TMenuItem* Items(int i) const { return items_.at(static_cast<size_t>(i)); }
    // Shows the menu at a screen point and runs the chosen item's OnClick after it closes.
    void Popup(int x, int y);
    // The menu currently open, if any (tests close it with WM_CANCELMODE).
    static HMENU OpenMenu();
    TNotifyEvent OnPopup;
    // The control the menu was last opened for (its window owns the menu while it is open).
    TComponent* PopupComponent = nullptr;

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    std::vector<TMenuItem*> items_;
};
