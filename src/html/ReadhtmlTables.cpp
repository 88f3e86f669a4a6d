// The parser's table loop.
//
// The grid is not built yet. A table's content is read cell by cell with the cell terminators of
// a real table, and every row, cell and caption boundary starts a new block, so the text of a
// table shows in reading order and nothing after the table is swallowed.
#include "html/ReadhtmlParser.h"

void THtmlParser::DoTable(const TSymSet& term) {
    (void)term;
    if (Depth >= MaxNesting) {
        Next();
        return;
    }
    ++Depth;
    SectionClose();
    THAlign savedJustify = Justify;
    int savedStyle = StyleFlags;
    size_t savedFonts = FontStack.size();
    TSymSet cellTerm;
    for (Symb s : {EndOf(TableSy), TDSy, EndOf(TDSy), TRSy, EndOf(TRSy), THSy, EndOf(THSy), CaptionSy, EndOf(CaptionSy)})
        cellTerm.set(s);
    Next();
    while (Sy != EofSy && Sy != EndOf(TableSy)) {
        if (cellTerm.test(Sy)) {
            DoEndA();
            SectionClose();
            while (FontStack.size() > savedFonts) FontStack.pop_back();
            StyleFlags = savedStyle;
            Justify = savedJustify;
            if (Sy == TDSy || Sy == THSy || Sy == CaptionSy) {
                InPSpace = true; // a cell starts without paragraph space
                if (Sy == THSy) StyleFlags |= fsBold;
                THAlign fallback = Sy == THSy || Sy == CaptionSy ? THAlign::Center : THAlign::Left;
                Justify = JustifyFrom(Attributes.Find(AlignSy), fallback);
            }
            Next();
        } else {
            DoBody(cellTerm);
        }
    }
    DoEndA();
    SectionClose();
    while (FontStack.size() > savedFonts) FontStack.pop_back();
    Justify = savedJustify;
    StyleFlags = savedStyle;
    if (Sy == EndOf(TableSy)) Next();
    --Depth;
}
