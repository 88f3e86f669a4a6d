#include "html/HTMLUn2Cache.h"

#include "toolkit/SysUtils.h"

void TBitmapItem::EnsureLowerLeftMask() {
    if (Picture.Mask || !Picture.Bitmap || Picture.Bitmap->Empty()) return;
    Picture.Mask = std::make_shared<TBitmap>(MakeMask(*Picture.Bitmap, LowerLeftColor(*Picture.Bitmap)));
    Picture.TranspKind = TTranspKind::LowerLeft;
}

TStringBitmapList& TStringBitmapList::Shared() {
    static TStringBitmapList list;
    return list;
}

std::string TStringBitmapList::Key(const std::string& name) { return UpperCase(Trim(name)); }

TBitmapItem* TStringBitmapList::Use(const std::string& name) {
    auto it = items_.find(Key(name));
    if (it == items_.end()) return nullptr;
    TBitmapItem& item = *it->second;
    item.IdleLoads = 0;
    ++item.Users;
    return &item;
}

TBitmapItem& TStringBitmapList::Add(const std::string& name, TPicture picture) {
    std::unique_ptr<TBitmapItem>& slot = items_[Key(name)];
    if (slot && slot->Users > 0) {
        slot->IdleLoads = 0;
        ++slot->Users;
        return *slot;
    }
    slot = std::make_unique<TBitmapItem>();
    slot->Picture = std::move(picture);
    slot->Users = 1;
    return *slot;
}

void TStringBitmapList::Release(const TBitmapItem* item) {
    if (!item) return;
    for (auto& [key, entry] : items_)
        if (entry.get() == item) {
            if (entry->Users > 0) --entry->Users;
            return;
        }
}

void TStringBitmapList::PageLoaded(int imageCacheCount) {
    for (auto& [key, entry] : items_) ++entry->IdleLoads;
    Purge(imageCacheCount);
}

void TStringBitmapList::Purge(int imageCacheCount) {
    std::erase_if(items_, [&](const auto& kv) { return kv.second->Users == 0 && kv.second->IdleLoads > imageCacheCount; });
}

void TStringBitmapList::FreeUnused() {
    std::erase_if(items_, [](const auto& kv) { return kv.second->Users == 0; });
}

void TStringBitmapList::Clear() { items_.clear(); }

const TBitmapItem* TStringBitmapList::Find(const std::string& name) const {
    auto it = items_.find(Key(name));
    return it == items_.end() ? nullptr : it->second.get();
}
