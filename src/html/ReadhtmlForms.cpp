// The parser's steps for forms: FORM and /FORM track the current form; INPUT, SELECT and TEXTAREA
// make control objects (Htmlsbs1Forms.h). SELECT and TEXTAREA content is read completely (options,
// lines), so it never shows as page text.
#include <cctype>

#include "html/ReadhtmlParser.h"
#include "toolkit/SysUtils.h"

void THtmlParser::DoForm() {
    List.Forms.push_back(std::make_unique<ThtmlForm>(&List, &Attributes));
    CurrentForm = List.Forms.back().get();
}

void THtmlParser::DoEndForm() { CurrentForm = nullptr; }

ThtmlForm* THtmlParser::FormForControl() {
    if (!CurrentForm) {
        // Controls outside any FORM share one form without attributes until the next /FORM.
        List.Forms.push_back(std::make_unique<ThtmlForm>(&List, nullptr));
        CurrentForm = List.Forms.back().get();
    }
    return CurrentForm;
}

template <class T> T* THtmlParser::AddFormControl(std::unique_ptr<T> control, bool hidden) {
    if (static_cast<int>(List.FormControlList.size()) >= ThtmlForm::MaxControls) return nullptr;
    T* c = control.get();
    CurrentForm->Add(std::move(control));
    Section->AddControl(c, hidden);
    return c;
}

void THtmlParser::DoInput() {
    const std::string type = LowerCase(AttrText(TypeSy).substr(0, 20));
    if (!Section) InPre ? PreSectionNew() : SectionNew();
    if (static_cast<int>(List.FormControlList.size()) >= ThtmlForm::MaxControls) return;
    ThtmlForm* form = FormForControl();
    if (type == "image") {
        auto in = std::make_unique<TImageFormControlObj>(&List, form, Attributes);
        in->Position = Section->Len();
        in->Image = Section->AddImage(Attributes, TUrlTarget{});
        form->Add(std::move(in));
    } else if (type == "hidden") {
        AddFormControl(std::make_unique<THiddenFormControlObj>(&List, form, Attributes), true);
    } else if (type == "submit" || type == "reset" || type == "button") {
        TButtonKind kind = type == "submit" ? TButtonKind::Submit : type == "reset" ? TButtonKind::Reset : TButtonKind::Button;
        AddFormControl(std::make_unique<TButtonFormControlObj>(&List, form, Attributes, kind), false);
    } else if (type == "radio") {
        AddFormControl(std::make_unique<TRadioButtonFormControlObj>(&List, form, Attributes, CurrentCell), false);
    } else if (type == "checkbox") {
        AddFormControl(std::make_unique<TCheckBoxFormControlObj>(&List, form, Attributes), false);
    } else {
        AddFormControl(std::make_unique<TEditFormControlObj>(&List, form, Attributes, type == "password"), false);
    }
}

void THtmlParser::DoSelect() {
    if (!Section) InPre ? PreSectionNew() : SectionNew();
    const TAttribute* size = Attributes.Find(SizeSy);
    const bool list = Attributes.Has(MultipleSy) || (size && size->Number > 1);
    // Past the page's limit the options are still read (and dropped), so they never show as text.
    std::unique_ptr<TListBoxFormControlObj> spare;
    TListBoxFormControlObj* select = nullptr;
    if (static_cast<int>(List.FormControlList.size()) < ThtmlForm::MaxControls) {
        ThtmlForm* form = FormForControl();
        if (list)
            select = AddFormControl(std::make_unique<TListBoxFormControlObj>(&List, form, Attributes), false);
        else
            select = AddFormControl(std::make_unique<TComboFormControlObj>(&List, form, Attributes), false);
    } else {
        spare = std::make_unique<TListBoxFormControlObj>(nullptr, nullptr, Attributes);
        select = spare.get();
    }
    constexpr size_t MaxText = TListBoxFormControlObj::MaxOptionText;
    std::string text, value;
    bool selected = false, inOption = false;
    auto finish = [&] {
        std::string t = Trim(text).substr(0, MaxText);
        if (!t.empty() && inOption) select->AddOption(t, value, selected);
        text.clear(), value.clear();
        selected = inOption = false;
    };
    Next();
    while (Sy != EofSy && Sy != EndOf(SelectSy)) {
        if (Sy == TextSy) {
            if (inOption && text.size() < MaxText) text += LCToken.substr(0, MaxText - text.size());
        } else if (Sy == OptionSy || Sy == EndOf(OptionSy)) {
            const bool open = Sy == OptionSy;
            finish();
            if (open) {
                inOption = true;
                selected = Attributes.Has(SelectedAttrSy);
                value = AttrText(ValueSy).substr(0, MaxText);
            }
        } else if (Sy == ScriptSy) {
            DoScript(); // reads its content, and turns comment detection back on
        }
        Next();
    }
    finish();
    select->ResetValue();
}

void THtmlParser::DoTextArea() {
    if (!Section) InPre ? PreSectionNew() : SectionNew();
    std::unique_ptr<TTextAreaFormControlObj> spare;
    TTextAreaFormControlObj* area = nullptr;
    if (static_cast<int>(List.FormControlList.size()) < ThtmlForm::MaxControls) {
        ThtmlForm* form = FormForControl();
        area = AddFormControl(std::make_unique<TTextAreaFormControlObj>(&List, form, Attributes), false);
    } else {
        spare = std::make_unique<TTextAreaFormControlObj>(nullptr, nullptr, Attributes);
        area = spare.get();
    }
    area->InitialLines = ReadTextAreaLines();
    if (area->InitialLines.size() > static_cast<size_t>(TTextAreaFormControlObj::MaxInitialLines))
        area->InitialLines.resize(static_cast<size_t>(TTextAreaFormControlObj::MaxInitialLines));
    area->ResetValue();
}

std::vector<std::string> THtmlParser::ReadTextAreaLines() {
    // Everything up to "</textarea" followed by a space, a line end or ">" is the text.
    std::vector<std::string> lines;
    std::string line;
    auto atEnd = [this] {
        static const char tail[] = "/TEXTAREA";
        for (int k = 0; k < 9; ++k) {
            int c = RawPeek(k);
            if (c == EofCh || std::toupper(c) != tail[k]) return false;
        }
        int after = RawPeek(9);
        return after == ' ' || after == '\r' || after == '\n' || after == '\t' || after == '>';
    };
    while (Ch != EofCh) {
        if (LCh == '<' && atEnd()) break;
        if (LCh == '\r') {
            lines.push_back(line);
            line.clear();
            GetCh();
        } else if (LCh == '&') {
            line += GetEntity();
        } else {
            line += static_cast<char>(LCh);
            GetCh();
        }
    }
    while (Ch != '>' && Ch != EofCh) GetCh();
    if (Ch == '>') GetCh();
    if (!line.empty()) lines.push_back(line);
    // The caller reads the next symbol: leave a neutral one behind.
    Sy = CommandSy;
    return lines;
}
