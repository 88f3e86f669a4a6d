#include "html/HTMLUn2Anim.h"

#include <algorithm>

#include "html/HTMLGif.h"

TAnimationList::TItem* TAnimationList::Find(const void* key) {
    for (TItem& i : items_)
        if (i.Key == key) return &i;
    return nullptr;
}

void TAnimationList::Add(const void* key, TGIFImage* gif, bool hoverAnimated) {
    Remove(key);
    if (!gif || !gif->Animated()) return;
    gif->Speed = speed_;
    items_.push_back({key, gif, hoverAnimated});
}

void TAnimationList::Remove(const void* key) {
    items_.erase(std::remove_if(items_.begin(), items_.end(), [key](const TItem& i) { return i.Key == key; }), items_.end());
}

void TAnimationList::SetSpeed(int percent) {
    speed_ = std::max(1, percent);
    for (TItem& i : items_) i.Gif->Speed = speed_;
}

void TAnimationList::RewindAndStart(uint32_t nowMs) {
    for (TItem& i : items_) {
        i.Gif->Rewind();
        i.Hovered = false;
        if (!i.HoverAnimated) i.Gif->StartAnimation(nowMs);
    }
}

void TAnimationList::StopAll() {
    for (TItem& i : items_) i.Gif->StopAnimation();
}

std::vector<const void*> TAnimationList::Tick(uint32_t nowMs) {
    std::vector<const void*> changed;
    for (TItem& i : items_)
        if (i.Gif->Step(nowMs)) changed.push_back(i.Key);
    return changed;
}

bool TAnimationList::AnyRunning() const {
    return std::any_of(items_.begin(), items_.end(), [](const TItem& i) { return i.Gif->Running(); });
}

bool TAnimationList::HoverEnter(const void* key, uint32_t nowMs) {
    TItem* i = Find(key);
    if (!i || !i->HoverAnimated || i->Hovered) return false;
    i->Hovered = true;
    if (i->Gif->FrameCount() == 2) {
        // Two frames: the second is the picture "under the mouse"; nothing runs.
        i->Gif->Rewind();
        i->Gif->NextFrame();
        return true;
    }
    i->Gif->StartAnimation(nowMs);
    return false;
}

bool TAnimationList::HoverLeave(const void* key) {
    TItem* i = Find(key);
    if (!i || !i->HoverAnimated || !i->Hovered) return false;
    i->Hovered = false;
    const bool moved = i->Gif->CurrentFrame() != 0;
    i->Gif->Rewind(); // stops it too
    return moved;
}
