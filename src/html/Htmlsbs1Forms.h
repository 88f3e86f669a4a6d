// Forms and form controls. The document owns its forms and each form owns its controls; a text
// section only lists the controls that stand in its text (at a character 2). Layout gives each
// visible control its place in document coordinates; the viewer moves the control windows there
// after layout and after scrolling, never while painting.
//
// The portable core owns no windows: every control talks to its window through TFormWidget, made
// by the factory the document holds. The viewer installs one that makes real window controls on
// its drawing panel; without one a control keeps its state in a TMemoryFormWidget, which is also
// what native tests drive. Everything runs on the window thread. Submission does not call the
// application directly: the document hands the list to its submit receiver (the viewer), which
// delivers it later from a posted message.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "html/HTMLUn2.h"
#include "toolkit/Classes.h"
#include "toolkit/Graphics.h"

class ThtmlForm;
class TSectionList;
class TCell;

// ---------------------------------------------------------------------------------------------
// The window side of a control

enum class TFormWidgetKind : uint8_t { Edit, Button, CheckBox, Radio, ListBox, ComboBox, Memo };

// What a window control is made with.
struct TFormWidgetDesc {
    TFormWidgetKind Kind = TFormWidgetKind::Edit;
    TFont Font;               // edits, lists and memos: the preformatted face at 10 points
    bool Password = false;    // edit: shows "*" for each character
    int MaxLength = 0;        // edit: 0 for no limit
    bool MultiSelect = false; // list box: multiple and extended selection
    bool WordWrap = false;    // memo: wraps with a vertical bar only; otherwise both bars
    std::string Caption;      // button
};

// One window control as a form control object sees it. Positions are drawing-surface pixels.
class TFormWidget {
public:
    virtual ~TFormWidget() = default;
    virtual void SetBounds(int left, int top, int width, int height) = 0;
    virtual TRect Bounds() const = 0;
    // Sizes the control so that its client area is width x height (frames and bars added).
    virtual void SetClientSize(int width, int height) = 0;
    virtual void SetVisible(bool v) = 0;
    virtual bool Visible() const = 0;
    virtual bool Focused() const = 0;
    virtual void SetColor(TColor c) = 0;
    // Edit text, button caption.
    virtual std::string Text() const = 0;
    virtual void SetText(const std::string& s) = 0;
    // Check box and radio button.
    virtual bool Checked() const = 0;
    virtual void SetChecked(bool v) = 0;
    // List box and drop-down list.
    virtual void SetItems(const std::vector<std::string>& items) = 0;
    virtual int Count() const = 0;
    virtual int ItemIndex() const = 0;
    virtual void SetItemIndex(int i) = 0;
    virtual bool Selected(int i) const = 0;
    virtual void SetSelected(int i, bool v) = 0;
    virtual void SetTopIndex(int i) = 0;
    // Memo: its lines as the control shows them, and the caret.
    virtual std::vector<std::string> Lines() const = 0;
    virtual void SetLines(const std::vector<std::string>& lines) = 0;
    virtual void CaretToStart() = 0;

    // Raised by the window side; set by the control object.
    std::function<void()> OnClick;  // a button pressed, a box or radio clicked (already toggled)
    std::function<void()> OnReturn; // Enter pressed in an edit or a memo
    std::function<void()> OnFocus;  // the control received the keyboard focus
    std::function<void()> OnBlur;   // and lost it
};

using TFormWidgetFactory = std::function<std::unique_ptr<TFormWidget>(const TFormWidgetDesc&)>;

// A window control without a window: it keeps the state a real one would and counts what was
// done to it. Documents without a factory use it; tests drive it as a person would.
class TMemoryFormWidget : public TFormWidget {
public:
    explicit TMemoryFormWidget(const TFormWidgetDesc& desc);
    TFormWidgetDesc Desc;
    int Moves = 0, Shows = 0, Hides = 0; // calls that changed the position or the visibility
    bool HasFocus = false;

    void SetBounds(int left, int top, int width, int height) override;
    TRect Bounds() const override { return bounds_; }
    void SetClientSize(int width, int height) override;
    void SetVisible(bool v) override;
    bool Visible() const override { return visible_; }
    bool Focused() const override { return HasFocus; }
    void SetColor(TColor c) override { Color = c; }
    TColor Color = clNone;
    std::string Text() const override { return text_; }
    void SetText(const std::string& s) override { text_ = s; }
    bool Checked() const override { return checked_; }
    void SetChecked(bool v) override { checked_ = v; }
    void SetItems(const std::vector<std::string>& items) override;
    int Count() const override { return static_cast<int>(items_.size()); }
    int ItemIndex() const override { return index_; }
    void SetItemIndex(int i) override;
    bool Selected(int i) const override;
    void SetSelected(int i, bool v) override;
    void SetTopIndex(int i) override { TopIndex = i; }
    int TopIndex = 0;
    std::vector<std::string> Lines() const override { return lines_; }
    void SetLines(const std::vector<std::string>& lines) override { lines_ = lines; }
    void CaretToStart() override { Caret = 0; }
    int Caret = -1;

    // What a person does.
    void Type(const std::string& s);      // replaces the text of an edit
    void Click();                         // toggles a box, checks a radio, then reports the click
    void PressReturn();                   // Enter
    void Focus();                         // takes the focus (reported)
    void Blur();                          // loses it (reported)
    void Pick(int i, bool select = true); // a list item clicked (multi-select toggles)

private:
    TRect bounds_;
    bool visible_ = true;
    std::string text_;
    bool checked_ = false;
    std::vector<std::string> items_;
    std::vector<bool> selected_;
    int index_ = -1;
    std::vector<std::string> lines_;
};

// ---------------------------------------------------------------------------------------------
// Control objects

class TFormControlObj : public TObject {
public:
    // Limits on what a page can ask for.
    static constexpr int MaxSizeChars = 500; // SIZE, COLS, WidthChars
    static constexpr int MaxRows = 200;      // ROWS, a list's SIZE
    static constexpr int ParkedX = -4000;    // where an out-of-view control waits while one has the focus

    TFormControlObj(TSectionList* document, ThtmlForm* form, const TAttributeList& attrs);
    ~TFormControlObj() override;
    TFormControlObj(const TFormControlObj&) = delete;
    TFormControlObj& operator=(const TFormControlObj&) = delete;

    int Position = 0; // index in its section's text
    TSectionList* Document;
    ThtmlForm* Form;
    std::string Value, Name;
    int DocX = 0, DocY = 0; // top-left corner in document coordinates, set by layout
    bool LaidOut = false;
    bool Shown = false; // in view at the last placing

    // The window control (none for hidden and image inputs).
    TFormWidget* WindowControl() const { return widget_.get(); }
    virtual TFormWidget* GetWindowControl() const { return widget_.get(); }
    // Printing: a drawing of the control at (x, y) in place of the live window.
    virtual void DrawSubstitute(TCanvas& canvas, int x, int y) { (void)canvas, (void)x, (void)y; }
    virtual void ResetValue() {}
    // The index-th name=value text; false once the index is past the last.
    virtual bool GetSubmissionPair(int index, std::string& text) {
        (void)index, (void)text;
        return false;
    }
    // Works out the window's size from its font before layout.
    virtual void AdjustSize(TCanvas& canvas) { (void)canvas; }

    virtual bool BaselineAligned() const { return false; }
    // Hidden and image inputs stand in no line as controls.
    virtual bool Hidden() const { return widget_ == nullptr; }
    int Width() const { return widget_ ? widget_->Bounds().Width() : 0; }
    int Height() const { return widget_ ? widget_->Bounds().Height() : 0; }
    // Moves the window to (x, y) on the drawing surface and shows it.
    void Place(int x, int y);

protected:
    void MakeWidget(const TFormWidgetDesc& desc);
    // The control's font for measuring: the preformatted face at 10 points.
    TFont PreFont() const;
    // Canvas font measurements of "A".
    static int WidthOfA(TCanvas& canvas, const TFont& font);
    static int HeightOfA(TCanvas& canvas, const TFont& font);
    // The sunken or raised white box every substitute starts with.
    void DrawBox(TCanvas& canvas, const TRect& r, bool raised) const;
    TRect BoxAt(int x, int y) const { return ::Bounds(x, y, Width(), Height()); }
    // Raises the document's object-click event with the control's ONCLICK text.
    void ReportClick(const std::string& onClick);
    std::unique_ptr<TFormWidget> widget_;
    // False once the control is gone: a handler may replace the page under a click.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);

private:
    void Focused();
    void Blurred();
};

class TEditFormControlObj : public TFormControlObj {
public:
    TEditFormControlObj(TSectionList* document, ThtmlForm* form, const TAttributeList& attrs, bool password);
    int SizeChars = 20;
    void DrawSubstitute(TCanvas& canvas, int x, int y) override;
    void ResetValue() override;
    bool GetSubmissionPair(int index, std::string& text) override;
    void AdjustSize(TCanvas& canvas) override;
};

enum class TButtonKind : uint8_t { Submit = 0, Reset = 1, Button = 2 };

class TButtonFormControlObj : public TFormControlObj {
public:
    TButtonFormControlObj(TSectionList* document, ThtmlForm* form, const TAttributeList& attrs, TButtonKind kind);
    TButtonKind ButtonKind;
    std::string OnClickText;
    void DrawSubstitute(TCanvas& canvas, int x, int y) override;
    void AdjustSize(TCanvas& canvas) override;
    // What a click does: reports it, then submits or resets the form.
    void Clicked();
};

class TCheckBoxFormControlObj : public TFormControlObj {
public:
    TCheckBoxFormControlObj(TSectionList* document, ThtmlForm* form, const TAttributeList& attrs);
    bool InitiallyChecked = false;
    std::string OnClickText;
    bool BaselineAligned() const override { return true; }
    void DrawSubstitute(TCanvas& canvas, int x, int y) override;
    void ResetValue() override;
    bool GetSubmissionPair(int index, std::string& text) override;
};

class TRadioButtonFormControlObj : public TFormControlObj {
public:
    TRadioButtonFormControlObj(TSectionList* document, ThtmlForm* form, const TAttributeList& attrs, TCell* cell);
    bool InitiallyChecked = false;
    TCell* Cell; // the cell it stands in, whose background it takes
    std::string OnClickText;
    bool BaselineAligned() const override { return true; }
    void DrawSubstitute(TCanvas& canvas, int x, int y) override;
    void ResetValue() override;
    bool GetSubmissionPair(int index, std::string& text) override;
    // The background the radio shows: its cell's, else the page's.
    TColor Background() const;
    // What a click does: unchecks the same-named radios of the form, then reports it.
    void Clicked();
};

class THiddenFormControlObj : public TFormControlObj {
public:
    using TFormControlObj::TFormControlObj;
    bool GetSubmissionPair(int index, std::string& text) override;
};

class TImageFormControlObj : public TFormControlObj {
public:
    using TFormControlObj::TFormControlObj;
    TImageObj* Image = nullptr; // the picture standing in the section for it
    int ClickX = -1, ClickY = 0;
    bool GetSubmissionPair(int index, std::string& text) override;
    // A click released over the image at (x, y) in image coordinates: kept and submitted.
    void ImageClicked(int x, int y);
};

// One OPTION of a SELECT.
struct TOptionObj {
    std::string Text, Value;
    bool Selected = false;
};

class TListBoxFormControlObj : public TFormControlObj {
public:
    static constexpr size_t MaxOptionText = 80; // characters of an option's text and of its value
    static constexpr int MaxOptions = 10000;    // options beyond these are dropped

    TListBoxFormControlObj(TSectionList* document, ThtmlForm* form, const TAttributeList& attrs, bool combo = false);
    int Rows = -1;
    int WidthChars = 3;
    bool Multiple = false;
    std::vector<TOptionObj> Options;
    // Takes a finished option (already trimmed and cut); empty texts are dropped.
    void AddOption(const std::string& text, const std::string& value, bool selected);
    void DrawSubstitute(TCanvas& canvas, int x, int y) override;
    void ResetValue() override;
    bool GetSubmissionPair(int index, std::string& text) override;
    void AdjustSize(TCanvas& canvas) override;

protected:
    // Name=value of item i (the option's VALUE, or its text when that is empty).
    std::string PairFor(int i) const;
    void Refill();
};

class TComboFormControlObj : public TListBoxFormControlObj {
public:
    TComboFormControlObj(TSectionList* document, ThtmlForm* form, const TAttributeList& attrs)
        : TListBoxFormControlObj(document, form, attrs, true) {}
    void DrawSubstitute(TCanvas& canvas, int x, int y) override;
    void ResetValue() override;
    bool GetSubmissionPair(int index, std::string& text) override;
    void AdjustSize(TCanvas& canvas) override;
};

class TTextAreaFormControlObj : public TFormControlObj {
public:
    static constexpr int MaxInitialLines = 10000;

    TTextAreaFormControlObj(TSectionList* document, ThtmlForm* form, const TAttributeList& attrs);
    int Rows = 5, Cols = 30;
    bool WordWrap = false;
    std::vector<std::string> InitialLines;
    void DrawSubstitute(TCanvas& canvas, int x, int y) override;
    void ResetValue() override;
    bool GetSubmissionPair(int index, std::string& text) override;
    void AdjustSize(TCanvas& canvas) override;
};

// ---------------------------------------------------------------------------------------------
// Forms

class ThtmlForm : public TObject {
public:
    static constexpr size_t MaxMethod = 4;
    // Controls one page may make; each is a window, and a process has a bounded number of those.
    static constexpr int MaxControls = 5000;
    // A form from the FORM attributes (none for the implicit form of controls outside FORM).
    ThtmlForm(TSectionList* document, const TAttributeList* attrs);
    TSectionList* Document;
    std::string Method = "Get";
    std::string Action, Target, EncType;
    std::vector<std::unique_ptr<TFormControlObj>> FormControls;
    int NonHiddenTotal = 0;

    // Takes a control into the form and the document's list of all controls; returns it.
    TFormControlObj* Add(std::unique_ptr<TFormControlObj> control);
    // Collects the pairs in page order, the extra last, and hands them to the document's submit
    // receiver. Nothing happens without one.
    void SubmitForm(const std::string& extra);
    // The pairs a submission would send now (without an extra).
    std::vector<std::string> SubmissionList() const;
    void ResetControls();
    // Radios of this form named `name` (case-insensitively), except `except`, are unchecked.
    void ControlGroup(const std::string& name, const TFormControlObj* except);
};

// What the document asks of the form layer.
namespace htmlforms {
// Before layout: every control works out its size.
void AdjustSizes(TSectionList& doc, TCanvas& canvas);
// Moves the controls in view to their places, shifted by (dx, dy) from document to drawing
// surface, and hides the others (or parks them at x = -4000 while a control has the focus).
// viewHeight is the drawing surface's height.
void PlaceControls(TSectionList& doc, int dx, int dy, int viewHeight);
// The hide pass: every control not shown is hidden, or parked while `focusedExcept` is false and
// some control other than `losing` has the focus.
void HideUnshown(TSectionList& doc, const TFormControlObj* losing = nullptr);
// Every form of the page: its action and method, then the pairs its default values would send.
std::string DumpForms(const TSectionList& doc);
// The image input that a picture stands for, or null.
TImageFormControlObj* ImageInputFor(TSectionList& doc, const TImageObj* image);
} // namespace htmlforms
