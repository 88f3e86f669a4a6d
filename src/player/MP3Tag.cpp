#include "player/MP3Tag.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "toolkit/SysUtils.h"

namespace {

// ID3v1 field areas: offset and width inside the 128-byte block.
struct TArea {
    std::size_t offset, width;
};
constexpr TArea kMarker{0, 3};
constexpr TArea kTitle{3, 30};
constexpr TArea kArtist{33, 30};
constexpr TArea kAlbum{63, 30};
constexpr TArea kYear{93, 4};
constexpr TArea kComment{97, 30};
constexpr std::size_t kGenreOffset = 127;

const char* const kMsgNoFile = "File does not exist!";
const char* const kMsgTooSmall = "File too small to be a MP3 file!";
const char* const kMsgNoTag = "MP3 does not contain a mp3 tag or wrong file format!";

// Every byte of the area as a character, zero bytes included.
std::string Take(const TID3v1Block& block, TArea area) {
    return std::string(reinterpret_cast<const char*>(block.data() + area.offset), area.width);
}

// Only blanks (0x20) count; zero bytes and other control characters stay.
std::string DropTrailingBlanks(std::string s) {
    std::size_t n = s.size();
    while (n > 0 && s[n - 1] == ' ') --n;
    s.resize(n);
    return s;
}

void Put(TID3v1Block& block, TArea area, std::string_view text) {
    std::size_t n = std::min(text.size(), area.width);
    std::memcpy(block.data() + area.offset, text.data(), n);
}

unsigned char FoldLetter(unsigned char c) { return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c; }

} // namespace

// ---- Tag block ----

bool HasID3v1Marker(const TID3v1Block& block) { return block[0] == 'T' && block[1] == 'A' && block[2] == 'G'; }

TID3v1Record DecodeID3v1(const TID3v1Block& block) {
    TID3v1Record r;
    r.Marker = Take(block, kMarker);
    r.Title = DropTrailingBlanks(Take(block, kTitle));
    r.Artist = DropTrailingBlanks(Take(block, kArtist));
    r.Album = DropTrailingBlanks(Take(block, kAlbum));
    r.Year = DropTrailingBlanks(Take(block, kYear));
    r.Comment = DropTrailingBlanks(Take(block, kComment));
    r.GenreID = block[kGenreOffset];
    return r;
}

TID3v1Block EncodeID3v1(const TID3v1Record& record) {
    TID3v1Block block{};
    Put(block, kMarker, "TAG");
    Put(block, kTitle, record.Title);
    Put(block, kArtist, record.Artist);
    Put(block, kAlbum, record.Album);
    Put(block, kYear, record.Year);
    Put(block, kComment, record.Comment);
    block[kGenreOffset] = record.GenreID;
    return block;
}

// ---- Genre table ----

// clang-format off
const std::array<std::string_view, kGenreCount> GenreNames = {
    /*   0 */ "Blues", "Classic Rock", "Country", "Dance", "Disco",
    /*   5 */ "Funk", "Grunge", "Hip-Hop", "Jazz", "Metal",
    /*  10 */ "New Age", "Oldies", "Other", "Pop", "R&B",
    /*  15 */ "Rap", "Reggae", "Rock", "Techno", "Industrial",
    /*  20 */ "Alternative", "Ska", "Death Metal", "Pranks", "Soundtrack",
    /*  25 */ "Euro-Techno", "Ambient", "Trip-Hop", "Vocal", "Jazz+Funk",
    /*  30 */ "Fusion", "Trance", "Classical", "Instrumental", "Acid",
    /*  35 */ "House", "Game", "Sound Clip", "Gospel", "Noise",
    /*  40 */ "AlternRock", "Bass", "Soul", "Punk", "Space",
    /*  45 */ "Meditative", "Instrumental Pop", "Instrumental Rock", "Ethnic", "Gothic",
    /*  50 */ "Darkwave", "Techno-Industrial", "Electronic", "Pop-Folk", "Eurodance",
    /*  55 */ "Dream", "Southern Rock", "Comedy", "Cult", "Gangsta",
    /*  60 */ "Top 40", "Christian Rap", "Pop/Funk", "Jungle", "Native American",
    /*  65 */ "Cabaret", "New Wave", "Psychadelic", "Rave", "Showtunes",
    /*  70 */ "Trailer", "Lo-Fi", "Tribal", "Acid Punk", "Acid Jazz",
    /*  75 */ "Polka", "Retro", "Musical", "Rock & Roll", "Hard Rock",
    /*  80 */ "Folk", "Folk/Rock", "National Folk", "Swing", "Bebob",
    /*  85 */ "Latin", "Revival", "Celtic", "Bluegrass", "Avantgarde",
    /*  90 */ "Gothic Rock", "Progressive Rock", "Psychedelic Rock", "Symphonic Rock", "Slow Rock",
    /*  95 */ "Big Band", "Chorus", "Easy Listening", "Acoustic", "Humour",
    /* 100 */ "Speech", "Chanson", "Opera", "Chamber Music", "Sonata",
    /* 105 */ "Symphony", "Booty Bass", "Primus", "Porn Groove", "Satire",
    /* 110 */ "Slow Jam", "Club", "Tango", "Samba", "Folklore",
};
// clang-format on

int CompareGenreNames(std::string_view a, std::string_view b) {
    std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char ca = FoldLetter(static_cast<unsigned char>(a[i]));
        unsigned char cb = FoldLetter(static_cast<unsigned char>(b[i]));
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

std::vector<TGenreItem> GenrePickList() {
    std::vector<TGenreItem> items;
    items.reserve(GenreNames.size());
    for (std::size_t i = 0; i < GenreNames.size(); ++i) items.push_back({GenreNames[i], static_cast<std::uint8_t>(i)});
    std::stable_sort(items.begin(), items.end(),
                     [](const TGenreItem& x, const TGenreItem& y) { return CompareGenreNames(x.Name, y.Name) < 0; });
    return items;
}

// ---- Component ----

TMP3Tag::TMP3Tag(TComponent* owner, std::shared_ptr<TMP3TagFileSystem> files) : TComponent(owner), files_(std::move(files)) {}

void TMP3Tag::SetFilename(const std::string& name) {
    filename_ = name;
    ReadTag();
    if (onFileNameChange) onFileNameChange(this);
}

void TMP3Tag::SetText(std::string& field, std::string_view v, std::size_t max) {
    field.assign(v.substr(0, max));
    if (onChange) onChange(this);
}

void TMP3Tag::SetTitle(std::string_view v) { SetText(tag_.Title, v, kID3v1TextMax); }
void TMP3Tag::SetArtist(std::string_view v) { SetText(tag_.Artist, v, kID3v1TextMax); }
void TMP3Tag::SetAlbum(std::string_view v) { SetText(tag_.Album, v, kID3v1TextMax); }
void TMP3Tag::SetYear(std::string_view v) { SetText(tag_.Year, v, kID3v1YearMax); }
void TMP3Tag::SetComment(std::string_view v) { SetText(tag_.Comment, v, kID3v1TextMax); }

void TMP3Tag::SetGenreID(std::uint8_t v) {
    tag_.GenreID = v;
    if (onChange) onChange(this);
}

void TMP3Tag::ClearTag() {
    tag_ = TID3v1Record{};
    tag_.GenreID = kDefaultGenreID;
}

// Error is deliberately left alone here: after a successful read it still holds the message of
// an earlier failure. Open and stream failures propagate as exceptions, leaving the fields
// cleared and Valid false.
void TMP3Tag::ReadTag() {
    valid_ = false;
    ClearTag();
    if (!files_->FileExists(filename_)) {
        error_ = kMsgNoFile;
    } else {
        auto file = files_->Open(filename_, TMP3TagOpenMode::ReadOnly);
        const std::int64_t size = file->Size();
        // A file that is only a tag block (or less) has no audio: not a music file.
        if (size <= static_cast<std::int64_t>(kID3v1Size)) {
            error_ = kMsgTooSmall;
        } else {
            TID3v1Block block{};
            file->ReadAt(size - static_cast<std::int64_t>(kID3v1Size), block.data(), block.size());
            tag_ = DecodeID3v1(block);
            if (HasID3v1Marker(block)) {
                valid_ = true;
            } else {
                error_ = kMsgNoTag;
                ClearTag();
                tag_.Marker = "TAG";
                tag_.Title = ExtractFileName(filename_).substr(0, kID3v1TextMax);
            }
        }
    }
    if (!valid_ && onError) onError(this, error_);
}

// A file whose last 128 bytes start with "TAG" holds an ID3v1 tag there by definition; that block
// is overwritten in place. Otherwise the new block is appended, so the bytes before the tag
// position are never changed. The open mode keeps other writers out while we decide and write.
void TMP3Tag::WriteTag() {
    error_.clear();
    if (!files_->FileExists(filename_)) {
        error_ = kMsgNoFile;
    } else {
        auto file = files_->Open(filename_, TMP3TagOpenMode::ReadWrite);
        const std::int64_t size = file->Size();
        std::int64_t position = size;
        if (size > static_cast<std::int64_t>(kID3v1Size)) {
            TID3v1Block old{};
            file->ReadAt(size - static_cast<std::int64_t>(kID3v1Size), old.data(), old.size());
            if (HasID3v1Marker(old)) position = size - static_cast<std::int64_t>(kID3v1Size);
        }
        const TID3v1Block block = EncodeID3v1(tag_);
        file->WriteAt(position, block.data(), block.size());
    }
    if (!error_.empty() && onError) onError(this, error_);
}
