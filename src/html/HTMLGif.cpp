#include "html/HTMLGif.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "html/HTMLGifLzw.h"
#include "toolkit/Pictures.h"

namespace {

// Bounds-checked reading of the file's bytes (all numbers are little-endian).
struct TReader {
    const uint8_t* d;
    size_t n, pos = 0;
    bool Has(size_t k) const { return n - pos >= k; }
    uint8_t U8() { return d[pos++]; }
    int U16() {
        int v = d[pos] | (d[pos + 1] << 8);
        pos += 2;
        return v;
    }
};

// Reads a run of data sub-blocks (each a length byte and that many bytes, ended by a zero
// length), appending their bytes to `out` when it is given. False when the data ends first.
bool ReadSubBlocks(TReader& r, std::vector<uint8_t>* out, size_t limit = SIZE_MAX) {
    for (;;) {
        if (!r.Has(1)) return false;
        size_t len = r.U8();
        if (len == 0) return true;
        size_t take = std::min(len, r.n - r.pos);
        if (out && out->size() < limit) out->insert(out->end(), r.d + r.pos, r.d + r.pos + std::min(take, limit - out->size()));
        r.pos += take;
        if (take < len) return false;
    }
}

void ReadColorTable(TReader& r, int entries, std::array<uint32_t, 256>& colors) {
    for (int i = 0; i < entries; ++i) {
        const uint8_t* p = r.d + r.pos + 3 * i;
        colors[static_cast<size_t>(i)] = 0xFF000000u | (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
    }
    r.pos += static_cast<size_t>(3 * entries);
}

// The graphic control extension's settings, kept for the next image descriptor.
struct TControl {
    bool Present = false;
    TDisposal Disposal = TDisposal::None;
    int DelayMs = 0;
    bool Transparent = false;
    int TransparentIndex = 0;
};

TDisposal DisposalFrom(int value) {
    // Values 4 to 7 are reserved by the standard; they restore to the background.
    switch (value) {
    case 0: return TDisposal::None;
    case 1: return TDisposal::Leave;
    case 3: return TDisposal::Previous;
    default: return TDisposal::Background;
    }
}

// Interlaced data holds the rows in four passes: every 8th row from 0, every 8th from 4, every
// 4th from 2, every 2nd from 1 (GIF89a, appendix E).
void Deinterlace(const uint8_t* src, uint8_t* dst, int width, int height) {
    static const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
    const size_t w = static_cast<size_t>(width);
    if (w == 0) return;
    for (int pass = 0; pass < 4; ++pass)
        for (int y = start[pass]; y < height; y += step[pass], src += w) std::memcpy(dst + static_cast<size_t>(y) * w, src, w);
}

// The most pixels `bytes` of LZW data can give. Each code is at least minCodeSize + 1 bits, and
// each table entry is at most one longer than the longest before it, so the i-th code after a
// clear gives at most i pixels: n codes give at most n (n + 1) / 2. A frame larger than that is
// damaged whatever its codes say, and is not allocated.
int64_t MostPixelsFrom(size_t bytes, int minCodeSize) {
    if (minCodeSize < gif::MinLzwCodeSize || minCodeSize > gif::MaxLzwCodeSize) return 0;
    const int64_t codes = static_cast<int64_t>(bytes) * 8 / (minCodeSize + 1);
    if (codes > (int64_t(1) << 31)) return INT64_MAX; // no bound worth computing (and no overflow)
    return codes * (codes + 1) / 2;
}

} // namespace

TGIFImage TGIFImage::FromBytes(const uint8_t* bytes, size_t size) {
    TReader r{bytes, bytes ? size : 0};
    if (!r.Has(13) || std::memcmp(bytes, "GIF", 3) != 0) throw EInvalidGraphic("Not a GIF image");
    r.pos = 6;
    auto data = std::make_shared<TData>();
    int screenW = r.U16(), screenH = r.U16();
    const int flags = r.U8();
    r.pos += 2; // background colour index and aspect ratio: the background is the page
    std::array<uint32_t, 256> global;
    global.fill(0xFF000000u); // without a global table every colour is black
    if (flags & 0x80) {
        int entries = 2 << (flags & 7);
        if (!r.Has(static_cast<size_t>(3 * entries))) throw EInvalidGraphic("GIF image is truncated");
        ReadColorTable(r, entries, global);
    }

    auto lzw = std::make_unique<gif::TLzwDecoder>(); // 14 KB of tables: kept off the stack
    std::vector<uint8_t> code, rows;
    TControl control;
    std::string comment;
    int64_t totalPixels = 0;
    bool done = false, trailer = false;
    while (!done && r.Has(1)) {
        switch (r.U8()) {
        case ';': trailer = done = true; break;
        case '!': {
            if (!r.Has(1)) {
                done = true;
                break;
            }
            const int label = r.U8();
            if (label == 0xF9 && r.Has(6) && r.d[r.pos] >= 4) {
                // Graphic control: size 4, flags, delay, transparent index.
                const uint8_t* p = r.d + r.pos + 1;
                control.Present = true;
                control.Disposal = DisposalFrom((p[0] >> 2) & 7);
                control.Transparent = (p[0] & 1) != 0;
                control.DelayMs = (p[1] | (p[2] << 8)) * 10;
                control.TransparentIndex = p[3];
                done = !ReadSubBlocks(r, nullptr);
            } else if (label == 0xFE) {
                std::vector<uint8_t> text;
                done = !ReadSubBlocks(r, &text, gif::MaxCommentBytes);
                size_t room = gif::MaxCommentBytes - std::min(gif::MaxCommentBytes, comment.size());
                comment.append(text.begin(), text.begin() + static_cast<ptrdiff_t>(std::min(room, text.size())));
            } else if (label == 0xFF && r.Has(12) && r.d[r.pos] == 11 && std::memcmp(r.d + r.pos + 1, "NETSCAPE2.0", 11) == 0) {
                r.pos += 12;
                std::vector<uint8_t> sub;
                done = !ReadSubBlocks(r, &sub, 16);
                if (sub.size() >= 3 && sub[0] == 1) data->LoopCount = sub[1] | (sub[2] << 8);
            } else {
                // Plain text, other applications and unknown labels are skipped.
                done = !ReadSubBlocks(r, nullptr);
            }
            break;
        }
        case ',': {
            if (static_cast<int>(data->Frames.size()) >= gif::MaxFrames) {
                trailer = done = true; // the frames past the limit are not read: nothing is missing
                break;
            }
            if (!r.Has(9)) {
                done = true;
                break;
            }
            TFrame f;
            f.Left = r.U16();
            f.Top = r.U16();
            f.Width = r.U16();
            f.Height = r.U16();
            const int fflags = r.U8();
            f.Interlaced = (fflags & 0x40) != 0;
            f.Colors = global;
            if (fflags & 0x80) {
                int entries = 2 << (fflags & 7);
                if (!r.Has(static_cast<size_t>(3 * entries))) {
                    done = true;
                    break;
                }
                f.LocalColors = true;
                f.Colors.fill(0xFF000000u);
                ReadColorTable(r, entries, f.Colors);
            }
            if (control.Present) {
                f.Disposal = control.Disposal;
                f.DelayMs = control.DelayMs;
                f.Transparent = control.Transparent;
                f.TransparentIndex = control.TransparentIndex;
            }
            control = TControl();
            f.Comment = std::move(comment);
            comment.clear();

            // Sizes come from the file: checked in 64 bits before anything is allocated.
            const int64_t pixels = int64_t(f.Width) * f.Height;
            if ((pixels > 0 && !PictureSizeAllowed(f.Width, f.Height)) || totalPixels + pixels > gif::MaxTotalFramePixels)
                throw EInvalidGraphic("GIF image is too large");
            totalPixels += pixels;
            if (!r.Has(1)) {
                done = true;
                break;
            }
            const int minCodeSize = r.U8();
            code.clear();
            const bool whole = ReadSubBlocks(r, &code);
            if (pixels > MostPixelsFrom(code.size(), minCodeSize)) { // damaged: reading stops here
                done = true;
                break;
            }
            f.Pixels.resize(static_cast<size_t>(pixels));
            uint8_t* target = f.Pixels.data();
            if (f.Interlaced) {
                rows.resize(static_cast<size_t>(pixels));
                target = rows.data();
            }
            gif::TLzwResult res = lzw->Decode(minCodeSize, code.data(), code.size(), target, static_cast<size_t>(pixels));
            if (res.Status != gif::TLzwStatus::Complete) {
                done = true;
                break;
            }
            if (f.Interlaced) Deinterlace(rows.data(), f.Pixels.data(), f.Width, f.Height);
            if (f.Transparent) data->AnyTransparent = true;
            screenW = std::max(screenW, f.Left + f.Width);
            screenH = std::max(screenH, f.Top + f.Height);
            data->Frames.push_back(std::move(f));
            if (!whole) { done = true; }
            break;
        }
        default:
            // Not a block the standard knows: whatever follows is not read.
            done = true;
            break;
        }
    }
    if (!trailer) data->Truncated = true;
    if (data->Frames.empty()) throw EInvalidGraphic("GIF image has no readable frame");
    if (!PictureSizeAllowed(screenW, screenH)) throw EInvalidGraphic("GIF image is too large");
    data->Width = screenW;
    data->Height = screenH;
    return TGIFImage(std::move(data));
}

void TGIFImage::EnsureComposed() const {
    if (composed_) return;
    auto* self = const_cast<TGIFImage*>(this);
    self->current_ = 0;
    screen_.assign(static_cast<size_t>(Width()) * static_cast<size_t>(Height()), 0);
    composed_ = true;
    self->DrawCurrent();
}

void TGIFImage::DrawCurrent() {
    const TFrame& f = Frame(current_);
    const size_t sw = static_cast<size_t>(Width());
    if (f.Pixels.empty()) return; // a frame of no pixels draws nothing
    if (f.Disposal == TDisposal::Previous) {
        saved_.resize(static_cast<size_t>(f.Width) * static_cast<size_t>(f.Height));
        for (int y = 0; y < f.Height; ++y)
            std::copy_n(&screen_[static_cast<size_t>(f.Top + y) * sw + static_cast<size_t>(f.Left)], f.Width,
                        &saved_[static_cast<size_t>(y) * static_cast<size_t>(f.Width)]);
    }
    const uint8_t* src = f.Pixels.data();
    for (int y = 0; y < f.Height; ++y) {
        uint32_t* dst = &screen_[static_cast<size_t>(f.Top + y) * sw + static_cast<size_t>(f.Left)];
        if (f.Transparent) {
            for (int x = 0; x < f.Width; ++x, ++src)
                if (*src != f.TransparentIndex) dst[x] = f.Colors[*src];
        } else {
            for (int x = 0; x < f.Width; ++x, ++src) dst[x] = f.Colors[*src];
        }
    }
    imagesValid_ = false;
}

void TGIFImage::Rewind() {
    composed_ = false;
    running_ = false;
    passes_ = 0;
    EnsureComposed();
}

void TGIFImage::NextFrame() {
    EnsureComposed();
    const TFrame& f = Frame(current_);
    const size_t sw = static_cast<size_t>(Width());
    if (f.Pixels.empty()) {
        // nothing drawn, nothing to dispose of
    } else if (f.Disposal == TDisposal::Background) {
        for (int y = 0; y < f.Height; ++y)
            std::fill_n(&screen_[static_cast<size_t>(f.Top + y) * sw + static_cast<size_t>(f.Left)], f.Width, 0u);
    } else if (f.Disposal == TDisposal::Previous) {
        for (int y = 0; y < f.Height; ++y)
            std::copy_n(&saved_[static_cast<size_t>(y) * static_cast<size_t>(f.Width)], f.Width,
                        &screen_[static_cast<size_t>(f.Top + y) * sw + static_cast<size_t>(f.Left)]);
    }
    if (++current_ >= FrameCount()) {
        current_ = 0;
        std::fill(screen_.begin(), screen_.end(), 0u);
    }
    DrawCurrent();
}

const std::vector<uint32_t>& TGIFImage::Screen() const {
    EnsureComposed();
    return screen_;
}

const TBitmap& TGIFImage::Bitmap() const {
    if (!imagesValid_ || !composed_) {
        const std::vector<uint32_t>& s = Screen();
        bitmap_.SetSize(Width(), Height());
        mask_.SetSize(Width(), Height());
        hasMask_ = false;
        uint32_t* b = bitmap_.Data();
        uint32_t* m = mask_.Data();
        for (size_t i = 0; i < s.size(); ++i) {
            const bool drawn = (s[i] >> 24) != 0;
            b[i] = drawn ? (s[i] & 0xFFFFFFu) : 0u;
            m[i] = drawn ? 0u : 0xFFFFFFu;
            hasMask_ = hasMask_ || !drawn;
        }
        imagesValid_ = true;
    }
    return bitmap_;
}

const TBitmap& TGIFImage::Mask() const {
    Bitmap();
    return mask_;
}

bool TGIFImage::HasMask() const {
    Bitmap();
    return hasMask_;
}

void TGIFImage::StartAnimation(uint32_t nowMs) {
    EnsureComposed();
    running_ = Animated();
    lastChange_ = nowMs;
}

bool TGIFImage::Step(uint32_t nowMs) {
    if (!running_) return false;
    const int speed = std::max(1, Speed);
    const int64_t delay = std::max<int64_t>(1, int64_t(Frame(current_).DelayMs) * 100 / speed);
    if (int64_t(nowMs - lastChange_) < delay) return false; // unsigned difference: survives the clock wrapping
    if (current_ == FrameCount() - 1) {
        ++passes_;
        if (LoopCount() > 0 && passes_ >= LoopCount()) {
            running_ = false;
            return false;
        }
    }
    NextFrame();
    lastChange_ = nowMs;
    return true;
}
