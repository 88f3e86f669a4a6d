// Forms and form controls: making them from the page, the texts a submission sends, what clicks,
// Enter and image clicks do, sizes, showing and hiding, and the printed substitutes.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "HtmlTestUtil.h"
#include "toolkit/SysUtils.h"

namespace {

struct TSubmission {
    std::string Action, Target, EncType, Method;
    std::vector<std::string> Results;
};

// A parsed page whose submissions are recorded.
struct TFormDoc : TTestDoc {
    std::vector<TSubmission> Sent;
    std::vector<std::string> Clicks; // ONCLICK texts of object clicks
    explicit TFormDoc(const std::string& html) {
        List.SubmitReceiver = [this](const std::string& a, const std::string& t, const std::string& e, const std::string& m,
                                     std::unique_ptr<TStringList> r) {
            TSubmission s{a, t, e, m, {}};
            for (int i = 0; i < r->Count(); ++i) s.Results.push_back((*r)[i]);
            Sent.push_back(s);
        };
        List.OnObjectClick = [this](TFormControlObj*, const std::string& onClick) { Clicks.push_back(onClick); };
        Parse(html);
    }
    TFormControlObj* Control(int i) const { return List.AllControls().at(static_cast<size_t>(i)); }
    TMemoryFormWidget& Widget(int i) const { return *static_cast<TMemoryFormWidget*>(Control(i)->WindowControl()); }
    // The last submission's pairs joined with "&" (as the plug-in sends them).
    std::string Last() const {
        if (Sent.empty()) return "<none>";
        std::string out;
        for (auto& r : Sent.back().Results) out += (out.empty() ? "" : "&") + r;
        return out;
    }
    std::string Defaults(int form = 0) const {
        std::string out;
        for (auto& r : List.Forms.at(static_cast<size_t>(form))->SubmissionList()) out += (out.empty() ? "" : "&") + r;
        return out;
    }
};

std::string Esc(const std::string& s) {
    std::string out;
    for (char c : s) out += c == '\r' ? std::string("\\r") : c == '\n' ? std::string("\\n") : std::string(1, c);
    return out;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// What the default values of each kind send

TEST(FormSubmission, DefaultValuesOfEveryKind) {
    struct Case {
        const char* html;
        const char* sent;
    } cases[] = {
        {"<FORM><INPUT NAME=q VALUE=abc></FORM>", "q=abc"},
        {"<FORM><INPUT TYPE=password NAME=p VALUE=secret></FORM>", "p=secret"},
        {"<FORM><INPUT TYPE=strange NAME=s VALUE=v></FORM>", "s=v"},
        {"<FORM><INPUT TYPE=hidden NAME=h VALUE=1></FORM>", "h=1"},
        {"<FORM><INPUT TYPE=checkbox NAME=c></FORM>", ""},
        {"<FORM><INPUT TYPE=checkbox NAME=c CHECKED></FORM>", "c=On"},
        {"<FORM><INPUT TYPE=checkbox NAME=c VALUE=yes CHECKED></FORM>", "c=yes"},
        {"<FORM><INPUT TYPE=radio NAME=r VALUE=1><INPUT TYPE=radio NAME=r VALUE=2 CHECKED></FORM>", "r=2"},
        {"<FORM><INPUT TYPE=submit NAME=go VALUE=Go></FORM>", ""},
        {"<FORM><INPUT TYPE=image NAME=map SRC=m.gif></FORM>", ""},
        {"<FORM><SELECT NAME=s><OPTION VALUE=a>Apple<OPTION SELECTED>Pear</SELECT></FORM>", "s=Pear"},
        {"<FORM><SELECT NAME=s><OPTION VALUE=a>Apple<OPTION>Pear</SELECT></FORM>", "s=a"},
        {"<FORM><SELECT NAME=s MULTIPLE><OPTION SELECTED VALUE=1>one<OPTION>two<OPTION SELECTED>three</SELECT></FORM>",
         "s=1&s=three"},
        {"<FORM><SELECT NAME=s SIZE=3><OPTION>one<OPTION>two</SELECT></FORM>", "s=one"},
        {"<FORM><SELECT NAME=s></SELECT></FORM>", ""},
        {"<FORM><TEXTAREA NAME=t>line one\nline two</TEXTAREA></FORM>", "t=line one\r\nline two"},
        {"<FORM><TEXTAREA NAME=t WRAP=soft>line one\nline two</TEXTAREA></FORM>", "t=line oneline two"},
        {"<FORM><TEXTAREA NAME=t WRAP=HARD>a\nb</TEXTAREA></FORM>", "t=ab"},
        {"<FORM><TEXTAREA NAME=t></TEXTAREA></FORM>", "t="},
        {"<FORM><INPUT NAME=q VALUE=\"a&amp;b=c\"></FORM>", "q=a&b=c"}, // passed through unescaped
        {"<FORM><INPUT VALUE=x></FORM>", "=x"},
    };
    for (auto& c : cases) {
        TFormDoc d(c.html);
        ASSERT_EQ(d.List.Forms.size(), 1u) << c.html;
        EXPECT_EQ(Esc(d.Defaults()), Esc(c.sent)) << c.html;
    }
}

TEST(FormSubmission, FormAttributes) {
    struct Case {
        const char* html;
        const char* method;
        const char* action;
        const char* target;
        const char* encType;
    } cases[] = {
        {"<FORM><INPUT></FORM>", "Get", "", "", ""},
        {"<FORM METHOD=post ACTION=\"Rate.cfm?x=1\"><INPUT></FORM>", "post", "Rate.cfm?x=1", "", ""},
        {"<FORM METHOD=POSTED TARGET=_top ENCTYPE=multipart/form-data><INPUT></FORM>", "POST", "", "_top", "multipart/form-data"},
        {"<INPUT>", "Get", "", "", ""}, // outside any FORM: an implicit form
    };
    for (auto& c : cases) {
        TFormDoc d(c.html);
        ASSERT_EQ(d.List.Forms.size(), 1u) << c.html;
        d.Widget(0).PressReturn();
        ASSERT_EQ(d.Sent.size(), 1u) << c.html;
        EXPECT_EQ(d.Sent[0].Method, c.method) << c.html;
        EXPECT_EQ(d.Sent[0].Action, c.action) << c.html;
        EXPECT_EQ(d.Sent[0].Target, c.target) << c.html;
        EXPECT_EQ(d.Sent[0].EncType, c.encType) << c.html;
    }
}

TEST(FormSubmission, ControlsOutsideFormsShareAnImplicitFormUntilTheNextEndForm) {
    TFormDoc d("<INPUT NAME=a VALUE=1><INPUT TYPE=hidden NAME=b VALUE=2>"
               "<FORM ACTION=f><INPUT NAME=c VALUE=3></FORM><INPUT NAME=d VALUE=4>");
    ASSERT_EQ(d.List.Forms.size(), 3u);
    EXPECT_EQ(d.Defaults(0), "a=1&b=2");
    EXPECT_EQ(d.List.Forms[0]->NonHiddenTotal, 1);
    EXPECT_EQ(d.Defaults(1), "c=3");
    EXPECT_EQ(d.Defaults(2), "d=4");
    // Page order is kept in the document's list of all controls.
    ASSERT_EQ(d.List.AllControls().size(), 4u);
    EXPECT_EQ(d.Control(3)->Name, "d");
}

// ---------------------------------------------------------------------------------------------
// What submits

TEST(FormSubmission, EnterSubmitsOnlyAFormWithOneVisibleControl) {
    struct Case {
        const char* html;
        bool submits;
    } cases[] = {
        {"<FORM><INPUT NAME=q></FORM>", true},
        {"<FORM><INPUT NAME=q><INPUT TYPE=hidden NAME=h VALUE=1></FORM>", true}, // hidden ones do not count
        {"<FORM><INPUT NAME=q><INPUT TYPE=submit></FORM>", false},               // buttons count
        {"<FORM><INPUT NAME=q><INPUT NAME=r></FORM>", false},
    };
    for (auto& c : cases) {
        TFormDoc d(c.html);
        d.Widget(0).Type("hello");
        d.Widget(0).PressReturn();
        EXPECT_EQ(d.Sent.size(), c.submits ? 1u : 0u) << c.html;
        if (c.submits) { EXPECT_EQ(d.Sent[0].Results.at(0), "q=hello") << c.html; }
    }
    TFormDoc area("<FORM><TEXTAREA NAME=t></TEXTAREA></FORM>");
    area.Widget(0).PressReturn();
    EXPECT_TRUE(area.Sent.empty()); // Enter in a memo is a new line
}

TEST(FormSubmission, SubmitButtonPairComesLast) {
    TFormDoc d("<FORM ACTION=x.cfm METHOD=post><INPUT TYPE=submit NAME=go VALUE=Go><INPUT NAME=q VALUE=a>"
               "<INPUT TYPE=hidden NAME=h VALUE=b><INPUT TYPE=submit VALUE=Other></FORM>");
    d.Widget(0).Click();
    ASSERT_EQ(d.Sent.size(), 1u);
    EXPECT_EQ(d.Last(), "q=a&h=b&go=Go");
    EXPECT_EQ(d.Sent[0].Action, "x.cfm");
    EXPECT_EQ(d.Sent[0].Method, "post");
    d.Widget(3).Click(); // no NAME: no pair of its own
    EXPECT_EQ(d.Last(), "q=a&h=b");
}

TEST(FormSubmission, ButtonKindsAndObjectClicks) {
    TFormDoc d("<FORM><INPUT NAME=q VALUE=start><INPUT TYPE=checkbox NAME=c ONCLICK=\"tick()\">"
               "<INPUT TYPE=reset ONCLICK=\"r()\"><INPUT TYPE=button VALUE=B ONCLICK=\"b()\"></FORM>");
    EXPECT_EQ(d.Widget(2).Text(), "Reset"); // captions by kind when VALUE is absent
    EXPECT_EQ(d.Widget(3).Text(), "B");
    d.Widget(0).Type("changed");
    d.Widget(1).Click();
    EXPECT_TRUE(d.Widget(1).Checked());
    d.Widget(2).Click();
    EXPECT_EQ(d.Widget(0).Text(), "start"); // reset puts back every control of the form
    EXPECT_FALSE(d.Widget(1).Checked());
    d.Widget(3).Click();
    EXPECT_TRUE(d.Sent.empty()); // neither reset nor a plain button submits
    EXPECT_EQ(d.Clicks, (std::vector<std::string>{"tick()", "r()", "b()"}));
}

TEST(FormSubmission, NoReceiverNoSubmission) {
    TTestDoc d;
    d.Parse("<FORM><INPUT NAME=q></FORM>");
    auto& w = *static_cast<TMemoryFormWidget*>(d.List.AllControls()[0]->WindowControl());
    w.PressReturn(); // nothing to hand it to: nothing happens
    EXPECT_EQ(d.List.Forms[0]->SubmissionList(), (std::vector<std::string>{"q="}));
}

TEST(FormSubmission, AHandlerMayReplaceThePageDuringAClick) {
    TFormDoc d("<FORM><INPUT TYPE=submit NAME=go></FORM>");
    d.List.OnObjectClick = [&](TFormControlObj*, const std::string&) { d.List.Clear(); };
    TMemoryFormWidget* w = &d.Widget(0);
    auto click = w->OnClick; // the widget goes with the page; the handler is kept here
    click();
    EXPECT_TRUE(d.Sent.empty());
    EXPECT_TRUE(d.List.Forms.empty());
}

// ---------------------------------------------------------------------------------------------
// Radios, lists, text areas, image inputs

TEST(FormRadios, SameNameWithoutRegardToCaseWithinOneForm) {
    TFormDoc d("<FORM><INPUT TYPE=radio NAME=r VALUE=1 CHECKED><INPUT TYPE=radio NAME=R VALUE=2>"
               "<INPUT TYPE=radio NAME=other VALUE=3 CHECKED><INPUT TYPE=radio VALUE=4></FORM>"
               "<FORM><INPUT TYPE=radio NAME=r VALUE=5 CHECKED></FORM>");
    d.Widget(1).Click();
    EXPECT_FALSE(d.Widget(0).Checked());
    EXPECT_TRUE(d.Widget(1).Checked());
    EXPECT_TRUE(d.Widget(2).Checked()); // another name
    EXPECT_TRUE(d.Widget(4).Checked()); // another form
    d.Widget(3).Click();                // an empty name unchecks nothing
    EXPECT_TRUE(d.Widget(1).Checked());
    EXPECT_TRUE(d.Widget(2).Checked());
    EXPECT_EQ(d.Defaults(0), "R=2&other=3&=4");
    EXPECT_TRUE(d.Control(0)->BaselineAligned());
    EXPECT_EQ(d.Control(0)->Width(), 13);
    EXPECT_EQ(d.Control(0)->Height(), 14);
}

TEST(FormLists, SelectionsAndOptions) {
    TFormDoc d("<FORM><SELECT NAME=m MULTIPLE><OPTION VALUE=1>one<OPTION>two<OPTION VALUE=3>three</SELECT>"
               "<SELECT NAME=c><OPTION>  padded text  <OPTION></OPTION><OPTION VALUE=\"\">&lt;b&gt;</SELECT></FORM>");
    auto* m = static_cast<TListBoxFormControlObj*>(d.Control(0));
    auto* c = static_cast<TComboFormControlObj*>(d.Control(1));
    EXPECT_EQ(d.Defaults(), "c=padded text"); // the first item is current when none is selected
    ASSERT_EQ(c->Options.size(), 2u);         // options without text are dropped
    EXPECT_EQ(c->Options[1].Text, "<b>");     // entities expanded
    d.Widget(0).Pick(2);
    d.Widget(0).Pick(0);
    d.Widget(1).Pick(1);
    EXPECT_EQ(d.Defaults(), "m=1&m=3&c=<b>"); // multi-select pairs in option order
    EXPECT_EQ(m->WidthChars, 5);
    EXPECT_EQ(c->WidthChars, 11);
}

TEST(FormLists, OptionTextsAndValuesStopAt80Characters) {
    const std::string longText(100, 'x'), longValue(90, 'v');
    TFormDoc d("<FORM><SELECT NAME=s><OPTION VALUE=" + longValue + " SELECTED>" + longText + "</SELECT></FORM>");
    auto* s = static_cast<TListBoxFormControlObj*>(d.Control(0));
    ASSERT_EQ(s->Options.size(), 1u);
    EXPECT_EQ(s->Options[0].Text, std::string(80, 'x'));
    EXPECT_EQ(s->Options[0].Value, std::string(80, 'v'));
    EXPECT_EQ(s->WidthChars, 80);
}

TEST(FormLists, ManyOptionsAreBounded) {
    std::string html = "<FORM><SELECT NAME=s>";
    for (int i = 0; i < TListBoxFormControlObj::MaxOptions + 50; ++i) html += "<OPTION>o" + IntToStr(i);
    html += "</SELECT>after</FORM>";
    TFormDoc d(html);
    auto* s = static_cast<TListBoxFormControlObj*>(d.Control(0));
    EXPECT_EQ(static_cast<int>(s->Options.size()), TListBoxFormControlObj::MaxOptions);
    EXPECT_NE(d.Find("after"), nullptr); // the options never show as page text
}

TEST(FormImageInputs, ClickPositionIsSentOnce) {
    TFormDoc d("<FORM ACTION=a><INPUT NAME=q VALUE=v><INPUT TYPE=image NAME=map SRC=m.gif>"
               "<INPUT TYPE=image SRC=n.gif></FORM>");
    auto* map = static_cast<TImageFormControlObj*>(d.Control(1));
    auto* plain = static_cast<TImageFormControlObj*>(d.Control(2));
    ASSERT_NE(map->Image, nullptr);
    EXPECT_EQ(map->Image->Source, "m.gif");
    EXPECT_EQ(map->WindowControl(), nullptr);
    d.Layout(600);
    EXPECT_EQ(htmlforms::ImageInputFor(d.List, map->Image), map);
    EXPECT_EQ(htmlforms::ImageInputFor(d.List, nullptr), nullptr);
    map->ImageClicked(12, 34);
    EXPECT_EQ(d.Last(), "q=v&map.x=12&map.y=34");
    d.Widget(0).PressReturn(); // two visible controls: Enter does not submit
    plain->ImageClicked(1, 2);
    EXPECT_EQ(d.Last(), "q=v&x=1&y=2"); // the earlier click is not sent again
    EXPECT_EQ(d.Sent.size(), 2u);
}

TEST(FormTextAreas, LinesSizesAndReset) {
    TFormDoc d("<FORM><TEXTAREA NAME=t ROWS=3 COLS=10>a &amp; b\n\nc</TEXTAREA><TEXTAREA ROWS=x COLS=-4></TEXTAREA></FORM>");
    auto* t = static_cast<TTextAreaFormControlObj*>(d.Control(0));
    auto* u = static_cast<TTextAreaFormControlObj*>(d.Control(1));
    EXPECT_EQ(t->InitialLines, (std::vector<std::string>{"a & b", "", "c"}));
    EXPECT_EQ(d.Widget(0).Caret, 0);
    EXPECT_EQ(u->Rows, 5); // not numbers: the defaults
    EXPECT_EQ(u->Cols, 30);
    d.Widget(0).Type("new\r\ntext");
    EXPECT_EQ(Esc(d.Defaults()), Esc("t=new\r\ntext&="));
    t->ResetValue();
    EXPECT_EQ(Esc(d.Defaults()), Esc("t=a & b\r\n\r\nc&="));
}

// ---------------------------------------------------------------------------------------------
// Sizes, places, showing and hiding

TEST(FormSizes, AdjustSizeFromTheFont) {
    // The memory canvas: a 10-point face is 13 pixels high (16 with its descent), 7 wide; the
    // default 8-point face 11 (13), 6 wide. Frames add 4, a memo's bars 16 each.
    struct Case {
        const char* html;
        int width, height;
    } cases[] = {
        {"<INPUT>", 20 * 7 + 5, 20},
        {"<INPUT SIZE=5>", 5 * 7 + 5, 20},
        {"<INPUT SIZE=\"7, 2\">", 7 * 7 + 5, 20},
        {"<INPUT SIZE=\"x, 2\">", 20 * 7 + 5, 20},
        {"<INPUT SIZE=100000>", TFormControlObj::MaxSizeChars * 7 + 5, 20},
        {"<INPUT TYPE=submit VALUE=Go>", 2 * 6 + 20, 13 + 8},
        {"<INPUT TYPE=checkbox>", 13, 13},
        {"<SELECT MULTIPLE><OPTION>a<OPTION>b</SELECT>", 3 * 7 + 15 + 4, 2 * 16 + 4},
        {"<SELECT SIZE=4><OPTION>abcdef</SELECT>", 6 * 7 + 15 + 4, 4 * 16 + 4},
        {"<SELECT MULTIPLE></SELECT>", 3 * 7 + 15 + 4, 1 * 16 + 4},
        {"<SELECT><OPTION>abcd</SELECT>", 4 * 6 + 30, 16 + 8},
        {"<TEXTAREA ROWS=2 COLS=4></TEXTAREA>", 4 * 7 + 5 + 4 + 16, 2 * 16 + 5 + 4 + 16},
        {"<TEXTAREA ROWS=2 COLS=4 WRAP=soft></TEXTAREA>", 4 * 7 + 5 + 4 + 16, 2 * 16 + 5 + 4},
        {"<TEXTAREA ROWS=9999 COLS=4></TEXTAREA>", 4 * 7 + 5 + 4 + 16, TFormControlObj::MaxRows * 16 + 5 + 4 + 16},
    };
    for (auto& c : cases) {
        TFormDoc d(c.html);
        d.Layout(5000);
        EXPECT_EQ(d.Control(0)->Width(), c.width) << c.html;
        EXPECT_EQ(d.Control(0)->Height(), c.height) << c.html;
    }
}

TEST(FormPlacing, ControlsOutOfViewHideOrWaitAtMinus4000WhileOneHasTheFocus) {
    std::string html = "<FORM>";
    for (int i = 0; i < 30; ++i) html += "<INPUT NAME=f" + IntToStr(i) + "><BR>";
    html += "</FORM>";
    TFormDoc d(html);
    d.Layout(600);
    const int lineStep = d.Control(1)->DocY - d.Control(0)->DocY;
    ASSERT_GT(lineStep, 0);
    const int view = 5 * lineStep;
    d.List.PlaceControls(0, 0, view);
    auto shown = [&] {
        std::string s;
        for (TFormControlObj* c : d.List.AllControls())
            s += c->Shown ? 'S' : static_cast<TMemoryFormWidget*>(c->WindowControl())->Visible() ? 'v' : '-';
        return s;
    };
    EXPECT_EQ(shown().substr(0, 7), "SSSSS--");
    EXPECT_EQ(d.Widget(0).Bounds().Top, d.Control(0)->DocY);
    // One line down: the first control leaves, the sixth comes in, all move up by the step.
    d.List.PlaceControls(0, -lineStep, view);
    EXPECT_EQ(shown().substr(0, 7), "-SSSSS-");
    EXPECT_EQ(d.Widget(1).Bounds().Top, d.Control(1)->DocY - lineStep);
    EXPECT_EQ(d.Widget(5).Bounds().Top, d.Control(5)->DocY - lineStep);
    // The focus in the second control: scrolling it away parks it instead of hiding it.
    int focusCalls = 0;
    d.List.OnControlFocused = [&](TFormControlObj* c) { focusCalls += c == d.Control(1); };
    d.Widget(1).Focus();
    EXPECT_EQ(focusCalls, 1);
    d.List.PlaceControls(0, -10 * lineStep, view);
    EXPECT_FALSE(d.Control(1)->Shown);
    EXPECT_TRUE(d.Widget(1).Visible());
    EXPECT_EQ(d.Widget(1).Bounds().Left, TFormControlObj::ParkedX);
    EXPECT_TRUE(d.Widget(12).Visible());
    // Losing the focus hides what is out of view.
    d.Widget(1).Blur();
    EXPECT_FALSE(d.Widget(1).Visible());
    EXPECT_TRUE(d.Widget(12).Visible());
}

TEST(FormPlacing, FocusParksEveryControlOutOfView) {
    TFormDoc d("<INPUT NAME=a><BR><BR><BR><BR><BR><BR><BR><BR><INPUT NAME=b>");
    d.Layout(600);
    d.List.PlaceControls(0, 0, d.Control(0)->DocY + d.Control(0)->Height() + 1);
    ASSERT_TRUE(d.Control(0)->Shown);
    ASSERT_FALSE(d.Control(1)->Shown);
    d.Widget(0).Focus();
    EXPECT_EQ(d.Widget(1).Bounds().Left, TFormControlObj::ParkedX);
    EXPECT_EQ(d.Widget(0).Bounds().Left, d.Control(0)->DocX);
}

TEST(FormPlacing, RadioTakesItsCellsOrThePagesBackground) {
    TFormDoc d("<BODY BGCOLOR=#102030><INPUT TYPE=radio>");
    d.Layout(400);
    d.List.PlaceControls(0, 0, 400);
    EXPECT_EQ(d.Widget(0).Color, d.List.Background());
    auto* radio = static_cast<TRadioButtonFormControlObj*>(d.Control(0));
    TCell cell(&d.List);
    cell.BgColor = clRed;
    radio->Cell = &cell;
    EXPECT_EQ(radio->Background(), clRed);
}

TEST(FormLimits, ControlsBeyondThePagesLimitAreNotMade) {
    std::string html;
    for (int i = 0; i < ThtmlForm::MaxControls + 3; ++i) html += "<INPUT TYPE=checkbox>";
    html += "<SELECT><OPTION>x</SELECT><TEXTAREA>t</TEXTAREA>end";
    TFormDoc d(html);
    EXPECT_EQ(static_cast<int>(d.List.AllControls().size()), ThtmlForm::MaxControls);
    TSection* s = d.Find("end");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->Buff.find('x'), std::string::npos);
    EXPECT_EQ(s->Buff.find('t'), std::string::npos);
}

// ---------------------------------------------------------------------------------------------
// Printed substitutes

TEST(FormSubstitutes, BoxesTicksAndText) {
    TFormDoc d(
        "<FORM><INPUT TYPE=checkbox CHECKED><INPUT TYPE=submit VALUE=Go><INPUT NAME=q VALUE=MMMMMMMMMMMMMMMMMMMMMMMMMMMMMM>"
        "<INPUT TYPE=radio CHECKED></FORM>");
    d.Layout(600);
    TMemoryCanvas canvas(200, 200, clWhite);
    auto* box = d.Control(0);
    box->DrawSubstitute(canvas, 10, 10);
    // Sunken: shadow on the top-left, silver on the bottom-right, 2 pixels each; a black tick.
    EXPECT_EQ(canvas.GetPixel(10, 15), ColorToRGB(clBtnShadow));
    EXPECT_EQ(canvas.GetPixel(11, 15), ColorToRGB(clBtnShadow));
    EXPECT_EQ(canvas.GetPixel(22, 15), clSilver);
    EXPECT_EQ(canvas.GetPixel(15, 22), clSilver);
    EXPECT_EQ(canvas.GetPixel(13, 16), clBlack); // the tick starts at (x + 3, middle)
    EXPECT_EQ(canvas.GetPixel(15, 18), clBlack);
    TMemoryCanvas raised(200, 200, clWhite);
    d.Control(1)->DrawSubstitute(raised, 0, 0);
    EXPECT_EQ(raised.GetPixel(0, 5), clSilver); // raised: the colours swapped
    EXPECT_EQ(raised.GetPixel(d.Control(1)->Width() - 1, 5), ColorToRGB(clBtnShadow));
    EXPECT_GT(raised.CountColor(Rect(0, 0, d.Control(1)->Width(), d.Control(1)->Height()), clBlack), 0); // the caption
    TMemoryCanvas mono(200, 200, clWhite);
    mono.OneBit = true;
    d.Control(2)->DrawSubstitute(mono, 0, 0);
    EXPECT_EQ(mono.GetPixel(0, 5), clBlack); // one-bit devices: a black frame, 1 pixel wide
    EXPECT_EQ(mono.GetPixel(1, 5), clWhite);
    // The text is clipped at x + width - 8.
    const int w = d.Control(2)->Width();
    EXPECT_GT(mono.CountColor(Rect(4, 0, w - 8, 20), clBlack), 0);
    EXPECT_EQ(mono.CountColor(Rect(w - 8, 2, w - 1, 18), clBlack), 0);
    TMemoryCanvas radio(40, 40, clRed);
    d.Control(3)->DrawSubstitute(radio, 0, 0);
    EXPECT_EQ(radio.GetPixel(7, 7), clBlack); // the dot
    EXPECT_EQ(radio.GetPixel(3, 10), clWhite);
    EXPECT_EQ(radio.GetPixel(39, 39), clRed);
}

TEST(FormSubstitutes, PrintingDrawsThemInPlaceOfTheWindows) {
    TFormDoc d("text <INPUT TYPE=checkbox CHECKED>");
    d.Layout(400);
    TMemoryCanvas screen(400, 100, clWhite), paper(400, 100, clWhite);
    d.List.Draw(screen, Rect(0, 0, 400, 100), 0, 0);
    d.List.Draw(paper, Rect(0, 0, 400, 100), 0, 0, true);
    TRect r = Bounds(d.Control(0)->DocX, d.Control(0)->DocY, 13, 13);
    EXPECT_EQ(screen.CountColor(r, clSilver), 0);
    EXPECT_GT(paper.CountColor(r, clSilver), 0);
}

TEST(FormDump, ActionMethodAndTheDefaultPairs) {
    TFormDoc d("<FORM ACTION=\"Rate.cfm\" METHOD=post TARGET=main><INPUT NAME=q VALUE=jazz>"
               "<TEXTAREA NAME=t>a\nb</TEXTAREA><INPUT TYPE=submit NAME=go></FORM><INPUT TYPE=checkbox NAME=c>");
    EXPECT_EQ(htmlforms::DumpForms(d.List), "form 1: post \"Rate.cfm\" target \"main\", 3 controls\n"
                                            "  q=jazz\n"
                                            "  t=a\\r\\nb\n"
                                            "form 2: Get \"\", 1 controls\n");
}

TEST(FormDump, PagesMatchTheReviewedDumps) {
    // The dump the htmldump tool prints: forms with their default pairs beside the links, text
    // and layout. On a difference the dump made now is left beside the test (<name>.dump.actual).
    const char* const cases[] = {
        "cell-form", // a form in one cell, another across two cells, radios named "Keep" and "keep"
        "outside",   // controls before any FORM, after a stray /FORM, and an image input
    };
    const std::string dir = std::string(QV_TEST_DATA) + "/html/forms/";
    for (const char* name : cases) {
        std::ifstream in(dir + name + ".htm", std::ios::binary), gold(dir + name + ".dump", std::ios::binary);
        std::string html((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::string golden((std::istreambuf_iterator<char>(gold)), std::istreambuf_iterator<char>());
        ASSERT_FALSE(html.empty() || golden.empty()) << name;
        std::string dump = DumpHtml(html, 564);
        EXPECT_EQ(dump, golden) << name;
        if (dump != golden) std::ofstream(std::string(name) + ".dump.actual", std::ios::binary) << dump;
    }
}

// ---------------------------------------------------------------------------------------------
// Forms inside tables: controls are placed where their cells are laid out

namespace {

// Whether the control's laid-out box lies inside the rectangle.
bool Inside(const TFormControlObj* c, const TRect& r) {
    return c->LaidOut && c->DocX >= r.Left && c->DocY >= r.Top && c->DocX + c->Width() <= r.Right &&
           c->DocY + c->Height() <= r.Bottom;
}

ThtmlTable* TableAt(TTestDoc& d, int n) {
    ThtmlTable* found = nullptr;
    d.List.Walk([&](TSectionBase& b) {
        if (auto* t = dynamic_cast<ThtmlTable*>(&b); t && n-- == 0) found = t;
        return found == nullptr;
    });
    return found;
}

} // namespace

TEST(FormTables, ControlsSitInsideTheirCells) {
    struct Case {
        const char* name;
        const char* html;
        int table;                                  // which table, in document order
        std::vector<std::pair<int, int>> cellOfCtl; // row and column of each control's cell
    } cases[] = {
        {"one cell",
         "<TABLE BORDER CELLPADDING=6><TR><TD>Artist</TD><TD><FORM ACTION=a.cfm><INPUT NAME=q SIZE=8>"
         "<INPUT TYPE=submit VALUE=Go></FORM></TD></TR></TABLE>",
         0,
         {{0, 1}, {0, 1}}},
        {"second row, right-aligned",
         "<TABLE WIDTH=400><TR><TD>top</TD></TR><TR><TD ALIGN=right><FORM>"
         "<INPUT TYPE=checkbox NAME=c></FORM></TD></TR></TABLE>",
         0,
         {{1, 0}}},
        {"centred table under text",
         "<P>a<BR>b<BR>c<CENTER><TABLE BORDER><TR><TD><SELECT NAME=s><OPTION>one"
         "<OPTION>two</SELECT></TD></TR></TABLE></CENTER>",
         0,
         {{0, 0}}},
        {"nested",
         "<TABLE BORDER><TR><TD>x</TD><TD><TABLE BORDER CELLSPACING=5><TR><TD>y</TD><TD>"
         "<INPUT TYPE=radio NAME=r><TEXTAREA ROWS=2 COLS=5></TEXTAREA></TD></TR></TABLE></TD></TR></TABLE>",
         1,
         {{0, 1}, {0, 1}}},
        {"rowspan",
         "<TABLE BORDER><TR><TD ROWSPAN=3 VALIGN=bottom><INPUT NAME=a SIZE=4></TD><TD>1</TD></TR>"
         "<TR><TD>2</TD></TR><TR><TD>3<BR>3<BR>3</TD></TR></TABLE>",
         0,
         {{0, 0}}},
    };
    for (auto& c : cases) {
        TFormDoc d(c.html);
        d.Layout(500);
        ThtmlTable* t = TableAt(d, c.table);
        ASSERT_NE(t, nullptr) << c.name;
        ASSERT_EQ(d.List.AllControls().size(), c.cellOfCtl.size()) << c.name;
        for (size_t i = 0; i < c.cellOfCtl.size(); ++i) {
            auto [row, col] = c.cellOfCtl[i];
            const TRect& box = t->Rows.at(static_cast<size_t>(row))->Cells.at(static_cast<size_t>(col))->Box;
            EXPECT_TRUE(Inside(d.Control(static_cast<int>(i)), box))
                << c.name << " control " << i << " at " << d.Control(static_cast<int>(i))->DocX << ","
                << d.Control(static_cast<int>(i))->DocY << " cell " << box.Left << "," << box.Top << "-" << box.Right << ","
                << box.Bottom;
        }
        // Placing puts the windows at the laid-out places, moved by the scroll offset.
        d.List.PlaceControls(7, -3, 10000);
        for (size_t i = 0; i < c.cellOfCtl.size(); ++i) {
            TFormControlObj* ctl = d.Control(static_cast<int>(i));
            if (ctl->Hidden()) continue;
            EXPECT_EQ(d.Widget(static_cast<int>(i)).Bounds().Left, ctl->DocX + 7) << c.name;
            EXPECT_EQ(d.Widget(static_cast<int>(i)).Bounds().Top, ctl->DocY - 3) << c.name;
        }
    }
}

TEST(FormTables, AFormAcrossCellsSubmitsTheControlsOfEveryCell) {
    // The form opens in one cell and closes in a later row: its controls in all cells are one form.
    TFormDoc d("<TABLE><TR><TD><FORM ACTION=\"Rate.cfm\" METHOD=POST><INPUT NAME=a VALUE=1></TD>"
               "<TD><INPUT TYPE=checkbox NAME=b CHECKED></TD></TR><TR><TD><SELECT NAME=s><OPTION>x<OPTION SELECTED>y"
               "</SELECT></TD><TD><INPUT TYPE=submit NAME=go VALUE=Rate></FORM></TD></TR></TABLE>"
               "<INPUT NAME=outside VALUE=z>");
    d.Layout(500);
    ASSERT_EQ(d.List.Forms.size(), 2u);
    EXPECT_EQ(d.Defaults(0), "a=1&b=On&s=y");
    EXPECT_EQ(d.Defaults(1), "outside=z");
    ThtmlTable* t = TableAt(d, 0);
    ASSERT_NE(t, nullptr);
    EXPECT_TRUE(Inside(d.Control(0), t->Rows[0]->Cells[0]->Box));
    EXPECT_TRUE(Inside(d.Control(1), t->Rows[0]->Cells[1]->Box));
    EXPECT_TRUE(Inside(d.Control(2), t->Rows[1]->Cells[0]->Box));
    EXPECT_TRUE(Inside(d.Control(3), t->Rows[1]->Cells[1]->Box));
    d.Widget(3).Click();
    ASSERT_EQ(d.Sent.size(), 1u);
    EXPECT_EQ(d.Sent[0].Action, "Rate.cfm");
    EXPECT_EQ(d.Last(), "a=1&b=On&s=y&go=Rate");
    // Radios in different cells of one form still exclude each other.
    TFormDoc r("<FORM><TABLE><TR><TD><INPUT TYPE=radio NAME=r VALUE=1 CHECKED></TD><TD>"
               "<INPUT TYPE=radio NAME=R VALUE=2></TD></TR></TABLE></FORM>");
    r.Layout(300);
    r.Widget(1).Click();
    EXPECT_EQ(r.Defaults(), "R=2");
}

TEST(FormTables, ARelayoutMovesTheControlsWithTheirCells) {
    TFormDoc d("<TABLE WIDTH=100% BORDER><TR><TD WIDTH=50%>left</TD><TD><INPUT NAME=q SIZE=4></TD></TR></TABLE>");
    d.Layout(600);
    const int wide = d.Control(0)->DocX;
    d.Layout(300);
    EXPECT_LT(d.Control(0)->DocX, wide);
    EXPECT_TRUE(Inside(d.Control(0), TableAt(d, 0)->Rows[0]->Cells[1]->Box));
}
