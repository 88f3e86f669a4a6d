#include "html/HTMLUn2Images.h"

#include <cstring>

#include "toolkit/Pictures.h"
#include "toolkit/Png.h"
#include "toolkit/SysUtils.h"

TImageFormat SniffImageFormat(const uint8_t* data, size_t size) {
    if (!data) return TImageFormat::Unknown;
    if (size >= 4 && std::memcmp(data, "GIF8", 4) == 0) return TImageFormat::Gif;
    if (size >= 2 && data[0] == 'B' && data[1] == 'M') return TImageFormat::Bmp;
    if (size >= 4 && data[0] == 0x89 && std::memcmp(data + 1, "PNG", 3) == 0) return TImageFormat::Png;
    if (size >= 2 && data[0] == 0xFF && data[1] == 0xD8) return TImageFormat::Jpeg;
    return TImageFormat::Unknown;
}

namespace {

class TBuiltInCodecs final : public TImageCodecs {
public:
    TBitmap Decode(TImageFormat format, const uint8_t* data, size_t size) override {
        switch (format) {
        case TImageFormat::Bmp: return DecodeBmp(data, size);
        case TImageFormat::Png: return DecodePng(data, size);
        case TImageFormat::Jpeg: return DecodeJpeg(data, size);
        default: throw EInvalidGraphic("Unknown image format");
        }
    }
};

TPicture FromGif(const uint8_t* data, size_t size) {
    TGIFImage gif = [&] {
        try {
            return TGIFImage::FromBytes(data, size);
        } catch (const EInvalidGraphic& e) { throw EGifDataError(e.Message()); }
    }();
    TPicture pic;
    if (gif.Animated()) {
        pic.Gif = std::make_shared<TGIFImage>(std::move(gif));
        pic.Gif->Rewind();
        if (pic.Gif->IsTransparent()) pic.TranspKind = TTranspKind::Color;
        return pic;
    }
    // One frame: a plain bitmap, with a mask where nothing is drawn (transparent pixels, and any
    // part of the screen the frame does not cover).
    pic.Bitmap = std::make_shared<TBitmap>(gif.Bitmap());
    if (gif.HasMask()) {
        pic.Mask = std::make_shared<TBitmap>(gif.Mask());
        pic.TranspKind = TTranspKind::Color;
    }
    return pic;
}

TPicture FromOtherFormat(const uint8_t* data, size_t size, TImageCodecs& codecs) {
    const TImageFormat format = SniffImageFormat(data, size);
    if (format != TImageFormat::Bmp && format != TImageFormat::Png && format != TImageFormat::Jpeg)
        throw EInvalidGraphic("Unknown image format");
    TPicture pic;
    pic.Bitmap = std::make_shared<TBitmap>(codecs.Decode(format, data, size));
    TColor transparent;
    if (format == TImageFormat::Png && PngTransparentColor(data, size, transparent)) {
        pic.Mask = std::make_shared<TBitmap>(MakeMask(*pic.Bitmap, transparent));
        pic.TranspKind = TTranspKind::PngTrns;
    }
    return pic;
}

} // namespace

TImageCodecs& BuiltInImageCodecs() {
    static TBuiltInCodecs codecs;
    return codecs;
}

TPicture DecodeImageData(const uint8_t* data, size_t size, TImageOrigin origin, const std::string& name, TImageCodecs& codecs) {
    if (!data || size == 0) throw EInvalidGraphic("Image data is empty");
    if (size > MaxImageDataBytes) throw EInvalidGraphic("Image data is too large");
    if (origin == TImageOrigin::Stream) {
        if (size < MinImageStreamBytes) throw EInvalidGraphic("Image data is too short");
        if (SniffImageFormat(data, size) == TImageFormat::Gif) return FromGif(data, size);
        return FromOtherFormat(data, size, codecs);
    }
    const std::string ext = LowerCase(ExtractFileExt(name));
    if (ext == ".gif" || ext == ".gfr") {
        try {
            return FromGif(data, size);
        } catch (const EGifDataError&) {
            // Data that is no GIF at all may still be another format under a GIF name.
            if (SniffImageFormat(data, size) == TImageFormat::Gif) throw;
        }
    }
    return FromOtherFormat(data, size, codecs);
}

TBitmap MakeMask(const TBitmap& picture, TColor color) {
    TBitmap mask(picture.Width(), picture.Height());
    const uint32_t key = TBitmap::ToPixel(ColorToRGB(color));
    const size_t n = static_cast<size_t>(picture.Width()) * static_cast<size_t>(picture.Height());
    const uint32_t* src = picture.Data();
    uint32_t* dst = mask.Data();
    for (size_t i = 0; i < n; ++i) dst[i] = (src[i] & 0xFFFFFFu) == key ? 0xFFFFFFu : 0u;
    return mask;
}

TColor LowerLeftColor(const TBitmap& picture) {
    if (picture.Empty()) return clBlack;
    return TBitmap::FromPixel(picture.Pixel(0, picture.Height() - 1));
}
