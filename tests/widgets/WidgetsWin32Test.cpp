#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/Deadlines.h"
#include "support/MessageBoxWatcher.h"
#include "toolkit/Application.h"
#include "toolkit/Buttons.h"
#include "toolkit/Forms.h"
#include "toolkit/GdiCanvas.h"
#include "toolkit/StdCtrls.h"
#include "widgets/EasysizeWin32.h"
#include "widgets/FocusBtnsWin32.h"
#include "widgets/GProgressWin32.h"
#include "widgets/MagneticFormWin32.h"
#include "widgets/pvlUrl.h"

namespace {

LRESULT Send(HWND wnd, UINT msg, WPARAM wParam, const void* lParam) {
    return SendMessageA(wnd, msg, wParam, reinterpret_cast<LPARAM>(lParam));
}

// A borderless form the size of the main window.
struct BorderlessForm {
    TForm form{nullptr};
    BorderlessForm() {
        Application->Initialize();
        form.BorderStyle = TFormBorderStyle::bsNone;
        form.SetBounds(100, 100, 564, 492);
        form.Show();
    }
};

} // namespace

TEST(MagneticFormWin32, HooksTheWindowAndPutsTheOldProcedureBack) {
    BorderlessForm f;
    HWND wnd = f.form.Handle();
    auto before = GetWindowLongPtrA(wnd, GWLP_WNDPROC);
    auto* mf = new TMagneticForm(&f.form);
    EXPECT_NE(GetWindowLongPtrA(wnd, GWLP_WNDPROC), before);
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(mf->SavedWindowProc()), before);
    EXPECT_EQ(mf->HostForm(), &f.form);
    EXPECT_TRUE(mf->AlwaysMoveable); // the form has no border
    EXPECT_EQ(mf->Resize.Ratio.Width(), 564);
    EXPECT_EQ(mf->Resize.Ratio.Height(), 492);
    delete mf;
    EXPECT_EQ(GetWindowLongPtrA(wnd, GWLP_WNDPROC), before);
    // The form still works through its own procedure.
    EXPECT_EQ(SendMessageA(wnd, WM_NCHITTEST, 0, MAKELPARAM(300, 300)), HTCLIENT);

    // Only a form can carry one.
    TComponent notAForm(nullptr);
    EXPECT_THROW(TMagneticForm bad(&notAForm), EInvalidOperation);
    EXPECT_EQ(notAForm.ComponentCount(), 0);
}

TEST(MagneticFormWin32, MovingSnapsToTheScreenEdges) {
    BorderlessForm f;
    HWND wnd = f.form.Handle();
    auto* mf = new TMagneticForm(&f.form);
    int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    struct Case {
        RECT in, out;
    } cases[] = {
        {{9, 100, 9 + 564, 592}, {0, 100, 564, 592}},
        {{10, 100, 10 + 564, 592}, {10, 100, 10 + 564, 592}},
        {{-4, 100, -4 + 564, 592}, {0, 100, 564, 592}},
        {{-5, 100, -5 + 564, 592}, {-5, 100, -5 + 564, 592}},
        {{200, sh - 8 - 492, 764, sh - 8}, {200, sh - 492, 764, sh}},
        {{200, sh - 10 - 492, 764, sh - 10}, {200, sh - 10 - 492, 764, sh - 10}},
        {{sw - 560, 200, sw + 4, 692}, {sw - 564, 200, sw, 692}},
    };
    for (auto c : cases) {
        RECT r = c.in;
        Send(wnd, WM_MOVING, WMSZ_LEFT, &r);
        EXPECT_EQ(r.left, c.out.left) << c.in.left << "," << c.in.top;
        EXPECT_EQ(r.top, c.out.top);
        EXPECT_EQ(r.right, c.out.right);
        EXPECT_EQ(r.bottom, c.out.bottom);
    }
    // A handler that raises does not take the window procedure down with it.
    std::vector<std::string> seen;
    Application->OnException = [&](TObject*, const std::exception& e) { seen.push_back(e.what()); };
    mf->OnMoving = [](TObject*, TRect&) { throw Exception("moving failed"); };
    RECT r{9, 100, 573, 592};
    Send(wnd, WM_MOVING, WMSZ_LEFT, &r);
    Application->OnException = nullptr;
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], "moving failed");
    EXPECT_EQ(r.left, 9);
    delete mf;
}

TEST(MagneticFormWin32, SizingAndHitTesting) {
    BorderlessForm f;
    HWND wnd = f.form.Handle();
    auto* mf = new TMagneticForm(&f.form);
    mf->Resize.Ratio.Enabled = true;
    mf->Resize.Ratio.SetAspectRatio(1.5f);
    RECT r{100, 100, 500, 301};
    EXPECT_EQ(Send(wnd, WM_SIZING, WMSZ_BOTTOMRIGHT, &r), TRUE);
    EXPECT_EQ(r.right, 401);
    r = RECT{100, 100, 500, 301};
    Send(wnd, WM_SIZING, WMSZ_BOTTOM, &r);
    EXPECT_EQ(r.right, 500);

    RECT client;
    GetClientRect(wnd, &client);
    ASSERT_EQ(client.right, 564);
    ASSERT_EQ(client.bottom, 492);
    auto hit = [&](int x, int y) {
        POINT p{x, y};
        ClientToScreen(wnd, &p);
        return SendMessageA(wnd, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y));
    };
    EXPECT_EQ(hit(300, 200), HTCAPTION); // AlwaysMoveable
    EXPECT_EQ(hit(559, 200), HTCAPTION); // no zones while Resize is off
    mf->Resize.Enabled = true;
    EXPECT_EQ(hit(559, 200), HTRIGHT);
    EXPECT_EQ(hit(558, 200), HTCAPTION);
    EXPECT_EQ(hit(200, 488), HTBOTTOM);
    EXPECT_EQ(hit(200, 487), HTCAPTION);
    EXPECT_EQ(hit(2, 2), HTTOPLEFT);
    mf->AlwaysMoveable = false;
    EXPECT_EQ(hit(300, 200), HTCLIENT);
    delete mf;
}

// A window moved from anywhere still lets its windowless picture buttons take their clicks: a
// press on one clicks it (no drag), a press on a label beside it starts a drag.
TEST(MagneticFormWin32, WindowlessButtonsKeepTheirClicksOnAWindowMovedFromAnywhere) {
    BorderlessForm f;
    HWND wnd = f.form.Handle();
    auto* mf = new TMagneticForm(&f.form);
    mf->AlwaysMoveable = true;
    auto* label = new TLabel(&f.form);
    label->SetParent(&f.form);
    label->SetBounds(10, 10, 100, 20);
    label->SetCaption("drag me");
    auto* button = new TSpeedButton(&f.form);
    button->SetParent(&f.form);
    button->SetBounds(200, 10, 30, 30);
    int clicks = 0;
    button->OnClick = [&](TObject*) { ++clicks; };
    auto hit = [&](int x, int y) {
        POINT p{x, y};
        ClientToScreen(wnd, &p);
        return SendMessageA(wnd, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y));
    };
    EXPECT_EQ(hit(215, 25), HTCLIENT);
    EXPECT_EQ(hit(50, 20), HTCAPTION);
    EXPECT_EQ(hit(300, 200), HTCAPTION);
    button->SetEnabled(false); // a disabled button is part of the artwork again
    EXPECT_EQ(hit(215, 25), HTCAPTION);
    button->SetEnabled(true);

    // Pressed: drawn down while the button is held over it; released over it: one click.
    SendMessageA(wnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(215, 25));
    EXPECT_TRUE(button->Down());
    SendMessageA(wnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(400, 300));
    EXPECT_FALSE(button->Down()); // dragged off: up again, and no click on release there
    SendMessageA(wnd, WM_LBUTTONUP, 0, MAKELPARAM(400, 300));
    EXPECT_EQ(clicks, 0);
    SendMessageA(wnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(215, 25));
    SendMessageA(wnd, WM_LBUTTONUP, 0, MAKELPARAM(216, 26));
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(button->Down());
    delete mf;
}

TEST(MagneticFormWin32, ASecondComponentOnTheSameFormIsRefused) {
    BorderlessForm f;
    auto* first = new TMagneticForm(&f.form);
    EXPECT_THROW(new TMagneticForm(&f.form), EInvalidOperation);
    // The first still answers (no procedure chain running in a circle).
    EXPECT_EQ(SendMessageA(f.form.Handle(), WM_NCHITTEST, 0, MAKELPARAM(300, 300)), HTCAPTION);
    delete first;
    EXPECT_EQ(SendMessageA(f.form.Handle(), WM_NCHITTEST, 0, MAKELPARAM(300, 300)), HTCLIENT);
    // Once it has gone, another may take its place.
    new TMagneticForm(&f.form);
    EXPECT_EQ(SendMessageA(f.form.Handle(), WM_NCHITTEST, 0, MAKELPARAM(300, 300)), HTCAPTION);
}

TEST(MagneticFormWin32, WindowDestroyedBeforeTheComponent) {
    Application->Initialize();
    auto* form = new TForm(nullptr);
    form->BorderStyle = TFormBorderStyle::bsNone;
    form->SetBounds(0, 0, 200, 100);
    HWND wnd = form->Handle();
    auto* mf = new TMagneticForm(form);
    DestroyWindow(wnd);
    delete mf; // nothing left to restore
    delete form;
    SUCCEED();
}

namespace {

struct ButtonForm {
    TForm form{nullptr};
    TFocusButton* def;
    TFocusButton* other;
    TButton* plain;
    TEdit* edit;
    ButtonForm() {
        Application->Initialize();
        form.BorderStyle = TFormBorderStyle::bsNone;
        form.SetBounds(50, 50, 300, 200);
        def = AddFocusButton("Enter Rating for", 10, 10, true);
        other = AddFocusButton("Other", 10, 60, false);
        plain = new TButton(&form);
        plain->SetParent(&form);
        plain->SetCaption("Plain");
        plain->SetBounds(150, 10, 75, 25);
        edit = new TEdit(&form);
        edit->SetParent(&form);
        edit->SetBounds(150, 60, 100, 21);
        form.Show();
        SetForegroundWindow(form.Handle());
        PumpUntil([] { return false; }, 50);
    }
    TFocusButton* AddFocusButton(const char* caption, int x, int y, bool isDefault) {
        auto* b = new TFocusButton(&form);
        b->SetParent(&form);
        b->SetAutoSize(false);
        b->SetBounds(x, y, 120, 38);
        b->SetCaption(caption);
        b->SetDefault(isDefault);
        return b;
    }
};

// Asks the parent to draw the button into an off-screen bitmap, the way the button window asks
// for its picture, and returns the pixels.
TBitmap DrawThroughParent(TFocusButton* b, UINT state) {
    HDC screen = GetDC(nullptr);
    TOffscreen off(screen, b->Width(), b->Height());
    ReleaseDC(nullptr, screen);
    DRAWITEMSTRUCT dis{};
    dis.CtlType = ODT_BUTTON;
    dis.CtlID = static_cast<UINT>(GetDlgCtrlID(b->Handle()));
    dis.itemAction = ODA_DRAWENTIRE;
    dis.itemState = state;
    dis.hwndItem = b->Handle();
    dis.hDC = off.DC();
    dis.rcItem = RECT{0, 0, b->Width(), b->Height()};
    Send(b->Parent()->Handle(), WM_DRAWITEM, dis.CtlID, &dis);
    return off.ToBitmap();
}

int Count(const TBitmap& bmp, TRect r, TColor c) {
    uint32_t p = TBitmap::ToPixel(ColorToRGB(c));
    int n = 0;
    for (int y = r.Top; y < r.Bottom; ++y)
        for (int x = r.Left; x < r.Right; ++x)
            if ((bmp.Pixel(x, y) & 0xFFFFFF) == p) ++n;
    return n;
}

} // namespace

TEST(FocusButtonWin32, IsOwnerDrawnAndStaysSoWhenMadeDefault) {
    ButtonForm f;
    LONG style = GetWindowLongA(f.def->Handle(), GWL_STYLE);
    EXPECT_EQ(style & BS_TYPEMASK, BS_OWNERDRAW);
    f.other->SetDefault(true);
    f.other->SetDefault(false);
    EXPECT_EQ(GetWindowLongA(f.other->Handle(), GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
    EXPECT_TRUE(f.def->IsActive()); // Default when the window was created
    EXPECT_FALSE(f.other->IsActive());
}

TEST(FocusButtonWin32, ActiveFrameMovesWithTheFocus) {
    ButtonForm f;
    f.plain->SetFocus();
    EXPECT_FALSE(f.def->IsActive());
    EXPECT_FALSE(f.other->IsActive());
    f.other->SetFocus();
    EXPECT_TRUE(f.other->IsActive());
    EXPECT_FALSE(f.def->IsActive());
    f.edit->SetFocus(); // not a push button: the default button has it again
    EXPECT_TRUE(f.def->IsActive());
    EXPECT_FALSE(f.other->IsActive());
    f.def->SetFocus();
    EXPECT_TRUE(f.def->IsActive());
    // A picture button is a push button too: the frame leaves the default button for it.
    auto* picture = new TBitBtn(&f.form);
    picture->SetParent(&f.form);
    picture->SetBounds(150, 150, 75, 25);
    picture->SetFocus();
    EXPECT_FALSE(f.def->IsActive());
    EXPECT_FALSE(f.other->IsActive());
    // A check box is not: the default button has the frame while it holds the focus.
    auto* check = new TCheckBox(&f.form);
    check->SetParent(&f.form);
    check->SetBounds(150, 10, 80, 17);
    check->SetFocus();
    EXPECT_TRUE(f.def->IsActive());
}

TEST(FocusButtonWin32, DrawsItsFramesAndCaptionOnDrawItem) {
    ButtonForm f;
    const TRect face = Rect(4, 4, 115, 33);
    TBitmap active = DrawThroughParent(f.def, 0);
    EXPECT_EQ(active.Pixel(0, 0) & 0xFFFFFF, TBitmap::ToPixel(ColorToRGB(clWindowFrame)));
    EXPECT_EQ(active.Pixel(118, 36) & 0xFFFFFF, TBitmap::ToPixel(ColorToRGB(clWindowFrame)));
    EXPECT_GT(Count(active, face, f.def->Font().Color), 20); // the caption

    TBitmap inactive = DrawThroughParent(f.other, 0);
    EXPECT_EQ(inactive.Pixel(0, 0) & 0xFFFFFF, TBitmap::ToPixel(ColorToRGB(clBtnHighlight)));
    TBitmap pressed = DrawThroughParent(f.other, ODS_SELECTED);
    EXPECT_EQ(pressed.Pixel(0, 0) & 0xFFFFFF, TBitmap::ToPixel(ColorToRGB(cl3DDkShadow)));
    // Pressing moves the caption one pixel right and down.
    int shiftedMatches = 0, textPixels = 0;
    uint32_t text = TBitmap::ToPixel(ColorToRGB(f.other->Font().Color));
    for (int y = face.Top; y < face.Bottom; ++y)
        for (int x = face.Left; x < face.Right; ++x)
            if ((inactive.Pixel(x, y) & 0xFFFFFF) == text) {
                ++textPixels;
                if ((pressed.Pixel(x + 1, y + 1) & 0xFFFFFF) == text) ++shiftedMatches;
            }
    EXPECT_GT(textPixels, 10);
    EXPECT_EQ(shiftedMatches, textPixels);

    f.other->SetEnabled(false);
    TBitmap disabled = DrawThroughParent(f.other, 0);
    EXPECT_EQ(Count(disabled, face, text), 0);
    EXPECT_GT(Count(disabled, face, clBtnShadow), 10);
    EXPECT_GT(Count(disabled, face, clBtnHighlight), 10);
}

TEST(FocusButtonWin32, PaintsOnScreen) {
    ButtonForm f;
    RedrawWindow(f.form.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpUntil([] { return false; }, 100);
    POINT p{0, 0};
    ClientToScreen(f.def->Handle(), &p);
    HDC screen = GetDC(nullptr);
    COLORREF corner = GetPixel(screen, p.x, p.y);
    COLORREF face = GetPixel(screen, p.x + 60, p.y + 5);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(corner, static_cast<COLORREF>(ColorToRGB(clWindowFrame)));
    EXPECT_EQ(face, static_cast<COLORREF>(ColorToRGB(clBtnFace)));
}

TEST(FocusButtonWin32, AutoSizeFollowsTheCaption) {
    ButtonForm f;
    auto* b = new TFocusButton(&f.form);
    b->SetParent(&f.form);
    b->SetHotTrack(false);
    b->SetShowFocus(false);
    b->SetCaption("Hello");
    HDC dc = GetDC(nullptr);
    TSize ext;
    {
        TGdiCanvas c(dc);
        c.Font = b->Font();
        ext = c.TextExtent("Hello");
    }
    ReleaseDC(nullptr, dc);
    EXPECT_EQ(b->Width(), ext.cx + 10);
    EXPECT_EQ(b->Height(), ext.cy + 10);

    // While loading, the designed bounds stay; the end of loading sizes the button.
    b->BeginLoading();
    b->SetBounds(5, 5, 181, 38);
    b->SetCaption("Hello");
    b->SetCaption("Hello World");
    EXPECT_EQ(b->Width(), 181);
    b->EndLoading();
    EXPECT_EQ(b->Height(), ext.cy + 10);
    EXPECT_GT(b->Width(), ext.cx + 10);
    EXPECT_LT(b->Width(), 181);
}

TEST(GProgressWin32, PaintsBlocksOnItsParent) {
    BorderlessForm f;
    f.form.SetColor(clBlack);
    auto* bar = new TGProgress(&f.form);
    bar->SetParent(&f.form);
    bar->SetBounds(16, 471, 392, 13);
    bar->SetBackgroundColor(clBlack);
    bar->SetMax(50);
    bar->SetColor(clLime);
    bar->SetColorEnd(clRed);
    bar->SetPosition(50);
    RedrawWindow(f.form.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    PumpUntil([] { return false; }, 100);
    POINT p{16, 471};
    ClientToScreen(f.form.Handle(), &p);
    HDC screen = GetDC(nullptr);
    COLORREF first = GetPixel(screen, p.x + 5, p.y + 6);
    COLORREF last = GetPixel(screen, p.x + 385, p.y + 6);
    COLORREF frame = GetPixel(screen, p.x, p.y + 6);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(first, static_cast<COLORREF>(clLime));
    EXPECT_EQ(last, static_cast<COLORREF>(clRed));
    EXPECT_EQ(frame, static_cast<COLORREF>(ColorToRGB(clBtnShadow)));

    TMessageBoxWatcher box("Error");
    bar->SetMin(-1);
    ASSERT_TRUE(box.Wait());
    EXPECT_EQ(box.Text(), "Value must be between 0 and 2147483647");
    EXPECT_EQ(bar->Min(), 0);
}

TEST(EasysizeWin32, ScalesToolkitControlsAndAutoSizesLabels) {
    BorderlessForm f;
    auto* resizer = new TFormResizer(&f.form);
    resizer->ResizeFonts = true;
    resizer->MinFontSize = 2;
    auto* label = new TLabel(&f.form);
    label->SetParent(&f.form);
    label->SetCaption("Title of the track");
    label->SetBounds(10, 20, 50, 13);
    auto* button = new TButton(&f.form);
    button->SetParent(&f.form);
    button->SetBounds(100, 100, 75, 25);
    resizer->RecordLayout();
    f.form.SetBounds(100, 100, 1128, 984);
    resizer->ScaleControls();
    EXPECT_EQ(button->BoundsRect(), Bounds(200, 200, 150, 50));
    EXPECT_EQ(button->Font().Size(), 16);
    EXPECT_EQ(label->Left(), 20);
    EXPECT_EQ(label->Top(), 40);
    HDC dc = GetDC(nullptr);
    int textWidth;
    {
        TGdiCanvas c(dc);
        c.Font = label->Font();
        textWidth = c.TextWidth("Title of the track");
    }
    ReleaseDC(nullptr, dc);
    EXPECT_EQ(label->Width(), textWidth);
    f.form.SetBounds(100, 100, 564, 492);
    resizer->ScaleControls();
    EXPECT_EQ(button->BoundsRect(), Bounds(100, 100, 75, 25));
    EXPECT_EQ(button->Font().Size(), 8);
}

namespace {

// Registers a program under ".htm" in the classes root for the length of a test and puts the
// previous registration back afterwards.
class HtmRegistration {
public:
    explicit HtmRegistration(const std::string& className, const std::string* command) {
        old_ = Read(".htm", hadOld_);
        Write(".htm", className);
        if (command) Write(className + "\\shell\\open\\command", *command);
        class_ = className;
    }
    ~HtmRegistration() {
        RegDeleteKeyA(HKEY_CLASSES_ROOT, (class_ + "\\shell\\open\\command").c_str());
        RegDeleteKeyA(HKEY_CLASSES_ROOT, (class_ + "\\shell\\open").c_str());
        RegDeleteKeyA(HKEY_CLASSES_ROOT, (class_ + "\\shell").c_str());
        RegDeleteKeyA(HKEY_CLASSES_ROOT, class_.c_str());
        if (hadOld_) Write(".htm", old_);
    }

private:
    static std::string Read(const std::string& key, bool& found) {
        TpvlUrl reader(nullptr);
        std::string v;
        found = reader.ReadClassesValue(key, v) == 0;
        return v;
    }
    static void Write(const std::string& key, const std::string& value) {
        HKEY k;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &k, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(k, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), static_cast<DWORD>(value.size() + 1));
        RegCloseKey(k);
    }
    std::string old_, class_;
    bool hadOld_ = false;
};

std::string HereFile(const char* name) {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s = path;
    return s.substr(0, s.find_last_of("\\/") + 1) + name;
}

// Reads the stand-in browser's record: a count line, then each argument as "length:text\n".
// False while the recorder has not written all of it yet.
bool ParseRecord(const std::string& path, std::vector<std::string>& args) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    std::string s = ss.str();
    size_t nl = s.find('\n');
    if (nl == std::string::npos) return false;
    int count = std::atoi(s.substr(0, nl).c_str());
    size_t at = nl + 1;
    std::vector<std::string> out;
    for (int i = 0; i < count; ++i) {
        size_t colon = s.find(':', at);
        if (colon == std::string::npos) return false;
        size_t len = static_cast<size_t>(std::atoi(s.substr(at, colon - at).c_str()));
        if (colon + 1 + len + 1 > s.size()) return false;
        out.push_back(s.substr(colon + 1, len));
        at = colon + 1 + len + 1;
    }
    args = out;
    return true;
}

// Waits (bounded) until the stand-in browser, another process, has written its whole record.
bool ReadRecord(const std::string& path, std::vector<std::string>& args) {
    return PumpUntil([&] { return ParseRecord(path, args); }, kOtherProcessMs);
}

} // namespace

TEST(pvlUrlWin32, StartsTheRegisteredBrowserWithTheAddressAsOneArgument) {
    const std::string recorder = HereFile("urlrecorder.exe");
    ASSERT_NE(GetFileAttributesA(recorder.c_str()), INVALID_FILE_ATTRIBUTES) << recorder;
    const std::string command = "\"" + recorder + "\" \"%1\"";
    HtmRegistration reg("QuavoryTestBrowser", &command);
    const std::string record = HereFile("urlrecord.txt");
    SetEnvironmentVariableA("QV_URL_RECORD", record.c_str());

    const std::string urls[] = {
        "http://www.example.com/page.htm",
        "http://www.example.com/a page with blanks.htm",
        "http://x/?q=\"quoted\" -new-window \"file:///c:/\"",
        "http://x/?a=1&b=2 & calc.exe",
        "http://x/dir\\\\\"",
        "",
    };
    TpvlUrl url(nullptr);
    for (const auto& u : urls) {
        DeleteFileA(record.c_str());
        url.Url = u;
        url.OpenUrl();
        std::vector<std::string> args;
        ASSERT_TRUE(ReadRecord(record, args)) << u;
        ASSERT_EQ(args.size(), 1u) << u;
        EXPECT_EQ(args[0], u);
    }
    DeleteFileA(record.c_str());
}

TEST(pvlUrlWin32, MissingOpenCommandIsSilentAndAFailedStartRaises) {
    const std::string record = HereFile("urlrecord.txt");
    SetEnvironmentVariableA("QV_URL_RECORD", record.c_str());
    DeleteFileA(record.c_str());
    {
        HtmRegistration reg("QuavoryNoCommand", nullptr);
        TpvlUrl url(nullptr);
        url.Url = "http://x/";
        EXPECT_NO_THROW(url.OpenUrl());
    }
    {
        const std::string command = "\"C:\\no\\such\\browser.exe\" \"%1\"";
        HtmRegistration reg("QuavoryBrokenBrowser", &command);
        TpvlUrl url(nullptr);
        url.Url = "http://x/";
        Application->SetTitle("THE QUAVORY");
        Application->Initialize();
        TMessageBoxWatcher box("THE QUAVORY");
        try {
            url.OpenUrl();
            ADD_FAILURE() << "no exception";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), "Couldn't launch default browser");
            Application->HandleException(e);
        }
        ASSERT_TRUE(box.Wait());
        EXPECT_EQ(box.Text(), "Couldn't launch default browser.");
    }
    EXPECT_EQ(GetFileAttributesA(record.c_str()), INVALID_FILE_ATTRIBUTES);
}
