// Small section kinds: preformatted lines, list items, spacers, rules and page breaks. Form
// controls and forms are in Htmlsbs1Forms.h.
#pragma once

#include "html/Htmlsbs1Forms.h"
#include "html/Htmlsubs.h"

// One line of preformatted text: stored as given, never wrapped.
class TPreFormated : public TSection {
public:
    TPreFormated(TSectionList* document, int level, const TMyFont& font, const TUrlTarget& url, THAlign justify)
        : TSection(document, level, font, url, justify) {
        Preformatted = true;
    }
    void MeasureWidths(TLayoutContext& ctx, int& minW, int& maxW) override;
};

// A list item with a bullet (unless the list is PLAIN).
class TUListItem : public TSection {
public:
    TUListItem(TSectionList* document, int level, const TMyFont& font, const TUrlTarget& url, THAlign justify, bool plain)
        : TSection(document, level, font, url, justify), Plain(plain), FirstFont(font) {
        ListKind = TListKind::Unordered;
    }
    bool Plain;
    TMyFont FirstFont; // the font at the item's start, for its marker
    void RefreshFonts() override;

protected:
    void DrawMarker(TPaintContext& pc) override;
};

// A numbered list item: decimal, letters (a, A) or Roman numerals (i, I).
class TOListItem : public TUListItem {
public:
    TOListItem(TSectionList* document, int level, const TMyFont& font, const TUrlTarget& url, THAlign justify, int number,
               char style)
        : TUListItem(document, level, font, url, justify, false), ListNumb(number), ListStyle(style) {
        ListKind = TListKind::Ordered;
    }
    int ListNumb;
    char ListStyle;
    // The marker text, e.g. "3.", "c.", "iii.".
    std::string MarkerText() const;

protected:
    void DrawMarker(TPaintContext& pc) override;
};

// A definition-list item: no marker.
class TDListItem : public TUListItem {
public:
    TDListItem(TSectionList* document, int level, const TMyFont& font, const TUrlTarget& url, THAlign justify)
        : TUListItem(document, level, font, url, justify, true) {
        ListKind = TListKind::Definition;
    }

protected:
    void DrawMarker(TPaintContext&) override {}
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
    THAlign Align = THAlign::Center;
    bool HasColor = false, NoShade = false;
    TColor Color = clBlack;

    void SetHeight() override;
    int LayOut(TLayoutContext& ctx, int y) override;
    void Paint(TPaintContext& pc) override;
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
