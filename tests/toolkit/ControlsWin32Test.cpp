// The toolkit's controls driven as a person drives them: focus, keys, clicks, or the messages
// those produce; never by calling handlers.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "player/PlayerMessages.h"
#include "player/PlayerQuery.h"
#include "support/Input.h"
#include "support/MessageBoxWatcher.h"
#include "toolkit/Application.h"
#include "toolkit/Buttons.h"
#include "toolkit/ButtonGlyphs.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/Forms.h"
#include "toolkit/GdiCanvas.h"
#include "toolkit/Jpeg.h"
#include "toolkit/Menus.h"
#include "toolkit/MessagePump.h"
#include "toolkit/Resources.h"
#include "toolkit/StdCtrls.h"
#include "widgets/MagneticFormWin32.h"

namespace {

constexpr char kTitle[] = "THE QUAVORY";

void InitApp() {
    Application->SetTitle(kTitle);
    Application->Initialize();
}

// Lets the window system catch up (paints, posted messages), bounded.
void Settle(unsigned ms = 150) {
    PumpUntil([] { return false; }, ms);
}

// Reads the screen's pixels of a window's client area (24-bit Xvfb: exact).
TBitmap ClientPixels(HWND wnd) {
    RECT r;
    GetClientRect(wnd, &r);
    POINT origin{0, 0};
    ClientToScreen(wnd, &origin);
    HDC screen = GetDC(nullptr);
    TOffscreen off(screen, r.right, r.bottom);
    BitBlt(off.DC(), 0, 0, r.right, r.bottom, screen, origin.x, origin.y, SRCCOPY);
    ReleaseDC(nullptr, screen);
    return off.ToBitmap();
}

int CountColor(const TBitmap& b, TColor c, int x0 = 0, int x1 = -1) {
    if (x1 < 0) x1 = b.Width();
    int n = 0;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = x0; x < x1; ++x) n += TBitmap::FromPixel(b.Pixel(x, y)) == c;
    return n;
}

class TRaisingForm : public TForm {
public:
    explicit TRaisingForm(bool raiseInCreate) : TForm(nullptr) {
        BorderStyle = TFormBorderStyle::bsNone;
        SetClientSize(200, 100);
        SetColor(clBlack);
        OnCreate = [raiseInCreate](TObject*) {
            if (raiseInCreate) throw EConvertError("'80a' is not a valid integer value");
        };
        created = true;
        DoCreate();
    }
    bool created = false;
};

} // namespace

// ------------------------------------------------------------------ handlers end at the error box

TEST(GuardedHandlers, ACreateHandlerThatRaisesGivesOneBoxAndTheWindowStillShows) {
    InitApp();
    TMessageBoxWatcher box(kTitle);
    TRaisingForm form(true); // the constructor returns: nothing unwinds out of it
    ASSERT_TRUE(box.Wait());
    EXPECT_EQ(box.Text(), "'80a' is not a valid integer value.");
    EXPECT_TRUE(box.HasErrorIcon());
    EXPECT_TRUE(form.created);
    form.Show();
    EXPECT_TRUE(IsWindowVisible(form.Handle()));
}

TEST(GuardedHandlers, ShowResizeAndCloseHandlersThatRaiseEndAtTheBoxAndTheFormCarriesOn) {
    InitApp();
    std::vector<std::string> boxes;
    Application->OnException = [&](TObject*, const std::exception& e) { boxes.push_back(e.what()); };
    TRaisingForm form(false);
    form.OnShow = [](TObject*) { throw Exception("show"); };
    form.OnResize = [](TObject*) { throw Exception("resize"); };
    form.OnClose = [](TObject*, TCloseAction&) { throw Exception("close"); };
    form.Show();
    EXPECT_TRUE(IsWindowVisible(form.Handle()));
    form.SetBounds(10, 10, 300, 120); // WM_SIZE from the platform
    EXPECT_EQ(form.Width(), 300);
    SendMessageA(form.Handle(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindowVisible(form.Handle())); // the close still hides
    // The first resize comes with the window's creation, before it shows.
    EXPECT_EQ(boxes, (std::vector<std::string>{"resize", "show", "resize", "close"}));
    Application->OnException = nullptr;
}

TEST(GuardedHandlers, AClickOrPaintThatRaisesGivesOneBoxAndTheWindowStaysUsable) {
    InitApp();
    int shown = 0;
    Application->OnException = [&](TObject*, const std::exception&) { ++shown; };
    TRaisingForm form(false);
    auto* box = new TPaintBox(&form);
    box->SetParent(&form);
    box->SetBounds(10, 10, 40, 40);
    bool fail = true;
    int painted = 0;
    box->OnPaint = [&](TObject*, TCanvas& c) {
        if (fail) throw Exception("paint");
        c.Brush.Color = clRed;
        c.FillRect(Rect(0, 0, 40, 40));
        ++painted;
    };
    auto* button = new TButton(&form);
    button->SetParent(&form);
    button->SetBounds(100, 10, 80, 25);
    int clicks = 0;
    button->OnClick = [&](TObject*) {
        if (++clicks == 1) throw Exception("click");
    };
    form.Show();
    Settle();
    EXPECT_EQ(shown, 1); // the failing paint
    // Repainting the whole window (as a box closing over it does) does not raise again.
    RedrawWindow(form.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Settle();
    EXPECT_EQ(shown, 1);
    // Once the box changes it paints again; this time it works.
    fail = false;
    box->Invalidate();
    Settle();
    EXPECT_EQ(painted, 1);
    EXPECT_GT(CountColor(ClientPixels(form.Handle()), clRed), 1000);

    SendMessageA(button->Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(shown, 2);
    SendMessageA(button->Handle(), BM_CLICK, 0, 0); // still answers
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(shown, 2);
    Application->OnException = nullptr;
}

// ------------------------------------------------------------------ right-click menus

TEST(PopupMenu, RightClickOnAnAlwaysMoveableFormOpensItsMenuNotTheSystemMenu) {
    InitApp();
    TForm form(nullptr);
    form.BorderStyle = TFormBorderStyle::bsNone;
    form.BorderIcons = biSystemMenu | biMinimize;
    form.SetBounds(100, 100, 200, 120);
    auto* magnetic = new TMagneticForm(&form);
    ASSERT_TRUE(magnetic->AlwaysMoveable);
    auto* background = new TImage(&form); // a picture filling the window carries the menu
    background->SetParent(&form);
    background->SetBounds(0, 0, 200, 120);
    auto* menu = new TPopupMenu(&form);
    std::vector<std::string> chosen;
    menu->Add("Settings1", "&Proxy Settings", [&](TObject*) { chosen.push_back("settings"); });
    menu->Add("Exit1", "E&xit", [&](TObject*) { chosen.push_back("exit"); });
    background->PopupMenu = menu;
    form.Show();
    SetForegroundWindow(form.Handle());
    Settle();
    // The client area answers as a caption, so the form can be dragged from anywhere.
    EXPECT_EQ(SendMessageA(form.Handle(), WM_NCHITTEST, 0, MAKELPARAM(150, 150)), HTCAPTION);

    {
        TMenuDriver driver("DDE"); // second item
        MouseClickAt(150, 150, TTestButton::Right);
        PumpUntil([&] { return !chosen.empty(); }, 10000);
        EXPECT_TRUE(driver.Seen());
    }
    EXPECT_EQ(chosen, (std::vector<std::string>{"exit"}));
    EXPECT_EQ(menu->PopupComponent, background);
    EXPECT_TRUE(IsWindowVisible(form.Handle())); // no system command ran
}

TEST(PopupMenu, AControlWithoutAMenuUsesItsParentsAndTheKeyboardOpensItToo) {
    InitApp();
    TForm form(nullptr);
    form.BorderStyle = TFormBorderStyle::bsNone;
    form.SetBounds(100, 100, 200, 120);
    auto* button = new TButton(&form);
    button->SetParent(&form);
    button->SetBounds(10, 10, 80, 25);
    auto* menu = new TPopupMenu(&form);
    int chosen = 0;
    menu->Add("One", "One", [&](TObject*) { ++chosen; });
    form.PopupMenu = menu;
    form.Show();
    SetForegroundWindow(form.Handle());
    Settle();
    {
        TMenuDriver driver("DE");
        MouseClickAt(130, 120, TTestButton::Right); // on the button
        PumpUntil([&] { return chosen > 0; }, 10000);
    }
    EXPECT_EQ(chosen, 1);
    // Shift+F10 on the focused button (lParam -1: no mouse point).
    {
        TMenuDriver driver("DE");
        SendMessageA(button->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(button->Handle()), -1);
        PumpUntil([&] { return chosen > 1; }, 10000);
    }
    EXPECT_EQ(chosen, 2);
}

// ------------------------------------------------------------------ drop-down list

// A borderless form holding one drop-down list at (10, 10), 186 wide, with `items`.
struct TComboOnForm {
    TForm form{nullptr};
    TComboBox* combo = nullptr;
    explicit TComboOnForm(const std::vector<std::string>& items, int height = 300, TColor color = clBtnFace) {
        InitApp();
        form.BorderStyle = TFormBorderStyle::bsNone;
        form.SetColor(color);
        form.SetBounds(100, 100, 300, height);
        combo = new TComboBox(&form);
        combo->SetParent(&form);
        combo->SetBounds(10, 10, 186, 21);
        combo->SetItems(items);
    }
};

TEST(ComboBox, TheOpenListKeepsItsRowsThroughResizesAndAPickSticks) {
    std::vector<std::string> items;
    for (int i = 0; i < 12; ++i) items.push_back("Item " + std::to_string(i));
    TComboOnForm on(items);
    TForm& form = on.form;
    TComboBox* combo = on.combo;
    combo->SetDropDownCount(10);
    form.Show();
    HWND h = combo->Handle();
    int row = static_cast<int>(SendMessageA(h, CB_GETITEMHEIGHT, 0, 0));
    auto listHeight = [&] { // the open list below the box
        RECT r;
        SendMessageA(h, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&r));
        return r.bottom - r.top;
    };
    EXPECT_GE(listHeight(), 10 * row);
    // The resizer and the narrow layout move and size the box after creation.
    combo->SetBounds(20, 30, 150, 17);
    combo->SetWidth(120);
    EXPECT_GE(listHeight(), 10 * row);
    EXPECT_LT(combo->Height(), 40); // the closed box keeps the height of one row
    TFont f = combo->Font();
    f.Height = -16;
    combo->SetFont(f);
    row = static_cast<int>(SendMessageA(h, CB_GETITEMHEIGHT, 0, 0));
    EXPECT_GE(listHeight(), 10 * row);

    // Open with the keyboard, walk down two rows, take it with Enter.
    int changes = 0;
    combo->OnChange = [&](TObject*) { ++changes; };
    SetForegroundWindow(form.Handle());
    combo->SetFocus();
    PressKey(VK_F4);
    PumpUntil([&] { return combo->DroppedDown(); }, 3000);
    ASSERT_TRUE(combo->DroppedDown());
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetComboBoxInfo(h, &info));
    RECT open;
    GetWindowRect(info.hwndList, &open);
    EXPECT_GE(open.bottom - open.top, 10 * row); // ten rows show, as set
    PressKey(VK_DOWN);
    PressKey(VK_DOWN);
    PressKey(VK_RETURN);
    PumpUntil([&] { return !combo->DroppedDown() && combo->ItemIndex() >= 0; }, 3000);
    EXPECT_EQ(combo->ItemIndex(), 1);
    EXPECT_EQ(combo->Text(), "Item 1");
    EXPECT_GE(changes, 1);
    combo->SetBounds(10, 10, 186, 21);
    EXPECT_EQ(combo->ItemIndex(), 1); // a resize keeps the pick
}

TEST(ComboBox, MouseLettersAndEscapeAsAPersonUsesThem) {
    TComboOnForm on({"Acid", "Ambient", "Bebob", "Blues", "Cabaret", "Celtic", "Classical"});
    TForm& form = on.form;
    TComboBox* combo = on.combo;
    combo->SetDropDownCount(4);
    int changes = 0;
    combo->OnChange = [&](TObject*) { ++changes; };
    form.Show();
    SetForegroundWindow(form.Handle());
    Settle();
    HWND h = combo->Handle();
    EXPECT_EQ(combo->ListHandle(), nullptr); // the open list is made when first needed
    char cls[32] = {};
    GetClassNameA(h, cls, sizeof cls);
    EXPECT_STREQ(cls, TComboBox::kWindowClassName);

    // A click on the box opens the list below it, four rows high; a click on the third row picks it.
    RECT box;
    GetWindowRect(h, &box);
    MouseClickAt(box.left + 20, (box.top + box.bottom) / 2);
    ASSERT_TRUE(PumpUntil([&] { return combo->DroppedDown(); }, 3000));
    ASSERT_NE(combo->ListHandle(), nullptr);
    RECT open;
    GetWindowRect(combo->ListHandle(), &open);
    EXPECT_EQ(open.top, box.bottom);
    const int row = combo->ItemHeight();
    EXPECT_EQ(open.bottom - open.top, 4 * row + 2);
    EXPECT_TRUE(combo->Focused());
    MouseClickAt(open.left + 20, open.top + 1 + 2 * row + row / 2);
    ASSERT_TRUE(PumpUntil([&] { return !combo->DroppedDown(); }, 3000));
    EXPECT_EQ(combo->ItemIndex(), 2);
    EXPECT_EQ(combo->Text(), "Bebob");
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(SendMessageA(h, CB_GETCURSEL, 0, 0), 2); // the platform's questions answered too

    // Open again and click outside: closed, nothing changed.
    MouseClickAt(box.left + 20, (box.top + box.bottom) / 2);
    ASSERT_TRUE(PumpUntil([&] { return combo->DroppedDown(); }, 3000));
    MouseClickAt(box.left + 250, box.top + 200);
    ASSERT_TRUE(PumpUntil([&] { return !combo->DroppedDown(); }, 3000));
    EXPECT_EQ(combo->ItemIndex(), 2);
    EXPECT_EQ(changes, 1);

    // Letters pick the next item beginning with them, in either case; arrows move by one.
    SendMessageA(h, WM_CHAR, 'c', 1);
    EXPECT_EQ(combo->Text(), "Cabaret");
    SendMessageA(h, WM_CHAR, 'C', 1);
    EXPECT_EQ(combo->Text(), "Celtic");
    PressKey(VK_UP);
    PumpUntil([&] { return combo->ItemIndex() == 4; }, 3000);
    EXPECT_EQ(combo->Text(), "Cabaret");
    EXPECT_EQ(changes, 4);

    // Opened with the keyboard, moved, then Escape: the pick stays as it was.
    PressKey(VK_F4);
    ASSERT_TRUE(PumpUntil([&] { return combo->DroppedDown(); }, 3000));
    PressKey(VK_DOWN);
    PressKey(VK_ESCAPE);
    ASSERT_TRUE(PumpUntil([&] { return !combo->DroppedDown(); }, 3000));
    Settle(50);
    EXPECT_EQ(combo->Text(), "Cabaret");
    EXPECT_EQ(changes, 4);

    // The wheel over the closed box steps through the items; past the end it holds.
    for (int i = 0; i < 4; ++i) SendMessageA(h, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);
    EXPECT_EQ(combo->Text(), "Classical");
    EXPECT_EQ(SendMessageA(h, CB_SETCURSEL, 99, 0), CB_ERR); // out of range clears the pick
    EXPECT_EQ(combo->ItemIndex(), -1);
    EXPECT_EQ(combo->Text(), "");
}

// A list longer than its open rows scrolls: keys keep the highlighted row in view, the scroll bar's
// arrow (tracked by the platform while the box lets the capture go) moves the rows, and the list
// stays open through it; a click on a row then picks the row shown there.
TEST(ComboBox, ALongListScrollsByKeysAndByItsScrollBar) {
    std::vector<std::string> items;
    for (int i = 0; i < 40; ++i) items.push_back("Genre " + std::to_string(i));
    TComboOnForm on(items);
    TComboBox* combo = on.combo;
    combo->SetDropDownCount(5);
    on.form.Show();
    SetForegroundWindow(on.form.Handle());
    combo->SetFocus();
    Settle();
    PressKey(VK_F4);
    ASSERT_TRUE(PumpUntil([&] { return combo->DroppedDown(); }, 3000));
    HWND list = combo->ListHandle();
    EXPECT_EQ(GetScrollPos(list, SB_VERT), 0);
    PressKey(VK_END); // the last row highlighted and scrolled into view
    PumpUntil([&] { return GetScrollPos(list, SB_VERT) == 35; }, 3000);
    EXPECT_EQ(GetScrollPos(list, SB_VERT), 35);
    PressKey(VK_HOME);
    PumpUntil([&] { return GetScrollPos(list, SB_VERT) == 0; }, 3000);
    EXPECT_EQ(GetScrollPos(list, SB_VERT), 0);

    // The scroll bar's down arrow, clicked twice: two rows further, the list still open.
    RECT w, c;
    GetWindowRect(list, &w);
    GetClientRect(list, &c);
    POINT origin{0, 0};
    ClientToScreen(list, &origin);
    const int arrowX = origin.x + c.right + GetSystemMetrics(SM_CXVSCROLL) / 2;
    const int arrowY = origin.y + c.bottom - GetSystemMetrics(SM_CYVSCROLL) / 2;
    for (int i = 0; i < 2; ++i) {
        MouseClickAt(arrowX, arrowY);
        Settle(100);
    }
    EXPECT_TRUE(combo->DroppedDown());
    EXPECT_EQ(GetScrollPos(list, SB_VERT), 2);
    const int row = combo->ItemHeight();
    MouseClickAt(origin.x + 10, origin.y + row / 2); // the first row shown: item 2
    ASSERT_TRUE(PumpUntil([&] { return !combo->DroppedDown(); }, 3000));
    EXPECT_EQ(combo->Text(), "Genre 2");
}

// The window's background must not show through a closed drop-down list: the box paints its
// field, its frame and its button.
TEST(ComboBox, TheClosedBoxPaintsItsFieldAndShowsThePick) {
    TComboOnForm on({"10  In my top ten of all songs"}, 100, clFuchsia);
    TForm& form = on.form;
    TComboBox* combo = on.combo;
    form.Show();
    Settle();
    TBitmap closed = ClientPixels(combo->Handle());
    EXPECT_EQ(CountColor(closed, clFuchsia), 0);
    const int window = CountColor(closed, ColorToRGB(clWindow));
    EXPECT_GT(window, 186 * 21 / 2);
    combo->SetItemIndex(0);
    Settle();
    TBitmap picked = ClientPixels(combo->Handle());
    EXPECT_GT(CountColor(picked, ColorToRGB(clWindowText)), 20); // the item's text
}

// ------------------------------------------------------------------ alignment

TEST(Align, AlignedControlsFollowTheirParentWhenThePlatformResizesIt) {
    InitApp();
    TForm form(nullptr);
    form.BorderStyle = TFormBorderStyle::bsNone;
    form.SetBounds(100, 100, 300, 200);
    auto* background = new TImage(&form); // windowless, fills what the others leave
    background->SetParent(&form);
    background->SetBounds(0, 0, 300, 200);
    background->SetAlign(TAlign::alClient);
    auto* bar = new TMemo(&form); // windowed, along the top
    bar->SetParent(&form);
    bar->SetBounds(40, 40, 50, 30);
    bar->SetAlign(TAlign::alTop);
    auto* side = new TImage(&form);
    side->SetParent(&form);
    side->SetBounds(7, 7, 20, 20);
    side->SetAlign(TAlign::alLeft);
    form.Show();
    EXPECT_EQ(bar->BoundsRect(), Rect(0, 0, 300, 30));
    EXPECT_EQ(side->BoundsRect(), Rect(0, 30, 20, 200));
    EXPECT_EQ(background->BoundsRect(), Rect(20, 30, 300, 200));

    // The platform sizes the window (as a drag of its edge would): WM_SIZE realigns.
    SetWindowPos(form.Handle(), nullptr, 0, 0, 460, 410, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(bar->BoundsRect(), Rect(0, 0, 460, 30));
    EXPECT_EQ(side->BoundsRect(), Rect(0, 30, 20, 410));
    EXPECT_EQ(background->BoundsRect(), Rect(20, 30, 460, 410));
    RECT r;
    GetWindowRect(bar->Handle(), &r);
    EXPECT_EQ(r.right - r.left, 460); // the child window itself moved

    // Hiding an aligned control gives its room back; a taller bar pushes the rest down.
    side->Hide();
    EXPECT_EQ(background->BoundsRect(), Rect(0, 30, 460, 410));
    bar->SetHeight(50);
    EXPECT_EQ(background->BoundsRect(), Rect(0, 50, 460, 410));
    background->SetAlign(TAlign::alNone);
    form.SetBounds(100, 100, 200, 100);
    EXPECT_EQ(background->BoundsRect(), Rect(0, 50, 460, 410)); // no longer aligned: left alone
    EXPECT_EQ(bar->BoundsRect(), Rect(0, 0, 200, 50));
}

TEST(HiddenControls, GetTheirWindowWhenFirstShownStackedAsIfMadeInOrder) {
    InitApp();
    // The stacking of three overlapping buttons whose windows are made in order, top first.
    auto stack = [](bool hideMiddle, bool& middleHadWindow) {
        TForm form(nullptr);
        form.BorderStyle = TFormBorderStyle::bsNone;
        form.SetBounds(100, 100, 200, 100);
        TBitBtn* b[3];
        for (int i = 0; i < 3; ++i) {
            b[i] = new TBitBtn(&form);
            b[i]->SetName("B" + std::to_string(i));
            b[i]->SetParent(&form);
            b[i]->SetBounds(10 + i * 5, 10, 60, 25);
        }
        if (hideMiddle) b[1]->Hide();
        form.Show();
        middleHadWindow = b[1]->HandleAllocated();
        b[1]->Show();
        EXPECT_TRUE(IsWindowVisible(b[1]->Handle()));
        std::vector<std::string> order;
        for (HWND w = GetWindow(form.Handle(), GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
            order.push_back(TWinControl::FromHandle(w)->Name());
        return order;
    };
    bool hadWindow = true;
    const std::vector<std::string> inOrder = stack(false, hadWindow);
    EXPECT_TRUE(hadWindow);
    const std::vector<std::string> lazily = stack(true, hadWindow);
    EXPECT_FALSE(hadWindow); // nothing made for it while hidden
    EXPECT_EQ(lazily, inOrder);
    EXPECT_EQ(inOrder.size(), 3u);
}

TEST(GdiCanvas, AClipPoppedLeavesTheFontAndBrushInUseAsSet) {
    // Windowless controls paint one after another, each inside a clip of its own: what one
    // selected inside its clip must not stand in for the next one's settings.
    TOffscreen off(nullptr, 200, 60);
    TGdiCanvas canvas(off.DC());
    canvas.Brush.Color = clBlack;
    canvas.FillRect(Rect(0, 0, 200, 60));
    TFont tahoma;
    tahoma.Name = "Tahoma";
    tahoma.Height = -13;
    tahoma.Color = clLime;
    TFont big = tahoma;
    big.Name = "Courier New";
    big.Height = -20;
    auto label = [&](const TFont& f, int y) { // as a transparent label paints
        canvas.PushClip(Rect(0, y, 200, y + 30));
        canvas.Font = f;
        canvas.Brush.Style = TBrushStyle::bsClear;
        TRect r = Rect(0, y, 200, y + 30);
        canvas.DrawText("Quick", r, dt::SingleLine);
        canvas.PopClip();
    };
    canvas.Brush.Style = TBrushStyle::bsSolid; // something drew opaque before the labels
    canvas.Brush.Color = clWhite;
    canvas.Font = big;
    TRect first = Rect(150, 0, 200, 20);
    canvas.DrawText("x", first, dt::SingleLine);
    label(tahoma, 0);
    label(tahoma, 30); // the same settings again
    TBitmap px = off.ToBitmap();
    auto look = [&](int y0) { // lime pixels, white pixels, width of the text
        int lime = 0, white = 0, right = 0;
        for (int y = y0; y < y0 + 30; ++y)
            for (int x = 0; x < 140; ++x) {
                uint32_t p = px.Pixel(x, y) & 0xFFFFFF;
                if (p == 0x00FF00) {
                    ++lime;
                    right = std::max(right, x);
                }
                white += p == 0xFFFFFF;
            }
        return std::tuple(lime, white, right);
    };
    auto [lime0, white0, right0] = look(0);
    auto [lime1, white1, right1] = look(30);
    EXPECT_GT(lime0, 20);
    EXPECT_EQ(white0, 0);
    EXPECT_EQ(lime1, lime0); // the same text in the same font
    EXPECT_EQ(right1, right0);
    EXPECT_EQ(white1, 0); // and still transparent
}

// ------------------------------------------------------------------ check box and Enter

TEST(CheckBox, SpaceTogglesAndEnterPressesTheDialogsDefaultButton) {
    InitApp();
    TForm dlg(nullptr);
    dlg.BorderStyle = TFormBorderStyle::bsDialog;
    dlg.SetClientSize(300, 120);
    dlg.SetCaption(" ");
    auto* ok = new TBitBtn(&dlg);
    ok->SetParent(&dlg);
    ok->SetBounds(75, 80, 57, 25);
    ok->SetKind(TBitBtnKind::bkOK);
    auto* check = new TCheckBox(&dlg);
    check->SetParent(&dlg);
    check->SetBounds(112, 30, 16, 17);
    std::vector<bool> seen;
    check->OnClick = [&](TObject*) { seen.push_back(check->Checked()); };
    auto* timer = new TTimer(&dlg);
    timer->SetInterval(50);
    timer->OnTimer = [&](TObject*) {
        timer->SetEnabled(false);
        check->SetFocus();
        PressKey(VK_SPACE);
        PumpUntil([&] { return seen.size() == 1; }, 3000);
        PressKey(VK_RETURN);
    };
    EXPECT_EQ(dlg.ShowModal(), mrOk);
    EXPECT_EQ(seen, std::vector<bool>{true});
    EXPECT_TRUE(check->Checked());
}

// ------------------------------------------------------------------ tab order

TEST(ModalDialog, OpensOnTheFirstControlInTabOrderAndTabWalksTheOrderBothWays) {
    InitApp();
    TForm dlg(nullptr);
    dlg.BorderStyle = TFormBorderStyle::bsDialog;
    dlg.SetClientSize(379, 172);
    // Created in another order than the tab order, as the proxy dialog's table has them.
    auto add = [&](TWinControl* c, int tabOrder, int left, int top) {
        c->SetParent(&dlg);
        c->SetBounds(left, top, 60, 21);
        c->TabOrder = tabOrder;
        return c;
    };
    auto* proxy = add(new TEdit(&dlg), 2, 16, 106);
    auto* check = add(new TCheckBox(&dlg), 3, 112, 70);
    auto* port = add(new TEdit(&dlg), 4, 320, 106);
    auto* ok = new TBitBtn(&dlg);
    add(ok, 0, 75, 144);
    ok->SetKind(TBitBtnKind::bkOK);
    auto* cancel = new TBitBtn(&dlg);
    add(cancel, 1, 234, 144);
    cancel->SetKind(TBitBtnKind::bkCancel);
    auto* hidden = add(new TEdit(&dlg), 5, 0, 0);
    hidden->Hide(); // not reachable by Tab
    std::vector<TWinControl*> seen;
    auto* timer = new TTimer(&dlg);
    timer->SetInterval(50);
    // One key a tick, so the dialog's own loop reads each key as it would from a person.
    int step = 0;
    timer->OnTimer = [&](TObject*) {
        seen.push_back(TWinControl::FromHandle(GetFocus()));
        ++step;
        if (step <= 5)
            PressKey(VK_TAB);
        else if (step == 6)
            PressKey(VK_TAB, true);
        else {
            timer->SetEnabled(false);
            PressKey(VK_ESCAPE);
        }
    };
    EXPECT_EQ(dlg.ShowModal(), mrCancel);
    std::vector<TWinControl*> expected = {ok, cancel, proxy, check, port, ok, port};
    EXPECT_EQ(seen, expected);
}

// ------------------------------------------------------------------ memo

TEST(Memo, LinesAreJoinedWithCrLfEndAtNulAndRespectTheCapacity) {
    InitApp();
    TForm form(nullptr);
    auto* memo = new TMemo(&form);
    memo->SetParent(&form);
    memo->WordWrap = false;
    form.Show();
    memo->SetText(std::string("<html>\n<body>\rone\r\ntwo\0hidden", 31));
    EXPECT_EQ(memo->Text(), "<html>\r\n<body>\r\none\r\ntwo");
    // The window holds exactly that text.
    char buf[64] = {};
    GetWindowTextA(memo->Handle(), buf, sizeof buf);
    EXPECT_STREQ(buf, "<html>\r\n<body>\r\none\r\ntwo");
    EXPECT_EQ(memo->LineCount(), 4);
    EXPECT_EQ(memo->Line(2), "one");
    TStringList lines{"a", "", "c"};
    memo->SetLines(lines);
    EXPECT_EQ(memo->Text(), "a\r\n\r\nc");
    EXPECT_EQ(memo->Lines().Count(), 3);

    // Typing goes in as a person types it; Enter starts a new line.
    memo->Clear();
    memo->SetFocus();
    TypeText(memo->Handle(), "ab\rcd");
    EXPECT_EQ(memo->Text(), "ab\r\ncd");
    SendMessageA(memo->Handle(), EM_SETSEL, 0, 2); // select "ab" and type over it
    TypeText(memo->Handle(), "X");
    EXPECT_EQ(memo->Text(), "X\r\ncd");

    memo->SetCapacity(10);
    memo->SetText("0123456789");
    EXPECT_THROW(memo->SetText("0123456789A"), Exception);
    EXPECT_EQ(memo->Text(), "0123456789"); // unchanged by the refused text
    try {
        memo->SetText("a\nb\nc\nd\ne\n"); // 5 breaks become 10 bytes more
        ADD_FAILURE() << "no error";
    } catch (const Exception& e) { EXPECT_EQ(e.Message(), "Text exceeds memo capacity"); }
    TypeText(memo->Handle(), "more"); // typing stops at the capacity too
    EXPECT_EQ(memo->Text().size(), 10u);
}

// ------------------------------------------------------------------ edit

TEST(Edit, TypingAndSelectionChangeTheTextAndRaiseOnChange) {
    InitApp();
    TForm form(nullptr);
    auto* edit = new TEdit(&form);
    edit->SetParent(&form);
    std::vector<std::string> changes;
    edit->OnChange = [&](TObject*) { changes.push_back(edit->Text()); };
    form.Show();
    edit->SetFocus();
    TypeText(edit->Handle(), "proxy.example");
    EXPECT_EQ(edit->Text(), "proxy.example");
    EXPECT_EQ(changes.size(), 13u);
    SendMessageA(edit->Handle(), EM_SETSEL, 5, 13);
    TypeText(edit->Handle(), "local");
    EXPECT_EQ(edit->Text(), "proxylocal");
    EXPECT_EQ(changes.back(), "proxylocal");
    TypeText(edit->Handle(), "\b\b");
    EXPECT_EQ(edit->Text(), "proxyloc");
}

// ------------------------------------------------------------------ busy cursor

TEST(BusyCursor, ShowsTheHourglassOverEveryControlAndNestsBackToTheControlsOwn) {
    InitApp();
    TForm form(nullptr);
    form.BorderStyle = TFormBorderStyle::bsNone;
    form.SetBounds(100, 100, 200, 100);
    form.Cursor = crHandPoint;
    auto* edit = new TEdit(&form);
    edit->SetParent(&form);
    edit->SetBounds(10, 10, 100, 21);
    form.Show();
    SetCursorPos(180, 180); // over the form, off the edit
    Settle();
    HCURSOR wait = LoadCursorA(nullptr, IDC_WAIT), hand = CursorHandle(crHandPoint);
    auto cursorFor = [](HWND w) {
        SendMessageA(w, WM_SETCURSOR, reinterpret_cast<WPARAM>(w), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        return GetCursor();
    };
    EXPECT_EQ(cursorFor(form.Handle()), hand);
    {
        TBusyCursor busy;
        EXPECT_EQ(GetCursor(), wait);
        EXPECT_EQ(cursorFor(form.Handle()), wait);
        EXPECT_EQ(cursorFor(edit->Handle()), wait); // the system control's own I-beam gives way
        {
            TBusyCursor inner;
            EXPECT_EQ(ScreenCursor(), crHourGlass);
        }
        EXPECT_EQ(ScreenCursor(), crHourGlass); // the outer one still holds
        EXPECT_EQ(cursorFor(form.Handle()), wait);
    }
    EXPECT_EQ(ScreenCursor(), crDefault);
    EXPECT_EQ(GetCursor(), hand); // the window under the mouse chose again at once
    EXPECT_EQ(cursorFor(form.Handle()), hand);
}

// ------------------------------------------------------------------ resources and glyphs

TEST(Resources, PicturesLoadFromTheModuleAndAMissingOneIsAClearError) {
    TBitmap bmp = LoadPictureResource("TINYBMP");
    ASSERT_EQ(bmp.Width(), 3);
    EXPECT_EQ(TBitmap::FromPixel(bmp.Pixel(0, 0)), clRed);
    EXPECT_EQ(TBitmap::FromPixel(bmp.Pixel(2, 1)), clYellow);
    TBitmap dib = LoadPictureResource("TINYBITMAP"); // stored by windres without its file header
    ASSERT_EQ(dib.Height(), 2);
    EXPECT_EQ(TBitmap::FromPixel(dib.Pixel(1, 0)), clLime);
    TBitmap jpg = LoadPictureResource("TINYJPG");
    EXPECT_EQ(jpg.Width(), 8);
    EXPECT_GT(GetRValue(TBitmap::FromPixel(jpg.Pixel(1, 1))), 200);
    try {
        LoadPictureResource("BACKGROUND");
        ADD_FAILURE() << "a missing resource loaded";
    } catch (const EResNotFound& e) { EXPECT_EQ(e.Message(), "Resource BACKGROUND not found"); }
    EXPECT_THROW(LoadPictureResource("NOTAPICTURE"), EInvalidGraphic);
}

TEST(BitBtn, OkAndCancelButtonsDrawTheirStandardGlyphs) {
    InitApp();
    TForm form(nullptr);
    form.BorderStyle = TFormBorderStyle::bsNone;
    form.SetBounds(50, 50, 200, 60);
    auto* ok = new TBitBtn(&form);
    ok->SetParent(&form);
    ok->SetBounds(10, 10, 75, 25);
    ok->SetKind(TBitBtnKind::bkOK);
    auto* cancel = new TBitBtn(&form);
    cancel->SetParent(&form);
    cancel->SetBounds(100, 10, 75, 25);
    cancel->SetKind(TBitBtnKind::bkCancel);
    EXPECT_EQ(ok->Caption(), "OK");
    EXPECT_EQ(cancel->Caption(), "Cancel");
    form.Show();
    Settle(300);
    TBitmap okPixels = ClientPixels(ok->Handle()), cancelPixels = ClientPixels(cancel->Handle());
    // The glyph stands left of the caption: its ink is in the left half, and its ground is not drawn.
    EXPECT_GT(CountColor(okPixels, kOkGlyphColor, 0, 37), 30);
    EXPECT_EQ(CountColor(okPixels, kOkGlyphColor, 37), 0);
    EXPECT_GT(CountColor(cancelPixels, kCancelGlyphColor, 0, 37), 30);
    EXPECT_EQ(CountColor(okPixels, kGlyphTransparent), 0);
    EXPECT_EQ(CountColor(cancelPixels, kGlyphTransparent), 0);
    // A glyph set before the kind stays.
    auto* custom = new TBitBtn(&form);
    custom->SetParent(&form);
    custom->SetGlyph(TBitmap(4, 4, 0x0000FF));
    custom->SetKind(TBitBtnKind::bkOK);
    EXPECT_EQ(custom->Glyph().Width(), 4);
}

// ------------------------------------------------------------------ the player's answers

namespace {

// A stand-in player window in this process: answers 104, 125, 211 and 212 from fields.
struct TFakePlayer {
    static LRESULT CALLBACK Proc(HWND w, UINT msg, WPARAM wParam, LPARAM lParam) {
        auto* self = static_cast<TFakePlayer*>(THiddenWindow::Owner(w));
        if (msg == player::kMessage && self) {
            self->asked.push_back(static_cast<long>(lParam));
            switch (lParam) {
            case player::kIsPlaying: return self->state;
            case player::kGetListPos: return self->pos;
            case player::kGetPlaylistFile:
                return wParam == 2 && !self->file.empty() ? reinterpret_cast<LRESULT>(self->file.c_str()) : 0;
            case player::kGetPlaylistTitle:
                return wParam == 2 && !self->title.empty() ? reinterpret_cast<LRESULT>(self->title.c_str()) : 0;
            default: return 0;
            }
        }
        return DefWindowProcA(w, msg, wParam, lParam);
    }
    TFakePlayer() : window("QuavoryTestPlayer", Proc, false, this), wnd(window.Handle()) {}
    THiddenWindow window;
    HWND wnd;
    LRESULT state = player::kPlaying;
    int pos = 2;
    std::string file = "C:\\music\\song.mp3", title = "Song";
    std::vector<long> asked;
};

} // namespace

TEST(PlayerQuery, AsksTheWindowInTheLiveFieldAndReadsZeroAsEmpty) {
    TFakePlayer player;
    HWND field = nullptr; // as in the record straight after load
    TPlayerQuery q([&] { return field; });
    EXPECT_FALSE(q.IsPlaying());
    EXPECT_EQ(q.PlaylistTitle(0), "");
    EXPECT_TRUE(player.asked.empty());
    field = player.wnd; // the player fills the record in; the query sees it without a new object
    EXPECT_TRUE(q.IsPlaying());
    EXPECT_EQ(q.ListPos(), 2);
    EXPECT_EQ(q.PlaylistFile(2), "C:\\music\\song.mp3");
    EXPECT_EQ(q.PlaylistTitle(2), "Song");
    EXPECT_EQ(q.PlaylistTitle(5), ""); // answer 0: no such entry
    player.state = player::kPaused;
    EXPECT_FALSE(q.IsPlaying());
    EXPECT_EQ(player.asked, (std::vector<long>{104, 125, 211, 212, 212, 104}));
    // A string without its NUL within the limit is cut there.
    std::string longText(kMaxPlayerText + 10, 'x');
    EXPECT_EQ(TPlayerQuery::TextAt(reinterpret_cast<LRESULT>(longText.c_str())).size(), kMaxPlayerText);
    EXPECT_EQ(TPlayerQuery::TextAt(0), "");
}

// ------------------------------------------------------------------ the one pump

namespace {

// Takes a WM_QUIT out of the queue if one is there; returns its code or -1.
int TakeQuit() {
    MSG m;
    if (PeekMessageA(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) return static_cast<int>(m.wParam);
    return -1;
}

} // namespace

TEST(MessagePump, EveryWaitLeavesWmQuitQueuedForTheThreadsOwnLoop) {
    InitApp();
    // ProcessMessages: later messages wait, the quit stays with its code.
    PostQuitMessage(7);
    Application->ProcessMessages();
    EXPECT_TRUE(QuitSeen());
    EXPECT_EQ(TakeQuit(), 7);
    EXPECT_EQ(TakeQuit(), -1);

    // A modal dialog whose loop meets a quit closes as cancelled and leaves the quit queued.
    TForm dlg(nullptr);
    dlg.BorderStyle = TFormBorderStyle::bsDialog;
    auto* timer = new TTimer(&dlg);
    timer->SetInterval(30);
    timer->OnTimer = [&](TObject*) {
        timer->SetEnabled(false);
        PostQuitMessage(3);
    };
    EXPECT_EQ(dlg.ShowModal(), mrCancel);
    EXPECT_FALSE(dlg.Visible());
    EXPECT_EQ(TakeQuit(), 3);

    // A wait inside a modal dialog (a request pumping) still hands the dialog its keys.
    TForm dlg2(nullptr);
    dlg2.BorderStyle = TFormBorderStyle::bsDialog;
    auto* edit = new TEdit(&dlg2);
    edit->SetParent(&dlg2);
    auto* t2 = new TTimer(&dlg2);
    t2->SetInterval(30);
    t2->OnTimer = [&](TObject*) {
        t2->SetEnabled(false);
        PostMessageA(edit->Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
        for (int i = 0; i < 20 && dlg2.ModalResult() == mrNone; ++i) WaitAndPumpMessages(10);
    };
    EXPECT_EQ(dlg2.ShowModal(), mrCancel);
}

namespace {
int g_destroyProbe = 0;
void* g_ownerAtDestroy = &g_destroyProbe;
LRESULT CALLBACK ListenerProc(HWND w, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_DESTROY) g_ownerAtDestroy = THiddenWindow::Owner(w);
    return DefWindowProcA(w, msg, wParam, lParam);
}
} // namespace

TEST(HiddenWindow, TheOwnerIsClearedBeforeTheWindowGoesAndMovesKeepOneWindow) {
    int owner = 0;
    THiddenWindow a("QuavoryTestListener", ListenerProc, true, &owner);
    ASSERT_TRUE(a);
    HWND h = a.Handle();
    EXPECT_EQ(THiddenWindow::Owner(h), &owner);
    THiddenWindow b = std::move(a);
    EXPECT_FALSE(a);
    EXPECT_EQ(b.Handle(), h);
    EXPECT_TRUE(IsWindow(h));
    b.Reset();
    EXPECT_FALSE(IsWindow(h));
    EXPECT_EQ(g_ownerAtDestroy, nullptr); // a late message finds no owner
}
