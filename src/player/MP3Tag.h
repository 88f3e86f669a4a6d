// ID3v1 tags: the 128-byte block at the end of a music file, the component that reads it into
// fields and writes the fields back, and the genre table used by the tag dialog and the server.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "player/MP3TagFile.h"
#include "toolkit/Classes.h"

// ---- The tag block (ID3v1) ----

constexpr std::size_t kID3v1Size = 128;
constexpr std::size_t kID3v1TextMax = 30; // title, artist, album, comment
constexpr std::size_t kID3v1YearMax = 4;

using TID3v1Block = std::array<std::uint8_t, kID3v1Size>;

// The tag as the component keeps it: short strings of at most 3, 30 or 4 characters. Text read
// from a file keeps its zero bytes (a zero-padded field keeps its full stored length); only
// trailing blanks are dropped. Whoever shows or sends a field trims it first.
struct TID3v1Record {
    std::string Marker;
    std::string Title;
    std::string Artist;
    std::string Album;
    std::string Year;
    std::string Comment;
    std::uint8_t GenreID = 0;
};

// True when the block starts with the upper-case bytes "TAG".
bool HasID3v1Marker(const TID3v1Block& block);
// Splits a block into fields (marker, texts with trailing blanks removed, genre byte).
TID3v1Record DecodeID3v1(const TID3v1Block& block);
// Builds a block: zero bytes, "TAG", each text from the start of its area (cut to the area),
// the genre byte last. The record's marker is not used.
TID3v1Block EncodeID3v1(const TID3v1Record& record);

// ---- The genre table ----

constexpr int kGenreCount = 115;
constexpr std::uint8_t kDefaultGenreID = 12; // "Other"

// Genre names by number, 0 to 114. Numbers 0 to 83 follow the common ID3v1 list; this table has
// no entry for that list's 84, so from 84 on each name stands one number lower (84 "Bebob",
// 113 "Samba", 114 "Folklore"). The tag dialog and the server use this numbering.
extern const std::array<std::string_view, kGenreCount> GenreNames;

struct TGenreItem {
    std::string_view Name;
    std::uint8_t Number = 0;
    friend bool operator==(const TGenreItem&, const TGenreItem&) = default;
};

// Orders genre names as the pick list shows them: letters A-Z folded to a-z, then byte order,
// a name that is a prefix of another first. Returns <0, 0 or >0.
int CompareGenreNames(std::string_view a, std::string_view b);
// Every genre of the table, sorted by CompareGenreNames, each with its number.
std::vector<TGenreItem> GenrePickList();

// ---- The component ----

// Sender and the failure message.
using TErrorEvent = std::function<void(TObject* Sender, const std::string& Message)>;

// Holds the ID3v1 tag of one music file. Assigning Filename reads the file's tag; the setters
// change memory only; WriteTag stores the fields into the file, overwriting an existing tag or
// appending a new one. Missing files, files too short to hold a tag and files without a tag are
// reported through Valid, Error and onError; files that cannot be opened or fail while being
// read or written raise the file access's exceptions (EFOpenError, EStreamError) to the caller.
class TMP3Tag : public TComponent {
public:
    // Uses the platform's file access. Defined here so that the choice is made (and linked) by
    // whoever creates the component, not by the portable core.
    explicit TMP3Tag(TComponent* owner) : TMP3Tag(owner, DefaultMP3TagFileSystem()) {}
    TMP3Tag(TComponent* owner, std::shared_ptr<TMP3TagFileSystem> files);

    const std::string& Filename() const { return filename_; }
    // Stores the name, reads its tag (ReadTag), then fires onFileNameChange.
    void SetFilename(const std::string& name);

    const std::string& Title() const { return tag_.Title; }
    const std::string& Artist() const { return tag_.Artist; }
    const std::string& Album() const { return tag_.Album; }
    const std::string& Year() const { return tag_.Year; }
    const std::string& Comment() const { return tag_.Comment; }
    std::uint8_t GenreID() const { return tag_.GenreID; }
    // The first three bytes of the block as read; "TAG" after a read that found no tag.
    const std::string& TagMarker() const { return tag_.Marker; }

    // Each keeps the first 30 (year: 4) characters and fires onChange; the file is not touched.
    void SetTitle(std::string_view v);
    void SetArtist(std::string_view v);
    void SetAlbum(std::string_view v);
    void SetYear(std::string_view v);
    void SetComment(std::string_view v);
    void SetGenreID(std::uint8_t v);

    bool Valid() const { return valid_; }
    const std::string& Error() const { return error_; }

    void ReadTag();
    void WriteTag();

    bool EditAutoSave = true; // kept for the form description; nothing reads it

    TNotifyEvent onFileNameChange;
    TNotifyEvent onChange;
    TErrorEvent onError;

private:
    void SetText(std::string& field, std::string_view v, std::size_t max);
    void ClearTag();

    std::shared_ptr<TMP3TagFileSystem> files_;
    TID3v1Record tag_;
    std::string filename_;
    bool valid_ = false;
    std::string error_;
};
