// The main window's two layouts, each run inside a Wine virtual desktop of the screen width it
// needs (tests/plugin/in-desktop.sh): 800 pixels gives the narrow layout, exactly 810 the wide one.
#include <gtest/gtest.h>

#include "WindowTestKit.h"
#include "html/Htmlview.h"
#include "plugin/FormCode.h"
#include "toolkit/Application.h"
#include "toolkit/Buttons.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/StdCtrls.h"

namespace {

class LayoutTest : public ::testing::Test {
protected:
    void SetUp() override {
        Application->SetTitle("THE QUAVORY");
        Application->Initialize();
        ClearUserState();
        TID3v1Record a = Tag("Harbour Lights", "The Velmorra Trio");
        player.list = {{"The Velmorra Trio - Harbour Lights", music.Add("01.mp3", &a)}};
        form = new TForm1(Application, [this] { return player.wnd; });
        form->Show();
        PumpUntil([&] { return !form->TrackLabel->Caption().empty(); }, 4000);
        SetForegroundWindow(form->Handle());
        PumpUntil([] { return false; }, 300);
    }
    void TearDown() override {
        delete form;
        ClearUserState();
    }
    TTestPlayer player;
    TMusicFolder music;
    TForm1* form = nullptr;
};

TEST_F(LayoutTest, NarrowScreenOf800Pixels) {
    ASSERT_EQ(GetSystemMetrics(SM_CXSCREEN), 800) << "run this inside an 800-pixel virtual desktop";
    EXPECT_FALSE(form->WideLayout());
    EXPECT_EQ(form->Width(), 460);
    EXPECT_EQ(form->Height(), 410);
    EXPECT_EQ(form->Viewer2->DefFontSize(), 6);
    for (TLabel* l : {form->QSLabel1, form->QSLabel4, form->QSLabel8}) EXPECT_EQ(l->Font().Size(), 8) << l->Name();
    // The narrow heading and stop picture; the small link buttons show where the large ones were.
    EXPECT_TRUE(form->HeadingOn400->Visible());
    EXPECT_FALSE(form->HeadingOn->Visible());
    EXPECT_FALSE(form->HeadingOff->Visible());
    EXPECT_TRUE(form->StopGreyImageSmall->Visible());
    EXPECT_FALSE(form->StopGreyImage->Visible());
    EXPECT_FALSE(form->PellucorBtnLarge->Visible());
    EXPECT_FALSE(form->VelmorraBtnLarge->Visible());
    EXPECT_TRUE(form->PellucorBtnSmall->Visible());
    EXPECT_TRUE(form->VelmorraBtnSmall->Visible());
    // Controls scaled to the new size; the centred labels span the window.
    EXPECT_EQ(form->CurrentTrackLabel->Width(), 460);
    EXPECT_EQ(form->TrackLabel->Width(), 460);
    EXPECT_EQ(form->Image4->Width(), 460);
    EXPECT_LT(form->BitBtn5->Left() + form->BitBtn5->Width(), 461);
    EXPECT_EQ(form->TrackLabel->Caption(), "HARBOUR LIGHTS - THE VELMORRA TRIO");
    int w = 0, h = 0;
    Screenshot(form->Handle(), "main-narrow", &w, &h);
    EXPECT_EQ(w, 460);
    EXPECT_EQ(h, 410);
    // Losing activation shows the narrow inactive strip.
    HWND other = CreateWindowExA(0, "STATIC", "other", WS_POPUP | WS_VISIBLE, 0, 500, 50, 50, nullptr, nullptr, nullptr, nullptr);
    SetActiveWindow(other);
    EXPECT_TRUE(PumpUntil([&] { return form->HeadingOff400->Visible(); }, 3000));
    EXPECT_FALSE(form->HeadingOff->Visible());
    DestroyWindow(other);
}

TEST_F(LayoutTest, WideScreenOfExactly810Pixels) {
    ASSERT_EQ(GetSystemMetrics(SM_CXSCREEN), 810) << "run this inside an 810-pixel virtual desktop";
    EXPECT_TRUE(form->WideLayout());
    EXPECT_EQ(form->Width(), 564);
    EXPECT_EQ(form->Height(), 492);
    EXPECT_EQ(form->Viewer2->DefFontSize(), 8);
    EXPECT_TRUE(form->HeadingOn->Visible());
    EXPECT_FALSE(form->HeadingOn400->Visible());
    EXPECT_TRUE(form->PellucorBtnLarge->Visible());
    EXPECT_TRUE(form->StopGreyImage->Visible());
    EXPECT_FALSE(form->StopGreyImageSmall->Visible());
    Screenshot(form->Handle(), "main-810");
}

} // namespace
