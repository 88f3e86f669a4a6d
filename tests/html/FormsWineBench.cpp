// The 1,000-control page in the viewer under Wine (label "bench"; prints figures, asserts none):
// load and lay out (the control windows made and placed on the drawing panel), then one line
// down, beside the same page with a word in place of each control, both timed in the same run;
// the median of N rounds and the ratio.
//
//   html_forms_wine_bench.exe [rounds]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "html/Htmlsbs1.h"
#include "html/Htmlview.h"
#include "support/BenchStats.h"
#include "support/MessageBoxWatcher.h"
#include "toolkit/Application.h"
#include "toolkit/Forms.h"

namespace {

// The same page as the native benchmark's running-text page.
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

void Settle() {
    PumpUntil([] { return false; }, 30);
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = std::clamp(argc > 1 ? std::atoi(argv[1]) : 5, 1, 50);
    try {
        Application->Initialize();
        TForm form(nullptr);
        form.BorderStyle = TFormBorderStyle::bsNone;
        form.SetBounds(10, 10, 564, 320);
        auto* viewer = new THTMLViewer(&form);
        viewer->SetParent(&form);
        viewer->SetBounds(0, 0, 564, 320);
        viewer->SetDefFontName("Tahoma");
        viewer->SetDefFontSize(8);
        viewer->SetScrollBars(TScrollStyle::ssVertical);
        form.Show();
        Settle();
        const std::string pages[2] = {Page(false), Page(true)};
        std::vector<double> load[2], scroll[2];
        size_t controls = 0;
        for (int r = 0; r < rounds; ++r)
            for (int k = 0; k < 2; ++k) {
                const double t0 = BenchNow();
                viewer->LoadBuffer(pages[k].data(), pages[k].size());
                const double t1 = BenchNow();
                SendMessageA(viewer->Handle(), WM_KEYDOWN, VK_DOWN, 0); // one line down
                const double t2 = BenchNow();
                load[k].push_back(t1 - t0);
                scroll[k].push_back(t2 - t1);
                if (k == 1) controls = viewer->Document().AllControls().size();
                Settle();
            }
        std::printf("1,000-control page in the viewer under Wine, median of %d rounds (%zu controls made)\n", rounds, controls);
        std::printf("load+layout: without %.2f ms, with %.2f ms, ratio %.2f\n", Median(load[0]) * 1e3, Median(load[1]) * 1e3,
                    Median(load[1]) / Median(load[0]));
        std::printf("one line down: without %.3f ms, with %.3f ms, ratio %.2f\n", Median(scroll[0]) * 1e3,
                    Median(scroll[1]) * 1e3, Median(scroll[1]) / Median(scroll[0]));
    } catch (const Exception& e) {
        std::printf("html_forms_wine_bench: %s\n", e.Message().c_str());
        return 1;
    }
    return 0;
}
