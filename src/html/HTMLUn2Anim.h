// The animated pictures of one document, stepped by the document's 50 ms timer: each entry is an
// image's own copy of a GIF (frames shared, screen and state its own) with whether it animates
// only under the mouse (ACTIVE). Portable: the clock comes in as milliseconds (the platform's
// timeGetTime), and the entries that changed go back to the caller, who repaints their rectangles.
#pragma once

#include <cstdint>
#include <vector>

class TGIFImage;

class TAnimationList {
public:
    // The period of the document's animation timer.
    static constexpr uint32_t TickMs = 50;

    // Lists an image's animated picture; `key` names the image to the caller (its object).
    // Pictures of one frame are not listed. Listing the same key again replaces its entry.
    void Add(const void* key, TGIFImage* gif, bool hoverAnimated);
    void Remove(const void* key);
    void Clear() { items_.clear(); }
    int Count() const { return static_cast<int>(items_.size()); }
    bool Empty() const { return items_.empty(); }

    // Speed in per cent (100 normal): frame delays are scaled by 100 / speed. At least 1.
    int Speed() const { return speed_; }
    void SetSpeed(int percent);

    // Layout and each new page: every picture back to its first frame; those that animate by
    // themselves start again from `nowMs`, hover pictures wait for the mouse.
    void RewindAndStart(uint32_t nowMs);
    // Stops every picture where it is (images switched off, the document cleared).
    void StopAll();
    // One tick of the timer: steps every running picture whose frame delay has passed. Returns
    // the keys of the images whose frame changed (their rectangles need repainting).
    std::vector<const void*> Tick(uint32_t nowMs);
    // True while some picture still runs (the timer is needed).
    bool AnyRunning() const;

    // The mouse moved onto / off an image. A hover picture starts animating when the mouse comes
    // onto it, or shows its second frame when it has exactly two; when the mouse leaves it stops
    // and shows its first frame again. True when the image needs repainting. Images without
    // ACTIVE are not affected.
    bool HoverEnter(const void* key, uint32_t nowMs);
    bool HoverLeave(const void* key);

private:
    struct TItem {
        const void* Key;
        TGIFImage* Gif;
        bool HoverAnimated;
        bool Hovered = false;
    };
    TItem* Find(const void* key);
    std::vector<TItem> items_;
    int speed_ = 100;
};
