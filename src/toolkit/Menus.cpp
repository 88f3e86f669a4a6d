#include "toolkit/Menus.h"

#include <algorithm>

#include "toolkit/Application.h"
#include "toolkit/Forms.h"

namespace {
HMENU g_open = nullptr;
}

TMenuItem* TPopupMenu::Add(const std::string& name, const std::string& caption, TNotifyEvent onClick) {
    auto* item = new TMenuItem(this);
    item->SetName(name);
    item->Caption = caption;
    item->OnClick = std::move(onClick);
    items_.push_back(item);
    return item;
}

void TPopupMenu::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove && component == PopupComponent) PopupComponent = nullptr;
    if (operation == TOperation::opRemove) items_.erase(std::remove(items_.begin(), items_.end(), component), items_.end());
}

HMENU TPopupMenu::OpenMenu() { return g_open; }

void TPopupMenu::Popup(int x, int y) {
    if (OnPopup) OnPopup(this);
    HMENU menu = CreatePopupMenu();
    for (size_t i = 0; i < items_.size(); ++i) {
        TMenuItem* it = items_[i];
        if (!it->Visible) continue;
        if (it->Caption == "-")
            AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        else
            AppendMenuA(menu, MF_STRING | (it->Enabled ? 0 : MF_GRAYED), i + 1, it->Caption.c_str());
    }
    // The menu needs an owner window in the foreground to close when the user clicks elsewhere:
    // the form of the control it opens for, else the active form, else the application window.
    HWND owner = nullptr;
    for (auto* c = dynamic_cast<TControl*>(PopupComponent); c && !owner; c = c->Parent())
        if (!c->Parent())
            if (auto* w = dynamic_cast<TWinControl*>(c); w && w->HandleAllocated()) owner = w->Handle();
    if (!owner && Application && Application->ActiveForm()) owner = Application->ActiveForm()->Handle();
    if (!owner && Application) owner = Application->Handle();
    if (owner) SetForegroundWindow(owner);
    g_open = menu;
    UINT cmd = static_cast<UINT>(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_RIGHTBUTTON, x, y, 0, owner, nullptr));
    g_open = nullptr;
    DestroyMenu(menu);
    if (owner) PostMessageA(owner, WM_NULL, 0, 0);
    if (cmd >= 1 && cmd <= items_.size()) items_[cmd - 1]->Click();
}
