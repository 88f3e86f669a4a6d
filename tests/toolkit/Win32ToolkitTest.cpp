#include <gtest/gtest.h>

#include "support/MessageBoxWatcher.h"
#include "toolkit/Application.h"
#include "toolkit/Buttons.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/FormDesc.h"
#include "toolkit/Forms.h"
#include "toolkit/GdiCanvas.h"
#include "toolkit/Registry.h"
#include "toolkit/StdCtrls.h"
#include "toolkit/SysUtils.h"

TEST(Application, HandleExceptionShowsTheStandardErrorBox) {
    Application->SetTitle("THE QUAVORY");
    Application->Initialize();
    {
        TMessageBoxWatcher box("THE QUAVORY");
        Application->HandleException(EConvertError("'80a' is not a valid integer value"));
        ASSERT_TRUE(box.Wait());
        EXPECT_EQ(box.Text(), "'80a' is not a valid integer value.");
        EXPECT_TRUE(box.HasErrorIcon());
    }
    {
        TMessageBoxWatcher box("THE QUAVORY");
        Application->HandleException(Exception("Connection failed!"));
        ASSERT_TRUE(box.Wait());
        EXPECT_EQ(box.Text(), "Connection failed!");
    }
}

TEST(Application, AbortIsSilentAndHandlerExceptionsNeverLeaveTheWindowProcedure) {
    Application->Initialize();
    std::vector<std::string> seen;
    Application->OnException = [&](TObject*, const std::exception& e) { seen.push_back(e.what()); };
    Application->HandleException(EAbort());
    EXPECT_TRUE(seen.empty());

    TForm form(nullptr);
    auto* b = new TButton(&form);
    b->SetParent(&form);
    b->OnClick = [](TObject*) { throw Exception("from a click"); };
    form.Show();
    // The click arrives through the window procedure; the exception must end there.
    SendMessageA(b->Handle(), BM_CLICK, 0, 0);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], "from a click");
    Application->OnException = nullptr;
}

TEST(Timer, TicksWhileEnabledAndStopsWhenDisabled) {
    TComponent owner(nullptr);
    auto* t = new TTimer(&owner);
    int ticks = 0;
    t->SetInterval(20);
    t->OnTimer = [&](TObject* s) {
        EXPECT_EQ(s, t);
        if (++ticks == 3) t->SetEnabled(false);
    };
    EXPECT_TRUE(PumpUntil([&] { return ticks >= 3; }, 3000));
    PumpUntil([] { return false; }, 150);
    EXPECT_EQ(ticks, 3);
}

TEST(Timer, DestroyingTheOwnerStopsItsTimers) {
    int ticks = 0;
    {
        TComponent owner(nullptr);
        auto* t = new TTimer(&owner);
        t->SetInterval(10);
        t->OnTimer = [&](TObject*) { ++ticks; };
    }
    PumpUntil([] { return false; }, 100);
    EXPECT_EQ(ticks, 0);
}

TEST(Form, ShowModalReturnsTheResultOfTheButtonClicked) {
    Application->Initialize();
    TForm dlg(nullptr);
    dlg.BorderStyle = TFormBorderStyle::bsDialog;
    dlg.SetClientSize(200, 80);
    dlg.SetCaption("Modal test");
    auto* ok = new TBitBtn(&dlg);
    ok->SetParent(&dlg);
    ok->SetKind(TBitBtnKind::bkOK);
    auto* timer = new TTimer(&dlg);
    timer->SetInterval(50);
    timer->OnTimer = [&](TObject*) {
        timer->SetEnabled(false);
        PostMessageA(ok->Handle(), BM_CLICK, 0, 0);
    };
    EXPECT_EQ(dlg.ShowModal(), mrOk);
    EXPECT_FALSE(dlg.Visible());
    EXPECT_EQ(dlg.ClientWidth(), 200);
}

TEST(Form, EscapeCancelsAModalDialog) {
    Application->Initialize();
    TForm dlg(nullptr);
    dlg.BorderStyle = TFormBorderStyle::bsDialog;
    auto* edit = new TEdit(&dlg);
    edit->SetParent(&dlg);
    auto* timer = new TTimer(&dlg);
    timer->SetInterval(50);
    timer->OnTimer = [&](TObject*) {
        timer->SetEnabled(false);
        PostMessageA(edit->Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
    };
    EXPECT_EQ(dlg.ShowModal(), mrCancel);
}

TEST(Form, ClosingAFormThatIsNotTheMainFormHidesIt) {
    Application->Initialize();
    TForm f(nullptr);
    f.BorderStyle = TFormBorderStyle::bsNone;
    f.SetClientSize(100, 50);
    f.Show();
    HWND h = f.Handle();
    ASSERT_TRUE(IsWindowVisible(h));
    auto* inside = new TLabel(&f);
    inside->SetParent(&f);
    EXPECT_TRUE(f.Showing());
    EXPECT_TRUE(inside->Showing());
    SendMessageA(h, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(h));
    EXPECT_FALSE(IsWindowVisible(h));
    EXPECT_FALSE(inside->Showing());
    EXPECT_FALSE(Application->Terminated());
}

TEST(Form, ChildControlsGoWithTheirOwnerAndLabelsPaintThroughTheCanvas) {
    Application->Initialize();
    auto* f = new TForm(nullptr);
    f->BorderStyle = TFormBorderStyle::bsNone;
    f->SetColor(clBlack);
    f->SetClientSize(120, 40);
    auto* l = new TLabel(f);
    l->SetParent(f);
    l->SetAutoSize(false);
    l->SetBounds(10, 10, 60, 20);
    l->SetTransparent(false);
    l->SetColor(clRed);
    auto* edit = new TEdit(f);
    edit->SetParent(f);
    edit->SetBounds(80, 5, 30, 21);
    f->Show();
    HWND editWnd = edit->Handle();
    ASSERT_TRUE(IsWindow(editWnd));

    // Paint the form into an off-screen surface and read the pixels back.
    HDC screen = GetDC(nullptr);
    {
        TOffscreen off(screen, 120, 40);
        TGdiCanvas canvas(off.DC());
        canvas.Brush.Color = clBlack;
        canvas.FillRect(Rect(0, 0, 120, 40));
        f->PaintControls(canvas, Rect(0, 0, 120, 40));
        TBitmap b = off.ToBitmap();
        EXPECT_EQ(TBitmap::FromPixel(b.Pixel(15, 15)), clRed);
        EXPECT_EQ(TBitmap::FromPixel(b.Pixel(5, 5)), clBlack);
        EXPECT_EQ(TBitmap::FromPixel(b.Pixel(69, 29)), clRed);
        EXPECT_EQ(TBitmap::FromPixel(b.Pixel(70, 30)), clBlack);
    }
    ReleaseDC(nullptr, screen);
    delete f;
    EXPECT_FALSE(IsWindow(editWnd));
}

TEST(Registry, ValueNamesIgnoreCaseAndOtherTypesAreRejected) {
    const std::string path = "\\Software\\QuavoryTests\\Registry";
    TRegistry reg;
    reg.RootKey = HKEY_CURRENT_USER;
    ASSERT_TRUE(reg.OpenKey(path, true));
    reg.WriteString("proxyport", "8080");
    EXPECT_TRUE(reg.ValueExists("ProxyPort"));
    EXPECT_EQ(reg.ReadString("ProxyPort"), "8080");
    EXPECT_EQ(reg.ReadString("Missing"), "");
    EXPECT_FALSE(reg.ValueExists("Missing"));
    DWORD number = 5;
    RegSetValueExA(reg.CurrentKey(), "Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
    try {
        reg.ReadString("Number");
        ADD_FAILURE() << "a DWORD value read as text";
    } catch (const ERegistryException& e) { EXPECT_EQ(e.Message(), "Invalid data type for 'Number'"); }
    reg.CloseKey();
    TRegistry reader(KEY_READ);
    EXPECT_FALSE(reader.OpenKey("\\Software\\QuavoryTests\\Nowhere", false));
    ASSERT_TRUE(reader.OpenKey(path, false));
    EXPECT_EQ(reader.ReadString("PROXYPORT"), "8080");
    reader.CloseKey();
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\QuavoryTests\\Registry");
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\QuavoryTests");
}

TEST(GdiCanvas, FillsExactPixelsLikeTheMemoryCanvas) {
    HDC screen = GetDC(nullptr);
    {
        TOffscreen off(screen, 20, 10);
        TGdiCanvas canvas(off.DC());
        canvas.Brush.Color = clBlack;
        canvas.FillRect(Rect(0, 0, 20, 10));
        canvas.Brush.Color = clLime;
        canvas.FillRect(Rect(2, 3, 6, 5));
        canvas.Brush.Color = clRed;
        canvas.FrameRect(Rect(10, 0, 14, 4));
        TBitmap b = off.ToBitmap();
        int lime = 0, red = 0;
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 20; ++x) {
                lime += TBitmap::FromPixel(b.Pixel(x, y)) == clLime;
                red += TBitmap::FromPixel(b.Pixel(x, y)) == clRed;
            }
        EXPECT_EQ(lime, 8);
        EXPECT_EQ(red, 12);
        // Tahoma 11 px as the plug-in's window uses it.
        canvas.Font.Name = "Tahoma";
        canvas.Font.Height = -11;
        EXPECT_EQ(canvas.TextMetrics().Height, 13);
    }
    ReleaseDC(nullptr, screen);
}

TEST(FormDescription, RowsCreateNamedControlsWithSettingsAppliedOnce) {
    Application->Initialize();
    TForm form(nullptr);
    form.BorderStyle = TFormBorderStyle::bsNone;
    form.SetClientSize(300, 100);
    int clicks = 0;
    Describe(form,
             {
                 // A fixed-size label keeps its designed box although its caption comes first.
                 Row<TLabel>("Fixed", 4, 22, 258, 16, "CURRENT TRACK",
                             [](TLabel& l) {
                                 l.SetAutoSize(false);
                                 l.SetAlignment(TAlignment::taCenter);
                             }),
                 // An auto-sized one takes its caption's size once set up.
                 Row<TLabel>("Auto", 10, 50, 200, 30, "Quick Start"),
                 Row<TButton>("Go", 200, 60, 80, 25, "Go", nullptr, [&](TButton& b) { b.OnClick = [&](TObject*) { ++clicks; }; }),
             });
    auto* fixed = Find<TLabel>(form, "Fixed");
    auto* autoSized = Find<TLabel>(form, "Auto");
    auto* go = Find<TButton>(form, "Go");
    ASSERT_TRUE(fixed && autoSized && go);
    EXPECT_EQ(fixed->BoundsRect(), Bounds(4, 22, 258, 16));
    EXPECT_FALSE(fixed->Loading());
    EXPECT_LT(autoSized->Width(), 200);
    EXPECT_GT(autoSized->Width(), 0);
    EXPECT_EQ(go->Parent(), &form);
    form.Show();
    SendMessageA(go->Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(Find<TButton>(form, "Fixed"), nullptr); // wrong kind
}
