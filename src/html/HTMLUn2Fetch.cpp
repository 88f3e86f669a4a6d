#include "html/HTMLUn2Fetch.h"

#include "toolkit/SysUtils.h"

TPictureUse& TPictureUse::operator=(TPictureUse&& o) noexcept {
    if (this != &o) {
        Reset();
        cache_ = o.cache_;
        item_ = o.item_;
        o.item_ = nullptr;
    }
    return *this;
}

void TPictureUse::Reset() {
    if (item_ && cache_) cache_->Release(item_);
    item_ = nullptr;
}

namespace {

TFetchResult Loaded(TStringBitmapList& cache, TBitmapItem& item, bool transp) {
    TFetchResult r;
    r.State = TFetchState::Loaded;
    if (transp && !item.Picture.Gif) item.EnsureLowerLeftMask();
    r.Mask = item.Picture.Mask;
    r.Use = TPictureUse(&cache, &item);
    return r;
}

TFetchResult Decode(const std::string& key, const uint8_t* data, size_t size, TImageOrigin origin, const std::string& name,
                    bool transp, const TImageSources& s, TStringBitmapList& cache) {
    try {
        TPicture pic = DecodeImageData(data, size, origin, name, s.Codecs ? *s.Codecs : BuiltInImageCodecs());
        return Loaded(cache, cache.Add(key, std::move(pic)), transp);
    } catch (const EGifDataError&) {
        cache.FreeUnused(); // a GIF that failed part-way may have run short of memory
    } catch (const EInvalidGraphic&) {
    } catch (const std::bad_alloc&) { cache.FreeUnused(); }
    return {};
}

} // namespace

TFetchResult FetchImage(const std::string& source, bool transp, const TImageSources& s) {
    TStringBitmapList& cache = s.Cache ? *s.Cache : TStringBitmapList::Shared();
    const bool requests = s.BitmapRequest || s.ImageRequest;
    const std::string name = !requests && s.FullName ? s.FullName(source) : source;
    const std::string key = TStringBitmapList::Key(name);
    if (s.Waiting && s.Waiting->count(key)) {
        TFetchResult r;
        r.State = TFetchState::Waiting;
        return r;
    }
    if (TBitmapItem* hit = cache.Use(name)) return Loaded(cache, *hit, transp); // the use goes to the result
    if (s.BitmapRequest) {
        TBitmap* bitmap = nullptr;
        TColor color = -1;
        s.BitmapRequest(source, bitmap, color);
        if (!bitmap || bitmap->Empty()) return {};
        TPicture pic;
        pic.Bitmap = std::make_shared<TBitmap>(*bitmap);
        if (color != -1) {
            pic.Mask = std::make_shared<TBitmap>(MakeMask(*pic.Bitmap, color));
            pic.TranspKind = TTranspKind::Color;
        }
        return Loaded(cache, cache.Add(key, std::move(pic)), transp);
    }
    if (s.ImageRequest) {
        std::string* stream = nullptr;
        s.ImageRequest(source, stream);
        if (stream && stream == s.WaitStream) {
            if (s.Waiting) s.Waiting->insert(key);
            TFetchResult r;
            r.State = TFetchState::Waiting;
            return r;
        }
        if (!stream || stream->size() < MinImageStreamBytes) return {};
        return Decode(key, reinterpret_cast<const uint8_t*>(stream->data()), stream->size(), TImageOrigin::Stream, source, transp,
                      s, cache);
    }
    std::string bytes;
    if (!s.ReadFile || !s.ReadFile(name, bytes) || bytes.size() > MaxImageDataBytes) return {};
    return Decode(key, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), TImageOrigin::File, name, transp, s, cache);
}

namespace {
TBitmap Draw16(const char* const rows[16], uint32_t (*colorOf)(char)) {
    TBitmap b(16, 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) b.SetPixel(x, y, colorOf(rows[y][x]));
    return b;
}

// The error picture: '.' outside (transparent), 'k' the outline, 'y' yellow, '!' the mark.
const char* const ErrorRows[16] = {
    "...kkkkkkkkkk...", "..kyyyyyyyyyyk..", ".kyyyyyyyyyyyyk.", "kyyyyyy!!yyyyyyk", "kyyyyyy!!yyyyyyk", "kyyyyyy!!yyyyyyk",
    "kyyyyyy!!yyyyyyk", "kyyyyyy!!yyyyyyk", "kyyyyyy!!yyyyyyk", "kyyyyyyyyyyyyyyk", "kyyyyyy!!yyyyyyk", "kyyyyyy!!yyyyyyk",
    "kyyyyyyyyyyyyyyk", ".kyyyyyyyyyyyyk.", "..kyyyyyyyyyyk..", "...kkkkkkkkkk...",
};
} // namespace

const TBitmap& NotLoadedImagePicture() {
    // A framed page with a small landscape: an image whose data is not loaded.
    static const TBitmap pic = [] {
        TBitmap b(16, 16, TBitmap::ToPixel(clWhite));
        for (int i = 0; i < 16; ++i) {
            b.SetPixel(i, 0, TBitmap::ToPixel(clGray));
            b.SetPixel(i, 15, TBitmap::ToPixel(clGray));
            b.SetPixel(0, i, TBitmap::ToPixel(clGray));
            b.SetPixel(15, i, TBitmap::ToPixel(clGray));
        }
        for (int y = 9; y < 14; ++y)
            for (int x = 2; x < 14; ++x)
                if (x - 2 <= (y - 9) * 3) b.SetPixel(x, y, TBitmap::ToPixel(clGreen));
        for (int y = 3; y < 6; ++y)
            for (int x = 10; x < 13; ++x) b.SetPixel(x, y, TBitmap::ToPixel(clRed));
        return b;
    }();
    return pic;
}

const TBitmap& ErrorImagePicture() {
    static const TBitmap pic = Draw16(ErrorRows, [](char c) -> uint32_t {
        switch (c) {
        case 'k': return TBitmap::ToPixel(clOlive);
        case 'y': return TBitmap::ToPixel(clYellow);
        case '!': return TBitmap::ToPixel(clBlack);
        default: return TBitmap::ToPixel(clWhite);
        }
    });
    return pic;
}

const TBitmap& ErrorImageMask() {
    static const TBitmap mask = Draw16(ErrorRows, [](char c) -> uint32_t { return c == '.' ? 0xFFFFFFu : 0u; });
    return mask;
}

TBitmap StretchedCopy(const TBitmap& src, int w, int h) {
    if (w <= 0 || h <= 0 || src.Empty()) return TBitmap();
    if (w == src.Width() && h == src.Height()) return src;
    TBitmap out(w, h);
    for (int y = 0; y < h; ++y) {
        const int sy = static_cast<int>(static_cast<int64_t>(y) * src.Height() / h);
        for (int x = 0; x < w; ++x)
            out.SetPixel(x, y, src.Pixel(static_cast<int>(static_cast<int64_t>(x) * src.Width() / w), sy));
    }
    return out;
}
