// The tag component over real files, through the platform's file access (POSIX natively, Win32
// under Wine): decoding, the failure messages, writing position rules, setters and events.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "player/MP3Tag.h"
#include "toolkit/Exception.h"
#include "toolkit/SysUtils.h"

#include "MP3TagTestUtil.h"

namespace {

const std::string kNoFile = "File does not exist!";
const std::string kTooSmall = "File too small to be a MP3 file!";
const std::string kNoTag = "MP3 does not contain a mp3 tag or wrong file format!";

// Records every event in order, with its sender and message.
struct EventLog {
    std::vector<std::string> entries;
    TObject* lastSender = nullptr;

    void Attach(TMP3Tag& tag) {
        tag.onChange = [this](TObject* s) { Record(s, "change"); };
        tag.onFileNameChange = [this](TObject* s) { Record(s, "filename"); };
        tag.onError = [this](TObject* s, const std::string& m) { Record(s, "error:" + m); };
    }
    void Record(TObject* sender, const std::string& entry) {
        lastSender = sender;
        entries.push_back(entry);
    }
};

TEST(MP3Tag, CreatedStateIsEmptyAndNotValid) {
    TMP3Tag tag(nullptr);
    EXPECT_FALSE(tag.Valid());
    EXPECT_EQ(tag.Error(), "");
    EXPECT_TRUE(tag.EditAutoSave);
    EXPECT_EQ(tag.Title(), "");
    EXPECT_EQ(tag.Year(), "");
    EXPECT_EQ(tag.GenreID(), 0);
}

TEST(MP3Tag, OwnerFreesTheComponent) {
    auto* owner = new TComponent(nullptr);
    auto* tag = new TMP3Tag(owner);
    EXPECT_EQ(owner->ComponentCount(), 1);
    EXPECT_EQ(tag->Owner(), owner);
    delete owner; // frees the tag; the sanitizer build catches a leak or double free
}

// Every field of a valid block, decoded: zero bytes kept, only trailing blanks dropped.
struct DecodeCase {
    const char* name;
    Bytes block;
    std::string title, artist, album, year, comment;
    int genre;
};

TEST(MP3Tag, DecodesFieldsOfAValidTag) {
    const std::string z25(25, '\0');
    const DecodeCase cases[] = {
        {"zero-padded title keeps its zeros", TagBlock("TAG", {{3, "Title"}}, 17), "Title" + z25, std::string(30, '\0'),
         std::string(30, '\0'), std::string(4, '\0'), std::string(30, '\0'), 17},
        {"blank-padded fields lose the blanks",
         TagBlock("TAG",
                  {{3, Padded("Title", 30, ' ')},
                   {33, Padded("Band", 30, ' ')},
                   {63, Padded("Disc", 30, ' ')},
                   {93, "99  "},
                   {97, Padded("", 30, ' ')}},
                  0),
         "Title", "Band", "Disc", "99", "", 0},
        {"blanks before zero padding stay", TagBlock("TAG", {{3, "Two  "}, {33, Padded("x ", 30, ' ')}}, 1),
         "Two  " + std::string(25, '\0'), "x", std::string(30, '\0'), std::string(4, '\0'), std::string(30, '\0'), 1},
        {"full-width fields and leading blanks",
         TagBlock("TAG",
                  {{3, "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123"},
                   {33, "  lead"},
                   {63, "123456789012345678901234567890"},
                   {93, "1999"},
                   {97, "comment of exactly thirty char"}},
                  114),
         "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123", "  lead" + std::string(24, '\0'), "123456789012345678901234567890", "1999",
         "comment of exactly thirty char", 114},
        {"8-bit characters and genre 200 kept", TagBlock("TAG", {{3, Padded("Caf\xe9 \xc0", 30, ' ')}, {93, "2001"}}, 200),
         "Caf\xe9 \xc0", std::string(30, '\0'), std::string(30, '\0'), "2001", std::string(30, '\0'), 200},
        {"track byte is just comment text",
         TagBlock("TAG", {{97, Padded("note", 28, '\0') + std::string(1, '\0') + std::string(1, '\x07')}}, 255),
         std::string(30, '\0'), std::string(30, '\0'), std::string(30, '\0'), std::string(4, '\0'),
         "note" + std::string(25, '\0') + "\x07", 255},
    };
    TagScratch dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = dir.Write("song.mp3", Concat(Audio(500, 1), c.block));
        TMP3Tag tag(nullptr);
        EventLog log;
        log.Attach(tag);
        tag.SetFilename(path);
        EXPECT_TRUE(tag.Valid());
        EXPECT_EQ(tag.Error(), "");
        EXPECT_EQ(tag.TagMarker(), "TAG");
        EXPECT_EQ(tag.Title(), c.title);
        EXPECT_EQ(tag.Artist(), c.artist);
        EXPECT_EQ(tag.Album(), c.album);
        EXPECT_EQ(tag.Year(), c.year);
        EXPECT_EQ(tag.Comment(), c.comment);
        EXPECT_EQ(tag.GenreID(), c.genre);
        EXPECT_EQ(log.entries, std::vector<std::string>{"filename"});
        EXPECT_EQ(log.lastSender, &tag);
    }
}

// Reads that find no tag: message, fields cleared, title from the file name where a file exists.
struct FailCase {
    const char* name;
    std::string file; // file name inside the scratch folder
    bool create;      // false: the file does not exist
    Bytes content;
    std::string error;
    std::string title;
};

TEST(MP3Tag, ReadFailuresReportThroughErrorAndKeepFieldsCleared) {
    const Bytes tag128 = TagBlock("TAG", {{3, "Real Title"}, {33, "Real Artist"}}, 5);
    const std::string longName = "a-file-name-longer-than-thirty-characters.mp3";
    Bytes lateTag = TagBlock("TAG", {{3, "x"}}, 1); // the marker one byte after the block start
    lateTag.insert(lateTag.begin(), 'X');
    lateTag.pop_back();
    const FailCase cases[] = {
        {"missing file", "gone.mp3", false, {}, kNoFile, ""},
        {"empty file", "empty.mp3", true, {}, kTooSmall, ""},
        {"exactly 128 bytes, itself a tag", "t128.mp3", true, tag128, kTooSmall, ""},
        {"129 bytes, no marker", "short.mp3", true, Audio(129, 3), kNoTag, "short.mp3"},
        {"lower-case marker", "lower.mp3", true, Concat(Audio(10, 4), TagBlock("tag", {{3, "x"}}, 1)), kNoTag, "lower.mp3"},
        {"marker one byte too early", "early.mp3", true, Concat(TagBlock("TAG", {{3, "x"}}, 1), Bytes{0}), kNoTag, "early.mp3"},
        {"marker one byte too late", "late.mp3", true, Concat(Audio(10, 5), lateTag), kNoTag, "late.mp3"},
        {"long file name cut to 30", longName, true, Audio(400, 6), kNoTag, longName.substr(0, 30)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TagScratch dir;
        std::string path = c.create ? dir.Write(c.file, c.content) : dir.Path(c.file);
        TMP3Tag tag(nullptr);
        tag.SetGenreID(77);
        tag.SetTitle("stale");
        EventLog log;
        log.Attach(tag);
        tag.SetFilename(path);
        EXPECT_FALSE(tag.Valid());
        EXPECT_EQ(tag.Error(), c.error);
        EXPECT_EQ(tag.Filename(), path);
        EXPECT_EQ(tag.Title(), c.title);
        EXPECT_EQ(tag.Artist(), "");
        EXPECT_EQ(tag.Album(), "");
        EXPECT_EQ(tag.Year(), "");
        EXPECT_EQ(tag.Comment(), "");
        EXPECT_EQ(tag.GenreID(), 12);
        EXPECT_EQ(tag.TagMarker(), c.error == kNoTag ? "TAG" : "");
        // onError comes first, then the file-name event; no change event for a read.
        EXPECT_EQ(log.entries, (std::vector<std::string>{"error:" + c.error, "filename"}));
        if (c.create) { EXPECT_EQ(ReadAll(path), c.content) << "reading must not alter the file"; }
    }
}

TEST(MP3Tag, FolderIsNotAFile) {
    TagScratch dir;
    TMP3Tag tag(nullptr);
    tag.SetFilename(dir.Path(""));
    EXPECT_EQ(tag.Error(), kNoFile);
    tag.WriteTag();
    EXPECT_EQ(tag.Error(), kNoFile);
}

TEST(MP3Tag, ErrorSurvivesALaterSuccessfulReadUntilTheNextWrite) {
    TagScratch dir;
    std::string good = dir.Write("good.mp3", Concat(Audio(200, 7), TagBlock("TAG", {{3, "Ok"}}, 1)));
    std::string bare = dir.Write("bare.mp3", Audio(200, 8));
    TMP3Tag tag(nullptr);

    tag.SetFilename(dir.Path("missing.mp3"));
    tag.SetFilename(good);
    EXPECT_TRUE(tag.Valid());
    EXPECT_EQ(tag.Error(), kNoFile);

    tag.SetFilename(bare); // a new failure replaces the old message
    EXPECT_EQ(tag.Error(), kNoTag);
    tag.SetFilename(good);
    EXPECT_EQ(tag.Error(), kNoTag);

    tag.WriteTag(); // writing starts with a clean message
    EXPECT_TRUE(tag.Valid());
    EXPECT_EQ(tag.Error(), "");
}

TEST(MP3Tag, SettersCutToTheFieldWidthAndFireOnChangeOnce) {
    TMP3Tag tag(nullptr);
    EventLog log;
    log.Attach(tag);
    const std::string forty = "0123456789012345678901234567890123456789";
    tag.SetTitle(forty);
    tag.SetArtist(forty.substr(0, 30));
    tag.SetAlbum(std::string("a\0b", 3));
    tag.SetYear("199912");
    tag.SetComment(forty + "x");
    tag.SetGenreID(200);
    EXPECT_EQ(tag.Title(), forty.substr(0, 30));
    EXPECT_EQ(tag.Artist(), forty.substr(0, 30));
    EXPECT_EQ(tag.Album(), std::string("a\0b", 3));
    EXPECT_EQ(tag.Year(), "1999");
    EXPECT_EQ(tag.Comment(), forty.substr(0, 30));
    EXPECT_EQ(tag.GenreID(), 200);
    EXPECT_EQ(log.entries, std::vector<std::string>(6, "change"));
    EXPECT_EQ(log.lastSender, &tag);
}

TEST(MP3Tag, SettersTouchOnlyMemory) {
    TagScratch dir;
    const Bytes content = Concat(Audio(300, 9), TagBlock("TAG", {{3, "Before"}}, 2));
    std::string path = dir.Write("x.mp3", content);
    TMP3Tag tag(nullptr);
    tag.SetFilename(path);
    tag.SetTitle("After");
    tag.SetGenreID(9);
    EXPECT_EQ(ReadAll(path), content);
    tag.SetFilename(path); // reassigning reads the file again and replaces the fields
    EXPECT_EQ(TrimRight(tag.Title()), "Before");
    EXPECT_EQ(tag.GenreID(), 2);
}

TEST(MP3Tag, WriteEncodesFieldsZeroFilledAtTheirOffsets) {
    TagScratch dir;
    std::string path = dir.Write("w.mp3", Audio(1000, 10));
    TMP3Tag tag(nullptr);
    tag.SetFilename(path);
    tag.SetTitle("Song");
    tag.SetArtist("Band");
    tag.SetAlbum("123456789012345678901234567890");
    tag.SetYear("1999");
    tag.SetComment("");
    tag.SetGenreID(17);
    EventLog log;
    log.Attach(tag);
    tag.WriteTag();
    EXPECT_TRUE(log.entries.empty());

    Bytes all = ReadAll(path);
    ASSERT_EQ(all.size(), 1128u);
    Bytes block(all.end() - 128, all.end());
    EXPECT_EQ(block, TagBlock("TAG", {{3, "Song"}, {33, "Band"}, {63, "123456789012345678901234567890"}, {93, "1999"}}, 17));
}

TEST(MP3Tag, ZeroPaddedTagSurvivesAReadWriteRoundTripByteForByte) {
    TagScratch dir;
    const Bytes original = Concat(
        Audio(700, 11),
        TagBlock("TAG", {{3, std::string("T\0\0x", 4)}, {33, "A"}, {63, "Al"}, {93, std::string("19\0\0", 4)}, {97, "c\x01"}},
                 200));
    std::string path = dir.Write("rt.mp3", original);
    TMP3Tag tag(nullptr);
    tag.SetFilename(path);
    tag.WriteTag();
    EXPECT_EQ(ReadAll(path), original);
}

TEST(MP3Tag, BlankPaddedTagIsRewrittenZeroPadded) {
    TagScratch dir;
    const Bytes original = Concat(Audio(300, 12), TagBlock("TAG", {{3, Padded("Title", 30, ' ')}, {93, "99  "}}, 4));
    std::string path = dir.Write("bp.mp3", original);
    TMP3Tag tag(nullptr);
    tag.SetFilename(path);
    tag.WriteTag();
    Bytes after = ReadAll(path);
    ASSERT_EQ(after.size(), original.size());
    EXPECT_EQ(Bytes(after.end() - 128, after.end()), TagBlock("TAG", {{3, "Title"}, {93, "99"}}, 4));
}

TEST(MP3Tag, UntaggedFileOf129BytesIsAppendedToThenOverwrittenInPlace) {
    TagScratch dir;
    const Bytes audio = Audio(129, 13);
    std::string path = dir.Write("s129.mp3", audio);
    TMP3Tag tag(nullptr);
    tag.SetFilename(path);
    ASSERT_EQ(tag.Error(), kNoTag);

    tag.WriteTag(); // the file's own name becomes the stored title
    Bytes once = ReadAll(path);
    ASSERT_EQ(once.size(), 257u);
    EXPECT_EQ(Bytes(once.begin(), once.begin() + 129), audio);

    tag.SetFilename(path);
    EXPECT_TRUE(tag.Valid());
    EXPECT_EQ(TrimRight(tag.Title()), "s129.mp3");
    EXPECT_EQ(tag.GenreID(), 12);

    tag.SetArtist("Second");
    tag.WriteTag();
    Bytes twice = ReadAll(path);
    ASSERT_EQ(twice.size(), 257u);
    EXPECT_EQ(Bytes(twice.begin(), twice.begin() + 129), audio);
    tag.SetFilename(path);
    EXPECT_EQ(TrimRight(tag.Artist()), "Second");
}

TEST(MP3Tag, FilesOf128BytesOrLessGetABlockAppended) {
    for (std::size_t size : {0u, 1u, 127u, 128u}) {
        SCOPED_TRACE(size);
        TagScratch dir;
        const Bytes before = size == 128 ? TagBlock("TAG", {{3, "Old"}}, 1) : Audio(size, 14);
        std::string path = dir.Write("small.mp3", before);
        TMP3Tag tag(nullptr);
        tag.SetFilename(path);
        EXPECT_EQ(tag.Error(), kTooSmall);
        tag.SetTitle("New");
        tag.WriteTag();
        Bytes after = ReadAll(path);
        ASSERT_EQ(after.size(), size + 128);
        EXPECT_EQ(Bytes(after.begin(), after.begin() + static_cast<long>(size)), before);
        EXPECT_EQ(Bytes(after.begin() + static_cast<long>(size), after.end()), TagBlock("TAG", {{3, "New"}}, 12));
    }
}

// Whatever the file size, a write changes nothing before the tag position: an untagged file keeps
// all of its bytes and grows by 128; a tagged one keeps everything but its last 128 bytes.
TEST(MP3Tag, WritingNeverChangesTheAudioPart) {
    for (std::size_t size : {129u, 200u, 255u, 256u, 257u, 1000u, 4103u, 70001u}) {
        for (bool tagged : {false, true}) {
            SCOPED_TRACE(std::to_string(size) + (tagged ? " tagged" : " untagged"));
            TagScratch dir;
            Bytes content = Audio(size, static_cast<std::uint32_t>(size));
            if (tagged) {
                Bytes block = TagBlock("TAG", {{3, "Old title"}}, 3);
                std::copy(block.begin(), block.end(), content.end() - 128);
            }
            const std::size_t audioPart = tagged ? size - 128 : size;
            const std::uint64_t sum = Checksum(content, audioPart);
            std::string path = dir.Write("f.mp3", content);

            TMP3Tag tag(nullptr);
            tag.SetFilename(path);
            EXPECT_EQ(tag.Valid(), tagged);
            tag.SetTitle("New title");
            tag.WriteTag();
            tag.WriteTag(); // a second write overwrites the first

            Bytes after = ReadAll(path);
            ASSERT_EQ(after.size(), audioPart + 128);
            EXPECT_EQ(Checksum(after, audioPart), sum);
            EXPECT_EQ(Bytes(after.end() - 128, after.end()), TagBlock("TAG", {{3, "New title"}}, tagged ? 3 : 12));
        }
    }
}

// Audio whose last 128 bytes happen to begin with "TAG" is, by the ID3v1 rule, a tag: it reads
// as one and a write replaces exactly those 128 bytes, leaving everything before them intact.
TEST(MP3Tag, AudioEndingInWhatLooksLikeATagIsTreatedAsTheTag) {
    TagScratch dir;
    Bytes content = Audio(3000, 15);
    content[3000 - 128] = 'T';
    content[3000 - 127] = 'A';
    content[3000 - 126] = 'G';
    const std::uint64_t sum = Checksum(content, 3000 - 128);
    std::string path = dir.Write("coincidence.mp3", content);
    TMP3Tag tag(nullptr);
    tag.SetFilename(path);
    EXPECT_TRUE(tag.Valid());
    tag.WriteTag();
    Bytes after = ReadAll(path);
    ASSERT_EQ(after.size(), 3000u);
    EXPECT_EQ(Checksum(after, 3000 - 128), sum);
}

TEST(MP3Tag, WriteToAMissingFileReportsAndCreatesNothing) {
    TagScratch dir;
    std::string path = dir.Write("vanish.mp3", Concat(Audio(300, 16), TagBlock("TAG", {{3, "x"}}, 1)));
    TMP3Tag tag(nullptr);
    tag.SetFilename(path);
    std::filesystem::remove(path);
    EventLog log;
    log.Attach(tag);
    tag.WriteTag();
    EXPECT_EQ(tag.Error(), kNoFile);
    EXPECT_EQ(log.entries, std::vector<std::string>{"error:" + kNoFile});
    EXPECT_FALSE(Exists(path));

    TMP3Tag quiet(nullptr); // no handler assigned: only Error is set
    quiet.SetFilename(path);
    quiet.WriteTag();
    EXPECT_EQ(quiet.Error(), kNoFile);
    EXPECT_FALSE(Exists(path));
}

// A file access that refuses to open: the component raises the error to its caller instead of
// reporting it, and the file-name event does not follow.
class RefusingFiles : public TMP3TagFileSystem {
public:
    bool FileExists(const std::string&) override { return true; }
    std::unique_ptr<TMP3TagFile> Open(const std::string& name, TMP3TagOpenMode) override {
        throw EFOpenError("Cannot open file " + name);
    }
};

TEST(MP3Tag, OpenFailuresPropagateAsExceptions) {
    TMP3Tag tag(nullptr, std::make_shared<RefusingFiles>());
    EventLog log;
    log.Attach(tag);
    try {
        tag.SetFilename("locked.mp3");
        ADD_FAILURE() << "no exception";
    } catch (const EFOpenError& e) { EXPECT_EQ(e.Message(), "Cannot open file locked.mp3"); }
    EXPECT_FALSE(tag.Valid());
    EXPECT_EQ(tag.Filename(), "locked.mp3");
    EXPECT_EQ(tag.GenreID(), 12);
    EXPECT_THROW(tag.WriteTag(), EFOpenError);
    EXPECT_TRUE(log.entries.empty());
}

} // namespace
