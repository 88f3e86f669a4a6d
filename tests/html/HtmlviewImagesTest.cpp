// The viewer's images under Wine: a page with an inline, a floating, a mapped and an animated
// picture and a background, shown with images on (two animation frames captured) and off; the
// request events, the wait stream, and the image library behind JPEG and PNG.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>

#include "html/Htmlview.h"
#include "ViewerFixture.h"
#include "support/MessageBoxWatcher.h"
#include "support/Screenshots.h"
#include "toolkit/Application.h"
#include "toolkit/Forms.h"
#include "toolkit/GdiCanvas.h"
#include "toolkit/SysUtils.h"

namespace {

// A GIF written without compression to speak of: every pixel its own 9-bit code, a clear code
// every 254 codes so the code size never grows. `frames` hold one colour index per pixel.
std::string MakeGif(int w, int h, const std::vector<std::vector<uint8_t>>& frames, const std::vector<uint32_t>& rgb, int delayCs,
                    int loop) {
    std::string g = "GIF89a";
    auto put16 = [&](int v) { g += static_cast<char>(v & 255), g += static_cast<char>(v >> 8); };
    put16(w), put16(h);
    g += static_cast<char>(0xF7), g += '\0', g += '\0'; // global table of 256 entries
    for (int i = 0; i < 256; ++i) {
        const uint32_t c = i < static_cast<int>(rgb.size()) ? rgb[static_cast<size_t>(i)] : 0;
        g += static_cast<char>(c >> 16), g += static_cast<char>(c >> 8), g += static_cast<char>(c);
    }
    if (loop >= 0) {
        g += "\x21\xFF\x0BNETSCAPE2.0\x03\x01";
        put16(loop);
        g += '\0';
    }
    for (const auto& px : frames) {
        g += "\x21\xF9\x04";
        g += static_cast<char>(1 << 2); // leave in place
        put16(delayCs);
        g += '\0', g += '\0';
        g += ',';
        put16(0), put16(0), put16(w), put16(h);
        g += '\0';
        g += '\x08';
        std::string data;
        uint32_t acc = 0;
        int bits = 0;
        auto code = [&](int c) {
            acc |= static_cast<uint32_t>(c) << bits;
            for (bits += 9; bits >= 8; bits -= 8, acc >>= 8) data += static_cast<char>(acc & 255);
        };
        for (size_t i = 0; i < px.size(); ++i) {
            if (i % 254 == 0) code(256);
            code(px[i]);
        }
        code(257);
        if (bits > 0) data += static_cast<char>(acc & 255);
        for (size_t i = 0; i < data.size(); i += 255) {
            const size_t n = std::min<size_t>(255, data.size() - i);
            g += static_cast<char>(n);
            g += data.substr(i, n);
        }
        g += '\0';
    }
    return g + ';';
}

std::string Solid(int w, int h, uint8_t index, int frames = 1, int delayCs = 0, int loop = -1) {
    std::vector<std::vector<uint8_t>> f;
    for (int i = 0; i < frames; ++i) f.emplace_back(static_cast<size_t>(w * h), static_cast<uint8_t>(index + i));
    return MakeGif(w, h, f, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0x00FFFF, 0x808080}, delayCs, loop);
}

void WriteFile(const std::string& name, const std::string& bytes) {
    std::ofstream out(name, std::ios::binary);
    out << bytes;
}

std::string ReadAll(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void SaveShot(const TBitmap& shot, const char* name) {
    const char* dir = std::getenv("QV_VIEWER_SHOT_DIR");
    SaveBmp(shot, std::string(dir ? dir : ".") + "\\" + name);
}

class ViewerImagesTest : public TViewerFixture {
protected:
    void SetUp() override {
        MakeViewer(420, 300);
        ShowForm();
        char tmp[MAX_PATH];
        GetTempPathA(sizeof tmp, tmp);
        dir = std::string(tmp) + "qv-images-" + IntToStr(static_cast<int>(GetCurrentProcessId())) + "\\";
        CreateDirectoryA(dir.c_str(), nullptr);
        WriteFile(dir + "inline.gif", Solid(40, 20, 3));         // yellow
        WriteFile(dir + "float.gif", Solid(30, 30, 2));          // blue
        WriteFile(dir + "map.gif", Solid(100, 40, 4));           // cyan
        WriteFile(dir + "anim.gif", Solid(24, 24, 0, 3, 30, 0)); // red, green, blue, 300 ms each
        WriteFile(dir + "tile.gif", Solid(8, 8, 5));             // grey
        WriteFile(dir + "photo.png", ReadAll(std::string(QV_TEST_DATA) + "/images/rgb.png"));
        WriteFile(dir + "page.htm", Page);
    }
    std::vector<TImageObj*> Images() {
        std::vector<TImageObj*> out;
        viewer->Document().Walk([&](TSectionBase& b) {
            if (auto* t = dynamic_cast<TSection*>(&b))
                for (auto& i : t->Images) out.push_back(i.get());
            return true;
        });
        return out;
    }
    // The colour at the middle of an image as the screen shows it.
    uint32_t Middle(const TBitmap& shot, const TImageObj* i) {
        return shot.Pixel(i->DrawX + i->Width / 2, i->DrawY - viewer->Position() + i->Height / 2);
    }
    TBitmap Shot() {
        UpdateWindow(viewer->PaintPanel()->Handle());
        return CaptureWindow(viewer->Handle());
    }

    static constexpr const char* Page = "<BODY BACKGROUND=tile.gif TEXT=white>"
                                        "<IMG SRC=float.gif ALIGN=left>Floating picture on the left, "
                                        "an inline one <IMG SRC=inline.gif ALT=Inline> in the text, "
                                        "an animated one <IMG SRC=anim.gif> and a photo <IMG SRC=photo.png>.<BR CLEAR=all>"
                                        "<MAP NAME=nav><AREA SHAPE=rect COORDS=0,0,49,39 HREF=left.htm>"
                                        "<AREA SHAPE=rect COORDS=50,0,99,39 HREF=right.htm></MAP>"
                                        "<IMG SRC=map.gif USEMAP=#nav ALIGN=top HSPACE=0> a mapped picture.";
    std::string dir;
};

} // namespace

TEST_F(ViewerImagesTest, ImagesOnAnimateAndOffShowPlaceholders) {
    viewer->SetViewImages(true);
    viewer->LoadFile(dir + "page.htm");
    Settle();
    const std::vector<TImageObj*> images = Images();
    ASSERT_EQ(images.size(), 5u);
    for (TImageObj* i : images) EXPECT_EQ(i->State(), TImageState::Loaded) << i->Source;
    TImageObj* anim = images[2];
    ASSERT_NE(anim->Gif(), nullptr);

    // Two frames of the animation, as the screen shows them.
    TBitmap first = Shot();
    const int frameA = anim->Gif()->CurrentFrame();
    ASSERT_TRUE(PumpUntil([&] { return anim->Gif()->CurrentFrame() != frameA; }, 3000));
    TBitmap second = Shot();
    const int frameB = anim->Gif()->CurrentFrame();
    SaveShot(first, "images-on-frame-a.bmp");
    SaveShot(second, "images-on-frame-b.bmp");
    const uint32_t colours[3] = {0xFF0000, 0x00FF00, 0x0000FF};
    EXPECT_EQ(Middle(first, anim), colours[frameA]);
    EXPECT_EQ(Middle(second, anim), colours[frameB]);
    EXPECT_EQ(Middle(second, images[0]), 0x0000FFu); // the floating picture
    EXPECT_EQ(Middle(second, images[1]), 0xFFFF00u); // the inline one
    EXPECT_EQ(Middle(second, images[4]), 0x00FFFFu); // the mapped one
    EXPECT_EQ(second.Pixel(419, 299), 0x808080u);    // the tiled background
    // The PNG went through the image library: its pixels are the reference decode's.
    const std::string ref = ReadAll(std::string(QV_TEST_DATA) + "/images/rgb.png.rgb");
    TImageObj* photo = images[3];
    ASSERT_EQ(photo->Width * photo->Height * 3, static_cast<int>(ref.size()));
    int differ = 0;
    for (int py = 0; py < photo->Height; ++py)
        for (int px = 0; px < photo->Width; ++px) {
            const size_t k = 3 * static_cast<size_t>(py * photo->Width + px);
            const uint32_t want = (uint32_t(uint8_t(ref[k])) << 16) | (uint32_t(uint8_t(ref[k + 1])) << 8) | uint8_t(ref[k + 2]);
            differ += second.Pixel(photo->DrawX + px, photo->DrawY - viewer->Position() + py) != want;
        }
    EXPECT_EQ(differ, 0);

    // A click on the mapped picture follows the area under the mouse.
    std::string clicked;
    viewer->OnHotSpotClick = [&](TObject*, const std::string& src, bool& handled) { clicked = src, handled = true; };
    TImageObj* map = images[4];
    const int y = map->DrawY - viewer->Position() + 10;
    SendMessageA(viewer->PaintPanel()->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(map->DrawX + 70, y));
    SendMessageA(viewer->PaintPanel()->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(map->DrawX + 70, y));
    EXPECT_EQ(clicked, "right.htm");

    // Images off: placeholders, no background, no animation.
    viewer->SetViewImages(false);
    Settle();
    for (TImageObj* i : Images()) EXPECT_EQ(i->State(), TImageState::NotLoaded);
    TBitmap off = Shot();
    SaveShot(off, "images-off.bmp");
    EXPECT_EQ(off.Pixel(419, 299), 0x000000u); // the page's colour, black
    TImageObj* placeholder = Images()[2];
    EXPECT_EQ(placeholder->Width, 26);
    EXPECT_EQ(off.Pixel(placeholder->DrawX + 4, placeholder->DrawY - viewer->Position() + 4), 0x808080u); // not-loaded picture
    Settle();
    EXPECT_TRUE(Shot().Pixel(placeholder->DrawX + 4, placeholder->DrawY - viewer->Position() + 4) == 0x808080u);
}

TEST_F(ViewerImagesTest, RequestEventsAndTheWaitStream) {
    int bitmapCalls = 0, imageCalls = 0;
    std::string gif = Solid(10, 10, 1);
    viewer->OnImageRequest = [&](TObject*, const std::string& src, std::string*& stream) {
        ++imageCalls;
        stream = src == "later.gif" ? THTMLViewer::WaitStream() : &gif;
    };
    const std::string page = "<IMG SRC=a.gif><IMG SRC=later.gif><IMG SRC=LATER.GIF><IMG SRC=a.gif>";
    // Off: no event at all.
    viewer->LoadBuffer(page.data(), page.size());
    EXPECT_EQ(imageCalls, 0);
    viewer->SetViewImages(true);
    Settle();
    std::vector<TImageObj*> images = Images();
    ASSERT_EQ(images.size(), 4u);
    EXPECT_EQ(images[0]->State(), TImageState::Loaded);
    EXPECT_EQ(images[1]->State(), TImageState::Waiting);
    EXPECT_EQ(images[2]->State(), TImageState::Waiting);
    // a.gif once (the second comes from the cache), later.gif once (then it is awaited).
    EXPECT_EQ(imageCalls, 2);
    // The bitmap request comes before the image request.
    viewer->OnBitmapRequest = [&](TObject*, const std::string&, TBitmap*& bitmap, TColor& color) {
        static TBitmap b(6, 6, 0x00FF00);
        ++bitmapCalls;
        bitmap = &b;
        color = -1;
    };
    const std::string other = "<IMG SRC=b.gif>";
    viewer->LoadBuffer(other.data(), other.size());
    EXPECT_EQ(bitmapCalls, 1);
    EXPECT_EQ(imageCalls, 2);
    EXPECT_EQ(Images()[0]->Width, 6);
}

TEST_F(ViewerImagesTest, BackgroundTilesScrollWithTheText) {
    // A 6 x 8 tile: rows 0..3 grey, rows 4..7 blue; columns 0..2 of the grey rows yellow.
    std::vector<uint8_t> tile(48);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 6; ++x) tile[static_cast<size_t>(y * 6 + x)] = y >= 4 ? 2 : x < 3 ? 3 : 5;
    WriteFile(dir + "tile2.gif", MakeGif(6, 8, {tile}, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0x00FFFF, 0x808080}, 0, -1));
    std::string page = "<BODY BACKGROUND=tile2.gif>";
    for (int i = 0; i < 60; ++i) page += "<P>Line " + IntToStr(i);
    WriteFile(dir + "long.htm", page);
    viewer->SetViewImages(true);
    viewer->LoadFile(dir + "long.htm");
    Settle();
    ASSERT_NE(viewer->Document().BackgroundBitmap(), nullptr);
    const int right = viewer->PaintPanel()->Width() - 1; // a column the text does not reach
    auto expected = [&](int px, int py) -> uint32_t {
        const int tx = (px + viewer->HScrollPosition()) % 6, ty = (py + viewer->Position()) % 8;
        return ty >= 4 ? 0x0000FFu : tx < 3 ? 0xFFFF00u : 0x808080u;
    };
    for (int pos : {0, 3, 16 + 5}) {
        viewer->SetPosition(pos);
        Settle();
        ASSERT_EQ(viewer->Position(), pos);
        const TBitmap shot = Shot();
        int wrong = 0;
        for (int y = 0; y < 40; ++y)
            for (int x = right - 11; x <= right; ++x) wrong += shot.Pixel(x, y) != expected(x, y);
        EXPECT_EQ(wrong, 0) << "position " << pos;
    }
}
