// Throughput of parse + layout (on the memory canvas) beside gumbo's parse of the same bytes, in
// MB/s, with the ratio. Pages: one of each input shape at 0.25, 1 and 4 MB (the cost per MB,
// ms_per_MB, must stay flat for every shape), and the HTML pages shipped under /usr/share/doc.
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

// A track table of the service's kind: a coloured header row, then one row per track with its
// rating, inside a two-column layout table with a navigation column.
std::string ServicePage(size_t bytes) {
    std::string page = "<HTML><BODY BGCOLOR=black TEXT=lime LINK=yellow><TABLE WIDTH=100% BORDER=0><TR><TD WIDTH=120 "
                       "VALIGN=top BGCOLOR=#202020><A HREF=home.cfm>Home</A><BR><A HREF=rate.cfm>Rate</A></TD><TD>\n";
    int n = 0;
    while (page.size() < bytes) {
        page += "<TABLE BORDER=1 CELLPADDING=2 CELLSPACING=0 WIDTH=100%><CAPTION>Recommendations " + std::to_string(n) +
                "</CAPTION><TR BGCOLOR=#004000><TH>#</TH><TH>Artist</TH><TH>Title</TH><TH WIDTH=15%>Rating</TH></TR>\n";
        for (int r = 0; r < 40; ++r, ++n)
            page += "<TR><TD ALIGN=right>" + std::to_string(n) + "</TD><TD><A HREF=\"artist.cfm?id=" + std::to_string(n) +
                    "\">Harbour Lights</A></TD><TD>Tidal Songs &amp; more</TD><TD><FONT COLOR=white>" + std::to_string(n % 10) +
                    ".5</FONT></TD></TR>\n";
        page += "</TABLE><P>\n";
    }
    return page + "</TD></TR></TABLE></BODY></HTML>";
}

// Pages of one shape each, as long as asked for: the cost per MB must stay flat for every one.
std::string ShapePage(int shape, size_t bytes) {
    std::string p;
    auto fill = [&](const std::string& head, const std::string& unit, const std::string& tail) {
        p = head;
        for (int i = 0; p.size() < bytes; ++i) {
            std::string u = unit;
            for (size_t k; (k = u.find('#')) != std::string::npos;) u.replace(k, 1, std::to_string(i));
            p += u;
        }
        p += tail;
    };
    switch (shape) {
    case 0: return GeneratedPage(bytes);
    case 1: fill("<P>", "listener rating album track ", ""); break;    // one long paragraph
    case 2: fill("<P>", "<IMG ALIGN=left> ", "text"); break;           // many floats in one section
    case 3: fill("", "<A HREF=\"u#.htm\">link #</A> and ", ""); break; // many links
    case 4: fill("", "a &amp; b &lt;c&gt; &copy; &#65; ", ""); break;  // entities
    case 5: fill("<A HREF=u>", "x<H1></H1>", ""); break;               // dropped sections holding a link
    case 6: fill("", "<UL><UL><UL><UL><UL><UL><UL><UL><LI>deep #</UL></UL></UL></UL></UL></UL></UL></UL>", ""); break;
    case 7:
        fill("", "<TABLE><TR><TD><TABLE><TR><TD><TABLE><TR><TD>cell #</TD></TR></TABLE></TD></TR></TABLE></TD></TR></TABLE>", "");
        break;                                                                                                   // nested tables
    case 8: fill("<TABLE BORDER>", "<TR><TD>#</TD><TD>Harbour Lights</TD><TD>9.1</TD></TR>", "</TABLE>"); break; // many rows
    case 9: { // rows of 2,000 cells
        std::string row = "<TABLE><TR>";
        for (int i = 0; i < 2000; ++i) row += "<TD>" + std::to_string(i) + "</TD>";
        row += "</TR></TABLE>";
        fill("", row, "");
        break;
    }
    case 10: fill("<PRE>", "x y ", "</PRE>"); break; // one long preformatted line
    case 12: {                                       // track tables 90 tables deep
        std::string head;
        for (int i = 0; i < 90; ++i) head += "<TABLE><TR><TD>";
        fill(head, "<TABLE BORDER><TR><TD>#</TD><TD>Harbour Lights</TD><TD>9.1</TD></TR></TABLE>", "");
        break;
    }
    default: return ServicePage(bytes);
    }
    return p;
}

const char* const ShapeNames[] = {"flat",         "paragraph", "floats",   "links",   "entities", "droppedLinks", "lists",
                                  "nestedTables", "tableRows", "wideRows", "preLine", "service",  "deepTables"};

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
    THtmlSettings settings;
    settings.FontSize = 8;
    TSectionList list(&settings);
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

// Args: shape, size in KB.
void BM_Shape(benchmark::State& state) {
    std::string page = ShapePage(static_cast<int>(state.range(0)), static_cast<size_t>(state.range(1)) * 1024);
    state.SetLabel(ShapeNames[state.range(0)]);
    double ours = 0, gumbo = 0;
    int runs = 0;
    for (auto _ : state) {
        ours += ParseLayout(page);
        ++runs;
    }
    for (int i = 0; i < runs; ++i) gumbo += GumboParse(page);
    Report(state, page.size(), ours, gumbo, runs);
}
BENCHMARK(BM_Shape)
    ->ArgsProduct({benchmark::CreateDenseRange(0, 12, 1), {256, 1024, 4096}})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(0.3);

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
