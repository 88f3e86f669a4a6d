// Interoperability with Debian's id3v2 tool: tags this component writes are read back by the
// tool with the same fields, and tags the tool writes are read here with the fields it was given
// (after the trimming every caller applies). Genres are compared by number: the tool names them
// after the common list, which from 84 on differs from this program's table.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "player/MP3Tag.h"
#include "toolkit/SysUtils.h"

#include "MP3TagTestUtil.h"

extern char** environ;

namespace {

struct ToolResult {
    int status = -1;
    std::string output;
};

// Runs the tool directly (no shell, so arguments need no quoting) and collects its output.
ToolResult RunTool(const std::vector<std::string>& args) {
    ToolResult r;
    int fds[2];
    if (pipe(fds) != 0) return r;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (rc == 0) {
        char buf[4096];
        ssize_t n;
        while ((n = read(fds[0], buf, sizeof buf)) > 0) r.output.append(buf, static_cast<size_t>(n));
        int status = 0;
        waitpid(pid, &status, 0);
        r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    close(fds[0]);
    return r;
}

bool ToolPresent() { return RunTool({"id3v2", "--version"}).status == 0; }

struct Fields {
    std::string title, artist, album, year, comment;
    int genre = 0;
};

std::string After(const std::string& line, const std::string& label) {
    size_t p = line.find(label);
    return p == std::string::npos ? std::string() : line.substr(p + label.size());
}

// Parses the tool's ID3v1 listing:
//   "Title  : <title, 30 wide>  Artist: <artist>"
//   "Album  : <album, 30 wide>  Year: <year>, Genre: <name> (<number>)"
//   "Comment: <comment>[   Track: <n>]"
bool ParseListing(const std::string& text, Fields& f) {
    TStringList lines;
    lines.SetText(text);
    bool seen = false;
    for (int i = 0; i < lines.Count(); ++i) {
        const std::string& l = lines[i];
        if (l.rfind("Title  : ", 0) == 0) {
            seen = true;
            f.title = TrimRight(l.substr(9, 30));
            f.artist = TrimRight(After(l, "Artist: "));
        } else if (l.rfind("Album  : ", 0) == 0) {
            f.album = TrimRight(l.substr(9, 30));
            std::string rest = After(l, "Year: ");
            f.year = rest.substr(0, rest.find(','));
            size_t open = rest.rfind('('), close = rest.rfind(')');
            if (open == std::string::npos || close == std::string::npos) return false;
            f.genre = std::atoi(rest.substr(open + 1, close - open - 1).c_str());
        } else if (l.rfind("Comment: ", 0) == 0) {
            f.comment = TrimRight(l.substr(9, 30));
        }
    }
    return seen;
}

const Fields kCases[] = {
    {"Song", "Band", "Disc", "1999", "", 17},
    {"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123", "Two  Spaces Inside", "", "2024", "a comment", 0},
    {"x", "123456789012345678901234567890", "Album & Co.", "1970", "twenty-eight characters long", 83},
    {"Genre above the table", "y", "z", "2000", "c", 113},
};

class MP3TagTool : public ::testing::Test {
protected:
    void SetUp() override {
        if (!ToolPresent()) GTEST_SKIP() << "id3v2 is not installed";
    }
    TagScratch dir;
};

TEST_F(MP3TagTool, ToolReadsWhatTheComponentWrote) {
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.title);
        std::string path = dir.Write("ours.mp3", Audio(2000, 21));
        TMP3Tag tag(nullptr);
        tag.SetFilename(path);
        tag.SetTitle(c.title);
        tag.SetArtist(c.artist);
        tag.SetAlbum(c.album);
        tag.SetYear(c.year);
        tag.SetComment(c.comment);
        tag.SetGenreID(static_cast<std::uint8_t>(c.genre));
        tag.WriteTag();

        ToolResult r = RunTool({"id3v2", "-l", path});
        ASSERT_EQ(r.status, 0) << r.output;
        Fields seen;
        ASSERT_TRUE(ParseListing(r.output, seen)) << r.output;
        EXPECT_EQ(seen.title, c.title);
        EXPECT_EQ(seen.artist, c.artist);
        EXPECT_EQ(seen.album, c.album);
        EXPECT_EQ(seen.year, c.year);
        EXPECT_EQ(seen.comment, c.comment);
        EXPECT_EQ(seen.genre, c.genre);
    }
}

TEST_F(MP3TagTool, ComponentReadsWhatTheToolWroteAndOverwritesIt) {
    for (size_t i = 0; i < std::size(kCases); ++i) {
        const Fields& c = kCases[i];
        const Fields& next = kCases[(i + 1) % std::size(kCases)];
        SCOPED_TRACE(c.title);
        const Bytes audio = Audio(1500, 22);
        std::string path = dir.Write("theirs.mp3", audio);
        ToolResult w = RunTool({"id3v2", "-1", "-t", c.title, "-a", c.artist, "-A", c.album, "-y", c.year, "-c", c.comment, "-g",
                                std::to_string(c.genre), path});
        ASSERT_EQ(w.status, 0) << w.output;
        ASSERT_EQ(ReadAll(path).size(), audio.size() + 128) << "the tool wrote more than an ID3v1 tag";

        TMP3Tag tag(nullptr);
        tag.SetFilename(path);
        EXPECT_TRUE(tag.Valid()) << tag.Error();
        EXPECT_EQ(Trim(tag.Title()), c.title);
        EXPECT_EQ(Trim(tag.Artist()), c.artist);
        EXPECT_EQ(Trim(tag.Album()), c.album);
        EXPECT_EQ(tag.Year(), c.year);
        EXPECT_EQ(Trim(tag.Comment()), c.comment);
        EXPECT_EQ(tag.GenreID(), c.genre);

        // Replacing the tool's tag: same length, audio intact, and the tool sees the new fields.
        tag.SetTitle(next.title);
        tag.SetArtist(next.artist);
        tag.SetAlbum(next.album);
        tag.SetYear(next.year);
        tag.SetComment(next.comment);
        tag.SetGenreID(static_cast<std::uint8_t>(next.genre));
        tag.WriteTag();
        Bytes after = ReadAll(path);
        ASSERT_EQ(after.size(), audio.size() + 128);
        EXPECT_EQ(Bytes(after.begin(), after.begin() + static_cast<long>(audio.size())), audio);
        ToolResult r = RunTool({"id3v2", "-l", path});
        Fields seen;
        ASSERT_TRUE(ParseListing(r.output, seen)) << r.output;
        EXPECT_EQ(seen.title, next.title);
        EXPECT_EQ(seen.artist, next.artist);
        EXPECT_EQ(seen.genre, next.genre);
    }
}

// The helper script that makes tagged MP3 files for other tests and the demo: its frames are
// whole 417-byte MPEG-1 Layer III frames and its tag reads here as given.
TEST(MakeMp3Script, WritesSilentFramesAndATagTheComponentReads) {
    if (RunTool({"python3", "--version"}).status != 0) GTEST_SKIP() << "python3 is not installed";
    TagScratch dir;
    const std::string script = (std::filesystem::path(__FILE__).parent_path() / "make_mp3.py").string();
    std::string path = dir.Path("made.mp3");
    ToolResult r = RunTool(
        {"python3", script, path, "--frames", "3", "--title", "Made", "--artist", "Script", "--year", "2026", "--genre", "114"});
    ASSERT_EQ(r.status, 0) << r.output;
    Bytes all = ReadAll(path);
    ASSERT_EQ(all.size(), 3 * 417 + 128u);
    for (size_t f = 0; f < 3; ++f) {
        EXPECT_EQ(all[f * 417], 0xFF);
        EXPECT_EQ(all[f * 417 + 1], 0xFB); // MPEG-1, Layer III, no CRC
    }
    TMP3Tag tag(nullptr);
    tag.SetFilename(path);
    EXPECT_TRUE(tag.Valid());
    EXPECT_EQ(Trim(tag.Title()), "Made");
    EXPECT_EQ(Trim(tag.Artist()), "Script");
    EXPECT_EQ(tag.Year(), "2026");
    EXPECT_EQ(tag.GenreID(), 114);

    ASSERT_EQ(RunTool({"python3", script, path, "--frames", "2"}).status, 0);
    tag.SetFilename(path);
    EXPECT_EQ(tag.Error(), "MP3 does not contain a mp3 tag or wrong file format!");
}

} // namespace
