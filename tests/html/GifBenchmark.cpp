// GIF decoding throughput in megapixels per second: the program's decoder beside giflib's
// DGifSlurp on the same bytes in the same run, with the ratio. Files (written by giflib): a
// 2000 x 2000 single frame, the same interlaced, and a 100-frame 200 x 200 animation.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <ctime>
#include <map>

#include "GifTestUtil.h"
#include "html/HTMLGif.h"

namespace {

// CPU time of this thread: other work on a shared machine does not count.
double CpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// Photograph-like content: smooth gradients with noise, 256 colours.
giftest::TSpecFrame Picture(int w, int h, unsigned seed) {
    giftest::TSpecFrame f;
    f.Width = w, f.Height = h;
    std::mt19937 rng(seed);
    f.Pixels.resize(static_cast<size_t>(w) * static_cast<size_t>(h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            f.Pixels[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)] =
                static_cast<uint8_t>((x / 7 + y / 5 + (rng() % 4 == 0 ? rng() % 6 : 0) + seed) & 255);
    return f;
}

struct TFile {
    std::vector<uint8_t> bytes;
    double megapixels = 0;
};

const TFile& File(const std::string& name) {
    static std::map<std::string, TFile> files;
    auto it = files.find(name);
    if (it != files.end()) return it->second;
    giftest::TGifRecipe s;
    s.GlobalColors = giftest::Palette(8);
    if (name == "animated") {
        s.ScreenWidth = s.ScreenHeight = 200, s.Loop = 0;
        for (unsigned i = 0; i < 100; ++i) {
            auto f = Picture(200, 200, i);
            f.DelayCs = 5;
            s.Frames.push_back(f);
        }
    } else {
        s.ScreenWidth = s.ScreenHeight = 2000;
        s.Frames.push_back(Picture(2000, 2000, 1));
        s.Frames[0].Interlace = name == "interlaced";
    }
    TFile f;
    f.bytes = giftest::WriteGif(s);
    for (auto& fr : s.Frames) f.megapixels += fr.Width * fr.Height / 1e6;
    return files[name] = std::move(f);
}

std::map<std::string, double> rates[2]; // megapixels per second: [0] ours, [1] giflib

void Measure(benchmark::State& state, const std::string& name, bool giflib) {
    const TFile& file = File(name);
    double cpu = 0;
    int64_t runs = 0;
    for (auto _ : state) {
        double t0 = CpuSeconds();
        if (giflib) {
            giftest::TMemoryIn in{file.bytes.data(), file.bytes.size(), 0};
            int err = 0;
            GifFileType* gif = DGifOpen(&in, giftest::Read, &err);
            if (!gif || DGifSlurp(gif) != GIF_OK) state.SkipWithError("giflib failed");
            benchmark::DoNotOptimize(gif->SavedImages);
            DGifCloseFile(gif, &err);
        } else {
            TGIFImage g = TGIFImage::FromBytes(file.bytes.data(), file.bytes.size());
            benchmark::DoNotOptimize(g.Frame(0).Pixels.data());
        }
        cpu += CpuSeconds() - t0;
        ++runs;
    }
    const double rate = file.megapixels * static_cast<double>(runs) / cpu;
    state.counters["Mpx/s"] = rate;
    rates[giflib ? 1 : 0][name] = rate;
}

void Ours(benchmark::State& s, std::string name) { Measure(s, name, false); }
void Giflib(benchmark::State& s, std::string name) { Measure(s, name, true); }

} // namespace

BENCHMARK_CAPTURE(Ours, single_2000x2000, std::string("single"))->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK_CAPTURE(Giflib, single_2000x2000, std::string("single"))->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK_CAPTURE(Ours, interlaced_2000x2000, std::string("interlaced"))->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK_CAPTURE(Giflib, interlaced_2000x2000, std::string("interlaced"))->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK_CAPTURE(Ours, animated_100x200x200, std::string("animated"))->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK_CAPTURE(Giflib, animated_100x200x200, std::string("animated"))->Unit(benchmark::kMillisecond)->MinTime(1.0);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    std::printf("\n%-12s %12s %12s %8s\n", "file", "ours Mpx/s", "giflib Mpx/s", "ratio");
    for (auto& [name, ours] : rates[0])
        if (rates[1].count(name))
            std::printf("%-12s %12.1f %12.1f %8.2f\n", name.c_str(), ours, rates[1][name], ours / rates[1][name]);
    benchmark::Shutdown();
    return 0;
}
