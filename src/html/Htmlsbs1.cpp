#include "html/Htmlsbs1.h"

#include <algorithm>

#include "toolkit/SysUtils.h"

void TPreFormated::MeasureWidths(TLayoutContext& ctx, int& minW, int& maxW) {
    MeasureFonts(ctx);
    maxW = RangeWidth(0, Len()) + Indent;
    minW = std::min(maxW, 500);
}

void TUListItem::RefreshFonts() {
    TSection::RefreshFonts();
    if (Document) ApplySettings(FirstFont);
}

void TUListItem::DrawMarker(TPaintContext& pc) {
    const LineRec* line = FirstTextLine();
    if (Plain || !line) return;
    TCanvas& canvas = pc.Canvas;
    int cx = pc.X + FirstLineLeft - 8;
    int cy = pc.Y + line->Y + line->SpaceBefore + line->LineHt / 2;
    TRect r = Rect(cx - 2, cy - 2, cx + 3, cy + 3);
    TColor bg = pc.Colors.Background;
    TColor rgb = ColorToRGB(bg);
    bool light = bg == clBtnFace || rgb == clWhite || rgb == clSilver || (bg == clWindow && ColorToRGB(clWindow) == clWhite);
    canvas.Pen.Style = TPenStyle::psSolid;
    canvas.Pen.Mode = TPenMode::pmCopy;
    canvas.Pen.Width = 1;
    if (light) {
        TColor fill = (Level == 1 || Level == 4) ? clNavy : (Level == 2 || Level == 5) ? clMaroon : clRed;
        canvas.Pen.Color = fill;
        canvas.Brush.Style = TBrushStyle::bsSolid;
        canvas.Brush.Color = fill;
    } else {
        canvas.Pen.Color = FirstFont.Color;
        canvas.Brush.Style = TBrushStyle::bsClear;
    }
    canvas.Ellipse(r);
    canvas.Brush.Style = TBrushStyle::bsSolid;
}

std::string TOListItem::MarkerText() const {
    static const char* const roman[20] = {"i",  "ii",  "iii",  "iv",  "v",  "vi",  "vii",  "viii",  "ix",  "x",
                                          "xi", "xii", "xiii", "xiv", "xv", "xvi", "xvii", "xviii", "xix", "xx"};
    switch (ListStyle) {
    case 'a':
    case 'A': {
        int n = std::clamp(ListNumb, 1, 26);
        return std::string(1, static_cast<char>((ListStyle == 'a' ? 'a' : 'A') + n - 1)) + ".";
    }
    case 'i':
    case 'I': {
        std::string s = roman[std::clamp(ListNumb, 1, 20) - 1];
        return (ListStyle == 'I' ? UpperCase(s) : s) + ".";
    }
    default: return IntToStr(ListNumb) + ".";
    }
}

void TOListItem::DrawMarker(TPaintContext& pc) {
    const LineRec* line = FirstTextLine();
    if (!line) return;
    TCanvas& canvas = pc.Canvas;
    const int x = pc.X, y = pc.Y;
    std::string s = MarkerText();
    TMyFont f = FirstFont;
    canvas.Font = f;
    TTextMetric tm = canvas.TextMetrics();
    int w = canvas.TextWidth(s);
    canvas.Brush.Style = TBrushStyle::bsClear;
    canvas.TextOut(x + FirstLineLeft - 5 - w, y + line->Baseline() - tm.Ascent, s);
    canvas.Brush.Style = TBrushStyle::bsSolid;
}

void TParagraphSpace::SetHeight() { fixedHeight_ = Height = MulDiv(14, Document ? Document->Settings().FontSize : 12, 12); }

void THeadingSpace::SetHeight() {
    static const int sizes[7] = {8, 16, 12, 10, 8, 6, 4};
    int nominal = sizes[std::clamp(HeadingLevel, 0, 6)];
    fixedHeight_ = Height = MulDiv(nominal, Document ? Document->Settings().FontSize : 12, 12);
}

THorzLine::THorzLine(TSectionList* document, const TAttributeList& attrs) : TSectionBase(document) {
    for (int i = 0; i < attrs.Count(); ++i) {
        const TAttribute& a = attrs[i];
        switch (a.Symbol) {
        case SizeSy:
            if (a.Number >= 1 && a.Number <= 20) Thickness = a.Number;
            break;
        case WidthSy:
            if (!a.Text.empty() && a.Text.back() == '%') {
                if (a.Number > 0) {
                    HrWidth = std::min(a.Number, 100);
                    Percent = true;
                }
            } else if (a.Number > 0) {
                HrWidth = a.Number;
            }
            break;
        case AlignSy:
            if (SameText(a.Text, "left"))
                Align = THAlign::Left;
            else if (SameText(a.Text, "right"))
                Align = THAlign::Right;
            else
                Align = THAlign::Center;
            break;
        case ColorSy: HasColor = ColorFromString(a.Text, Color); break;
        case NoShadeSy: NoShade = true; break;
        default: break;
        }
    }
    SetHeight();
}

void THorzLine::SetHeight() {
    fixedHeight_ = Height = MulDiv(20, Document ? Document->Settings().FontSize : 12, 12) + Thickness - 2;
}

int THorzLine::LayOut(TLayoutContext& ctx, int y) {
    TSectionBase::LayOut(ctx, y);
    int left = ctx.IMgr.LeftIndent(y), right = ctx.IMgr.RightSide(y);
    int ry = y + (Height - Thickness) / 2;
    if (HrWidth == 0) {
        rule_ = Rect(left + 10, ry, right - 10, ry + Thickness);
    } else {
        int avail = right - left;
        int w = Percent ? avail * HrWidth / 100 : HrWidth;
        int x = Align == THAlign::Left ? left : Align == THAlign::Right ? right - w : left + (avail - w) / 2;
        rule_ = Rect(x, ry, x + w, ry + Thickness);
        ctx.MaxWidth = std::max(ctx.MaxWidth, rule_.Right);
    }
    return Height;
}

void THorzLine::Paint(TPaintContext& pc) {
    TCanvas& canvas = pc.Canvas;
    TRect r = rule_;
    r.Offset(pc.X, pc.Y);
    if (r.Bottom < pc.Clip.Top || r.Top > pc.Clip.Bottom || r.IsEmpty()) return;
    canvas.Brush.Style = TBrushStyle::bsSolid;
    if (HasColor) {
        canvas.Brush.Color = Color;
        canvas.FillRect(r);
        return;
    }
    TColor bg = pc.Colors.Background;
    bool white = ColorToRGB(bg) == clWhite && (bg >= 0 || bg == clWindow);
    TColor dark = NoShade ? clBlack : clBtnShadow;
    TColor light = NoShade ? clBlack : white ? clSilver : clBtnHighlight;
    // Engraved: shadow on the left and top, highlight on the right and bottom.
    canvas.Brush.Color = dark;
    canvas.FillRect(Rect(r.Left, r.Top, r.Right, r.Top + 1));
    canvas.FillRect(Rect(r.Left, r.Top, r.Left + 1, r.Bottom));
    canvas.Brush.Color = light;
    canvas.FillRect(Rect(r.Left, r.Bottom - 1, r.Right, r.Bottom));
    canvas.FillRect(Rect(r.Right - 1, r.Top + 1, r.Right, r.Bottom));
}
