#include "html/Readhtml.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <fstream>

#include "html/ReadhtmlParser.h"
#include "toolkit/SysUtils.h"

namespace {

// ASCII letters, as the C locale has them, without a library call for every character.
bool IsLetter(int c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
int AsciiUpper(int c) { return c >= 'a' && c <= 'z' ? c - ('a' - 'A') : c; }
bool IsDigit(int c) { return c >= '0' && c <= '9'; }
bool IsAlnum(int c) { return IsLetter(c) || IsDigit(c); }

// Optional sign and decimal digits making up the whole text; false otherwise.
bool StrictInt(const std::string& s, int& v) {
    size_t i = 0;
    bool neg = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) neg = s[i++] == '-';
    if (i >= s.size()) return false;
    long long n = 0;
    for (; i < s.size(); ++i) {
        if (!IsDigit(static_cast<unsigned char>(s[i]))) return false;
        n = n * 10 + (s[i] - '0');
        if (n > INT_MAX) return false;
    }
    v = static_cast<int>(neg ? -n : n);
    return true;
}

// The leading integer of a text (0 when it starts with none), saturated to the int range.
int LeadingInt(const std::string& s) {
    size_t i = 0;
    bool neg = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) neg = s[i++] == '-';
    long long n = 0;
    for (; i < s.size() && IsDigit(static_cast<unsigned char>(s[i])); ++i)
        n = std::min<long long>(n * 10 + (s[i] - '0'), INT_MAX);
    return static_cast<int>(neg ? -n : n);
}

// Tags whose attributes are kept; every other tag's attributes are read and dropped.
const TSymSet& AttributeTags() {
    static const TSymSet set = [] {
        TSymSet s;
        for (Symb t :
             {BodySy, PSy,    BRSy,       HeadingSy, HRSy,     BaseSy, OLSy,       ULSy,     ImageSy,  ASy,    TableSy,
              TDSy,   TRSy,   THSy,       CaptionSy, InputSy,  FormSy, TextAreaSy, SelectSy, OptionSy, FontSy, BaseFontSy,
              MapSy,  AreaSy, FrameSetSy, FrameSy,   ScriptSy, DivSy,  BgSoundSy,  WrapSy,   MetaSy})
            s.set(t);
        return s;
    }();
    return set;
}

// Symbols after which a further P adds paragraph space again.
const TSymSet& PSpaceClearers() {
    static const TSymSet set = [] {
        TSymSet s;
        for (Symb t : {BRSy, HeadingSy, HRSy, ImageSy, TextSy, TableSy, InputSy, TextAreaSy, SelectSy}) s.set(t);
        return s;
    }();
    return set;
}

const TSymSet& ListEnds() {
    static const TSymSet set = [] {
        TSymSet s;
        for (Symb t : {OLSy, ULSy, DirSy, MenuSy, DLSy, BlockQuoteSy}) s.set(EndOf(t));
        return s;
    }();
    return set;
}

// Symbols the inline handler acts on.
const TSymSet& InlineSyms() {
    static const TSymSet set = [] {
        TSymSet s;
        for (Symb t :
             {TextSy,   PSy,     BRSy,    HeadingSy, BSy,     StrongSy, ISy,        EmSy,      CiteSy, VarSy,      USy,   SSy,
              StrikeSy, SubSy,   SupSy,   TTSy,      CodeSy,  KbdSy,    SampSy,     AddressSy, FontSy, BaseFontSy, BigSy, SmallSy,
              ASy,      ImageSy, TableSy, FormSy,    InputSy, SelectSy, TextAreaSy, MapSy,     PageSy, ScriptSy,   PreSy})
            s.set(t);
        for (Symb t : {PSy,   HeadingSy, BSy,    StrongSy, ISy,    EmSy,      CiteSy, VarSy, USy,     SSy, StrikeSy, SubSy,
                       SupSy, TTSy,      CodeSy, KbdSy,    SampSy, AddressSy, FontSy, BigSy, SmallSy, ASy, FormSy})
            s.set(EndOf(t));
        return s;
    }();
    return set;
}

} // namespace

// =============================================================================================
// Character reader

THtmlParser::THtmlParser(TSectionList& list, TStringList& nameList, const THtmlCallbacks& callbacks, THtmlParseInfo& info)
    : List(list), NameList(nameList), Callbacks(callbacks), Info(info), CurrentCell(&list) {}

int THtmlParser::RawGet() {
    if (InInclude) {
        if (IncludePos < Include.size()) return static_cast<unsigned char>(Include[IncludePos++]);
        InInclude = false;
        Include.clear();
        IncludePos = 0;
    }
    if (BufPos < BufLen) return Buf[BufPos++];
    return EofCh;
}

int THtmlParser::RawPeek(int k) const {
    size_t kk = static_cast<size_t>(k);
    if (InInclude) {
        if (IncludePos + kk < Include.size()) return static_cast<unsigned char>(Include[IncludePos + kk]);
        kk -= Include.size() - IncludePos;
    }
    return BufPos + kk < BufLen ? Buf[BufPos + kk] : EofCh;
}

void THtmlParser::GetCh() {
    for (;;) {
        int c = RawGet();
        if (c == '\n') {
            if (RawPeek() == '\r') RawGet();
            c = '\r';
        } else if (c == '\r') {
            if (RawPeek() == '\n') RawGet();
        } else if (c == '\t') {
            c = ' ';
        }
        if (c == '<' && !InScript && RawPeek() == '!') {
            SkipComment(); // several comments in a row are skipped here in one go
            continue;
        }
        LCh = c;
        Ch = AsciiUpper(c);
        return;
    }
}

void THtmlParser::SkipComment() {
    RawGet(); // the "!"
    if (RawPeek(0) == '-' && RawPeek(1) == '-') {
        RawGet();
        RawGet();
        if (RawPeek() == '#' && Callbacks.OnInclude && !InInclude) {
            RawGet();
            DoIncludeDirective();
            return;
        }
        // The comment ends at "--", any further hyphens, spaces or line ends, then ">".
        for (;;) {
            int c = RawGet();
            if (c == EofCh) {
                // Reported once the page before the comment is built, so nothing of it is lost.
                OpenComment = true;
                return;
            }
            if (c == '-' && RawPeek() == '-') {
                RawGet();
                while (RawPeek() == '-') RawGet();
                while (RawPeek() == ' ' || RawPeek() == '\t' || RawPeek() == '\r' || RawPeek() == '\n') RawGet();
                if (RawPeek() == '>') {
                    RawGet();
                    return;
                }
            }
        }
    }
    // "<!" and anything else: a declaration, skipped to the next ">".
    for (;;) {
        int c = RawGet();
        if (c == '>' || c == EofCh) return;
    }
}

void THtmlParser::DoIncludeDirective() {
    std::string command;
    while (IsLetter(RawPeek())) command += static_cast<char>(RawGet());
    TStringList params;
    auto atEnd = [this] { return RawPeek(0) == '-' && RawPeek(1) == '-' && RawPeek(2) == '>'; };
    auto isBlank = [](int c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    for (;;) {
        while (isBlank(RawPeek())) RawGet();
        if (RawPeek() == EofCh) {
            OpenComment = true;
            return;
        }
        if (atEnd()) {
            RawGet(), RawGet(), RawGet();
            break;
        }
        std::string name, value;
        while (RawPeek() != EofCh && RawPeek() != '=' && !isBlank(RawPeek()) && !atEnd()) name += static_cast<char>(RawGet());
        while (isBlank(RawPeek())) RawGet();
        if (RawPeek() == '=') {
            RawGet();
            while (isBlank(RawPeek())) RawGet();
            int q = RawPeek();
            if (q == '"' || q == '\'') {
                RawGet();
                while (RawPeek() != EofCh && RawPeek() != q) value += static_cast<char>(RawGet());
                if (RawPeek() == q) RawGet();
            } else {
                while (RawPeek() != EofCh && !isBlank(RawPeek()) && !atEnd()) value += static_cast<char>(RawGet());
            }
        }
        if (!name.empty()) params.Add(UpperCase(name) + "=\"" + value + "\"");
    }
    std::string buffer;
    Callbacks.OnInclude(command, params, buffer);
    if (!buffer.empty()) {
        Include = std::move(buffer);
        IncludePos = 0;
        InInclude = true;
    }
}

// =============================================================================================
// Symbols

void THtmlParser::Next() {
    if (Ch == EofCh) {
        Sy = EofSy;
    } else if (LCh == '<') {
        GetCh();
        if (Ch == '/' || IsLetter(Ch)) {
            GetTag();
        } else {
            Sy = TextSy;
            LCToken = "<";
        }
    } else if (LCh == '&') {
        LCToken = GetEntity();
        Sy = TextSy;
    } else if (LCh >= ' ' || LCh == '\r') {
        GetText();
        Sy = TextSy;
    } else {
        Sy = OtherChar;
        GetCh();
    }
    if (PSpaceClearers().test(Sy)) InPSpace = false;
}

void THtmlParser::GetTag() {
    bool end = false;
    if (Ch == '/') {
        end = true;
        GetCh();
    }
    std::string name;
    while (IsLetter(Ch)) {
        if (name.size() < MaxNameLength) name += static_cast<char>(Ch);
        GetCh();
    }
    Symb tag;
    bool known = LookupTag(name, tag);
    HeadingLevel = 0;
    if (known && tag == HeadingSy && Ch >= '1' && Ch <= '6') {
        HeadingLevel = Ch - '0';
        GetCh();
    }
    if (!known)
        Sy = CommandSy;
    else if (end)
        Sy = tag < EndFormCount ? EndOf(tag) : CommandSy;
    else
        Sy = tag;
    bool keep = !end && known && AttributeTags().test(tag);
    if (keep) Attributes.Clear();
    ReadAttributes(keep);
    while (Ch != '>' && Ch != EofCh) GetCh();
    // Inside a script nothing is a comment; the switch must come before the next character is read.
    if (Sy == ScriptSy) InScript = true;
    if (Ch == '>') GetCh();
}

void THtmlParser::ReadAttributes(bool keep) {
    for (;;) {
        while (Ch == ' ' || Ch == '\r') GetCh();
        if (!IsLetter(Ch)) return;
        std::string name;
        while (IsLetter(Ch) || Ch == '-') {
            if (name.size() < MaxNameLength) name += static_cast<char>(Ch);
            GetCh();
        }
        Symb sym = LookupAttribute(name);
        while (Ch == ' ' || Ch == '\r') GetCh();
        std::string text;
        int number = 0;
        if (Ch == '=') {
            GetCh();
            while (Ch == ' ' || Ch == '\r') GetCh();
            if (LCh == '"' || LCh == '\'') {
                int q = LCh;
                GetCh();
                while (Ch != EofCh && LCh != q) {
                    if (LCh == '\r') {
                        GetCh(); // line ends inside a quoted value are dropped
                    } else if (LCh == '&') {
                        text += GetEntity();
                    } else {
                        text += static_cast<char>(LCh);
                        GetCh();
                    }
                }
                if (LCh == q) GetCh();
                text = Trim(text);
                std::string t = text;
                if (!t.empty() && t.back() == '%') t.pop_back();
                number = LeadingInt(t);
            } else if (LCh == '+' || LCh == '-' || IsDigit(LCh)) {
                while (Ch != ' ' && Ch != '\r' && Ch != EofCh && Ch != '%' && Ch != '>') {
                    text += static_cast<char>(LCh);
                    GetCh();
                }
                if (!StrictInt(text, number)) number = 0;
                if (Ch == '%') {
                    text += '%';
                    GetCh();
                }
            } else {
                while (Ch != ' ' && Ch != '\r' && Ch != EofCh && Ch != '>') {
                    text += static_cast<char>(LCh);
                    GetCh();
                }
            }
        } else {
            number = sym == BorderSy ? 1 : 0;
        }
        if (keep) Attributes.Add(std::make_unique<TAttribute>(sym, number, std::move(text)));
    }
}

std::string THtmlParser::GetEntity() {
    GetCh(); // the "&"
    if (LCh == '#') {
        GetCh();
        std::string digits;
        while (IsDigit(LCh) && digits.size() < 6) {
            digits += static_cast<char>(LCh);
            GetCh();
        }
        bool tooLong = IsDigit(LCh);
        bool semi = false;
        if (!tooLong && LCh == ';') {
            semi = true;
            GetCh();
        }
        int n = digits.empty() ? -1 : std::stoi(digits);
        if (!tooLong && (n == 9 || n == 10 || (n >= 32 && n <= 255))) return std::string(1, n == 9 ? ' ' : static_cast<char>(n));
        return "&#" + digits + (semi ? ";" : "");
    }
    std::string name;
    while (IsAlnum(LCh) && name.size() < 7) {
        name += static_cast<char>(LCh);
        GetCh();
    }
    if (IsAlnum(LCh)) return "&" + name; // longer than any entity: given back as read so far
    bool semi = false;
    if (LCh == ';') {
        semi = true;
        GetCh();
    }
    std::string rep;
    if (LookupEntity(name, rep)) return rep;
    return "&" + name + (semi ? ";" : "");
}

void THtmlParser::GetText() {
    LCToken.clear();
    while (LCToken.size() < 100) {
        if (Ch == EofCh || LCh == '&' || LCh == '<' || (LCh < ' ' && LCh != '\r')) break;
        if (LCh == ' ' || LCh == '\r') {
            if (LCToken.empty() || LCToken.back() != ' ') LCToken += ' ';
        } else {
            LCToken += static_cast<char>(LCh);
        }
        GetCh();
    }
}

// =============================================================================================
// Builder helpers

TMyFont THtmlParser::CurFont() const {
    TMyFont f = FontStack.back();
    f.Style |= static_cast<TFontStyles>(StyleFlags);
    return f;
}

void THtmlParser::SectionNew(THAlign justify) {
    SectionClose();
    Section = std::make_unique<TSection>(&List, Level, CurFont(), CurUrl(), justify, SScript);
}

void THtmlParser::PreSectionNew() {
    SectionClose();
    Section = std::make_unique<TPreFormated>(&List, Level, CurFont(), CurUrl(), Justify);
    Section->Fonts.Last().SScript = SScript;
}

void THtmlParser::SectionClose(bool addSpace) {
    if (!Section) return;
    // An empty line keeps its height: a preformatted one, or one a BR ends.
    if (Section->Len() == 0 && (addSpace || Section->Preformatted)) Section->Buff += ' ';
    if (Section->Len() == 0 && Section->ClearMode == TClear::None) {
        // An empty section adds nothing to the page; it is dropped unless an anchor names it.
        if (!SectionNamed) {
            Section.reset();
            return;
        }
    }
    CurrentCell->Add(std::move(Section));
    SectionNamed = false;
}

void THtmlParser::ChangeFont() {
    if (Section) Section->ChangeFont(CurFont(), CurUrl(), SScript);
}

bool THtmlParser::PushFont() {
    if (static_cast<int>(FontStack.size()) >= MaxFontStack) return false;
    FontStack.push_back(FontStack.back());
    return true;
}

void THtmlParser::PopFont() {
    if (FontStack.size() > 1) FontStack.pop_back();
}

THAlign THtmlParser::JustifyFrom(const TAttribute* a, THAlign fallback) const {
    if (!a) return fallback;
    if (SameText(a->Text, "left")) return THAlign::Left;
    if (SameText(a->Text, "center")) return THAlign::Center;
    if (SameText(a->Text, "right")) return THAlign::Right;
    return fallback;
}

std::string THtmlParser::AttrText(Symb sym) const {
    const TAttribute* a = Attributes.Find(sym);
    return a ? a->Text : std::string();
}

bool THtmlParser::DocumentEmpty() const { return CurrentCell->Count() == 0 && (!Section || Section->Len() == 0); }

// =============================================================================================
// Document level

void THtmlParser::DoBody(const TSymSet& term) {
    while (Sy != EofSy) {
        switch (static_cast<int>(Sy)) {
        case TitleSy: DoTitle(); break;
        case BodySy:
            DoBodyTag();
            Next();
            break;
        case BaseSy:
            DoBase();
            Next();
            break;
        case HRSy: DoHorzLine(); break;
        case OLSy:
        case ULSy:
        case DirSy:
        case MenuSy:
        case DLSy:
        case BlockQuoteSy: DoLists(Sy, term); break;
        case CenterSy:
        case DivSy: DoCenterDiv(term); break;
        case BgSoundSy:
            DoBgSound();
            Next();
            break;
        case MetaSy:
            DoMeta();
            Next();
            break;
        default:
            if (InlineSyms().test(Sy)) {
                if (!DoCommonSy()) Next();
            } else if (term.test(Sy)) {
                return;
            } else {
                Next();
            }
        }
    }
}

// A rule ends the open section and stands as a section of its own.
void THtmlParser::DoHorzLine() {
    SectionClose();
    CurrentCell->Add(std::make_unique<THorzLine>(&List, Attributes));
    Next();
}

void THtmlParser::DoCenterDiv(const TSymSet& term) {
    if (Depth >= MaxNesting) { // nesting this deep adds nothing visible; the tag is skipped
        Next();
        return;
    }
    ++Depth;
    SectionClose();
    THAlign saved = Justify;
    if (Sy == CenterSy)
        Justify = THAlign::Center;
    else
        Justify = JustifyFrom(Attributes.Find(AlignSy), Justify);
    SectionNew();
    Next();
    TSymSet t = term;
    t.set(EndOf(CenterSy));
    t.set(EndOf(DivSy));
    DoBody(t);
    SectionClose();
    Justify = saved;
    SectionNew();
    if (Sy == EndOf(CenterSy) || Sy == EndOf(DivSy)) Next();
    --Depth;
}

void THtmlParser::DoLists(Symb sym, const TSymSet& term) {
    if (Depth >= MaxNesting) {
        Next();
        return;
    }
    ++Depth;
    int savedLevel = Level;
    Level = Level + 1;
    int number = 1;
    char style = '1';
    bool plain = false;
    if (sym == OLSy) {
        if (const TAttribute* a = Attributes.Find(StartSy); a && a->Number >= 0) number = a->Number;
        std::string t = AttrText(TypeSy);
        if (!t.empty()) style = t[0];
    } else if (sym == ULSy) {
        plain = Attributes.Has(PlainSy);
    }
    SectionClose();
    Next();
    TSymSet blockTerm = term | ListEnds();
    while (Sy != EofSy && !ListEnds().test(Sy)) {
        switch (static_cast<int>(Sy)) {
        case LISy:
            SectionClose();
            if (sym == OLSy)
                Section = std::make_unique<TOListItem>(&List, Level, CurFont(), CurUrl(), Justify, number++, style);
            else
                Section = std::make_unique<TUListItem>(&List, Level, CurFont(), CurUrl(), Justify, plain);
            Next();
            while (Sy == TextSy && LCToken == " ") Next();
            if (Sy == PSy) Next();
            break;
        case DTSy:
        case DDSy:
            SectionClose();
            Section = std::make_unique<TDListItem>(&List, Sy == DTSy ? Level - 1 : Level, CurFont(), CurUrl(), Justify);
            Next();
            break;
        case OLSy:
        case ULSy:
        case DirSy:
        case MenuSy:
        case DLSy:
        case BlockQuoteSy: DoLists(Sy, term); break;
        case HRSy: DoHorzLine(); break;
        case CenterSy:
        case DivSy: DoCenterDiv(blockTerm); break;
        default:
            if (InlineSyms().test(Sy)) {
                if (!DoCommonSy()) Next();
            } else if (term.test(Sy)) {
                goto done;
            } else {
                Next();
            }
        }
    }
done:
    SectionClose();
    Level = savedLevel;
    if (ListEnds().test(Sy)) Next(); // one list end tag ends one list, whichever it names
    --Depth;
}

void THtmlParser::DoTitle() {
    Next();
    std::string title;
    while (Sy == TextSy) {
        title += LCToken;
        Next();
    }
    Info.Title = title;
}

void THtmlParser::DoBodyTag() {
    if (BodySeen || CurrentCell != &List || !DocumentEmpty()) return;
    BodySeen = true;
    // The empty section before BODY goes, unless an anchor names it: then it stays, so the
    // anchor keeps pointing at the top of the page.
    if (SectionNamed)
        SectionClose();
    else
        Section.reset();
    TColor c;
    for (int i = 0; i < Attributes.Count(); ++i) {
        const TAttribute& a = Attributes[i];
        switch (a.Symbol) {
        case TextAttrSy:
            if (ColorFromString(a.Text, c)) {
                List.Page.Font = c;
                FontStack.front().Color = c;
                if (FontStack.size() == 1) FontStack.back().Color = c;
            }
            break;
        case LinkSy:
            if (ColorFromString(a.Text, c)) List.Page.Link = c;
            break;
        case BGColorSy:
            if (ColorFromString(a.Text, c)) List.Page.Background = c;
            break;
        case BackgroundSy: List.Page.BackgroundImage = a.Text; break;
        case VLinkSy:
            if (ColorFromString(a.Text, c)) List.Page.Visited = c;
            break;
        case OLinkSy:
            if (ColorFromString(a.Text, c)) List.Page.Hover = c; // also turns hover colouring on
            break;
        default: break;
        }
    }
    SectionNew();
}

void THtmlParser::DoBase() {
    for (int i = 0; i < Attributes.Count(); ++i) {
        if (Attributes[i].Symbol == HrefSy)
            Info.Base = Attributes[i].Text;
        else if (Attributes[i].Symbol == TargetSy)
            Info.BaseTarget = Attributes[i].Text;
    }
}

void THtmlParser::DoMeta() {
    std::string httpEq = AttrText(HttpEqSy), name = AttrText(NameSy), content = AttrText(ContentSy);
    if (Callbacks.TopLevel && SameText(httpEq, "content-type")) {
        std::string lc = LowerCase(content);
        for (const auto& row : HtmlCharsets) {
            if (lc.find(row.Substring) != std::string::npos) {
                // The page's character set holds for every font of the page, also those that
                // come back into use when pushed fonts are popped.
                for (auto& f : FontStack) f.Charset = row.Charset;
                ChangeFont();
                break;
            }
        }
    }
    if (Callbacks.OnMeta) Callbacks.OnMeta(httpEq, name, content);
}

void THtmlParser::DoBgSound() {
    const TAttribute* src = Attributes.Find(SrcSy);
    if (!src || !Callbacks.OnSound) return;
    const TAttribute* loop = Attributes.Find(LoopSy);
    Callbacks.OnSound(src->Text, loop ? loop->Number : 1, false);
}

// =============================================================================================
// Inline handler

bool THtmlParser::DoStyleSy() {
    auto style = [this](int flag, bool on) {
        if (on)
            StyleFlags |= flag;
        else
            StyleFlags &= ~flag;
        ChangeFont();
    };
    switch (static_cast<int>(Sy)) {
    case BSy:
    case StrongSy: style(fsBold, true); break;
    case EndOf(BSy):
    case EndOf(StrongSy): style(fsBold, false); break;
    case ISy:
    case EmSy:
    case CiteSy:
    case VarSy: style(fsItalic, true); break;
    case EndOf(ISy):
    case EndOf(EmSy):
    case EndOf(CiteSy):
    case EndOf(VarSy): style(fsItalic, false); break;
    case USy: style(fsUnderline, true); break;
    case EndOf(USy): style(fsUnderline, false); break;
    case SSy:
    case StrikeSy: style(fsStrikeOut, true); break;
    case EndOf(SSy):
    case EndOf(StrikeSy): style(fsStrikeOut, false); break;
    case SubSy:
    case SupSy:
        if (!Section) InPre ? PreSectionNew() : SectionNew();
        SScript = Sy == SubSy ? TScript::Sub : TScript::Super;
        ChangeFont();
        break;
    case EndOf(SubSy):
    case EndOf(SupSy):
        SScript = TScript::None;
        ChangeFont();
        break;
    case FontSy: DoFont(false); break;
    case BaseFontSy: DoFont(true); break;
    case EndOf(FontSy):
        PopFont();
        ChangeFont();
        break;
    case ASy: DoA(); break;
    case EndOf(ASy): DoEndA(); break;
    case ImageSy: DoImage(); break;
    case FormSy: DoForm(); break;
    case EndOf(FormSy): DoEndForm(); break;
    case InputSy: DoInput(); break;
    default: return false;
    }
    return true;
}

bool THtmlParser::DoCommonSy() {
    if (DoStyleSy()) return false;
    switch (static_cast<int>(Sy)) {
    case TextSy:
        if (!Section) SectionNew();
        Section->AppendText(LCToken);
        return false;
    case PSy:
    case EndOf(PSy): DoP(); return true;
    case BRSy: DoBR(); return false;
    case HeadingSy:
    case EndOf(HeadingSy): DoHeading(); return false;
    case TTSy:
    case CodeSy:
    case KbdSy:
    case SampSy:
        if (PushFont()) {
            TMyFont& f = FontStack.back();
            f.Name = List.Settings().PreFontName;
            f.NominalSize = 10;
            f.Fixed = true;
            f.ApplySize(List.Settings().FontSize);
            ChangeFont();
        }
        return false;
    case EndOf(TTSy):
    case EndOf(CodeSy):
    case EndOf(KbdSy):
    case EndOf(SampSy):
    case EndOf(BigSy):
    case EndOf(SmallSy):
        PopFont();
        ChangeFont();
        return false;
    case AddressSy:
        SectionClose();
        if (PushFont()) FontStack.back().Style |= fsItalic;
        SectionNew();
        return false;
    case EndOf(AddressSy):
        SectionClose();
        PopFont();
        return false;
    case BigSy:
    case SmallSy:
        if (PushFont()) {
            TMyFont& f = FontStack.back();
            const int* scale = InPre ? PreFontConv : FontConv;
            auto it = std::find(scale, scale + 7, f.NominalSize);
            if (it != scale + 7) {
                if (Sy == BigSy && it + 1 != scale + 7) f.NominalSize = *(it + 1);
                if (Sy == SmallSy && it != scale) f.NominalSize = *(it - 1);
                f.ApplySize(List.Settings().FontSize);
            }
            ChangeFont();
        }
        return false;
    case TableSy: DoTable(TSymSet()); return true;
    case SelectSy: DoSelect(); return false;
    case TextAreaSy: DoTextArea(); return false;
    case MapSy: return DoMap();
    case PageSy: DoPage(); return false;
    case ScriptSy: DoScript(); return false;
    case PreSy: DoPre(); return true;
    default: return false;
    }
}

void THtmlParser::DoP() {
    SectionClose();
    if (!InPSpace) CurrentCell->Add(std::make_unique<TParagraphSpace>(&List));
    InPSpace = true;
    THAlign j = Sy == PSy ? JustifyFrom(Attributes.Find(AlignSy), Justify) : Justify;
    Next();
    while (Sy == PSy || Sy == EndOf(PSy)) {
        j = Sy == PSy ? JustifyFrom(Attributes.Find(AlignSy), Justify) : Justify;
        Next();
    }
    SectionNew(j);
}

void THtmlParser::DoBR() {
    TClear clear = TClear::None;
    if (const TAttribute* a = Attributes.Find(ClearSy)) {
        if (SameText(a->Text, "left"))
            clear = TClear::Left;
        else if (SameText(a->Text, "right"))
            clear = TClear::Right;
        else if (SameText(a->Text, "all") || SameText(a->Text, "both"))
            clear = TClear::Both;
    }
    THAlign j = Section ? Section->Justify : Justify;
    SectionClose(true);
    SectionNew(j);
    Section->ClearMode = clear;
}

void THtmlParser::DoHeading() {
    static const int sizes[6] = {24, 18, 14, 12, 10, 8};
    if (Sy == HeadingSy) {
        if (static_cast<int>(FontStack.size()) >= MaxFontStack) return; // a full stack ignores the heading
        SectionClose();
        PushFont();
        TMyFont& f = FontStack.back();
        if (HeadingLevel >= 1) {
            f.NominalSize = sizes[HeadingLevel - 1];
            f.Style |= fsBold;
        } else {
            f.NominalSize = 12;
        }
        f.ApplySize(List.Settings().FontSize);
        CurrentCell->Add(std::make_unique<THeadingSpace>(&List, HeadingLevel));
        SectionNew(JustifyFrom(Attributes.Find(AlignSy), Justify));
    } else if (FontStack.size() > 1) {
        SectionClose();
        CurrentCell->Add(std::make_unique<THeadingSpace>(&List, HeadingLevel));
        PopFont();
    }
}

void THtmlParser::DoFont(bool baseFont) {
    if (baseFont && !DocumentEmpty()) return;
    const TAttribute* size = Attributes.Find(SizeSy);
    const TAttribute* color = baseFont ? nullptr : Attributes.Find(ColorSy);
    const TAttribute* face = baseFont ? nullptr : Attributes.Find(FaceSy);
    int htmlSize = 0;
    if (size) {
        bool relative = !size->Text.empty() && (size->Text[0] == '+' || size->Text[0] == '-');
        htmlSize = std::clamp(relative ? BaseFontSize + size->Number : size->Number, 1, 7);
        if (baseFont) BaseFontSize = htmlSize;
    }
    if (!size && !color && !face) return;
    if (!PushFont()) return;
    TMyFont& f = FontStack.back();
    if (size) {
        f.NominalSize = (InPre ? PreFontConv : FontConv)[htmlSize - 1];
        f.ApplySize(List.Settings().FontSize);
    }
    TColor c;
    if (color && ColorFromString(color->Text, c)) f.Color = c;
    if (face) {
        std::string name = Trim(face->Text.substr(0, face->Text.find(',')));
        if (!name.empty()) f.Name = name;
    }
    ChangeFont();
}

void THtmlParser::DoA() {
    for (int i = 0; i < Attributes.Count(); ++i) {
        const TAttribute& a = Attributes[i];
        if (a.Symbol == HrefSy) {
            DoEndA();
            if (a.Text.empty()) continue;
            Url.Url = a.Text;
            Url.Target = AttrText(TargetSy);
            InLink = true;
            LinkFontPushed = PushFont();
            // The link style and colours are the document's, applied where the run is drawn.
            if (LinkFontPushed) FontStack.back().Color = List.Colors().Link;
            ChangeFont();
        } else if (a.Symbol == NameSy && !a.Text.empty()) {
            if (!Section) InPre ? PreSectionNew() : SectionNew();
            std::string name = UpperCase(a.Text);
            if (!name.empty() && name[0] == '#') name.erase(0, 1);
            NameList.Add(name, Section.get());
            SectionNamed = true;
        }
    }
}

void THtmlParser::DoEndA() {
    if (!InLink) return;
    Url.Clear();
    InLink = false;
    if (LinkFontPushed) PopFont();
    LinkFontPushed = false;
    ChangeFont();
}

void THtmlParser::DoImage() {
    if (!Section) InPre ? PreSectionNew() : SectionNew();
    Section->AddImage(Attributes, CurUrl());
}

bool THtmlParser::DoMap() {
    auto map = std::make_unique<TMapItem>();
    map->MapName = UpperCase(AttrText(NameSy));
    Next();
    int others = 0;
    while (Sy != EofSy && Sy != EndOf(MapSy)) {
        if (Sy == ScriptSy) {
            DoScript();
        } else if (Sy == AreaSy) {
            map->AddArea(Attributes);
        } else if (Sy != TextSy && ++others >= 3) {
            return true; // not a map after all: dropped, and this symbol is handled by the caller
        }
        Next();
    }
    if (Sy == EndOf(MapSy)) {
        List.MapList.push_back(std::move(map));
        return false;
    }
    return true;
}

void THtmlParser::DoPage() {
    SectionClose();
    CurrentCell->Add(std::make_unique<TPage>(&List));
}

void THtmlParser::DoScript() {
    std::string language = AttrText(LanguageSy);
    std::string text, line;
    bool first = true;
    auto isEnd = [this] {
        static const char tail[] = "/SCRIPT";
        for (int k = 0; k < 7; ++k) {
            int c = RawPeek(k);
            if (c == EofCh || std::toupper(c) != tail[k]) return false;
        }
        return true;
    };
    InScript = true;
    while (Ch != EofCh) {
        if (LCh == '<' && isEnd()) {
            for (int k = 0; k < 7; ++k) GetCh();
            while (Ch != '>' && Ch != EofCh) GetCh();
            InScript = false;
            if (Ch == '>') GetCh();
            break;
        }
        if (LCh == '\r') {
            if (!first) text.append("\r\n");
            text.append(line);
            first = false;
            line.clear();
        } else {
            line += static_cast<char>(LCh);
        }
        GetCh();
    }
    InScript = false;
    if (!line.empty()) {
        if (!first) text.append("\r\n");
        text.append(line);
    }
    if (Callbacks.OnScript) Callbacks.OnScript(language, text);
}

// =============================================================================================
// Preformatted text

void THtmlParser::DoPre() {
    SectionClose();
    bool pushed = PushFont();
    if (pushed) {
        TMyFont& f = FontStack.back();
        f.Name = List.Settings().PreFontName;
        f.NominalSize = 10;
        f.Fixed = true;
        f.ApplySize(List.Settings().FontSize);
    }
    InPre = true;
    PreSectionNew();
    std::string buf;
    auto flush = [&] {
        if (buf.empty()) return;
        if (!Section) PreSectionNew();
        Section->AppendText(buf);
        buf.clear();
    };
    auto newLine = [&] {
        flush();
        SectionClose();
        PreSectionNew();
    };
    bool ended = false;
    while (Ch != EofCh && !ended) {
        if (LCh == '\r') {
            newLine();
            GetCh();
        } else if (LCh == '&') {
            buf += GetEntity();
        } else if (LCh == '<') {
            GetCh();
            if (Ch != '/' && !IsLetter(Ch)) {
                buf += '<';
                continue;
            }
            flush();
            GetTag();
            if (Sy == ScriptSy) {
                DoScript();
                continue;
            }
            switch (static_cast<int>(Sy)) {
            case PSy:
            case BRSy:
                newLine();
                if (LCh == '\r') GetCh();
                break;
            case EndOf(PreSy):
            case EndOf(TDSy):
            case EndOf(THSy): ended = true; break;
            case FormSy:
            case EndOf(FormSy):
            case InputSy:
            case FontSy:
            case BaseFontSy:
            case EndOf(FontSy):
            case ASy:
            case EndOf(ASy):
            case ImageSy:
                if (!Section) PreSectionNew();
                DoStyleSy();
                break;
            case SelectSy: DoSelect(); break;
            case TextAreaSy: DoTextArea(); break;
            case MapSy:
                if (DoMap() && Sy == TextSy) buf += LCToken; // an unfinished map gives back what it read
                break;
            case PageSy:
                DoPage();
                PreSectionNew();
                break;
            default:
                DoStyleSy(); // bold, italic, underline and strike-out act; every other tag is dropped
                break;
            }
        } else {
            // Control bytes are dropped here as in normal text: none may pose as an object.
            if (LCh >= ' ') buf += static_cast<char>(LCh);
            GetCh();
            if (buf.size() > 200) flush();
        }
    }
    flush();
    SectionClose();
    InPre = false;
    if (pushed) PopFont();
    if (Sy == EndOf(PreSy))
        Next();
    else if (!ended)
        Sy = EofSy;
}

// =============================================================================================
// Entry points

void THtmlParser::Parse(const char* buffer, size_t size) {
    Buf = reinterpret_cast<const unsigned char*>(buffer);
    BufLen = buffer ? size : 0;
    BufPos = 0;
    TMyFont base;
    const THtmlSettings& st = List.Settings();
    base.Name = st.FontName;
    base.Color = List.FontColor();
    base.NominalSize = 12;
    base.Charset = st.CharSet;
    base.ApplySize(st.FontSize);
    FontStack.assign(1, base);
    Info = THtmlParseInfo{};
    SectionNew();
    auto cleanUp = [this] {
        SectionClose();
        CurrentCell = &List;
        Attributes.Clear();
        FontStack.clear();
        Url.Clear();
        InLink = false;
    };
    try {
        GetCh();
        Next();
        DoBody(TSymSet());
    } catch (...) {
        cleanUp();
        throw;
    }
    cleanUp();
    if (OpenComment) throw EParseError("Open Comment at End of HTML File");
}

void HtmlParseBuffer(TSectionList& list, TStringList& nameList, const char* buffer, size_t size, const THtmlCallbacks& callbacks,
                     THtmlParseInfo& info) {
    THtmlParser p(list, nameList, callbacks, info);
    p.Parse(buffer, size);
}

namespace {
std::string ReadWholeFile(const std::string& fileName) {
    std::ifstream in(fileName, std::ios::binary);
    if (!in) throw EFOpenError("Cannot open file " + fileName);
    std::string data;
    char chunk[2000];
    while (in.read(chunk, sizeof chunk) || in.gcount() > 0) data.append(chunk, static_cast<size_t>(in.gcount()));
    return data;
}
} // namespace

void HtmlParseTextFile(TSectionList& list, TStringList& nameList, const std::string& fileName, const THtmlCallbacks& callbacks,
                       THtmlParseInfo& info) {
    std::string data = ReadWholeFile(fileName);
    try {
        HtmlParseBuffer(list, nameList, data.data(), data.size(), callbacks, info);
    } catch (const EParseError&) {
        // A file that ends inside a comment shows what came before it.
    }
}

void HtmlParsePlainTextFile(TSectionList& list, TStringList& nameList, const std::string& fileName) {
    (void)nameList;
    std::string data = ReadWholeFile(fileName);
    TMyFont f;
    const THtmlSettings& st = list.Settings();
    f.Name = st.PreFontName;
    f.Color = list.FontColor();
    f.NominalSize = 10;
    f.Fixed = true;
    f.Charset = st.CharSet;
    f.ApplySize(st.FontSize);
    size_t i = 0;
    while (i <= data.size()) {
        size_t e = i;
        while (e < data.size() && data[e] != '\r' && data[e] != '\n') ++e;
        auto s = std::make_unique<TPreFormated>(&list, 0, f, TUrlTarget{}, THAlign::Left);
        std::string line = data.substr(i, e - i);
        for (char& c : line)
            if (c == '\t')
                c = ' ';
            else if (static_cast<unsigned char>(c) < ' ')
                c = ' '; // no control byte may pose as an object
        s->AppendText(line.empty() ? std::string(" ") : line);
        list.Add(std::move(s));
        if (e >= data.size()) break;
        // CR LF, LF CR, CR or LF end one line.
        if (e + 1 < data.size() && data[e] != data[e + 1] && (data[e + 1] == '\r' || data[e + 1] == '\n')) e += 1;
        i = e + 1;
    }
}
