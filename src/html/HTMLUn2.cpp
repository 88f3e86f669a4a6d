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

size_t TFontTable::Hash::operator()(const TMyFont& f) const {
    size_t h = std::hash<std::string>()(f.Name);
    for (size_t v : {static_cast<size_t>(f.Height), static_cast<size_t>(f.Color), static_cast<size_t>(f.Style),
                     static_cast<size_t>(f.Charset), static_cast<size_t>(f.Pitch), static_cast<size_t>(f.NominalSize),
                     static_cast<size_t>(f.Fixed)})
        h = h * 31 + v;
    return h;
}

bool TFontTable::Same::operator()(const TMyFont& a, const TMyFont& b) const {
    return static_cast<const TFont&>(a) == static_cast<const TFont&>(b) && a.NominalSize == b.NominalSize && a.Fixed == b.Fixed;
}

const TMyFont* TFontTable::Intern(const TMyFont& font) { return &*fonts_.insert(font).first; }

const TUrlTarget* TUrlTable::Intern(const TUrlTarget& url) {
    if (url.Url.empty() && url.Target.empty()) return nullptr;
    // The runs of one link follow each other, so comparing with the newest entry finds the
    // shared one without a lookup structure.
    if (urls_.empty() || !(urls_.back() == url)) urls_.push_back(url);
    return &urls_.back();
}

TFontObj::TFontObj(TSection* section, int pos, const TMyFont* font, const TUrlTarget* url, TScript sscript)
    : Section(section), Pos(pos), SScript(sscript), font_(font), url_(url) {}

const TUrlTarget& TFontObj::UrlTarget() const {
    static const TUrlTarget none;
    return url_ ? *url_ : none;
}

TColor TFontObj::Color(const TDocColors& colors) const {
    if (!IsLink()) return font_->Color;
    return hover_ ? colors.Hover : visited_ ? colors.Visited : colors.Link;
}

TFont TFontObj::DrawFont(int fontSize, TFontStyles linkStyle) const {
    TFont f = *font_;
    if (IsLink()) f.Style |= linkStyle;
    // Sub- and superscripts are drawn at three quarters of their nominal size.
    if (SScript != TScript::None) f.SetSize(std::max(1, MulDiv(font_->NominalSize * 3, fontSize, 48)));
    return f;
}

TFontObj& TFontList::Add(TSection* section, int pos, const TMyFont* font, const TUrlTarget* url, TScript sscript) {
    if (!first_) return first_.emplace(section, pos, font, url, sscript);
    rest_.push_back(std::make_unique<TFontObj>(section, pos, font, url, sscript));
    return *rest_.back();
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
