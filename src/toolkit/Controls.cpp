#include "toolkit/Controls.h"

#include <windowsx.h>

#include <algorithm>
#include <map>
#include <string>
#include <utility>

#include "toolkit/Application.h"
#include "toolkit/Forms.h"
#include "toolkit/GdiCanvas.h"
#include "toolkit/Menus.h"
#include "toolkit/ScopeExit.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {

const char kControlProp[] = "QuavoryControl";
const char kWindowClass[] = "QuavoryWindow";

std::map<TCursor, HCURSOR>& Cursors() {
    static std::map<TCursor, HCURSOR> cursors;
    return cursors;
}

} // namespace

HINSTANCE ToolkitInstance() { return reinterpret_cast<HINSTANCE>(&__ImageBase); }

namespace {

// Classes registered by this module, and its hidden windows alive, for the unload. Never
// destroyed: hidden windows held by other statics may go after any static destructor.
std::vector<std::string>& RegisteredClasses() {
    static auto* names = new std::vector<std::string>;
    return *names;
}
std::vector<THiddenWindow*>& LiveHiddenWindows() {
    static auto* list = new std::vector<THiddenWindow*>;
    return *list;
}

} // namespace

bool RegisterToolkitClass(const char* className, WNDPROC proc, UINT style, HCURSOR cursor) {
    WNDCLASSA existing{};
    if (GetClassInfoA(ToolkitInstance(), className, &existing)) return true;
    WNDCLASSA wc{};
    wc.style = style;
    wc.lpfnWndProc = proc;
    wc.hInstance = ToolkitInstance();
    wc.hCursor = cursor;
    wc.lpszClassName = className;
    if (!RegisterClassA(&wc)) return false;
    RegisteredClasses().emplace_back(className);
    return true;
}

void UnregisterToolkitClasses() {
    for (const std::string& name : RegisteredClasses()) UnregisterClassA(name.c_str(), ToolkitInstance());
    RegisteredClasses().clear();
}

const char* ToolkitWindowClass() {
    // WM_SETCURSOR picks the control's cursor, so the class has none.
    RegisterToolkitClass(kWindowClass, ToolkitWndProc, CS_DBLCLKS);
    return kWindowClass;
}

THiddenWindow::THiddenWindow(const char* className, WNDPROC proc, bool messageOnly, void* owner, const char* caption) {
    if (!RegisterToolkitClass(className, proc)) return;
    wnd_ = CreateWindowExA(messageOnly ? 0 : WS_EX_TOOLWINDOW, className, caption, WS_POPUP, 0, 0, 0, 0,
                           messageOnly ? HWND_MESSAGE : nullptr, nullptr, ToolkitInstance(), nullptr);
    Adopt(owner);
}

THiddenWindow::THiddenWindow(const char* className, WNDPROC proc, const THelperWindowStyle& style, void* owner) {
    if (!RegisterToolkitClass(className, proc, 0, style.Cursor)) return;
    wnd_ = CreateWindowExA(style.ExStyle, className, "", style.Style, 0, 0, 0, 0, style.OwnerWindow, nullptr, ToolkitInstance(),
                           nullptr);
    Adopt(owner);
}

void THiddenWindow::Adopt(void* owner) {
    if (!wnd_) return;
    SetWindowLongPtrA(wnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owner));
    LiveHiddenWindows().push_back(this);
}

THiddenWindow::THiddenWindow(THiddenWindow&& other) noexcept { *this = std::move(other); }

THiddenWindow& THiddenWindow::operator=(THiddenWindow&& other) noexcept {
    if (this == &other) return *this;
    Reset();
    wnd_ = other.wnd_;
    other.wnd_ = nullptr;
    auto& live = LiveHiddenWindows();
    std::replace(live.begin(), live.end(), &other, this);
    return *this;
}

void THiddenWindow::Reset() {
    if (!wnd_) return;
    auto& live = LiveHiddenWindows();
    live.erase(std::remove(live.begin(), live.end(), this), live.end());
    HWND wnd = wnd_;
    wnd_ = nullptr;
    SetWindowLongPtrA(wnd, GWLP_USERDATA, 0);
    if (IsWindow(wnd)) DestroyWindow(wnd); // an owned pop-up may have gone with its owner window
}

void* THiddenWindow::Owner(HWND wnd) { return reinterpret_cast<void*>(GetWindowLongPtrA(wnd, GWLP_USERDATA)); }

void THiddenWindow::DestroyAll() {
    while (!LiveHiddenWindows().empty()) LiveHiddenWindows().back()->Reset();
}

void RegisterCursor(TCursor id, HCURSOR cursor) { Cursors()[id] = cursor; }

namespace {
TCursor g_screenCursor = crDefault;
} // namespace

TCursor ScreenCursor() { return g_screenCursor; }

void SetScreenCursor(TCursor cursor) {
    if (cursor == g_screenCursor) return;
    g_screenCursor = cursor;
    if (cursor != crDefault) {
        SetCursor(CursorHandle(cursor));
        return;
    }
    // Back to the controls' own cursors: ask the window under the mouse, as a mouse move would.
    POINT pt;
    GetCursorPos(&pt);
    HWND wnd = WindowFromPoint(pt);
    if (wnd && GetWindowThreadProcessId(wnd, nullptr) == GetCurrentThreadId()) {
        LRESULT hit = SendMessageA(wnd, WM_NCHITTEST, 0, MAKELPARAM(pt.x, pt.y));
        if (!SendMessageA(wnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(wnd), MAKELPARAM(hit, WM_MOUSEMOVE)))
            SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    } else {
        SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    }
}

TBusyCursor::TBusyCursor() : saved_(g_screenCursor) { SetScreenCursor(crHourGlass); }

TBusyCursor::~TBusyCursor() { SetScreenCursor(saved_); }

HCURSOR CursorHandle(TCursor id) {
    auto it = Cursors().find(id);
    if (it != Cursors().end()) return it->second;
    const char* stock = IDC_ARROW;
    switch (id) {
    case crCross: stock = IDC_CROSS; break;
    case crIBeam: stock = IDC_IBEAM; break;
    case crSizeNESW: stock = IDC_SIZENESW; break;
    case crSizeNS: stock = IDC_SIZENS; break;
    case crSizeNWSE: stock = IDC_SIZENWSE; break;
    case crSizeWE: stock = IDC_SIZEWE; break;
    case crHourGlass: stock = IDC_WAIT; break;
    case crNo: stock = IDC_NO; break;
    case crHandPoint: stock = IDC_HAND; break;
    case crSizeAll: stock = IDC_SIZEALL; break;
    default: break;
    }
    return LoadCursorA(nullptr, stock);
}

TMouseButton MouseButtonOf(UINT msg) {
    switch (msg) {
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK: return TMouseButton::mbRight;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MBUTTONDBLCLK: return TMouseButton::mbMiddle;
    default: return TMouseButton::mbLeft;
    }
}

TShiftState ShiftStateFromKeys(WPARAM keys) {
    TShiftState s = 0;
    if (keys & MK_SHIFT) s |= ssShift;
    if (keys & MK_CONTROL) s |= ssCtrl;
    if (keys & MK_LBUTTON) s |= ssLeft;
    if (keys & MK_RBUTTON) s |= ssRight;
    if (keys & MK_MBUTTON) s |= ssMiddle;
    if (GetKeyState(VK_MENU) < 0) s |= ssAlt;
    return s;
}

// ---------------------------------------------------------------- TControl

TControl::TControl(TComponent* owner) : TComponent(owner) {
    font_.Name = "MS Sans Serif";
    font_.Height = -11;
}

TControl::~TControl() {
    if (parent_) parent_->RemoveControl(this);
}

void TControl::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove && component == PopupMenu) PopupMenu = nullptr;
}

void TControl::SetParent(TWinControl* parent) {
    if (parent == parent_) return;
    if (parent_) {
        Invalidate();
        parent_->RemoveControl(this);
    }
    parent_ = parent;
    if (parent_) {
        parent_->InsertControl(this);
        if (parentFont_) ParentFontChanged(parent_->Font());
        Invalidate();
    }
}

void TControl::SetBounds(int left, int top, int width, int height) {
    if (left == left_ && top == top_ && width == width_ && height == height_) return;
    Invalidate();
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    Invalidate();
    BoundsChanged();
    RealignParent();
}

void TControl::SetAlign(TAlign a) {
    if (a == align_) return;
    align_ = a;
    RealignParent();
}

void TControl::RealignParent() {
    if (align_ != TAlign::alNone && parent_) parent_->AlignControls();
}

bool TControl::Showing() const {
    if (!visible_) return false;
    if (parent_) return parent_->Showing();
    // A top-level window shows when the platform says it does.
    auto* w = dynamic_cast<const TWinControl*>(this);
    return w && w->HandleAllocated() && IsWindowVisible(w->handle_);
}

void TControl::SetVisible(bool v) {
    if (v == visible_) return;
    visible_ = v;
    if (parent_ && parent_->HandleAllocated()) {
        RECT r{left_, top_, left_ + width_, top_ + height_};
        InvalidateRect(parent_->Handle(), &r, FALSE);
    }
    RealignParent();
}

void TControl::SetEnabled(bool v) {
    if (v == enabled_) return;
    enabled_ = v;
    Invalidate();
}

void TControl::SetCaption(const std::string& s) {
    if (s == caption_) return;
    caption_ = s;
    CaptionChanged();
    Invalidate();
}

void TControl::SetFont(const TFont& f) {
    parentFont_ = false;
    if (f == font_) return;
    font_ = f;
    FontChanged();
    Invalidate();
}

void TControl::SetParentFont(bool v) {
    parentFont_ = v;
    if (v && parent_) ParentFontChanged(parent_->Font());
}

void TControl::ParentFontChanged(const TFont& f) {
    if (!parentFont_ || f == font_) return;
    font_ = f;
    FontChanged();
    if (auto* w = dynamic_cast<TWinControl*>(this)) {
        w->ApplyFont();
        for (TControl* c : w->controls_) c->ParentFontChanged(font_);
    }
    Invalidate();
}

void TControl::SetColor(TColor c) {
    if (c == color_) return;
    color_ = c;
    Invalidate();
}

void TControl::Invalidate() {
    paintFailed_ = false;
    if (!visible_ || !parent_ || !parent_->HandleAllocated()) return;
    RECT r{left_, top_, left_ + width_, top_ + height_};
    InvalidateRect(parent_->Handle(), &r, FALSE);
}

void TControl::Repaint() {
    Invalidate();
    if (parent_ && parent_->HandleAllocated()) UpdateWindow(parent_->Handle());
}

void TControl::Click() {
    if (OnClick) OnClick(this);
}

void TControl::DblClick() {
    if (OnDblClick) OnDblClick(this);
}

void TControl::BringToFront() {
    if (!parent_) return;
    auto& list = parent_->controls_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    list.push_back(this);
    if (auto* w = dynamic_cast<TWinControl*>(this); w && w->HandleAllocated())
        SetWindowPos(w->handle_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    Invalidate();
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState shift, int x, int y) {
    if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

TPoint TControl::ClientToScreen(TPoint p) const {
    if (auto* w = dynamic_cast<const TWinControl*>(this); w && w->HandleAllocated()) {
        POINT q{p.x, p.y};
        ::ClientToScreen(w->handle_, &q);
        return TPoint{q.x, q.y};
    }
    if (parent_) return parent_->ClientToScreen(TPoint{p.x + left_, p.y + top_});
    return p;
}

TPoint TControl::ScreenToClient(TPoint p) const {
    if (auto* w = dynamic_cast<const TWinControl*>(this); w && w->HandleAllocated()) {
        POINT q{p.x, p.y};
        ::ScreenToClient(w->handle_, &q);
        return TPoint{q.x, q.y};
    }
    if (parent_) {
        TPoint q = parent_->ScreenToClient(p);
        return TPoint{q.x - left_, q.y - top_};
    }
    return p;
}

// ---------------------------------------------------------------- TWinControl

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {}

TWinControl::~TWinControl() {
    // Children that are not owned through the component tree still lose their parent here.
    for (TControl* c : std::vector<TControl*>(controls_)) c->parent_ = nullptr;
    controls_.clear();
    DestroyWnd();
}

void TWinControl::InsertControl(TControl* c) {
    controls_.push_back(c);
    if (c->align_ != TAlign::alNone) AlignControls();
    if (auto* w = dynamic_cast<TWinControl*>(c)) {
        if (HandleAllocated()) {
            if (w->HandleAllocated())
                ::SetParent(w->handle_, handle_);
            else if (w->visible_)
                w->CreateWnd();
        }
    }
}

void TWinControl::RemoveControl(TControl* c) {
    controls_.erase(std::remove(controls_.begin(), controls_.end(), c), controls_.end());
    if (mouseCapture_ == c) mouseCapture_ = nullptr;
    if (mouseOver_ == c) mouseOver_ = nullptr;
    if (auto* w = dynamic_cast<TWinControl*>(c); w && w->HandleAllocated() && !Destroying()) w->DestroyWnd();
}

TWinControl* TWinControl::FromHandle(HWND wnd) {
    if (!wnd) return nullptr;
    return static_cast<TWinControl*>(GetPropA(wnd, kControlProp));
}

HWND TWinControl::Handle() {
    if (!handle_) CreateWnd();
    return handle_;
}

void TWinControl::CreateParams(TCreateParams& params) {
    params.Style = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    if (visible_) params.Style |= WS_VISIBLE;
    if (!enabled_) params.Style |= WS_DISABLED;
    if (TabStop) params.Style |= WS_TABSTOP;
    params.ParentWindow = parent_ ? parent_->Handle() : nullptr;
}

void TWinControl::CreateWnd() {
    if (handle_) return;
    TCreateParams p;
    CreateParams(p);
    if ((p.Style & WS_CHILD) && !p.ParentWindow) return; // created when it gets a parent
    const bool own = p.ClassName.empty() || p.ToolkitClass;
    if (p.ToolkitClass) RegisterToolkitClass(p.ClassName.c_str(), ToolkitWndProc, CS_DBLCLKS);
    const char* cls = p.ClassName.empty() ? ToolkitWindowClass() : p.ClassName.c_str();
    HWND wnd = CreateWindowExA(p.ExStyle, cls, caption_.c_str(), p.Style, left_, top_, width_, WindowHeight(height_),
                               p.ParentWindow, nullptr, ToolkitInstance(), own ? this : nullptr);
    if (!wnd) throw EOutOfResources("Error creating window");
    if (!own) {
        handle_ = wnd;
        SetPropA(wnd, kControlProp, this);
        defProc_ = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ToolkitWndProc)));
    }
    KeepCreationOrder();
    ApplyFont();
    WindowCreated();
    // A hidden child gets its window when it is first shown or its handle is asked for, which
    // keeps start-up to the windows seen at first paint.
    for (TControl* c : controls_)
        if (auto* w = dynamic_cast<TWinControl*>(c); w && w->visible_) w->CreateWnd();
    AlignControls();
}

void TWinControl::KeepCreationOrder() {
    if (!parent_ || !(GetWindowLongA(handle_, GWL_STYLE) & WS_CHILD)) return;
    const std::vector<TControl*>& siblings = parent_->controls_;
    auto self = std::find(siblings.begin(), siblings.end(), this);
    if (self == siblings.end()) return;
    auto windowOf = [](TControl* c) {
        auto* w = dynamic_cast<TWinControl*>(c);
        return w ? w->handle_ : nullptr;
    };
    // Only a window made after a later sibling's needs moving; windows made in order stack the
    // platform's way for new children.
    if (std::none_of(self + 1, siblings.end(), windowOf)) return;
    HWND previous = nullptr;
    for (auto it = siblings.begin(); it != self; ++it)
        if (HWND h = windowOf(*it)) previous = h;
    const bool newOnTop = GetWindow(handle_, GW_HWNDPREV) == nullptr;
    HWND insertAfter;
    if (!newOnTop) // earlier siblings lie above later ones: just below the previous one
        insertAfter = previous ? previous : HWND_TOP;
    else if (!previous) // later siblings lie above earlier ones: below all of them
        insertAfter = HWND_BOTTOM;
    else // just above the previous one
        insertAfter = GetWindow(previous, GW_HWNDPREV) ? GetWindow(previous, GW_HWNDPREV) : HWND_TOP;
    SetWindowPos(handle_, insertAfter, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOREDRAW);
}

void TWinControl::DestroyWnd() {
    if (!handle_) return;
    HWND wnd = handle_;
    DestroyWindow(wnd); // WM_NCDESTROY clears handle_
    handle_ = nullptr;
}

void TWinControl::ApplyFont() {
    if (!handle_) return;
    TGdiObject<HFONT> f(CreateFontHandle(font_));
    SendMessageA(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(f.Get()), TRUE);
    fontHandle_ = std::move(f);
}

void TWinControl::SetBounds(int left, int top, int width, int height) {
    if (left == left_ && top == top_ && width == width_ && height == height_) return;
    const bool moveOnly = width == width_ && height == height_;
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    if (moveOnly && handle_) // a move leaves the size alone: no WM_SIZE, no new layout inside
        SetWindowPos(handle_, nullptr, left_, top_, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    else
        ApplyBounds();
    BoundsChanged();
    // With a window, its WM_SIZE aligns the children.
    if (!handle_) AlignControls();
    RealignParent();
}

void TWinControl::AlignControls() {
    if (aligning_ || std::none_of(controls_.begin(), controls_.end(), [](TControl* c) { return c->align_ != TAlign::alNone; }))
        return;
    aligning_ = true;
    auto done = ScopeExit([this] { aligning_ = false; });
    const std::vector<TControl*> children(controls_);
    std::vector<TAlignItem> items;
    items.reserve(children.size());
    for (TControl* c : children) items.push_back({c->align_, c->visible_, c->BoundsRect()});
    const std::vector<TRect> boxes = AlignBounds(ClientRect(), items);
    for (size_t i = 0; i < children.size(); ++i)
        if (items[i].Align != TAlign::alNone && items[i].Visible)
            children[i]->SetBounds(boxes[i].Left, boxes[i].Top, boxes[i].Width(), boxes[i].Height());
}

void TWinControl::ApplyBounds() {
    if (handle_) MoveWindow(handle_, left_, top_, width_, WindowHeight(height_), TRUE);
}

void TWinControl::UpdateBounds() {
    if (!handle_) return;
    RECT r;
    GetWindowRect(handle_, &r);
    if (HWND p = GetParent(handle_); p && (GetWindowLongA(handle_, GWL_STYLE) & WS_CHILD))
        MapWindowPoints(nullptr, p, reinterpret_cast<POINT*>(&r), 2);
    left_ = r.left;
    top_ = r.top;
    width_ = r.right - r.left;
    height_ = r.bottom - r.top;
}

TRect TWinControl::ClientRect() const {
    if (!handle_) return Rect(0, 0, width_, height_);
    RECT r;
    GetClientRect(handle_, &r);
    return Rect(r.left, r.top, r.right, r.bottom);
}

void TWinControl::SetVisible(bool v) {
    if (v == visible_) return;
    visible_ = v;
    if (handle_)
        ShowWindow(handle_, v ? SW_SHOWNA : SW_HIDE);
    else if (v && parent_ && parent_->HandleAllocated())
        CreateWnd(); // made visible
    RealignParent();
}

void TWinControl::SetEnabled(bool v) {
    if (v == enabled_) return;
    enabled_ = v;
    if (handle_) EnableWindow(handle_, v);
}

void TWinControl::SetCaption(const std::string& s) {
    if (s == caption_) return;
    caption_ = s;
    if (handle_) SetWindowTextA(handle_, s.c_str());
    CaptionChanged();
    Invalidate();
}

void TWinControl::SetFont(const TFont& f) {
    parentFont_ = false;
    if (f == font_) return;
    font_ = f;
    ApplyFont();
    FontChanged();
    for (TControl* c : controls_) c->ParentFontChanged(font_);
    Invalidate();
}

void TWinControl::SetColor(TColor c) {
    if (c == color_) return;
    color_ = c;
    Invalidate();
}

void TWinControl::Invalidate() {
    paintFailed_ = false;
    if (handle_) InvalidateRect(handle_, nullptr, TRUE);
}

void TWinControl::Repaint() {
    if (handle_) {
        InvalidateRect(handle_, nullptr, TRUE);
        UpdateWindow(handle_);
    }
}

void TWinControl::SetFocus() {
    if (Handle()) ::SetFocus(handle_);
}

bool TWinControl::Focused() const { return handle_ && GetFocus() == handle_; }

bool TWinControl::CanFocus() const { return handle_ && IsWindowVisible(handle_) && IsWindowEnabled(handle_); }

TControl* TWinControl::ControlAtPos(int x, int y) const {
    for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
        TControl* c = *it;
        if (c->IsWindowed() || !c->Visible()) continue;
        if (c->BoundsRect().Contains(TPoint{x, y}) && c->HitTest(x - c->Left(), y - c->Top())) return c;
    }
    return nullptr;
}

void TWinControl::PaintControls(TCanvas& canvas, const TRect& dirty) {
    for (TControl* c : controls_) {
        if (c->IsWindowed() || !c->Visible()) continue;
        TRect r = c->BoundsRect();
        if (IntersectRect(r, dirty).IsEmpty()) continue;
        canvas.PushClip(r);
        canvas.PushOrigin(r.Left, r.Top); // the control paints in its own coordinates
        {
            // Each control draws with fresh tools, as on a canvas of its own.
            TFont font = canvas.Font;
            TPen pen = canvas.Pen;
            TBrush brush = canvas.Brush;
            // A control whose painting raised shows one error box and stays blank until it
            // changes, rather than raising again with every repaint (the box itself causes one).
            if (!c->paintFailed_) {
                c->paintFailed_ = true;
                GuardedCall([&] {
                    c->Paint(canvas);
                    c->paintFailed_ = false;
                });
            }
            canvas.Font = font;
            canvas.Pen = pen;
            canvas.Brush = brush;
        }
        canvas.PopOrigin();
        canvas.PopClip();
    }
}

void TWinControl::PaintWindow(TCanvas& canvas, const TRect& dirty) {
    canvas.Brush.Color = color_;
    canvas.Brush.Style = TBrushStyle::bsSolid;
    canvas.FillRect(dirty);
    PaintControls(canvas, dirty);
}

bool TWinControl::ReflectedMessage(UINT msg, WPARAM, LPARAM, LRESULT& result) {
    switch (msg) {
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
        // Handled by the parent's dispatcher below, which has the DC.
        (void)result;
        return false;
    default: return false;
    }
}

void TWinControl::NotifyFocusChanged(TWinControl* root, TWinControl* gaining) {
    root->FocusChangedInWindow(gaining);
    for (TControl* c : std::vector<TControl*>(root->controls_))
        if (auto* w = dynamic_cast<TWinControl*>(c)) NotifyFocusChanged(w, gaining);
}

LRESULT TWinControl::DefaultHandler(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (defProc_) return CallWindowProcA(defProc_, handle_, msg, wParam, lParam);
    return DefWindowProcA(handle_, msg, wParam, lParam);
}

bool TWinControl::WmPaint(LRESULT& result) {
    if (!OwnWindow()) return false;
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(handle_, &ps);
    TRect client = ClientRect();
    TRect dirty = Rect(ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right, ps.rcPaint.bottom);
    if (!client.IsEmpty()) {
        // Painted off-screen and copied in one go: no flicker from overlapping controls.
        TOffscreen off(dc, client.Width(), client.Height());
        {
            TGdiCanvas canvas(off.DC());
            canvas.Font = font_;
            // A paint that raises must still end the paint cycle (EndPaint below), or the window
            // would ask to be painted again at once, for ever; after one error box the window
            // shows its plain background until it is invalidated.
            canvas.Brush.Color = color_;
            canvas.FillRect(dirty);
            if (!paintFailed_) {
                paintFailed_ = true;
                GuardedCall([&] {
                    PaintWindow(canvas, dirty);
                    paintFailed_ = false;
                });
            }
        }
        BitBlt(dc, dirty.Left, dirty.Top, dirty.Width(), dirty.Height(), off.DC(), dirty.Left, dirty.Top, SRCCOPY);
    }
    EndPaint(handle_, &ps);
    result = 0;
    return true;
}

bool TWinControl::WmChildColor(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    HWND child = reinterpret_cast<HWND>(lParam);
    TWinControl* c = FromHandle(child);
    if (!c || c == this) return false;
    if (c->ReflectedMessage(msg, wParam, lParam, result)) return true;
    if (msg == WM_COMMAND) return false;
    // Default colours: the child's own colour and font colour.
    HDC dc = reinterpret_cast<HDC>(wParam);
    SetTextColor(dc, static_cast<COLORREF>(ColorToRGB(c->Font().Color)));
    SetBkColor(dc, static_cast<COLORREF>(ColorToRGB(c->Color())));
    if (!c->brush_ || c->brushColor_ != c->Color()) {
        c->brush_.Reset(CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(c->Color()))));
        c->brushColor_ = c->Color();
    }
    result = reinterpret_cast<LRESULT>(c->brush_.Get());
    return true;
}

bool TWinControl::WmSetCursor(WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (ScreenCursor() != crDefault) {
        // A busy cursor set for the whole screen wins over every control's own.
        SetCursor(CursorHandle(ScreenCursor()));
        result = TRUE;
        return true;
    }
    if (reinterpret_cast<HWND>(wParam) != handle_ || LOWORD(lParam) != HTCLIENT) return false;
    POINT pt;
    GetCursorPos(&pt);
    ::ScreenToClient(handle_, &pt);
    TControl* c = OwnWindow() ? ControlAtPos(pt.x, pt.y) : nullptr;
    TCursor cur = c && c->Cursor != crDefault ? c->Cursor : Cursor;
    if (cur == crDefault) {
        if (!OwnWindow()) return false;
        cur = crArrow;
    }
    SetCursor(CursorHandle(cur));
    result = TRUE;
    return true;
}

bool TWinControl::WmMouse(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    const bool own = OwnWindow();
    int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
    TShiftState shift = ShiftStateFromKeys(wParam);
    TMouseButton button = MouseButtonOf(msg);
    TControl* target = mouseCapture_ ? mouseCapture_ : (own ? ControlAtPos(x, y) : nullptr);
    TControl* who = target ? target : this;
    int cx = target ? x - target->Left() : x, cy = target ? y - target->Top() : y;
    switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        if (target && msg == WM_LBUTTONDOWN) {
            mouseCapture_ = target;
            SetCapture(handle_);
        }
        if (who->Enabled()) who->MouseDown(button, shift, cx, cy);
        break;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
        if (msg == WM_LBUTTONUP && mouseCapture_) {
            mouseCapture_ = nullptr;
            if (GetCapture() == handle_) ReleaseCapture();
        }
        if (!who->Enabled()) break;
        who->MouseUp(button, shift, cx, cy);
        if (msg == WM_LBUTTONUP && target && Rect(0, 0, target->Width(), target->Height()).Contains(TPoint{cx, cy}))
            target->Click();
        break;
    case WM_LBUTTONDBLCLK:
        if (who->Enabled()) who->DblClick();
        break;
    case WM_MOUSEMOVE: who->MouseMove(shift, cx, cy); break;
    default: break;
    }
    // The right button's release goes on to the default procedure, which turns it into
    // WM_CONTEXTMENU: the one road to a pop-up menu.
    if (!own || msg == WM_RBUTTONUP) return false;
    result = 0;
    return true;
}

bool TWinControl::WmContextMenu(WPARAM wParam, LPARAM lParam, LRESULT& result) {
    // wParam is the window the click was in: this one, or a child of ours that had no menu of its
    // own and passed the message up. lParam is the screen point, or -1 from the keyboard.
    TControl* target = this;
    POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    if (static_cast<DWORD>(lParam) == 0xFFFFFFFFu) {
        TPoint p = ClientToScreen(TPoint{width_ / 2, height_ / 2});
        pt = POINT{p.x, p.y};
    } else if (reinterpret_cast<HWND>(wParam) == handle_ && OwnWindow()) {
        TPoint client = ScreenToClient(TPoint{pt.x, pt.y});
        if (TControl* c = ControlAtPos(client.x, client.y)) target = c;
    }
    TPopupMenu* menu = target->PopupMenu ? target->PopupMenu : PopupMenu;
    if (!menu) return false; // the default: a child passes it up, a top-level window shows its system menu
    menu->PopupComponent = target;
    menu->FreeNotification(target); // the control may go before the menu
    menu->Popup(pt.x, pt.y);
    result = 0;
    return true;
}

bool TWinControl::WmNcRightButton(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    // A window dragged from anywhere answers client points as caption hits. A right-click there
    // is still a click on the client area: it opens the pop-up menu, never the system menu.
    if (wParam != HTCAPTION || !OwnWindow()) return false;
    TPoint client = ScreenToClient(TPoint{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
    if (!ClientRect().Contains(client)) return false; // a real caption
    result = 0;
    if (msg == WM_NCRBUTTONUP) WmContextMenu(reinterpret_cast<WPARAM>(handle_), lParam, result);
    return true;
}

bool TWinControl::WndProc(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
    case WM_NCRBUTTONDOWN:
    case WM_NCRBUTTONUP: return WmNcRightButton(msg, wParam, lParam, result);
    case WM_PAINT: return WmPaint(result);
    case WM_ERASEBKGND:
        if (!OwnWindow()) return false;
        result = 1;
        return true;
    case WM_SIZE:
    case WM_MOVE:
        UpdateBounds();
        if (msg == WM_SIZE) {
            AlignControls();
            Resized();
        }
        return false;
    case WM_COMMAND:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN: return WmChildColor(msg, wParam, lParam, result);
    case WM_DRAWITEM: {
        auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        TWinControl* c = dis ? FromHandle(dis->hwndItem) : nullptr;
        if (c && c != this) return c->ReflectedMessage(msg, wParam, lParam, result);
        return false;
    }
    case WM_SETCURSOR: return WmSetCursor(wParam, lParam, result);
    case WM_CONTEXTMENU: return WmContextMenu(wParam, lParam, result);
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_MOUSEMOVE: return WmMouse(msg, wParam, lParam, result);
    case WM_SETFOCUS: {
        // Every windowed control of the same top-level window hears where the focus went.
        TWinControl* top = this;
        while (top->parent_) top = top->parent_;
        NotifyFocusChanged(top, this);
        if (OnEnter) OnEnter(this);
        return false;
    }
    case WM_KILLFOCUS:
        if (OnExit) OnExit(this);
        return false;
    case WM_KEYDOWN:
        if (OnKeyDown) {
            unsigned key = static_cast<unsigned>(wParam);
            OnKeyDown(this, key, GetKeyState(VK_SHIFT) < 0 ? TShiftState{ssShift} : TShiftState{0});
            if (key == 0) {
                result = 0;
                return true;
            }
        }
        return false;
    default: return false;
    }
}

LRESULT TWinControl::Dispatch(UINT msg, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    bool handled = false;
    GuardedCall([&] { handled = WndProc(msg, wParam, lParam, result); });
    HWND wnd = handle_;
    if (!handled) result = DefaultHandler(msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        RemovePropA(wnd, kControlProp);
        if (defProc_) SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(defProc_));
        defProc_ = nullptr;
        handle_ = nullptr;
    }
    return result;
}

LRESULT CALLBACK ToolkitWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    TWinControl* c = TWinControl::FromHandle(wnd);
    if (!c && msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
        c = static_cast<TWinControl*>(cs->lpCreateParams);
        if (c) {
            c->handle_ = wnd;
            SetPropA(wnd, kControlProp, c);
        }
    }
    if (!c) return DefWindowProcA(wnd, msg, wParam, lParam);
    // While the message is handled the form cannot be freed under it (TForm::Release).
    TForm* form = TForm::FormOf(c);
    if (!form) return c->Dispatch(msg, wParam, lParam);
    form->EnterHandler();
    LRESULT result = c->Dispatch(msg, wParam, lParam);
    form->LeaveHandler(); // may free the form (and c): nothing of them is used after
    return result;
}
