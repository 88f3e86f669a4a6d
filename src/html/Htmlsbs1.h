// Small section kinds (preformatted lines, list items, spacers, rules, page breaks) and the base
// of form controls as the layout sees them.
#pragma once

#include "html/Htmlsubs.h"

// What layout and painting need of a form control that stands at a character 2 of a section.
class TFormControlObj : public TObject {
public:
    explicit TFormControlObj(TSectionList* document) : Document(document) {}
    TSectionList* Document;
    int Position = 0;
    std::string Name, Value;
    bool Shown = false;
    int Left = 0, Top = 0; // where painting last placed it (screen)
    virtual int Width() const { return 0; }
    virtual int Height() const { return 0; }
    virtual bool Hidden() const { return false; }
    virtual bool BaselineAligned() const { return false; }
    // Moves the control's window to its place on the drawing surface.
    virtual void Place(int x, int y) { Left = x, Top = y, Shown = true; }
};

// One line of preformatted text: stored as given, never wrapped.
class TPreFormated : public TSection {
public:
    TPreFormated(TSectionList* document, int level, const TMyFont& font, const TUrlTarget& url, int justify)
        : TSection(document, level, font, url, justify) {
        Preformatted = true;
    }
    void MeasureWidths(TCanvas& canvas, int& minW, int& maxW) override;
};

// A list item with a bullet (unless the list is PLAIN).
class TUListItem : public TSection {
public:
    TUListItem(TSectionList* document, int level, const TMyFont& font, const TUrlTarget& url, int justify, bool plain)
        : TSection(document, level, font, url, justify), Plain(plain) {
        ListKind = 2;
    }
    bool Plain;

protected:
    void DrawMarker(TCanvas& canvas, int x, int y) override;
};

// A numbered list item: decimal, letters (a, A) or Roman numerals (i, I).
class TOListItem : public TUListItem {
public:
    TOListItem(TSectionList* document, int level, const TMyFont& font, const TUrlTarget& url, int justify, int number, char style)
        : TUListItem(document, level, font, url, justify, false), ListNumb(number), ListStyle(style) {
        ListKind = 1;
    }
    int ListNumb;
    char ListStyle;
    // The marker text, e.g. "3.", "c.", "iii.".
    std::string MarkerText() const;

protected:
    void DrawMarker(TCanvas& canvas, int x, int y) override;
};

// A definition-list item: no marker.
class TDListItem : public TUListItem {
public:
    TDListItem(TSectionList* document, int level, const TMyFont& font, const TUrlTarget& url, int justify)
        : TUListItem(document, level, font, url, justify, true) {
        ListKind = 3;
    }

protected:
    void DrawMarker(TCanvas&, int, int) override {}
};

// Vertical space after a paragraph: 14 nominal pixels.
class TParagraphSpace : public TSectionBase {
public:
    explicit TParagraphSpace(TSectionList* document) : TSectionBase(document) { SetHeight(); }
    void SetHeight() override;
};

// Vertical space around a heading of a level (0 for a heading without one).
class THeadingSpace : public TSectionBase {
public:
    THeadingSpace(TSectionList* document, int level) : TSectionBase(document), HeadingLevel(level) { SetHeight(); }
    int HeadingLevel;
    void SetHeight() override;
};

// A horizontal rule.
class THorzLine : public TSectionBase {
public:
    THorzLine(TSectionList* document, const TAttributeList& attrs);
    int Thickness = 2;
    int HrWidth = 0; // 0: none
    bool Percent = false;
    int Align = 2; // left 1, centre 2, right 3
    bool HasColor = false, NoShade = false;
    TColor Color = clBlack;

    void SetHeight() override;
    int LayOut(TCanvas& canvas, int y, int width, int& curs, IndentManagerBasic& imgr, int& maxWidth) override;
    void Paint(TCanvas& canvas, const TRect& clip, int x, int y) override;
    // The rule's rectangle in document coordinates, from the last layout.
    TRect RuleRect() const { return rule_; }

private:
    TRect rule_;
};

// A page-break marker: no height, draws nothing.
class TPage : public TSectionBase {
public:
    explicit TPage(TSectionList* document) : TSectionBase(document) {}
};
