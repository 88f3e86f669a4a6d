// The viewer on a borderless form, set up as the plug-in sets it up (Tahoma 8, lime on black, no
// border, vertical bar only, margins 0), for the viewer's Win32 tests. A test class makes the
// viewer in its SetUp, adds what it needs, then shows the form.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "html/Htmlview.h"
#include "support/MessageBoxWatcher.h"
#include "toolkit/Application.h"
#include "toolkit/Forms.h"

class TViewerFixture : public ::testing::Test {
protected:
    void MakeViewer(int width, int height) {
        Application->SetTitle("THE QUAVORY");
        Application->Initialize();
        form = std::make_unique<TForm>(nullptr);
        form->BorderStyle = TFormBorderStyle::bsNone;
        form->SetBounds(10, 10, width, height);
        form->SetClientSize(width, height);
        viewer = new THTMLViewer(form.get());
        viewer->SetParent(form.get());
        viewer->SetBounds(0, 0, width, height);
        viewer->SetDefBackground(clBlack);
        viewer->SetBorderStyle(THTMLBorderStyle::htNone);
        viewer->SetDefFontName("Tahoma");
        viewer->SetDefFontSize(8);
        viewer->SetDefFontColor(clLime);
        viewer->SetScrollBars(TScrollStyle::ssVertical);
        viewer->SetMarginHeight(0);
        viewer->SetMarginWidth(0);
    }
    void ShowForm() {
        form->Show();
        Settle();
    }
    void TearDown() override {
        form.reset();
        Settle();
    }
    // Lets the windows handle what is queued for them (painting, posted messages).
    static void Settle(unsigned ms = 60) {
        PumpUntil([] { return false; }, ms);
    }

    std::unique_ptr<TForm> form;
    THTMLViewer* viewer = nullptr; // owned by the form
};
