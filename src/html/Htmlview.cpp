#include "html/Htmlview.h"

#include <mmsystem.h>
#include <windowsx.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "html/HTMLUn2Library.h"
#include "html/Htmlsbs1.h"
#include "html/HtmlviewForms.h"
#include "toolkit/Application.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/GdiCanvas.h"
#include "toolkit/MessagePump.h"
#include "toolkit/ScopeExit.h"
#include "toolkit/SysUtils.h"

using namespace htmlview;

namespace {

void RegisterViewerCursors() {
    static bool done = false;
    if (done) return;
    RegisterCursor(HandCursor, LoadCursorA(nullptr, IDC_HAND));
    RegisterCursor(ThickIBeamCursor, LoadCursorA(nullptr, IDC_IBEAM));
    done = true;
}

bool FileExists(const std::string& name) {
    DWORD a = GetFileAttributesA(name.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

std::string FullPath(const std::string& name) {
    char buf[MAX_PATH * 2];
    DWORD n = GetFullPathNameA(name.c_str(), sizeof buf, buf, nullptr);
    return n > 0 && n < sizeof buf ? std::string(buf, n) : name;
}

// Waits up to `ms` while dispatching this thread's messages through the one pump; stops early
// when `stop()` says so or the thread's loop is ending (WM_QUIT, left queued for it).
template <class Stop> void PumpFor(DWORD ms, Stop stop) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < ms && !stop())
        if (!WaitAndPumpMessages(10)) return;
}

// A page of one IMG tag naming the picture. Quotes and ampersands in the name are written as
// entities, so the attribute value comes back exactly as the name.
std::string PicturePage(const std::string& name) {
    std::string page = "<IMG SRC=\"";
    for (char c : name) {
        if (c == '"')
            page += "&quot;";
        else if (c == '&')
            page += "&amp;";
        else
            page += c;
    }
    return page + "\">";
}

} // namespace

// A canvas over the viewer's measuring DC.
class THTMLViewer::TMeasure {
public:
    explicit TMeasure(HDC dc) : canvas(dc) {}
    TGdiCanvas canvas;
};

// ---------------------------------------------------------------- T32ScrollBar

T32ScrollBar::T32ScrollBar(TComponent* owner, bool vertical) : TWinControl(owner), vertical_(vertical) {
    if (vertical)
        width_ = GetSystemMetrics(SM_CXVSCROLL), height_ = 100;
    else
        width_ = 100, height_ = GetSystemMetrics(SM_CYHSCROLL);
}

void T32ScrollBar::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.ClassName = "SCROLLBAR";
    params.Style &= ~static_cast<DWORD>(WS_CLIPCHILDREN);
    params.Style |= vertical_ ? SBS_VERT : SBS_HORZ;
}

void T32ScrollBar::WindowCreated() { Apply(); }

void T32ScrollBar::SetParams(int min, int max, int page) {
    min_ = min, max_ = std::max(min, max), page_ = std::max(0, page);
    pos_ = std::max(min_, std::min(pos_, max_));
    Apply();
}

void T32ScrollBar::SetPosition(int pos) {
    pos_ = std::max(min_, std::min(pos, max_));
    if (!HandleAllocated()) return;
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_POS;
    si.nPos = pos_;
    SetScrollInfo(handle_, SB_CTL, &si, TRUE);
}

void T32ScrollBar::Apply() {
    if (!HandleAllocated()) return;
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
    si.nMin = min_;
    si.nMax = max_;
    si.nPage = static_cast<UINT>(page_);
    si.nPos = pos_;
    SetScrollInfo(handle_, SB_CTL, &si, TRUE);
}

int T32ScrollBar::TrackPosition() {
    if (!HandleAllocated()) return pos_;
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_TRACKPOS;
    GetScrollInfo(handle_, SB_CTL, &si);
    return si.nTrackPos;
}

// ---------------------------------------------------------------- TPaintPanel

TPaintPanel::TPaintPanel(THTMLViewer* viewer) : TWinControl(viewer), viewer_(viewer) {}

bool TPaintPanel::WndProc(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
    const TShiftState shift = ShiftStateFromKeys(wParam);
    switch (msg) {
    case WM_PAINT:
        PaintPanel();
        result = 0;
        return true;
    case WM_ERASEBKGND: result = 1; return true;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        viewer_->PanelMouseDown(MouseButtonOf(msg), shift, x, y);
        result = 0;
        return true;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
        viewer_->PanelMouseUp(MouseButtonOf(msg), shift, x, y);
        result = 0;
        return true;
    case WM_MOUSEMOVE:
        viewer_->PanelMouseMove(shift, x, y);
        result = 0;
        return true;
    case WM_LBUTTONDBLCLK:
        viewer_->PanelDblClick(shift | ssDouble, x, y);
        result = 0;
        return true;
    default: return TWinControl::WndProc(msg, wParam, lParam, result);
    }
}

void TPaintPanel::PaintPanel() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(handle_, &ps);
    auto endPaint = ScopeExit([&] { EndPaint(handle_, &ps); });
    TRect dirty = Rect(ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right, ps.rcPaint.bottom);
    if (dirty.IsEmpty() || viewer_->Processing()) return;
    // The dirty rectangle is drawn into a bitmap of its size and copied to the screen in one block.
    TOffscreen off(dc, dirty.Width(), dirty.Height());
    {
        TGdiCanvas canvas(off.DC());
        canvas.PushOrigin(-dirty.Left, -dirty.Top);
        viewer_->PaintDocument(canvas, dirty);
    }
    BitBlt(dc, dirty.Left, dirty.Top, dirty.Width(), dirty.Height(), off.DC(), 0, 0, SRCCOPY);
}

// ---------------------------------------------------------------- THTMLViewer

THTMLViewer::THTMLViewer(TComponent* owner)
    : TWinControl(owner), doc_(std::make_unique<TSectionList>(&settings_)), alive_(std::make_shared<bool>(true)) {
    RegisterViewerCursors();
    width_ = height_ = 150;
    TabStop = true;
    color_ = settings_.Background;
    measureDC_ = CreateCompatibleDC(nullptr);
    panel_ = new TPaintPanel(this);
    panel_->SetParent(this);
    vbar_ = new T32ScrollBar(this, true);
    vbar_->SetVisible(false);
    vbar_->SetParent(this);
    vbar_->SmallChange = VSmallChange;
    hbar_ = new T32ScrollBar(this, false);
    hbar_->SetVisible(false);
    hbar_->SetParent(this);
    hbar_->SmallChange = HSmallChange;
    nameList_.SetSorted(true);
    doc_->OnLayoutError = [](const std::string& message) {
        if (Application)
            Application->MessageBox(message, nullptr, MB_OK | MB_ICONERROR);
        else
            MessageBoxA(nullptr, message.c_str(), "Error", MB_OK | MB_ICONERROR);
    };
    // The page's form controls are windows on the panel; what they do comes back here.
    doc_->WidgetFactory = [this](const TFormWidgetDesc& desc) { return MakeViewerFormWidget(panel_, desc); };
    doc_->SubmitReceiver = [this](const std::string& action, const std::string& target, const std::string& encType,
                                  const std::string& method, std::unique_ptr<TStringList> results) {
        SubmitForm(action, target, encType, method, std::move(results));
    };
    doc_->OnControlFocused = [this](TFormControlObj* c) { ControlFocused(c->DocY, c->Height()); };
    doc_->OnObjectClick = [this](TFormControlObj* c, const std::string& onClick) {
        if (OnObjectClick) OnObjectClick(this, c, onClick);
    };
    // Images: animation runs on the platform's millisecond clock and repaints only the image
    // whose frame changed.
    doc_->ImageContext.ViewImages = viewImages_;
    doc_->Clock = [] { return static_cast<uint32_t>(timeGetTime()); };
    doc_->OnRepaintRect = [this](const TRect& r) {
        if (!panel_ || !panel_->HandleAllocated()) return;
        RECT rc{r.Left + marginWidth_ - hpos_, r.Top - pos_, r.Right + marginWidth_ - hpos_, r.Bottom - pos_};
        InvalidateRect(panel_->Handle(), &rc, FALSE);
    };
    animTimer_ = new TTimer(this);
    animTimer_->SetEnabled(false);
    animTimer_->SetInterval(TAnimationList::TickMs);
    animTimer_->OnTimer = [this](TObject*) {
        if (!processing_) doc_->AnimationTick();
    };
    panel_->SetColor(doc_->Background());
    Relayout(false);
}

std::string* THTMLViewer::WaitStream() {
    static std::string stream;
    return &stream;
}

void THTMLViewer::UpdateImageSources() {
    TImageSources& s = doc_->ImageContext.Sources;
    s = TImageSources{};
    if (OnBitmapRequest)
        s.BitmapRequest = [this](const std::string& src, TBitmap*& bitmap, TColor& color) {
            if (OnBitmapRequest) OnBitmapRequest(this, src, bitmap, color);
        };
    if (OnImageRequest)
        s.ImageRequest = [this](const std::string& src, std::string*& stream) {
            if (OnImageRequest) OnImageRequest(this, src, stream);
        };
    s.WaitStream = WaitStream();
    s.FullName = [this](const std::string& src) {
        std::string name, anchor;
        SplitAnchor(src, name, anchor);
        return FullPath(LinkToFileName(name, serverRoot_, base_, fileName_));
    };
    s.ReadFile = [](const std::string& name, std::string& bytes) {
        HANDLE f = CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (f == INVALID_HANDLE_VALUE) return false;
        auto close = ScopeExit([f] { CloseHandle(f); });
        const DWORD size = GetFileSize(f, nullptr);
        if (size == INVALID_FILE_SIZE || size > MaxImageDataBytes) return false;
        bytes.resize(size);
        DWORD got = 0;
        return size == 0 || (ReadFile(f, bytes.data(), size, &got, nullptr) && got == size);
    };
    s.Codecs = &TLibraryImageCodecs::Shared();
}

void THTMLViewer::UpdateAnimationTimer() {
    if (animTimer_) animTimer_->SetEnabled(doc_->HasAnimations());
}

void THTMLViewer::SetImageCacheCount(int n) {
    imageCacheCount_ = htmlview::ClampImageCacheCount(n);
    TStringBitmapList::Shared().Purge(imageCacheCount_);
}

THTMLViewer::~THTMLViewer() {
    *alive_ = false;
    doc_->Clear(); // the control windows go while the panel is still there
    DestroyComponents();
    doc_.reset();
    if (measureDC_) DeleteDC(measureDC_);
}

void THTMLViewer::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.Style |= WS_TABSTOP;
}

TViewMetrics THTMLViewer::Metrics() const {
    TViewMetrics m;
    m.Width = width_, m.Height = height_;
    m.MarginWidth = marginWidth_, m.MarginHeight = marginHeight_;
    m.Border = borderStyle_ != THTMLBorderStyle::htNone;
    m.ScrollBars = scrollBars_;
    m.VBarWidth = GetSystemMetrics(SM_CXVSCROLL);
    m.HBarHeight = GetSystemMetrics(SM_CYHSCROLL);
    return m;
}

void THTMLViewer::SetProcessing(bool on) {
    if (on == processing_) return;
    processing_ = on;
    if (OnProcessing) OnProcessing(this, on);
}

THtmlCallbacks THTMLViewer::Callbacks() {
    THtmlCallbacks cb;
    cb.OnMeta = [this](const std::string& httpEq, const std::string& name, const std::string& content) {
        MetaHandler(httpEq, name, content);
    };
    if (OnSoundRequest)
        cb.OnSound = [this](const std::string& src, int loop, bool terminate) {
            if (OnSoundRequest) OnSoundRequest(this, src, loop, terminate);
        };
    if (OnInclude)
        cb.OnInclude = [this](const std::string& command, TStringList& params, std::string& buffer) {
            if (OnInclude) OnInclude(this, command, params, buffer);
        };
    if (OnScript)
        cb.OnScript = [this](const std::string& language, const std::string& script) {
            if (OnScript) OnScript(this, language, script);
        };
    return cb;
}

void THTMLViewer::MetaHandler(const std::string& httpEq, const std::string& name, const std::string& content) {
    if (OnMeta) OnMeta(this, httpEq, name, content);
    if (OnMetaRefresh && SameText(httpEq, "refresh")) {
        int delay = 0;
        std::string url;
        if (ParseMetaRefresh(content, delay, url)) {
            refreshPending_ = true;
            refreshDelay_ = delay;
            refreshUrl_ = url;
        }
    }
}

void THTMLViewer::DoLoad(const std::function<void(THtmlParseInfo&)>& parse, const std::string& fileName, TLoadKind kind) {
    try {
        SetProcessing(true);
        UpdateAnimationTimer();
        doc_->Clear();
        // A page load: unused pictures idle for longer than the cache count are freed.
        TStringBitmapList::Shared().PageLoaded(imageCacheCount_);
        UpdateImageSources();
        nameList_.Clear();
        caret_ = anchor_ = 0;
        linkUrl_.clear(), linkTarget_.clear();
        refreshPending_ = false;
        if (OnSoundRequest) OnSoundRequest(this, "", 0, true);
        THtmlParseInfo info;
        try {
            parse(info);
        } catch (...) {
            // What was read before the fault is shown all the same.
            title_ = info.Title, base_ = info.Base, baseTarget_ = info.BaseTarget;
            fileName_.clear();
            panel_->SetColor(doc_->Background());
            Relayout(false);
            pos_ = hpos_ = 0;
            ArrangeBars();
            throw;
        }
        title_ = info.Title, base_ = info.Base, baseTarget_ = info.BaseTarget;
        panel_->SetColor(doc_->Background());
        fileName_ = fileName;
        loadKind_ = kind;
        doc_->LoadBackground();
        Relayout(false);
        CheckVisited();
        pos_ = hpos_ = 0;
        ArrangeBars();
    } catch (...) {
        SetProcessing(false);
        InvalidatePanel();
        throw;
    }
    SetProcessing(false);
    InvalidatePanel();
    if (refreshPending_ && OnMetaRefresh) {
        refreshPending_ = false;
        OnMetaRefresh(this, refreshDelay_, refreshUrl_);
    }
}

void THTMLViewer::LoadBuffer(const char* buffer, size_t size) {
    if (processing_) return;
    THtmlCallbacks cb = Callbacks();
    DoLoad([&](THtmlParseInfo& info) { HtmlParseBuffer(*doc_, nameList_, buffer ? buffer : "", buffer ? size : 0, cb, info); },
           std::string(), TLoadKind::lkHtml);
}

THistoryEntry THTMLViewer::CurrentEntry() const { return THistoryEntry{fileName_, title_, pos_, loadKind_}; }

void THTMLViewer::EnterHistory(const THistoryEntry& previous) {
    if (inHistoryMove_) return;
    if (history_.PageLoaded(previous, CurrentEntry()) && OnHistoryChange) OnHistoryChange(this);
}

void THTMLViewer::FileLoad(const std::string& name, TLoadKind kind) {
    if (processing_) return;
    std::string file, anchor;
    if (kind == TLoadKind::lkHtml)
        SplitAnchor(name, file, anchor);
    else
        file = name;
    if (!FileExists(file)) {
        ClearPage();
        fileName_.clear();
        throw EInOutError("Can't locate file: " + file);
    }
    const std::string full = FullPath(file);
    const THistoryEntry previous = CurrentEntry();
    HCURSOR oldCursor = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    auto cursorBack = ScopeExit([oldCursor] { SetCursor(oldCursor); });
    if (kind == TLoadKind::lkText) {
        DoLoad([&](THtmlParseInfo&) { HtmlParsePlainTextFile(*doc_, nameList_, full); }, full, kind);
    } else {
        THtmlCallbacks cb = Callbacks();
        DoLoad([&](THtmlParseInfo& info) { HtmlParseTextFile(*doc_, nameList_, full, cb, info); }, full, kind);
    }
    if (!anchor.empty()) JumpTo(anchor);
    EnterHistory(previous);
}

void THTMLViewer::LoadFile(const std::string& name) { FileLoad(name, TLoadKind::lkHtml); }
void THTMLViewer::LoadPlainText(const std::string& name) { FileLoad(name, TLoadKind::lkText); }

void THTMLViewer::LoadPicture(const std::string& name) {
    if (processing_) return;
    const THistoryEntry previous = CurrentEntry();
    std::string page = PicturePage(name);
    DoLoad([&](THtmlParseInfo& info) { HtmlParseBuffer(*doc_, nameList_, page.data(), page.size(), THtmlCallbacks{}, info); },
           name, TLoadKind::lkPicture);
    EnterHistory(previous);
}

void THTMLViewer::ClearPage() {
    if (processing_) return;
    doc_->Clear();
    nameList_.Clear();
    base_.clear(), baseTarget_.clear(), title_.clear();
    caret_ = anchor_ = 0;
    pos_ = hpos_ = 0;
    docHeight_ = widest_ = 0;
    vbar_->SetParams(0, 0, 0);
    vbar_->SetPosition(0);
    hbar_->SetParams(0, 0, 0);
    hbar_->SetPosition(0);
    vbar_->SetVisible(false);
    hbar_->SetVisible(false);
    if (OnSoundRequest) OnSoundRequest(this, "", 0, true);
    panel_->SetColor(doc_->Background());
    Relayout(false);
    InvalidatePanel();
}

bool THTMLViewer::JumpTo(const std::string& anchorName) {
    std::string name = anchorName;
    if (!name.empty() && name[0] == '#') name.erase(0, 1);
    name = UpperCase(name);
    int i = nameList_.IndexOf(name);
    if (i < 0) return false;
    // The anchor's section may sit anywhere, also inside a table cell; one that is no longer in
    // the document is not followed.
    auto* section = dynamic_cast<TSectionBase*>(nameList_.Objects(i));
    if (!section || !doc_->Contains(section)) return false;
    SetPosition(section->Top);
    SetHScrollPosition(0);
    MarkVisited(fileName_ + "#" + anchorName.substr(!anchorName.empty() && anchorName[0] == '#' ? 1 : 0));
    return true;
}

void THTMLViewer::SetHistoryIndex(int i) {
    if (processing_ || i < 0 || i >= history_.Count() || i == history_.Index()) return;
    history_.SetPosition(history_.Index(), pos_);
    THistoryEntry e = history_[i];
    inHistoryMove_ = true;
    try {
        if (e.Kind == TLoadKind::lkPicture)
            LoadPicture(e.File);
        else if (!SameText(e.File, fileName_) || e.Kind != loadKind_)
            FileLoad(e.File, e.Kind);
    } catch (...) {
        inHistoryMove_ = false;
        throw;
    }
    inHistoryMove_ = false;
    SetPosition(e.Position);
    history_.SetIndex(i);
    if (OnHistoryChange) OnHistoryChange(this);
}

// ---------------------------------------------------------------- layout and scroll bars

void THTMLViewer::Relayout(bool keepPosition) {
    TReadingPos rp;
    if (keepPosition) {
        std::vector<int> tops;
        for (auto& s : doc_->Sections) tops.push_back(s->Top);
        rp = FindReadingPos(tops, pos_);
    }
    const TViewMetrics m = Metrics();
    const int width = htmlview::LayoutWidth(m);
    int widest = 0, height = 0;
    {
        TMeasure measure(measureDC_);
        height = doc_->DoLayout(measure.canvas, width, widest, marginHeight_);
    }
    laidOutWidth_ = width;
    docHeight_ = htmlview::DocumentHeight(m, height);
    widest_ = widest;
    UpdateAnimationTimer();
    if (keepPosition) {
        std::vector<int> tops;
        for (auto& s : doc_->Sections) tops.push_back(s->Top);
        pos_ = RestoreReadingPos(tops, rp);
    }
    ArrangeBars();
}

void THTMLViewer::ArrangeBars() {
    const TViewMetrics m = Metrics();
    plan_ = PlanScrollBars(m, docHeight_, widest_);
    const int frame = m.Border ? 1 : 0;
    panel_->SetBounds(plan_.PanelLeft, plan_.PanelTop, plan_.PanelWidth, plan_.PanelHeight);
    vbar_->SetBounds(width_ - frame - m.VBarWidth, frame, m.VBarWidth, plan_.PanelHeight);
    hbar_->SetBounds(frame, height_ - frame - m.HBarHeight, plan_.PanelWidth, m.HBarHeight);
    // The page is one more than the panel, so the bar's last position is exactly the clamp limit.
    vbar_->SetParams(0, plan_.VMax, plan_.VPage);
    vbar_->LargeChange = plan_.VLarge;
    hbar_->SetParams(0, plan_.HMax, plan_.PanelWidth + 1);
    hbar_->LargeChange = plan_.HLarge;
    vbar_->SetVisible(plan_.ShowV);
    hbar_->SetVisible(plan_.ShowH);
    pos_ = ClampVPos(pos_, docHeight_, plan_.PanelHeight);
    hpos_ = ClampHPos(hpos_, plan_.HMax, plan_.PanelWidth);
    vbar_->SetPosition(pos_);
    hbar_->SetPosition(hpos_);
    PlaceControls();
}

void THTMLViewer::PlaceControls() { doc_->PlaceControls(marginWidth_ - hpos_, -pos_, plan_.PanelHeight); }

void THTMLViewer::SizeChanged() {
    if (!panel_ || !doc_) return;
    if (htmlview::LayoutWidth(Metrics()) != laidOutWidth_ && !processing_) {
        try {
            SetProcessing(true);
            Relayout(true);
        } catch (...) {
            SetProcessing(false);
            throw;
        }
        SetProcessing(false);
    } else {
        ArrangeBars();
    }
    InvalidatePanel();
    Invalidate();
}

void THTMLViewer::SettingsChanged(bool relayout) {
    if (processing_) return;
    doc_->RefreshFonts();
    if (relayout) {
        try {
            SetProcessing(true);
            Relayout(true);
        } catch (...) {
            SetProcessing(false);
            throw;
        }
        SetProcessing(false);
        CheckVisited();
    }
    panel_->SetColor(doc_->Background());
    InvalidatePanel();
}

void THTMLViewer::InvalidatePanel() {
    if (panel_ && panel_->HandleAllocated()) InvalidateRect(panel_->Handle(), nullptr, FALSE);
}

void THTMLViewer::ScrollTo(int pos, TScrollPaint how) {
    pos = ClampVPos(pos, docHeight_, plan_.PanelHeight);
    const int diff = pos - pos_;
    if (diff == 0) return;
    pos_ = pos;
    vbar_->SetPosition(pos_);
    if (!panel_->HandleAllocated()) {
        PlaceControls();
        return;
    }
    if (how == TScrollPaint::Pixels || (how == TScrollPaint::PixelsForOneLine && std::abs(diff) == VSmallChange)) {
        // The control windows in view move with the pixels; then those that came into view are
        // shown and those that left it hidden. Only the windows that meet the client area are
        // moved: on a page of many controls nearly all of them are hidden out of view, and
        // moving those too cost more than the whole scroll.
        RECT client;
        GetClientRect(panel_->Handle(), &client);
        ScrollWindowEx(panel_->Handle(), 0, -diff, &client, nullptr, nullptr, nullptr, SW_INVALIDATE | SW_SCROLLCHILDREN);
        PlaceControls();
        UpdateWindow(panel_->Handle());
    } else {
        PlaceControls();
        InvalidatePanel();
    }
}

void THTMLViewer::SetPosition(int pos) { ScrollTo(pos, TScrollPaint::Repaint); }

void THTMLViewer::SetHScrollPosition(int pos) {
    pos = ClampHPos(pos, plan_.HMax, plan_.PanelWidth);
    if (pos == hpos_) return;
    hpos_ = pos;
    hbar_->SetPosition(hpos_);
    PlaceControls();
    InvalidatePanel();
}

void THTMLViewer::ScrollBarMessage(bool vertical, int code) {
    if (CanFocus()) SetFocus();
    if (!vertical) {
        int p = hpos_;
        switch (code) {
        case SB_LINELEFT: p -= HSmallChange; break;
        case SB_LINERIGHT: p += HSmallChange; break;
        case SB_PAGELEFT: p -= plan_.HLarge; break;
        case SB_PAGERIGHT: p += plan_.HLarge; break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: p = hbar_->TrackPosition(); break;
        case SB_LEFT: p = 0; break;
        case SB_RIGHT: p = plan_.HMax; break;
        default: return;
        }
        SetHScrollPosition(p);
        return;
    }
    int p = pos_;
    switch (code) {
    case SB_LINEUP: p -= VSmallChange; break;
    case SB_LINEDOWN: p += VSmallChange; break;
    case SB_PAGEUP: p -= plan_.VLarge; break;
    case SB_PAGEDOWN: p += plan_.VLarge; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: p = vbar_->TrackPosition(); break;
    case SB_TOP: p = 0; break;
    case SB_BOTTOM: p = docHeight_; break;
    default: return;
    }
    ScrollTo(p, TScrollPaint::Pixels);
}

// ---------------------------------------------------------------- properties

void THTMLViewer::SetViewImages(bool v) {
    if (processing_ || v == viewImages_) return;
    viewImages_ = v;
    // Off: pictures and background are given up; on: the background is fetched again and the
    // images fetch their pictures at the relayout. Either way every image is measured again.
    UpdateImageSources();
    doc_->SetViewImages(v);
    SettingsChanged(true);
    UpdateAnimationTimer();
}

// A colour the page chose stays (the document keeps it as its own); the others follow the
// settings at once.
void THTMLViewer::SetDefBackground(TColor c) {
    settings_.Background = c;
    color_ = c;
    SettingsChanged(false);
}

void THTMLViewer::SetBorderStyle(THTMLBorderStyle s) {
    if (s == borderStyle_) return;
    borderStyle_ = s;
    if (!processing_) Relayout(true);
    InvalidatePanel();
    Invalidate();
}

void THTMLViewer::SetHistoryMaxCount(int n) {
    if (history_.SetMaxCount(n) && OnHistoryChange) OnHistoryChange(this);
}

void THTMLViewer::SetDefFontName(const std::string& name) {
    settings_.SetFontName(name);
    SettingsChanged(true);
}

void THTMLViewer::SetDefPreFontName(const std::string& name) {
    settings_.SetPreFontName(name);
    SettingsChanged(true);
}

void THTMLViewer::SetDefFontSize(int size) {
    settings_.FontSize = ClampFontSize(size);
    SettingsChanged(true);
}

void THTMLViewer::SetDefFontColor(TColor c) {
    settings_.FontColor = c;
    SettingsChanged(false);
}

void THTMLViewer::SetDefHotSpotColor(TColor c) {
    settings_.LinkColor = c;
    SettingsChanged(false);
}

void THTMLViewer::SetDefVisitedLinkColor(TColor c) {
    settings_.VisitedColor = c;
    SettingsChanged(false);
}

void THTMLViewer::SetDefOverLinkColor(TColor c) {
    settings_.HoverColor = c;
    SettingsChanged(false);
}

void THTMLViewer::SetVisitedMaxCount(int n) {
    visited_.SetMaxCount(n);
    if (visited_.MaxCount() == 0) {
        doc_->CheckVisitedLinks([](const std::string&) { return false; });
        InvalidatePanel();
    }
}

void THTMLViewer::SetScrollBars(TScrollStyle s) {
    if (s == scrollBars_) return;
    scrollBars_ = s;
    SettingsChanged(true);
}

void THTMLViewer::SetCharSet(int cs) {
    settings_.CharSet = cs;
    SettingsChanged(true);
}

void THTMLViewer::SetMarginHeight(int v) {
    if (!MarginAccepted(v) || v == marginHeight_) return;
    marginHeight_ = v;
    SettingsChanged(true);
}

void THTMLViewer::SetMarginWidth(int v) {
    if (!MarginAccepted(v) || v == marginWidth_) return;
    marginWidth_ = v;
    SettingsChanged(true);
}

void THTMLViewer::SethtOptions(ThtmlViewerOptions o) {
    // Hover colouring is on with the option, or on a page that asks for it (OLINK). The link
    // style is applied where link runs are measured and drawn, so it holds for the page on show.
    settings_.HoverEnabled = (o & htOverLinksActive) != 0;
    settings_.LinkStyle = (o & htNoLinkUnderline) ? TFontStyles{0} : TFontStyles{fsUnderline};
    options_ = o;
    SettingsChanged(false);
}

// ---------------------------------------------------------------- visited links

std::string THTMLViewer::FullLinkUrl(const std::string& url) const {
    return !url.empty() && url[0] == '#' ? fileName_ + url : url;
}

void THTMLViewer::MarkVisited(const std::string& url) {
    if (!visited_.Add(url)) return;
    bool changed = false;
    for (TFontObj* f : doc_->LinkList)
        if (!f->Visited() && SameText(FullLinkUrl(f->UrlTarget().Url), url)) {
            f->SetVisited(true);
            changed = true;
        }
    if (changed) InvalidatePanel();
}

void THTMLViewer::CheckVisited() {
    doc_->CheckVisitedLinks([this](const std::string& url) { return visited_.Contains(FullLinkUrl(url)); });
}

// ---------------------------------------------------------------- painting

void THTMLViewer::PaintWindow(TCanvas& canvas, const TRect& dirty) {
    canvas.Brush.Style = TBrushStyle::bsSolid;
    canvas.Brush.Color = doc_->Background();
    canvas.FillRect(dirty);
    if (borderStyle_ == THTMLBorderStyle::htNone) return;
    const bool show = borderStyle_ == THTMLBorderStyle::htSingle || (borderStyle_ == THTMLBorderStyle::htFocused && Focused());
    canvas.Brush.Color = show ? clBtnText : doc_->Background();
    canvas.FrameRect(Rect(0, 0, width_, height_));
}

void THTMLViewer::PaintDocument(TCanvas& canvas, const TRect& dirty) {
    if (const TBitmap* bg = doc_->BackgroundBitmap(); bg && !bg->Empty()) {
        // The background picture tiled over the dirty rectangle, moved with the scroll position
        // so that it scrolls with the text.
        const int w = bg->Width(), h = bg->Height();
        const int x0 = -(hpos_ % w), y0 = -(pos_ % h);
        const int firstX = x0 + ((dirty.Left - x0) / w) * w, firstY = y0 + ((dirty.Top - y0) / h) * h;
        canvas.PushClip(dirty);
        for (int y = firstY; y < dirty.Bottom; y += h)
            for (int x = firstX; x < dirty.Right; x += w) canvas.Draw(x, y, *bg);
        canvas.PopClip();
    } else {
        canvas.Brush.Style = TBrushStyle::bsSolid;
        canvas.Brush.Color = doc_->Background();
        canvas.FillRect(dirty);
    }
    doc_->Draw(canvas, dirty, marginWidth_ - hpos_, -pos_);
}

// ---------------------------------------------------------------- mouse

int THTMLViewer::CharIndexAt(int x, int y) {
    TPoint d = ToDocument(x, y);
    int i = doc_->PositionAt(d.x, d.y);
    if (i >= 0) return i;
    // Between or beyond text: the start of the next text below, or the end of the document.
    int end = 0, below = -1;
    doc_->Walk([&](TSectionBase& s) {
        auto* t = dynamic_cast<TSection*>(&s);
        if (!t) return true;
        if (t->Top >= d.y && t->Len() > 0) {
            below = t->StartPos;
            return false;
        }
        end = std::max(end, t->StartPos + t->Len());
        return true;
    });
    return below >= 0 ? below : end;
}

void THTMLViewer::ExtendSelection(int x, int y) {
    int i = CharIndexAt(x, y);
    int b = std::min(anchor_, i), e = std::max(anchor_, i);
    caret_ = i;
    if (b == doc_->SelB && e == doc_->SelE) return;
    doc_->SelB = b, doc_->SelE = e;
    InvalidatePanel();
}

void THTMLViewer::PanelMouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == TMouseButton::mbLeft) {
        if (CanFocus()) SetFocus();
        hotSpotRan_ = false;
        leftDown_ = true;
        clickStarted_ = true;
        SetCapture(panel_->Handle());
        int i = CharIndexAt(x, y);
        anchor_ = caret_ = i;
        const bool had = doc_->SelB != doc_->SelE;
        doc_->SelB = doc_->SelE = i;
        if (had) InvalidatePanel();
    }
    if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void THTMLViewer::PanelMouseMove(TShiftState shift, int x, int y) {
    if (processing_) return;
    TPoint d = ToDocument(x, y);
    TUrlTarget url;
    bool overText = false;
    TImageObj* image = nullptr;
    if (doc_->UpdateHover(d.x, d.y)) InvalidatePanel();
    doc_->GetURL(d.x, d.y, url);
    overText = doc_->PositionAt(d.x, d.y) >= 0;
    image = doc_->ImageAt(d.x, d.y);
    const bool inside = x >= 0 && y >= 0 && x < panel_->Width() && y < panel_->Height();
    if (!url.Empty() && inside) {
        panel_->Cursor = HandCursor;
        if (GetCapture() != panel_->Handle()) SetCapture(panel_->Handle());
    } else {
        panel_->Cursor = overText ? ThickIBeamCursor : crArrow;
        if (!leftDown_ && GetCapture() == panel_->Handle()) ReleaseCapture();
    }
    if (inside) SetCursor(CursorHandle(panel_->Cursor));
    if (image && OnImageOver) OnImageOver(this, image, shift, d.x - image->DrawX, d.y - image->DrawY);
    if (!inside) url.Clear();
    if (url.Url != linkUrl_) {
        linkUrl_ = url.Url;
        linkTarget_ = url.Target;
        if (OnHotSpotCovered) OnHotSpotCovered(this, linkUrl_);
    }
    if (leftDown_ && !NoSelect) {
        ExtendSelection(x, y);
        // Outside above or below: the auto-scroll loop takes over until the mouse comes back. The
        // loop pumps messages, so moves while it runs must not start another one inside it.
        if ((y < 0 || y >= panel_->Height()) && !autoScrollPosted_ && !autoScrolling_ && HandleAllocated()) {
            autoScrollPosted_ = true;
            PostMessageA(handle_, WM_HTMLAUTOSCROLL, 0, 0);
        }
    }
    if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

void THTMLViewer::PanelMouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TPoint d = ToDocument(x, y);
    if (OnImageClick)
        if (TImageObj* image = doc_->ImageAt(d.x, d.y))
            OnImageClick(this, image, button, shift, d.x - image->DrawX, d.y - image->DrawY);
    if (button == TMouseButton::mbRight && OnRightClick) {
        TRightClickParameters p;
        TUrlTarget url;
        doc_->GetURL(d.x, d.y, url);
        p.URL = url.Url, p.Target = url.Target;
        if ((p.Image = doc_->ImageAt(d.x, d.y))) p.ImageX = d.x - p.Image->DrawX, p.ImageY = d.y - p.Image->DrawY;
        int i = CharIndexAt(x, y);
        if (TSection* s = doc_->TextSectionAt(i)) {
            int b = 0, e = 0;
            WordAround(s->Buff, i - s->StartPos, b, e);
            p.ClickWord = s->Buff.substr(static_cast<size_t>(b), static_cast<size_t>(e - b));
        }
        OnRightClick(this, p);
    }
    if (button == TMouseButton::mbLeft) {
        const bool wasDown = leftDown_;
        leftDown_ = false;
        if (GetCapture() == panel_->Handle()) ReleaseCapture();
        if (wasDown && clickStarted_ && doc_->SelB == doc_->SelE) {
            // An image input submits its form with the click's place in the picture.
            if (TImageFormControlObj* input = htmlforms::ImageInputFor(*doc_, doc_->ImageAt(d.x, d.y))) {
                clickStarted_ = false;
                input->ImageClicked(d.x - input->Image->DrawX, d.y - input->Image->DrawY);
                if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
                return;
            }
            TUrlTarget url;
            doc_->GetURL(d.x, d.y, url);
            clickStarted_ = false;
            if (!url.Empty()) {
                linkUrl_ = url.Url, linkTarget_ = url.Target;
                std::shared_ptr<bool> alive = alive_;
                HotSpotAction(url);
                if (!*alive) return; // a handler freed the viewer
            }
        }
        clickStarted_ = false;
    }
    if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

void THTMLViewer::PanelDblClick(TShiftState shift, int x, int y) {
    if (!processing_ && !hotSpotRan_ && !NoSelect) {
        int i = CharIndexAt(x, y);
        if (TSection* s = doc_->TextSectionAt(i)) {
            int local = i - s->StartPos;
            // The word is searched within the line that holds the character.
            int ls = 0, le = s->Len();
            for (const LineRec& line : s->Lines)
                if (local >= line.Start && local < line.Start + line.Ln) ls = line.Start, le = line.Start + line.Ln;
            std::string_view text(s->Buff.data() + ls, static_cast<size_t>(le - ls));
            int b = 0, e = 0;
            WordAround(text, local - ls, b, e);
            // The point may round to the character after the word's last one.
            if (b == e && local > ls) WordAround(text, local - ls - 1, b, e);
            if (b < e) {
                doc_->SelB = s->StartPos + ls + b, doc_->SelE = s->StartPos + ls + e;
                anchor_ = doc_->SelB, caret_ = doc_->SelE;
                InvalidatePanel();
            }
        }
    }
    if (OnMouseDouble) OnMouseDouble(this, TMouseButton::mbLeft, shift, x, y);
}

void THTMLViewer::RunAutoScroll() {
    autoScrollPosted_ = false;
    if (autoScrolling_) return; // a message posted before the loop started
    autoScrolling_ = true;
    std::shared_ptr<bool> alive = alive_;
    auto end = ScopeExit([this, alive] {
        if (*alive) autoScrolling_ = false;
    });
    // Ends when the button is released, the mouse comes back, or the panel loses the mouse.
    while (*alive && leftDown_ && panel_->HandleAllocated() && GetCapture() == panel_->Handle()) {
        POINT pt;
        GetCursorPos(&pt);
        ::ScreenToClient(panel_->Handle(), &pt);
        const int h = panel_->Height();
        if (pt.y >= 0 && pt.y < h) break;
        const int outside = pt.y < 0 ? -pt.y : pt.y - h + 1;
        const int step = AutoScrollStep(outside);
        ScrollTo(pt.y < 0 ? pos_ - step : pos_ + step, TScrollPaint::Repaint);
        ExtendSelection(pt.x, pt.y < 0 ? 0 : h - 1);
        UpdateWindow(panel_->Handle());
        PumpFor(100, [&] { return !*alive || !leftDown_; });
    }
}

// ---------------------------------------------------------------- links

void THTMLViewer::HotSpotAction(const TUrlTarget& url) {
    hotSpotRan_ = true;
    if (OnHotSpotClick) {
        bool handled = false;
        OnHotSpotClick(this, url.Url, handled);
        if (handled) return;
    }
    const std::string& src = url.Url;
    if (!src.empty() && src[0] == '#') {
        const THistoryEntry previous = CurrentEntry();
        if (JumpTo(src)) EnterHistory(previous);
        return;
    }
    std::string name, anchor;
    SplitAnchor(src, name, anchor);
    const std::string file = LinkToFileName(name, serverRoot_, base_, fileName_);
    const std::string ext = UpperExt(file);
    if (IsHtmlExt(ext)) {
        if (SameText(file, fileName_) && loadKind_ == TLoadKind::lkHtml) {
            const THistoryEntry previous = CurrentEntry();
            if (!anchor.empty()) JumpTo(anchor);
            EnterHistory(previous);
        } else {
            LoadFile(anchor.empty() ? file : file + "#" + anchor);
        }
        MarkVisited(src);
    } else if (IsImageExt(ext)) {
        LoadPicture(file);
    }
}

// ---------------------------------------------------------------- selection

int THTMLViewer::SelStart() const { return doc_->SelB; }
int THTMLViewer::SelLength() const { return doc_->SelE - doc_->SelB; }
std::string THTMLViewer::SelText() { return doc_->GetSelectedText(); }

// ---------------------------------------------------------------- forms

void THTMLViewer::SubmitForm(const std::string& action, const std::string& target, const std::string& encType,
                             const std::string& method, std::unique_ptr<TStringList> results) {
    if (!OnFormSubmit) return;
    submits_.push_back(TPendingSubmit{action, target, encType, method, std::move(results)});
    if (HandleAllocated()) PostMessageA(handle_, WM_HTMLFORMSUBMIT, 0, 0);
}

void THTMLViewer::DeliverFormSubmits() {
    std::vector<TPendingSubmit> pending;
    pending.swap(submits_);
    for (auto& s : pending)
        if (OnFormSubmit) OnFormSubmit(this, s.Action, s.Target, s.EncType, s.Method, std::move(s.Results));
}

void THTMLViewer::ControlFocused(int controlTop, int controlHeight) {
    SetPosition(PositionForFocusedControl(pos_, plan_.PanelHeight, controlTop, controlHeight));
}

// ---------------------------------------------------------------- messages

bool THTMLViewer::WndProc(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
    case WM_GETDLGCODE: result = DLGC_WANTARROWS; return true;
    case WM_VSCROLL:
    case WM_HSCROLL:
        if (reinterpret_cast<HWND>(lParam) == (msg == WM_VSCROLL ? vbar_ : hbar_)->Handle()) {
            ScrollBarMessage(msg == WM_VSCROLL, LOWORD(wParam));
            result = 0;
            return true;
        }
        return false;
    case WM_KEYDOWN: {
        unsigned key = static_cast<unsigned>(wParam);
        if (OnKeyDown) {
            OnKeyDown(this, key, GetKeyState(VK_SHIFT) < 0 ? TShiftState{ssShift} : TShiftState{0});
            if (key == 0) return result = 0, true;
        }
        switch (key) {
        // A move of exactly one line scrolls the pixels and paints only the uncovered strip.
        case VK_PRIOR: ScrollTo(pos_ - plan_.VLarge, TScrollPaint::PixelsForOneLine); break;
        case VK_NEXT: ScrollTo(pos_ + plan_.VLarge, TScrollPaint::PixelsForOneLine); break;
        case VK_HOME: ScrollTo(0, TScrollPaint::PixelsForOneLine); break;
        case VK_END: ScrollTo(docHeight_, TScrollPaint::PixelsForOneLine); break;
        case VK_UP: ScrollTo(pos_ - VSmallChange, TScrollPaint::PixelsForOneLine); break;
        case VK_DOWN: ScrollTo(pos_ + VSmallChange, TScrollPaint::PixelsForOneLine); break;
        case VK_LEFT: SetHScrollPosition(hpos_ - HSmallChange); break;
        case VK_RIGHT: SetHScrollPosition(hpos_ + HSmallChange); break;
        default: return false;
        }
        result = 0;
        return true;
    }
    case WM_KEYUP:
        if (OnKeyUp) {
            unsigned key = static_cast<unsigned>(wParam);
            OnKeyUp(this, key, GetKeyState(VK_SHIFT) < 0 ? TShiftState{ssShift} : TShiftState{0});
        }
        return false;
    case WM_CHAR:
        if (OnKeyPress) {
            char c = static_cast<char>(wParam);
            OnKeyPress(this, c);
        }
        return false;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        if (borderStyle_ == THTMLBorderStyle::htFocused) Invalidate();
        return TWinControl::WndProc(msg, wParam, lParam, result);
    case WM_HTMLFORMSUBMIT:
        DeliverFormSubmits();
        result = 0;
        return true;
    case WM_HTMLAUTOSCROLL:
        RunAutoScroll();
        result = 0;
        return true;
    default: return TWinControl::WndProc(msg, wParam, lParam, result);
    }
}
