#include "html/HtmlDump.h"

#include "html/Htmlsbs1.h"
#include "html/HtmlsubsTables.h"
#include "toolkit/MemoryCanvas.h"
#include "toolkit/SysUtils.h"

namespace {

char KindOf(const TSectionBase* b) {
    if (dynamic_cast<const TOListItem*>(b)) return 'O';
    if (dynamic_cast<const TDListItem*>(b)) return 'D';
    if (dynamic_cast<const TUListItem*>(b)) return 'U';
    if (dynamic_cast<const TPreFormated*>(b)) return 'P';
    if (dynamic_cast<const TSection*>(b)) return 'T';
    if (dynamic_cast<const TParagraphSpace*>(b)) return 'S';
    if (dynamic_cast<const THeadingSpace*>(b)) return 'H';
    if (dynamic_cast<const THorzLine*>(b)) return 'R';
    if (dynamic_cast<const TPage*>(b)) return 'G';
    if (dynamic_cast<const ThtmlTable*>(b)) return 'B';
    return '?';
}

std::string Visible(const std::string& s, int from, int to) {
    std::string text;
    for (int k = from; k < to; ++k) {
        char c = s[static_cast<size_t>(k)];
        text += c == 4 ? std::string("[img]") : c == 2 ? std::string("[ctl]") : std::string(1, c);
    }
    return text;
}

// A colour as #RRGGBB (colours keep red in the low byte).
std::string ColorText(TColor c) {
    if (c == clNone) return "none";
    const unsigned v = static_cast<unsigned>(c);
    return "#" + IntToHex(((v & 0xFF) << 16) | (v & 0xFF00) | ((v >> 16) & 0xFF), 6);
}

void DumpCell(TCell& cell, const std::string& indent, std::string& out);

void DumpTable(ThtmlTable& t, const std::string& indent, std::string& out) {
    out += indent + "  table x=" + IntToStr(t.TableX) + " w=" + IntToStr(t.TableWidth) + " grid x=" + IntToStr(t.GridX) +
           " w=" + IntToStr(t.GridWidth) + " spacing=" + IntToStr(t.CellSpacing) + " padding=" + IntToStr(t.CellPadding) +
           (t.Border ? " border" : "") + (t.Float ? " float" : "") + "\n";
    out += indent + "  columns";
    for (int w : t.Widths) out += " " + IntToStr(w);
    out += "\n" + indent + "  rows";
    for (auto& row : t.Rows) out += " " + IntToStr(row->RowHeight);
    out += "\n";
    auto cellLine = [&](const std::string& name, TCellObj& c) {
        const TRect& b = c.Box;
        out += indent + "  " + name + " x=" + IntToStr(b.Left) + " y=" + IntToStr(b.Top) + " w=" + IntToStr(b.Width()) +
               " h=" + IntToStr(b.Height()) + " bg=" + ColorText(c.Cell.BgColor) + "\n";
        DumpCell(c.Cell, indent + "    ", out);
    };
    if (t.Caption && t.CaptionOnTop) cellLine("caption", *t.Caption);
    for (size_t r = 0; r < t.Rows.size(); ++r)
        for (size_t c = 0; c < t.Rows[r]->Cells.size(); ++c) {
            TCellObj& cell = *t.Rows[r]->Cells[c];
            if (cell.Filler()) continue;
            std::string name = "cell " + IntToStr(static_cast<int>(r)) + "," + IntToStr(static_cast<int>(c));
            if (cell.ColSpan > 1 || cell.RowSpan > 1) name += " span " + IntToStr(cell.ColSpan) + "x" + IntToStr(cell.RowSpan);
            cellLine(name, cell);
        }
    if (t.Caption && !t.CaptionOnTop) cellLine("caption", *t.Caption);
}

void DumpCell(TCell& cell, const std::string& indent, std::string& out) {
    for (auto& sec : cell.Sections) {
        TSectionBase* b = sec.get();
        out += indent + std::string(1, KindOf(b)) + " top=" + IntToStr(b->Top) + " h=" + IntToStr(b->Height) + "\n";
        if (auto* s = dynamic_cast<TSection*>(b)) {
            for (auto& l : s->Lines)
                out += indent + "  y=" + IntToStr(l.Y) + " x=" + IntToStr(l.LineX) + " h=" + IntToStr(l.Total()) + " |" +
                       Visible(s->Buff, l.Start, l.Start + l.Ln) + "|\n";
        } else if (auto* t = dynamic_cast<ThtmlTable*>(b)) {
            DumpTable(*t, indent, out);
        }
    }
}

} // namespace

std::string DumpLayout(TSectionList& doc) {
    std::string out;
    DumpCell(doc, "", out);
    return out;
}

std::string DumpLinks(TSectionList& doc) {
    std::string out;
    const TFontObj* prev = nullptr;
    for (const TFontObj* f : doc.LinkList) {
        const TSection* s = f->Section;
        int end = 0;
        for (int i = 0; i < s->Fonts.Count(); ++i)
            if (&s->Fonts[i] == f) end = s->Fonts.EndOf(i, s->Len());
        std::string text = Visible(s->Buff, f->Pos, end);
        // Runs of one link that follow each other (a bold word inside it) make one entry.
        bool same = prev && prev->Section == s && prev->UrlTarget().Url == f->UrlTarget().Url;
        if (same)
            out.insert(out.size() - 1, text);
        else
            out += f->UrlTarget().Url + " | " + text + "\n";
        prev = f;
    }
    return out;
}

std::string DumpText(TSectionList& doc) {
    std::string out;
    doc.Walk([&](TSectionBase& b) {
        if (auto* s = dynamic_cast<TSection*>(&b)) {
            std::string text;
            for (char c : s->Buff)
                if (c != 2 && c != 4) text += c;
            if (!Trim(text).empty()) out += Trim(text) + "\n";
        }
        return true;
    });
    return out;
}

std::string DumpPage(TSectionList& doc, const THtmlParseInfo& info) {
    return "Title: " + info.Title + "\n\nLinks:\n" + DumpLinks(doc) + "\nForms:\n" + htmlforms::DumpForms(doc) + "\nText:\n" +
           DumpText(doc) + "\nLayout:\n" + DumpLayout(doc);
}

std::string DumpHtml(const std::string& html, int width) {
    THtmlSettings settings;
    settings.FontName = "Tahoma";
    settings.FontSize = 8;
    TSectionList doc(&settings);
    std::string errors;
    doc.OnLayoutError = [&](const std::string& message) { errors += "Layout error: " + message + "\n"; };
    TStringList names;
    THtmlParseInfo info;
    try {
        HtmlParseBuffer(doc, names, html.data(), html.size(), THtmlCallbacks{}, info);
    } catch (const EParseError& e) { errors += "Parse error: " + e.Message() + "\n"; }
    TMemoryCanvas canvas(1, 1);
    int widest = 0;
    doc.DoLayout(canvas, width, widest);
    return errors + DumpPage(doc, info);
}
