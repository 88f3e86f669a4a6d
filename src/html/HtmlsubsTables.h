// Tables: one section whose content is a grid of cells, each cell a TCell holding ordinary
// sections (so tables nest). The parser builds the rows; layout works out column widths from the
// cells' minimum and preferred widths, percentage and pixel widths and spans, lays each cell out
// at its columns' width and sets the row heights; painting fills backgrounds, draws borders and
// the cells' content.
#pragma once

#include <memory>
#include <vector>

#include "html/Htmlsubs.h"

// One cell of a row, or a filler cell that span normalisation inserts (ColSpan 0, no content).
class TCellObj : public TObject {
public:
    // A real cell whose content goes into `Cell`.
    TCellObj(TSectionList* document, const TAttributeList& attrs, TVAlign valign);
    // A filler cell.
    TCellObj() = default;

    int ColSpan = 1, RowSpan = 1;
    int SpecWd = 0; // WIDTH in pixels, or in tenths of a percent with WidthPercent
    bool WidthPercent = false;
    int SpecHt = 0; // HEIGHT in pixels
    TVAlign VAlign = TVAlign::Middle;
    // The content and its background colour; empty in a filler. Held in place rather than on the
    // heap of its own: a long table has many cells.
    TCell Cell{nullptr};
    bool Filler() const { return ColSpan == 0; }
    bool PixelWidth() const { return SpecWd > 0 && !WidthPercent; }

    // Layout results.
    int Wd = 0; // the summed width of its columns
    int Ht = 0; // the content height (raised to HEIGHT less the padding)
    int ContentHt = 0;
    int VSize = 0;   // the height of the rows it spans
    int YIndent = 0; // the content's offset from the top of its box
    int MinW = 0, MaxW = 0;
    TRect Box; // document rectangle (without the spacing), set by layout
};

// One row: its cells and its background colour.
class TCellList : public TObject {
public:
    std::vector<std::unique_ptr<TCellObj>> Cells;
    TColor BgColor = clNone; // clNone: none
    int RowHeight = 0;
    int Y = 0; // document y of the row's top, set by layout
};

class ThtmlTable : public TSectionBase {
public:
    static constexpr int MaxColumns = 100; // a table with more is removed at layout
    static constexpr int MaxPadding = 50, MaxSpacing = 40, MaxHSpace = 20;

    ThtmlTable(TSectionList* document, const TAttributeList& attrs, THAlign justify, int level);

    std::vector<std::unique_ptr<TCellList>> Rows;
    std::unique_ptr<TCellObj> Caption;
    bool CaptionOnTop = true;
    bool Border = false;
    int CellPadding = 1, CellSpacing = 2;
    int SpecWd = 0; // WIDTH in pixels, or tenths of a percent with WidthPercent; 0 for none
    bool WidthPercent = false;
    THAlign Justify;
    bool Float = false; // ALIGN LEFT or RIGHT: text flows beside the table
    int HSpace = 5;
    TColor BgColor = clNone, BorderColor = clNone;
    int Level;
    TCell* Enclosing = nullptr; // the cell the table sits in, whose colour it takes when it has none

    // Layout results.
    int NumCols = 0;
    std::vector<int> Widths, Percents, ColMin, ColMax; // per column; percentages in tenths
    int GridWidth = 0, TableWidth = 0, GridX = 0, TableX = 0, CaptionHeight = 0, RowsHeight = 0;

    int Length() const override;
    int LayOut(TLayoutContext& ctx, int y) override;
    void Paint(TPaintContext& pc) override;
    TFontObj* LinkAt(int x, int y, TUrlTarget& url) override;
    TImageObj* ImageAt(int x, int y) override;
    int PositionAt(int x, int y) override;
    int FindText(int start, const std::string& text, bool matchCase) override;
    bool PointOf(int index, TPoint& p) override;
    bool CharAt(int index, char& c) const override;
    void CopySelection(std::string& out) override;
    void RefreshFonts() override;
    void MeasureWidths(TLayoutContext& ctx, int& minW, int& maxW) override;
    bool Walk(const std::function<bool(TSectionBase&)>& visit) override;
    void ShiftY(int dy) override;

    // The cells with content in document order: the caption (on top), the rows, the caption
    // (below). Built once the table is complete (the parser adds it to the document only then).
    const std::vector<TCellObj*>& ContentCells() const;
    // Span normalisation, colours and the column count; raises EProcessError "Table has too many
    // Columns". Runs once.
    void Initialize();
    bool PixelMode() const { return hasPixelWidth_ && SpecWd == 0; }

private:
    // Column minimums and maximums (and percentages) from the cells.
    void ColumnLimits(TLayoutContext& ctx);
    // Column widths for the width available at the table's place.
    void ColumnWidths(int avail);
    void Spread(int usable);
    int CellX(int col) const; // document x of a column's left edge (spacing included)

    bool initialized_ = false, hasPixelWidth_ = false;
    int maxRowSpan_ = 1;
    int limitsPass_ = -1; // the document's layout pass the column limits were measured in
    int length_ = 0;      // characters of all cells, counted at layout
    mutable std::vector<TCellObj*> contentCells_;
    mutable bool contentCellsBuilt_ = false;
};
