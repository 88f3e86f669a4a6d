#include "html/HtmlsubsTables.h"

#include <algorithm>
#include <numeric>

#include "toolkit/SysUtils.h"

namespace {

// A WIDTH value: pixels above 0, or 1 to 100 % held in tenths of a percent.
void ReadWidth(const TAttribute& a, int& width, bool& percent) {
    if (!a.Text.empty() && a.Text.back() == '%') {
        if (a.Number > 0) {
            width = std::min(a.Number, 100) * 10;
            percent = true;
        }
    } else if (a.Number > 0) {
        width = a.Number;
        percent = false;
    }
}

// Shares `amount` among entries in proportion to `weights` (an equal share when they sum to 0).
std::vector<int> Shares(int amount, const std::vector<int>& weights) {
    std::vector<int> out(weights.size(), 0);
    if (weights.empty()) return out;
    long long sum = 0;
    for (int w : weights) sum += w;
    for (size_t i = 0; i < weights.size(); ++i)
        out[i] = sum > 0 ? static_cast<int>(static_cast<long long>(amount) * weights[i] / sum)
                         : amount / static_cast<int>(weights.size());
    // What rounding left over goes to the last entry that takes a share, so nothing is lost.
    int given = 0;
    for (int v : out) given += v;
    size_t last = weights.size() - 1;
    if (sum > 0)
        while (last > 0 && weights[last] == 0) --last;
    out[last] += amount - given;
    return out;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Building

TCellObj::TCellObj(TSectionList* document, const TAttributeList& attrs, TVAlign valign) : VAlign(valign), Cell(document) {
    for (int i = 0; i < attrs.Count(); ++i) {
        const TAttribute& a = attrs[i];
        switch (a.Symbol) {
        case ColSpanSy:
            if (a.Number > 1) ColSpan = std::min(a.Number, ThtmlTable::MaxColumns + 1);
            break;
        case RowSpanSy:
            if (a.Number > 1) RowSpan = a.Number;
            break;
        case WidthSy: ReadWidth(a, SpecWd, WidthPercent); break;
        case HeightSy:
            if (a.Number > 0) SpecHt = a.Number;
            break;
        case BGColorSy: {
            TColor c;
            if (ColorFromString(a.Text, c)) Cell.BgColor = c;
            break;
        }
        default: break;
        }
    }
}

ThtmlTable::ThtmlTable(TSectionList* document, const TAttributeList& attrs, THAlign justify, int level)
    : TSectionBase(document), Justify(justify), Level(level) {
    for (int i = 0; i < attrs.Count(); ++i) {
        const TAttribute& a = attrs[i];
        switch (a.Symbol) {
        case BorderSy: Border = a.Number > 0; break;
        case CellPaddingSy:
            if (a.Number >= 0) CellPadding = std::min(a.Number, MaxPadding);
            break;
        case CellSpacingSy:
            if (a.Number >= 0) CellSpacing = std::min(a.Number, MaxSpacing);
            break;
        case WidthSy: ReadWidth(a, SpecWd, WidthPercent); break;
        case AlignSy:
            if (SameText(a.Text, "center")) {
                Justify = THAlign::Center;
                Float = false;
            } else if (SameText(a.Text, "left") || SameText(a.Text, "right")) {
                Justify = SameText(a.Text, "left") ? THAlign::Left : THAlign::Right;
                Float = true;
            }
            break;
        case HSpaceSy: HSpace = std::min(std::abs(a.Number), MaxHSpace); break;
        case BGColorSy: {
            TColor c;
            if (ColorFromString(a.Text, c)) BgColor = c;
            break;
        }
        case BorderColorSy: {
            TColor c;
            if (ColorFromString(a.Text, c)) BorderColor = c;
            break;
        }
        default: break;
        }
    }
    if (Border) CellSpacing += 2;
    CellSpacing = std::max(CellSpacing, 1);
}

const std::vector<TCellObj*>& ThtmlTable::ContentCells() const {
    if (contentCellsBuilt_) return contentCells_;
    contentCellsBuilt_ = true;
    if (Caption && CaptionOnTop) contentCells_.push_back(Caption.get());
    for (auto& row : Rows)
        for (auto& c : row->Cells)
            if (!c->Filler()) contentCells_.push_back(c.get());
    if (Caption && !CaptionOnTop) contentCells_.push_back(Caption.get());
    return contentCells_;
}

void ThtmlTable::Initialize() {
    if (initialized_) {
        if (NumCols > MaxColumns) throw EProcessError("Table has too many Columns");
        return;
    }
    initialized_ = true;
    // A row with more cells than the limit already settles it (spans only add columns): the table
    // goes without the work below.
    for (auto& row : Rows) NumCols = std::max(NumCols, static_cast<int>(row->Cells.size()));
    if (NumCols > MaxColumns) throw EProcessError("Table has too many Columns");
    // Colours: the cell's own, else the row's, else the table's, else the enclosing cell's. The
    // same pass (there are no fillers yet) notes pixel widths and spans: a table without spans,
    // the usual kind, is then complete, with no further pass over its cells.
    TColor tableBg = BgColor != clNone ? BgColor : Enclosing ? Enclosing->BgColor : clNone;
    bool colSpans = false, rowSpans = false;
    for (auto& row : Rows)
        for (auto& c : row->Cells) {
            if (c->Cell.BgColor == clNone) c->Cell.BgColor = row->BgColor;
            if (c->Cell.BgColor == clNone) c->Cell.BgColor = tableBg;
            hasPixelWidth_ = hasPixelWidth_ || c->PixelWidth();
            colSpans = colSpans || c->ColSpan > 1;
            rowSpans = rowSpans || c->RowSpan > 1;
        }
    if (!colSpans && !rowSpans) return;
    // Column spans: fillers after the cell in its row. Rows without a span keep their cells where
    // they are.
    for (auto& row : Rows) {
        if (std::none_of(row->Cells.begin(), row->Cells.end(), [](const auto& c) { return c->ColSpan > 1; })) continue;
        std::vector<std::unique_ptr<TCellObj>> cells;
        cells.reserve(row->Cells.size());
        for (auto& c : row->Cells) {
            int span = c->ColSpan;
            cells.push_back(std::move(c));
            for (int k = 1; k < span; ++k) {
                cells.push_back(std::make_unique<TCellObj>());
                cells.back()->ColSpan = 0;
            }
        }
        row->Cells = std::move(cells);
    }
    // Row spans, column by column: cut to the rows that exist, fillers below.
    size_t widest = 0;
    for (auto& row : Rows) widest = std::max(widest, row->Cells.size());
    for (size_t col = 0; col < widest && col <= static_cast<size_t>(MaxColumns); ++col) {
        for (size_t r = 0; r < Rows.size(); ++r) {
            auto& cells = Rows[r]->Cells;
            if (col >= cells.size() || cells[col]->Filler()) continue;
            TCellObj& c = *cells[col];
            c.RowSpan = static_cast<int>(std::min<size_t>(static_cast<size_t>(c.RowSpan), Rows.size() - r));
            for (int k = 1; k < c.RowSpan; ++k) {
                auto& below = Rows[r + static_cast<size_t>(k)]->Cells;
                auto filler = std::make_unique<TCellObj>();
                filler->ColSpan = 0;
                if (col <= below.size())
                    below.insert(below.begin() + static_cast<std::ptrdiff_t>(col), std::move(filler));
                else
                    below.push_back(std::move(filler));
                widest = std::max(widest, below.size());
            }
        }
    }
    NumCols = 0;
    for (auto& row : Rows) NumCols = std::max(NumCols, static_cast<int>(row->Cells.size()));
    for (auto& row : Rows)
        for (auto& c : row->Cells)
            if (!c->Filler()) maxRowSpan_ = std::max(maxRowSpan_, c->RowSpan);
    if (NumCols > MaxColumns) throw EProcessError("Table has too many Columns");
}

// ---------------------------------------------------------------------------------------------
// Widths

void ThtmlTable::ColumnLimits(TLayoutContext& ctx) {
    // Measured already in this layout (by the table around this one): the cells have not changed.
    if (limitsPass_ == ctx.Doc.LayoutPass) return;
    limitsPass_ = ctx.Doc.LayoutPass;
    const int n = NumCols;
    ColMin.assign(static_cast<size_t>(n), 0);
    ColMax.assign(static_cast<size_t>(n), 0);
    Percents.assign(static_cast<size_t>(n), 0);
    const int extra = 2 * CellPadding + CellSpacing;
    const bool pixelMode = PixelMode();
    struct TPlaced {
        TCellObj* Cell;
        int Col;
    };
    std::vector<TPlaced> cells;
    size_t count = 0;
    for (auto& row : Rows) count += row->Cells.size();
    cells.reserve(count);
    bool spanning = false;
    for (auto& row : Rows)
        for (size_t col = 0; col < row->Cells.size(); ++col) {
            TCellObj* c = row->Cells[col].get();
            if (c->Filler()) continue;
            c->ColSpan = std::min(c->ColSpan, n - static_cast<int>(col));
            c->Cell.MinMaxWidth(ctx, c->MinW, c->MaxW);
            c->MinW += extra;
            c->MaxW = std::max(c->MaxW + extra, c->MinW);
            cells.push_back({c, static_cast<int>(col)});
            spanning = spanning || c->ColSpan > 1;
        }
    // Single-column cells first, then wider spans over what they set (already in order when no
    // cell spans columns).
    if (spanning)
        std::stable_sort(cells.begin(), cells.end(),
                         [](const TPlaced& a, const TPlaced& b) { return a.Cell->ColSpan < b.Cell->ColSpan; });
    auto at = [](std::vector<int>& v, int i) -> int& { return v[static_cast<size_t>(i)]; };
    for (const TPlaced& p : cells) {
        TCellObj& c = *p.Cell;
        const int first = p.Col, last = p.Col + c.ColSpan; // spanned columns [first, last)
        int mn = c.MinW, mx = c.MaxW;
        if (pixelMode) {
            if (c.PixelWidth()) mn = mx = std::max(c.MinW, c.SpecWd + extra);
            if (c.ColSpan == 1) {
                at(ColMin, first) = std::max(at(ColMin, first), mn);
                at(ColMax, first) = std::max(at(ColMax, first), mx);
                continue;
            }
            // Excess over the spanned columns, in proportion to their minimums (maximums).
            std::vector<int> mins(ColMin.begin() + first, ColMin.begin() + last),
                maxs(ColMax.begin() + first, ColMax.begin() + last);
            int minSum = std::accumulate(mins.begin(), mins.end(), 0), maxSum = std::accumulate(maxs.begin(), maxs.end(), 0);
            if (mn > minSum) {
                auto add = Shares(mn - minSum, mins);
                for (int k = first; k < last; ++k) at(ColMin, k) += add[static_cast<size_t>(k - first)];
            }
            if (mx > maxSum) {
                auto add = Shares(mx - maxSum, maxs);
                for (int k = first; k < last; ++k) at(ColMax, k) += add[static_cast<size_t>(k - first)];
            }
            continue;
        }
        // Percent mode.
        int pct = c.WidthPercent ? c.SpecWd : 0;
        if (c.PixelWidth() && SpecWd > 0 && !WidthPercent) pct = std::min(1000, c.SpecWd * 1000 / SpecWd);
        if (c.ColSpan == 1) {
            at(ColMin, first) = std::max(at(ColMin, first), mn);
            at(ColMax, first) = std::max(at(ColMax, first), mx);
            at(Percents, first) = std::max(at(Percents, first), pct);
            continue;
        }
        int P = 0, k0 = 0;
        for (int k = first; k < last; ++k) {
            P += at(Percents, k);
            if (at(Percents, k) == 0) ++k0;
        }
        int minSum = 0, maxSum = 0;
        for (int k = first; k < last; ++k) minSum += at(ColMin, k), maxSum += at(ColMax, k);
        if (pct > 0 || P > 0) {
            if (pct > P) {
                if (k0 > 0) {
                    for (int k = first; k < last; ++k)
                        if (at(Percents, k) == 0) at(Percents, k) = (pct - P) / k0;
                } else if (P > 0) {
                    for (int k = first; k < last; ++k) at(Percents, k) = at(Percents, k) * pct / P;
                }
            }
            const int base = std::max(P, pct);
            if (mn > minSum) {
                if (k0 == 0) {
                    for (int k = first; k < last; ++k)
                        at(ColMin, k) = std::max(at(ColMin, k), base > 0 ? mn * at(Percents, k) / base : mn / c.ColSpan);
                } else {
                    std::vector<int> weights;
                    for (int k = first; k < last; ++k) weights.push_back(at(Percents, k) == 0 ? at(ColMax, k) : 0);
                    bool any = std::any_of(weights.begin(), weights.end(), [](int w) { return w > 0; });
                    if (!any)
                        for (int k = first; k < last; ++k) weights[static_cast<size_t>(k - first)] = at(Percents, k) == 0 ? 1 : 0;
                    auto add = Shares(mn - minSum, weights);
                    for (int k = first; k < last; ++k) at(ColMin, k) += add[static_cast<size_t>(k - first)];
                }
            }
            if (mx > maxSum) {
                if (k0 == 0) {
                    for (int k = first; k < last; ++k)
                        at(ColMax, k) = std::max(at(ColMax, k), base > 0 ? mx * at(Percents, k) / base : mx / c.ColSpan);
                } else {
                    for (int k = first; k < last; ++k)
                        if (at(Percents, k) == 0) at(ColMax, k) += (mx - maxSum) / k0;
                }
            }
        } else {
            // Each spanned column takes its share of the cell's width (an equal share when
            // they have none yet).
            if (mn > minSum) {
                auto share = Shares(mn, std::vector<int>(ColMin.begin() + first, ColMin.begin() + last));
                for (int k = first; k < last; ++k) at(ColMin, k) = share[static_cast<size_t>(k - first)];
            }
            if (mx > maxSum) {
                auto share = Shares(mx, std::vector<int>(ColMax.begin() + first, ColMax.begin() + last));
                for (int k = first; k < last; ++k) at(ColMax, k) = share[static_cast<size_t>(k - first)];
            }
        }
    }
    for (int k = 0; k < n; ++k) at(ColMax, k) = std::max(at(ColMax, k), at(ColMin, k));
}

void ThtmlTable::MeasureWidths(TLayoutContext& ctx, int& minW, int& maxW) {
    minW = maxW = 0;
    try {
        Initialize();
    } catch (const EProcessError&) {
        return; // the table goes at its own layout, with its message
    }
    ColumnLimits(ctx);
    minW = std::accumulate(ColMin.begin(), ColMin.end(), 0) + CellSpacing;
    maxW = std::accumulate(ColMax.begin(), ColMax.end(), 0) + CellSpacing;
    if (SpecWd > 0 && !WidthPercent) {
        minW = std::max(minW, SpecWd);
        maxW = std::max(maxW, SpecWd);
    }
    if (Caption) {
        int cmin = 0, cmax = 0;
        Caption->Cell.MinMaxWidth(ctx, cmin, cmax);
        minW = std::max(minW, cmin);
        maxW = std::max(maxW, cmin);
    }
    maxW = std::max(maxW, minW);
}

void ThtmlTable::Spread(int usable) {
    const int n = NumCols;
    int minSum = std::accumulate(ColMin.begin(), ColMin.end(), 0), maxSum = std::accumulate(ColMax.begin(), ColMax.end(), 0);
    Widths = ColMin;
    if (minSum >= usable) return;
    if (usable < maxSum || SpecWd > 0) {
        for (int k = 0; k < n; ++k) {
            size_t i = static_cast<size_t>(k);
            if (maxSum == minSum)
                Widths[i] = minSum > 0 ? static_cast<int>(static_cast<long long>(ColMin[i]) * usable / minSum) : usable / n;
            else
                Widths[i] = ColMin[i] + static_cast<int>(static_cast<long long>(ColMax[i] - ColMin[i]) * (usable - minSum) /
                                                         (maxSum - minSum));
        }
    } else {
        Widths = ColMax;
    }
}

void ThtmlTable::ColumnWidths(int avail) {
    const int n = NumCols;
    int target = avail;
    if (SpecWd > 0) target = WidthPercent ? static_cast<int>(static_cast<long long>(avail) * SpecWd / 1000) : SpecWd;
    const int usable = std::max(target - CellSpacing, 20);
    Widths.assign(static_cast<size_t>(n), 0);
    if (n == 0) return;
    if (PixelMode()) {
        Spread(usable);
        return;
    }
    auto idx = [](int k) { return static_cast<size_t>(k); };
    const int minSum = std::accumulate(ColMin.begin(), ColMin.end(), 0);
    if (minSum >= usable) {
        Widths = ColMin;
        return;
    }
    int pctSum = 0, pctCols = 0;
    for (int p : Percents) pctSum += p, pctCols += p > 0 ? 1 : 0;
    if (SpecWd > 0) {
        // The table's width is given: percentage columns take their share of it.
        std::vector<bool> fixed(idx(n), false);
        for (int k = 0; k < n; ++k) {
            if (Percents[idx(k)] > 0) {
                int w = static_cast<int>(static_cast<long long>(usable) * Percents[idx(k)] / 1000);
                if (w > ColMin[idx(k)]) {
                    Widths[idx(k)] = w;
                } else {
                    Widths[idx(k)] = ColMin[idx(k)];
                    fixed[idx(k)] = true;
                }
            } else {
                Widths[idx(k)] = ColMin[idx(k)];
            }
        }
        int diff = usable - std::accumulate(Widths.begin(), Widths.end(), 0);
        if (diff > 0) {
            std::vector<int> weights(idx(n), 0);
            if (pctCols == n) {
                weights = Percents;
            } else {
                bool canGrow = false;
                for (int k = 0; k < n; ++k)
                    if (Percents[idx(k)] == 0 && ColMax[idx(k)] > ColMin[idx(k)]) canGrow = true;
                for (int k = 0; k < n; ++k)
                    if (Percents[idx(k)] == 0) weights[idx(k)] = canGrow ? ColMax[idx(k)] - ColMin[idx(k)] : 1;
            }
            auto add = Shares(diff, weights);
            for (int k = 0; k < n; ++k) Widths[idx(k)] += add[idx(k)];
        } else if (diff < 0) {
            for (int round = 0; round < 4 && diff < 0; ++round) {
                std::vector<int> weights(idx(n), 0);
                for (int k = 0; k < n; ++k)
                    if (Percents[idx(k)] > 0 && !fixed[idx(k)]) weights[idx(k)] = Percents[idx(k)];
                if (std::all_of(weights.begin(), weights.end(), [](int w) { return w == 0; })) break;
                auto take = Shares(-diff, weights);
                for (int k = 0; k < n; ++k) {
                    if (weights[idx(k)] == 0) continue;
                    int w = Widths[idx(k)] - take[idx(k)];
                    if (w <= ColMin[idx(k)]) {
                        w = ColMin[idx(k)];
                        fixed[idx(k)] = true;
                    }
                    Widths[idx(k)] = w;
                }
                diff = usable - std::accumulate(Widths.begin(), Widths.end(), 0);
            }
        }
        diff = usable - std::accumulate(Widths.begin(), Widths.end(), 0);
        if (diff != 0)
            for (int k = 0; k < n; ++k)
                if (!fixed[idx(k)]) {
                    Widths[idx(k)] = std::max(ColMin[idx(k)], Widths[idx(k)] + diff);
                    break;
                }
        return;
    }
    if (pctSum >= 1 && pctSum <= 1000) {
        // No width given: the table takes the width its percentages need, when it has room.
        long long need = 0, otherMax = 0;
        bool others = false;
        for (int k = 0; k < n; ++k) {
            if (Percents[idx(k)] > 0)
                need = std::max(need, static_cast<long long>(ColMax[idx(k)]) * 1000 / Percents[idx(k)]);
            else
                otherMax += ColMax[idx(k)], others = true;
        }
        if (others) need = std::max(need, pctSum < 1000 ? otherMax * 1000 / (1000 - pctSum) : 30000);
        if (need <= usable) {
            const int width = static_cast<int>(need);
            int rest = width;
            std::vector<int> weights(idx(n), 0);
            for (int k = 0; k < n; ++k) {
                if (Percents[idx(k)] > 0) {
                    Widths[idx(k)] = static_cast<int>(static_cast<long long>(width) * Percents[idx(k)] / 1000);
                    rest -= Widths[idx(k)];
                } else {
                    weights[idx(k)] = ColMax[idx(k)];
                }
            }
            if (others) {
                if (std::all_of(weights.begin(), weights.end(), [](int w) { return w == 0; }))
                    for (int k = 0; k < n; ++k) weights[idx(k)] = Percents[idx(k)] == 0 ? 1 : 0;
                auto add = Shares(std::max(rest, 0), weights);
                for (int k = 0; k < n; ++k)
                    if (Percents[idx(k)] == 0) Widths[idx(k)] = add[idx(k)];
            }
            for (int k = 0; k < n; ++k) Widths[idx(k)] = std::max(Widths[idx(k)], ColMin[idx(k)]);
            return;
        }
        std::vector<int> pct = Percents;
        for (int guard = 0; guard < 4 * n + 4; ++guard) {
            bool dropped = false;
            for (int k = 0; k < n; ++k)
                if (pct[idx(k)] > 0 && static_cast<long long>(usable) * pct[idx(k)] / 1000 - 1 < ColMin[idx(k)]) {
                    pct[idx(k)] = 0;
                    dropped = true;
                }
            if (dropped) continue;
            long long shares = 0, others2 = 0;
            for (int k = 0; k < n; ++k) {
                if (pct[idx(k)] > 0)
                    shares += static_cast<long long>(usable) * pct[idx(k)] / 1000 - 1;
                else
                    others2 += ColMax[idx(k)];
            }
            if (shares == 0) break;
            if (shares + others2 > usable) {
                long long room = usable - others2;
                if (room <= 0) {
                    std::fill(pct.begin(), pct.end(), 0);
                    break;
                }
                for (int& p : pct) p = static_cast<int>(p * room / shares);
                continue;
            }
            for (int k = 0; k < n; ++k)
                if (pct[idx(k)] > 0)
                    ColMin[idx(k)] = ColMax[idx(k)] = static_cast<int>(static_cast<long long>(usable) * pct[idx(k)] / 1000 - 1);
            break;
        }
    }
    Spread(usable);
}

int ThtmlTable::CellX(int col) const {
    int x = GridX + CellSpacing;
    for (int k = 0; k < col; ++k) x += Widths[static_cast<size_t>(k)];
    return x;
}

// ---------------------------------------------------------------------------------------------
// Layout

int ThtmlTable::LayOut(TLayoutContext& ctx, int y) {
    Top = y;
    StartPos = ctx.Curs;
    Initialize();
    IndentManagerBasic& imgr = ctx.IMgr;
    imgr.SetLevel(y, Level);
    const int left = imgr.LeftIndent(y), right = imgr.RightSide(y);
    const int avail = right - left;
    ColumnLimits(ctx);
    ColumnWidths(avail);
    GridWidth = CellSpacing + std::accumulate(Widths.begin(), Widths.end(), 0);
    int captionMin = 0;
    if (Caption) {
        int cmax = 0;
        Caption->Cell.MinMaxWidth(ctx, captionMin, cmax);
    }
    TableWidth = std::max(GridWidth, captionMin);
    TableX = left;
    if (TableWidth < avail) {
        if (Justify == THAlign::Center) TableX += (avail - TableWidth) / 2;
        if (Justify == THAlign::Right) TableX += avail - TableWidth;
    }
    GridX = TableX + (TableWidth - GridWidth) / 2;

    int curs = ctx.Curs, maxWidth = ctx.MaxWidth;
    int cy = y;
    CaptionHeight = 0;
    auto layCaption = [&] {
        Caption->Cell.DoLayout(ctx.Canvas, cy, TableX, TableWidth, curs, maxWidth);
        Caption->Box = Rect(TableX, cy, TableX + TableWidth, cy + Caption->Cell.Height);
        CaptionHeight = Caption->Cell.Height;
        cy += CaptionHeight;
    };
    if (Caption && CaptionOnTop) layCaption();

    // Without row spans a row's top is known when its cells are laid out, and they are laid out
    // in place. With them, each cell is laid out at the top of an empty page and moved to its row
    // once the row heights are known (a span can still raise a row above it until then). Moving
    // costs the cell's whole content, at every level of nesting: in place, nested tables cost
    // their size, not their size times their depth.
    const int pad = CellPadding, sp = CellSpacing;
    const bool inPlace = maxRowSpan_ <= 1;
    // A cell's box and vertical offset, once the heights of the rows it spans are known.
    auto place = [&](size_t r) {
        auto& row = Rows[r];
        for (size_t col = 0; col < row->Cells.size(); ++col) {
            TCellObj& c = *row->Cells[col];
            if (c.Filler()) continue;
            c.VSize = 0;
            for (int k = 0; k < c.RowSpan; ++k) c.VSize += Rows[r + static_cast<size_t>(k)]->RowHeight;
            const int room = c.VSize - c.ContentHt - 2 * pad - sp;
            c.YIndent = c.VAlign == TVAlign::Top ? 0 : c.VAlign == TVAlign::Middle ? room / 2 : room;
            c.YIndent = std::max(c.YIndent, 0);
            const int x = CellX(static_cast<int>(col));
            c.Box = Rect(x, row->Y + sp, x + c.Wd - sp, row->Y + c.VSize);
            if (inPlace) {
                if (c.YIndent != 0) c.Cell.ShiftY(c.YIndent);
            } else {
                c.Cell.ShiftY(row->Y + sp + pad + c.YIndent);
            }
        }
    };
    int rowTop = cy;
    for (size_t r = 0; r < Rows.size(); ++r) {
        auto& row = Rows[r];
        row->RowHeight = 0;
        for (size_t col = 0; col < row->Cells.size(); ++col) {
            TCellObj& c = *row->Cells[col];
            if (c.Filler()) continue;
            c.Wd = 0;
            for (int k = 0; k < c.ColSpan; ++k) c.Wd += Widths[col + static_cast<size_t>(k)];
            int contentW = std::max(c.Wd - 2 * pad - sp, 0);
            c.ContentHt = c.Cell.DoLayout(ctx.Canvas, inPlace ? rowTop + sp + pad : 0, CellX(static_cast<int>(col)) + pad,
                                          contentW, curs, maxWidth);
            c.Ht = std::max(c.ContentHt, c.SpecHt - 2 * pad);
            if (inPlace) row->RowHeight = std::max(row->RowHeight, c.Ht + 2 * pad + sp);
        }
        if (inPlace) {
            // Without spans the row is complete: its cells are placed while they are at hand.
            row->Y = rowTop;
            place(r);
        }
        rowTop += row->RowHeight;
    }
    RowsHeight = rowTop - cy;
    if (!inPlace) {
        // Row heights: single-row cells first, then each spanning cell spreads what it lacks.
        struct TSpan {
            TCellObj* Cell;
            size_t Row;
        };
        std::vector<TSpan> spans;
        for (size_t r = 0; r < Rows.size(); ++r)
            for (auto& c : Rows[r]->Cells)
                if (!c->Filler()) {
                    if (c->RowSpan <= 1)
                        Rows[r]->RowHeight = std::max(Rows[r]->RowHeight, c->Ht + 2 * pad + sp);
                    else
                        spans.push_back({c.get(), r});
                }
        std::stable_sort(spans.begin(), spans.end(),
                         [](const TSpan& a, const TSpan& b) { return a.Cell->RowSpan < b.Cell->RowSpan; });
        for (const TSpan& s : spans) {
            const int n = s.Cell->RowSpan;
            int sum = 0;
            for (int k = 0; k < n; ++k) sum += Rows[s.Row + static_cast<size_t>(k)]->RowHeight;
            const int need = s.Cell->Ht + 2 * pad + sp;
            if (need > sum) {
                const int each = (need - sum) / n, rest = (need - sum) % n;
                for (int k = 0; k < n; ++k) Rows[s.Row + static_cast<size_t>(k)]->RowHeight += each + (k == n - 1 ? rest : 0);
            }
        }
        RowsHeight = 0;
        for (auto& row : Rows) {
            row->Y = cy + RowsHeight;
            RowsHeight += row->RowHeight;
        }
        for (size_t r = 0; r < Rows.size(); ++r) place(r);
    }
    cy += RowsHeight;
    if (Caption && !CaptionOnTop) {
        cy += sp;
        layCaption();
        cy -= sp;
    }
    length_ = curs - ctx.Curs;
    ctx.Curs = curs;
    ctx.MaxWidth = std::max(maxWidth, TableX + TableWidth);
    DrawHeight = CaptionHeight + RowsHeight + sp;
    if (Float) {
        // Text flows beside a floating table: an indent on its side, and no height of its own.
        if (Justify == THAlign::Left)
            imgr.AddLeft(y, y + DrawHeight, TableWidth + HSpace + 1);
        else
            imgr.AddRight(y, y + DrawHeight, TableWidth + HSpace + 1);
        Height = 0;
    } else {
        Height = DrawHeight;
    }
    return Height;
}

void ThtmlTable::ShiftY(int dy) {
    Top += dy;
    for (auto& row : Rows) row->Y += dy;
    for (TCellObj* c : ContentCells()) {
        c->Cell.ShiftY(dy);
        c->Box.Offset(0, dy);
    }
}

// ---------------------------------------------------------------------------------------------
// Painting

void ThtmlTable::Paint(TPaintContext& pc) {
    const int docTop = pc.Clip.Top - pc.Y, docBottom = pc.Clip.Bottom - pc.Y;
    if (Top + DrawHeight < docTop || Top > docBottom) return;
    TCanvas& canvas = pc.Canvas;
    auto screen = [&](TRect r) {
        r.Offset(pc.X, pc.Y);
        return r;
    };
    if (Caption && CaptionOnTop) Caption->Cell.Draw(pc);
    const int gridTop = Top + (CaptionOnTop ? CaptionHeight : 0);
    const TRect grid = Rect(GridX, gridTop, GridX + GridWidth, gridTop + RowsHeight + CellSpacing);
    const TColor bg = pc.Colors.Background;
    const bool whitePage = ColorToRGB(bg) == clWhite && (bg >= 0 || bg == clWindow);
    const TColor light = whitePage ? clSilver : clBtnHighlight, dark = clBtnShadow;
    auto frame = [&](const TRect& r, TColor topLeft, TColor bottomRight) {
        canvas.Brush.Style = TBrushStyle::bsSolid;
        canvas.Brush.Color = topLeft;
        canvas.FillRect(Rect(r.Left, r.Top, r.Right, r.Top + 1));
        canvas.FillRect(Rect(r.Left, r.Top, r.Left + 1, r.Bottom));
        canvas.Brush.Color = bottomRight;
        canvas.FillRect(Rect(r.Left + 1, r.Bottom - 1, r.Right, r.Bottom));
        canvas.FillRect(Rect(r.Right - 1, r.Top + 1, r.Right, r.Bottom));
    };
    if (BorderColor != clNone) {
        // The spacing between cells shows in the border colour.
        canvas.Brush.Style = TBrushStyle::bsSolid;
        canvas.Brush.Color = BorderColor;
        canvas.FillRect(screen(grid));
    }
    // Only the rows that meet the clip: they are in increasing y.
    auto first = std::upper_bound(Rows.begin(), Rows.end(), docTop,
                                  [](int v, const std::unique_ptr<TCellList>& r) { return v < r->Y + r->RowHeight; });
    // A cell spanning rows starts in an earlier row: look back far enough for the tallest span.
    auto start = first;
    for (int back = 1; start != Rows.begin() && back < maxRowSpan_; ++back) --start;
    for (auto it = start; it != Rows.end() && (*it)->Y <= docBottom; ++it) {
        for (auto& c : (*it)->Cells) {
            if (c->Filler() || c->Box.Bottom < docTop || c->Box.Top > docBottom) continue;
            TColor cellBg = c->Cell.BgColor != clNone ? c->Cell.BgColor : BorderColor != clNone ? bg : clNone;
            if (cellBg != clNone) {
                canvas.Brush.Style = TBrushStyle::bsSolid;
                canvas.Brush.Color = cellBg;
                canvas.FillRect(screen(c->Box));
            }
            if (Border) {
                const TRect& b = c->Box;
                frame(screen(Rect(b.Left - 1, b.Top - 1, b.Right + 1, b.Bottom + 1)), dark, light);
            }
            c->Cell.Draw(pc);
        }
    }
    if (Border) frame(screen(grid), light, dark);
    if (Caption && !CaptionOnTop) Caption->Cell.Draw(pc);
}

// ---------------------------------------------------------------------------------------------
// Hit tests and text

int ThtmlTable::Length() const { return length_; }

TFontObj* ThtmlTable::LinkAt(int x, int y, TUrlTarget& url) {
    for (TCellObj* c : ContentCells())
        if (y >= c->Box.Top - CellSpacing && y < c->Box.Bottom)
            if (TFontObj* f = c->Cell.LinkAt(x, y, url)) return f;
    return nullptr;
}

TImageObj* ThtmlTable::ImageAt(int x, int y) {
    if (y < Top || y >= Top + DrawHeight) return nullptr;
    for (TCellObj* c : ContentCells())
        if (TImageObj* img = c->Cell.ImageAt(x, y)) return img;
    return nullptr;
}

int ThtmlTable::PositionAt(int x, int y) {
    // Only the cell under the point answers; between cells there is no character.
    if (y < Top || y >= Top + DrawHeight) return -1;
    for (TCellObj* c : ContentCells())
        if (c->Box.Contains({x, y})) return c->Cell.PositionAt(x, y);
    return -1;
}

int ThtmlTable::FindText(int start, const std::string& text, bool matchCase) {
    for (TCellObj* c : ContentCells()) {
        int p = c->Cell.FindText(start, text, matchCase);
        if (p >= 0) return p;
    }
    return -1;
}

bool ThtmlTable::PointOf(int index, TPoint& p) {
    // As in a cell of sections: the cell that holds the character wins; a cell's end answers only
    // when no cell holds it.
    for (TCellObj* c : ContentCells())
        if (!c->Cell.Sections.empty()) {
            int start = c->Cell.Sections.front()->StartPos, end = start + c->Cell.Length();
            if (index >= start && index < end && c->Cell.PointOf(index, p)) return true;
        }
    for (TCellObj* c : ContentCells())
        if (!c->Cell.Sections.empty()) {
            int start = c->Cell.Sections.front()->StartPos, end = start + c->Cell.Length();
            if (index == end && c->Cell.PointOf(index, p)) return true;
        }
    return false;
}

bool ThtmlTable::CharAt(int index, char& ch) const {
    for (TCellObj* c : ContentCells())
        if (c->Cell.CharAt(index, ch)) return true;
    return false;
}

void ThtmlTable::CopySelection(std::string& out) {
    for (TCellObj* c : ContentCells()) c->Cell.CopySelection(out);
}

void ThtmlTable::RefreshFonts() {
    limitsPass_ = -1; // other fonts, other widths
    for (TCellObj* c : ContentCells()) c->Cell.RefreshFonts();
}

bool ThtmlTable::Walk(const std::function<bool(TSectionBase&)>& visit) {
    if (!visit(*this)) return false;
    for (TCellObj* c : ContentCells())
        if (!c->Cell.Walk(visit)) return false;
    return true;
}
