// The parser's table loop: rows, cells and captions into a ThtmlTable; text outside any cell goes
// into the enclosing cell, ahead of the table.
#include "html/HtmlsubsTables.h"
#include "html/ReadhtmlParser.h"
#include "toolkit/SysUtils.h"

namespace {

TVAlign VAlignFrom(const TAttribute* a, TVAlign fallback) {
    if (!a) return fallback;
    if (SameText(a->Text, "top") || SameText(a->Text, "baseline")) return TVAlign::Top;
    if (SameText(a->Text, "middle")) return TVAlign::Middle;
    if (SameText(a->Text, "bottom")) return TVAlign::Bottom;
    return fallback;
}

} // namespace

void THtmlParser::DoTable(const TSymSet& term) {
    (void)term;
    if (Depth >= MaxNesting) {
        Next();
        return;
    }
    ++Depth;
    SectionClose();
    auto table = std::make_unique<ThtmlTable>(&List, Attributes, Justify, Level);
    TCell* const outer = CurrentCell;
    table->Enclosing = outer;
    const THAlign savedJustify = Justify;
    const int savedStyle = StyleFlags;
    const size_t savedFonts = FontStack.size();
    TSymSet cellTerm;
    for (Symb s : {EndOf(TableSy), TDSy, EndOf(TDSy), TRSy, EndOf(TRSy), THSy, EndOf(THSy), CaptionSy, EndOf(CaptionSy)})
        cellTerm.set(s);

    std::unique_ptr<TCellList> row;
    // The row's ALIGN, when it gave one.
    bool rowAligned = false;
    THAlign rowAlign = THAlign::Left;
    TVAlign rowVAlign = TVAlign::Middle;
    std::unique_ptr<TCellObj> cell;
    // Rows of a table mostly hold as many cells as the row before: room for that many at once.
    size_t lastRowCells = 0;
    // Ends what the previous cell started: its sections, its fonts, its style.
    auto restore = [&] {
        SectionClose();
        while (FontStack.size() > savedFonts) FontStack.pop_back();
        StyleFlags = savedStyle;
        Justify = savedJustify;
        CurrentCell = outer;
    };
    auto closeCell = [&] {
        restore();
        if (cell) row->Cells.push_back(std::move(cell));
    };
    auto closeRow = [&] {
        closeCell();
        if (row) {
            lastRowCells = row->Cells.size();
            table->Rows.push_back(std::move(row));
        }
        rowAligned = false;
        rowVAlign = TVAlign::Middle;
    };
    auto newRow = [&] {
        row = std::make_unique<TCellList>();
        row->Cells.reserve(lastRowCells);
    };
    auto openRow = [&] {
        closeRow();
        newRow();
    };
    // Reads a cell's or the caption's content, up to a table terminator.
    auto readContent = [&](TCell* into, THAlign justify) {
        CurrentCell = into;
        Justify = justify;
        InPSpace = true; // a cell starts without paragraph space
        SectionNew();
        Next();
        DoBody(cellTerm);
        restore();
    };

    Next();
    while (Sy != EofSy && Sy != EndOf(TableSy)) {
        switch (static_cast<int>(Sy)) {
        case TRSy: {
            DoEndA();
            openRow();
            rowAligned = false;
            if (const TAttribute* a = Attributes.Find(AlignSy)) {
                THAlign j = JustifyFrom(a, THAlign::Left);
                if (SameText(a->Text, "left") || SameText(a->Text, "center") || SameText(a->Text, "right")) {
                    rowAlign = j;
                    rowAligned = true;
                }
            }
            rowVAlign = VAlignFrom(Attributes.Find(VAlignSy), TVAlign::Middle);
            TColor c;
            if (const TAttribute* a = Attributes.Find(BGColorSy); a && ColorFromString(a->Text, c)) row->BgColor = c;
            Next();
            break;
        }
        case EndOf(TRSy):
            DoEndA();
            closeRow();
            Next();
            break;
        case TDSy:
        case THSy: {
            DoEndA();
            closeCell();
            if (!row) newRow(); // a cell before any row opens one
            const bool head = Sy == THSy;
            THAlign j = JustifyFrom(Attributes.Find(AlignSy), rowAligned ? rowAlign : head ? THAlign::Center : THAlign::Left);
            cell = std::make_unique<TCellObj>(&List, Attributes, VAlignFrom(Attributes.Find(VAlignSy), rowVAlign));
            StyleFlags = head ? (savedStyle | fsBold) : (savedStyle & ~static_cast<int>(fsBold));
            readContent(&cell->Cell, j);
            // readContent restored the style; the cell stays open until a terminator closes it.
            break;
        }
        case EndOf(TDSy):
        case EndOf(THSy):
            DoEndA();
            closeCell();
            Next();
            break;
        case CaptionSy: {
            DoEndA();
            closeCell();
            table->CaptionOnTop = !SameText(AttrText(AlignSy), "bottom");
            if (!table->Caption) table->Caption = std::make_unique<TCellObj>(&List, TAttributeList(), TVAlign::Top);
            table->Caption->Cell.BgColor = clNone;
            readContent(&table->Caption->Cell, THAlign::Center);
            if (Sy == EndOf(CaptionSy)) Next();
            break;
        }
        case EndOf(CaptionSy): Next(); break;
        default:
            // Text outside any cell: into the enclosing cell, so it shows above the table. (A
            // cell's content always runs to a terminator, so no cell is open here.)
            closeCell();
            DoBody(cellTerm);
            restore();
            break;
        }
    }
    DoEndA();
    closeRow();
    CurrentCell = outer;
    outer->Add(std::move(table));
    Justify = savedJustify;
    StyleFlags = savedStyle;
    if (Sy == EndOf(TableSy)) Next();
    --Depth;
}
