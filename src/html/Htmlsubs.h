// The document: a flat sequence of sections laid out top to bottom in pixels, with left and right
// indents for list levels and floating images, drawn through a TCanvas.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "html/HTMLUn2.h"

class TSectionList;
class TFormControlObj;

// Left and right indents of one cell: list levels (35 pixels each) and floating images.
class IndentManagerBasic {
public:
    static constexpr int LevelIndent = 35;
    static constexpr int OpenBottom = 9999999;
    struct IndentRec {
        int X;      // offset from the cell's left edge (left records) or right edge (right records, <= 0)
        int YT, YB; // covers YT <= y < YB
        int Lev;    // list level that owns it; 0 for a floating image
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
    void AddLeft(int y, int bottom, int width); // a left floating object of `width` from LeftIndent(y)
    void AddRight(int y, int bottom, int width);
    // Largest bottom of floating objects: on the left (1), right (2) or both (3).
    int FloatBottom(int mode = 3) const;
};

// One laid-out line of a text section.
struct LineRec {
    int Start = 0, Ln = 0;               // characters of the section's text
    int LineHt = 0, Descent = 0;         // tallest run, largest descent
    int SpaceBefore = 0, SpaceAfter = 0; // room for tall images and controls
    int LineX = 0;                       // x of the first character
    int Y = 0;                           // document y of the line's top
    int TextWidth = 0;                   // width without trailing spaces
    int Total() const { return SpaceBefore + LineHt + SpaceAfter; }
    int Baseline() const { return Y + SpaceBefore + LineHt - Descent; }
};

class TSectionBase : public TObject {
public:
    explicit TSectionBase(TSectionList* document) : Document(document) {}
    TSectionList* Document;
    int Height = 0, DrawHeight = 0, Top = 0, DrawTop = 0, StartPos = 0;

    // Characters the section adds to the document-wide index.
    virtual int Length() const { return 0; }
    virtual void CopySelection(std::string& out) { (void)out; }
    virtual int LayOut(TCanvas& canvas, int y, int width, int& curs, IndentManagerBasic& imgr, int& maxWidth);
    // Draws the part within `clip` (screen pixels); screen = document position + (x, y).
    virtual void Paint(TCanvas& canvas, const TRect& clip, int x, int y) {
        (void)canvas, (void)clip, (void)x, (void)y;
        DrawTop = Top;
    }
    // Hit tests in document coordinates.
    virtual TFontObj* LinkAt(TCanvas& canvas, int x, int y, TUrlTarget& url) {
        (void)canvas, (void)x, (void)y, (void)url;
        return nullptr;
    }
    virtual TImageObj* ImageAt(int x, int y) {
        (void)x, (void)y;
        return nullptr;
    }
    virtual int PositionAt(TCanvas& canvas, int x, int y) {
        (void)canvas, (void)x, (void)y;
        return -1;
    }
    virtual int FindText(int start, const std::string& text, bool matchCase) {
        (void)start, (void)text, (void)matchCase;
        return -1;
    }
    virtual bool PointOf(TCanvas& canvas, int index, TPoint& p) {
        (void)canvas, (void)index, (void)p;
        return false;
    }
    virtual bool CharAt(int index, char& c) const {
        (void)index, (void)c;
        return false;
    }
    virtual void RefreshFonts() { SetHeight(); }
    virtual void SetHeight() {}
    virtual void MeasureWidths(TCanvas& canvas, int& minW, int& maxW) {
        (void)canvas;
        minW = maxW = 0;
    }

protected:
    int fixedHeight_ = 0;
};

// A text section: a paragraph-like block with font runs, images (character 4) and form
// controls (character 2).
class TSection : public TSectionBase {
public:
    TSection(TSectionList* document, int level, const TMyFont& font, const TUrlTarget& url, int justify, int sscript = 0);
    ~TSection() override;

    std::string Buff;
    TFontList Fonts;
    std::vector<std::unique_ptr<TImageObj>> Images;
    std::vector<TFormControlObj*> Controls; // owned by their forms
    std::vector<LineRec> Lines;
    int Level, Indent, ListKind = 0, Justify, ClearMode = 0;
    TMyFont FirstFont;
    int FirstLineLeft = 0; // left indent of the first line, where list markers hang
    bool Preformatted = false;

    int Len() const { return static_cast<int>(Buff.size()); }
    int Length() const override { return Len(); }
    void AppendText(std::string_view text);
    // Starts a new run at the current end (or changes the last run when nothing followed it).
    void ChangeFont(const TMyFont& font, const TUrlTarget& url, int sscript);
    TImageObj* AddImage(const TAttributeList& attrs, const TUrlTarget& link);
    void AddControl(TFormControlObj* control, bool hidden);
    // True when the text holds nothing but floating images.
    bool OnlyFloats() const;

    TImageObj* ImageAtPos(int pos) const;
    TFormControlObj* ControlAtPos(int pos) const;

    int LayOut(TCanvas& canvas, int y, int width, int& curs, IndentManagerBasic& imgr, int& maxWidth) override;
    void Paint(TCanvas& canvas, const TRect& clip, int x, int y) override;
    TFontObj* LinkAt(TCanvas& canvas, int x, int y, TUrlTarget& url) override;
    TImageObj* ImageAt(int x, int y) override;
    int PositionAt(TCanvas& canvas, int x, int y) override;
    int FindText(int start, const std::string& text, bool matchCase) override;
    bool PointOf(TCanvas& canvas, int index, TPoint& p) override;
    bool CharAt(int index, char& c) const override;
    void CopySelection(std::string& out) override;
    void RefreshFonts() override;
    void MeasureWidths(TCanvas& canvas, int& minW, int& maxW) override;

protected:
    virtual void DrawMarker(TCanvas& canvas, int x, int y) { (void)canvas, (void)x, (void)y; }
    // Width of text [a, b) with the runs' fonts; objects count their widths (floats none).
    int RangeWidth(TCanvas& canvas, int a, int b);
    int ObjectWidth(int pos) const; // -1 when pos holds no object
    bool IsObject(int pos) const {
        char c = Buff[static_cast<size_t>(pos)];
        return (c == 2 || c == 4) && ObjectWidth(pos) >= 0;
    }
    // The end of the characters from `start` that fit into `avail`.
    int FitChars(TCanvas& canvas, int start, int avail);
    int LineAtY(int y) const;
    int CharAtX(TCanvas& canvas, const LineRec& line, int x, bool nearest);

private:
    void PlaceFloat(TImageObj& img, int y, IndentManagerBasic& imgr);
};

// An ordered, owning list of sections with its own indent manager. The document, every table
// cell and every caption is one.
class TCell : public TObject {
public:
    explicit TCell(TSectionList* document) : Document(document) {}
    TSectionList* Document;
    std::vector<std::unique_ptr<TSectionBase>> Sections;
    IndentManagerBasic IMgr;
    int Height = 0;

    int Count() const { return static_cast<int>(Sections.size()); }
    void Add(std::unique_ptr<TSectionBase> s) { Sections.push_back(std::move(s)); }
    // Lays the sections out from y for a width; returns the height.
    int DoLayout(TCanvas& canvas, int y, int width, int& curs, int& maxWidth, int left = 0);
    void Draw(TCanvas& canvas, const TRect& clip, int x, int y);
    void MinMaxWidth(TCanvas& canvas, int& minW, int& maxW);
    TFontObj* LinkAt(TCanvas& canvas, int x, int y, TUrlTarget& url);
    TImageObj* ImageAt(int x, int y);
    int PositionAt(TCanvas& canvas, int x, int y);
    int FindText(int start, const std::string& text, bool matchCase);
    bool PointOf(TCanvas& canvas, int index, TPoint& p);
    bool CharAt(int index, char& c) const;
    void CopySelection(std::string& out);
    void RefreshFonts();
};

// The document.
class TSectionList : public TCell {
public:
    TSectionList();
    ~TSectionList() override;

    // Display settings, copied from the viewer at each load.
    std::string FontName = "Times New Roman", PreFontName = "Courier New"; // at most 32 characters
    int FontSize = 12;
    TColor FontColor = clBtnText, LinkColor = clBlue, VisitedColor = clPurple, HoverColor = clBlue;
    bool HoverEnabled = false;
    TFontStyles LinkStyle = fsUnderline;
    int CharSet = 1;
    TColor Background = clBtnFace;
    std::string BackgroundImage;
    void SetFontName(const std::string& name) { FontName = name.substr(0, 32); }
    void SetPreFontName(const std::string& name) { PreFontName = name.substr(0, 32); }

    int YOff = 0;
    int SelB = 0, SelE = 0; // the selection as document character indices, SelB <= SelE

    std::vector<TFontObj*> LinkList;                // every run with a URL
    std::vector<std::unique_ptr<TMapItem>> MapList; // image maps
    std::vector<TFormControlObj*> FormControlList;  // all form controls
    TFontObj* ActiveLink = nullptr;                 // the link run under the mouse
    TImageObj* ActiveImage = nullptr;

    // Called with the message when a section cannot be laid out; the section is then removed.
    std::function<void(const std::string& message)> OnLayoutError;

    void Clear();
    // Lays the document out for a width; returns its height, the widest line in maxWidth.
    int DoLayout(TCanvas& canvas, int width, int& maxWidth, int top = 0);
    // Draws the part of the document within `clip`; screen = document position + (x, y - YOff).
    void Draw(TCanvas& canvas, const TRect& clip, int x, int y);
    // The link at a document point; it becomes the active link run.
    TFontObj* GetURL(TCanvas& canvas, int x, int y, TUrlTarget& url);
    // Hover colouring on a mouse move; true when something must be repainted.
    bool UpdateHover(TCanvas& canvas, int x, int y);
    int FindText(int start, const std::string& text, bool matchCase) { return TCell::FindText(start, text, matchCase); }
    std::string GetSelectedText();
    // Re-applies the display settings to every font run and spacer.
    void RefreshFonts();
    // Marks each link whose URL the predicate accepts as visited, and the others not.
    void CheckVisitedLinks(const std::function<bool(const std::string& url)>& visited);
    void RegisterLink(TFontObj* run) { LinkList.push_back(run); }
};
