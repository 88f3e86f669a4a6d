// A page with 1,000 form controls beside the same page with a word in place of each control:
// parse, layout, and a scroll by one line (16 pixels: the controls in view moved, the others
// hidden), on the memory canvas with window-free controls; compare the two times.
#include <benchmark/benchmark.h>

#include <string>

#include "html/Htmlsbs1.h"
#include "html/Readhtml.h"
#include "toolkit/MemoryCanvas.h"

namespace {

std::string Page(bool controls) {
    std::string page = "<HTML><BODY BGCOLOR=black TEXT=lime><FORM ACTION=\"Rate.cfm\" METHOD=POST>\n";
    for (int i = 0; i < 1000; ++i) {
        const std::string n = std::to_string(i);
        page += "Track " + n + " ";
        if (!controls) {
            page += "field" + n + (i % 5 == 4 ? "<BR>\n" : " ");
            continue;
        }
        switch (i % 5) {
        case 0: page += "<INPUT NAME=name" + n + " VALUE=\"title " + n + "\" SIZE=12> "; break;
        case 1: page += "<INPUT TYPE=checkbox NAME=like" + n + " CHECKED> "; break;
        case 2: page += "<INPUT TYPE=radio NAME=r" + n + " VALUE=" + n + "> "; break;
        case 3: page += "<SELECT NAME=s" + n + "><OPTION>one<OPTION SELECTED>two<OPTION>three</SELECT> "; break;
        default: page += "<INPUT TYPE=submit NAME=go" + n + " VALUE=Rate><BR>\n"; break;
        }
    }
    return page + "</FORM></BODY></HTML>";
}

void Run(benchmark::State& state, bool controls) {
    const std::string page = Page(controls);
    THtmlSettings settings;
    settings.FontSize = 8;
    TMemoryCanvas canvas(16, 16);
    for (auto _ : state) {
        TSectionList list(&settings);
        TStringList names;
        THtmlParseInfo info;
        HtmlParseBuffer(list, names, page.data(), page.size(), THtmlCallbacks{}, info);
        int maxWidth = 0;
        list.DoLayout(canvas, 560, maxWidth);
        list.PlaceControls(0, 0, 300);
        list.PlaceControls(0, -16, 300);
        benchmark::DoNotOptimize(list.AllControls().size());
    }
}

void BM_WithControls(benchmark::State& state) { Run(state, true); }
void BM_WithoutControls(benchmark::State& state) { Run(state, false); }

} // namespace

BENCHMARK(BM_WithoutControls)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WithControls)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
