// Getting an image's picture, in the order the viewer tries the sources: the picture cache, the
// bitmap request, the image request (which may answer "wait"), a file. Portable: the viewer
// supplies its events, the link-to-file rule and the file reading. Also the placeholder
// pictures and the stretched copies drawing needs.
#pragma once

#include <functional>
#include <memory>
#include <set>
#include <string>

#include "html/HTMLUn2Cache.h"

// One image's use of a cached picture; the use ends when this goes (or is reset).
class TPictureUse {
public:
    TPictureUse() = default;
    TPictureUse(TStringBitmapList* cache, TBitmapItem* item) : cache_(cache), item_(item) {}
    TPictureUse(TPictureUse&& o) noexcept : cache_(o.cache_), item_(o.item_) { o.item_ = nullptr; }
    TPictureUse& operator=(TPictureUse&& o) noexcept;
    TPictureUse(const TPictureUse&) = delete;
    TPictureUse& operator=(const TPictureUse&) = delete;
    ~TPictureUse() { Reset(); }
    void Reset();
    explicit operator bool() const { return item_ != nullptr; }
    TBitmapItem* Item() const { return item_; }

private:
    TStringBitmapList* cache_ = nullptr;
    TBitmapItem* item_ = nullptr;
};

// What the viewer offers an image looking for its data.
struct TImageSources {
    // OnBitmapRequest: source as written -> a bitmap (copied; the handler keeps its own) and a
    // transparent colour or -1.
    std::function<void(const std::string& src, TBitmap*& bitmap, TColor& color)> BitmapRequest;
    // OnImageRequest: source as written -> a stream of bytes, or WaitStream for "not yet".
    std::function<void(const std::string& src, std::string*& stream)> ImageRequest;
    const std::string* WaitStream = nullptr;
    // The full file name for a source (the viewer's link-to-file rules); used only when neither
    // request is set.
    std::function<std::string(const std::string& src)> FullName;
    // Reads a whole file; false when it cannot (or it is larger than MaxImageDataBytes).
    std::function<bool(const std::string& name, std::string& bytes)> ReadFile;
    TImageCodecs* Codecs = nullptr;           // null: the built-in decoders
    TStringBitmapList* Cache = nullptr;       // null: the program's shared cache
    std::set<std::string>* Waiting = nullptr; // the document's images awaiting data, upper-cased
};

enum class TFetchState { Loaded, Waiting, Failed };

struct TFetchResult {
    TFetchState State = TFetchState::Failed;
    TPictureUse Use;               // Loaded: the cached picture now in use
    std::shared_ptr<TBitmap> Mask; // Loaded: the mask to draw with, if any
    const TPicture* Picture() const { return Use ? &Use.Item()->Picture : nullptr; }
};

// Runs the steps for one source. `transp`: the image asks for TRANSP (a still picture without a
// mask of its own then gets one from its lower-left pixel). Never raises for bad data: a picture
// that cannot be decoded is Failed (and a damaged GIF frees the cache's unused entries).
TFetchResult FetchImage(const std::string& source, bool transp, const TImageSources& sources);

// The 16 x 16 placeholders: the picture of an image not loaded, and the error picture (a yellow
// rounded box with an exclamation mark) with its mask, white at its transparent corners.
const TBitmap& NotLoadedImagePicture();
const TBitmap& ErrorImagePicture();
const TBitmap& ErrorImageMask();

// A copy of `src` stretched to w x h (nearest pixel), as the platform's stretching draws it.
TBitmap StretchedCopy(const TBitmap& src, int w, int h);
