#include "html/Htmlsbs1Forms.h"

#include <algorithm>
#include <cmath>

#include "html/Htmlsubs.h"
#include "toolkit/MemoryCanvas.h"
#include "toolkit/SysUtils.h"

// ---------------------------------------------------------------------------------------------
// TMemoryFormWidget

TMemoryFormWidget::TMemoryFormWidget(const TFormWidgetDesc& desc) : Desc(desc) {
    if (desc.Kind == TFormWidgetKind::Button) text_ = desc.Caption;
}

void TMemoryFormWidget::SetBounds(int left, int top, int width, int height) {
    TRect r = ::Bounds(left, top, width, height);
    if (r.Left != bounds_.Left || r.Top != bounds_.Top) ++Moves;
    bounds_ = r;
}

void TMemoryFormWidget::SetClientSize(int width, int height) {
    // A sunken frame of 2 pixels a side; a memo has a vertical bar, and a horizontal one unless
    // it wraps; a closed drop-down list is as high as its font gives.
    constexpr int Frame = 4, Bar = 16;
    switch (Desc.Kind) {
    case TFormWidgetKind::ComboBox: height = TMemoryCanvas::MetricsFor(Desc.Font).Height + 8; break;
    case TFormWidgetKind::Memo:
        width += Frame + Bar;
        height += Frame + (Desc.WordWrap ? 0 : Bar);
        break;
    default:
        width += Frame;
        height += Frame;
        break;
    }
    SetBounds(bounds_.Left, bounds_.Top, width, height);
}

void TMemoryFormWidget::SetVisible(bool v) {
    if (v == visible_) return;
    visible_ = v;
    ++(v ? Shows : Hides);
}

void TMemoryFormWidget::SetItems(const std::vector<std::string>& items) {
    items_ = items;
    selected_.assign(items.size(), false);
    index_ = -1;
}

void TMemoryFormWidget::SetItemIndex(int i) {
    if (i < -1 || i >= Count()) i = -1;
    index_ = i;
    if (!Desc.MultiSelect)
        for (size_t k = 0; k < selected_.size(); ++k) selected_[k] = static_cast<int>(k) == i;
}

bool TMemoryFormWidget::Selected(int i) const { return i >= 0 && i < Count() && selected_[static_cast<size_t>(i)]; }

void TMemoryFormWidget::SetSelected(int i, bool v) {
    if (i < 0 || i >= Count()) return;
    if (!Desc.MultiSelect) {
        SetItemIndex(v ? i : -1);
        return;
    }
    selected_[static_cast<size_t>(i)] = v;
}

void TMemoryFormWidget::Type(const std::string& s) {
    if (Desc.Kind == TFormWidgetKind::Memo) {
        TStringList l;
        l.SetText(s);
        lines_.clear();
        for (int i = 0; i < l.Count(); ++i) lines_.push_back(l[i]);
    } else {
        text_ = s;
    }
}

void TMemoryFormWidget::Click() {
    if (Desc.Kind == TFormWidgetKind::CheckBox) checked_ = !checked_;
    if (Desc.Kind == TFormWidgetKind::Radio) checked_ = true;
    if (OnClick) OnClick();
}

void TMemoryFormWidget::PressReturn() {
    if (OnReturn) OnReturn();
}

void TMemoryFormWidget::Focus() {
    HasFocus = true;
    if (OnFocus) OnFocus();
}

void TMemoryFormWidget::Blur() {
    HasFocus = false;
    if (OnBlur) OnBlur();
}

void TMemoryFormWidget::Pick(int i, bool select) {
    if (Desc.MultiSelect) {
        index_ = i;
        SetSelected(i, select);
    } else {
        SetItemIndex(i);
    }
}

// ---------------------------------------------------------------------------------------------
// TFormControlObj

namespace {
std::string Attr(const TAttributeList& attrs, Symb sym) {
    const TAttribute* a = attrs.Find(sym);
    return a ? a->Text : std::string();
}

// A window control made as the page asks, out of sight until layout places it.
constexpr int InitialTop = -400;
} // namespace

TFormControlObj::TFormControlObj(TSectionList* document, ThtmlForm* form, const TAttributeList& attrs)
    : Document(document), Form(form), Value(Attr(attrs, ValueSy)), Name(Attr(attrs, NameSy)) {}

TFormControlObj::~TFormControlObj() {
    if (widget_) widget_->OnClick = widget_->OnReturn = widget_->OnFocus = widget_->OnBlur = nullptr;
    *alive_ = false;
}

void TFormControlObj::MakeWidget(const TFormWidgetDesc& desc) {
    if (Document && Document->WidgetFactory) widget_ = Document->WidgetFactory(desc);
    if (!widget_) widget_ = std::make_unique<TMemoryFormWidget>(desc);
    widget_->OnFocus = [this] { Focused(); };
    widget_->OnBlur = [this] { Blurred(); };
}

TFont TFormControlObj::PreFont() const {
    TFont f;
    if (Document) f.Name = Document->Settings().PreFontName;
    f.SetSize(10);
    f.Color = clBlack;
    return f;
}

int TFormControlObj::WidthOfA(TCanvas& canvas, const TFont& font) {
    canvas.Font = font;
    return canvas.TextWidth("A");
}

int TFormControlObj::HeightOfA(TCanvas& canvas, const TFont& font) {
    canvas.Font = font;
    return canvas.TextHeight("A");
}

void TFormControlObj::Place(int x, int y) {
    if (!widget_) return;
    TRect b = widget_->Bounds();
    widget_->SetBounds(x, y, b.Width(), b.Height());
    widget_->SetVisible(true);
}

void TFormControlObj::Focused() {
    if (!Document) return;
    std::shared_ptr<bool> alive = alive_;
    if (Document->OnControlFocused) Document->OnControlFocused(this);
    if (!*alive) return;
    // Out-of-view controls stay visible while one of them has the focus, out of sight instead.
    for (TFormControlObj* c : Document->AllControls())
        if (!c->Shown && c->widget_) {
            TRect b = c->widget_->Bounds();
            c->widget_->SetBounds(ParkedX, b.Top, b.Width(), b.Height());
        }
}

void TFormControlObj::Blurred() {
    if (Document) htmlforms::HideUnshown(*Document, this);
}

void TFormControlObj::ReportClick(const std::string& onClick) {
    if (Document && Document->OnObjectClick) Document->OnObjectClick(this, onClick);
}

void TFormControlObj::DrawBox(TCanvas& canvas, const TRect& r, bool raised) const {
    canvas.Brush.Style = TBrushStyle::bsSolid;
    canvas.Brush.Color = clWhite;
    canvas.FillRect(r);
    if (canvas.OneBitDevice()) {
        canvas.Brush.Color = clBlack;
        canvas.FrameRect(r);
        return;
    }
    const TColor topLeft = raised ? clSilver : clBtnShadow, bottomRight = raised ? clBtnShadow : clSilver;
    canvas.Pen.Width = 1;
    canvas.Pen.Style = TPenStyle::psSolid;
    for (int k = 0; k < 2; ++k) {
        canvas.Pen.Color = topLeft;
        canvas.MoveTo(r.Left + k, r.Bottom - 1 - k);
        canvas.LineTo(r.Left + k, r.Top + k);
        canvas.LineTo(r.Right - k, r.Top + k);
        canvas.Pen.Color = bottomRight;
        canvas.MoveTo(r.Right - 1 - k, r.Top + k + 1);
        canvas.LineTo(r.Right - 1 - k, r.Bottom - 1 - k);
        canvas.LineTo(r.Left + k, r.Bottom - 1 - k);
    }
}

// ---------------------------------------------------------------------------------------------
// Edit

TEditFormControlObj::TEditFormControlObj(TSectionList* document, ThtmlForm* form, const TAttributeList& attrs, bool password)
    : TFormControlObj(document, form, attrs) {
    if (const TAttribute* size = attrs.Find(SizeSy)) {
        if (size->Number > 0) {
            SizeChars = size->Number;
        } else {
            // "30, 2": the number before the first comma or space.
            const std::string& t = size->Text;
            size_t comma = t.find(','), space = t.find(' ');
            if (comma != std::string::npos && space != std::string::npos)
                SizeChars = StrToIntDef(Trim(t.substr(0, std::min(comma, space))), 20);
        }
    }
    SizeChars = std::clamp(SizeChars, 1, MaxSizeChars);
    TFormWidgetDesc desc;
    desc.Kind = TFormWidgetKind::Edit;
    desc.Font = PreFont();
    desc.Password = password;
    if (const TAttribute* ml = attrs.Find(MaxLengthSy)) desc.MaxLength = std::max(0, ml->Number);
    MakeWidget(desc);
    widget_->SetBounds(0, InitialTop, 120, 20);
    widget_->SetText(Value);
    widget_->OnReturn = [this] {
        // Enter submits a form whose only visible control this is.
        if (Form && Form->NonHiddenTotal == 1) Form->SubmitForm("");
    };
}

void TEditFormControlObj::ResetValue() { widget_->SetText(Value); }

bool TEditFormControlObj::GetSubmissionPair(int index, std::string& text) {
    if (index != 0) return false;
    text = Name + "=" + widget_->Text();
    return true;
}

void TEditFormControlObj::AdjustSize(TCanvas& canvas) {
    TRect b = widget_->Bounds();
    widget_->SetBounds(b.Left, b.Top, SizeChars * WidthOfA(canvas, PreFont()) + 5, 20);
}

void TEditFormControlObj::DrawSubstitute(TCanvas& canvas, int x, int y) {
    TRect r = BoxAt(x, y);
    DrawBox(canvas, r, false);
    canvas.Font = PreFont();
    canvas.Brush.Style = TBrushStyle::bsClear;
    int th = canvas.TextHeight("A");
    canvas.TextRect(Rect(x + 4, r.Top, r.Right - 8, r.Bottom), x + 4, y + (r.Height() - th) / 2, widget_->Text());
    canvas.Brush.Style = TBrushStyle::bsSolid;
}

// ---------------------------------------------------------------------------------------------
// Button

TButtonFormControlObj::TButtonFormControlObj(TSectionList* document, ThtmlForm* form, const TAttributeList& attrs,
                                             TButtonKind kind)
    : TFormControlObj(document, form, attrs), ButtonKind(kind), OnClickText(Attr(attrs, OnClickSy)) {
    if (Value.empty()) Value = kind == TButtonKind::Submit ? "Submit" : kind == TButtonKind::Reset ? "Reset" : "Button";
    TFormWidgetDesc desc;
    desc.Kind = TFormWidgetKind::Button;
    desc.Caption = Value;
    MakeWidget(desc);
    widget_->SetBounds(0, InitialTop, 75, 25);
    widget_->OnClick = [this] { Clicked(); };
}

void TButtonFormControlObj::Clicked() {
    std::shared_ptr<bool> alive = alive_;
    ReportClick(OnClickText);
    if (!*alive || !Form) return; // the handler replaced the page
    if (ButtonKind == TButtonKind::Submit)
        Form->SubmitForm(Name.empty() ? std::string() : Name + "=" + Value);
    else if (ButtonKind == TButtonKind::Reset)
        Form->ResetControls();
}

void TButtonFormControlObj::AdjustSize(TCanvas& canvas) {
    TFont f;
    TRect b = widget_->Bounds();
    canvas.Font = f;
    widget_->SetBounds(b.Left, b.Top, canvas.TextWidth(Value) + 20, HeightOfA(canvas, f) + 8);
}

void TButtonFormControlObj::DrawSubstitute(TCanvas& canvas, int x, int y) {
    TRect r = BoxAt(x, y);
    DrawBox(canvas, r, true);
    canvas.Font = TFont();
    canvas.Font.Color = clBlack;
    canvas.Brush.Style = TBrushStyle::bsClear;
    TSize ext = canvas.TextExtent(Value);
    canvas.TextRect(r, x + (r.Width() - ext.cx) / 2, y + (r.Height() - ext.cy) / 2, Value);
    canvas.Brush.Style = TBrushStyle::bsSolid;
}

// ---------------------------------------------------------------------------------------------
// Check box

TCheckBoxFormControlObj::TCheckBoxFormControlObj(TSectionList* document, ThtmlForm* form, const TAttributeList& attrs)
    : TFormControlObj(document, form, attrs), InitiallyChecked(attrs.Has(CheckedSy)), OnClickText(Attr(attrs, OnClickSy)) {
    if (Value.empty()) Value = "On";
    TFormWidgetDesc desc;
    desc.Kind = TFormWidgetKind::CheckBox;
    MakeWidget(desc);
    widget_->SetBounds(0, InitialTop, 13, 13);
    widget_->SetChecked(InitiallyChecked);
    widget_->OnClick = [this] { ReportClick(OnClickText); };
}

void TCheckBoxFormControlObj::ResetValue() { widget_->SetChecked(InitiallyChecked); }

bool TCheckBoxFormControlObj::GetSubmissionPair(int index, std::string& text) {
    if (index != 0 || !widget_->Checked()) return false;
    text = Name + "=" + Value;
    return true;
}

void TCheckBoxFormControlObj::DrawSubstitute(TCanvas& canvas, int x, int y) {
    DrawBox(canvas, BoxAt(x, y), false);
    if (!widget_->Checked()) return;
    const int mid = y + Height() / 2;
    canvas.Pen.Color = clBlack;
    canvas.Pen.Width = 1;
    canvas.Polyline({{x + 3, mid}, {x + 5, mid + 2}, {x + 9, mid - 2}});
}

// ---------------------------------------------------------------------------------------------
// Radio button

TRadioButtonFormControlObj::TRadioButtonFormControlObj(TSectionList* document, ThtmlForm* form, const TAttributeList& attrs,
                                                       TCell* cell)
    : TFormControlObj(document, form, attrs), InitiallyChecked(attrs.Has(CheckedSy)), Cell(cell),
      OnClickText(Attr(attrs, OnClickSy)) {
    TFormWidgetDesc desc;
    desc.Kind = TFormWidgetKind::Radio;
    MakeWidget(desc);
    widget_->SetBounds(0, InitialTop, 13, 14);
    widget_->SetChecked(InitiallyChecked);
    widget_->OnClick = [this] { Clicked(); };
}

TColor TRadioButtonFormControlObj::Background() const {
    if (Cell && Cell->BgColor != clNone) return Cell->BgColor;
    return Document ? Document->Background() : clWhite;
}

void TRadioButtonFormControlObj::Clicked() {
    if (Form && !Name.empty()) Form->ControlGroup(Name, this);
    ReportClick(OnClickText);
}

void TRadioButtonFormControlObj::ResetValue() { widget_->SetChecked(InitiallyChecked); }

bool TRadioButtonFormControlObj::GetSubmissionPair(int index, std::string& text) {
    if (index != 0 || !widget_->Checked()) return false;
    text = Name + "=" + Value;
    return true;
}

void TRadioButtonFormControlObj::DrawSubstitute(TCanvas& canvas, int x, int y) {
    const bool mono = canvas.OneBitDevice();
    canvas.Brush.Style = TBrushStyle::bsSolid;
    canvas.Brush.Color = clWhite;
    canvas.Pen.Color = clWhite;
    canvas.Pen.Width = 1;
    canvas.Ellipse(Rect(x, y, x + 14, y + 14));
    // The rim: the upper-left half in the shadow colour, the lower-right half in silver.
    auto arc = [&](double from, TColor color) {
        std::vector<TPoint> pts;
        for (int k = 0; k <= 16; ++k) {
            double a = (from + 180.0 * k / 16) * 3.14159265358979 / 180.0;
            pts.push_back({x + 7 + static_cast<int>(std::lround(6.5 * std::cos(a))),
                           y + 7 - static_cast<int>(std::lround(6.5 * std::sin(a)))});
        }
        canvas.Pen.Color = color;
        canvas.Polyline(pts);
    };
    arc(45, mono ? clBlack : clBtnShadow);
    arc(225, mono ? clBlack : clSilver);
    if (widget_->Checked()) {
        canvas.Brush.Color = clBlack;
        canvas.Pen.Color = clBlack;
        canvas.Ellipse(Rect(x + 5, y + 5, x + 9, y + 9));
    }
}

// ---------------------------------------------------------------------------------------------
// Hidden and image inputs

bool THiddenFormControlObj::GetSubmissionPair(int index, std::string& text) {
    if (index != 0) return false;
    text = Name + "=" + Value;
    return true;
}

bool TImageFormControlObj::GetSubmissionPair(int index, std::string& text) {
    if (ClickX < 0 || index > 1) return false;
    const std::string prefix = Name.empty() ? std::string() : Name + ".";
    if (index == 0) {
        text = prefix + "x=" + IntToStr(ClickX);
    } else {
        text = prefix + "y=" + IntToStr(ClickY);
        ClickX = -1; // one submission reads a click once
    }
    return true;
}

void TImageFormControlObj::ImageClicked(int x, int y) {
    ClickX = std::max(0, x);
    ClickY = std::max(0, y);
    if (Form) Form->SubmitForm("");
}

// ---------------------------------------------------------------------------------------------
// List box and drop-down list

TListBoxFormControlObj::TListBoxFormControlObj(TSectionList* document, ThtmlForm* form, const TAttributeList& attrs, bool combo)
    : TFormControlObj(document, form, attrs), Multiple(!combo && attrs.Has(MultipleSy)) {
    if (const TAttribute* size = attrs.Find(SizeSy); size && size->Number >= 1) Rows = std::min(size->Number, MaxRows);
    TFormWidgetDesc desc;
    desc.Kind = combo ? TFormWidgetKind::ComboBox : TFormWidgetKind::ListBox;
    desc.Font = PreFont();
    desc.MultiSelect = Multiple;
    MakeWidget(desc);
    widget_->SetBounds(0, InitialTop, 40, 20);
}

void TListBoxFormControlObj::AddOption(const std::string& text, const std::string& value, bool selected) {
    if (text.empty() || static_cast<int>(Options.size()) >= MaxOptions) return;
    Options.push_back({text.substr(0, MaxOptionText), value.substr(0, MaxOptionText), selected});
    WidthChars = std::min(MaxSizeChars, std::max(WidthChars, static_cast<int>(Options.back().Text.size())));
}

void TListBoxFormControlObj::Refill() {
    std::vector<std::string> items;
    items.reserve(Options.size());
    for (auto& o : Options) items.push_back(o.Text);
    widget_->SetItems(items);
}

void TListBoxFormControlObj::ResetValue() {
    Refill();
    int last = -1;
    for (size_t i = 0; i < Options.size(); ++i) {
        if (Multiple)
            widget_->SetSelected(static_cast<int>(i), Options[i].Selected);
        else if (Options[i].Selected)
            last = static_cast<int>(i);
    }
    if (!Multiple && last >= 0) widget_->SetItemIndex(last);
    if (widget_->ItemIndex() < 0 && widget_->Count() > 0) widget_->SetItemIndex(Multiple ? -1 : 0);
    widget_->SetTopIndex(0);
}

std::string TListBoxFormControlObj::PairFor(int i) const {
    const TOptionObj& o = Options.at(static_cast<size_t>(i));
    return Name + "=" + (o.Value.empty() ? o.Text : o.Value);
}

bool TListBoxFormControlObj::GetSubmissionPair(int index, std::string& text) {
    if (index < 0 || index >= widget_->Count() || index >= static_cast<int>(Options.size())) return false;
    const bool chosen = Multiple ? widget_->Selected(index) : widget_->ItemIndex() == index;
    text = chosen ? PairFor(index) : std::string();
    return true;
}

void TListBoxFormControlObj::AdjustSize(TCanvas& canvas) {
    if (Rows == -1) Rows = std::max(1, std::min(8, static_cast<int>(Options.size())));
    const TFont f = PreFont();
    widget_->SetClientSize(WidthChars * WidthOfA(canvas, f) + 15, Rows * HeightOfA(canvas, f));
}

void TListBoxFormControlObj::DrawSubstitute(TCanvas& canvas, int x, int y) {
    TRect r = BoxAt(x, y);
    DrawBox(canvas, r, false);
    canvas.Font = PreFont();
    canvas.Brush.Style = TBrushStyle::bsClear;
    const int h = canvas.TextHeight("A");
    canvas.PushClip(Rect(x + 4, y + 4, r.Right - 8, r.Bottom - 8));
    for (int row = 0; row < Rows && row < static_cast<int>(Options.size()); ++row)
        canvas.TextOut(x + 4, y + 4 + row * h, Options[static_cast<size_t>(row)].Text);
    canvas.PopClip();
    canvas.Brush.Style = TBrushStyle::bsSolid;
}

void TComboFormControlObj::ResetValue() {
    Refill();
    int last = -1;
    for (size_t i = 0; i < Options.size(); ++i)
        if (Options[i].Selected) last = static_cast<int>(i);
    widget_->SetItemIndex(last >= 0 ? last : (widget_->Count() > 0 ? 0 : -1));
}

bool TComboFormControlObj::GetSubmissionPair(int index, std::string& text) {
    if (index < 0 || index >= widget_->Count() || index >= static_cast<int>(Options.size())) return false;
    text = widget_->ItemIndex() == index ? PairFor(index) : std::string();
    return true;
}

void TComboFormControlObj::AdjustSize(TCanvas& canvas) {
    // Measured in the screen's default font, as the closed box shows it.
    widget_->SetClientSize(WidthChars * WidthOfA(canvas, TFont()) + 30, Height());
}

void TComboFormControlObj::DrawSubstitute(TCanvas& canvas, int x, int y) {
    TRect r = BoxAt(x, y);
    DrawBox(canvas, r, false);
    int i = widget_->ItemIndex();
    if (i < 0 || i >= static_cast<int>(Options.size())) return;
    canvas.Font = PreFont();
    canvas.Brush.Style = TBrushStyle::bsClear;
    canvas.PushClip(Rect(x + 4, y + 4, r.Right - 8, r.Bottom - 8));
    canvas.TextOut(x + 4, y + 4, Options[static_cast<size_t>(i)].Text);
    canvas.PopClip();
    canvas.Brush.Style = TBrushStyle::bsSolid;
}

// ---------------------------------------------------------------------------------------------
// Text area

TTextAreaFormControlObj::TTextAreaFormControlObj(TSectionList* document, ThtmlForm* form, const TAttributeList& attrs)
    : TFormControlObj(document, form, attrs) {
    if (const TAttribute* a = attrs.Find(ColsSy); a && a->Number > 0) Cols = std::min(a->Number, MaxSizeChars);
    if (const TAttribute* a = attrs.Find(RowsSy); a && a->Number > 0) Rows = std::min(a->Number, MaxRows);
    const std::string wrap = Attr(attrs, WrapAttrSy);
    WordWrap = SameText(wrap, "soft") || SameText(wrap, "hard");
    TFormWidgetDesc desc;
    desc.Kind = TFormWidgetKind::Memo;
    desc.Font = PreFont();
    desc.WordWrap = WordWrap;
    MakeWidget(desc);
    widget_->SetBounds(0, InitialTop, 200, 80);
    // Text areas carry the edits' key handler; Enter in a memo is a new line and submits nothing.
    widget_->OnReturn = [] {};
}

void TTextAreaFormControlObj::ResetValue() {
    widget_->SetLines(InitialLines);
    widget_->CaretToStart();
}

bool TTextAreaFormControlObj::GetSubmissionPair(int index, std::string& text) {
    if (index != 0) return false;
    const std::vector<std::string> lines = widget_->Lines();
    text = Name + "=";
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0 && !WordWrap) text += "\r\n";
        text += lines[i];
    }
    return true;
}

void TTextAreaFormControlObj::AdjustSize(TCanvas& canvas) {
    const TFont f = PreFont();
    widget_->SetClientSize(Cols * WidthOfA(canvas, f) + 5, Rows * HeightOfA(canvas, f) + 5);
}

void TTextAreaFormControlObj::DrawSubstitute(TCanvas& canvas, int x, int y) {
    TRect r = BoxAt(x, y);
    DrawBox(canvas, r, false);
    canvas.Font = PreFont();
    canvas.Brush.Style = TBrushStyle::bsClear;
    const int h = canvas.TextHeight("A");
    const std::vector<std::string> lines = widget_->Lines();
    canvas.PushClip(Rect(x + 4, y + 4, r.Right - 8, r.Bottom - 8));
    for (int i = 0; i < Rows && i < static_cast<int>(lines.size()); ++i)
        canvas.TextOut(x + 4, y + 4 + i * h, lines[static_cast<size_t>(i)]);
    canvas.PopClip();
    canvas.Brush.Style = TBrushStyle::bsSolid;
}

// ---------------------------------------------------------------------------------------------
// ThtmlForm

ThtmlForm::ThtmlForm(TSectionList* document, const TAttributeList* attrs) : Document(document) {
    if (!attrs) return;
    if (const TAttribute* m = attrs->Find(MethodSy)) Method = m->Text.substr(0, MaxMethod);
    Action = Attr(*attrs, ActionSy);
    Target = Attr(*attrs, TargetSy);
    EncType = Attr(*attrs, EncTypeSy);
}

TFormControlObj* ThtmlForm::Add(std::unique_ptr<TFormControlObj> control) {
    if (!dynamic_cast<THiddenFormControlObj*>(control.get())) ++NonHiddenTotal;
    FormControls.push_back(std::move(control));
    TFormControlObj* c = FormControls.back().get();
    if (Document) Document->FormControlList.push_back(c);
    return c;
}

std::vector<std::string> ThtmlForm::SubmissionList() const {
    std::vector<std::string> out;
    for (auto& c : FormControls) {
        std::string text;
        // Every kind stops at its item count; the bound only guards against a faulty kind.
        for (int i = 0; i <= TListBoxFormControlObj::MaxOptions && c->GetSubmissionPair(i, text); ++i) {
            if (!text.empty()) out.push_back(text);
            text.clear();
        }
    }
    return out;
}

void ThtmlForm::SubmitForm(const std::string& extra) {
    if (!Document || !Document->SubmitReceiver) return;
    auto list = std::make_unique<TStringList>();
    for (auto& s : SubmissionList()) list->Add(s);
    if (!extra.empty()) list->Add(extra);
    Document->SubmitReceiver(Action, Target, EncType, Method, std::move(list));
}

void ThtmlForm::ResetControls() {
    for (auto& c : FormControls) c->ResetValue();
}

void ThtmlForm::ControlGroup(const std::string& name, const TFormControlObj* except) {
    for (auto& c : FormControls)
        if (c.get() != except && dynamic_cast<TRadioButtonFormControlObj*>(c.get()) && SameText(c->Name, name))
            c->WindowControl()->SetChecked(false);
}

// ---------------------------------------------------------------------------------------------
// The document's side

namespace htmlforms {

void AdjustSizes(TSectionList& doc, TCanvas& canvas) {
    for (TFormControlObj* c : doc.AllControls()) c->AdjustSize(canvas);
}

void HideUnshown(TSectionList& doc, const TFormControlObj* losing) {
    // Only a shown control can hold the focus (a control that loses its place while focused is
    // parked out of sight, still shown); asking the hidden ones, most of a long page, would cost
    // a trip to the platform each.
    bool focus = false;
    for (TFormControlObj* c : doc.AllControls())
        if (c != losing && c->WindowControl() && c->WindowControl()->Visible() && c->WindowControl()->Focused()) focus = true;
    for (TFormControlObj* c : doc.AllControls()) {
        TFormWidget* w = c->WindowControl();
        if (c->Shown || !w) continue;
        if (focus) {
            // Hiding would take the focus away: out of sight instead.
            TRect b = w->Bounds();
            w->SetBounds(TFormControlObj::ParkedX, b.Top, b.Width(), b.Height());
        } else {
            w->SetVisible(false);
        }
    }
}

void PlaceControls(TSectionList& doc, int dx, int dy, int viewHeight) {
    for (TFormControlObj* c : doc.AllControls()) {
        c->Shown = false;
        if (!c->LaidOut || c->Hidden()) continue;
        const int top = c->DocY + dy;
        if (top + c->Height() <= 0 || top >= viewHeight) continue;
        c->Shown = true;
        if (auto* radio = dynamic_cast<TRadioButtonFormControlObj*>(c)) c->WindowControl()->SetColor(radio->Background());
        c->Place(c->DocX + dx, top);
    }
    HideUnshown(doc);
}

std::string DumpForms(const TSectionList& doc) {
    std::string out;
    int n = 0;
    for (auto& f : doc.Forms) {
        out += "form " + IntToStr(++n) + ": " + f->Method + " \"" + f->Action + "\"";
        if (!f->Target.empty()) out += " target \"" + f->Target + "\"";
        if (!f->EncType.empty()) out += " enctype \"" + f->EncType + "\"";
        out += ", " + IntToStr(static_cast<long long>(f->FormControls.size())) + " controls\n";
        for (auto& pair : f->SubmissionList()) {
            std::string shown;
            for (char c : pair) shown += c == '\r' ? std::string("\\r") : c == '\n' ? std::string("\\n") : std::string(1, c);
            out += "  " + shown + "\n";
        }
    }
    return out;
}

TImageFormControlObj* ImageInputFor(TSectionList& doc, const TImageObj* image) {
    if (!image) return nullptr;
    for (TFormControlObj* c : doc.AllControls())
        if (auto* in = dynamic_cast<TImageFormControlObj*>(c); in && in->Image == image) return in;
    return nullptr;
}

} // namespace htmlforms
