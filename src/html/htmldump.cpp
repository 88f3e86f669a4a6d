// htmldump FILE [WIDTH]: parses an HTML file, lays it out on the fixed-metric memory canvas at
// WIDTH pixels (default 564, the plug-in's window) with the plug-in's settings (Tahoma 8), and
// prints the title, the links, the forms with the pairs their default values send, the visible
// text and the layout dump.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "html/HtmlDump.h"
#include "toolkit/SysUtils.h"

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: htmldump FILE [WIDTH]\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "htmldump: cannot open %s\n", argv[1]);
        return 1;
    }
    std::string html((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    int width = argc == 3 ? StrToIntDef(argv[2], -1) : 564;
    if (width < 1 || width > 100000) {
        std::fprintf(stderr, "htmldump: WIDTH must be 1 to 100000\n");
        return 2;
    }
    std::string out = DumpHtml(html, width);
    std::fwrite(out.data(), 1, out.size(), stdout);
    return 0;
}
