#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "toolkit/MemoryCanvas.h"
#include "widgets/Easysize.h"

namespace {

// A control of a test form: bounds, an optional font, alignment; a label sizes its width to
// its caption in its font while AutoSize is on.
class FakeControl : public TComponent, public IResizableControl {
public:
    FakeControl(TComponent* owner, TRect bounds, bool hasFont = true) : TComponent(owner), bounds_(bounds), hasFont_(hasFont) {}
    TComponent* Component() const override { return const_cast<FakeControl*>(this); }
    TRect ControlBounds() const override { return bounds_; }
    void SetControlBounds(int l, int t, int w, int h) override {
        bounds_ = Bounds(l, t, w, h);
        AdjustLabel();
    }
    bool FillsClient() const override { return fillsClient; }
    bool IsLabel() const override { return label; }
    bool HasFont() const override { return hasFont_; }
    TFont ControlFont() const override { return font; }
    void SetControlFont(const TFont& f) override {
        font = f;
        ++fontAssignments;
    }
    bool HasAutoSize() const override { return label; }
    bool ControlAutoSize() const override { return autoSize; }
    void SetControlAutoSize(bool v) override {
        autoSize = v;
        AdjustLabel();
    }
    void RefreshControl() override { AdjustLabel(); }

    bool fillsClient = false;
    bool label = false;
    bool autoSize = false;
    std::string caption;
    TFont font;
    int fontAssignments = 0;

private:
    void AdjustLabel() {
        if (label && autoSize) bounds_.Right = bounds_.Left + TMemoryCanvas::CharWidth(font) * static_cast<int>(caption.size());
    }
    TRect bounds_;
    bool hasFont_;
};

// The form: a component whose bounds are its outer size.
class FakeForm : public TComponent, public IResizableControl {
public:
    FakeForm(int w, int h) : TComponent(nullptr), bounds_(Bounds(0, 0, w, h)) {}
    ~FakeForm() override { DestroyComponents(); }
    TComponent* Component() const override { return const_cast<FakeForm*>(this); }
    TRect ControlBounds() const override { return bounds_; }
    void SetControlBounds(int l, int t, int w, int h) override { bounds_ = Bounds(l, t, w, h); }
    bool FillsClient() const override { return false; }
    bool IsLabel() const override { return false; }
    bool HasFont() const override { return true; }
    TFont ControlFont() const override { return TFont{}; }
    void SetControlFont(const TFont&) override {}
    bool HasAutoSize() const override { return false; }
    bool ControlAutoSize() const override { return false; }
    void SetControlAutoSize(bool) override {}
    void RefreshControl() override {}
    void Resize(int w, int h) { bounds_ = Bounds(bounds_.Left, bounds_.Top, w, h); }

private:
    TRect bounds_;
};

TFont FontOf(int points) {
    TFont f;
    f.SetSize(points);
    return f;
}

} // namespace

TEST(Easysize, RoundsHalvesToEven) {
    struct Case {
        double v;
        int r;
    } cases[] = {{0.5, 0}, {1.5, 2}, {2.5, 2}, {3.5, 4}, {-0.5, 0}, {-1.5, -2}, {2.4999, 2}, {2.5001, 3}, {1e12, 2147483647}};
    for (auto c : cases) EXPECT_EQ(RoundHalfEven(c.v), c.r) << c.v;
}

TEST(Easysize, DoublingDoublesBoundsAndFontsUpToTheMaximum) {
    FakeForm form(564, 492);
    auto* resizer = new TFormResizer(&form);
    resizer->ResizeFonts = true;
    resizer->MinFontSize = 2;
    resizer->MaxFontSize = 20;
    auto* a = new FakeControl(&form, Bounds(16, 471, 392, 13));
    a->font = FontOf(8);
    auto* b = new FakeControl(&form, Bounds(326, 68, 181, 38));
    b->font = FontOf(14);
    auto* noFont = new FakeControl(&form, Bounds(3, 5, 7, 9), false);
    resizer->RecordLayout();
    ASSERT_EQ(resizer->Resizers().size(), 3u);

    form.Resize(1128, 984);
    resizer->ScaleControls();
    EXPECT_EQ(a->ControlBounds(), Bounds(32, 942, 784, 26));
    EXPECT_EQ(b->ControlBounds(), Bounds(652, 136, 362, 76));
    EXPECT_EQ(noFont->ControlBounds(), Bounds(6, 10, 14, 18));
    EXPECT_EQ(a->font.Size(), 16);
    EXPECT_EQ(b->font.Size(), 20); // 28 clamped to MaxFontSize
    EXPECT_EQ(noFont->fontAssignments, 0);
}

TEST(Easysize, HalvingUsesTheMinimumFontAndEvenRounding) {
    FakeForm form(400, 300);
    auto* resizer = new TFormResizer(&form);
    resizer->ResizeFonts = true;
    resizer->MinFontSize = 2;
    auto* eight = new FakeControl(&form, Bounds(11, 13, 21, 5));
    eight->font = FontOf(8);
    auto* three = new FakeControl(&form, Bounds(0, 0, 10, 10));
    three->font = FontOf(3);
    auto* one = new FakeControl(&form, Bounds(0, 0, 10, 10));
    one->font = FontOf(1);
    resizer->RecordLayout();
    form.Resize(200, 150);
    resizer->ScaleControls();
    EXPECT_EQ(eight->font.Size(), 4);
    EXPECT_EQ(three->font.Size(), 2);                       // 1.5 rounds to 2
    EXPECT_EQ(one->font.Size(), 2);                         // 0.5 rounds to 0, raised to the minimum
    EXPECT_EQ(eight->ControlBounds(), Bounds(6, 6, 10, 2)); // 5.5 -> 6, 6.5 -> 6, 10.5 -> 10, 2.5 -> 2

    // The minimum wins when it exceeds the maximum.
    FakeForm form2(100, 100);
    auto* r2 = new TFormResizer(&form2);
    r2->ResizeFonts = true;
    r2->MinFontSize = 30;
    r2->MaxFontSize = 10;
    auto* c2 = new FakeControl(&form2, Bounds(0, 0, 10, 10));
    c2->font = FontOf(12);
    r2->RecordLayout();
    form2.Resize(100, 200);
    r2->ScaleControls();
    EXPECT_EQ(c2->font.Size(), 30);
}

TEST(Easysize, ExactRestoreAfterManyResizes) {
    FakeForm form(564, 492);
    auto* resizer = new TFormResizer(&form);
    resizer->ResizeFonts = true;
    resizer->MinFontSize = 2;
    std::vector<FakeControl*> controls;
    for (int i = 0; i < 6; ++i) {
        controls.push_back(new FakeControl(&form, Bounds(7 * i + 3, 11 * i + 1, 13 + i * 17, 9 + i * 5)));
        controls.back()->font = FontOf(7 + i);
    }
    resizer->RecordLayout();
    const int sizes[][2] = {{601, 517}, {333, 251}, {1000, 999}, {565, 493}, {563, 491}, {781, 612}};
    for (int round = 0; round < 20; ++round)
        for (auto s : sizes) {
            form.Resize(s[0], s[1]);
            resizer->ScaleControls();
        }
    form.Resize(564, 492);
    resizer->ScaleControls();
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(controls[static_cast<size_t>(i)]->ControlBounds(), Bounds(7 * i + 3, 11 * i + 1, 13 + i * 17, 9 + i * 5));
        EXPECT_EQ(controls[static_cast<size_t>(i)]->font.Size(), 7 + i);
    }
}

TEST(Easysize, ClientAlignedControlsAreUntouchedAndLabelsKeepTextWidth) {
    FakeForm form(200, 100);
    auto* resizer = new TFormResizer(&form);
    resizer->ResizeFonts = true;
    resizer->MinFontSize = 2;
    auto* client = new FakeControl(&form, Bounds(0, 0, 200, 100));
    client->fillsClient = true;
    client->font = FontOf(8);
    auto* label = new FakeControl(&form, Bounds(10, 20, 999, 15));
    label->label = true;
    label->caption = "Title";
    label->font = FontOf(8); // height -11: 6 pixels per character
    label->autoSize = false;
    resizer->RecordLayout();
    EXPECT_FALSE(resizer->Resizers()[1]->ScaleWidth);

    form.Resize(400, 200);
    resizer->ScaleControls();
    EXPECT_EQ(client->ControlBounds(), Bounds(0, 0, 200, 100));
    EXPECT_EQ(client->fontAssignments, 0);
    // Position and height scaled; width follows the text in the 16-point font (height -21: 11 px).
    EXPECT_EQ(label->font.Size(), 16);
    EXPECT_EQ(label->ControlBounds(), Bounds(20, 40, 5 * 11, 30));
    EXPECT_FALSE(label->autoSize); // restored to what it was
}

TEST(Easysize, EnforceMinSizeSnapsTheOwnerBack) {
    FakeForm form(300, 200);
    auto* resizer = new TFormResizer(&form);
    resizer->EnforceMinSize = true;
    auto* c = new FakeControl(&form, Bounds(10, 10, 50, 50));
    resizer->RecordLayout();
    form.Resize(250, 400);
    resizer->ScaleControls();
    EXPECT_EQ(form.ControlBounds(), Bounds(0, 0, 300, 400));
    EXPECT_EQ(c->ControlBounds(), Bounds(10, 20, 50, 100));
}

TEST(Easysize, RemovedControlsAreForgottenAndReportedAsNil) {
    FakeForm form(100, 100);
    auto* resizer = new TFormResizer(&form);
    auto* gone = new FakeControl(&form, Bounds(1, 1, 10, 10));
    auto* kept = new FakeControl(&form, Bounds(2, 2, 10, 10));
    resizer->RecordLayout();
    std::vector<TComponent*> reported;
    std::vector<double> ratios;
    resizer->OnPostResize = [&](TObject* sender, TComponent* control, double hr, double wr) {
        EXPECT_EQ(sender, resizer);
        reported.push_back(control);
        ratios.push_back(hr);
        ratios.push_back(wr);
    };
    delete gone;
    form.Resize(200, 300);
    resizer->ScaleControls();
    ASSERT_EQ(reported.size(), 2u);
    EXPECT_EQ(reported[0], nullptr);
    EXPECT_EQ(reported[1], kept);
    EXPECT_EQ(ratios, (std::vector<double>{3.0, 2.0, 3.0, 2.0}));
    EXPECT_EQ(kept->ControlBounds(), Bounds(4, 6, 20, 30));
}

TEST(Easysize, RecordsOnceAndOnlyControlsPresentThen) {
    FakeForm form(100, 100);
    auto* resizer = new TFormResizer(&form);
    new TComponent(&form); // not a control
    auto* first = new FakeControl(&form, Bounds(10, 10, 10, 10));
    resizer->RecordLayout();
    auto* late = new FakeControl(&form, Bounds(10, 10, 10, 10));
    form.Resize(50, 50);
    resizer->RecordLayout(); // does nothing the second time
    EXPECT_EQ(resizer->BaseWidth(), 100);
    EXPECT_EQ(resizer->Resizers().size(), 1u);
    resizer->ScaleControls();
    EXPECT_EQ(first->ControlBounds(), Bounds(5, 5, 5, 5));
    EXPECT_EQ(late->ControlBounds(), Bounds(10, 10, 10, 10));
    // Fonts are left alone without ResizeFonts.
    EXPECT_EQ(first->fontAssignments, 0);
}

TEST(Easysize, ScalingBeforeRecordingAndZeroSizedOwnersAreHarmless) {
    FakeForm form(0, 0);
    auto* resizer = new TFormResizer(&form);
    auto* c = new FakeControl(&form, Bounds(3, 4, 5, 6));
    resizer->ScaleControls(); // nothing recorded yet
    EXPECT_EQ(c->ControlBounds(), Bounds(3, 4, 5, 6));
    resizer->RecordLayout();
    form.Resize(100, 100);
    resizer->ScaleControls(); // a zero recorded size keeps ratio 1
    EXPECT_EQ(c->ControlBounds(), Bounds(3, 4, 5, 6));
}

TEST(Easysize, ConstructionErrors) {
    auto message = [](auto&& f) {
        try {
            f();
        } catch (const EResizerException& e) { return e.Message(); }
        return std::string("no exception");
    };
    EXPECT_EQ(message([] { TFormResizer r(nullptr); }), "TFormResizer created without an owner");
    TComponent notAControl(nullptr);
    EXPECT_EQ(message([&] { TFormResizer r(&notAControl); }), "TFormResizer owner must be a panel or form");
    EXPECT_EQ(notAControl.ComponentCount(), 0); // the failed resizer left its owner
    FakeForm form(10, 10);
    auto* c = new FakeControl(&form, Bounds(0, 0, 1, 1));
    EXPECT_EQ(message([&] { TSingleResizer r(nullptr, &form, false, 8, 48); }),
              "TSingleResizer created without a component link");
    EXPECT_EQ(message([&] { TSingleResizer r(DirectResizableOf(c), nullptr, false, 8, 48); }),
              "TSingleResizer created without a parent form link");
}

TEST(Easysize, ResizerDestroyedBeforeItsControls) {
    FakeForm form(100, 100);
    auto* resizer = new TFormResizer(&form);
    auto* c = new FakeControl(&form, Bounds(1, 1, 10, 10));
    resizer->RecordLayout();
    delete resizer;
    delete c; // must not reach the freed resizer
    EXPECT_EQ(form.ComponentCount(), 0);
}
