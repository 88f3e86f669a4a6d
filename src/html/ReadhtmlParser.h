// The parser's inner machinery, shared by the Readhtml source files: the character reader, the
// symbol stream and the recursive builder. One THtmlParser serves one parse.
#pragma once

#include <bitset>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "html/Htmlsbs1.h"
#include "html/Readhtml.h"

using TSymSet = std::bitset<256>;

class THtmlParser {
public:
    THtmlParser(TSectionList& list, TStringList& nameList, const THtmlCallbacks& callbacks, THtmlParseInfo& info);
    // Parses a whole buffer; the clean-up runs whatever happens.
    void Parse(const char* buffer, size_t size);

    static constexpr int EofCh = 0x100; // end of input, beyond every byte
    static constexpr int MaxFontStack = 25;
    static constexpr int MaxNesting = 100; // nested lists, blocks and tables
    static constexpr int MaxNameLength = 150;

    // ---- character reader
    void GetCh();
    int RawGet();
    int RawPeek(int k = 0) const;
    void SkipComment();
    void DoIncludeDirective();

    // ---- symbols
    void Next();
    void GetTag();
    void ReadAttributes(bool keep);
    std::string GetEntity();
    void GetText();

    // ---- builder
    void DoBody(const TSymSet& term);
    void DoLists(Symb sym, const TSymSet& term);
    void DoCenterDiv(const TSymSet& term);
    void DoHorzLine();
    bool DoCommonSy(); // true when Sy already holds the following symbol
    bool DoStyleSy();  // style, font and link tags shared with PRE; false when Sy is none of them
    void DoP();
    void DoBR();
    void DoHeading();
    void DoFont(bool baseFont);
    void DoA();
    void DoEndA();
    void DoImage();
    bool DoMap();
    void DoPage();
    void DoPre();
    void DoTitle();
    void DoBodyTag();
    void DoBase();
    void DoMeta();
    void DoBgSound();
    void DoScript();
    // Tables and forms.
    void DoTable(const TSymSet& term);
    void DoForm();
    void DoEndForm();
    void DoInput();
    void DoSelect();
    void DoTextArea();
    std::vector<std::string> ReadTextAreaLines();
    // The form a new control joins: the current one, or a new implicit one.
    ThtmlForm* FormForControl();
    // Takes a control into its form and the current section; null when the page has too many.
    template <class T> T* AddFormControl(std::unique_ptr<T> control, bool hidden);

    // ---- builder helpers
    TMyFont CurFont() const;
    TUrlTarget CurUrl() const { return InLink ? Url : TUrlTarget{}; }
    void SectionNew(THAlign justify);
    void SectionNew() { SectionNew(Justify); }
    void PreSectionNew();
    void SectionClose(bool addSpace = false);
    void ChangeFont();
    bool PushFont();
    void PopFont();
    THAlign JustifyFrom(const TAttribute* a, THAlign fallback) const;
    std::string AttrText(Symb sym) const;
    bool DocumentEmpty() const;

    TSectionList& List;
    TStringList& NameList;
    const THtmlCallbacks& Callbacks;
    THtmlParseInfo& Info;

    // Sources: the page, and an included buffer read before going back to it.
    const unsigned char* Buf = nullptr;
    size_t BufLen = 0, BufPos = 0;
    std::string Include;
    size_t IncludePos = 0;
    bool InInclude = false;

    int LCh = EofCh, Ch = EofCh; // the character as read and its upper-case twin
    bool InScript = false;
    bool OpenComment = false; // the input ended inside a comment

    Symb Sy = EofSy;
    std::string LCToken; // the text of a text symbol
    int HeadingLevel = 0;
    TAttributeList Attributes;

    TCell* CurrentCell;
    std::unique_ptr<TSection> Section;
    std::vector<TMyFont> FontStack;
    THAlign Justify = THAlign::Left;
    int StyleFlags = 0;
    TScript SScript = TScript::None;
    TUrlTarget Url;
    bool InLink = false, LinkFontPushed = false;
    int BaseFontSize = 3;
    bool InPSpace = false, InPre = false, BodySeen = false;
    bool SectionNamed = false; // an anchor names the current section
    int Level = 0, Depth = 0;
    ThtmlForm* CurrentForm = nullptr; // FORM to /FORM, or the implicit form of controls outside one
};
