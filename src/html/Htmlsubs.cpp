#include "html/Htmlsubs.h"

#include <algorithm>

#include "html/Htmlsbs1.h"
#include "html/Htmlsbs1Forms.h"
#include "toolkit/SysUtils.h"

namespace {
constexpr char ImageChar = 4;
constexpr char ControlChar = 2;
} // namespace

// ---------------------------------------------------------------------------------------------
// Indents

void IndentManagerBasic::Clear(int left, int width) {
    L.clear();
    R.clear();
    LfEdge = left;
    Width = width;
    RtEdge = left + width;
    ClipWidth = width;
    CurrentLevel = 0;
}

int IndentManagerBasic::LeftIndent(int y) const {
    int x = 0;
    for (auto& r : L)
        if (y >= r.YT && y < r.YB) x = std::max(x, r.X);
    return LfEdge + x;
}

int IndentManagerBasic::RightSide(int y) const {
    int x = 0;
    for (auto& r : R)
        if (y >= r.YT && y < r.YB) x = std::min(x, r.X);
    return RtEdge + x;
}

void IndentManagerBasic::Prune(int y) {
    auto ended = [y](const IndentRec& r) { return r.YB <= y; };
    L.erase(std::remove_if(L.begin(), L.end(), ended), L.end());
    R.erase(std::remove_if(R.begin(), R.end(), ended), R.end());
}

void IndentManagerBasic::SetLevel(int y, int level) {
    Prune(y);
    if (level > CurrentLevel) {
        int base = LeftIndent(y) - LfEdge;
        for (int k = CurrentLevel + 1; k <= level; ++k) {
            base += LevelIndent;
            L.push_back({base, y, OpenBottom, k});
        }
    } else if (level < CurrentLevel) {
        for (auto& r : L)
            if (r.Lev > level && r.YB > y) r.YB = std::max(r.YT, y);
    }
    CurrentLevel = level;
}

int IndentManagerBasic::FloatBottom(TClear mode) const {
    int b = 0;
    if (ClearsLeft(mode))
        for (auto& r : L)
            if (r.Lev == 0) b = std::max(b, r.YB);
    if (ClearsRight(mode))
        for (auto& r : R)
            if (r.Lev == 0) b = std::max(b, r.YB);
    return b;
}

// ---------------------------------------------------------------------------------------------
// Sections

int TSectionBase::LayOut(TLayoutContext& ctx, int y) {
    Top = y;
    StartPos = ctx.Curs;
    DrawHeight = Height = fixedHeight_;
    return Height;
}

TSection::TSection(TSectionList* document, int level, const TMyFont& font, const TUrlTarget& url, THAlign justify,
                   TScript sscript)
    : TSectionBase(document), Level(level), Indent(IndentManagerBasic::LevelIndent * level), Justify(justify) {
    auto& f = Fonts.Add(this, 0, Intern(font), Intern(url), sscript);
    if (!url.Empty() && Document) {
        Document->RegisterLink(&f);
        ++linkRuns_;
    }
}

TSection::~TSection() {
    if (!Document) return;
    if (linkRuns_ > 0) Document->UnregisterLinks(this, linkRuns_);
    if (Document->ActiveLink && Document->ActiveLink->Section == this) Document->ActiveLink = nullptr;
    for (auto& img : Images)
        if (Document->ActiveImage == img.get()) Document->ActiveImage = nullptr;
}

void TSection::AppendText(std::string_view text) {
    // The whole text is kept however long the section grows: a long paragraph is never cut.
    if (text.empty()) return;
    if (!Preformatted && text[0] == ' ' && (Buff.empty() || Buff.back() == ' ' || OnlyFloats())) text.remove_prefix(1);
    if (text.empty()) return;
    Buff.append(text);
    nonFloats_ += static_cast<int>(text.size());
}

void TSection::ChangeFont(const TMyFont& font, const TUrlTarget& url, TScript sscript) {
    TFontObj& last = Fonts.Last();
    bool wasLink = last.IsLink();
    if (last.Pos == Len()) {
        last.SetFont(Intern(font));
        last.SetUrlTarget(Intern(url));
        last.SScript = sscript;
        if (!Document) return;
        if (!wasLink && !url.Empty()) {
            Document->RegisterLink(&last);
            ++linkRuns_;
        }
        if (wasLink && url.Empty()) {
            Document->UnregisterLinks(this, 1); // the last run is the newest entry of this section
            --linkRuns_;
        }
        return;
    }
    auto& f = Fonts.Add(this, Len(), Intern(font), Intern(url), sscript);
    if (!url.Empty() && Document) {
        Document->RegisterLink(&f);
        ++linkRuns_;
    }
}

TImageObj* TSection::AddImage(const TAttributeList& attrs, const TUrlTarget& link) {
    auto img = std::make_unique<TImageObj>(Len(), attrs);
    img->SetLink(Intern(link));
    img->HasBorder = !link.Empty() && !img->NoBorder;
    if (Document) img->Context = &Document->ImageContext;
    Buff += ImageChar;
    if (!img->Floating()) ++nonFloats_;
    Images.push_back(std::move(img));
    return Images.back().get();
}

void TSection::AddControl(TFormControlObj* control, bool hidden) {
    control->Position = Len();
    if (hidden) return;
    Controls.push_back(control);
    Buff += ControlChar;
    ++nonFloats_;
}

TImageObj* TSection::ImageAtPos(int pos) const {
    auto it = std::lower_bound(Images.begin(), Images.end(), pos, [](const auto& img, int p) { return img->Pos < p; });
    return it != Images.end() && (*it)->Pos == pos ? it->get() : nullptr;
}

TFormControlObj* TSection::ControlAtPos(int pos) const {
    auto it = std::lower_bound(Controls.begin(), Controls.end(), pos, [](TFormControlObj* c, int p) { return c->Position < p; });
    return it != Controls.end() && (*it)->Position == pos ? *it : nullptr;
}

int TSection::ObjectWidth(int pos) const {
    char c = Buff[static_cast<size_t>(pos)];
    if (c == ImageChar) {
        if (TImageObj* img = ImageAtPos(pos)) return img->Floating() ? 0 : img->Width + 2 * img->HSpace;
    } else if (c == ControlChar) {
        if (TFormControlObj* ctl = ControlAtPos(pos)) return ctl->Width();
    }
    return -1;
}

void TSection::MeasureFonts(TLayoutContext& ctx) {
    const THtmlSettings& st = ctx.Doc.Settings();
    for (int i = 0; i < Fonts.Count(); ++i) {
        TFontObj& f = Fonts[i];
        f.SetInfo(ctx.Doc.FontCache.Get(ctx.Canvas, f.DrawFont(st.FontSize, st.LinkStyle)));
    }
}

int TSection::RangeWidth(int a, int b) const {
    int w = 0;
    int i = a;
    while (i < b) {
        int run = Fonts.IndexAt(i);
        int e = std::min(b, Fonts.EndOf(run, Len()));
        const TFontInfo* fi = Fonts[run].Info();
        for (; i < e; ++i) {
            char c = Buff[static_cast<size_t>(i)];
            int ow = (c == ImageChar || c == ControlChar) ? ObjectWidth(i) : -1;
            w += ow >= 0 ? ow : fi ? fi->Width(static_cast<unsigned char>(c)) : 0;
        }
    }
    return w;
}

int TSection::FitChars(int start, int avail) const {
    // One pass over the characters that fit: the cost of a line is its own length.
    int x = 0, i = start;
    int run = Fonts.IndexAt(i), runEnd = Fonts.EndOf(run, Len());
    const TFontInfo* fi = Fonts[run].Info();
    while (i < Len()) {
        while (i >= runEnd) {
            ++run;
            runEnd = Fonts.EndOf(run, Len());
            fi = Fonts[run].Info();
        }
        char c = Buff[static_cast<size_t>(i)];
        int ow = (c == ImageChar || c == ControlChar) ? ObjectWidth(i) : -1;
        int w = ow >= 0 ? ow : fi ? fi->Width(static_cast<unsigned char>(c)) : 0;
        if (x + w > avail) return i;
        x += w;
        ++i;
    }
    return Len();
}

int TSection::BreakLine(int pos, int fit) const {
    auto at = [this](int k) { return Buff[static_cast<size_t>(k)]; };
    int end = fit;
    if ((end > pos && at(end - 1) == ' ') || at(end) == ' ') {
        while (end < Len() && at(end) == ' ') ++end;
    } else if (IsObject(end) && end > pos) {
        // the line ends before the image or control
    } else {
        int p = end - 1;
        while (p >= pos && at(p) != ' ' && !IsObject(p)) --p;
        if (p >= pos) {
            end = p + 1;
        } else {
            // One word wider than the line: it overflows.
            while (end < Len() && at(end) != ' ' && !IsObject(end)) ++end;
            while (end < Len() && at(end) == ' ') ++end;
        }
    }
    return std::max(end, pos + 1);
}

struct TSection::TLineWork {
    LineRec Line;
    int Pos = 0, End = 0; // the line's text after its leading floats, and its end
    int Left = 0, Right = 0;
    std::vector<TImageObj*> Floats; // placed at the line's top, or held back to below it
    std::vector<TImageObj*> HeldBack;
};

void TSection::PlaceFloat(TImageObj& img, int y, IndentManagerBasic& imgr) {
    int w = img.Width + img.HSpace;
    if (img.VAlign == TImageAlign::Left) {
        img.DrawX = imgr.LeftIndent(y);
        imgr.AddLeftEdge(y, y + img.Height, img.DrawX + w);
    } else {
        img.DrawX = imgr.RightSide(y) - img.Width;
        imgr.AddRightEdge(y, y + img.Height, imgr.RightSide(y) - w);
    }
    img.DrawY = y;
}

void TSection::PlaceLeadingFloats(TLayoutContext& ctx, TLineWork& w) {
    // Floating images at the start of a line become indents; text flows beside them. The edges
    // are followed here, so a long row of floats costs its length.
    int left = -1, right = -1;
    const int y = w.Line.Y;
    while (w.Pos < Len() && Buff[static_cast<size_t>(w.Pos)] == ImageChar) {
        TImageObj* img = ImageAtPos(w.Pos);
        if (!img || !img->Floating()) break;
        int span = img->Width + img->HSpace;
        if (img->VAlign == TImageAlign::Left) {
            if (left < 0) left = ctx.IMgr.LeftIndent(y);
            img->DrawX = left;
            left += span;
            ctx.IMgr.AddLeftEdge(y, y + img->Height, left);
        } else {
            if (right < 0) right = ctx.IMgr.RightSide(y);
            img->DrawX = right - img->Width;
            right -= span;
            ctx.IMgr.AddRightEdge(y, y + img->Height, right);
        }
        img->DrawY = y;
        w.Floats.push_back(img);
        ++w.Pos;
    }
}

void TSection::LineMetrics(TLineWork& w) {
    LineRec& line = w.Line;
    int first = Fonts.IndexAt(line.Start), last = Fonts.IndexAt(std::max(line.Start, w.End - 1));
    for (int r = first; r <= last; ++r) {
        line.LineHt = std::max(line.LineHt, Fonts[r].LineHeight());
        line.Descent = std::max(line.Descent, Fonts[r].Descent());
    }
    for (int k = w.Pos; k < w.End; ++k) {
        char c = Buff[static_cast<size_t>(k)];
        if (c == ImageChar) {
            TImageObj* img = ImageAtPos(k);
            if (!img) continue;
            if (img->Floating()) {
                w.HeldBack.push_back(img);
                continue;
            }
            int d = img->Height - line.LineHt;
            switch (img->VAlign) {
            case TImageAlign::Top: line.SpaceAfter = std::max(line.SpaceAfter, d); break;
            case TImageAlign::Middle:
                line.SpaceBefore = std::max(line.SpaceBefore, d / 2);
                line.SpaceAfter = std::max(line.SpaceAfter, d - d / 2);
                break;
            default: line.SpaceBefore = std::max(line.SpaceBefore, img->Height + line.Descent - line.LineHt); break;
            }
        } else if (c == ControlChar) {
            if (TFormControlObj* ctl = ControlAtPos(k)) {
                int d = ctl->Height() - line.LineHt + (ctl->BaselineAligned() ? line.Descent : 0);
                line.SpaceBefore = std::max(line.SpaceBefore, d);
            }
        }
    }
}

void TSection::BuildPieces(TLineWork& w) {
    LineRec& line = w.Line;
    line.FirstPiece = static_cast<int>(Pieces.size());
    int x = 0, i = w.Pos;
    while (i < w.End) {
        char c = Buff[static_cast<size_t>(i)];
        int ow = (c == ImageChar || c == ControlChar) ? ObjectWidth(i) : -1;
        if (ow >= 0) {
            Pieces.push_back({i, 1, x, ow, -1});
            x += ow;
            ++i;
            continue;
        }
        int run = Fonts.IndexAt(i);
        int e = std::min(w.End, Fonts.EndOf(run, Len()));
        const TFontInfo* fi = Fonts[run].Info();
        int j = i, width = 0;
        for (; j < e; ++j) {
            char d = Buff[static_cast<size_t>(j)];
            if ((d == ImageChar || d == ControlChar) && ObjectWidth(j) >= 0) break;
            width += fi ? fi->Width(static_cast<unsigned char>(d)) : 0;
        }
        Pieces.push_back({i, j - i, x, width, run});
        x += width;
        i = j;
    }
    int textEnd = w.End;
    while (textEnd > w.Pos && Buff[static_cast<size_t>(textEnd - 1)] == ' ') --textEnd;
    line.TextWidth = RangeWidth(w.Pos, textEnd);
    line.Pieces = static_cast<int>(Pieces.size()) - line.FirstPiece;
    // Centring and right alignment use the room between the indents, also for preformatted
    // lines (which are fitted against a width they never reach); a line never starts left of
    // its indent, so nothing is placed out of reach.
    const int room = w.Right - w.Left;
    switch (Justify) {
    case THAlign::Center: line.LineX = std::max(w.Left, w.Left + (room - line.TextWidth) / 2); break;
    case THAlign::Right: line.LineX = std::max(w.Left, w.Right - line.TextWidth - 1); break;
    default: line.LineX = w.Left; break;
    }
    for (int p = line.FirstPiece; p < line.FirstPiece + line.Pieces; ++p) Pieces[static_cast<size_t>(p)].X += line.LineX;
    // Inline images and controls get their places now, so hit tests and control windows need no
    // painting first.
    const int textTop = line.Y + line.SpaceBefore;
    for (int p = line.FirstPiece; p < line.FirstPiece + line.Pieces; ++p) {
        const TLinePiece& pc = Pieces[static_cast<size_t>(p)];
        if (pc.Run >= 0) continue;
        char c = Buff[static_cast<size_t>(pc.Start)];
        if (c == ImageChar) {
            TImageObj* img = ImageAtPos(pc.Start);
            if (!img || img->Floating()) continue;
            img->DrawX = pc.X + img->HSpace;
            img->DrawY = img->VAlign == TImageAlign::Top      ? textTop
                         : img->VAlign == TImageAlign::Middle ? textTop + line.LineHt / 2 - img->Height / 2
                                                              : line.Baseline() - img->Height;
        } else if (TFormControlObj* ctl = ControlAtPos(pc.Start)) {
            int bottom = textTop + line.LineHt - (ctl->BaselineAligned() ? line.Descent : 0);
            ctl->DocX = pc.X;
            ctl->DocY = bottom - ctl->Height();
            ctl->LaidOut = true;
        }
    }
}

int TSection::LayOut(TLayoutContext& ctx, int y) {
    IndentManagerBasic& imgr = ctx.IMgr;
    Top = y;
    StartPos = ctx.Curs;
    ctx.Curs += Len();
    imgr.SetLevel(y, Level);
    FirstLineLeft = imgr.LeftIndent(y);
    Lines.clear();
    Pieces.clear();
    MeasureFonts(ctx);
    for (auto& img : Images) img->SetSize(ctx.Canvas, imgr.RightSide(y) - imgr.LeftIndent(y));

    if (ClearMode != TClear::None) {
        int cy = imgr.FloatBottom(ClearMode);
        if (cy > y) {
            LineRec clear;
            clear.Y = y;
            clear.LineHt = cy - y;
            clear.LineX = imgr.LeftIndent(y);
            clear.ClearLine = true;
            Lines.push_back(clear);
            y = cy;
        }
    }

    // Preformatted lines are fitted against a width they never reach, so they never wrap.
    constexpr int PreformattedWidth = 32000;
    int pos = 0;
    while (pos < Len()) {
        if (imgr.L.size() + imgr.R.size() > 32) imgr.Prune(y); // many floats in one section
        TLineWork w;
        w.Line.Start = pos;
        w.Line.Y = y;
        w.Pos = pos;
        PlaceLeadingFloats(ctx, w);
        w.Left = imgr.LeftIndent(y);
        w.Right = imgr.RightSide(y);
        int fit = w.Pos < Len() ? FitChars(w.Pos, Preformatted ? PreformattedWidth : w.Right - w.Left) : Len();
        w.End = fit < Len() ? BreakLine(w.Pos, fit) : Len();
        w.Line.Ln = w.End - w.Line.Start;
        LineMetrics(w);
        BuildPieces(w);
        ctx.MaxWidth = std::max(ctx.MaxWidth, w.Line.LineX + w.Line.TextWidth);
        Lines.push_back(w.Line);
        y += w.Line.Total();
        for (TImageObj* img : w.HeldBack) PlaceFloat(*img, y, imgr);
        for (TImageObj* img : w.Floats) ctx.MaxWidth = std::max(ctx.MaxWidth, img->DrawX + img->Width);
        for (TImageObj* img : w.HeldBack) ctx.MaxWidth = std::max(ctx.MaxWidth, img->DrawX + img->Width);
        pos = w.End;
    }
    Height = y - Top;
    DrawHeight = std::max(Height, imgr.FloatBottom() - Top);
    return Height;
}

const LineRec* TSection::FirstTextLine() const {
    for (const LineRec& line : Lines)
        if (!line.ClearLine) return &line;
    return nullptr;
}

int TSection::LineAtY(int y) const {
    // Lines are in increasing y: the last line starting at or above y.
    auto it = std::upper_bound(Lines.begin(), Lines.end(), y, [](int v, const LineRec& l) { return v < l.Y; });
    if (it == Lines.begin()) return -1;
    --it;
    return y < it->Y + it->Total() ? static_cast<int>(it - Lines.begin()) : -1;
}

int TSection::CharAtX(const LineRec& line, int x, bool nearest) const {
    if (x < line.LineX) return line.Start;
    auto first = Pieces.begin() + line.FirstPiece, last = first + line.Pieces;
    // The first piece that ends right of x.
    auto it = std::upper_bound(first, last, x, [](int v, const TLinePiece& p) { return v < p.X + p.Width; });
    if (it == last) return line.Start + line.Ln;
    const TLinePiece& pc = *it;
    int cx = pc.X;
    const TFontInfo* fi = pc.Run >= 0 ? Fonts[pc.Run].Info() : nullptr;
    for (int i = pc.Start; i < pc.Start + pc.Len; ++i) {
        int w = fi ? fi->Width(static_cast<unsigned char>(Buff[static_cast<size_t>(i)])) : pc.Width;
        if (x < cx + w) return nearest && x >= cx + w / 2 ? i + 1 : i;
        cx += w;
    }
    return pc.Start + pc.Len;
}

void TSection::Paint(TPaintContext& pc) {
    TCanvas& canvas = pc.Canvas;
    const int docTop = pc.Clip.Top - pc.Y, docBottom = pc.Clip.Bottom - pc.Y;
    // Floating images are drawn whenever their own box is in view: they hang below the line that
    // holds them, which may be scrolled away.
    for (auto& img : Images)
        if (img->Floating() && img->DrawY + img->Height >= docTop && img->DrawY <= docBottom)
            img->Draw(canvas, pc.X + img->DrawX, pc.Y + img->DrawY, pc.Colors);
    if (Top + DrawHeight < docTop || Top > docBottom) return;
    const int selB = pc.Doc.SelB - StartPos, selE = pc.Doc.SelE - StartPos;
    const TFontStyles linkStyle = pc.Doc.Settings().LinkStyle;
    if (Preformatted) canvas.PushClip(Rect(pc.Clip.Left, Top + pc.Y, pc.Clip.Right, Top + Height + pc.Y));
    if (const LineRec* first = FirstTextLine(); first && first->Y + first->Total() >= docTop && first->Y <= docBottom)
        DrawMarker(pc);
    // The first line that reaches into the clip.
    auto lineIt =
        std::upper_bound(Lines.begin(), Lines.end(), docTop, [](int v, const LineRec& l) { return v < l.Y + l.Total(); });
    for (; lineIt != Lines.end() && lineIt->Y <= docBottom; ++lineIt) {
        const LineRec& line = *lineIt;
        if (line.ClearLine) continue;
        const int base = line.Baseline();
        const int end = line.Start + line.Ln;
        // The blanks that end the line are outside its text: they are drawn only when selected,
        // so an underline or a right-aligned line stops at the last character.
        int blanks = end;
        while (blanks > line.Start && Buff[static_cast<size_t>(blanks - 1)] == ' ') --blanks;
        for (int p = line.FirstPiece; p < line.FirstPiece + line.Pieces; ++p) {
            const TLinePiece& piece = Pieces[static_cast<size_t>(p)];
            if (piece.Run < 0) {
                if (Buff[static_cast<size_t>(piece.Start)] == ImageChar) {
                    if (TImageObj* img = ImageAtPos(piece.Start); img && !img->Floating())
                        img->Draw(canvas, pc.X + img->DrawX, pc.Y + img->DrawY, pc.Colors);
                } else if (pc.Printing) {
                    if (TFormControlObj* ctl = ControlAtPos(piece.Start))
                        ctl->DrawSubstitute(canvas, pc.X + ctl->DocX, pc.Y + ctl->DocY);
                }
                continue;
            }
            const TFontObj& f = Fonts[piece.Run];
            const TFontInfo* fi = f.Info();
            if (!fi) continue;
            int ty = base - fi->Ascent;
            if (f.SScript == TScript::Super)
                ty -= fi->LineHeight / 3;
            else if (f.SScript == TScript::Sub)
                ty += fi->Descent / 2 + 1;
            int i = piece.Start, cx = piece.X;
            const int pieceEnd = piece.Start + piece.Len;
            while (i < pieceEnd) {
                // Split at the selection's edges and where the closing blanks begin.
                int k = pieceEnd;
                if (i < selB && selB < k) k = selB;
                if (i < selE && selE < k) k = selE;
                if (i < blanks && blanks < k) k = blanks;
                std::string_view s(Buff.data() + i, static_cast<size_t>(k - i));
                int w = fi->TextWidth(s);
                bool selected = i >= selB && i < selE;
                if (i < blanks || selected) {
                    // The style follows the settings at once: underlining does not change widths.
                    canvas.Font = fi->Font;
                    canvas.Font.Style = f.Font().Style | (f.IsLink() ? linkStyle : 0);
                    if (selected) {
                        canvas.Brush.Style = TBrushStyle::bsSolid;
                        canvas.Brush.Color = f.Color(pc.Colors);
                        canvas.Font.Color = pc.Colors.Background;
                    } else {
                        canvas.Brush.Style = TBrushStyle::bsClear;
                        canvas.Font.Color = f.Color(pc.Colors);
                    }
                    canvas.TextOut(pc.X + cx - fi->Overhang / 2, pc.Y + ty, std::string(s));
                    canvas.Brush.Style = TBrushStyle::bsSolid;
                }
                cx += w;
                i = k;
            }
        }
    }
    if (Preformatted) canvas.PopClip();
}

TFontObj* TSection::LinkAt(int x, int y, TUrlTarget& url) {
    int ix = 0, iy = 0;
    if (TImageObj* img = ImageAt(x, y); img && img->HitTest(x, y, ix, iy)) {
        // (ix, iy): the point in image coordinates, less the link border.
        if (!img->MapName.empty() && Document) {
            for (auto& map : Document->MapList) {
                if (map->MapName != img->MapName) continue;
                const TMapItem::Area* area = map->AreaAt(ix, iy);
                if (!area || area->Link.Empty()) return nullptr;
                url = area->Link;
                return &Fonts.At(img->Pos);
            }
        }
        if (img->Link().Empty()) return nullptr;
        url = img->Link();
        if (img->IsMap) url.Url += "?" + IntToStr(ix) + "," + IntToStr(iy);
        return &Fonts.At(img->Pos);
    }
    int li = LineAtY(y);
    if (li < 0) return nullptr;
    const LineRec& line = Lines[static_cast<size_t>(li)];
    if (x < line.LineX || x >= line.LineX + line.TextWidth) return nullptr;
    int i = CharAtX(line, x, false);
    if (i >= Len()) return nullptr;
    TFontObj& f = Fonts.At(i);
    if (!f.IsLink()) return nullptr;
    url = f.UrlTarget();
    return &f;
}

TImageObj* TSection::ImageAt(int x, int y) {
    int ix = 0, iy = 0;
    for (auto& img : Images)
        if (img->HitTest(x, y, ix, iy)) return img.get();
    return nullptr;
}

int TSection::PositionAt(int x, int y) {
    if (Lines.empty() || y < Top || y >= Top + Height) return -1;
    int li = LineAtY(y);
    if (li < 0) return -1;
    return StartPos + CharAtX(Lines[static_cast<size_t>(li)], x, true);
}

int TSection::FindText(int start, const std::string& text, bool matchCase) {
    if (text.empty() || start >= StartPos + Len()) return -1;
    int from = std::max(0, start - StartPos);
    std::string hay = matchCase ? Buff : UpperCase(Buff);
    std::string needle = matchCase ? text : UpperCase(text);
    size_t p = hay.find(needle, static_cast<size_t>(from));
    return p == std::string::npos ? -1 : StartPos + static_cast<int>(p);
}

bool TSection::PointOf(int index, TPoint& p) {
    int i = index - StartPos;
    if (i < 0 || i > Len()) return false;
    for (const LineRec& line : Lines) {
        if (line.ClearLine) continue;
        if (i >= line.Start && (i < line.Start + line.Ln || (i == Len() && i == line.Start + line.Ln))) {
            int x = line.LineX;
            for (int k = line.FirstPiece; k < line.FirstPiece + line.Pieces; ++k) {
                const TLinePiece& pc = Pieces[static_cast<size_t>(k)];
                if (i >= pc.Start + pc.Len) {
                    x = pc.X + pc.Width;
                    continue;
                }
                x = pc.X;
                if (i > pc.Start && pc.Run >= 0)
                    if (const TFontInfo* fi = Fonts[pc.Run].Info())
                        x += fi->TextWidth(std::string_view(Buff.data() + pc.Start, static_cast<size_t>(i - pc.Start)));
                break;
            }
            p = {x, line.Y};
            return true;
        }
    }
    return false;
}

bool TSection::CharAt(int index, char& c) const {
    int i = index - StartPos;
    if (i < 0 || i >= Len()) return false;
    c = Buff[static_cast<size_t>(i)];
    return true;
}

void TSection::CopySelection(std::string& out) {
    if (!Document) return;
    int b = Document->SelB - StartPos, e = Document->SelE - StartPos;
    if (e <= 0 || b >= Len()) return; // a selection that starts at this section's end takes none of it
    for (int i = std::max(0, b); i < std::min(e, Len()); ++i) {
        char c = Buff[static_cast<size_t>(i)];
        if (c != ImageChar && c != ControlChar) out += c;
    }
    if (e > Len()) out += "\r\n";
}

const TMyFont* TSection::Intern(const TMyFont& font) const {
    // A section outside any document (none is made so today) keeps its fonts in a table of its
    // own kind, for as long as the program runs.
    static TFontTable detached;
    return (Document ? Document->FontTable : detached).Intern(font);
}

const TUrlTarget* TSection::Intern(const TUrlTarget& url) const {
    static TUrlTable detached;
    return (Document ? Document->UrlTable : detached).Intern(url);
}

void TSection::ApplySettings(TMyFont& f) const {
    const THtmlSettings& st = Document->Settings();
    f.Name = f.Fixed ? st.PreFontName : st.FontName;
    f.Charset = st.CharSet;
    f.ApplySize(st.FontSize);
    f.Color = Document->FontColor();
}

void TSection::RefreshFonts() {
    if (!Document) return;
    for (int i = 0; i < Fonts.Count(); ++i) {
        TMyFont f = Fonts[i].Font();
        ApplySettings(f);
        Fonts[i].SetFont(Intern(f));
    }
}

void TSection::MeasureWidths(TLayoutContext& ctx, int& minW, int& maxW) {
    MeasureFonts(ctx);
    int floats = 0, widest = 0;
    for (auto& img : Images) {
        img->SetSize(ctx.Canvas, 0);
        if (img->PercentWidth) continue; // a share of whatever width it gets: no minimum of its own
        if (img->Floating())
            floats += img->Width + img->HSpace;
        else
            widest = std::max(widest, img->Width + 2 * img->HSpace);
    }
    int i = 0;
    while (i < Len()) {
        while (i < Len() && (Buff[static_cast<size_t>(i)] == ' ' || IsObject(i))) ++i;
        int j = i;
        while (j < Len() && Buff[static_cast<size_t>(j)] != ' ' && !IsObject(j)) ++j;
        if (j > i) widest = std::max(widest, RangeWidth(i, j));
        i = j;
    }
    minW = widest + Indent + floats;
    maxW = RangeWidth(0, Len()) + floats + Indent;
}

void TSection::ShiftY(int dy) {
    Top += dy;
    for (LineRec& line : Lines) line.Y += dy;
    for (auto& img : Images) img->DrawY += dy;
    for (TFormControlObj* c : Controls) c->DocY += dy;
}

// ---------------------------------------------------------------------------------------------
// Cells

int TCell::DoLayout(TCanvas& canvas, int y, int left, int width, int& curs, int& maxWidth) {
    // The indents live only while the cell is laid out: a long table keeps none per cell.
    IndentManagerBasic imgr;
    imgr.Clear(left, width);
    TLayoutContext ctx{canvas, *Document, imgr, width, curs, maxWidth};
    int top = y;
    for (size_t i = 0; i < Sections.size();) {
        try {
            y += Sections[i]->LayOut(ctx, y);
            ++i;
        } catch (const EProcessError& e) {
            if (Document->OnLayoutError) Document->OnLayoutError(e.Message());
            Sections.erase(Sections.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
    curs = ctx.Curs;
    maxWidth = ctx.MaxWidth;
    Height = std::max(y, imgr.FloatBottom()) - top;
    return Height;
}

void TCell::Draw(TPaintContext& pc) {
    for (auto& s : Sections) s->Paint(pc);
}

void TCell::MinMaxWidth(TLayoutContext& ctx, int& minW, int& maxW) {
    minW = maxW = 0;
    for (auto& s : Sections) {
        int a = 0, b = 0;
        s->MeasureWidths(ctx, a, b);
        minW = std::max(minW, a);
        maxW = std::max(maxW, b);
    }
}

TFontObj* TCell::LinkAt(int x, int y, TUrlTarget& url) {
    for (auto& s : Sections)
        if (y >= s->Top && y < s->Top + std::max(s->Height, s->DrawHeight))
            if (TFontObj* f = s->LinkAt(x, y, url)) return f;
    return nullptr;
}

TImageObj* TCell::ImageAt(int x, int y) {
    for (auto& s : Sections)
        if (TImageObj* img = s->ImageAt(x, y)) return img;
    return nullptr;
}

int TCell::PositionAt(int x, int y) {
    for (auto& s : Sections) {
        int p = s->PositionAt(x, y);
        if (p >= 0) return p;
    }
    return -1;
}

int TCell::FindText(int start, const std::string& text, bool matchCase) {
    for (auto& s : Sections) {
        int p = s->FindText(start, text, matchCase);
        if (p >= 0) return p;
    }
    return -1;
}

bool TCell::PointOf(int index, TPoint& p) {
    // A section's end index is also the next section's first character: the section that holds
    // the character wins, and a section's end only answers when no character follows it.
    for (auto& s : Sections)
        if (index >= s->StartPos && index < s->StartPos + s->Length() && s->PointOf(index, p)) return true;
    for (auto& s : Sections)
        if (index == s->StartPos + s->Length() && s->PointOf(index, p)) return true;
    return false;
}

bool TCell::CharAt(int index, char& c) const {
    for (auto& s : Sections)
        if (index >= s->StartPos && index < s->StartPos + s->Length() && s->CharAt(index, c)) return true;
    return false;
}

void TCell::CopySelection(std::string& out) {
    for (auto& s : Sections) s->CopySelection(out);
}

void TCell::RefreshFonts() {
    for (auto& s : Sections) s->RefreshFonts();
}

bool TCell::Walk(const std::function<bool(TSectionBase&)>& visit) {
    for (auto& s : Sections)
        if (!s->Walk(visit)) return false;
    return true;
}

void TCell::ShiftY(int dy) {
    for (auto& s : Sections) s->ShiftY(dy);
}

int TCell::Length() const {
    int n = 0;
    for (auto& s : Sections) n += s->Length();
    return n;
}

// ---------------------------------------------------------------------------------------------
// The document

TSectionList::TSectionList(const THtmlSettings* settings) : TCell(this), settings_(settings ? settings : &ownSettings_) {}

TSectionList::~TSectionList() { Clear(); }

TDocColors TSectionList::Colors() const {
    const THtmlSettings& st = *settings_;
    TDocColors c;
    c.Font = Page.Font.value_or(st.FontColor);
    c.Link = Page.Link.value_or(st.LinkColor);
    c.Visited = Page.Visited.value_or(st.VisitedColor);
    c.Hover = Page.Hover.value_or(st.HoverColor);
    c.Background = Page.Background.value_or(st.Background);
    return c;
}

void TSectionList::Clear() {
    ActiveLink = nullptr;
    ActiveImage = nullptr;
    LinkList.clear(); // first, so the sections need not take themselves out one by one
    // Sections list controls that their forms own; a page without forms has none to forget.
    if (!Forms.empty() || !FormControlList.empty())
        for (auto& s : Sections)
            s->Walk([](TSectionBase& b) {
                if (auto* t = dynamic_cast<TSection*>(&b)) t->Controls.clear();
                return true;
            });
    Sections.clear();
    // The images have taken themselves off the animation list as they went.
    ImageContext.Animations.Clear();
    ImageContext.Waiting.clear();
    bgBitmap_.reset();
    bgUse_.Reset();
    MapList.clear();
    FormControlList.clear();
    Forms.clear();
    Page = TPageColors{};
    FontCache.Clear();
    FontTable.Clear();
    UrlTable.Clear();
    SelB = SelE = 0;
    Height = 0;
}

void TSectionList::UnregisterLinks(const TSection* section, int count) {
    // A section's runs were entered one after another, and a section that goes is nearly always
    // the newest: searching from the back finds them at once.
    for (size_t i = LinkList.size(); i-- > 0 && count > 0;) {
        if (LinkList[i]->Section != section) continue;
        LinkList.erase(LinkList.begin() + static_cast<std::ptrdiff_t>(i));
        --count;
    }
}

int TSectionList::DoLayout(TCanvas& canvas, int width, int& maxWidth, int top) {
    int curs = 0;
    maxWidth = 0;
    ++LayoutPass;
    ImageContext.Animations.StopAll();
    htmlforms::AdjustSizes(*this, canvas);
    int h = TCell::DoLayout(canvas, top, 0, width, curs, maxWidth);
    // Pictures fetched by this layout are on the list now; all start again from their first frame.
    if (ImageContext.ViewImages) ImageContext.Animations.RewindAndStart(Now());
    return h;
}

void TSectionList::LoadBackground() {
    bgBitmap_.reset();
    bgUse_.Reset();
    if (!ImageContext.ViewImages || Trim(Page.BackgroundImage).empty()) return;
    TImageSources sources = ImageContext.Sources;
    sources.Waiting = &ImageContext.Waiting;
    TFetchResult r = FetchImage(Trim(Page.BackgroundImage), false, sources);
    const TPicture* pic = r.Picture();
    if (r.State != TFetchState::Loaded || !pic || pic->Empty()) return;
    // An animated GIF gives its first frame as the background.
    bgBitmap_ = pic->Gif ? std::make_shared<TBitmap>(TGIFImage(*pic->Gif).Bitmap()) : pic->Bitmap;
    bgUse_ = std::move(r.Use);
}

void TSectionList::SetViewImages(bool on) {
    ImageContext.ViewImages = on;
    Walk([on](TSectionBase& b) {
        if (auto* t = dynamic_cast<TSection*>(&b))
            for (auto& img : t->Images) {
                if (!on) img->ReleasePicture();
                img->ResetSize();
            }
        return true;
    });
    if (on) {
        LoadBackground();
    } else {
        ImageContext.Animations.StopAll();
        ImageContext.Waiting.clear();
        bgBitmap_.reset();
        bgUse_.Reset();
    }
}

void TSectionList::RepaintImage(const TImageObj* image) {
    if (OnRepaintRect) OnRepaintRect(Bounds(image->DrawX, image->DrawY, image->Width, image->Height));
}

void TSectionList::AnimationTick() {
    if (!ImageContext.ViewImages) return;
    for (const void* key : ImageContext.Animations.Tick(Now())) RepaintImage(static_cast<const TImageObj*>(key));
}

void TSectionList::Draw(TCanvas& canvas, const TRect& clip, int x, int y, bool printing) {
    canvas.PushClip(clip);
    TPaintContext pc{canvas, *this, Colors(), clip, x, y, printing};
    TCell::Draw(pc);
    canvas.PopClip();
}

TFontObj* TSectionList::GetURL(int x, int y, TUrlTarget& url) {
    url.Clear();
    ActiveLink = TCell::LinkAt(x, y, url);
    return ActiveLink;
}

bool TSectionList::UpdateHover(int x, int y) {
    // A picture that animates under the mouse (ACTIVE) starts or stops; only its rectangle is
    // repainted.
    TImageObj* image = ImageAt(x, y);
    if (image != ActiveImage) {
        if (ActiveImage && ImageContext.Animations.HoverLeave(ActiveImage)) RepaintImage(ActiveImage);
        if (image && ImageContext.ViewImages && ImageContext.Animations.HoverEnter(image, Now())) RepaintImage(image);
        ActiveImage = image;
    }
    TUrlTarget url;
    TFontObj* previous = ActiveLink;
    TFontObj* now = GetURL(x, y, url);
    if (!HoverEnabled() || previous == now) return false;
    if (previous) previous->SetHover(false);
    if (now) now->SetHover(true);
    return true;
}

std::string TSectionList::GetSelectedText() {
    std::string out;
    if (SelE > SelB) TCell::CopySelection(out);
    // A trailing line end that only marks the selection running on is not part of the text.
    if (out.size() >= 2 && out.compare(out.size() - 2, 2, "\r\n") == 0) out.resize(out.size() - 2);
    return out;
}

void TSectionList::RefreshFonts() { TCell::RefreshFonts(); }

void TSectionList::CheckVisitedLinks(const std::function<bool(const std::string& url)>& visited) {
    for (TFontObj* f : LinkList) f->SetVisited(visited(f->UrlTarget().Url));
}

TSection* TSectionList::TextSectionAt(int index) {
    TSection* found = nullptr;
    Walk([&](TSectionBase& b) {
        auto* t = dynamic_cast<TSection*>(&b);
        if (t && index >= t->StartPos && index < t->StartPos + t->Len()) found = t;
        return found == nullptr;
    });
    return found;
}

void TSectionList::PlaceControls(int dx, int dy, int viewHeight) { htmlforms::PlaceControls(*this, dx, dy, viewHeight); }

bool TSectionList::Contains(const TSectionBase* section) {
    bool found = false;
    Walk([&](TSectionBase& b) {
        found = &b == section;
        return !found;
    });
    return found;
}
