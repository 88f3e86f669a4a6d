// The document: a sequence of sections laid out top to bottom in pixels, with left and right
// indents for list levels and floating images, drawn through a TCanvas. A table is a section
// whose cells hold sections of their own (HtmlsubsTables.h), so every walk over the document is
// recursive.
//
// Three stages with clear hand-offs: the parser appends sections; layout gives every line its
// place and records where each piece of a line (a stretch of one run, an image, a control)
// starts and how wide it is; painting and hit tests read those records and never measure text.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "html/HTMLUn2.h"

class TSectionList;
class TSectionBase;
class TFormControlObj;
class ThtmlForm;

// Left and right indents of one cell: list levels (35 pixels each) and floating objects.
class IndentManagerBasic {
public:
    static constexpr int LevelIndent = 35;
    static constexpr int OpenBottom = 9999999;
    struct IndentRec {
        int X;      // offset from the cell's left edge (left records) or right edge (right records, <= 0)
        int YT, YB; // covers YT <= y < YB
        int Lev;    // list level that owns it; 0 for a floating object
    };
    int LfEdge = 0, RtEdge = 0, Width = 0, ClipWidth = 0, CurrentLevel = 0;
    std::vector<IndentRec> L, R;

    void Clear(int left, int width);
    int LeftIndent(int y) const;
    int RightSide(int y) const;
    // Raises or lowers the list level at y.
    void SetLevel(int y, int level);
    // Forgets records that ended at or above y (layout only moves down).
    void Prune(int y);
    // A left floating object whose right edge is at `x` (document), from y to bottom.
    void AddLeftEdge(int y, int bottom, int x) { L.push_back({x - LfEdge, y, bottom, 0}); }
    // A right floating object whose left edge is at `x` (document), from y to bottom.
    void AddRightEdge(int y, int bottom, int x) { R.push_back({x - RtEdge, y, bottom, 0}); }
    void AddLeft(int y, int bottom, int width) { AddLeftEdge(y, bottom, LeftIndent(y) + width); }
    void AddRight(int y, int bottom, int width) { AddRightEdge(y, bottom, RightSide(y) - width); }
    // Largest bottom of floating objects on the cleared sides.
    int FloatBottom(TClear mode = TClear::Both) const;
};

// What layout passes down to each section of one cell.
struct TLayoutContext {
    TCanvas& Canvas;
    TSectionList& Doc;
    IndentManagerBasic& IMgr;
    int Width = 0;    // the cell's width
    int Curs = 0;     // the running document character index
    int MaxWidth = 0; // the right edge of the widest line so far
};

// What painting passes down: the target, the clip (screen pixels) and the offset from document
// to screen coordinates (screen = document + (X, Y)). The scroll position is part of the offset.
struct TPaintContext {
    TCanvas& Canvas;
    const TSectionList& Doc;
    TDocColors Colors;
    TRect Clip;
    int X = 0, Y = 0;
    bool Printing = false; // form controls are drawn as pictures of themselves
    // Whether document rows top..bottom (exclusive) meet the clip.
    bool RowsVisible(int top, int bottom) const { return bottom + Y > Clip.Top && top + Y < Clip.Bottom; }
};

// One piece of a laid-out line: a stretch of text in one run, or one object.
struct TLinePiece {
    int Start = 0, Len = 0; // characters of the section's text
    int X = 0, Width = 0;   // document x and width
    int Run = -1;           // index into the section's runs; -1 for an image or a control
};

// One laid-out line of a text section.
struct LineRec {
    int Start = 0, Ln = 0;               // characters of the section's text
    int LineHt = 0, Descent = 0;         // tallest run, largest descent
    int SpaceBefore = 0, SpaceAfter = 0; // room for tall images and controls
    int LineX = 0;                       // x of the first character
    int Y = 0;                           // document y of the line's top
    int TextWidth = 0;                   // width without trailing spaces
    int FirstPiece = 0, Pieces = 0;      // the line's pieces in the section's piece list
    bool ClearLine = false;              // the empty line a CLEAR adds before the text
    int Total() const { return SpaceBefore + LineHt + SpaceAfter; }
    int Baseline() const { return Y + SpaceBefore + LineHt - Descent; }
};

class TSectionBase : public TObject {
public:
    explicit TSectionBase(TSectionList* document) : Document(document) {}
    TSectionList* Document;
    int Height = 0, DrawHeight = 0, Top = 0, StartPos = 0;

    // Characters the section adds to the document-wide index.
    virtual int Length() const { return 0; }
    virtual void CopySelection(std::string& out) { (void)out; }
    // Lays the section out at y; returns the height that advances the next section.
    virtual int LayOut(TLayoutContext& ctx, int y);
    virtual void Paint(TPaintContext& pc) { (void)pc; }
    // Hit tests in document coordinates.
    virtual TFontObj* LinkAt(int x, int y, TUrlTarget& url) {
        (void)x, (void)y, (void)url;
        return nullptr;
    }
    virtual TImageObj* ImageAt(int x, int y) {
        (void)x, (void)y;
        return nullptr;
    }
    virtual int PositionAt(int x, int y) {
        (void)x, (void)y;
        return -1;
    }
    virtual int FindText(int start, const std::string& text, bool matchCase) {
        (void)start, (void)text, (void)matchCase;
        return -1;
    }
    virtual bool PointOf(int index, TPoint& p) {
        (void)index, (void)p;
        return false;
    }
    virtual bool CharAt(int index, char& c) const {
        (void)index, (void)c;
        return false;
    }
    virtual void RefreshFonts() { SetHeight(); }
    virtual void SetHeight() {}
    virtual void MeasureWidths(TLayoutContext& ctx, int& minW, int& maxW) {
        (void)ctx;
        minW = maxW = 0;
    }
    // Visits this section and, for a table, every section inside it, in document order. The
    // visitor returns false to stop; Walk then returns false too.
    virtual bool Walk(const std::function<bool(TSectionBase&)>& visit) { return visit(*this); }
    // Moves the laid-out section down by dy (a table cell is laid out before its row's place is
    // known).
    virtual void ShiftY(int dy) { Top += dy; }

protected:
    int fixedHeight_ = 0;
};

// A text section: a paragraph-like block with font runs, images (character 4) and form
// controls (character 2).
class TSection : public TSectionBase {
public:
    TSection(TSectionList* document, int level, const TMyFont& font, const TUrlTarget& url, THAlign justify,
             TScript sscript = TScript::None);
    ~TSection() override;

    std::string Buff;
    TFontList Fonts;
    TRareList<std::unique_ptr<TImageObj>> Images;
    TRareList<TFormControlObj*> Controls; // owned by their forms
    std::vector<LineRec> Lines;
    std::vector<TLinePiece> Pieces;
    int Level, Indent;
    TListKind ListKind = TListKind::None;
    THAlign Justify;
    TClear ClearMode = TClear::None;
    int FirstLineLeft = 0; // left indent of the first line, where list markers hang
    bool Preformatted = false;

    int Len() const { return static_cast<int>(Buff.size()); }
    int Length() const override { return Len(); }
    void AppendText(std::string_view text);
    // Starts a new run at the current end (or changes the last run when nothing followed it).
    void ChangeFont(const TMyFont& font, const TUrlTarget& url, TScript sscript);
    TImageObj* AddImage(const TAttributeList& attrs, const TUrlTarget& link);
    void AddControl(TFormControlObj* control, bool hidden);
    // True when the text holds nothing but floating images.
    bool OnlyFloats() const { return nonFloats_ == 0; }
    // Link runs this section entered in the document's link list.
    int LinkRuns() const { return linkRuns_; }

    TImageObj* ImageAtPos(int pos) const;
    TFormControlObj* ControlAtPos(int pos) const;

    int LayOut(TLayoutContext& ctx, int y) override;
    void Paint(TPaintContext& pc) override;
    TFontObj* LinkAt(int x, int y, TUrlTarget& url) override;
    TImageObj* ImageAt(int x, int y) override;
    int PositionAt(int x, int y) override;
    int FindText(int start, const std::string& text, bool matchCase) override;
    bool PointOf(int index, TPoint& p) override;
    bool CharAt(int index, char& c) const override;
    void CopySelection(std::string& out) override;
    void RefreshFonts() override;
    void MeasureWidths(TLayoutContext& ctx, int& minW, int& maxW) override;
    void ShiftY(int dy) override;

protected:
    virtual void DrawMarker(TPaintContext& pc) { (void)pc; }
    // Gives a font the document's current name, character set, size and colour.
    void ApplySettings(TMyFont& f) const;
    // The document's entry for a font.
    const TMyFont* Intern(const TMyFont& font) const;
    // The document's entry for a link target; null for none.
    const TUrlTarget* Intern(const TUrlTarget& url) const;
    // The width an object takes on a line; -1 when pos holds no object. Floating images take none.
    int ObjectWidth(int pos) const;
    bool IsObject(int pos) const {
        char c = Buff[static_cast<size_t>(pos)];
        return (c == 2 || c == 4) && ObjectWidth(pos) >= 0;
    }
    // Width of text [a, b) from the runs' advances; objects count their widths (floats none).
    int RangeWidth(int a, int b) const;
    // Gives every run its measured font.
    void MeasureFonts(TLayoutContext& ctx);
    int LineAtY(int y) const;
    // The character at x on a line; with `nearest`, rounded to the nearer side of its middle.
    int CharAtX(const LineRec& line, int x, bool nearest) const;
    // The first line that holds text (after a CLEAR line), or null.
    const LineRec* FirstTextLine() const;

private:
    // The steps of laying out one line.
    struct TLineWork;
    void PlaceLeadingFloats(TLayoutContext& ctx, TLineWork& w);
    int FitChars(int start, int avail) const;
    int BreakLine(int pos, int fit) const;
    void LineMetrics(TLineWork& w);
    void BuildPieces(TLineWork& w);
    void PlaceFloat(TImageObj& img, int y, IndentManagerBasic& imgr);

    int nonFloats_ = 0; // characters that are not floating images
    int linkRuns_ = 0;
};

// An ordered, owning list of sections, laid out with indents of its own. The document, every
// table cell and every caption is one.
class TCell : public TObject {
public:
    explicit TCell(TSectionList* document) : Document(document) {}
    TSectionList* Document;
    std::vector<std::unique_ptr<TSectionBase>> Sections;
    int Height = 0;
    TColor BgColor = clNone; // a table cell's background; clNone for none

    int Count() const { return static_cast<int>(Sections.size()); }
    void Add(std::unique_ptr<TSectionBase> s) { Sections.push_back(std::move(s)); }
    // Lays the sections out from y between left and left + width; returns the height. The
    // character index runs on in `curs`, the widest line raises `maxWidth`.
    int DoLayout(TCanvas& canvas, int y, int left, int width, int& curs, int& maxWidth);
    void Draw(TPaintContext& pc);
    void MinMaxWidth(TLayoutContext& ctx, int& minW, int& maxW);
    TFontObj* LinkAt(int x, int y, TUrlTarget& url);
    TImageObj* ImageAt(int x, int y);
    int PositionAt(int x, int y);
    int FindText(int start, const std::string& text, bool matchCase);
    bool PointOf(int index, TPoint& p);
    bool CharAt(int index, char& c) const;
    void CopySelection(std::string& out);
    void RefreshFonts();
    bool Walk(const std::function<bool(TSectionBase&)>& visit);
    int Length() const; // characters of all sections
    void ShiftY(int dy);
};

// The document.
class TSectionList : public TCell {
public:
    // Reads `settings`, which must outlive it; without one it keeps default settings of its own.
    explicit TSectionList(const THtmlSettings* settings = nullptr);
    ~TSectionList() override;

    const THtmlSettings& Settings() const { return *settings_; }
    void SetSettings(const THtmlSettings* settings) { settings_ = settings ? settings : &ownSettings_; }

    // A page's own colours from its BODY tag; unset ones follow the settings.
    struct TPageColors {
        std::optional<TColor> Font, Link, Visited, Hover, Background;
        std::string BackgroundImage;
    } Page;
    TDocColors Colors() const;
    TColor Background() const { return Colors().Background; }
    TColor FontColor() const { return Colors().Font; }
    // Hover colouring: on in the settings, or asked for by the page (OLINK).
    bool HoverEnabled() const { return settings_->HoverEnabled || Page.Hover.has_value(); }

    int SelB = 0, SelE = 0; // the selection as document character indices, SelB <= SelE

    std::vector<TFontObj*> LinkList;                // every run with a URL, in document order
    std::vector<std::unique_ptr<TMapItem>> MapList; // image maps
    std::vector<std::unique_ptr<ThtmlForm>> Forms;  // the page's forms; each owns its controls
    TFontObj* ActiveLink = nullptr;                 // the link run under the mouse
    TImageObj* ActiveImage = nullptr;
    TFontCache FontCache;
    TFontTable FontTable; // the fonts of the runs
    TUrlTable UrlTable;   // the link targets of the runs and images

    // Called with the message when a section cannot be laid out; the section is then removed.
    std::function<void(const std::string& message)> OnLayoutError;

    // ---- images
    // What the page's images share: whether images are shown, where their data comes from (the
    // viewer fills the sources before a load), the names awaited, the animated pictures.
    TImageContext ImageContext;
    // The millisecond clock of animation (the platform's timeGetTime); 0 when unset.
    std::function<uint32_t()> Clock;
    // Asks the viewer to repaint a rectangle in document coordinates (an animation frame, a
    // picture under the mouse changing).
    std::function<void(const TRect& docRect)> OnRepaintRect;
    // Fetches the page's background image (BODY BACKGROUND) when images are on.
    void LoadBackground();
    // The background picture to tile, or null (none, images off, awaited or failed).
    const TBitmap* BackgroundBitmap() const { return ImageContext.ViewImages ? bgBitmap_.get() : nullptr; }
    // Images switched on or off: with off, every picture and the background are given up; either
    // way every image is measured again at the next layout.
    void SetViewImages(bool on);
    // One tick of the 50 ms animation timer: steps the animated pictures and asks for the
    // rectangles of those whose frame changed to be repainted.
    void AnimationTick();
    // True while the page has animated pictures (the timer runs).
    bool HasAnimations() const { return ImageContext.ViewImages && !ImageContext.Animations.Empty(); }

    void Clear();
    // Lays the document out for a width; returns its height, the widest line in maxWidth.
    int DoLayout(TCanvas& canvas, int width, int& maxWidth, int top = 0);
    // Draws the part of the document within `clip`; screen = document position + (x, y). A
    // viewer scrolled to position p passes y = -p.
    void Draw(TCanvas& canvas, const TRect& clip, int x, int y, bool printing = false);
    // The link at a document point; it becomes the active link run.
    TFontObj* GetURL(int x, int y, TUrlTarget& url);
    // Hover colouring on a mouse move; true when something must be repainted.
    bool UpdateHover(int x, int y);
    int FindText(int start, const std::string& text, bool matchCase) { return TCell::FindText(start, text, matchCase); }
    std::string GetSelectedText();
    // Re-applies the display settings to every font run and spacer.
    void RefreshFonts();
    // Marks each link whose URL the predicate accepts as visited, and the others not.
    void CheckVisitedLinks(const std::function<bool(const std::string& url)>& visited);
    void RegisterLink(TFontObj* run) { LinkList.push_back(run); }
    // Takes a section's link runs out of the link list (the section is going).
    void UnregisterLinks(const TSection* section, int count);
    // The text section holding document index i (a section's end belongs to it only when no
    // text follows), or null.
    TSection* TextSectionAt(int index);
    // Every form control of the page, in the order they were added.
    const std::vector<TFormControlObj*>& AllControls() const { return FormControlList; }
    std::vector<TFormControlObj*> FormControlList;
    // Counts layouts: what a layout measures (a table's column limits) is kept for the rest of the
    // same layout, so nested tables are measured once, not once for every table around them.
    int LayoutPass = 0;
    // Moves the window of every control in view to its laid-out place, shifted by (dx, dy), and
    // hides the others; called after layout and after scrolling, never while painting.
    void PlaceControls(int dx, int dy, int viewHeight);

    // The form layer's links to the viewer (Htmlsbs1Forms.h). Controls made while a factory is
    // set get its window controls; the others keep their state without a window.
    std::function<std::unique_ptr<class TFormWidget>(const struct TFormWidgetDesc&)> WidgetFactory;
    // Takes a submission: action, target, encoding type, method and the list, which it owns.
    std::function<void(const std::string& action, const std::string& target, const std::string& encType,
                       const std::string& method, std::unique_ptr<TStringList> results)>
        SubmitReceiver;
    // A control received the focus (the viewer scrolls it into view).
    std::function<void(TFormControlObj* control)> OnControlFocused;
    // A button, check box or radio button was clicked: the control and its ONCLICK text.
    std::function<void(TFormControlObj* control, const std::string& onClick)> OnObjectClick;
    bool Contains(const TSectionBase* section);

private:
    uint32_t Now() const { return Clock ? Clock() : 0; }
    void RepaintImage(const TImageObj* image);
    THtmlSettings ownSettings_;
    const THtmlSettings* settings_;
    TPictureUse bgUse_;
    std::shared_ptr<TBitmap> bgBitmap_;
};
