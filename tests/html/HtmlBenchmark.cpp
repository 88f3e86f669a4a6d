// Throughput of parse + layout (on the memory canvas) beside gumbo's parse of the same bytes, in
// MB/s, with the ratio. Pages: generated ones of 0.25, 1 and 4 MB (the cost per MB must stay
// flat), and the HTML pages shipped under /usr/share/doc.
#include <benchmark/benchmark.h>
#include <gumbo.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "html/Readhtml.h"
#include "toolkit/MemoryCanvas.h"

namespace {

// CPU time of this thread: other work on a shared machine does not count.
double CpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

std::string GeneratedPage(size_t bytes) {
    std::mt19937 rng(42);
    static const char* const words[] = {"music",          "listener", "rating", "album", "the", "of",
                                        "recommendation", "track",    "artist", "genre", "and", "a",
                                        "jazz",           "night",    "song"};
    auto sentence = [&](int n) {
        std::string s;
        for (int i = 0; i < n; ++i) s += std::string(words[rng() % 15]) + (i + 1 < n ? " " : ". ");
        return s;
    };
    std::string page = "<HTML><HEAD><TITLE>Generated</TITLE></HEAD><BODY BGCOLOR=black TEXT=lime>\n";
    int k = 0;
    while (page.size() < bytes) {
        switch (k++ % 4) {
        case 0:
            page += "<P>" + sentence(120) + "<A HREF=\"http://service.example/a.cfm?id=" + std::to_string(k) + "\">link " +
                    sentence(3) + "</A> " + sentence(60) + "\n";
            break;
        case 1:
            page += "<UL><LI>" + sentence(8) + "<OL TYPE=i><LI>" + sentence(6) + "<LI><B>" + sentence(5) + "</B></OL><LI>" +
                    sentence(10) + "</UL>\n";
            break;
        case 2:
            page += "<FONT SIZE=+1 COLOR=#FFFFFF>" + sentence(20) + "</FONT><I>" + sentence(15) + "</I> &amp; &copy; <BR>\n";
            break;
        default: page += "<H3>" + sentence(4) + "</H3><CENTER>" + sentence(30) + "</CENTER><!-- comment -->\n"; break;
        }
    }
    return page + "</BODY></HTML>";
}

std::vector<std::string> RealPages() {
    std::vector<std::string> pages;
    size_t total = 0;
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator("/usr/share/doc", ec);
         it != std::filesystem::recursive_directory_iterator() && total < 8u << 20; it.increment(ec)) {
        if (ec) break;
        auto ext = it->path().extension().string();
        if (!it->is_regular_file(ec) || (ext != ".html" && ext != ".htm")) continue;
        std::ifstream in(it->path(), std::ios::binary);
        std::string s((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        total += s.size();
        pages.push_back(std::move(s));
    }
    return pages;
}

double ParseLayout(const std::string& page) {
    double t0 = CpuSeconds();
    TSectionList list;
    list.FontSize = 8;
    TStringList names;
    THtmlCallbacks callbacks;
    THtmlParseInfo info;
    try {
        HtmlParseBuffer(list, names, page.data(), page.size(), callbacks, info);
    } catch (const EParseError&) {}
    TMemoryCanvas canvas(1, 1);
    int maxWidth = 0;
    benchmark::DoNotOptimize(list.DoLayout(canvas, 600, maxWidth));
    return CpuSeconds() - t0;
}

double GumboParse(const std::string& page) {
    double t0 = CpuSeconds();
    GumboOutput* out = gumbo_parse_with_options(&kGumboDefaultOptions, page.data(), page.size());
    benchmark::DoNotOptimize(out);
    gumbo_destroy_output(&kGumboDefaultOptions, out);
    return CpuSeconds() - t0;
}

void Report(benchmark::State& state, size_t bytes, double ours, double gumbo, int runs) {
    double mb = static_cast<double>(bytes) / 1e6;
    state.SetBytesProcessed(static_cast<int64_t>(bytes) * state.iterations());
    state.counters["ours_MB/s"] = mb * runs / ours;
    state.counters["gumbo_MB/s"] = mb * runs / gumbo;
    state.counters["ratio"] = gumbo / ours; // above 1: parse + layout is faster than gumbo's parse
    state.counters["ms_per_MB"] = ours / runs / mb * 1e3;
}

void BM_Generated(benchmark::State& state) {
    std::string page = GeneratedPage(static_cast<size_t>(state.range(0)) * 1024);
    double ours = 0, gumbo = 0;
    int runs = 0;
    for (auto _ : state) {
        ours += ParseLayout(page);
        ++runs;
    }
    for (int i = 0; i < runs; ++i) gumbo += GumboParse(page);
    Report(state, page.size(), ours, gumbo, runs);
}
BENCHMARK(BM_Generated)->Arg(256)->Arg(1024)->Arg(4096)->Unit(benchmark::kMillisecond);

void BM_RealPages(benchmark::State& state) {
    static const std::vector<std::string> pages = RealPages();
    size_t bytes = 0;
    for (auto& p : pages) bytes += p.size();
    double ours = 0, gumbo = 0;
    int runs = 0;
    for (auto _ : state) {
        for (auto& p : pages) ours += ParseLayout(p);
        ++runs;
    }
    for (int i = 0; i < runs; ++i)
        for (auto& p : pages) gumbo += GumboParse(p);
    state.counters["pages"] = static_cast<double>(pages.size());
    Report(state, bytes, ours, gumbo, runs);
}
BENCHMARK(BM_RealPages)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
