// Fuzz target: any bytes go through the buffer parser, then layout at two widths, drawing, hit
// tests, search and selection copy. Built for libFuzzer with QV_FUZZ, and replayed over the saved
// corpus by html_fuzz_replay in every normal test run.
#include <cstddef>
#include <cstdint>

#include "html/Htmlsbs1.h"
#include "html/Readhtml.h"
#include "toolkit/MemoryCanvas.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    THtmlSettings settings;
    settings.FontSize = 8;
    TSectionList list(&settings);
    TStringList names;
    THtmlCallbacks callbacks;
    callbacks.OnInclude = [](const std::string&, TStringList&, std::string& buffer) { buffer = "<B>included</B><!--#x-->"; };
    callbacks.OnMeta = [](const std::string&, const std::string&, const std::string&) {};
    callbacks.OnScript = [](const std::string&, const std::string&) {};
    callbacks.OnSound = [](const std::string&, int, bool) {};
    size_t submitted = 0;
    list.SubmitReceiver = [&](const std::string&, const std::string&, const std::string&, const std::string&,
                              std::unique_ptr<TStringList> results) { submitted += static_cast<size_t>(results->Count()); };
    THtmlParseInfo info;
    try {
        HtmlParseBuffer(list, names, reinterpret_cast<const char*>(data), size, callbacks, info);
    } catch (const EParseError&) {
        // an unterminated comment: the document keeps what came before it
    }
    TMemoryCanvas canvas(96, 64);
    for (int width : {300, 37}) {
        int maxWidth = 0;
        int height = list.DoLayout(canvas, width, maxWidth);
        list.Draw(canvas, Rect(0, 0, 96, 64), 0, 0);
        list.Draw(canvas, Rect(0, 0, 96, 64), 0, -height / 2);
        list.Draw(canvas, Rect(0, 0, 96, 64), 0, -height / 3, true); // printed: the controls' substitutes
        list.PlaceControls(3, -height / 3, 64);
        TUrlTarget url;
        for (int y = 0; y < height && y < 400; y += 13) {
            list.GetURL(y % width, y, url);
            list.PositionAt((y * 7) % (width + 20), y);
            TPoint p;
            list.PointOf(y, p);
        }
    }
    // What a person does to the first controls: focus, click, Enter, leave; image inputs clicked.
    const std::vector<TFormControlObj*> controls = list.AllControls();
    for (size_t i = 0; i < controls.size() && i < 40; ++i) {
        if (auto* w = dynamic_cast<TMemoryFormWidget*>(controls[i]->WindowControl())) {
            w->Focus();
            w->Pick(static_cast<int>(i % 3));
            w->Click();
            w->PressReturn();
            w->Blur();
        } else if (auto* image = dynamic_cast<TImageFormControlObj*>(controls[i])) {
            image->ImageClicked(static_cast<int>(i), 4);
        }
    }
    for (auto& f : list.Forms) submitted += f->SubmissionList().size();
    (void)submitted;
    list.SelB = 1;
    list.SelE = 1 << 20;
    (void)list.GetSelectedText();
    (void)list.FindText(0, "a", false);
    list.RefreshFonts();
    return 0;
}
