// Standard controls: label, buttons, text boxes, check box, drop-down list, list box. Win32 only.
#pragma once

#include "toolkit/Controls.h"

class TForm;

// A windowless text label, painted by its parent.
class TLabel : public TGraphicControl, public IAutoSizeProperty {
public:
    explicit TLabel(TComponent* owner);

    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment a);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool v);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool v);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool v);
    bool GetAutoSizeProperty() const override { return autoSize_; }
    void SetAutoSizeProperty(bool v) override { SetAutoSize(v); }

    // Resizes to the caption (keeping the width when word-wrapping).
    void AdjustBounds();
    void Paint(TCanvas& canvas) override;
    // Labels let clicks through only when nothing listens for them.
    bool HitTest(int, int) const override { return OnClick || OnMouseDown || OnMouseUp || PopupMenu || Cursor != crDefault; }

protected:
    void FontChanged() override { AdjustBounds(); }
    void CaptionChanged() override { AdjustBounds(); }
    void Loaded() override { AdjustBounds(); }
    unsigned TextFlags() const;

private:
    TAlignment alignment_ = TAlignment::taLeftJustify;
    bool wordWrap_ = false;
    bool autoSize_ = true;
    bool transparent_ = false;
};

// Base of push buttons: a click may close a modal form with ModalResult.
class TButtonControl : public TWinControl {
public:
    using TWinControl::TWinControl;
    int ModalResult = 0;
    bool Default() const { return default_; }
    void SetDefault(bool v);
    bool Cancel() const { return cancel_; }
    void SetCancel(bool v);
    void Click() override;
    // The form this control sits on.
    TForm* ParentForm() const;
    // Push buttons (plain or with a picture) take Enter themselves when focused, and a default
    // button's frame moves to them with the focus; other button controls (a check box) leave
    // Enter to the dialog's default button.
    virtual bool IsPushButton() const { return true; }

protected:
    bool ReflectedMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    bool default_ = false;
    bool cancel_ = false;
};

class TButton : public TButtonControl {
public:
    explicit TButton(TComponent* owner);

protected:
    void CreateParams(TCreateParams& params) override;
};

class TCheckBox : public TButtonControl {
public:
    explicit TCheckBox(TComponent* owner);
    bool Checked() const;
    void SetChecked(bool v);
    void Click() override;
    bool IsPushButton() const override { return false; }

protected:
    void CreateParams(TCreateParams& params) override;
    void WindowCreated() override;

private:
    mutable bool checked_ = false;
};

class TEdit : public TWinControl {
public:
    explicit TEdit(TComponent* owner);
    std::string Text() const;
    void SetText(const std::string& s) { SetCaption(s); }
    int MaxLength = 0;
    bool ReadOnly = false;
    TNotifyEvent OnChange;

protected:
    void CreateParams(TCreateParams& params) override;
    bool ReflectedMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
};

// The most text a memo holds unless told otherwise: a bound on the reply pages handed through it.
constexpr size_t kDefaultMemoCapacity = 4 * 1024 * 1024;

// A multi-line text box. Its text is lines joined with CR LF; whatever comes in is made so
// (AdjustLineBreaks: every break becomes CR LF, the text ends at a NUL byte).
class TMemo : public TEdit {
public:
    explicit TMemo(TComponent* owner);
    bool WordWrap = true;
    // All lines, joined with CR LF.
    std::string Text() const { return TEdit::Text(); }
    // Sets the lines from `text`. Text longer than Capacity() raises "Text exceeds memo capacity"
    // and leaves the memo as it was.
    void SetText(const std::string& text);
    void Clear() { SetText(""); }
    int LineCount() const;
    std::string Line(int index) const;
    TStringList Lines() const;
    void SetLines(const TStringList& lines);
    // Characters the memo takes, from the program or from typing (EM_SETLIMITTEXT).
    size_t Capacity() const { return capacity_; }
    void SetCapacity(size_t chars);

protected:
    void CreateParams(TCreateParams& params) override;
    void WindowCreated() override;

private:
    size_t capacity_ = kDefaultMemoCapacity;
};

// Items are kept in a list of our own and pushed into the window when it exists.
class TListControl : public TWinControl {
public:
    using TWinControl::TWinControl;
    int ItemIndex() const;
    void SetItemIndex(int i);
    int Count() const { return static_cast<int>(items_.size()); }
    const std::string& Item(int i) const { return items_.at(static_cast<size_t>(i)); }
    void AddItem(const std::string& s);
    void SetItems(const std::vector<std::string>& items);
    void ClearItems();
    // The text of the selected item, or empty.
    std::string Text() const;
    TNotifyEvent OnChange;

protected:
    // The platform's list messages, for list controls whose window is the platform's own; 0 for
    // a control that draws its items from the list kept here.
    virtual UINT MsgAdd() const = 0;
    virtual UINT MsgReset() const = 0;
    virtual UINT MsgGetSel() const = 0;
    virtual UINT MsgSetSel() const = 0;
    void WindowCreated() override;
    // The items or the pick changed (a control drawing its own items repaints).
    virtual void ItemsChanged() {}
    std::vector<std::string> items_;
    mutable int itemIndex_ = -1;
};

// A drop-down list, selection only, drawn by the toolkit. The closed box is as high as its font
// makes it; the open list is a window of its own, made the first time the list opens, so a window
// full of drop-down lists costs no more to make than one of buttons. It answers the platform's
// drop-down messages (CB_GETCURSEL, CB_SETCURSEL, CB_GETDROPPEDSTATE, ...) and tells its parent of
// a pick with WM_COMMAND CBN_SELCHANGE, as the platform's own does.
class TComboBox : public TListControl {
public:
    explicit TComboBox(TComponent* owner);
    ~TComboBox() override;
    // Rows visible when the list is open.
    int DropDownCount() const { return dropDownCount_; }
    void SetDropDownCount(int rows);
    bool DroppedDown() const { return dropped_; }
    void SetDroppedDown(bool v);
    // The height of one row: the font's.
    int ItemHeight() const;
    // The open list's place on the screen, where it is or would be.
    TRect DroppedRect() const;
    // The open list's window while it exists (it is made the first time the list opens).
    HWND ListHandle() const { return list_.Handle(); }

    static constexpr const char* kWindowClassName = "TComboBox";

    bool WndProc(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

protected:
    void CreateParams(TCreateParams& params) override;
    int WindowHeight(int height) const override;
    void FontChanged() override;
    void PaintWindow(TCanvas& canvas, const TRect& dirty) override;
    bool ReflectedMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void ItemsChanged() override;
    UINT MsgAdd() const override { return 0; }
    UINT MsgReset() const override { return 0; }
    UINT MsgGetSel() const override { return 0; }
    UINT MsgSetSel() const override { return 0; }

private:
    static LRESULT CALLBACK ListProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
    bool ListMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
    void PaintList(HDC dc);
    bool CbMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool KeyDown(unsigned key, bool alt);
    bool MouseMessage(UINT msg, LPARAM lParam);
    void Open();
    // Closes the open list; `take` makes its highlighted row the pick.
    void CloseUp(bool take);
    // A pick made by the person: stored, shown, and told to the parent.
    void PickByUser(int index);
    int RowAtScreenPoint(POINT p) const; // -1 outside the open list's rows
    void SetHot(int row);
    void ScrollListTo(int top);
    int Rows() const;

    int dropDownCount_ = 8;
    bool dropped_ = false;
    bool buttonDown_ = false;    // the button held since the list opened or a row was pressed
    bool scrolling_ = false;     // the open list's scroll bar has the mouse
    int hot_ = -1;               // the highlighted row of the open list
    int top_ = 0;                // the first row the open list shows
    THiddenWindow list_;         // the open list, made when it first opens
    mutable int itemHeight_ = 0; // the font's row height, measured once per font
};

class TListBox : public TListControl {
public:
    explicit TListBox(TComponent* owner);

protected:
    void CreateParams(TCreateParams& params) override;
    bool ReflectedMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    UINT MsgAdd() const override { return LB_ADDSTRING; }
    UINT MsgReset() const override { return LB_RESETCONTENT; }
    UINT MsgGetSel() const override { return LB_GETCURSEL; }
    UINT MsgSetSel() const override { return LB_SETCURSEL; }
};
