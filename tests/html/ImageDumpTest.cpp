// The picture dump: every frame composed as the viewer composes it, the summary lines, the PNG
// files it writes, and the imgdump tool run on good and bad files.
#include <gtest/gtest.h>

#include <png.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "GifTestUtil.h"
#include "html/HTMLUn2Dump.h"
#include "toolkit/Jpeg.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("missing " + path);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const Bytes& b) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

// libpng's own reading of a PNG file as 8-bit RGBA (0xAARRGGBB).
std::vector<uint32_t> ReadPngRgba(const std::string& path, int& w, int& h) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) throw std::runtime_error("libpng cannot read " + path);
    image.format = PNG_FORMAT_RGBA;
    Bytes raw(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, raw.data(), 0, nullptr)) throw std::runtime_error("libpng failed on " + path);
    w = static_cast<int>(image.width), h = static_cast<int>(image.height);
    std::vector<uint32_t> out(raw.size() / 4);
    for (size_t i = 0; i < out.size(); ++i)
        out[i] =
            (uint32_t(raw[4 * i + 3]) << 24) | (uint32_t(raw[4 * i]) << 16) | (uint32_t(raw[4 * i + 1]) << 8) | raw[4 * i + 2];
    return out;
}

// Three frames on a 6 x 4 screen: a full opaque frame, a transparent one left in place, and one
// that grows the screen past its stated size and is restored to the background afterwards.
giftest::TGifRecipe ThreeFrames() {
    giftest::TGifRecipe r;
    r.ScreenWidth = 6, r.ScreenHeight = 4;
    r.GlobalColors = giftest::Palette(2);
    r.Loop = 2;
    giftest::TSpecFrame a;
    a.Left = 1, a.Top = 1, a.Width = 3, a.Height = 2, a.DelayCs = 10, a.Disposal = 1;
    a.Pixels = {0, 1, 2, 3, 2, 1};
    giftest::TSpecFrame b;
    b.Width = 2, b.Height = 2, b.DelayCs = 25, b.Transparent = 3, b.Disposal = 1;
    b.Pixels = {3, 0, 1, 3};
    giftest::TSpecFrame c;
    c.Left = 5, c.Top = 3, c.Width = 2, c.Height = 2, c.DelayCs = 0, c.Disposal = 2, c.Control = true;
    c.Pixels = {2, 2, 2, 2};
    r.Frames = {a, b, c};
    return r;
}

class TTempDir {
public:
    TTempDir() {
        char tmpl[] = "/tmp/imgdump-test-XXXXXX";
        if (!mkdtemp(tmpl)) throw std::runtime_error("mkdtemp failed");
        path_ = tmpl;
    }
    ~TTempDir() { std::filesystem::remove_all(path_); }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

} // namespace

TEST(ImageDump, GifFramesAreTheComposedScreens) {
    const Bytes bytes = giftest::WriteGif(ThreeFrames());
    const TImageDump d = DumpImage(bytes.data(), bytes.size(), "anim.gif");
    const giftest::TReference ref = giftest::ReadWithGiflib(bytes);
    EXPECT_EQ(d.Width, 7); // grown by the third frame
    EXPECT_EQ(d.Height, 5);
    ASSERT_EQ(ref.Width, d.Width);
    ASSERT_EQ(d.Frames.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_TRUE(d.Frames[i].Rgba == ref.Screens[i]) << "frame " << i;
        EXPECT_EQ(d.Frames[i].DelayCs, ref.DelaysCs[i]);
    }
    EXPECT_EQ(d.Frames[0].Rgba[0], 0u); // nothing drawn at the top-left yet: (0,0,0,0)
    EXPECT_EQ(d.Summary(), "screen 7 5\nframes 3\nloop 2\nframe 0 delay_cs 10\nframe 1 delay_cs 25\nframe 2 delay_cs 0\n");
}

TEST(ImageDump, StillPicturesAndTheirMasks) {
    // A palette PNG whose tRNS entry 2 is transparent: those pixels are (0,0,0,0), the others
    // opaque with the reference colours.
    const std::string dir = std::string(QV_TEST_DATA) + "/images/";
    const Bytes png = ReadBytes(dir + "palette-trns.png");
    const Bytes ref = ReadBytes(dir + "palette-trns.png.rgb");
    const TImageDump d = DumpImage(png.data(), png.size(), "palette-trns.png");
    ASSERT_EQ(d.Frames.size(), 1u);
    EXPECT_EQ(d.Summary(), "screen 13 7\nframes 1\nloop none\nframe 0 delay_cs 0\n");
    // Palette entry 2 is (32, 80, 229) in the fixture's recipe.
    int transparent = 0;
    for (size_t i = 0; i < d.Frames[0].Rgba.size(); ++i) {
        const uint32_t rgb = (uint32_t(ref[3 * i]) << 16) | (uint32_t(ref[3 * i + 1]) << 8) | ref[3 * i + 2];
        const uint32_t want = rgb == 0x2050E5u ? 0u : 0xFF000000u | rgb;
        transparent += want == 0;
        ASSERT_EQ(d.Frames[0].Rgba[i], want) << i;
    }
    EXPECT_GT(transparent, 0);

    // A JPEG is opaque everywhere.
    const Bytes jpg = ReadBytes(dir + "baseline.jpg");
    const TImageDump j = DumpImage(jpg.data(), jpg.size(), "baseline.jpg");
    ASSERT_EQ(j.Frames.size(), 1u);
    for (uint32_t p : j.Frames[0].Rgba) ASSERT_EQ(p >> 24, 0xFFu);
}

TEST(ImageDump, UnreadableDataRaises) {
    const Bytes cases[] = {
        {}, {'h', 'e', 'l', 'l', 'o'}, {'G', 'I', 'F', '8', '9', 'a', 1, 0}, {0x89, 'P', 'N', 'G', 0, 0, 0, 0}};
    for (const Bytes& b : cases) EXPECT_THROW(DumpImage(b.data(), b.size(), "x.gif"), EInvalidGraphic) << b.size();
}

TEST(ImageDump, PngFilesReadBackExactly) {
    TTempDir dir;
    const std::vector<uint32_t> px = {0x00000000u, 0xFF102030u, 0x80FFFFFFu, 0xFF000000u, 0x01020304u, 0xFFFF0000u};
    WritePngRgba(dir.Path() + "/a.png", 3, 2, px);
    int w = 0, h = 0;
    EXPECT_EQ(ReadPngRgba(dir.Path() + "/a.png", w, h), px);
    EXPECT_EQ(w, 3);
    EXPECT_EQ(h, 2);
    EXPECT_THROW(WritePngRgba(dir.Path() + "/b.png", 3, 3, px), EInOutError);
    EXPECT_THROW(WritePngRgba(dir.Path() + "/no/such/dir/c.png", 3, 2, px), EInOutError);
}

namespace {
struct TRun {
    int Status = -1;
    std::string Out;
};
TRun RunImgdump(const std::string& file, const std::string& outDir) {
    const std::string cmd = std::string(QV_IMGDUMP) + " '" + file + "' '" + outDir + "'";
    TRun r;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return r;
    char buf[256];
    while (std::fgets(buf, sizeof buf, p)) r.Out += buf;
    const int st = pclose(p);
    r.Status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}
} // namespace

TEST(ImageDumpTool, WritesOneRgbaPngPerFrame) {
    TTempDir dir;
    const Bytes bytes = giftest::WriteGif(ThreeFrames());
    // Named without a GIF extension: the tool reads GIF data by its first bytes.
    WriteBytes(dir.Path() + "/anim.bin", bytes);
    const TRun r = RunImgdump(dir.Path() + "/anim.bin", dir.Path());
    EXPECT_EQ(r.Status, 0);
    EXPECT_EQ(r.Out, "screen 7 5\nframes 3\nloop 2\nframe 0 delay_cs 10\nframe 1 delay_cs 25\nframe 2 delay_cs 0\n");
    const giftest::TReference ref = giftest::ReadWithGiflib(bytes);
    for (int i = 0; i < 3; ++i) {
        int w = 0, h = 0;
        EXPECT_EQ(ReadPngRgba(dir.Path() + "/frame_00" + std::to_string(i) + ".png", w, h), ref.Screens[static_cast<size_t>(i)])
            << i;
        EXPECT_EQ(w, 7);
        EXPECT_EQ(h, 5);
    }
    EXPECT_FALSE(std::filesystem::exists(dir.Path() + "/frame_003.png"));
}

TEST(ImageDumpTool, UnreadableFilesGiveOneErrorLine) {
    TTempDir dir;
    WriteBytes(dir.Path() + "/junk.png", {'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c', 't', 'u', 'r', 'e'});
    for (const std::string& f : {dir.Path() + "/junk.png", dir.Path() + "/missing.gif"}) {
        const TRun r = RunImgdump(f, dir.Path());
        EXPECT_EQ(r.Status, 1) << f;
        EXPECT_EQ(r.Out.rfind("error:", 0), 0u) << r.Out;
        EXPECT_EQ(std::count(r.Out.begin(), r.Out.end(), '\n'), 1) << r.Out;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.Path() + "/frame_000.png"));
    // An output folder that cannot be written is an error too.
    const Bytes bytes = giftest::WriteGif(ThreeFrames());
    WriteBytes(dir.Path() + "/a.gif", bytes);
    const TRun r = RunImgdump(dir.Path() + "/a.gif", dir.Path() + "/no/such/dir");
    EXPECT_EQ(r.Status, 1);
    EXPECT_EQ(r.Out.rfind("error:", 0), 0u) << r.Out;
}
