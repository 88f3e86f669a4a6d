// The drop-down list control: a closed box the toolkit draws, and an open list in a pop-up window
// of its own, made the first time the list opens. While the list is open the box holds the mouse
// capture, so a click anywhere else closes the list, as the platform's own drop-down list does.
#include <windowsx.h>

#include <algorithm>

#include "toolkit/Application.h"
#include "toolkit/GdiCanvas.h"
#include "toolkit/ScopeExit.h"
#include "toolkit/StdCtrls.h"
#include "toolkit/StdCtrlsDropDown.h"

namespace {

const char kListClass[] = "TComboBoxList";

// The frame of the closed box: a sunken edge two pixels wide all round.
const int kEdge = 2;
// The closed box is a row high plus its frame and the field's margin above and below.
const int kClosedExtra = 2 * kEdge + 4;

TRect ToTRect(const RECT& r) { return Rect(r.left, r.top, r.right, r.bottom); }

} // namespace

TComboBox::TComboBox(TComponent* owner) : TListControl(owner) {
    width_ = 145;
    height_ = 21;
    color_ = clWindow;
    font_.Color = clWindowText;
    TabStop = true;
}

TComboBox::~TComboBox() {
    if (handle_ && GetCapture() == handle_) ReleaseCapture();
}

void TComboBox::CreateParams(TCreateParams& p) {
    TListControl::CreateParams(p);
    p.ClassName = kWindowClassName; // a class of the toolkit's own, found by its name
    p.ToolkitClass = true;
}

int TComboBox::ItemHeight() const {
    if (itemHeight_ > 0) return itemHeight_;
    HDC dc = MeasuringDC();
    TGdiObject<HFONT> f(CreateFontHandle(font_));
    HGDIOBJ old = SelectObject(dc, f.Get());
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    SelectObject(dc, old);
    itemHeight_ = std::max(1, static_cast<int>(tm.tmHeight));
    return itemHeight_;
}

int TComboBox::WindowHeight(int) const { return ItemHeight() + kClosedExtra; }

void TComboBox::FontChanged() {
    itemHeight_ = 0;
    TListControl::FontChanged();
    ApplyBounds(); // the closed box's height follows the font
    if (list_.Handle()) InvalidateRect(list_.Handle(), nullptr, FALSE);
}

void TComboBox::SetDropDownCount(int rows) { dropDownCount_ = rows < 1 ? 1 : rows; }

void TComboBox::SetDroppedDown(bool v) {
    if (v)
        Open();
    else
        CloseUp(false);
}

int TComboBox::Rows() const { return dropdown::VisibleRows(Count(), dropDownCount_); }

TRect TComboBox::DroppedRect() const {
    RECT box{};
    if (handle_) GetWindowRect(handle_, &box);
    const int height = Rows() * ItemHeight() + 2; // and the list's one-pixel border
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    GetMonitorInfoA(MonitorFromRect(&box, MONITOR_DEFAULTTONEAREST), &mi);
    return dropdown::PlaceList(ToTRect(box), box.right - box.left, height, ToTRect(mi.rcWork));
}

void TComboBox::ItemsChanged() {
    if (dropped_) CloseUp(false);
    if (handle_) Invalidate();
}

// ---------------------------------------------------------------- the closed box

void TComboBox::PaintWindow(TCanvas& canvas, const TRect& dirty) {
    (void)dirty;
    auto* gdi = dynamic_cast<TGdiCanvas*>(&canvas);
    if (!gdi) return;
    HDC dc = gdi->Handle();
    const bool enabled = handle_ && IsWindowEnabled(handle_);
    RECT r{0, 0, ClientRect().Width(), ClientRect().Height()};
    DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    canvas.Brush.Style = TBrushStyle::bsSolid;
    canvas.Brush.Color = enabled ? color_ : clBtnFace;
    canvas.FillRect(ToTRect(r));
    RECT button = r;
    button.left = std::max(r.left, r.right - GetSystemMetrics(SM_CXVSCROLL));
    UINT state = DFCS_SCROLLCOMBOBOX;
    if (dropped_ && buttonDown_) state |= DFCS_PUSHED | DFCS_FLAT;
    if (!enabled) state |= DFCS_INACTIVE;
    DrawFrameControl(dc, &button, DFC_SCROLL, state);

    const TRect field = Rect(r.left + 1, r.top + 1, button.left - 1, r.bottom - 1);
    if (field.IsEmpty()) return;
    const bool focused = GetFocus() == handle_ && !dropped_;
    if (focused) {
        canvas.Brush.Color = clHighlight;
        canvas.FillRect(field);
    }
    canvas.Font = font_;
    canvas.Font.Color = !enabled ? clGrayText : focused ? clHighlightText : font_.Color;
    canvas.Brush.Style = TBrushStyle::bsClear;
    canvas.TextRect(field, field.Left + 2, field.Top + (field.Height() - ItemHeight()) / 2, Text());
    if (focused) canvas.DrawFocusRect(field);
}

// ---------------------------------------------------------------- opening and closing

void TComboBox::Open() {
    if (dropped_ || !handle_ || !IsWindowEnabled(handle_) || !IsWindowVisible(handle_)) return;
    if (!list_.Handle()) {
        THelperWindowStyle style;
        style.Style = WS_POPUP | WS_BORDER | WS_VSCROLL;
        style.OwnerWindow = GetAncestor(handle_, GA_ROOT); // stays above the top-level window, goes with it
        style.Cursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        list_ = THiddenWindow(kListClass, ListProc, style, this);
        if (!list_) throw EOutOfResources("Error creating window");
    }
    const int rows = Rows(), count = Count();
    hot_ = ItemIndex();
    top_ = dropdown::TopToShow(top_, hot_, count, rows);
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMin = 0;
    si.nMax = std::max(0, count - 1);
    si.nPage = static_cast<UINT>(rows);
    si.nPos = top_;
    SetScrollInfo(list_.Handle(), SB_VERT, &si, FALSE); // the bar hides itself while every row shows
    SendMessageA(GetParent(handle_), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(handle_), CBN_DROPDOWN),
                 reinterpret_cast<LPARAM>(handle_));
    const TRect place = DroppedRect();
    SetWindowPos(list_.Handle(), HWND_TOP, place.Left, place.Top, place.Width(), place.Height(), SWP_NOACTIVATE | SWP_SHOWWINDOW);
    dropped_ = true;
    SetCapture(handle_);
    Invalidate();
}

void TComboBox::CloseUp(bool take) {
    if (!dropped_) return;
    dropped_ = false; // first: releasing the capture below reports back here
    buttonDown_ = false;
    if (list_.Handle()) ShowWindow(list_.Handle(), SW_HIDE);
    if (handle_ && GetCapture() == handle_) ReleaseCapture();
    if (!handle_) return;
    Invalidate();
    SendMessageA(GetParent(handle_), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(handle_), CBN_CLOSEUP),
                 reinterpret_cast<LPARAM>(handle_));
    if (take && hot_ >= 0 && hot_ != ItemIndex()) PickByUser(hot_);
}

void TComboBox::PickByUser(int index) {
    itemIndex_ = index;
    Invalidate();
    if (handle_)
        SendMessageA(GetParent(handle_), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(handle_), CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(handle_));
}

bool TComboBox::ReflectedMessage(UINT msg, WPARAM wParam, LPARAM, LRESULT&) {
    if (msg == WM_COMMAND && HIWORD(wParam) == CBN_SELCHANGE && OnChange) OnChange(this);
    return false;
}

// ---------------------------------------------------------------- the open list

int TComboBox::RowAtScreenPoint(POINT p) const {
    if (!dropped_ || !list_.Handle()) return -1;
    ::ScreenToClient(list_.Handle(), &p);
    RECT client;
    GetClientRect(list_.Handle(), &client);
    if (!PtInRect(&client, p)) return -1;
    const int row = top_ + p.y / ItemHeight();
    return row < Count() ? row : -1;
}

void TComboBox::SetHot(int row) {
    if (row == hot_) return;
    hot_ = row;
    if (list_.Handle()) InvalidateRect(list_.Handle(), nullptr, FALSE);
}

void TComboBox::ScrollListTo(int top) {
    top = dropdown::ClampTop(top, Count(), Rows());
    if (top == top_) return;
    top_ = top;
    if (!list_.Handle()) return;
    SetScrollPos(list_.Handle(), SB_VERT, top_, TRUE);
    InvalidateRect(list_.Handle(), nullptr, FALSE);
}

void TComboBox::PaintList(HDC dc) {
    RECT client;
    GetClientRect(list_.Handle(), &client);
    if (client.right <= 0 || client.bottom <= 0) return;
    TOffscreen off(dc, client.right, client.bottom);
    {
        TGdiCanvas canvas(off.DC());
        canvas.Font = font_;
        canvas.Brush.Style = TBrushStyle::bsSolid;
        canvas.Brush.Color = color_;
        canvas.FillRect(Rect(0, 0, client.right, client.bottom));
        const int h = ItemHeight();
        for (int i = top_, y = 0; i < Count() && y < client.bottom; ++i, y += h) {
            const TRect row = Rect(0, y, client.right, y + h);
            const bool hot = i == hot_;
            canvas.Brush.Style = TBrushStyle::bsSolid;
            canvas.Brush.Color = hot ? clHighlight : color_;
            canvas.FillRect(row);
            canvas.Font.Color = hot ? clHighlightText : font_.Color;
            canvas.Brush.Style = TBrushStyle::bsClear;
            static_cast<TCanvas&>(canvas).TextRect(row, 2, y, Item(i));
        }
    }
    BitBlt(dc, 0, 0, client.right, client.bottom, off.DC(), 0, 0, SRCCOPY);
}

LRESULT CALLBACK TComboBox::ListProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = static_cast<TComboBox*>(THiddenWindow::Owner(wnd));
    LRESULT result = 0;
    bool handled = false;
    if (self) GuardedCall([&] { handled = self->ListMessage(msg, wParam, lParam, result); });
    return handled ? result : DefWindowProcA(wnd, msg, wParam, lParam);
}

bool TComboBox::ListMessage(UINT msg, WPARAM wParam, LPARAM, LRESULT& result) {
    switch (msg) {
    case WM_MOUSEACTIVATE: result = MA_NOACTIVATE; return true;
    case WM_ERASEBKGND: result = 1; return true;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(list_.Handle(), &ps);
        auto end = ScopeExit([&] { EndPaint(list_.Handle(), &ps); });
        PaintList(dc);
        return true;
    }
    case WM_VSCROLL: {
        const int rows = Rows();
        int top = top_;
        switch (LOWORD(wParam)) {
        case SB_LINEUP: --top; break;
        case SB_LINEDOWN: ++top; break;
        case SB_PAGEUP: top -= rows; break;
        case SB_PAGEDOWN: top += rows; break;
        case SB_TOP: top = 0; break;
        case SB_BOTTOM: top = Count(); break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: {
            SCROLLINFO si{};
            si.cbSize = sizeof si;
            si.fMask = SIF_TRACKPOS;
            GetScrollInfo(list_.Handle(), SB_VERT, &si);
            top = si.nTrackPos;
            break;
        }
        default: break;
        }
        ScrollListTo(top);
        return true;
    }
    default: return false;
    }
}

// ---------------------------------------------------------------- the person's input

bool TComboBox::MouseMessage(UINT msg, LPARAM lParam) {
    POINT sp{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ::ClientToScreen(handle_, &sp);
    switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        if (!dropped_) {
            if (CanFocus()) SetFocus();
            Open();
            buttonDown_ = dropped_;
            Invalidate();
            return true;
        }
        if (int row = RowAtScreenPoint(sp); row >= 0) {
            buttonDown_ = true;
            SetHot(row);
            return true;
        }
        RECT listRect;
        GetWindowRect(list_.Handle(), &listRect);
        if (PtInRect(&listRect, sp)) {
            // The list's scroll bar: the platform tracks it while the capture is let go.
            scrolling_ = true;
            ReleaseCapture();
            SendMessageA(list_.Handle(), WM_NCLBUTTONDOWN,
                         static_cast<WPARAM>(SendMessageA(list_.Handle(), WM_NCHITTEST, 0, MAKELPARAM(sp.x, sp.y))),
                         MAKELPARAM(sp.x, sp.y));
            scrolling_ = false;
            if (dropped_ && handle_) SetCapture(handle_);
            return true;
        }
        CloseUp(false); // on the box itself, or anywhere else
        return true;
    }
    case WM_MOUSEMOVE:
        if (!dropped_) return false;
        if (int row = RowAtScreenPoint(sp); row >= 0) {
            SetHot(row);
        } else if (buttonDown_ && list_.Handle()) { // dragged past the list: it scrolls row by row
            RECT listRect;
            GetWindowRect(list_.Handle(), &listRect);
            if (sp.y < listRect.top && top_ > 0) {
                ScrollListTo(top_ - 1);
                SetHot(top_);
            } else if (sp.y >= listRect.bottom && top_ + Rows() < Count()) {
                ScrollListTo(top_ + 1);
                SetHot(top_ + Rows() - 1);
            }
        }
        return true;
    case WM_LBUTTONUP:
        if (!dropped_) return false;
        if (buttonDown_) {
            buttonDown_ = false;
            if (int row = RowAtScreenPoint(sp); row >= 0) {
                hot_ = row;
                CloseUp(true);
                return true;
            }
            Invalidate(); // the button comes up; the list stays open for a click on a row
        }
        return true;
    default: return false;
    }
}

bool TComboBox::KeyDown(unsigned key, bool alt) {
    if (key == VK_F4 || (alt && (key == VK_DOWN || key == VK_UP))) {
        if (dropped_)
            CloseUp(true);
        else
            Open();
        return true;
    }
    if (alt) return false;
    dropdown::TListKey move;
    switch (key) {
    case VK_UP:
    case VK_LEFT: move = dropdown::TListKey::Up; break;
    case VK_DOWN:
    case VK_RIGHT: move = dropdown::TListKey::Down; break;
    case VK_HOME: move = dropdown::TListKey::Home; break;
    case VK_END: move = dropdown::TListKey::End; break;
    case VK_PRIOR: move = dropdown::TListKey::PageUp; break;
    case VK_NEXT: move = dropdown::TListKey::PageDown; break;
    case VK_RETURN:
        if (!dropped_) return false;
        CloseUp(true);
        return true;
    case VK_ESCAPE:
        if (!dropped_) return false;
        CloseUp(false);
        return true;
    default: return false;
    }
    if (dropped_) {
        SetHot(dropdown::Navigate(hot_, Count(), Rows(), move));
        ScrollListTo(dropdown::TopToShow(top_, hot_, Count(), Rows()));
    } else if (int next = dropdown::Navigate(ItemIndex(), Count(), Rows(), move); next != ItemIndex()) {
        PickByUser(next);
    }
    return true;
}

bool TComboBox::CbMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    const int index = static_cast<int>(wParam);
    const bool valid = index >= 0 && index < Count();
    switch (msg) {
    case CB_GETCOUNT: result = Count(); return true;
    case CB_GETCURSEL: result = ItemIndex() >= 0 ? ItemIndex() : CB_ERR; return true;
    case CB_SETCURSEL:
        itemIndex_ = valid ? index : -1;
        if (dropped_) SetHot(itemIndex_);
        Invalidate();
        result = valid ? index : CB_ERR;
        return true;
    case CB_GETLBTEXTLEN: result = valid ? static_cast<LRESULT>(Item(index).size()) : CB_ERR; return true;
    case CB_GETLBTEXT:
        if (!valid || !lParam) {
            result = CB_ERR;
            return true;
        }
        std::copy(Item(index).begin(), Item(index).end(), reinterpret_cast<char*>(lParam));
        reinterpret_cast<char*>(lParam)[Item(index).size()] = '\0';
        result = static_cast<LRESULT>(Item(index).size());
        return true;
    case CB_ADDSTRING:
        AddItem(lParam ? reinterpret_cast<const char*>(lParam) : "");
        result = Count() - 1;
        return true;
    case CB_RESETCONTENT: ClearItems(); return true;
    case CB_GETITEMHEIGHT: result = index == -1 ? Height() - 2 * kEdge - 2 : ItemHeight(); return true; // -1: the field
    case CB_GETDROPPEDSTATE: result = dropped_ ? TRUE : FALSE; return true;
    case CB_SHOWDROPDOWN:
        SetDroppedDown(wParam != 0);
        result = TRUE;
        return true;
    case CB_GETDROPPEDCONTROLRECT: {
        if (!lParam) return true;
        const TRect r = DroppedRect();
        *reinterpret_cast<RECT*>(lParam) = RECT{r.Left, r.Top, r.Right, r.Bottom};
        result = TRUE;
        return true;
    }
    case CB_GETCOMBOBOXINFO: {
        auto* info = reinterpret_cast<COMBOBOXINFO*>(lParam);
        if (!info || info->cbSize != sizeof(COMBOBOXINFO)) return true;
        const int w = ClientRect().Width(), h = ClientRect().Height();
        const int button = std::max(kEdge, w - kEdge - GetSystemMetrics(SM_CXVSCROLL));
        info->rcItem = RECT{kEdge + 1, kEdge + 1, button - 1, h - kEdge - 1};
        info->rcButton = RECT{button, kEdge, w - kEdge, h - kEdge};
        info->stateButton = dropped_ ? STATE_SYSTEM_PRESSED : 0;
        info->hwndCombo = handle_;
        info->hwndItem = handle_; // a selection-only list has no edit field
        info->hwndList = list_.Handle();
        result = TRUE;
        return true;
    }
    default: return false;
    }
}

bool TComboBox::WndProc(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (msg >= CB_GETEDITSEL && msg <= CB_MSGMAX) return CbMessage(msg, wParam, lParam, result);
    switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_LBUTTONUP:
    case WM_MOUSEMOVE:
        if (MouseMessage(msg, lParam)) {
            result = 0;
            return true;
        }
        return TListControl::WndProc(msg, wParam, lParam, result);
    case WM_MOUSEWHEEL: {
        const int steps = GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA;
        if (dropped_) {
            ScrollListTo(top_ - 3 * steps);
        } else {
            const auto move = steps > 0 ? dropdown::TListKey::Up : dropdown::TListKey::Down;
            int next = ItemIndex();
            for (int i = 0; i < std::abs(steps); ++i) next = dropdown::Navigate(next, Count(), Rows(), move);
            if (next != ItemIndex()) PickByUser(next);
        }
        result = 0;
        return true;
    }
    case WM_KEYDOWN: {
        // The control's key event sees the key first and may take it.
        if (TListControl::WndProc(msg, wParam, lParam, result)) return true;
        if (!KeyDown(static_cast<unsigned>(wParam), false)) return false;
        result = 0;
        return true;
    }
    case WM_SYSKEYDOWN:
        if ((wParam == VK_DOWN || wParam == VK_UP) && KeyDown(static_cast<unsigned>(wParam), true)) {
            result = 0;
            return true;
        }
        return false;
    case WM_CHAR: {
        const char c = static_cast<char>(wParam);
        if (static_cast<unsigned char>(c) < ' ') { // Enter and Escape are keys, not letters: no beep
            result = 0;
            return c == '\r' || c == 27;
        }
        const int found = dropdown::FindByFirstChar(items_, dropped_ ? hot_ : ItemIndex(), c);
        if (found >= 0 && dropped_) {
            SetHot(found);
            ScrollListTo(dropdown::TopToShow(top_, hot_, Count(), Rows()));
        } else if (found >= 0 && found != ItemIndex()) {
            PickByUser(found);
        }
        result = 0;
        return true;
    }
    case WM_GETDLGCODE: result = DLGC_WANTARROWS | DLGC_WANTCHARS | (dropped_ ? DLGC_WANTALLKEYS : 0); return true;
    case WM_GETTEXTLENGTH: result = static_cast<LRESULT>(Text().size()); return true;
    case WM_GETTEXT: {
        const std::string text = Text();
        if (wParam == 0 || !lParam) return true;
        const size_t n = std::min(text.size(), static_cast<size_t>(wParam) - 1);
        std::copy(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(n), reinterpret_cast<char*>(lParam));
        reinterpret_cast<char*>(lParam)[n] = '\0';
        result = static_cast<LRESULT>(n);
        return true;
    }
    case WM_SETFOCUS: Invalidate(); return TListControl::WndProc(msg, wParam, lParam, result);
    case WM_KILLFOCUS:
        CloseUp(false);
        Invalidate();
        return TListControl::WndProc(msg, wParam, lParam, result);
    case WM_ENABLE:
        if (!wParam) CloseUp(false);
        Invalidate();
        return false;
    case WM_CAPTURECHANGED:
        if (dropped_ && !scrolling_ && reinterpret_cast<HWND>(lParam) != handle_) CloseUp(false);
        return false;
    case WM_CANCELMODE: CloseUp(false); return false;
    case WM_DESTROY:
        CloseUp(false);
        list_.Reset();
        return TListControl::WndProc(msg, wParam, lParam, result);
    default: return TListControl::WndProc(msg, wParam, lParam, result);
    }
}
