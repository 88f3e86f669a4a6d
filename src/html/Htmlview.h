// THTMLViewer: the window control that shows a page. It owns one document (TSectionList), loads
// pages into it through the parser, lays it out for its own width, draws it on a child panel with
// scroll bars, and turns mouse and keyboard input into scrolling, selection and link clicks.
// Win32 only.
#pragma once

#include "toolkit/Win32.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "html/HtmlviewLogic.h"
#include "html/Readhtml.h"
#include "toolkit/Controls.h"

class THTMLViewer;

enum ThtmlViewerOption : unsigned { htOverLinksActive = 1, htNoLinkUnderline = 2, htPrintTableBackground = 4 };
using ThtmlViewerOptions = unsigned;

// Messages the viewer posts to itself.
constexpr UINT WM_HTMLFORMSUBMIT = WM_USER + 100; // deliver a queued form submission
constexpr UINT WM_HTMLAUTOSCROLL = WM_USER + 102; // run the auto-scroll loop while selecting

// The viewer's custom cursors, registered once: the link hand and the text cursor.
constexpr TCursor HandCursor = 1, ThickIBeamCursor = 2;

// What a right click on the page reports.
struct TRightClickParameters {
    std::string URL, Target;
    TImageObj* Image = nullptr;
    int ImageX = 0, ImageY = 0;
    std::string ClickWord;
};

// A scroll bar whose position, page and range are 32-bit values, set and read through the
// platform's scroll-info calls (the 16-bit position in WM_VSCROLL is not used).
class T32ScrollBar : public TWinControl {
public:
    T32ScrollBar(TComponent* owner, bool vertical);
    bool Vertical() const { return vertical_; }
    int Position() const { return pos_; }
    void SetPosition(int pos);
    int Min() const { return min_; }
    int Max() const { return max_; }
    int PageSize() const { return page_; }
    void SetParams(int min, int max, int page);
    // The thumb position while it is dragged.
    int TrackPosition();
    int SmallChange = 16, LargeChange = 1;

protected:
    void CreateParams(TCreateParams& params) override;
    void WindowCreated() override;

private:
    void Apply();
    bool vertical_;
    int pos_ = 0, min_ = 0, max_ = 0, page_ = 0;
};

// The drawing surface: paints the document off-screen and passes mouse input to the viewer.
class TPaintPanel : public TWinControl {
public:
    TPaintPanel(THTMLViewer* viewer);
    bool WndProc(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void PaintPanel();
    THTMLViewer* viewer_;
};

class THTMLViewer : public TWinControl {
public:
    explicit THTMLViewer(TComponent* owner);
    ~THTMLViewer() override;

    // ---- loading
    // Parses `size` bytes of HTML. Never entered in the history.
    void LoadBuffer(const char* buffer, size_t size);
    // Loads an HTML file; "name#anchor" then shows the anchor. A missing file raises EInOutError
    // "Can't locate file: <name>".
    void LoadFile(const std::string& name);
    // Shows a text file as preformatted text.
    void LoadPlainText(const std::string& name);
    // Shows one image, through a page of one IMG tag.
    void LoadPicture(const std::string& name);
    void ClearPage();
    // Scrolls to a named anchor ("#name" or "name"). False when the page has no such anchor.
    bool JumpTo(const std::string& anchor);

    // ---- read-only state
    const std::string& PageTitle() const { return title_; }
    const std::string& BaseUrl() const { return base_; }
    const std::string& BaseFrame() const { return baseTarget_; }
    const std::string& FileName() const { return fileName_; }
    const std::string& LinkText() const { return linkUrl_; }
    const std::string& LinkTarget() const { return linkTarget_; }
    bool Processing() const { return processing_; }
    TSectionList& Document() { return *doc_; }
    const TStringList& Anchors() const { return nameList_; }
    // Vertical scroll position in pixels, and the horizontal one.
    int Position() const { return pos_; }
    void SetPosition(int pos);
    int HScrollPosition() const { return hpos_; }
    void SetHScrollPosition(int pos);
    // The scrollable height (laid-out height plus margins) and the widest line.
    int DocumentHeight() const { return docHeight_; }
    int MaxHorzWidth() const { return widest_; }
    int LayoutWidth() const { return htmlview::LayoutWidth(Metrics()); }
    TPaintPanel* PaintPanel() const { return panel_; }
    T32ScrollBar* VScrollBar() const { return vbar_; }
    T32ScrollBar* HScrollBar() const { return hbar_; }
    // The selection.
    int SelStart() const;
    int SelLength() const;
    std::string SelText();
    int CaretPos() const { return caret_; }
    // Visited links (most recent first) and the history (entry 0 is the page on show).
    const htmlview::TVisitedList& Visited() const { return visited_; }
    const htmlview::THistory& History() const { return history_; }
    int HistoryIndex() const { return history_.Index(); }
    // Shows history entry i (loading its file again at its position).
    void SetHistoryIndex(int i);

    // ---- published properties
    bool ViewImages() const { return viewImages_; }
    void SetViewImages(bool v);
    TColor DefBackground() const { return settings_.Background; }
    void SetDefBackground(TColor c);
    THTMLBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(THTMLBorderStyle s);
    int HistoryMaxCount() const { return history_.MaxCount(); }
    void SetHistoryMaxCount(int n);
    const std::string& DefFontName() const { return settings_.FontName; }
    void SetDefFontName(const std::string& name);
    const std::string& DefPreFontName() const { return settings_.PreFontName; }
    void SetDefPreFontName(const std::string& name);
    int DefFontSize() const { return settings_.FontSize; }
    void SetDefFontSize(int size);
    TColor DefFontColor() const { return settings_.FontColor; }
    void SetDefFontColor(TColor c);
    TColor DefHotSpotColor() const { return settings_.LinkColor; }
    void SetDefHotSpotColor(TColor c);
    TColor DefVisitedLinkColor() const { return settings_.VisitedColor; }
    void SetDefVisitedLinkColor(TColor c);
    TColor DefOverLinkColor() const { return settings_.HoverColor; }
    void SetDefOverLinkColor(TColor c);
    int VisitedMaxCount() const { return visited_.MaxCount(); }
    void SetVisitedMaxCount(int n);
    int ImageCacheCount() const { return imageCacheCount_; }
    // Clamped to 0..20; the shared picture cache at once frees unused entries idle for longer.
    void SetImageCacheCount(int n);
    bool NoSelect = false;
    TScrollStyle ScrollBars() const { return scrollBars_; }
    void SetScrollBars(TScrollStyle s);
    int CharSet() const { return settings_.CharSet; }
    void SetCharSet(int cs);
    int MarginHeight() const { return marginHeight_; }
    void SetMarginHeight(int v);
    int MarginWidth() const { return marginWidth_; }
    void SetMarginWidth(int v);
    const std::string& ServerRoot() const { return serverRoot_; }
    void SetServerRoot(const std::string& s) { serverRoot_ = htmlview::NormalizeServerRoot(s); }
    ThtmlViewerOptions htOptions() const { return options_; }
    void SethtOptions(ThtmlViewerOptions o);
    // Printing is not done by this control; the settings are kept for whoever prints.
    double PrintMarginLeft = 2.0, PrintMarginRight = 2.0, PrintMarginTop = 2.0, PrintMarginBottom = 2.0;

    // ---- published events
    std::function<void(TObject* Sender, const std::string& SRC)> OnHotSpotCovered;
    std::function<void(TObject* Sender, const std::string& SRC, bool& Handled)> OnHotSpotClick;
    std::function<void(TObject* Sender, const std::string& SRC, TBitmap*& Bitmap, TColor& Color)> OnBitmapRequest;
    // Returning WaitStream() from OnImageRequest means "not yet": the image shows the not-loaded
    // picture and its name is not asked for again on this page.
    std::function<void(TObject* Sender, const std::string& SRC, std::string*& Stream)> OnImageRequest;
    static std::string* WaitStream();
    std::function<void(TObject* Sender, const std::string& Language, const std::string& Script)> OnScript;
    std::function<void(TObject* Sender, const std::string& Action, const std::string& Target, const std::string& EncType,
                       const std::string& Method, std::unique_ptr<TStringList> Results)>
        OnFormSubmit;
    TNotifyEvent OnHistoryChange;
    std::function<void(TObject* Sender, bool ProcessingOn)> OnProcessing;
    std::function<void(TObject* Sender, TCanvas& Canvas, int NumPage, int W, int H, bool& StopPrinting)> OnPrintHeader;
    std::function<void(TObject* Sender, TCanvas& Canvas, int NumPage, int W, int H, bool& StopPrinting)> OnPrintFooter;
    std::function<void(TObject* Sender, const std::string& Command, TStringList& Params, std::string& Buffer)> OnInclude;
    std::function<void(TObject* Sender, const std::string& SRC, int Loop, bool Terminate)> OnSoundRequest;
    std::function<void(TObject* Sender, const std::string& HttpEq, const std::string& Name, const std::string& Content)> OnMeta;
    std::function<void(TObject* Sender, int Delay, const std::string& URL)> OnMetaRefresh;
    std::function<void(TObject* Sender, TImageObj* Obj, TMouseButton Button, TShiftState Shift, int X, int Y)> OnImageClick;
    std::function<void(TObject* Sender, TImageObj* Obj, TShiftState Shift, int X, int Y)> OnImageOver;
    std::function<void(TObject* Sender, TObject* Obj, const std::string& OnClick)> OnObjectClick;
    std::function<void(TObject* Sender, const TRightClickParameters& Parameters)> OnRightClick;
    TMouseEvent OnMouseDouble;
    TKeyEvent OnKeyUp;
    std::function<void(TObject* Sender, char& Key)> OnKeyPress;

    // Queues a form submission: OnFormSubmit runs when the posted message arrives. Nothing is
    // queued without a handler.
    void SubmitForm(const std::string& action, const std::string& target, const std::string& encType, const std::string& method,
                    std::unique_ptr<TStringList> results);

    // A form control of the page got the focus: scrolls it into the middle of the view when it
    // lies outside the visible part or near its bottom (document coordinates).
    void ControlFocused(int controlTop, int controlHeight);

    bool WndProc(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

    // Mouse input from the panel, in panel coordinates.
    void PanelMouseDown(TMouseButton button, TShiftState shift, int x, int y);
    void PanelMouseMove(TShiftState shift, int x, int y);
    void PanelMouseUp(TMouseButton button, TShiftState shift, int x, int y);
    void PanelDblClick(TShiftState shift, int x, int y);
    // Paints the document's part within `dirty` (panel coordinates).
    void PaintDocument(TCanvas& canvas, const TRect& dirty);

protected:
    void CreateParams(TCreateParams& params) override;
    void PaintWindow(TCanvas& canvas, const TRect& dirty) override;
    void BoundsChanged() override { SizeChanged(); }
    void Resized() override { SizeChanged(); }

private:
    htmlview::TViewMetrics Metrics() const;
    void SetProcessing(bool on);
    THtmlCallbacks Callbacks();
    void MetaHandler(const std::string& httpEq, const std::string& name, const std::string& content);
    // Runs one load: clear, parse, lay out, show from the top.
    void DoLoad(const std::function<void(THtmlParseInfo&)>& parse, const std::string& fileName, htmlview::TLoadKind kind);
    // An HTML ("name#anchor") or plain-text file load; pictures go through LoadPicture.
    void FileLoad(const std::string& name, htmlview::TLoadKind kind);
    void EnterHistory(const htmlview::THistoryEntry& previous);
    htmlview::THistoryEntry CurrentEntry() const;
    // Lays the document out for the current width; keeps the reading position when asked.
    void Relayout(bool keepPosition);
    // Refreshes fonts after a display setting changed, then relays keeping the position.
    void SettingsChanged(bool relayout);
    // Moves the page's control windows to their laid-out places at the current scroll position.
    void PlaceControls();
    void ArrangeBars();
    void SizeChanged();
    enum class TScrollPaint { Repaint, Pixels, PixelsForOneLine };
    void ScrollTo(int pos, TScrollPaint how);
    void ScrollBarMessage(bool vertical, int code);
    void RunAutoScroll();
    void DeliverFormSubmits();
    void ExtendSelection(int x, int y);
    // Document character index for a panel point: the character there, or the nearest text.
    int CharIndexAt(int x, int y);
    TPoint ToDocument(int x, int y) const { return TPoint{x - marginWidth_ + hpos_, y + pos_}; }
    void HotSpotAction(const TUrlTarget& url);
    void MarkVisited(const std::string& url);
    std::string FullLinkUrl(const std::string& url) const;
    void CheckVisited();
    void InvalidatePanel();
    // The document's images get their data through the viewer's events, or from files.
    void UpdateImageSources();
    void UpdateAnimationTimer();
    // A canvas for measuring text outside painting.
    class TMeasure;

    // The display settings every page is parsed, laid out and painted with.
    THtmlSettings settings_;
    std::unique_ptr<TSectionList> doc_;
    TStringList nameList_;
    TPaintPanel* panel_ = nullptr;
    T32ScrollBar* vbar_ = nullptr;
    T32ScrollBar* hbar_ = nullptr;
    HDC measureDC_ = nullptr;
    std::shared_ptr<bool> alive_;

    std::string title_, base_, baseTarget_, fileName_, linkUrl_, linkTarget_;
    htmlview::TLoadKind loadKind_ = htmlview::TLoadKind::lkHtml;
    htmlview::TVisitedList visited_;
    htmlview::THistory history_;
    bool processing_ = false;
    bool inHistoryMove_ = false;
    int pos_ = 0, hpos_ = 0, docHeight_ = 0, widest_ = 0, laidOutWidth_ = -1;
    htmlview::TScrollPlan plan_;
    int anchor_ = 0, caret_ = 0;
    bool leftDown_ = false, clickStarted_ = false, hotSpotRan_ = false, autoScrollPosted_ = false, autoScrolling_ = false;
    bool refreshPending_ = false;
    int refreshDelay_ = 0;
    std::string refreshUrl_;
    struct TPendingSubmit {
        std::string Action, Target, EncType, Method;
        std::unique_ptr<TStringList> Results;
    };
    std::vector<TPendingSubmit> submits_;

    bool viewImages_ = false;
    class TTimer* animTimer_ = nullptr; // the 50 ms animation timer, while the page animates
    THTMLBorderStyle borderStyle_ = THTMLBorderStyle::htFocused;
    std::string serverRoot_;
    int imageCacheCount_ = 5;
    TScrollStyle scrollBars_ = TScrollStyle::ssBoth;
    int marginHeight_ = 5, marginWidth_ = 10;
    ThtmlViewerOptions options_ = 0;
};
