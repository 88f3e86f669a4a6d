#include "toolkit/StdCtrls.h"

#include <vector>

#include "toolkit/Application.h"
#include "toolkit/Forms.h"
#include "toolkit/GdiCanvas.h"
#include "toolkit/SysUtils.h"

// ---------------------------------------------------------------- TLabel

TLabel::TLabel(TComponent* owner) : TGraphicControl(owner) {
    width_ = 65;
    height_ = 17;
}

void TLabel::SetAlignment(TAlignment a) {
    alignment_ = a;
    Invalidate();
}

void TLabel::SetWordWrap(bool v) {
    wordWrap_ = v;
    AdjustBounds();
    Invalidate();
}

void TLabel::SetAutoSize(bool v) {
    autoSize_ = v;
    AdjustBounds();
}

void TLabel::SetTransparent(bool v) {
    transparent_ = v;
    Invalidate();
}

unsigned TLabel::TextFlags() const {
    unsigned f = dt::NoPrefix | dt::ExpandTabs;
    if (wordWrap_) f |= dt::WordBreak;
    if (alignment_ == TAlignment::taCenter)
        f |= dt::Center;
    else if (alignment_ == TAlignment::taRightJustify)
        f |= dt::Right;
    return f;
}

void TLabel::AdjustBounds() {
    if (!autoSize_ || Loading()) return;
    TRect r = Rect(0, 0, wordWrap_ ? width_ : 0x7FFF, 0);
    {
        TGdiCanvas canvas(MeasuringDC());
        canvas.Font = font_;
        // An empty caption still has the height of one line.
        canvas.DrawText(caption_.empty() ? std::string(" ") : caption_, r, TextFlags() | dt::CalcRect);
    }
    int w = wordWrap_ ? width_ : r.Width();
    int left = left_;
    if (!wordWrap_ && alignment_ == TAlignment::taRightJustify) left = left_ + width_ - w;
    SetBounds(left, top_, w, r.Height());
}

void TLabel::Paint(TCanvas& canvas) {
    canvas.Font = font_;
    if (!transparent_) {
        canvas.Brush.Color = color_;
        canvas.Brush.Style = TBrushStyle::bsSolid;
        canvas.FillRect(Rect(0, 0, width_, height_));
    }
    canvas.Brush.Style = TBrushStyle::bsClear;
    TRect r = Rect(0, 0, width_, height_);
    if (!enabled_) {
        canvas.Font.Color = clBtnHighlight;
        TRect s = r;
        s.Offset(1, 1);
        canvas.DrawText(caption_, s, TextFlags());
        canvas.Font.Color = clBtnShadow;
    }
    canvas.DrawText(caption_, r, TextFlags());
}

// ---------------------------------------------------------------- buttons

TForm* TButtonControl::ParentForm() const {
    for (TWinControl* p = parent_; p; p = p->Parent())
        if (auto* f = dynamic_cast<TForm*>(p)) return f;
    return nullptr;
}

void TButtonControl::SetDefault(bool v) {
    default_ = v;
    if (TForm* f = ParentForm()) f->DefaultButton = v ? this : (f->DefaultButton == this ? nullptr : f->DefaultButton);
    if (HandleAllocated()) SendMessageA(handle_, BM_SETSTYLE, v ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

void TButtonControl::SetCancel(bool v) {
    cancel_ = v;
    if (TForm* f = ParentForm()) f->CancelButton = v ? this : (f->CancelButton == this ? nullptr : f->CancelButton);
}

void TButtonControl::Click() {
    if (ModalResult != 0)
        if (TForm* f = ParentForm()) f->SetModalResult(ModalResult);
    TWinControl::Click();
}

bool TButtonControl::ReflectedMessage(UINT msg, WPARAM wParam, LPARAM, LRESULT& result) {
    if (msg == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        Click();
        result = 0;
        return true;
    }
    return false;
}

TButton::TButton(TComponent* owner) : TButtonControl(owner) {
    width_ = 75;
    height_ = 25;
    TabStop = true;
}

void TButton::CreateParams(TCreateParams& p) {
    TButtonControl::CreateParams(p);
    p.ClassName = "BUTTON";
    p.Style |= default_ ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
}

TCheckBox::TCheckBox(TComponent* owner) : TButtonControl(owner) {
    width_ = 97;
    height_ = 17;
    TabStop = true;
}

void TCheckBox::CreateParams(TCreateParams& p) {
    TButtonControl::CreateParams(p);
    p.ClassName = "BUTTON";
    p.Style |= BS_AUTOCHECKBOX;
}

void TCheckBox::WindowCreated() { SendMessageA(handle_, BM_SETCHECK, checked_ ? BST_CHECKED : BST_UNCHECKED, 0); }

bool TCheckBox::Checked() const {
    if (handle_) checked_ = SendMessageA(handle_, BM_GETCHECK, 0, 0) == BST_CHECKED;
    return checked_;
}

void TCheckBox::SetChecked(bool v) {
    checked_ = v;
    if (handle_) SendMessageA(handle_, BM_SETCHECK, v ? BST_CHECKED : BST_UNCHECKED, 0);
}

void TCheckBox::Click() {
    Checked(); // the box toggled itself; read it back before handlers look
    TButtonControl::Click();
}

// ---------------------------------------------------------------- text boxes

TEdit::TEdit(TComponent* owner) : TWinControl(owner) {
    width_ = 121;
    height_ = 21;
    color_ = clWindow;
    font_.Color = clWindowText;
    TabStop = true;
}

void TEdit::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.ClassName = "EDIT";
    p.Style |= ES_AUTOHSCROLL | (ReadOnly ? ES_READONLY : 0);
    p.ExStyle |= WS_EX_CLIENTEDGE;
}

std::string TEdit::Text() const {
    if (!handle_) return caption_;
    int n = GetWindowTextLengthA(handle_);
    std::vector<char> buf(static_cast<size_t>(n) + 1);
    GetWindowTextA(handle_, buf.data(), n + 1);
    return std::string(buf.data(), static_cast<size_t>(n));
}

bool TEdit::ReflectedMessage(UINT msg, WPARAM wParam, LPARAM, LRESULT&) {
    if (msg == WM_COMMAND && HIWORD(wParam) == EN_CHANGE) {
        caption_ = Text();
        if (OnChange) OnChange(this);
    }
    return false;
}

TMemo::TMemo(TComponent* owner) : TEdit(owner) {
    width_ = 185;
    height_ = 89;
}

void TMemo::SetText(const std::string& text) {
    std::string lines = AdjustLineBreaks(text);
    if (lines.size() > capacity_) throw Exception("Text exceeds memo capacity");
    TEdit::SetText(lines);
}

void TMemo::SetCapacity(size_t chars) {
    capacity_ = chars;
    if (handle_) SendMessageA(handle_, EM_SETLIMITTEXT, static_cast<WPARAM>(chars), 0);
}

void TMemo::WindowCreated() {
    TEdit::WindowCreated();
    SendMessageA(handle_, EM_SETLIMITTEXT, static_cast<WPARAM>(capacity_), 0);
}

TStringList TMemo::Lines() const {
    TStringList list;
    std::string text = Text();
    if (text.empty()) return list;
    size_t start = 0;
    for (;;) {
        size_t br = text.find("\r\n", start);
        if (br == std::string::npos) {
            // A last line without a break is a line; the text's final break does not start one.
            if (start < text.size()) list.Add(text.substr(start));
            break;
        }
        list.Add(text.substr(start, br - start));
        start = br + 2;
    }
    return list;
}

int TMemo::LineCount() const { return Lines().Count(); }

std::string TMemo::Line(int index) const { return Lines().Strings(index); }

void TMemo::SetLines(const TStringList& lines) {
    std::string text;
    for (int i = 0; i < lines.Count(); ++i) {
        if (i > 0) text += "\r\n";
        text += lines.Strings(i);
    }
    SetText(text);
}

void TMemo::CreateParams(TCreateParams& p) {
    TEdit::CreateParams(p);
    p.Style &= ~static_cast<DWORD>(ES_AUTOHSCROLL);
    p.Style |= ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN;
    if (!WordWrap) p.Style |= ES_AUTOHSCROLL;
}

// ---------------------------------------------------------------- lists

int TListControl::ItemIndex() const {
    if (handle_ && MsgGetSel()) itemIndex_ = static_cast<int>(SendMessageA(handle_, MsgGetSel(), 0, 0));
    return itemIndex_ < 0 || itemIndex_ >= Count() ? -1 : itemIndex_;
}

void TListControl::SetItemIndex(int i) {
    itemIndex_ = i;
    if (handle_ && MsgSetSel()) SendMessageA(handle_, MsgSetSel(), static_cast<WPARAM>(i), 0);
    ItemsChanged();
}

void TListControl::AddItem(const std::string& s) {
    items_.push_back(s);
    if (handle_ && MsgAdd()) SendMessageA(handle_, MsgAdd(), 0, reinterpret_cast<LPARAM>(s.c_str()));
    ItemsChanged();
}

void TListControl::SetItems(const std::vector<std::string>& items) {
    ClearItems();
    for (const auto& s : items) AddItem(s);
}

void TListControl::ClearItems() {
    items_.clear();
    itemIndex_ = -1;
    if (handle_ && MsgReset()) SendMessageA(handle_, MsgReset(), 0, 0);
    ItemsChanged();
}

std::string TListControl::Text() const {
    int i = ItemIndex();
    return i >= 0 && i < Count() ? items_[static_cast<size_t>(i)] : std::string();
}

void TListControl::WindowCreated() {
    if (!MsgAdd()) return; // the items are drawn from the list kept here
    for (const auto& s : items_) SendMessageA(handle_, MsgAdd(), 0, reinterpret_cast<LPARAM>(s.c_str()));
    SendMessageA(handle_, MsgSetSel(), static_cast<WPARAM>(itemIndex_), 0);
}

TListBox::TListBox(TComponent* owner) : TListControl(owner) {
    width_ = 121;
    height_ = 97;
    color_ = clWindow;
    font_.Color = clWindowText;
    TabStop = true;
}

void TListBox::CreateParams(TCreateParams& p) {
    TListControl::CreateParams(p);
    p.ClassName = "LISTBOX";
    p.Style |= LBS_NOTIFY | WS_VSCROLL | LBS_NOINTEGRALHEIGHT;
    p.ExStyle |= WS_EX_CLIENTEDGE;
}

bool TListBox::ReflectedMessage(UINT msg, WPARAM wParam, LPARAM, LRESULT&) {
    if (msg == WM_COMMAND && HIWORD(wParam) == LBN_SELCHANGE) {
        ItemIndex();
        if (OnChange) OnChange(this);
    }
    return false;
}
