#include "html/Htmlsubs.h"

#include <algorithm>

#include "html/Htmlsbs1.h"
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

void IndentManagerBasic::AddLeft(int y, int bottom, int width) { L.push_back({LeftIndent(y) - LfEdge + width, y, bottom, 0}); }

void IndentManagerBasic::AddRight(int y, int bottom, int width) { R.push_back({RightSide(y) - RtEdge - width, y, bottom, 0}); }

int IndentManagerBasic::FloatBottom(int mode) const {
    int b = 0;
    if (mode & 1)
        for (auto& r : L)
            if (r.Lev == 0) b = std::max(b, r.YB);
    if (mode & 2)
        for (auto& r : R)
            if (r.Lev == 0) b = std::max(b, r.YB);
    return b;
}

// ---------------------------------------------------------------------------------------------
// Sections

int TSectionBase::LayOut(TCanvas&, int y, int, int& curs, IndentManagerBasic&, int&) {
    Top = y;
    StartPos = curs;
    DrawHeight = Height = fixedHeight_;
    return Height;
}

TSection::TSection(TSectionList* document, int level, const TMyFont& font, const TUrlTarget& url, int justify, int sscript)
    : TSectionBase(document), Level(level), Indent(35 * level), Justify(justify), FirstFont(font) {
    auto& f = Fonts.Add(std::make_unique<TFontObj>(this, 0, font, url, sscript));
    if (!url.Empty() && Document) Document->RegisterLink(&f);
}

TSection::~TSection() {
    if (!Document) return;
    bool hasLink = false;
    for (int i = 0; i < Fonts.Count() && !hasLink; ++i) hasLink = !Fonts[i].UrlTarget.Empty();
    auto& links = Document->LinkList;
    if (hasLink && !links.empty())
        links.erase(std::remove_if(links.begin(), links.end(), [this](TFontObj* f) { return f->Section == this; }), links.end());
    if (Document->ActiveLink && Document->ActiveLink->Section == this) Document->ActiveLink = nullptr;
    for (auto& img : Images)
        if (Document->ActiveImage == img.get()) Document->ActiveImage = nullptr;
}

bool TSection::OnlyFloats() const {
    for (int i = 0; i < Len(); ++i) {
        TImageObj* img = Buff[static_cast<size_t>(i)] == ImageChar ? ImageAtPos(i) : nullptr;
        if (!img || !img->Floating()) return false;
    }
    return true;
}

void TSection::AppendText(std::string_view text) {
    // The whole text is kept however long the section grows: a long paragraph is never cut.
    if (text.empty()) return;
    if (!Preformatted && text[0] == ' ' && (Buff.empty() || Buff.back() == ' ' || OnlyFloats())) text.remove_prefix(1);
    if (text.empty()) return;
    Buff.append(text);
}

void TSection::ChangeFont(const TMyFont& font, const TUrlTarget& url, int sscript) {
    TFontObj& last = Fonts.Last();
    bool wasLink = !last.UrlTarget.Empty();
    if (last.Pos == Len()) {
        last.Font = font;
        last.UrlTarget = url;
        last.SScript = sscript;
        if (!wasLink && !url.Empty() && Document) Document->RegisterLink(&last);
        if (wasLink && url.Empty() && Document) {
            auto& links = Document->LinkList;
            links.erase(std::remove(links.begin(), links.end(), &last), links.end());
        }
        return;
    }
    auto& f = Fonts.Add(std::make_unique<TFontObj>(this, Len(), font, url, sscript));
    if (!url.Empty() && Document) Document->RegisterLink(&f);
}

TImageObj* TSection::AddImage(const TAttributeList& attrs, const TUrlTarget& link) {
    auto img = std::make_unique<TImageObj>(Document, Len(), attrs);
    img->Link = link;
    img->HasBorder = !link.Empty() && !img->NoBorder;
    Buff += ImageChar;
    Images.push_back(std::move(img));
    return Images.back().get();
}

void TSection::AddControl(TFormControlObj* control, bool hidden) {
    control->Position = Len();
    if (hidden) return;
    Controls.push_back(control);
    Buff += ControlChar;
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

int TSection::RangeWidth(TCanvas& canvas, int a, int b) {
    int w = 0;
    int i = a;
    while (i < b) {
        int ow = ObjectWidth(i);
        if (ow >= 0) {
            w += ow;
            ++i;
            continue;
        }
        int run = Fonts.IndexAt(i);
        int e = std::min(b, Fonts.EndOf(run, Len()));
        int j = i;
        while (j < e && !IsObject(j)) ++j;
        canvas.Font = Fonts[run].DrawFont();
        w += canvas.TextWidth(Buff.substr(static_cast<size_t>(i), static_cast<size_t>(j - i)));
        i = j;
    }
    return w;
}

int TSection::FitChars(TCanvas& canvas, int start, int avail) {
    int x = 0, i = start;
    while (i < Len()) {
        int ow = ObjectWidth(i);
        if (ow >= 0) {
            if (x + ow > avail) return i;
            x += ow;
            ++i;
            continue;
        }
        int run = Fonts.IndexAt(i);
        int e = Fonts.EndOf(run, Len());
        int j = i;
        while (j < e && !IsObject(j)) ++j;
        canvas.Font = Fonts[run].DrawFont();
        auto width = [&](int n) { return canvas.TextWidth(Buff.substr(static_cast<size_t>(i), static_cast<size_t>(n))); };
        // Exponential probe, then binary search, so a long run costs about what fits.
        int room = avail - x, segLen = j - i, lo = 0, hi = 0;
        int probe = 64;
        for (;;) {
            int n = std::min(probe, segLen);
            if (width(n) <= room) {
                lo = n;
                if (n == segLen) break;
                probe *= 2;
            } else {
                hi = n;
                break;
            }
        }
        if (lo == segLen) {
            x += width(segLen);
            i = j;
            continue;
        }
        // width(lo) fits, width(hi) does not.
        while (hi - lo > 1) {
            int mid = (lo + hi) / 2;
            if (width(mid) <= room)
                lo = mid;
            else
                hi = mid;
        }
        return i + lo;
    }
    return Len();
}

void TSection::PlaceFloat(TImageObj& img, int y, IndentManagerBasic& imgr) {
    int w = img.Width + img.HSpace;
    if (img.VAlign == 3) {
        img.DrawX = imgr.LeftIndent(y);
        imgr.AddLeft(y, y + img.Height, w);
    } else {
        img.DrawX = imgr.RightSide(y) - img.Width;
        imgr.AddRight(y, y + img.Height, w);
    }
    img.DrawY = y;
}

int TSection::LayOut(TCanvas& canvas, int y, int, int& curs, IndentManagerBasic& imgr, int& maxWidth) {
    Top = y;
    StartPos = curs;
    curs += Len();
    imgr.SetLevel(y, Level);
    FirstLineLeft = imgr.LeftIndent(y);
    Lines.clear();
    for (int i = 0; i < Fonts.Count(); ++i) Fonts[i].UpdateMetrics(canvas);
    for (auto& img : Images) img->SetSize(canvas, imgr.RightSide(y) - imgr.LeftIndent(y));

    if (ClearMode) {
        int cy = imgr.FloatBottom(ClearMode);
        if (cy > y) {
            LineRec clear;
            clear.Y = y;
            clear.LineHt = cy - y;
            clear.LineX = imgr.LeftIndent(y);
            Lines.push_back(clear);
            y = cy;
        }
    }

    int pos = 0;
    while (pos < Len()) {
        if (imgr.L.size() + imgr.R.size() > 32) imgr.Prune(y); // many floats in one section
        LineRec line;
        line.Start = pos;
        line.Y = y;
        // Floating images at the start of a line become indents; text flows beside them.
        while (pos < Len() && Buff[static_cast<size_t>(pos)] == ImageChar) {
            TImageObj* img = ImageAtPos(pos);
            if (!img || !img->Floating()) break;
            PlaceFloat(*img, y, imgr);
            ++pos;
        }
        int left = imgr.LeftIndent(y), right = imgr.RightSide(y);
        int avail = Preformatted ? 32000 : right - left;
        int fit = pos < Len() ? FitChars(canvas, pos, avail) : Len();
        int end = fit;
        if (end < Len()) {
            auto at = [this](int k) { return Buff[static_cast<size_t>(k)]; };
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
            if (end <= pos) end = pos + 1;
        }
        line.Ln = end - line.Start;

        // Metrics of the runs the line touches.
        int first = Fonts.IndexAt(line.Start), last = Fonts.IndexAt(std::max(line.Start, end - 1));
        for (int r = first; r <= last; ++r) {
            line.LineHt = std::max(line.LineHt, Fonts[r].LineHeight);
            line.Descent = std::max(line.Descent, Fonts[r].Descent);
        }
        std::vector<TImageObj*> heldBack;
        for (int k = pos; k < end; ++k) {
            char c = Buff[static_cast<size_t>(k)];
            if (c == ImageChar) {
                TImageObj* img = ImageAtPos(k);
                if (!img) continue;
                if (img->Floating()) {
                    heldBack.push_back(img);
                    continue;
                }
                int d = img->Height - line.LineHt;
                switch (img->VAlign) {
                case 0: line.SpaceAfter = std::max(line.SpaceAfter, d); break;
                case 1:
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
        int textEnd = end;
        while (textEnd > pos && Buff[static_cast<size_t>(textEnd - 1)] == ' ') --textEnd;
        line.TextWidth = RangeWidth(canvas, pos, textEnd);
        switch (Justify) {
        case 2: line.LineX = std::max(left, left + (avail - line.TextWidth) / 2); break;
        case 3: line.LineX = right - line.TextWidth - 1; break;
        default: line.LineX = left; break;
        }
        maxWidth = std::max(maxWidth, line.LineX + line.TextWidth);
        // Inline images get their place now, so hit tests work before the first paint.
        for (int k = pos; k < end; ++k) {
            if (Buff[static_cast<size_t>(k)] != ImageChar) continue;
            TImageObj* img = ImageAtPos(k);
            if (!img || img->Floating()) continue;
            int textTop = line.Y + line.SpaceBefore;
            img->DrawX = line.LineX + RangeWidth(canvas, pos, k) + img->HSpace;
            img->DrawY = img->VAlign == 0   ? textTop
                         : img->VAlign == 1 ? textTop + line.LineHt / 2 - img->Height / 2
                                            : line.Baseline() - img->Height;
        }
        Lines.push_back(line);
        y += line.Total();
        for (TImageObj* img : heldBack) PlaceFloat(*img, y, imgr);
        for (int k = line.Start; k < pos; ++k)
            if (TImageObj* img = ImageAtPos(k)) heldBack.push_back(img);
        for (TImageObj* img : heldBack) maxWidth = std::max(maxWidth, img->DrawX + img->Width);
        pos = end;
    }
    Height = y - Top;
    DrawHeight = std::max(Height, imgr.FloatBottom() - Top);
    return Height;
}

int TSection::CharAtX(TCanvas& canvas, const LineRec& line, int x, bool nearest) {
    if (x < line.LineX) return line.Start;
    int end = line.Start + line.Ln;
    int cx = line.LineX;
    for (int i = line.Start; i < end; ++i) {
        int w = RangeWidth(canvas, i, i + 1);
        if (x < cx + w) return nearest && x >= cx + w / 2 ? i + 1 : i;
        cx += w;
    }
    return end;
}

int TSection::LineAtY(int y) const {
    for (size_t i = 0; i < Lines.size(); ++i)
        if (y >= Lines[i].Y && y < Lines[i].Y + Lines[i].Total()) return static_cast<int>(i);
    return -1;
}

void TSection::Paint(TCanvas& canvas, const TRect& clip, int x, int y) {
    DrawTop = Top;
    int docTop = clip.Top - y, docBottom = clip.Bottom - y;
    if (Top + DrawHeight < docTop || Top > docBottom) return;
    TColor bg = Document ? Document->Background : clWhite;
    int selB = Document ? Document->SelB - StartPos : 0, selE = Document ? Document->SelE - StartPos : 0;
    if (Preformatted) canvas.PushClip(Rect(clip.Left, Top + y, clip.Right, Top + Height + y));
    bool firstText = true;
    for (const LineRec& line : Lines) {
        if (line.Ln == 0 && line.Start == 0 && firstText && Len() > 0) continue; // the CLEAR line
        bool visible = !(line.Y + line.Total() < docTop || line.Y > docBottom);
        int base = line.Baseline();
        if (firstText) {
            firstText = false;
            if (visible) DrawMarker(canvas, x, y);
        }
        if (!visible) continue;
        int cx = line.LineX;
        int end = line.Start + line.Ln;
        // The blanks that end the line are outside its text: they are drawn only when selected,
        // so an underline or a right-aligned line stops at the last character.
        int blanks = end;
        while (blanks > line.Start && Buff[static_cast<size_t>(blanks - 1)] == ' ') --blanks;
        int i = line.Start;
        while (i < end) {
            char c = Buff[static_cast<size_t>(i)];
            if (c == ImageChar) {
                if (TImageObj* img = ImageAtPos(i)) {
                    if (!img->Floating()) {
                        img->Draw(canvas, x + img->DrawX, y + img->DrawY);
                        cx += img->Width + 2 * img->HSpace;
                    } else {
                        img->Draw(canvas, x + img->DrawX, y + img->DrawY);
                    }
                    ++i;
                    continue;
                }
            } else if (c == ControlChar) {
                if (TFormControlObj* ctl = ControlAtPos(i)) {
                    int bottom = line.Y + line.SpaceBefore + line.LineHt - (ctl->BaselineAligned() ? line.Descent : 0);
                    ctl->Place(x + cx, y + bottom - ctl->Height());
                    cx += ctl->Width();
                    ++i;
                    continue;
                }
            }
            int run = Fonts.IndexAt(i);
            int e = std::min(end, Fonts.EndOf(run, Len()));
            int j = i;
            while (j < e && !IsObject(j)) ++j;
            // Split at the selection's edges.
            int k = j;
            if (i < selB && selB < k) k = selB;
            if (i < selE && selE < k) k = selE;
            if (i < blanks && blanks < k) k = blanks;
            TFontObj& f = Fonts[run];
            std::string s = Buff.substr(static_cast<size_t>(i), static_cast<size_t>(k - i));
            canvas.Font = f.DrawFont();
            int w = canvas.TextWidth(s);
            int ty = base - f.Ascent;
            if (f.SScript == 2)
                ty -= f.LineHeight / 3;
            else if (f.SScript == 1)
                ty += f.Descent / 2 + 1;
            bool selected = i >= selB && i < selE;
            if (i >= blanks && !selected) {
                cx += w;
                i = k;
                continue;
            }
            if (selected) {
                canvas.Brush.Style = TBrushStyle::bsSolid;
                canvas.Brush.Color = f.Font.Color;
                canvas.Font.Color = bg;
            } else {
                canvas.Brush.Style = TBrushStyle::bsClear;
            }
            canvas.TextOut(x + cx - f.Overhang / 2, y + ty, s);
            canvas.Brush.Style = TBrushStyle::bsSolid;
            cx += w;
            i = k;
        }
    }
    if (Preformatted) canvas.PopClip();
}

TFontObj* TSection::LinkAt(TCanvas& canvas, int x, int y, TUrlTarget& url) {
    if (TImageObj* img = ImageAt(x, y)) {
        // The point in image coordinates, less the link border.
        int b = img->HasBorder ? 1 : 0;
        int ix = x - img->DrawX - b, iy = y - img->DrawY - b;
        if (!img->UseMap.empty() && Document) {
            for (auto& map : Document->MapList) {
                if (map->MapName != img->UseMap) continue;
                const TMapItem::Area* area = map->AreaAt(ix, iy);
                if (!area || area->Link.Empty()) return nullptr;
                url = area->Link;
                return &Fonts.At(img->Pos);
            }
        }
        if (img->Link.Empty()) return nullptr;
        url = img->Link;
        if (img->IsMap) url.Url += "?" + IntToStr(ix) + "," + IntToStr(iy);
        return &Fonts.At(img->Pos);
    }
    int li = LineAtY(y);
    if (li < 0) return nullptr;
    const LineRec& line = Lines[static_cast<size_t>(li)];
    if (x < line.LineX || x >= line.LineX + line.TextWidth) return nullptr;
    int i = CharAtX(canvas, line, x, false);
    if (i >= Len()) return nullptr;
    TFontObj& f = Fonts.At(i);
    if (f.UrlTarget.Empty()) return nullptr;
    url = f.UrlTarget;
    return &f;
}

TImageObj* TSection::ImageAt(int x, int y) {
    for (auto& img : Images) {
        int b = img->HasBorder ? 1 : 0;
        if (Rect(img->DrawX + b, img->DrawY + b, img->DrawX + img->Width - b, img->DrawY + img->Height - b).Contains({x, y}))
            return img.get();
    }
    return nullptr;
}

int TSection::PositionAt(TCanvas& canvas, int x, int y) {
    if (Lines.empty() || y < Top || y >= Top + Height) return -1;
    int li = LineAtY(y);
    if (li < 0) return -1;
    return StartPos + CharAtX(canvas, Lines[static_cast<size_t>(li)], x, true);
}

int TSection::FindText(int start, const std::string& text, bool matchCase) {
    if (text.empty() || start >= StartPos + Len()) return -1;
    int from = std::max(0, start - StartPos);
    std::string hay = matchCase ? Buff : UpperCase(Buff);
    std::string needle = matchCase ? text : UpperCase(text);
    size_t p = hay.find(needle, static_cast<size_t>(from));
    return p == std::string::npos ? -1 : StartPos + static_cast<int>(p);
}

bool TSection::PointOf(TCanvas& canvas, int index, TPoint& p) {
    int i = index - StartPos;
    if (i < 0 || i > Len()) return false;
    for (const LineRec& line : Lines) {
        if (line.Ln == 0 && Len() > 0) continue;
        if (i >= line.Start && (i < line.Start + line.Ln || (i == Len() && i == line.Start + line.Ln))) {
            p = {line.LineX + RangeWidth(canvas, line.Start, i), line.Y};
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
    if (e <= 0 || b > Len()) return;
    for (int i = std::max(0, b); i < std::min(e, Len()); ++i) {
        char c = Buff[static_cast<size_t>(i)];
        if (c != ImageChar && c != ControlChar) out += c;
    }
    if (e > Len()) out += "\r\n";
}

void TSection::RefreshFonts() {
    if (!Document) return;
    auto apply = [this](TMyFont& f, bool link) {
        f.Name = f.Fixed ? Document->PreFontName : Document->FontName;
        f.Charset = Document->CharSet;
        f.ApplySize(Document->FontSize);
        if (!link) f.Color = Document->FontColor;
    };
    for (int i = 0; i < Fonts.Count(); ++i) {
        TFontObj& f = Fonts[i];
        apply(f.Font, !f.UrlTarget.Empty());
        f.UpdateLinkColor();
    }
    apply(FirstFont, false);
}

void TSection::MeasureWidths(TCanvas& canvas, int& minW, int& maxW) {
    for (int i = 0; i < Fonts.Count(); ++i) Fonts[i].UpdateMetrics(canvas);
    int floats = 0, widest = 0;
    for (auto& img : Images) {
        img->SetSize(canvas, 0);
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
        if (j > i) widest = std::max(widest, RangeWidth(canvas, i, j));
        i = j;
    }
    minW = widest + Indent + floats;
    maxW = RangeWidth(canvas, 0, Len()) + floats + Indent;
}

// ---------------------------------------------------------------------------------------------
// Cells

int TCell::DoLayout(TCanvas& canvas, int y, int width, int& curs, int& maxWidth, int left) {
    IMgr.Clear(left, width);
    int top = y;
    for (size_t i = 0; i < Sections.size();) {
        try {
            y += Sections[i]->LayOut(canvas, y, width, curs, IMgr, maxWidth);
            ++i;
        } catch (const EProcessError& e) {
            if (Document && Document->OnLayoutError) Document->OnLayoutError(e.Message());
            Sections.erase(Sections.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
    Height = std::max(y, IMgr.FloatBottom()) - top;
    return Height;
}

void TCell::Draw(TCanvas& canvas, const TRect& clip, int x, int y) {
    for (auto& s : Sections) s->Paint(canvas, clip, x, y);
}

void TCell::MinMaxWidth(TCanvas& canvas, int& minW, int& maxW) {
    minW = maxW = 0;
    for (auto& s : Sections) {
        int a = 0, b = 0;
        s->MeasureWidths(canvas, a, b);
        minW = std::max(minW, a);
        maxW = std::max(maxW, b);
    }
}

TFontObj* TCell::LinkAt(TCanvas& canvas, int x, int y, TUrlTarget& url) {
    for (auto& s : Sections)
        if (y >= s->Top && y < s->Top + std::max(s->Height, s->DrawHeight))
            if (TFontObj* f = s->LinkAt(canvas, x, y, url)) return f;
    return nullptr;
}

TImageObj* TCell::ImageAt(int x, int y) {
    for (auto& s : Sections)
        if (TImageObj* img = s->ImageAt(x, y)) return img;
    return nullptr;
}

int TCell::PositionAt(TCanvas& canvas, int x, int y) {
    for (auto& s : Sections) {
        int p = s->PositionAt(canvas, x, y);
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

bool TCell::PointOf(TCanvas& canvas, int index, TPoint& p) {
    // A section's end index is also the next section's first character: the section that holds
    // the character wins, and a section's end only answers when no character follows it.
    for (auto& s : Sections)
        if (index < s->StartPos + s->Length() && s->PointOf(canvas, index, p)) return true;
    for (auto& s : Sections)
        if (s->PointOf(canvas, index, p)) return true;
    return false;
}

bool TCell::CharAt(int index, char& c) const {
    for (auto& s : Sections)
        if (s->CharAt(index, c)) return true;
    return false;
}

void TCell::CopySelection(std::string& out) {
    for (auto& s : Sections) s->CopySelection(out);
}

void TCell::RefreshFonts() {
    for (auto& s : Sections) s->RefreshFonts();
}

// ---------------------------------------------------------------------------------------------
// The document

TSectionList::TSectionList() : TCell(this) {}

TSectionList::~TSectionList() { Clear(); }

void TSectionList::Clear() {
    ActiveLink = nullptr;
    ActiveImage = nullptr;
    LinkList.clear(); // first, so the sections need not take themselves out one by one
    Sections.clear();
    MapList.clear();
    FormControlList.clear();
    BackgroundImage.clear();
    SelB = SelE = 0;
    YOff = 0;
    Height = 0;
}

int TSectionList::DoLayout(TCanvas& canvas, int width, int& maxWidth, int top) {
    int curs = 0;
    maxWidth = 0;
    return TCell::DoLayout(canvas, top, width, curs, maxWidth);
}

void TSectionList::Draw(TCanvas& canvas, const TRect& clip, int x, int y) {
    canvas.PushClip(clip);
    TCell::Draw(canvas, clip, x, y - YOff);
    canvas.PopClip();
}

TFontObj* TSectionList::GetURL(TCanvas& canvas, int x, int y, TUrlTarget& url) {
    url.Clear();
    ActiveLink = TCell::LinkAt(canvas, x, y, url);
    return ActiveLink;
}

bool TSectionList::UpdateHover(TCanvas& canvas, int x, int y) {
    TUrlTarget url;
    TFontObj* previous = ActiveLink;
    TFontObj* now = GetURL(canvas, x, y, url);
    if (!HoverEnabled || previous == now) return false;
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
    for (TFontObj* f : LinkList) f->SetVisited(visited(f->UrlTarget.Url));
}
