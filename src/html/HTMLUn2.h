// Building blocks shared by the HTML parser and the document: the symbol set, parsed attributes,
// fonts with their size scale, font runs with links, image objects and image maps.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "html/HTMLUn2Anim.h"
#include "html/HTMLUn2Fetch.h"
#include "html/HTMLUn2Map.h"
#include "toolkit/Classes.h"
#include "toolkit/Exception.h"
#include "toolkit/Graphics.h"

// A list that most of its owners leave empty (the images and controls of a text section, its
// runs after the first): it takes one pointer until the first element arrives, so the many
// sections of a long page do not each carry the room of empty vectors.
template <typename T> class TRareList {
public:
    size_t size() const { return items_ ? items_->size() : 0; }
    bool empty() const { return !items_ || items_->empty(); }
    T& operator[](size_t i) const { return (*items_)[i]; }
    T* begin() const { return items_ ? items_->data() : nullptr; }
    T* end() const { return items_ ? items_->data() + items_->size() : nullptr; }
    T& back() const { return items_->back(); }
    void push_back(T v) {
        if (!items_) items_ = std::make_unique<std::vector<T>>();
        items_->push_back(std::move(v));
    }
    void clear() { items_.reset(); }

private:
    std::unique_ptr<std::vector<T>> items_;
};

QV_EXCEPTION(EParseError, Exception);
QV_EXCEPTION(EProcessError, Exception);

// One byte identifies every token: tags (0..64), the end forms of the first 48 tags (65..112),
// attribute names, and the special symbols.
enum Symb : uint8_t {
    // Tags, in table order. The first 48 have an end form.
    HtmlSy,
    TitleSy,
    BodySy,
    HeadSy,
    BSy,
    ISy,
    HeadingSy,
    EmSy,
    StrongSy,
    USy,
    CiteSy,
    VarSy,
    TTSy,
    CodeSy,
    KbdSy,
    SampSy,
    OLSy,
    ULSy,
    DirSy,
    MenuSy,
    DLSy,
    ASy,
    AddressSy,
    BlockQuoteSy,
    PreSy,
    CenterSy,
    TableSy,
    TDSy,
    THSy,
    CaptionSy,
    FormSy,
    TextAreaSy,
    SelectSy,
    OptionSy,
    FontSy,
    SubSy,
    SupSy,
    BigSy,
    SmallSy,
    PSy,
    MapSy,
    FrameSetSy,
    NoFramesSy,
    ScriptSy,
    DivSy,
    SSy,
    StrikeSy,
    TRSy,
    // Tags without an end form.
    LISy,
    BRSy,
    HRSy,
    DDSy,
    DTSy,
    ImageSy,
    BaseSy,
    ButtonSy,
    InputSy,
    SelectedSy,
    BaseFontSy,
    AreaSy,
    FrameSy,
    PageSy,
    BgSoundSy,
    WrapSy,
    MetaSy,
    // End forms: EndOf(tag) for the first 48 tags.
    FirstEndSy,
    LastEndSy = FirstEndSy + 47,
    // Attribute names.
    HrefSy,
    NameSy,
    SrcSy,
    AltSy,
    AlignSy,
    TextAttrSy,
    BGColorSy,
    LinkSy,
    BackgroundSy,
    ColSpanSy,
    RowSpanSy,
    BorderSy,
    CellPaddingSy,
    CellSpacingSy,
    VAlignSy,
    WidthSy,
    StartSy,
    ValueSy,
    TypeSy,
    CheckBoxSy,
    RadioSy,
    MethodSy,
    ActionSy,
    CheckedSy,
    SizeSy,
    MaxLengthSy,
    ColsSy,
    RowsSy,
    MultipleSy,
    SelectedAttrSy,
    FaceSy,
    ColorSy,
    TranspSy,
    ClearSy,
    IsMapSy,
    BorderColorSy,
    UseMapSy,
    ShapeSy,
    CoordsSy,
    NoHrefSy,
    HeightSy,
    PlainSy,
    TargetSy,
    NoResizeSy,
    ScrollingSy,
    HSpaceSy,
    LanguageSy,
    FrameBorderSy,
    MarginWidthSy,
    MarginHeightSy,
    LoopSy,
    OnClickSy,
    WrapAttrSy,
    NoShadeSy,
    HttpEqSy,
    ContentSy,
    EncTypeSy,
    VLinkSy,
    OLinkSy,
    ActiveSy,
    // Special symbols.
    TextSy,    // a run of ordinary characters, or one entity's text
    OtherChar, // one character that starts nothing else (only control characters)
    CommandSy, // an unknown tag, or the end form of a tag that has none
    EolSy,     // end of line, only in the preformatted modes
    EofSy,     // end of input
    UnknownSy, // an attribute name not in the table
};

constexpr int TagCount = 65;
constexpr int EndFormCount = 48;
constexpr Symb EndOf(Symb tag) { return static_cast<Symb>(FirstEndSy + tag); }

// One parsed attribute of a tag.
class TAttribute : public TObject {
public:
    TAttribute(Symb sym, int number, std::string text) : Symbol(sym), Number(number), Text(std::move(text)) {}
    Symb Symbol;
    int Number; // the value's leading number, 0 when it is not one
    std::string Text;
};

// The attributes of the current tag; lookup returns the first entry with a symbol.
class TAttributeList {
public:
    void Clear() { items_.clear(); }
    void Add(std::unique_ptr<TAttribute> a) { items_.push_back(std::move(a)); }
    int Count() const { return static_cast<int>(items_.size()); }
    const TAttribute& operator[](int i) const { return *items_[static_cast<size_t>(i)]; }
    const TAttribute* Find(Symb sym) const;
    bool Has(Symb sym) const { return Find(sym) != nullptr; }

private:
    std::vector<std::unique_ptr<TAttribute>> items_;
};

// Colour from an attribute value: one of the sixteen HTML 3.2 colour names, or hexadecimal RRGGBB
// with an optional leading "#" (right-padded with "0" to six digits). The result has red in the
// low byte and carries the palette-relative flag 0x02000000. False when the text is no colour.
bool ColorFromString(const std::string& value, TColor& color);
constexpr TColor PaletteFlag = 0x02000000;

// Font-size scales: nominal sizes for HTML sizes 1..7; 12 is normal.
extern const int FontConv[7];
extern const int PreFontConv[7];

// The layout vocabulary.
enum class THAlign : uint8_t { Left = 1, Center = 2, Right = 3 };        // lines, blocks, rules, cells
enum class TVAlign : uint8_t { Top, Middle, Bottom };                    // table cells
enum class TImageAlign : uint8_t { Top, Middle, Bottom, Left, Right };   // Left and Right float
enum class TClear : uint8_t { None = 0, Left = 1, Right = 2, Both = 3 }; // bit 1 left, bit 2 right
enum class TScript : uint8_t { None, Sub, Super };                       // sub- and superscript
enum class TListKind : uint8_t { None, Ordered, Unordered, Definition }; // list items
inline bool ClearsLeft(TClear c) { return (static_cast<int>(c) & 1) != 0; }
inline bool ClearsRight(TClear c) { return (static_cast<int>(c) & 2) != 0; }

// The display settings a document is parsed, laid out and painted with. The viewer owns one
// record and every document it shows reads it; a page's BODY colours are kept in the document as
// overrides, so a changed default shows at once wherever the page did not choose its own.
struct THtmlSettings {
    static constexpr size_t MaxFontName = 32;
    std::string FontName = "Times New Roman", PreFontName = "Courier New";
    int FontSize = 12; // the point size of normal text (nominal 12)
    TColor FontColor = clBtnText, LinkColor = clBlue, VisitedColor = clPurple, HoverColor = clBlue, Background = clBtnFace;
    bool HoverEnabled = false;
    TFontStyles LinkStyle = fsUnderline;
    int CharSet = 1;
    void SetFontName(const std::string& name) { FontName = name.substr(0, MaxFontName); }
    void SetPreFontName(const std::string& name) { PreFontName = name.substr(0, MaxFontName); }
};

// A font with its place on the nominal size scale.
class TMyFont : public TFont {
public:
    int NominalSize = 12;
    bool Fixed = false; // uses the preformatted font name
    // The point size on the screen for a document whose normal size is defFontSize, rounded.
    void ApplySize(int defFontSize);
};

// Metrics and character advances of one font, measured once per document and shared by every run
// that uses the font: layout, painting and hit tests add advances instead of measuring text.
struct TFontInfo {
    TFont Font; // as selected for drawing (its colour is set at paint time)
    int Height = 0, Ascent = 0, Descent = 0, LineHeight = 0, Overhang = 0;
    int Widths[256] = {};
    int Width(unsigned char c) const { return Widths[c]; }
    int TextWidth(std::string_view s) const {
        int w = 0;
        for (char c : s) w += Widths[static_cast<unsigned char>(c)];
        return w;
    }
};

// The fonts measured for a document, keyed by everything but the colour.
class TFontCache {
public:
    const TFontInfo& Get(TCanvas& canvas, const TFont& font);
    void Clear() { items_.clear(); }
    int Count() const { return static_cast<int>(items_.size()); }

private:
    std::vector<std::unique_ptr<TFontInfo>> items_;
};

// The fonts of a document's runs, each kept once: a run points at its font, so the cells of a
// long table do not each carry a copy. Entries stay until the table is cleared with the document.
class TFontTable {
public:
    const TMyFont* Intern(const TMyFont& font);
    void Clear() { fonts_.clear(); }
    int Count() const { return static_cast<int>(fonts_.size()); }

private:
    struct Hash {
        size_t operator()(const TMyFont& f) const;
    };
    struct Same {
        bool operator()(const TMyFont& a, const TMyFont& b) const;
    };
    std::unordered_set<TMyFont, Hash, Same> fonts_; // nodes: an entry never moves
};

struct TUrlTarget {
    std::string Url, Target;
    bool Empty() const { return Url.empty(); }
    void Clear() { Url.clear(), Target.clear(); }
    bool operator==(const TUrlTarget&) const = default;
};

// The link targets of a document's runs and images: the runs of one link (and an image inside
// it) point at one entry instead of each holding a copy. A target equal to the one added last is
// shared; entries stay until the table is cleared with the document.
class TUrlTable {
public:
    // The entry for a target; null for a target with neither URL nor frame.
    const TUrlTarget* Intern(const TUrlTarget& url);
    void Clear() { urls_.clear(); }
    int Count() const { return static_cast<int>(urls_.size()); }

private:
    std::deque<TUrlTarget> urls_; // an entry never moves
};

class TSection;
class TSectionList;

// The colours a document paints with: the settings, or the page's own BODY colours.
struct TDocColors {
    TColor Font = clBlack, Link = clBlue, Visited = clPurple, Hover = clBlue, Background = clWhite;
};

// One font run of a text section.
class TFontObj {
public:
    // `font` and `url` are the document's entries (TFontTable::Intern, TUrlTable::Intern); a null
    // `url` for a run outside any link.
    TFontObj(TSection* section, int pos, const TMyFont* font, const TUrlTarget* url, TScript sscript);
    TSection* Section;
    int Pos;
    TScript SScript;

    const TMyFont& Font() const { return *font_; }
    void SetFont(const TMyFont* font) { font_ = font; }

    // The run's link; empty for a run outside any link.
    const TUrlTarget& UrlTarget() const;
    void SetUrlTarget(const TUrlTarget* url) { url_ = url; }
    bool IsLink() const { return url_ && !url_->Empty(); }

    bool Visited() const { return visited_; }
    bool Hover() const { return hover_; }
    void SetVisited(bool v) { visited_ = v; }
    void SetHover(bool v) { hover_ = v; }
    // The colour the run is painted in: a link's hover, visited or link colour, else its own.
    TColor Color(const TDocColors& colors) const;

    // The font as drawn: link style added, sub- and superscripts at three quarters size.
    TFont DrawFont(int fontSize, TFontStyles linkStyle) const;
    // Takes the measured font for the next layout and painting.
    void SetInfo(const TFontInfo& info) { info_ = &info; }
    const TFontInfo* Info() const { return info_; }
    // The measured font's metrics; 0 before the first measure.
    int LineHeight() const { return info_ ? info_->LineHeight : 0; }
    int Descent() const { return info_ ? info_->Descent : 0; }

private:
    bool visited_ = false, hover_ = false;
    const TMyFont* font_;
    const TUrlTarget* url_;
    const TFontInfo* info_ = nullptr;
};

// The runs of a section in text order; the first starts at 0. The first run is held in place
// (most sections have only one), the others each on the heap, so a run never moves.
class TFontList {
public:
    TFontList() = default;
    TFontList(const TFontList&) = delete;
    TFontList& operator=(const TFontList&) = delete;
    int Count() const { return first_ ? 1 + static_cast<int>(rest_.size()) : 0; }
    TFontObj& operator[](int i) const { return i == 0 ? *first_ : *rest_[static_cast<size_t>(i - 1)]; }
    TFontObj& Add(TSection* section, int pos, const TMyFont* font, const TUrlTarget* url, TScript sscript);
    TFontObj& Last() const { return rest_.empty() ? *first_ : *rest_.back(); }
    // Index of the run holding text index pos: the last run whose Pos is not after it.
    int IndexAt(int pos) const;
    TFontObj& At(int pos) const { return (*this)[IndexAt(pos)]; }
    // The text index where run i ends (the next run's Pos, or len).
    int EndOf(int i, int len) const { return i + 1 < Count() ? (*this)[i + 1].Pos : len; }

private:
    mutable std::optional<TFontObj> first_;
    TRareList<std::unique_ptr<TFontObj>> rest_;
};

// What the images of one document share: whether images are shown, where their data comes
// from, the names whose data is awaited, and the animated pictures. The document owns one and
// outlives its images.
struct TImageContext {
    bool ViewImages = false; // as the viewer starts
    TImageSources Sources;   // its Waiting is pointed at Waiting below when an image fetches
    std::set<std::string> Waiting;
    TAnimationList Animations;
};

enum class TImageState : uint8_t {
    NotLoaded, // images off, or not laid out yet: the not-loaded placeholder
    Loaded,    // a picture (a bitmap, or an animated GIF of its own)
    Waiting,   // the image request said "not yet": the not-loaded placeholder
    Error,     // no data, or data that could not be decoded: the error placeholder
};

// The largest side an image is given by its attributes (WIDTH, HEIGHT, or scaled from one of
// them), so a page cannot ask for a box of millions of pixels across.
constexpr int MaxImageSide = 16384;

// One image in a text section, at a character 4 of its text: its attributes, its picture (from
// the context at its first layout when images are on), its size and its drawing.
class TImageObj : public TObject {
public:
    TImageObj(int pos, const TAttributeList& attrs);
    ~TImageObj() override;
    TImageObj(const TImageObj&) = delete;
    TImageObj& operator=(const TImageObj&) = delete;
    // A page can hold many images, so the fields are ordered to leave no gaps between them.
    std::string Source, AltText;
    std::string MapName; // USEMAP: the map's name, upper case, without its "#"
    int Pos;
    int SpecWidth = -1, SpecHeight = -1; // -1: not given
    int HSpace = 5;
    TImageAlign VAlign = TImageAlign::Bottom;
    bool NoBorder = false, PercentWidth = false;
    bool Transparent = false, IsMap = false, HoverAnimated = false;
    bool HasBorder = false; // set when the image sits in a link
    // The link the image lies in (empty for none).
    const TUrlTarget& Link() const;
    // `link` is the document's entry (TUrlTable::Intern), null for none.
    void SetLink(const TUrlTarget* link) { link_ = link; }
    // The document's shared image state; null: placeholders only, nothing fetched.
    TImageContext* Context = nullptr;

    bool Floating() const { return VAlign == TImageAlign::Left || VAlign == TImageAlign::Right; }
    // Works out Width and Height for the available width. At the first call with images on the
    // picture is fetched. A fixed size is worked out once; a percentage width follows the width
    // it is given each time.
    void SetSize(TCanvas& canvas, int availWidth);
    bool Sized() const { return sized_; }
    // Forgets the size (images switched on or off: the next layout measures again).
    void ResetSize() { sized_ = false; }
    int Width = 0, Height = 0;
    int DrawX = 0, DrawY = 0; // document position, set by layout
    void Draw(TCanvas& canvas, int x, int y, const TDocColors& colors);

    TImageState State() const { return state_; }
    // Gives up the picture (and its cache use): back to the not-loaded placeholder.
    void ReleasePicture();
    // The image's own animated picture, when it has one.
    TGIFImage* Gif() const { return picture_ ? picture_->Gif.get() : nullptr; }
    // The picture's natural size (0 x 0 when it has none).
    int PictureWidth() const;
    int PictureHeight() const;
    // The point (x, y) in document coordinates on the image less its border: the point relative
    // to the picture's top-left corner. False when the point is outside.
    bool HitTest(int x, int y, int& ix, int& iy) const;

    static TFont AltFont();

private:
    void Fetch();
    void DrawPlaceholder(TCanvas& canvas, int x, int y, const TDocColors& colors);
    void DrawPicture(TCanvas& canvas, int x, int y);
    bool sized_ = false;
    TImageState state_ = TImageState::NotLoaded;
    const TUrlTarget* link_ = nullptr;
    // A loaded picture. Most images of a page shown without pictures never have one, so it is
    // kept apart and made only when a picture arrives.
    struct TPicturePart {
        TPictureUse Use;                 // the cache entry in use
        std::shared_ptr<TBitmap> Bitmap; // a still picture
        std::shared_ptr<TBitmap> Mask;   // its mask (white where the page shows through)
        std::unique_ptr<TGIFImage> Gif;  // an animated picture, its own copy (frames shared)
        // The still picture and its mask stretched to the drawn size, made at the first paint.
        TBitmap Stretched, StretchedMask;
    };
    std::unique_ptr<TPicturePart> picture_; // set while state_ is Loaded
};

// One image map: the areas (regions and their links) of a MAP element, in order.
class TMapItem : public TObject {
public:
    std::string MapName;
    struct Area {
        TMapRegion Region;
        TUrlTarget Link;
    };
    std::vector<Area> Areas;
    // An AREA tag: SHAPE, COORDS, HREF (NOHREF clears it) and TARGET. An area with too few
    // coordinates for its shape is dropped.
    void AddArea(const TAttributeList& attrs);
    // The first area holding the point (image coordinates); null when none does.
    const Area* AreaAt(int x, int y) const;
};
