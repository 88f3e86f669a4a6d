// The GIF decoder: GIF87a and GIF89a files read from memory into frames of 8-bit colour indices,
// composed one after another on the logical screen, with the animation state that steps them.
// The LZW codes are read by gif::TLzwDecoder (HTMLGifLzw.h); this unit parses the blocks.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/Graphics.h"
#include "toolkit/Jpeg.h" // EInvalidGraphic

namespace gif {
// At most this many frames are read; the rest of the file is ignored.
constexpr int MaxFrames = 256;
// All frames' index images together, in pixels (one byte each): 64 MB.
constexpr int64_t MaxTotalFramePixels = 64 * 1024 * 1024;
// Longest comment text kept for a frame; the rest of the comment is dropped.
constexpr size_t MaxCommentBytes = 64 * 1024;
} // namespace gif

enum class TDisposal : uint8_t { None = 0, Leave = 1, Background = 2, Previous = 3 };

// One frame: its place on the logical screen, its colour table, how it is disposed of, and its
// decoded 8-bit image (rows top to bottom, interlacing already undone).
struct TFrame {
    int Left = 0, Top = 0, Width = 0, Height = 0;
    // Colours as 0xFFRRGGBB; entries the table does not define are opaque black.
    std::array<uint32_t, 256> Colors{};
    bool LocalColors = false;
    bool Interlaced = false;
    TDisposal Disposal = TDisposal::None;
    int DelayMs = 0; // the file's hundredths of a second x 10
    bool Transparent = false;
    int TransparentIndex = 0;
    std::vector<uint8_t> Pixels;
    std::string Comment; // the comment block(s) read before this frame
};

// A decoded GIF. Frames are shared between copies; each copy keeps its own composed screen and
// animation state, so one picture can be shown by several images at once.
class TGIFImage {
public:
    // Reads a GIF from memory. Raises EInvalidGraphic when the data does not start with "GIF",
    // when a stated size passes a limit, or when not one frame can be read. A damaged frame (a bad
    // LZW code, or data ending before its last pixel) ends reading and is dropped; the frames
    // before it are kept. Truncated() tells that reading ended before the trailer.
    static TGIFImage FromBytes(const uint8_t* data, size_t size);

    int Width() const { return data_->Width; } // the logical screen grown to cover every frame
    int Height() const { return data_->Height; }
    int FrameCount() const { return static_cast<int>(data_->Frames.size()); }
    const TFrame& Frame(int i) const { return data_->Frames[static_cast<size_t>(i)]; }
    int LoopCount() const { return data_->LoopCount; } // -1: no NETSCAPE2.0 block
    bool Animated() const { return FrameCount() > 1; }
    bool IsTransparent() const { return data_->AnyTransparent; } // some frame has a transparent index
    bool Truncated() const { return data_->Truncated; }

    // Composition. The screen starts empty (alpha 0); CurrentFrame() is drawn on it after its
    // predecessor was disposed of. Going past the last frame starts again on an empty screen.
    int CurrentFrame() const { return current_; }
    void Rewind();    // back to the first frame, animation counters reset
    void NextFrame(); // dispose of the current frame and draw the next
    // The composed screen, 0xAARRGGBB: alpha 255 where a frame has drawn, 0 elsewhere.
    const std::vector<uint32_t>& Screen() const;
    // The screen as a bitmap (undrawn pixels black) and its mask: white where nothing was drawn,
    // black where the picture shows. HasMask() is false when every pixel is drawn.
    const TBitmap& Bitmap() const;
    const TBitmap& Mask() const;
    bool HasMask() const;

    // Animation: Step advances when the current frame's delay (scaled by 100 / Speed, at least
    // 1 ms) has passed since the last change. With a loop count above 0, each arrival at the end
    // of the last frame counts a pass; when the passes reach the count the animation stops on
    // the last frame.
    int Speed = 100; // per cent
    bool Running() const { return running_; }
    void StartAnimation(uint32_t nowMs);
    void StopAnimation() { running_ = false; }
    bool Step(uint32_t nowMs); // true when the frame changed and the image needs repainting
    int Passes() const { return passes_; }

    struct TData {
        int Width = 0, Height = 0;
        int LoopCount = -1;
        bool AnyTransparent = false;
        bool Truncated = false;
        std::vector<TFrame> Frames;
    };

private:
    explicit TGIFImage(std::shared_ptr<const TData> data) : data_(std::move(data)) {}
    void EnsureComposed() const;
    void DrawCurrent();

    std::shared_ptr<const TData> data_;
    int current_ = 0;
    mutable bool composed_ = false;
    mutable std::vector<uint32_t> screen_;
    std::vector<uint32_t> saved_; // what frame `current_` covered, when its disposal is Previous
    mutable bool imagesValid_ = false;
    mutable bool hasMask_ = false;
    mutable TBitmap bitmap_, mask_;
    bool running_ = false;
    uint32_t lastChange_ = 0;
    int passes_ = 0;
};
