// The picture cache shared by every viewer of the program: decoded pictures kept under their
// source names, so the same image on several pages is decoded once while it stays cached.
// Runs on the host's thread only, like the rest of the viewer.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "html/HTMLUn2Images.h"

// One cached picture with its mask and who uses it.
class TBitmapItem {
public:
    TPicture Picture;
    int IdleLoads = 0; // page loads since the entry was last used
    int Users = 0;     // image objects holding the picture now

    TTranspKind TranspKind() const { return Picture.TranspKind; }
    // The mask an image with TRANSP gets from a still picture without one: made once from the
    // lower-left pixel's colour, after which the entry is of kind LowerLeft.
    void EnsureLowerLeftMask();
};

class TStringBitmapList {
public:
    // The program's one cache.
    static TStringBitmapList& Shared();

    // Entries are keyed by the source name upper-cased and trimmed.
    static std::string Key(const std::string& name);

    // A hit starts a use: idle loads back to 0, users + 1. Null on a miss.
    TBitmapItem* Use(const std::string& name);
    // Enters a decoded picture with one user. If the name is cached already, that entry is used
    // instead (and the new picture dropped) unless nobody uses it, in which case it is replaced.
    TBitmapItem& Add(const std::string& name, TPicture picture);
    // Ends one use of the entry (an image object going away).
    void Release(const TBitmapItem* item);

    // A page load: every entry's idle loads + 1, then the upkeep below.
    void PageLoaded(int imageCacheCount);
    // Frees the entries nobody uses whose idle loads exceed `imageCacheCount`.
    void Purge(int imageCacheCount);
    // Frees every entry nobody uses (after a GIF failed to decode: memory may be short).
    void FreeUnused();
    void Clear();

    int Count() const { return static_cast<int>(items_.size()); }
    const TBitmapItem* Find(const std::string& name) const; // no change of counters

private:
    std::map<std::string, std::unique_ptr<TBitmapItem>> items_;
};
