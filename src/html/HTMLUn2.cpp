#include "html/HTMLUn2.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "html/Htmlsubs.h"
#include "toolkit/SysUtils.h"

const int FontConv[7] = {8, 10, 12, 14, 18, 24, 36};
const int PreFontConv[7] = {7, 8, 10, 12, 15, 20, 30};

const TAttribute* TAttributeList::Find(Symb sym) const {
    for (auto& a : items_)
        if (a->Symbol == sym) return a.get();
    return nullptr;
}

bool ColorFromString(const std::string& value, TColor& color) {
    // The sixteen colour names of the HTML 3.2 reference, as RRGGBB.
    static const struct {
        const char* name;
        uint32_t rgb;
    } names[] = {{"BLACK", 0x000000},  {"MAROON", 0x800000},  {"GREEN", 0x008000}, {"OLIVE", 0x808000},
                 {"NAVY", 0x000080},   {"PURPLE", 0x800080},  {"TEAL", 0x008080},  {"GRAY", 0x808080},
                 {"SILVER", 0xC0C0C0}, {"RED", 0xFF0000},     {"LIME", 0x00FF00},  {"YELLOW", 0xFFFF00},
                 {"BLUE", 0x0000FF},   {"FUCHSIA", 0xFF00FF}, {"AQUA", 0x00FFFF},  {"WHITE", 0xFFFFFF}};
    std::string up = UpperCase(value);
    uint32_t rgb = 0;
    bool found = false;
    for (auto& n : names)
        if (up == n.name) {
            rgb = n.rgb;
            found = true;
            break;
        }
    if (!found) {
        std::string s = up;
        if (!s.empty() && s[0] == '#') s.erase(0, 1);
        // An empty value names no colour (padding it would silently give black).
        if (s.empty() || s.size() > 8) return false;
        for (char c : s)
            if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
        while (s.size() < 6) s += '0';
        rgb = static_cast<uint32_t>(std::strtoul(s.c_str(), nullptr, 16));
    }
    // RRGGBB to the platform's order, red in the low byte.
    color = static_cast<TColor>(((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16)) | PaletteFlag;
    return true;
}

// ---------------------------------------------------------------------------------------------
// Fonts and font runs

void TMyFont::ApplySize(int defFontSize) { SetSize(MulDiv(NominalSize, defFontSize, 12)); }

const TFontInfo& TFontCache::Get(TCanvas& canvas, const TFont& font) {
    for (auto& f : items_)
        if (f->Font.Name == font.Name && f->Font.Height == font.Height && f->Font.Style == font.Style &&
            f->Font.Charset == font.Charset && f->Font.Pitch == font.Pitch)
            return *f;
    auto info = std::make_unique<TFontInfo>();
    info->Font = font;
    canvas.Font = font;
    TTextMetric tm = canvas.TextMetrics();
    info->Height = tm.Height;
    info->LineHeight = tm.Height + tm.ExternalLeading;
    info->Ascent = tm.Ascent;
    info->Descent = tm.Descent;
    info->Overhang = tm.Overhang;
    std::string one(1, ' ');
    for (int c = 0; c < 256; ++c) {
        one[0] = static_cast<char>(c);
        info->Widths[c] = canvas.TextWidth(one);
    }
    items_.push_back(std::move(info));
    return *items_.back();
}

TFontObj::TFontObj(TSection* section, int pos, const TMyFont& font, const TUrlTarget& url, TScript sscript)
    : Section(section), Pos(pos), Font(font), UrlTarget(url), SScript(sscript) {}

TColor TFontObj::Color(const TDocColors& colors) const {
    if (UrlTarget.Empty()) return Font.Color;
    return hover_ ? colors.Hover : visited_ ? colors.Visited : colors.Link;
}

TFont TFontObj::DrawFont(int fontSize, TFontStyles linkStyle) const {
    TFont f = Font;
    if (!UrlTarget.Empty()) f.Style |= linkStyle;
    // Sub- and superscripts are drawn at three quarters of their nominal size.
    if (SScript != TScript::None) f.SetSize(std::max(1, MulDiv(Font.NominalSize * 3, fontSize, 48)));
    return f;
}

void TFontObj::SetInfo(const TFontInfo& info) {
    info_ = &info;
    FontHeight = info.Height;
    LineHeight = info.LineHeight;
    Descent = info.Descent;
    Ascent = info.Ascent;
    Overhang = info.Overhang;
}

int TFontList::IndexAt(int pos) const {
    // Binary search for the last run whose Pos is not after pos.
    int lo = 0, hi = Count() - 1, r = 0;
    while (lo <= hi) {
        int mid = (lo + hi) / 2;
        if ((*this)[mid].Pos <= pos) {
            r = mid;
            lo = mid + 1;
        } else {
            hi = mid - 1;
        }
    }
    return r;
}

// ---------------------------------------------------------------------------------------------
// Images

TImageObj::TImageObj(int pos, const TAttributeList& attrs) : Pos(pos) {
    for (int i = 0; i < attrs.Count(); ++i) {
        const TAttribute& a = attrs[i];
        switch (a.Symbol) {
        case SrcSy: Source = Trim(a.Text); break;
        case AltSy: AltText = a.Text; break;
        case AlignSy: {
            std::string s = UpperCase(a.Text);
            if (s == "TOP")
                VAlign = TImageAlign::Top;
            else if (s == "MIDDLE" || s == "ABSMIDDLE")
                VAlign = TImageAlign::Middle;
            else if (s == "LEFT")
                VAlign = TImageAlign::Left;
            else if (s == "RIGHT")
                VAlign = TImageAlign::Right;
            else
                VAlign = TImageAlign::Bottom;
            break;
        }
        case BorderSy: NoBorder = a.Number == 0; break;
        case WidthSy:
            if (!a.Text.empty() && a.Text.back() == '%') {
                PercentWidth = true;
                SpecWidth = std::clamp(a.Number, 1, 100);
            } else if (a.Number > 0) {
                SpecWidth = a.Number;
            }
            break;
        case HeightSy: SpecHeight = std::max(1, a.Number); break;
        case HSpaceSy: HSpace = std::min(20, std::abs(a.Number)); break;
        case TranspSy: Transparent = true; break;
        case IsMapSy: IsMap = true; break;
        case UseMapSy: {
            std::string m = Trim(UpperCase(a.Text));
            if (!m.empty() && m[0] == '#') m.erase(0, 1);
            UseMap = m;
            MapName = m;
            break;
        }
        case ActiveSy: HoverAnimated = true; break;
        default: break;
        }
    }
}

TFont TImageObj::AltFont() {
    TFont f;
    f.Name = "Arial";
    f.SetSize(8);
    return f;
}

void TImageObj::SetSize(TCanvas& canvas, int availWidth) {
    if (sized_ && !PercentWidth) return;
    sized_ = true;
    const int picW = NotLoadedPicture().Width(), picH = NotLoadedPicture().Height();
    if (!PercentWidth && SpecWidth > 0 && SpecHeight > 0) {
        Width = SpecWidth;
        Height = SpecHeight;
    } else {
        canvas.Font = AltFont();
        TSize ext = canvas.TextExtent(AltText);
        int boxW = std::max(picW, ext.cx + 2 + 24);
        int boxH = std::max(picH, std::max(24, AltText.empty() ? 0 : ext.cy));
        if (PercentWidth) {
            Width = std::max(1, availWidth * SpecWidth / 100);
            Height = SpecHeight > 0 ? SpecHeight : boxH;
        } else {
            Width = boxW;
            Height = boxH;
        }
    }
    if (HasBorder) {
        Width += 2;
        Height += 2;
    }
}

const TBitmap& TImageObj::NotLoadedPicture() {
    // A 16 x 16 picture of a framed page with a small landscape: the box shown for an image
    // whose data is not loaded.
    static const TBitmap pic = [] {
        TBitmap b(16, 16, TBitmap::ToPixel(clWhite));
        for (int i = 0; i < 16; ++i) {
            b.SetPixel(i, 0, TBitmap::ToPixel(clGray));
            b.SetPixel(i, 15, TBitmap::ToPixel(clGray));
            b.SetPixel(0, i, TBitmap::ToPixel(clGray));
            b.SetPixel(15, i, TBitmap::ToPixel(clGray));
        }
        for (int y = 9; y < 14; ++y)
            for (int x = 2; x < 14; ++x)
                if (x - 2 <= (y - 9) * 3) b.SetPixel(x, y, TBitmap::ToPixel(clGreen));
        for (int y = 3; y < 6; ++y)
            for (int x = 10; x < 13; ++x) b.SetPixel(x, y, TBitmap::ToPixel(clRed));
        return b;
    }();
    return pic;
}

void TImageObj::Draw(TCanvas& canvas, int x, int y, const TDocColors& colors) {
    // The placeholder box: the not-loaded picture 4 pixels in from the top-left corner (when the
    // box has room for it), the ALT text beside it, and a sunken frame, or a one-pixel frame in
    // the link colour when the image is a link.
    TRect r = Bounds(x, y, Width, Height);
    TColor textColor = colors.Font;
    canvas.Brush.Style = TBrushStyle::bsSolid;
    if (HasBorder) {
        TColor lc = colors.Link;
        canvas.Brush.Color = lc;
        canvas.FrameRect(r);
        textColor = lc;
    } else {
        canvas.Brush.Color = clBtnShadow;
        canvas.FillRect(Rect(r.Left, r.Top, r.Right, r.Top + 1));
        canvas.FillRect(Rect(r.Left, r.Top, r.Left + 1, r.Bottom));
        canvas.Brush.Color = clBtnHighlight;
        canvas.FillRect(Rect(r.Left + 1, r.Bottom - 1, r.Right, r.Bottom));
        canvas.FillRect(Rect(r.Right - 1, r.Top + 1, r.Right, r.Bottom));
    }
    if (Width >= 24 && Height >= 24) canvas.Draw(x + 4, y + 4, NotLoadedPicture());
    if (!AltText.empty() && Width > 24) {
        canvas.PushClip(Rect(x + 24, y + 1, r.Right - 1, r.Bottom - 1));
        canvas.Font = AltFont();
        canvas.Font.Color = textColor;
        canvas.Brush.Style = TBrushStyle::bsClear;
        TRect tr = Rect(x + 24, y + 4, r.Right - 1, r.Bottom - 1);
        canvas.DrawText(AltText, tr, dt::WordBreak | dt::NoPrefix);
        canvas.Brush.Style = TBrushStyle::bsSolid;
        canvas.PopClip();
    }
}

void TMapItem::AddArea(const TAttributeList& attrs) {
    Area area;
    std::string coords;
    for (int i = 0; i < attrs.Count(); ++i) {
        const TAttribute& a = attrs[i];
        switch (a.Symbol) {
        case ShapeSy: {
            std::string s = LowerCase(a.Text.substr(0, 4));
            area.Shape = s == "circ" ? TAreaShape::Circle : s == "poly" ? TAreaShape::Poly : TAreaShape::Rect;
            break;
        }
        case CoordsSy: coords = a.Text; break;
        case HrefSy: area.Link.Url = a.Text; break;
        case NoHrefSy: area.Link.Url.clear(); break;
        case TargetSy: area.Link.Target = a.Text; break;
        default: break;
        }
    }
    // Up to 301 numbers, separated by commas and spaces; what is not a number counts as 0.
    size_t i = 0;
    while (i < coords.size() && area.Coords.size() < 301) {
        while (i < coords.size() && (coords[i] == ',' || coords[i] == ' ')) ++i;
        if (i >= coords.size()) break;
        size_t j = i;
        while (j < coords.size() && coords[j] != ',' && coords[j] != ' ') ++j;
        area.Coords.push_back(StrToIntDef(coords.substr(i, j - i), 0));
        i = j;
    }
    size_t need = area.Shape == TAreaShape::Rect ? 4 : area.Shape == TAreaShape::Circle ? 3 : 6;
    if (area.Coords.size() < need) return;
    Areas.push_back(std::move(area));
}

const TMapItem::Area* TMapItem::AreaAt(int x, int y) const {
    // Pixel centres are tested against each region.
    double px = x + 0.5, py = y + 0.5;
    for (const Area& a : Areas) {
        const std::vector<int>& c = a.Coords;
        bool inside = false;
        if (a.Shape == TAreaShape::Rect) {
            // A rectangle, its right and bottom edges widened by one.
            int l = std::min(c[0], c[2]), r = std::max(c[0], c[2]) + 1;
            int t = std::min(c[1], c[3]), b = std::max(c[1], c[3]) + 1;
            inside = x >= l && x < r && y >= t && y < b;
        } else if (a.Shape == TAreaShape::Circle) {
            // The ellipse filling centre - radius to centre + radius + 1.
            double rad = std::abs(c[2]) + 0.5;
            double dx = (px - (c[0] + 0.5)) / rad, dy = (py - (c[1] + 0.5)) / rad;
            inside = c[2] != 0 && dx * dx + dy * dy <= 1.0;
        } else {
            // A polygon filled with the winding rule.
            int winding = 0;
            size_t n = c.size() / 2;
            for (size_t i = 0; i < n; ++i) {
                double x1 = c[2 * i], y1 = c[2 * i + 1];
                double x2 = c[2 * ((i + 1) % n)], y2 = c[2 * ((i + 1) % n) + 1];
                if (y1 <= py && y2 > py && (x2 - x1) * (py - y1) - (px - x1) * (y2 - y1) > 0)
                    ++winding;
                else if (y1 > py && y2 <= py && (x2 - x1) * (py - y1) - (px - x1) * (y2 - y1) < 0)
                    --winding;
            }
            inside = winding != 0;
        }
        if (inside) return &a;
    }
    return nullptr;
}
