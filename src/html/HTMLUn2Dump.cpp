#include "html/HTMLUn2Dump.h"

#include <png.h>

#include <fstream>

#include "html/HTMLUn2Images.h"
#include "toolkit/Exception.h"

std::string TImageDump::Summary() const {
    std::string s = "screen " + std::to_string(Width) + " " + std::to_string(Height) + "\n";
    s += "frames " + std::to_string(Frames.size()) + "\n";
    s += LoopCount < 0 ? std::string("loop none\n") : "loop " + std::to_string(LoopCount) + "\n";
    for (size_t i = 0; i < Frames.size(); ++i)
        s += "frame " + std::to_string(i) + " delay_cs " + std::to_string(Frames[i].DelayCs) + "\n";
    return s;
}

namespace {

TImageDump DumpGif(const TGIFImage& source) {
    TGIFImage gif = source; // a copy composes on its own screen
    TImageDump d;
    d.Width = gif.Width();
    d.Height = gif.Height();
    d.LoopCount = gif.LoopCount();
    gif.Rewind();
    for (int i = 0; i < gif.FrameCount(); ++i) {
        if (i > 0) gif.NextFrame();
        TDumpFrame f;
        f.DelayCs = gif.Frame(i).DelayMs / 10;
        f.Rgba = gif.Screen();
        for (uint32_t& p : f.Rgba)
            if ((p >> 24) == 0) p = 0;
        d.Frames.push_back(std::move(f));
    }
    return d;
}

} // namespace

TImageDump DumpImage(const uint8_t* data, size_t size, const std::string& name) {
    // GIF data is read frame by frame whatever the file is called, so that every frame and the
    // loop count can be shown; the viewer's own path gives the same pixels for the first frame.
    if (SniffImageFormat(data, size) == TImageFormat::Gif) return DumpGif(TGIFImage::FromBytes(data, size));
    TPicture pic = DecodeImageData(data, size, TImageOrigin::File, name, BuiltInImageCodecs());
    if (pic.Gif) return DumpGif(*pic.Gif);
    TImageDump d;
    d.Width = pic.Bitmap->Width();
    d.Height = pic.Bitmap->Height();
    TDumpFrame f;
    f.Rgba.resize(static_cast<size_t>(d.Width) * static_cast<size_t>(d.Height));
    const uint32_t* src = pic.Bitmap->Data();
    const uint32_t* mask = pic.Mask ? pic.Mask->Data() : nullptr;
    for (size_t i = 0; i < f.Rgba.size(); ++i)
        f.Rgba[i] = mask && (mask[i] & 0xFFFFFFu) != 0 ? 0u : 0xFF000000u | (src[i] & 0xFFFFFFu);
    d.Frames.push_back(std::move(f));
    return d;
}

void WritePngRgba(const std::string& fileName, int width, int height, const std::vector<uint32_t>& rgba) {
    if (width <= 0 || height <= 0 || rgba.size() != static_cast<size_t>(width) * static_cast<size_t>(height))
        throw EInOutError("Cannot write " + fileName + ": bad picture size");
    std::vector<uint8_t> bytes(rgba.size() * 4);
    for (size_t i = 0; i < rgba.size(); ++i) {
        const uint32_t p = rgba[i];
        bytes[4 * i] = static_cast<uint8_t>(p >> 16);
        bytes[4 * i + 1] = static_cast<uint8_t>(p >> 8);
        bytes[4 * i + 2] = static_cast<uint8_t>(p);
        bytes[4 * i + 3] = static_cast<uint8_t>(p >> 24);
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGBA;
    png_alloc_size_t len = 0;
    if (!png_image_write_to_memory(&image, nullptr, &len, 0, bytes.data(), 0, nullptr))
        throw EInOutError("Cannot write " + fileName + ": " + image.message);
    std::vector<uint8_t> out(len);
    if (!png_image_write_to_memory(&image, out.data(), &len, 0, bytes.data(), 0, nullptr))
        throw EInOutError("Cannot write " + fileName + ": " + image.message);
    std::ofstream f(fileName, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(len));
    if (!f) throw EInOutError("Cannot write " + fileName);
}
