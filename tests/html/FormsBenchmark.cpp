// A page with 1,000 form controls beside the same page with a word in place of each control:
// parse, layout, and a scroll by one line (16 pixels: the controls in view moved, the others
// hidden), on the memory canvas with window-free controls. Two layouts: the controls in running
// text, and the controls in the cells of a track table (one row per five controls). Both pages
// are timed in the same iterations (thread CPU time) and the ratio is printed.
#include <benchmark/benchmark.h>

#include <ctime>
#include <string>

#include "html/Htmlsbs1.h"
#include "html/Readhtml.h"
#include "toolkit/MemoryCanvas.h"

namespace {

double CpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

std::string Control(int i) {
    const std::string n = std::to_string(i);
    switch (i % 5) {
    case 0: return "<INPUT NAME=name" + n + " VALUE=\"title " + n + "\" SIZE=12>";
    case 1: return "<INPUT TYPE=checkbox NAME=like" + n + " CHECKED>";
    case 2: return "<INPUT TYPE=radio NAME=r" + n + " VALUE=" + n + ">";
    case 3: return "<SELECT NAME=s" + n + "><OPTION>one<OPTION SELECTED>two<OPTION>three</SELECT>";
    default: return "<INPUT TYPE=submit NAME=go" + n + " VALUE=Rate>";
    }
}

std::string Page(bool controls, bool table) {
    std::string page = "<HTML><BODY BGCOLOR=black TEXT=lime><FORM ACTION=\"Rate.cfm\" METHOD=POST>\n";
    if (table) page += "<TABLE BORDER=1 CELLPADDING=2><TR BGCOLOR=navy><TH>Track<TH>Title<TH>Like<TH>Pick<TH>Rating<TH>Go\n";
    for (int i = 0; i < 1000; ++i) {
        const std::string n = std::to_string(i);
        const std::string item = controls ? Control(i) : "field" + n;
        if (table) {
            if (i % 5 == 0) page += "<TR><TD>Track " + n;
            page += "<TD>" + item + (i % 5 == 4 ? "\n" : "");
        } else {
            page += "Track " + n + " " + item + (i % 5 == 4 ? "<BR>\n" : " ");
        }
    }
    return page + (table ? "</TABLE>" : "") + "</FORM></BODY></HTML>";
}

double LoadLayoutScroll(const std::string& page, const THtmlSettings& settings, TMemoryCanvas& canvas) {
    const double t0 = CpuSeconds();
    TSectionList list(&settings);
    TStringList names;
    THtmlParseInfo info;
    HtmlParseBuffer(list, names, page.data(), page.size(), THtmlCallbacks{}, info);
    int maxWidth = 0;
    list.DoLayout(canvas, 560, maxWidth);
    list.PlaceControls(0, 0, 300);
    list.PlaceControls(0, -16, 300);
    benchmark::DoNotOptimize(list.AllControls().size());
    return CpuSeconds() - t0;
}

// Arg: 0 the controls in running text, 1 in table cells.
void BM_ThousandControls(benchmark::State& state) {
    const bool table = state.range(0) != 0;
    state.SetLabel(table ? "table cells" : "running text");
    const std::string with = Page(true, table), without = Page(false, table);
    THtmlSettings settings;
    settings.FontSize = 8;
    TMemoryCanvas canvas(16, 16);
    double withTime = 0, withoutTime = 0;
    for (auto _ : state) {
        withoutTime += LoadLayoutScroll(without, settings, canvas);
        withTime += LoadLayoutScroll(with, settings, canvas);
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["with_ms"] = withTime / n * 1e3;
    state.counters["without_ms"] = withoutTime / n * 1e3;
    state.counters["ratio"] = withTime / withoutTime; // the cost of the controls: with / without
}

} // namespace

BENCHMARK(BM_ThousandControls)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK_MAIN();
