// Image data to pictures: sniffing the format by the first bytes, the GIF decoder for GIF data,
// BMP / PNG / JPEG through a set of codecs, and the transparency rules that give a picture its
// mask. Portable: bytes in, bitmaps, GIF frames and masks out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "html/HTMLGif.h"
#include "toolkit/Graphics.h"
#include "toolkit/Jpeg.h" // EInvalidGraphic

enum class TImageFormat { Unknown, Gif, Bmp, Png, Jpeg };

// "GIF8" GIF, "BM" BMP, 0x89 "PNG" PNG, 0xFF 0xD8 JPEG.
TImageFormat SniffImageFormat(const uint8_t* data, size_t size);

// Where a picture's transparent colour came from.
enum class TTranspKind : uint8_t {
    None = 0,
    LowerLeft = 1, // the colour of the lower-left pixel (TRANSP on a picture without one)
    Color = 2,     // the GIF's transparent index, or the colour a bitmap request returned
    PngTrns = 3,   // a palette PNG's tRNS chunk
};

// Image data larger than this is not decoded (a stream or a file of 32 MB).
constexpr size_t MaxImageDataBytes = 32 * 1024 * 1024;
// A requested stream shorter than this holds no picture.
constexpr size_t MinImageStreamBytes = 20;

// Raised when data that starts as a GIF cannot be decoded in full (the cache then drops its
// unused entries).
QV_EXCEPTION(EGifDataError, EInvalidGraphic);

// Decoders of the formats other than GIF. The viewer's set (Win32) goes through the image
// library loaded at run time; BuiltInImageCodecs() calls the toolkit's decoders directly.
class TImageCodecs {
public:
    virtual ~TImageCodecs() = default;
    // Decodes Bmp, Png or Jpeg data into full colour. Raises EInvalidGraphic.
    virtual TBitmap Decode(TImageFormat format, const uint8_t* data, size_t size) = 0;
};
TImageCodecs& BuiltInImageCodecs();

// A decoded picture: a still bitmap, or for a GIF of more than one frame the GIF itself, and the
// one-bit mask (white where the page shows through) when the picture has one.
struct TPicture {
    std::shared_ptr<TBitmap> Bitmap;
    std::shared_ptr<TGIFImage> Gif;
    std::shared_ptr<TBitmap> Mask;
    TTranspKind TranspKind = TTranspKind::None;
    bool Empty() const { return !Bitmap && !Gif; }
    int Width() const { return Gif ? Gif->Width() : Bitmap ? Bitmap->Width() : 0; }
    int Height() const { return Gif ? Gif->Height() : Bitmap ? Bitmap->Height() : 0; }
};

enum class TImageOrigin { File, Stream };

// Decodes image data as the viewer does. A stream is decoded by its first bytes ("GIF8" by the GIF
// decoder, the rest by the codecs) and must hold at least MinImageStreamBytes. A file named
// ".gif" or ".gfr" goes to the GIF decoder, other files (and a GIF the decoder rejects) to the
// codecs by their first bytes. A GIF of one frame becomes a bitmap with a mask (kind Color) when
// part of it is transparent; a palette PNG with a transparent tRNS entry gets a mask of that
// colour (kind PngTrns). Raises EInvalidGraphic (EGifDataError for a damaged GIF).
TPicture DecodeImageData(const uint8_t* data, size_t size, TImageOrigin origin, const std::string& name, TImageCodecs& codecs);

// A mask of `picture`'s size, white where the pixel equals `color`, black elsewhere.
TBitmap MakeMask(const TBitmap& picture, TColor color);
// The colour of the lower-left pixel (black for an empty picture).
TColor LowerLeftColor(const TBitmap& picture);
