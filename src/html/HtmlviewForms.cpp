#include "html/HtmlviewForms.h"

#include <algorithm>

#include "toolkit/StdCtrls.h"

namespace {

// The focus and Enter reports every form control window gives its widget.
template <class Base> class TFormWindow : public Base {
public:
    TFormWindow(TFormWidget* widget, bool enterSubmits) : Base(nullptr), widget_(widget), enterSubmits_(enterSubmits) {}
    bool WndProc(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
        switch (msg) {
        case WM_SETFOCUS: {
            bool handled = Base::WndProc(msg, wParam, lParam, result);
            if (widget_->OnFocus) widget_->OnFocus();
            return handled;
        }
        case WM_KILLFOCUS: {
            bool handled = Base::WndProc(msg, wParam, lParam, result);
            if (widget_->OnBlur) widget_->OnBlur();
            return handled;
        }
        case WM_GETDLGCODE:
            if (enterSubmits_) {
                result = Base::DefaultHandler(msg, wParam, lParam) | DLGC_WANTALLKEYS;
                return true;
            }
            break;
        case WM_KEYDOWN:
            if (enterSubmits_ && wParam == VK_RETURN) {
                if (widget_->OnReturn) widget_->OnReturn();
                result = 0;
                return true;
            }
            break;
        case WM_CHAR:
            if (enterSubmits_ && wParam == '\r') { // no beep for the Enter that submitted
                result = 0;
                return true;
            }
            break;
        default: break;
        }
        return Base::WndProc(msg, wParam, lParam, result);
    }

private:
    TFormWidget* widget_;
    bool enterSubmits_;
};

class TPasswordEdit : public TEdit {
public:
    using TEdit::TEdit;
    bool Password = false;

protected:
    void CreateParams(TCreateParams& p) override {
        TEdit::CreateParams(p);
        if (Password) p.Style |= ES_PASSWORD;
        p.ExStyle |= WS_EX_CLIENTEDGE;
    }
    void WindowCreated() override {
        TEdit::WindowCreated();
        if (MaxLength > 0) SendMessageA(handle_, EM_LIMITTEXT, static_cast<WPARAM>(MaxLength), 0);
    }
};

// A radio button that checks itself when clicked and leaves its neighbours alone: the form decides
// which radios belong together (by name), not the order of the windows.
class TRadioBox : public TCheckBox {
public:
    using TCheckBox::TCheckBox;
    void Click() override {
        SetChecked(true);
        TButtonControl::Click();
    }

protected:
    void CreateParams(TCreateParams& p) override {
        TCheckBox::CreateParams(p);
        p.Style = (p.Style & ~static_cast<DWORD>(BS_AUTOCHECKBOX)) | BS_RADIOBUTTON;
    }
};

class TMultiListBox : public TListBox {
public:
    using TListBox::TListBox;
    bool Multiple = false;

protected:
    void CreateParams(TCreateParams& p) override {
        TListBox::CreateParams(p);
        if (Multiple) p.Style |= LBS_EXTENDEDSEL;
        p.ExStyle |= WS_EX_CLIENTEDGE;
    }
};

class TScrollMemo : public TMemo {
public:
    using TMemo::TMemo;

protected:
    void CreateParams(TCreateParams& p) override {
        TMemo::CreateParams(p);
        p.Style |= WS_VSCROLL | (WordWrap ? 0 : WS_HSCROLL);
        p.ExStyle |= WS_EX_CLIENTEDGE;
    }
};

class TWinFormWidget : public TFormWidget {
public:
    TWinFormWidget(TWinControl* panel, const TFormWidgetDesc& desc) : kind_(desc.Kind) {
        const bool edit = desc.Kind == TFormWidgetKind::Edit;
        switch (desc.Kind) {
        case TFormWidgetKind::Edit: {
            auto* e = new TFormWindow<TPasswordEdit>(this, true);
            e->Password = desc.Password;
            e->MaxLength = desc.MaxLength;
            control_ = edit_ = e;
            break;
        }
        case TFormWidgetKind::Button: control_ = new TFormWindow<TButton>(this, false); break;
        case TFormWidgetKind::CheckBox: control_ = check_ = new TFormWindow<TCheckBox>(this, false); break;
        case TFormWidgetKind::Radio: control_ = check_ = new TFormWindow<TRadioBox>(this, false); break;
        case TFormWidgetKind::ListBox: {
            auto* l = new TFormWindow<TMultiListBox>(this, false);
            l->Multiple = desc.MultiSelect;
            control_ = list_ = l;
            break;
        }
        case TFormWidgetKind::ComboBox: control_ = list_ = new TFormWindow<TComboBox>(this, false); break;
        case TFormWidgetKind::Memo: {
            auto* m = new TFormWindow<TScrollMemo>(this, false);
            m->WordWrap = desc.WordWrap;
            control_ = memo_ = m;
            break;
        }
        }
        (void)edit;
        multiple_ = desc.MultiSelect;
        control_->TabStop = true;
        if (desc.Kind == TFormWidgetKind::Button) control_->SetCaption(desc.Caption);
        TFont f = desc.Font;
        if (desc.Kind == TFormWidgetKind::Button || desc.Kind == TFormWidgetKind::CheckBox || desc.Kind == TFormWidgetKind::Radio)
            f.Color = clBtnText;
        else
            control_->SetColor(clWindow), f.Color = clWindowText;
        control_->SetFont(f);
        control_->OnClick = [this](TObject*) {
            if (OnClick) OnClick();
        };
        control_->SetBounds(0, -400, 40, 20);
        // Made hidden: placing the document's controls shows those in view. On a long page
        // nearly all are out of view, and each would otherwise be shown here only to be hidden
        // again at the first placing.
        control_->SetVisible(false);
        control_->SetParent(panel);
        control_->HandleNeeded();
    }
    ~TWinFormWidget() override { delete control_; }

    void SetBounds(int left, int top, int width, int height) override { control_->SetBounds(left, top, width, height); }
    TRect Bounds() const override { return control_->BoundsRect(); }
    void SetClientSize(int width, int height) override {
        if (kind_ == TFormWidgetKind::ComboBox) {
            control_->SetWidth(width); // the closed box is as high as its font makes it
            return;
        }
        RECT r{0, 0, width, height};
        HWND h = control_->Handle();
        const DWORD style = static_cast<DWORD>(GetWindowLongA(h, GWL_STYLE));
        AdjustWindowRectEx(&r, style, FALSE, static_cast<DWORD>(GetWindowLongA(h, GWL_EXSTYLE)));
        // The frame is counted above; the scroll bars take their room from the client area too.
        const int bars = (style & WS_HSCROLL) ? GetSystemMetrics(SM_CYHSCROLL) : 0;
        const int vbar = (style & WS_VSCROLL) && kind_ == TFormWidgetKind::Memo ? GetSystemMetrics(SM_CXVSCROLL) : 0;
        control_->SetBounds(control_->Left(), control_->Top(), r.right - r.left + vbar, r.bottom - r.top + bars);
    }
    void SetVisible(bool v) override { control_->SetVisible(v); }
    bool Visible() const override { return control_->Visible(); }
    bool Focused() const override { return control_->Focused(); }
    void SetColor(TColor c) override { control_->SetColor(c); }
    std::string Text() const override {
        if (edit_) return edit_->Text();
        return control_->Caption();
    }
    void SetText(const std::string& s) override {
        if (edit_)
            edit_->SetText(s);
        else
            control_->SetCaption(s);
    }
    bool Checked() const override { return check_ && check_->Checked(); }
    void SetChecked(bool v) override {
        if (check_) check_->SetChecked(v);
    }
    void SetItems(const std::vector<std::string>& items) override {
        if (list_) list_->SetItems(items);
    }
    int Count() const override { return list_ ? list_->Count() : 0; }
    int ItemIndex() const override {
        if (!list_) return -1;
        if (multiple_) return static_cast<int>(SendMessageA(Handle(), LB_GETCARETINDEX, 0, 0));
        return list_->ItemIndex();
    }
    void SetItemIndex(int i) override {
        if (!list_) return;
        if (multiple_)
            SendMessageA(Handle(), LB_SETCARETINDEX, static_cast<WPARAM>(i), FALSE);
        else
            list_->SetItemIndex(i);
    }
    bool Selected(int i) const override {
        if (!list_) return false;
        if (multiple_) return SendMessageA(Handle(), LB_GETSEL, static_cast<WPARAM>(i), 0) > 0;
        return list_->ItemIndex() == i;
    }
    void SetSelected(int i, bool v) override {
        if (!list_) return;
        if (multiple_)
            SendMessageA(Handle(), LB_SETSEL, v ? TRUE : FALSE, static_cast<LPARAM>(i));
        else if (v)
            list_->SetItemIndex(i);
    }
    void SetTopIndex(int i) override {
        if (kind_ == TFormWidgetKind::ListBox) SendMessageA(Handle(), LB_SETTOPINDEX, static_cast<WPARAM>(i), 0);
    }
    std::vector<std::string> Lines() const override {
        // The lines as the memo shows them: with word wrap, the wrapped ones (EM_GETLINE).
        std::vector<std::string> out;
        if (!memo_) return out;
        HWND h = Handle();
        const int n = static_cast<int>(SendMessageA(h, EM_GETLINECOUNT, 0, 0));
        for (int i = 0; i < n; ++i) {
            const int start = static_cast<int>(SendMessageA(h, EM_LINEINDEX, static_cast<WPARAM>(i), 0));
            const int len = start < 0 ? 0 : static_cast<int>(SendMessageA(h, EM_LINELENGTH, static_cast<WPARAM>(start), 0));
            std::string line(static_cast<size_t>(std::max(len, 1)) + 1, '\0');
            *reinterpret_cast<WORD*>(line.data()) = static_cast<WORD>(std::min<size_t>(line.size(), 0xFFFF));
            const int got =
                static_cast<int>(SendMessageA(h, EM_GETLINE, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(line.data())));
            line.resize(static_cast<size_t>(std::clamp(got, 0, len)));
            out.push_back(line);
        }
        // An empty memo still reports one (empty) line.
        if (out.size() == 1 && out[0].empty()) out.clear();
        return out;
    }
    void SetLines(const std::vector<std::string>& lines) override {
        if (!memo_) return;
        std::string text;
        for (size_t i = 0; i < lines.size(); ++i) text += (i ? "\r\n" : "") + lines[i];
        memo_->SetText(text);
    }
    void CaretToStart() override {
        if (memo_) SendMessageA(Handle(), EM_SETSEL, 0, 0);
    }

private:
    HWND Handle() const { return control_->Handle(); }
    TFormWidgetKind kind_;
    bool multiple_ = false;
    TWinControl* control_ = nullptr;
    TEdit* edit_ = nullptr;
    TCheckBox* check_ = nullptr;
    TListControl* list_ = nullptr;
    TMemo* memo_ = nullptr;
};

} // namespace

std::unique_ptr<TFormWidget> MakeViewerFormWidget(TWinControl* panel, const TFormWidgetDesc& desc) {
    return std::make_unique<TWinFormWidget>(panel, desc);
}
