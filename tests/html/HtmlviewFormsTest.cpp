// Forms in the viewer under Wine: the control windows on the drawing panel, clicks and keys from
// the system's input queue reaching OnFormSubmit, radio groups, scrolling that moves, hides and
// shows the controls, and screenshots of pages of the service's kind (shots/forms-*.bmp).
#include <gtest/gtest.h>

#include <fstream>
#include <memory>

#include "html/Htmlsbs1.h"
#include "html/HtmlsubsTables.h"
#include "html/Htmlview.h"
#include "ViewerFixture.h"
#include "support/Input.h"
#include "support/Screenshots.h"
#include "support/MessageBoxWatcher.h"
#include "toolkit/Application.h"
#include "toolkit/Forms.h"
#include "toolkit/GdiCanvas.h"
#include "toolkit/StdCtrls.h"
#include "toolkit/SysUtils.h"

namespace {

void SaveShot(const TBitmap& b, const std::string& name) {
    CreateDirectoryA("shots", nullptr);
    SaveBmp(b, "shots/" + name + ".bmp");
}

struct TSent {
    std::string Action, Method, Results;
};

class ViewerFormsTest : public TViewerFixture {
protected:
    void SetUp() override {
        MakeViewer(564, 320);
        viewer->SetDefVisitedLinkColor(clWhite);
        viewer->OnFormSubmit = [this](TObject*, const std::string& action, const std::string&, const std::string&,
                                      const std::string& method, std::unique_ptr<TStringList> results) {
            std::string joined;
            for (int i = 0; i < results->Count(); ++i) joined += (i ? "&" : "") + (*results)[i];
            sent.push_back({action, method, joined});
        };
        ShowForm();
        SetForegroundWindow(form->Handle());
        Settle();
    }
    static void Settle(unsigned ms = 80) {
        PumpUntil([] { return false; }, ms);
    }
    void Load(const std::string& html) {
        viewer->LoadBuffer(html.data(), html.size());
        Settle();
    }
    TFormControlObj* Control(int i) { return viewer->Document().AllControls().at(static_cast<size_t>(i)); }
    // The window of control i (through the handle the platform has for the point inside it).
    HWND WindowOf(int i) {
        RECT r = ScreenRect(i);
        POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        return WindowFromPoint(p);
    }
    RECT ScreenRect(int i) {
        TRect b = Control(i)->WindowControl()->Bounds();
        POINT tl{b.Left, b.Top}, br{b.Right, b.Bottom};
        ClientToScreen(viewer->PaintPanel()->Handle(), &tl);
        ClientToScreen(viewer->PaintPanel()->Handle(), &br);
        return RECT{tl.x, tl.y, br.x, br.y};
    }
    void ClickControl(int i) {
        RECT r = ScreenRect(i);
        MouseClickAt((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        Settle();
    }
    bool WaitForSubmission(size_t n) {
        return PumpUntil([&] { return sent.size() >= n; }, 3000);
    }

    std::vector<TSent> sent;
};

const char kEveryKind[] =
    "<BODY BGCOLOR=black TEXT=lime><H3>Every control</H3><FORM ACTION=\"Every.cfm\" METHOD=post>"
    "Name <INPUT NAME=user VALUE=\"Ann\" SIZE=12> Password <INPUT TYPE=password NAME=pw VALUE=xyz SIZE=8><BR>"
    "<INPUT TYPE=checkbox NAME=news CHECKED> News <INPUT TYPE=radio NAME=r VALUE=1 CHECKED> One "
    "<INPUT TYPE=radio NAME=R VALUE=2> Two <INPUT TYPE=hidden NAME=h VALUE=k><BR>"
    "<SELECT NAME=genre><OPTION>Jazz<OPTION SELECTED VALUE=18>Rock<OPTION>Blues</SELECT> "
    "<SELECT NAME=moods MULTIPLE SIZE=3><OPTION>calm<OPTION SELECTED>bright<OPTION>dark<OPTION>warm</SELECT><BR>"
    "<TEXTAREA NAME=note ROWS=3 COLS=24>first line\nsecond line</TEXTAREA><BR>"
    "<INPUT TYPE=submit NAME=go VALUE=Send> <INPUT TYPE=reset> <INPUT TYPE=button VALUE=Nothing>"
    "</FORM></BODY>";

} // namespace

TEST_F(ViewerFormsTest, EveryKindShowsOnThePanelAndSubmitsItsDefaults) {
    Load(kEveryKind);
    auto& all = viewer->Document().AllControls();
    ASSERT_EQ(all.size(), 12u);
    for (size_t i = 0; i < all.size(); ++i) {
        if (all[i]->Hidden()) continue;
        EXPECT_TRUE(all[i]->Shown) << i;
        TRect b = all[i]->WindowControl()->Bounds();
        EXPECT_GE(b.Left, 0) << i;
        EXPECT_GE(b.Top, 0) << i;
        EXPECT_LE(b.Bottom, 320) << i;
        EXPECT_TRUE(all[i]->WindowControl()->Visible()) << i;
    }
    // The windows are really there: the point in the middle of each belongs to it.
    for (int i : {0, 1, 2, 3, 6, 7, 8, 9, 10}) EXPECT_NE(WindowOf(i), viewer->PaintPanel()->Handle()) << i;
    TBitmap shot = CaptureWindow(form->Handle());
    SaveShot(shot, "forms-every-kind");
    // An edit's white ground where the first field stands.
    TRect e = Control(0)->WindowControl()->Bounds();
    EXPECT_EQ(TBitmap::FromPixel(shot.Pixel(e.Right - 6, e.Top + e.Height() / 2)), clWhite);
    ClickControl(9);
    ASSERT_TRUE(WaitForSubmission(1));
    EXPECT_EQ(sent[0].Action, "Every.cfm");
    EXPECT_EQ(sent[0].Method, "post");
    EXPECT_EQ(sent[0].Results, "user=Ann&pw=xyz&news=On&r=1&h=k&genre=18&moods=bright&note=first line\r\nsecond line&go=Send");
}

// A drop-down list on a page is picked with the mouse: a click on the box opens its list below it,
// a click on a row picks that row, and the form sends the row's value.
TEST_F(ViewerFormsTest, ADropDownListIsPickedWithTheMouseAndSendsThePick) {
    Load("<FORM ACTION=pick><SELECT NAME=genre><OPTION>Jazz<OPTION SELECTED VALUE=18>Rock<OPTION VALUE=0>Blues"
         "<OPTION>Folk</SELECT> <INPUT TYPE=submit NAME=go VALUE=Send></FORM>");
    auto* list = dynamic_cast<TComboBox*>(TWinControl::FromHandle(WindowOf(0)));
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->Text(), "Rock");
    ClickControl(0);
    ASSERT_TRUE(PumpUntil([&] { return list->DroppedDown(); }, 3000));
    RECT box = ScreenRect(0), open;
    GetWindowRect(list->ListHandle(), &open);
    EXPECT_EQ(open.top, box.bottom);
    EXPECT_EQ(open.bottom - open.top, 4 * list->ItemHeight() + 2); // four rows, all in view
    const int row = list->ItemHeight();
    MouseClickAt(open.left + 10, open.top + 1 + 2 * row + row / 2);
    ASSERT_TRUE(PumpUntil([&] { return !list->DroppedDown(); }, 3000));
    EXPECT_EQ(list->Text(), "Blues");
    ClickControl(1);
    ASSERT_TRUE(WaitForSubmission(1));
    EXPECT_EQ(sent[0].Results, "genre=0&go=Send");
}

TEST_F(ViewerFormsTest, EnterInTheOnlyFieldSubmitsAndClickingRadiosExcludesByName) {
    Load("<FORM ACTION=\"Search.cfm\"><INPUT NAME=q SIZE=20></FORM>"
         "<FORM ACTION=\"Rate.cfm\" METHOD=POST><INPUT TYPE=radio NAME=rating VALUE=1 CHECKED>1 "
         "<INPUT TYPE=radio NAME=Rating VALUE=2>2 <INPUT TYPE=radio NAME=other VALUE=3 CHECKED>3 "
         "<INPUT NAME=comment></FORM>");
    ClickControl(0);
    HWND edit = GetFocus();
    ASSERT_EQ(edit, WindowOf(0));
    TypeText(edit, "miles");
    PressKey(VK_RETURN);
    ASSERT_TRUE(WaitForSubmission(1));
    EXPECT_EQ(sent[0].Action, "Search.cfm");
    EXPECT_EQ(sent[0].Method, "Get");
    EXPECT_EQ(sent[0].Results, "q=miles");
    // Two controls in the second form: Enter there submits nothing.
    ClickControl(4);
    PressKey(VK_RETURN);
    Settle(200);
    EXPECT_EQ(sent.size(), 1u);
    ClickControl(2);
    EXPECT_EQ(SendMessageA(WindowOf(2), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageA(WindowOf(1), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(SendMessageA(WindowOf(3), BM_GETCHECK, 0, 0), BST_CHECKED); // another name
}

TEST_F(ViewerFormsTest, ScrollingMovesHidesAndShowsControlsAndKeepsListSelections) {
    std::string page = "<FORM ACTION=a><SELECT NAME=s MULTIPLE SIZE=3><OPTION>one<OPTION>two<OPTION>three</SELECT>";
    for (int i = 0; i < 60; ++i) page += "<P>Line " + IntToStr(i) + " of text to scroll past";
    page += "<P><INPUT NAME=last VALUE=end></FORM>";
    Load(page);
    HWND list = WindowOf(0);
    ASSERT_NE(list, viewer->PaintPanel()->Handle());
    // Pick two items as a person would: a click, then a Ctrl+click.
    RECT lr = ScreenRect(0);
    const int itemH = static_cast<int>(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0));
    MouseClickAt(lr.left + 10, lr.top + 2 + itemH / 2);
    Settle();
    SendMessageA(list, LB_SETSEL, TRUE, 2);
    EXPECT_FALSE(Control(1)->Shown); // the last field is far below, and hidden
    EXPECT_FALSE(Control(1)->WindowControl()->Visible());
    // One line down with the key: the list moves up 16 pixels with the page.
    SetFocus(viewer->Handle());
    const int top = Control(0)->WindowControl()->Bounds().Top;
    PressKey(VK_DOWN);
    Settle();
    ASSERT_EQ(viewer->Position(), 16);
    EXPECT_EQ(Control(0)->WindowControl()->Bounds().Top, top - 16);
    RECT wr;
    GetWindowRect(list, &wr);
    POINT origin{0, 0};
    ClientToScreen(viewer->PaintPanel()->Handle(), &origin);
    EXPECT_EQ(wr.top - origin.y, top - 16);
    // To the end: the list is out of view and hidden, the last field shown.
    PressKey(VK_END);
    Settle();
    EXPECT_FALSE(IsWindowVisible(list));
    EXPECT_TRUE(Control(1)->WindowControl()->Visible());
    TBitmap shot = CaptureWindow(form->Handle());
    SaveShot(shot, "forms-scrolled-to-end");
    PressKey(VK_HOME);
    Settle();
    EXPECT_TRUE(IsWindowVisible(list));
    EXPECT_EQ(Control(0)->WindowControl()->Bounds().Top, top);
    EXPECT_GT(SendMessageA(list, LB_GETSEL, 0, 0), 0);
    EXPECT_GT(SendMessageA(list, LB_GETSEL, 2, 0), 0);
    EXPECT_EQ(viewer->Document().Forms[0]->SubmissionList(), (std::vector<std::string>{"s=one", "s=three", "last=end"}));
}

TEST_F(ViewerFormsTest, FocusInAControlBelowTheViewScrollsItIntoTheMiddle) {
    std::string page = "<FORM>";
    for (int i = 0; i < 40; ++i) page += "<P>Filler line " + IntToStr(i);
    page += "<P><INPUT NAME=deep></FORM>";
    Load(page);
    ASSERT_EQ(viewer->Position(), 0);
    TFormWidget* w = Control(0)->WindowControl();
    EXPECT_FALSE(w->Visible());
    // The focus arrives while the control is out of view (as a tab would bring it).
    w->SetVisible(true);
    HWND h = FindWindowExA(viewer->PaintPanel()->Handle(), nullptr, "EDIT", nullptr); // the page's only edit
    ASSERT_NE(h, nullptr);
    SetFocus(h);
    Settle();
    EXPECT_GT(viewer->Position(), 0);
    TRect b = w->Bounds();
    EXPECT_GE(b.Top, 0);
    EXPECT_LE(b.Bottom, viewer->PaintPanel()->Height());
    EXPECT_TRUE(Control(0)->Shown);
}

TEST_F(ViewerFormsTest, PagesOfTheServicesKind) {
    struct Page {
        const char* name;
        const char* html;
    } pages[] = {
        {"login", "<BODY BGCOLOR=black TEXT=lime><CENTER><H2>Log in</H2><FORM ACTION=\"Login.cfm\" METHOD=POST>"
                  "User name <INPUT NAME=UserName SIZE=16><BR>Password <INPUT TYPE=password NAME=Password SIZE=16><BR>"
                  "<INPUT TYPE=checkbox NAME=Remember CHECKED> Remember me<BR><INPUT TYPE=submit VALUE=\"Log in\">"
                  "</FORM></CENTER></BODY>"},
        {"search", "<BODY BGCOLOR=black TEXT=lime><H3>Search the catalogue</H3><FORM ACTION=\"Search.cfm\">"
                   "<INPUT NAME=Artist SIZE=30> <SELECT NAME=Field><OPTION>Artist<OPTION>Title<OPTION>Album</SELECT> "
                   "<INPUT TYPE=submit VALUE=Search></FORM><P>Type a name and press Enter.</BODY>"},
        {"rating", "<BODY BGCOLOR=black TEXT=lime><H3>How do you like it?</H3><FORM ACTION=\"EnterRating.cfm\" "
                   "METHOD=POST><INPUT TYPE=hidden NAME=SongID VALUE=77>"
                   "<INPUT TYPE=radio NAME=Rating VALUE=1> 1 <INPUT TYPE=radio NAME=Rating VALUE=2> 2 "
                   "<INPUT TYPE=radio NAME=Rating VALUE=3 CHECKED> 3 <INPUT TYPE=radio NAME=Rating VALUE=4> 4 "
                   "<INPUT TYPE=radio NAME=Rating VALUE=5> 5<P><TEXTAREA NAME=Comment ROWS=2 COLS=40></TEXTAREA><P>"
                   "<INPUT TYPE=submit NAME=Action VALUE=Rate></FORM></BODY>"},
        {"table-cell", "<BODY BGCOLOR=black TEXT=lime><TABLE BORDER=1 CELLPADDING=4><TR><TD>Your artist</TD>"
                       "<TD BGCOLOR=navy><FORM ACTION=\"Fav.cfm\"><INPUT TYPE=radio NAME=f VALUE=y CHECKED>Yes "
                       "<INPUT TYPE=radio NAME=f VALUE=n>No <INPUT TYPE=submit VALUE=Save></FORM></TD></TR></TABLE>"
                       "</BODY>"},
    };
    for (auto& p : pages) {
        Load(p.html);
        for (TFormControlObj* c : viewer->Document().AllControls()) {
            if (c->Hidden()) continue;
            EXPECT_TRUE(c->Shown) << p.name;
            TRect b = c->WindowControl()->Bounds();
            EXPECT_TRUE(b.Left >= 0 && b.Top >= 0 && b.Right <= 564 && b.Bottom <= 320) << p.name;
            // No two controls overlap.
            for (TFormControlObj* o : viewer->Document().AllControls()) {
                if (o == c || o->Hidden()) continue;
                TRect q = o->WindowControl()->Bounds();
                EXPECT_FALSE(b.Left < q.Right && q.Left < b.Right && b.Top < q.Bottom && q.Top < b.Bottom) << p.name;
            }
        }
        if (std::string(p.name) == "table-cell") {
            // The controls sit in the navy cell, where the table was laid out.
            ThtmlTable* table = nullptr;
            viewer->Document().Walk([&](TSectionBase& b) { return (table = dynamic_cast<ThtmlTable*>(&b)) == nullptr; });
            ASSERT_NE(table, nullptr);
            TRect cell = table->Rows.at(0)->Cells.at(1)->Box;
            for (TFormControlObj* c : viewer->Document().AllControls()) {
                TRect b = c->WindowControl()->Bounds();
                EXPECT_GE(b.Left, cell.Left + viewer->MarginWidth());
                EXPECT_LE(b.Right, cell.Right + viewer->MarginWidth());
                EXPECT_GE(b.Top, cell.Top - viewer->Position());
                EXPECT_LE(b.Bottom, cell.Bottom - viewer->Position());
            }
        }
        SaveShot(CaptureWindow(form->Handle()), std::string("forms-") + p.name);
    }
    // The last page: its submit button posts the checked radio.
    ClickControl(2);
    ASSERT_TRUE(WaitForSubmission(1));
    EXPECT_EQ(sent.back().Action, "Fav.cfm");
    EXPECT_EQ(sent.back().Results, "f=y");
}
