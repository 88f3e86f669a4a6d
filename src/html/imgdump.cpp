// imgdump FILE OUTDIR: decodes a GIF, BMP, PNG or JPEG file as the viewer does and writes
// OUTDIR/frame_000.png, frame_001.png, ... (the logical screen after each frame is composed,
// 8-bit RGBA), then prints the screen size, the frame count, the loop count and each frame's
// delay. A file it cannot read gives one line starting "error:" and exit status 1.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "html/HTMLUn2Dump.h"
#include "html/HTMLUn2Images.h"
#include "toolkit/Exception.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: imgdump FILE OUTDIR\n");
        return 2;
    }
    const std::string file = argv[1], outDir = argv[2];
    try {
        std::ifstream in(file, std::ios::binary);
        if (!in) throw EFOpenError("Cannot open file " + file);
        std::string bytes;
        // Read at most one byte past the limit, so a huge file is refused without reading it all.
        bytes.resize(MaxImageDataBytes + 1);
        in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        bytes.resize(static_cast<size_t>(in.gcount()));
        TImageDump dump = DumpImage(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), file);
        for (size_t i = 0; i < dump.Frames.size(); ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "/frame_%03zu.png", i);
            WritePngRgba(outDir + name, dump.Width, dump.Height, dump.Frames[i].Rgba);
        }
        std::fputs(dump.Summary().c_str(), stdout);
        return 0;
    } catch (const Exception& e) { std::printf("error: %s\n", e.Message().c_str()); } catch (const std::exception& e) {
        std::printf("error: %s\n", e.what());
    }
    return 1;
}
