// Controls: windowless controls painted by their parent (TGraphicControl) and controls with a
// window of their own (TWinControl). Win32 only.
//
// Threading and re-entrancy: everything runs on the thread that created the windows; handlers
// may pump messages (a modal dialog, a network wait), so a control may be re-entered while one
// of its handlers runs. Exceptions raised by handlers are caught at the window procedure and
// shown through Application->HandleException; none leaves a window procedure.
#pragma once

#include "toolkit/Win32.h"

#include <functional>
#include <string>
#include <vector>

#include "toolkit/Classes.h"
#include "toolkit/ControlsAlign.h"
#include "toolkit/GdiCanvas.h"
#include "toolkit/Graphics.h"

class TWinControl;
class TPopupMenu;

enum class TAlignment { taLeftJustify, taRightJustify, taCenter };
enum class TMouseButton { mbLeft, mbRight, mbMiddle };
enum TShiftStateBits : unsigned { ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32, ssDouble = 64 };
using TShiftState = unsigned;

// Cursor identifiers; negative values are the stock cursors, positive ones are registered by
// components (RegisterCursor).
using TCursor = int;
constexpr TCursor crDefault = 0, crArrow = -2, crCross = -3, crIBeam = -4, crSizeNESW = -6, crSizeNS = -7, crSizeNWSE = -8,
                  crSizeWE = -9, crHourGlass = -11, crNo = -18, crHandPoint = -21, crSizeAll = -22;
void RegisterCursor(TCursor id, HCURSOR cursor);
HCURSOR CursorHandle(TCursor id);

// The screen-wide cursor: while it is not crDefault it shows over every window of the toolkit,
// whatever their own cursors.
TCursor ScreenCursor();
void SetScreenCursor(TCursor cursor);

// The hourglass for the life of the object, over every window of the toolkit: a handler that
// works for a while creates one on its stack. Nests: the cursor that was set before the outermost
// one comes back when that one goes.
class TBusyCursor {
public:
    TBusyCursor();
    ~TBusyCursor();
    TBusyCursor(const TBusyCursor&) = delete;
    TBusyCursor& operator=(const TBusyCursor&) = delete;

private:
    TCursor saved_;
};

using TMouseEvent = std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
using TKeyEvent = std::function<void(TObject* Sender, unsigned& Key, TShiftState Shift)>;

// Optional published properties that generic code (the form resizer) reaches by name on any
// control that has them.
class IFontProperty {
public:
    virtual ~IFontProperty() = default;
    virtual TFont GetFontProperty() const = 0;
    virtual void SetFontProperty(const TFont& font) = 0;
};
class IAutoSizeProperty {
public:
    virtual ~IAutoSizeProperty() = default;
    virtual bool GetAutoSizeProperty() const = 0;
    virtual void SetAutoSizeProperty(bool value) = 0;
};

class TControl : public TComponent, public IFontProperty {
public:
    explicit TControl(TComponent* owner);
    ~TControl() override;

    TWinControl* Parent() const { return parent_; }
    virtual void SetParent(TWinControl* parent);

    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetLeft(int v) { SetBounds(v, top_, width_, height_); }
    void SetTop(int v) { SetBounds(left_, v, width_, height_); }
    void SetWidth(int v) { SetBounds(left_, top_, v, height_); }
    void SetHeight(int v) { SetBounds(left_, top_, width_, v); }
    virtual void SetBounds(int left, int top, int width, int height);
    TRect BoundsRect() const { return Bounds(left_, top_, width_, height_); }
    virtual TRect ClientRect() const { return Rect(0, 0, width_, height_); }
    int ClientWidth() const { return ClientRect().Width(); }
    int ClientHeight() const { return ClientRect().Height(); }

    bool Visible() const { return visible_; }
    virtual void SetVisible(bool v);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Visible and every parent up to a top-level window visible too.
    bool Showing() const;

    bool Enabled() const { return enabled_; }
    virtual void SetEnabled(bool v);

    const std::string& Caption() const { return caption_; }
    virtual void SetCaption(const std::string& s);

    const TFont& Font() const { return font_; }
    virtual void SetFont(const TFont& f);
    bool ParentFont() const { return parentFont_; }
    void SetParentFont(bool v);
    TFont GetFontProperty() const override { return font_; }
    void SetFontProperty(const TFont& f) override { SetFont(f); }

    TColor Color() const { return color_; }
    virtual void SetColor(TColor c);

    // Aligned controls keep to an edge of their parent's client area, or fill what is left of it,
    // whenever the parent changes size or an aligned sibling moves, shows or hides.
    TAlign Align() const { return align_; }
    void SetAlign(TAlign a);
    TCursor Cursor = crDefault;
    // Opened by a right-click on the control (or Shift+F10 / the menu key while it has the focus),
    // through WM_CONTEXTMENU; a control without one uses its parent's.
    TPopupMenu* PopupMenu = nullptr;
    std::string Hint;
    bool ShowHint = false;

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    TMouseMoveEvent OnMouseMove;

    virtual void Invalidate();
    virtual void Repaint();
    virtual void Click();
    void BringToFront();

    // Mouse input, in this control's client coordinates. The default raises the events.
    virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseMove(TShiftState shift, int x, int y);
    virtual void DblClick();

    // Screen <-> client coordinates.
    TPoint ClientToScreen(TPoint p) const;
    TPoint ScreenToClient(TPoint p) const;

    // Windowless controls paint themselves onto their parent's canvas, offset to their position.
    virtual void Paint(TCanvas&) {}
    virtual bool IsWindowed() const { return false; }
    // Windowless controls that take no mouse input let clicks fall through to what lies below.
    virtual bool HitTest(int, int) const { return true; }
    // A windowless control that must get its clicks even where its window answers client points
    // as a caption to be dragged by (a button on a window moved from anywhere).
    virtual bool TakesClicks() const { return false; }

protected:
    virtual void BoundsChanged() {}
    virtual void FontChanged() {}
    virtual void CaptionChanged() {}
    void Notification(TComponent* component, TOperation operation) override;
    void ParentFontChanged(const TFont& f);
    friend class TWinControl;

    TWinControl* parent_ = nullptr;
    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    bool visible_ = true;
    bool enabled_ = true;
    std::string caption_;
    TFont font_;
    bool parentFont_ = true;
    TColor color_ = clBtnFace;
    bool paintFailed_ = false; // the last Paint raised; cleared when the control is invalidated
    TAlign align_ = TAlign::alNone;

private:
    void RealignParent();
};

class TGraphicControl : public TControl {
public:
    using TControl::TControl;
};

struct TCreateParams {
    std::string ClassName;     // a system class ("BUTTON") or empty for the toolkit's own class
    bool ToolkitClass = false; // ClassName names a class of the toolkit's own procedure
    DWORD Style = WS_CHILD | WS_CLIPSIBLINGS;
    DWORD ExStyle = 0;
    HWND ParentWindow = nullptr;
};

class TWinControl : public TControl {
public:
    explicit TWinControl(TComponent* owner);
    ~TWinControl() override;

    HWND Handle(); // creates the window when it does not exist yet
    bool HandleAllocated() const { return handle_ != nullptr; }
    void HandleNeeded() { Handle(); }

    int ControlCount() const { return static_cast<int>(controls_.size()); }
    TControl* Controls(int i) const { return controls_.at(static_cast<size_t>(i)); }

    void SetBounds(int left, int top, int width, int height) override;
    void SetVisible(bool v) override;
    void SetEnabled(bool v) override;
    void SetCaption(const std::string& s) override;
    void SetFont(const TFont& f) override;
    void SetColor(TColor c) override;
    TRect ClientRect() const override;
    bool IsWindowed() const override { return true; }
    void Invalidate() override;
    void Repaint() override;

    void SetFocus();
    bool Focused() const;
    bool CanFocus() const;
    int TabOrder = -1;
    bool TabStop = false;

    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;
    TKeyEvent OnKeyDown;

    // The window procedure's C++ side. Returns true when the message was handled and `result`
    // holds the answer; false passes it on to the default procedure. Subclasses override and
    // call the base for what they do not handle.
    virtual bool WndProc(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // Calls the window's default procedure (the system class's or DefWindowProc).
    LRESULT DefaultHandler(UINT msg, WPARAM wParam, LPARAM lParam);

    // Messages a parent reflects to the child control they concern (WM_COMMAND, WM_DRAWITEM,
    // WM_CTLCOLOR*). Return true when handled.
    virtual bool ReflectedMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);

    // The window behind a handle, when it is one of ours.
    static TWinControl* FromHandle(HWND wnd);

    // Told, on every windowed control of a top-level window, when the keyboard focus moves to one
    // of that window's controls (`gaining`). Controls whose look follows the focus override it.
    virtual void FocusChangedInWindow(TWinControl* gaining) { (void)gaining; }

    // Paints this control's windowless children, in creation order, onto `canvas` whose origin
    // is this control's client origin.
    void PaintControls(TCanvas& canvas, const TRect& dirty);
    // The topmost visible windowless child that takes input at a client point, or nullptr.
    TControl* ControlAtPos(int x, int y) const;

protected:
    virtual void CreateParams(TCreateParams& params);
    virtual void CreateWnd();
    // Puts a window made after some of its later siblings' where creation in order would have.
    void KeepCreationOrder();
    virtual void DestroyWnd();
    // Called once the window exists: push state into it.
    virtual void WindowCreated() {}
    void UpdateBounds(); // re-reads the window's position after the platform moved it
    virtual void Resized() {}
    // Places the aligned children (AlignBounds) in the current client area.
    void AlignControls();
    // The height given to the platform's window for a control `height` high.
    virtual int WindowHeight(int height) const { return height; }
    // Moves the window to the stored bounds.
    void ApplyBounds();
    // Paints background and windowless children; windowed subclasses with custom drawing override.
    virtual void PaintWindow(TCanvas& canvas, const TRect& dirty);
    void ApplyFont();

    // True for windows of the toolkit's own class; false for subclassed system controls, whose
    // own procedure paints them and handles their mouse.
    bool OwnWindow() const { return defProc_ == nullptr; }

    HWND handle_ = nullptr;
    WNDPROC defProc_ = nullptr; // the system class's procedure for subclassed system controls
    TGdiObject<HFONT> fontHandle_;
    TGdiObject<HBRUSH> brush_; // background brush handed to the platform for WM_CTLCOLOR*
    TColor brushColor_ = clNone;
    TControl* mouseCapture_ = nullptr; // windowless child that got the button-down
    TControl* mouseOver_ = nullptr;

private:
    friend class TControl;
    friend LRESULT CALLBACK ToolkitWndProc(HWND, UINT, WPARAM, LPARAM);
    void InsertControl(TControl* c);
    void RemoveControl(TControl* c);
    static void NotifyFocusChanged(TWinControl* root, TWinControl* gaining);
    LRESULT Dispatch(UINT msg, WPARAM wParam, LPARAM lParam);
    // The parts of WndProc, one per concern.
    bool WmPaint(LRESULT& result);
    bool WmChildColor(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool WmSetCursor(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool WmMouse(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool WmContextMenu(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool WmNcRightButton(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
    std::vector<TControl*> controls_;
    bool aligning_ = false;
};

LRESULT CALLBACK ToolkitWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);

// The instance handle of the module this toolkit is linked into (the DLL when loaded by the host).
HINSTANCE ToolkitInstance();
// Registers the toolkit's window class once; returns its name.
const char* ToolkitWindowClass();
// Registers a window class of this module for `proc` unless it exists. Every class registered
// so is unregistered by UnregisterToolkitClasses (when the module unloads), so none is left
// with a procedure pointing into an unloaded image.
bool RegisterToolkitClass(const char* className, WNDPROC proc, UINT style = 0, HCURSOR cursor = nullptr);
void UnregisterToolkitClasses();

// How a helper window that is more than a hidden owner is made: a pop-up of a control's own (a
// drop-down's list), hidden until the control shows it.
struct THelperWindowStyle {
    DWORD Style = WS_POPUP;
    DWORD ExStyle = WS_EX_TOOLWINDOW;
    HWND OwnerWindow = nullptr; // the window it stays above
    HCURSOR Cursor = nullptr;   // the class's cursor
};

// A hidden helper window of a class registered once for `proc`: message-only (timers), a
// zero-sized tool window (an owner for other windows, socket notifications), or a pop-up made as
// THelperWindowStyle says. It keeps `owner` in its user data for the procedure to find (Owner);
// the pointer is cleared before the window is destroyed, so a late message never reaches a dead
// owner. Move-only; destroys its window.
class THiddenWindow {
public:
    THiddenWindow() = default;
    THiddenWindow(const char* className, WNDPROC proc, bool messageOnly, void* owner = nullptr, const char* caption = "");
    THiddenWindow(const char* className, WNDPROC proc, const THelperWindowStyle& style, void* owner);
    ~THiddenWindow() { Reset(); }
    THiddenWindow(THiddenWindow&& other) noexcept;
    THiddenWindow& operator=(THiddenWindow&& other) noexcept;
    THiddenWindow(const THiddenWindow&) = delete;
    THiddenWindow& operator=(const THiddenWindow&) = delete;

    HWND Handle() const { return wnd_; }
    explicit operator bool() const { return wnd_ != nullptr; }
    // Clears the owner pointer and destroys the window.
    void Reset();
    // The owner kept with `wnd`, or null (also after Reset began).
    static void* Owner(HWND wnd);
    // Destroys every hidden window still alive (the module is unloading).
    static void DestroyAll();

private:
    void Adopt(void* owner); // keeps `owner` with the window just made and counts it as live
    HWND wnd_ = nullptr;
};

// The button a mouse-button message is about (left for anything else).
TMouseButton MouseButtonOf(UINT msg);
// Shift state from the platform's key and button state.
TShiftState ShiftStateFromKeys(WPARAM keys);
