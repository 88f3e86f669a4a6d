// Fuzz target: any bytes go through the buffer parser, then layout at two widths, drawing, hit
// tests, search, selection copy, the form controls driven as a person would, and the text dump.
// Built for libFuzzer with QV_FUZZ, and replayed over the saved corpus by html_fuzz_replay in
// every normal test run.
//
// An input that starts with byte 1 is a repeated page, so that short inputs reach thousands of
// options, cells or nested tables: 1, a count byte n, the head, 1, the part repeated 1 + 8n
// times, 1, the tail. The page it makes is at most MaxExpanded bytes, a bound that keeps an
// execution short: 16 KB still holds two thousand options or four thousand cells, while a page of
// 64 KB made every execution about four times dearer under the sanitizers.
#include <cstddef>
#include <cstdint>
#include <string>

#include "html/HtmlDump.h"
#include "html/Htmlsbs1.h"
#include "html/Readhtml.h"
#include "toolkit/MemoryCanvas.h"

namespace {

constexpr size_t MaxExpanded = 16 * 1024;

std::string Expand(const char* data, size_t size) {
    std::string in(data, size);
    if (size < 2 || in[0] != 1) return in;
    const size_t repeats = 1 + 8 * static_cast<size_t>(static_cast<uint8_t>(in[1]));
    std::string rest = in.substr(2);
    const size_t a = rest.find('\1'), b = a == std::string::npos ? a : rest.find('\1', a + 1);
    if (b == std::string::npos) return in;
    const std::string head = rest.substr(0, a), part = rest.substr(a + 1, b - a - 1), tail = rest.substr(b + 1);
    std::string page = head;
    for (size_t i = 0; i < repeats && page.size() + part.size() <= MaxExpanded; ++i) page += part;
    return page + tail;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t byteCount) {
    const std::string page = Expand(reinterpret_cast<const char*>(bytes), byteCount);
    const char* data = page.data();
    const size_t size = page.size();
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
        HtmlParseBuffer(list, names, data, size, callbacks, info);
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
    (void)DumpPage(list, info);
    return 0;
}
