// The parser's name tables: tag words, attribute names, character entities and character sets.
#include <string>
#include <string_view>
#include <unordered_map>

#include "html/Readhtml.h"

namespace {

const char* const TagNames[TagCount] = {
    "HTML",    "TITLE",      "BODY",     "HEAD",     "B",     "I",     "H",    "EM",      "STRONG",   "U",        "CITE",
    "VAR",     "TT",         "CODE",     "KBD",      "SAMP",  "OL",    "UL",   "DIR",     "MENU",     "DL",       "A",
    "ADDRESS", "BLOCKQUOTE", "PRE",      "CENTER",   "TABLE", "TD",    "TH",   "CAPTION", "FORM",     "TEXTAREA", "SELECT",
    "OPTION",  "FONT",       "SUB",      "SUP",      "BIG",   "SMALL", "P",    "MAP",     "FRAMESET", "NOFRAMES", "SCRIPT",
    "DIV",     "S",          "STRIKE",   "TR",       "LI",    "BR",    "HR",   "DD",      "DT",       "IMG",      "BASE",
    "BUTTON",  "INPUT",      "SELECTED", "BASEFONT", "AREA",  "FRAME", "PAGE", "BGSOUND", "WRAP",     "META"};

// VALUE stands twice; both give the same symbol.
const struct {
    const char* name;
    Symb sym;
} AttrNames[] = {
    {"HREF", HrefSy},
    {"NAME", NameSy},
    {"SRC", SrcSy},
    {"ALT", AltSy},
    {"ALIGN", AlignSy},
    {"TEXT", TextAttrSy},
    {"BGCOLOR", BGColorSy},
    {"LINK", LinkSy},
    {"BACKGROUND", BackgroundSy},
    {"COLSPAN", ColSpanSy},
    {"ROWSPAN", RowSpanSy},
    {"BORDER", BorderSy},
    {"CELLPADDING", CellPaddingSy},
    {"CELLSPACING", CellSpacingSy},
    {"VALIGN", VAlignSy},
    {"WIDTH", WidthSy},
    {"START", StartSy},
    {"VALUE", ValueSy},
    {"TYPE", TypeSy},
    {"CHECKBOX", CheckBoxSy},
    {"RADIO", RadioSy},
    {"METHOD", MethodSy},
    {"ACTION", ActionSy},
    {"CHECKED", CheckedSy},
    {"SIZE", SizeSy},
    {"MAXLENGTH", MaxLengthSy},
    {"COLS", ColsSy},
    {"ROWS", RowsSy},
    {"MULTIPLE", MultipleSy},
    {"VALUE", ValueSy},
    {"SELECTED", SelectedAttrSy},
    {"FACE", FaceSy},
    {"COLOR", ColorSy},
    {"TRANSP", TranspSy},
    {"CLEAR", ClearSy},
    {"ISMAP", IsMapSy},
    {"BORDERCOLOR", BorderColorSy},
    {"USEMAP", UseMapSy},
    {"SHAPE", ShapeSy},
    {"COORDS", CoordsSy},
    {"NOHREF", NoHrefSy},
    {"HEIGHT", HeightSy},
    {"PLAIN", PlainSy},
    {"TARGET", TargetSy},
    {"NORESIZE", NoResizeSy},
    {"SCROLLING", ScrollingSy},
    {"HSPACE", HSpaceSy},
    {"LANGUAGE", LanguageSy},
    {"FRAMEBORDER", FrameBorderSy},
    {"MARGINWIDTH", MarginWidthSy},
    {"MARGINHEIGHT", MarginHeightSy},
    {"LOOP", LoopSy},
    {"ONCLICK", OnClickSy},
    {"WRAP", WrapAttrSy},
    {"NOSHADE", NoShadeSy},
    {"HTTP-EQUIV", HttpEqSy},
    {"CONTENT", ContentSy},
    {"ENCTYPE", EncTypeSy},
    {"VLINK", VLinkSy},
    {"OLINK", OLinkSy},
    {"ACTIVE", ActiveSy},
};
static_assert(sizeof AttrNames / sizeof AttrNames[0] == 61);

// Seven entities with fixed replacements, then the ISO 8859-1 names of bytes 160 to 255.
const char* const FixedEntities[7][2] = {{"amp", "&"},   {"lt", "<"},    {"gt", ">"},      {"quot", "\""},
                                         {"rsquo", "'"}, {"ndash", "-"}, {"hellip", "..."}};
const char* const Latin1Entities[96] = {
    "nbsp",   "iexcl",  "cent",   "pound",  "curren", "yen",    "brvbar", "sect",   "uml",    "copy",   "ordf",   "laquo",
    "not",    "shy",    "reg",    "macr",   "deg",    "plusmn", "sup2",   "sup3",   "acute",  "micro",  "para",   "middot",
    "cedil",  "sup1",   "ordm",   "raquo",  "frac14", "frac12", "frac34", "iquest", "Agrave", "Aacute", "Acirc",  "Atilde",
    "Auml",   "Aring",  "AElig",  "Ccedil", "Egrave", "Eacute", "Ecirc",  "Euml",   "Igrave", "Iacute", "Icirc",  "Iuml",
    "ETH",    "Ntilde", "Ograve", "Oacute", "Ocirc",  "Otilde", "Ouml",   "times",  "Oslash", "Ugrave", "Uacute", "Ucirc",
    "Uuml",   "Yacute", "THORN",  "szlig",  "agrave", "aacute", "acirc",  "atilde", "auml",   "aring",  "aelig",  "ccedil",
    "egrave", "eacute", "ecirc",  "euml",   "igrave", "iacute", "icirc",  "iuml",   "eth",    "ntilde", "ograve", "oacute",
    "ocirc",  "otilde", "ouml",   "divide", "oslash", "ugrave", "uacute", "ucirc",  "uuml",   "yacute", "thorn",  "yuml"};

} // namespace

const THtmlCharsetRow HtmlCharsets[14] = {{"1252", 0},     {"8859-1", 0},   {"1253", 161},   {"8859-7", 161}, {"1250", 238},
                                          {"8859-2", 238}, {"1251", 204},   {"8859-5", 204}, {"koi8-r", 204}, {"1254", 162},
                                          {"8859-3", 162}, {"8859-9", 162}, {"1257", 186},   {"8859-4", 186}};

bool LookupTag(std::string_view upperName, Symb& sym) {
    static const std::unordered_map<std::string_view, Symb> table = [] {
        std::unordered_map<std::string_view, Symb> m;
        for (int i = 0; i < TagCount; ++i) m.emplace(TagNames[i], static_cast<Symb>(i));
        return m;
    }();
    auto it = table.find(upperName);
    if (it == table.end()) return false;
    sym = it->second;
    return true;
}

Symb LookupAttribute(std::string_view upperName) {
    static const std::unordered_map<std::string_view, Symb> table = [] {
        std::unordered_map<std::string_view, Symb> m;
        for (auto& a : AttrNames) m.emplace(a.name, a.sym); // the first VALUE wins; both are the same
        return m;
    }();
    auto it = table.find(upperName);
    return it == table.end() ? UnknownSy : it->second;
}

bool LookupEntity(std::string_view name, std::string& replacement) {
    static const std::unordered_map<std::string_view, std::string> table = [] {
        std::unordered_map<std::string_view, std::string> m;
        for (auto& e : FixedEntities) m.emplace(e[0], e[1]);
        for (int i = 0; i < 96; ++i) m.emplace(Latin1Entities[i], std::string(1, static_cast<char>(160 + i)));
        return m;
    }();
    auto it = table.find(name);
    if (it == table.end()) return false;
    replacement = it->second;
    return true;
}
