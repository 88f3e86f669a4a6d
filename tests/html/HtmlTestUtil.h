// Helpers for the HTML tests: parse a page into a document and lay it out on a memory canvas.
#pragma once

#include <memory>
#include <string>

#include "html/Htmlsbs1.h"
#include "html/HtmlDump.h"
#include "html/HtmlsubsTables.h"
#include "html/Readhtml.h"
#include "toolkit/MemoryCanvas.h"

struct TTestDoc {
    THtmlSettings Settings;
    TSectionList List{&Settings};
    TStringList Names;
    THtmlParseInfo Info;
    THtmlCallbacks Callbacks;
    TMemoryCanvas Canvas{800, 600};
    int MaxWidth = 0, DocHeight = 0;

    explicit TTestDoc(int fontSize = 12) {
        Settings.FontSize = fontSize;
        Settings.FontName = "Tahoma";
        Settings.FontColor = clBlack;
        Settings.Background = clWhite;
    }
    void Parse(const std::string& html) { HtmlParseBuffer(List, Names, html.data(), html.size(), Callbacks, Info); }
    int Layout(int width) { return DocHeight = List.DoLayout(Canvas, width, MaxWidth); }
    int Count() const { return List.Count(); }
    // The minimum and preferred widths of section i.
    void Widths(int i, int& minW, int& maxW) {
        IndentManagerBasic indents;
        TLayoutContext ctx{Canvas, List, indents, 800};
        At(i)->MeasureWidths(ctx, minW, maxW);
    }
    TSectionBase* At(int i) const { return List.Sections.at(static_cast<size_t>(i)).get(); }
    template <class T> T* As(int i) const { return dynamic_cast<T*>(At(i)); }
    // The text sections' texts joined with "|".
    std::string Texts() const {
        std::string out;
        for (auto& s : List.Sections)
            if (auto* t = dynamic_cast<TSection*>(s.get())) out += (out.empty() ? "" : "|") + t->Buff;
        return out;
    }
    // The texts of every text section, also inside tables, in document order, joined with "|".
    std::string AllTexts() {
        std::string out;
        List.Walk([&](TSectionBase& b) {
            if (auto* t = dynamic_cast<TSection*>(&b)) out += (out.empty() ? "" : "|") + t->Buff;
            return true;
        });
        return out;
    }
    // One letter per section: T text, P pre, U/O/D list items, S paragraph space, H heading space,
    // R rule, G page, B table.
    std::string Kinds() const {
        std::string out;
        for (auto& s : List.Sections) {
            TSectionBase* b = s.get();
            if (dynamic_cast<TOListItem*>(b))
                out += 'O';
            else if (dynamic_cast<TDListItem*>(b))
                out += 'D';
            else if (dynamic_cast<TUListItem*>(b))
                out += 'U';
            else if (dynamic_cast<TPreFormated*>(b))
                out += 'P';
            else if (dynamic_cast<TSection*>(b))
                out += 'T';
            else if (dynamic_cast<TParagraphSpace*>(b))
                out += 'S';
            else if (dynamic_cast<THeadingSpace*>(b))
                out += 'H';
            else if (dynamic_cast<THorzLine*>(b))
                out += 'R';
            else if (dynamic_cast<TPage*>(b))
                out += 'G';
            else if (dynamic_cast<ThtmlTable*>(b))
                out += 'B';
            else
                out += '?';
        }
        return out;
    }
    // The first text section whose text contains `s`, also inside tables.
    TSection* Find(const std::string& s) {
        TSection* found = nullptr;
        List.Walk([&](TSectionBase& b) {
            if (auto* t = dynamic_cast<TSection*>(&b); t && t->Buff.find(s) != std::string::npos) found = t;
            return found == nullptr;
        });
        return found;
    }
};

// The layout dump of the document (HtmlDump.h).
inline std::string DumpLayout(TTestDoc& d) { return DumpLayout(d.List); }
