// Rename As and Copy To: names from patterns, collisions, cancellation, and
// the tunemoss commands that run them.
#include <gtest/gtest.h>

#include <filesystem>

#include "songcore/files/FileOption.h"
#include "songcore/rename/NameTokens.h"
#include "songcore/rename/PatternJobs.h"
#include "songcore/rename/SongFileOption.h"
#include "songcore/tags/SongFileInfo.h"
#include "support/TestSupport.h"

using songcore::PatternJobResult;
using songcore::PatternJobStatus;
using testsupport::CopyDataFile;
using testsupport::ReadFileText;
using testsupport::RunTunemoss;
using testsupport::TempDir;
using testsupport::WriteFileBytes;
namespace fs = std::filesystem;

namespace {

// A short MP3 with an ID3v1 tag.
std::string TaggedSong(const TempDir& dir, const std::string& name, const std::string& artist,
                       const std::string& title, const std::string& album = "",
                       const std::string& year = "") {
    std::string path = CopyDataFile(dir, "files/silence.mp3", name);
    CSongFileInfo info;
    EXPECT_TRUE(info.Open(path, 0, 0));
    info.SetArtist(artist);
    info.SetTitle(title);
    info.SetAlbum(album);
    info.SetYear(year);
    info.SetGenre(static_cast<unsigned short>(17));  // Rock
    EXPECT_TRUE(info.WriteID3V1Info());
    return path;
}

void WriteText(const std::string& path, const std::string& text) {
    WriteFileBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

std::vector<std::string> FolderContents(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        names.push_back(fs::relative(entry.path(), folder).string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

TEST(FileOption, PathParts) {
    CFileOption option;
    EXPECT_EQ(option.GetFilePath("/m/x.mp3"), "/m/");
    EXPECT_EQ(option.GetFilePath("x.mp3"), "");
    EXPECT_EQ(option.GetFileName("/m/Song.mp3"), "Song");
    EXPECT_EQ(option.GetFileName("/m/My.Song.mp3"), "My.Song");
    EXPECT_EQ(option.GetFileName("/a.b/c"), "");
    EXPECT_EQ(option.GetFileExt("/m/Song.mp3"), ".mp3");
    EXPECT_EQ(option.GetFileExt("/a/c"), "");
    EXPECT_EQ(option.GetFileExt("/a.b/c"), "");  // a dot in a folder is no extension
}

TEST(FileOption, RenameAndCopyNeverLoseAFile) {
    TempDir dir;
    std::string a = dir.file("a.mp3"), b = dir.file("b.mp3");
    WriteText(a, "A");
    WriteText(b, "B");
    CFileOption option;
    EXPECT_FALSE(option.Rename(a.c_str(), b.c_str()));
    EXPECT_FALSE(option.GetErrorMessage().empty());
    EXPECT_EQ(ReadFileText(a), "A");
    EXPECT_EQ(ReadFileText(b), "B");
    EXPECT_TRUE(option.Rename(a.c_str(), dir.file("c.mp3").c_str()));
    EXPECT_FALSE(fs::exists(a));

    EXPECT_FALSE(option.Copy(b.c_str(), dir.file("c.mp3").c_str(), 1));
    EXPECT_EQ(ReadFileText(dir.file("c.mp3")), "A");
    EXPECT_TRUE(option.Copy(b.c_str(), dir.file("c.mp3").c_str(), 0));
    EXPECT_EQ(ReadFileText(dir.file("c.mp3")), "B");
    EXPECT_FALSE(option.Copy(b.c_str(), b.c_str(), 0));
    EXPECT_EQ(ReadFileText(b), "B");
    EXPECT_FALSE(option.Copy(dir.file("none").c_str(), dir.file("d").c_str(), 0));
}

TEST(FileOption, MakeDirectoryCreatesTheChain) {
    TempDir dir;
    CSongFileOption option;
    ASSERT_TRUE(option.MakeDirectoryFromFile(dir.file("a/b/c.mp3").c_str()));
    EXPECT_TRUE(fs::is_directory(dir.file("a/b")));
    EXPECT_FALSE(fs::exists(dir.file("a/b/c.mp3")));
    ASSERT_TRUE(option.MakeDirectory(dir.file("x//y/").c_str()));
    EXPECT_TRUE(fs::is_directory(dir.file("x/y")));
    EXPECT_TRUE(option.MakeDirectory("/top.mp3"));
    EXPECT_TRUE(option.MakeDirectory("plain.mp3"));
    WriteText(dir.file("file"), "");
    EXPECT_FALSE(option.MakeDirectory(dir.file("file/sub/x").c_str()));
}

TEST(SongFileOption, PatternExpansion) {
    EXPECT_EQ(CSongFileOption::ExpandPattern("%ARTIST - %ALBUM - %TITLE (%YEAR, %GENRE)", "A", "L",
                                             "T", "Rock", "1999"),
              "A - L - T (1999, Rock)");
    // Tag text is put in once and never expanded again.
    EXPECT_EQ(CSongFileOption::ExpandPattern("%TITLE", "Art", "", "Say %ARTIST", "", ""),
              "Say %ARTIST");
    EXPECT_EQ(CSongFileOption::ExpandPattern("%ARTIST %TITLE", "%TITLE", "", "%YEAR", "", "1999"),
              "%TITLE %YEAR");
    // Values that would name a folder or hide the file.
    EXPECT_EQ(CSongFileOption::ExpandPattern("%TITLE", "", "", "..", "", ""), "_");
    EXPECT_EQ(CSongFileOption::ExpandPattern("%TITLE", "", "", ".", "", ""), "_");
    EXPECT_EQ(CSongFileOption::ExpandPattern("%ARTIST%TITLE", "", "", ".hidden", "", ""),
              "_hidden");
    EXPECT_EQ(CSongFileOption::ExpandPattern("%ARTIST - %TITLE", "A", "", "..", "", ""), "A - _");
    EXPECT_EQ(CSongFileOption::ExpandPattern("%ARTIST%TITLE", "A", "", ".b", "", ""), "A.b");
    // A dot the user typed is the user's choice.
    EXPECT_EQ(CSongFileOption::ExpandPattern(".%TITLE", "", "", "x", "", ""), ".x");
    EXPECT_EQ(CSongFileOption::ExpandPattern("%title %Artist", "A", "", "T", "", ""),
              "%title %Artist");
    EXPECT_EQ(CSongFileOption::ExpandPattern("%ARTIST - %TITLE", "", "", "", "", ""), " - ");
}

TEST(NameTokens, EveryTokenAndWhatIsNotOne) {
    songcore::NameValues values;
    values.title = "T";
    values.artist = "A";
    values.album = "L";
    values.albumArtist = "Various";
    values.genre = "Rock";
    values.year = "1999";
    values.track = 7;
    values.disc = 2;
    values.ext = "flac";
    struct Case {
        const char* pattern;
        const char* name;
        bool known;
    };
    for (const Case& c : std::initializer_list<Case>{
             {"%TRACK - %TITLE", "07 - T", true},
             {"%TRACK1 %TRACK3 %DISC %DISC2", "7 007 2 02", true},
             {"%ALBUMARTIST/%ALBUM", "Various/L", true},
             {"%ALBUM%ARTIST", "LA", true},
             {"%TITLEs (%EXT) %GENRE %YEAR", "Ts (flac) Rock 1999", true},
             {"100% %TITLE %", "100% T %", true},
             {"%title", "%title", false},
             {"%COMPOSER - %TITLE", "%COMPOSER - T", false},
             {"%TRACK0", "%TRACK0", false},
         }) {
        SCOPED_TRACE(c.pattern);
        EXPECT_EQ(songcore::ExpandNamePattern(c.pattern, values), c.name);
        std::string problem = songcore::NamePatternProblem(c.pattern);
        EXPECT_EQ(problem.empty(), c.known) << problem;
    }
    EXPECT_NE(songcore::NamePatternProblem("%ARTIST - %Title").find("unknown token %Title"),
              std::string::npos);
    values.track = 0;  // no track number: the token gives nothing
    EXPECT_EQ(songcore::ExpandNamePattern("%TRACK%TITLE", values), "T");
}

TEST(SongFileOption, RenameToKeepsFolderAndExtension) {
    TempDir dir;
    std::string source = dir.file("x.mp3");
    WriteText(source, "song");
    CSongFileOption option;
    option.SetSourcePath(source.c_str());
    option.SetDestPath("%ARTIST - %TITLE", "A", "", "B", "", "");
    ASSERT_TRUE(option.RenameTo());
    EXPECT_EQ(option.GetDestPath(), dir.file("A - B.mp3"));
    EXPECT_EQ(ReadFileText(dir.file("A - B.mp3")), "song");

    // Letter case alone is a different name on this system.
    option.SetSourcePath(dir.file("A - B.mp3").c_str());
    option.SetDestPath("a - b", "", "", "", "", "");
    ASSERT_TRUE(option.RenameTo());
    EXPECT_TRUE(fs::exists(dir.file("a - b.mp3")));
    EXPECT_FALSE(fs::exists(dir.file("A - B.mp3")));

    // Names that would need or make folders are refused.
    option.SetSourcePath(dir.file("a - b.mp3").c_str());
    option.SetDestPath("%ARTIST", "AC/DC", "", "", "", "");
    EXPECT_FALSE(option.RenameTo());
    EXPECT_NE(option.GetErrorMessage().find("/"), std::string::npos);
    option.SetDestPath("%ALBUM", "", "", "", "", "");
    EXPECT_FALSE(option.RenameTo());
    EXPECT_TRUE(fs::exists(dir.file("a - b.mp3")));
}

TEST(RenameSongsAs, CollisionsAndUnreadableSongs) {
    TempDir dir;
    std::string one = TaggedSong(dir, "one.mp3", "Abba", "Waterloo");
    std::string two = TaggedSong(dir, "two.mp3", "Abba", "Waterloo");
    std::string same = TaggedSong(dir, "Queen - Bohemian.mp3", "Queen", "Bohemian");
    std::string untagged = CopyDataFile(dir, "files/silence.mp3", "untagged.mp3");
    std::string missing = dir.file("missing.mp3");

    std::vector<PatternJobResult> seen;
    songcore::PatternJobCallbacks callbacks;
    callbacks.onResult = [&](const PatternJobResult& r) { seen.push_back(r); };
    auto results =
        songcore::RenameSongsAs({one, two, same, untagged, missing}, "%ARTIST - %TITLE", callbacks);
    ASSERT_EQ(results.size(), 5u);
    EXPECT_EQ(seen.size(), 5u);
    EXPECT_EQ(results[0].status, PatternJobStatus::Done);
    EXPECT_EQ(results[0].destination, dir.file("Abba - Waterloo.mp3"));
    EXPECT_EQ(results[1].status, PatternJobStatus::Failed);  // the name is taken now
    EXPECT_TRUE(fs::exists(two));
    EXPECT_EQ(results[2].status, PatternJobStatus::Unchanged);
    EXPECT_EQ(results[3].status, PatternJobStatus::Skipped);
    EXPECT_EQ(results[4].status, PatternJobStatus::Skipped);
    EXPECT_EQ(FolderContents(dir.path()),
              (std::vector<std::string>{"Abba - Waterloo.mp3", "Queen - Bohemian.mp3", "two.mp3",
                                        "untagged.mp3"}));
}

TEST(RenameSongsAs, DryRunOnlyTells) {
    TempDir dir;
    std::string one = TaggedSong(dir, "one.mp3", "A", "B");
    TaggedSong(dir, "B.mp3", "X", "Y");
    auto results = songcore::RenameSongsAs({one}, "%TITLE", {}, true);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].status, PatternJobStatus::Failed);  // B.mp3 exists
    results = songcore::RenameSongsAs({one}, "%ARTIST%TITLE", {}, true);
    EXPECT_EQ(results[0].status, PatternJobStatus::Done);
    EXPECT_EQ(results[0].destination, dir.file("AB.mp3"));
    EXPECT_TRUE(fs::exists(one));
    EXPECT_FALSE(fs::exists(dir.file("AB.mp3")));
}

TEST(CopySongsTo, NamesAndFolders) {
    TempDir dir;
    std::string song = TaggedSong(dir, "in.mp3", "Abba", "Waterloo", "Gold", "1974");
    std::string untagged = CopyDataFile(dir, "files/silence.mp3", "Plain Name.mp3");
    std::string out = dir.file("out/deep/er");
    WriteText(dir.path() + "/existing.mp3", "");

    std::vector<int> progress;
    songcore::PatternJobCallbacks callbacks;
    callbacks.onProgress = [&](int p) { progress.push_back(p); };
    auto results = songcore::CopySongsTo({{song, out}, {untagged, dir.file("new/folder")}},
                                         "%YEAR %TITLE [%GENRE]", callbacks);
    ASSERT_EQ(results.size(), 2u);
    EXPECT_EQ(results[0].status, PatternJobStatus::Done) << results[0].message;
    EXPECT_EQ(testsupport::ReadFileBytes(out + "/1974 Waterloo [Rock].mp3"),
              testsupport::ReadFileBytes(song));
    // Without tags: the file's own name as title, every other token empty.
    EXPECT_EQ(results[1].destination, dir.file("new/folder/ Plain Name [].mp3"));
    EXPECT_TRUE(fs::exists(results[1].destination));
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back(), 100);
    // No temporary file is left beside the copies.
    EXPECT_EQ(FolderContents(out), (std::vector<std::string>{"1974 Waterloo [Rock].mp3"}));

    // Onto itself: refused, the file intact.
    auto self = songcore::CopySongsTo({{song, dir.path()}}, "in", {});
    EXPECT_EQ(self[0].status, PatternJobStatus::Failed);
    EXPECT_GT(fs::file_size(song), 128u);
}

TEST(CopySongsTo, NeverReplacesOrFollowsWhatHoldsTheName) {
    TempDir dir;
    std::string one = TaggedSong(dir, "one.mp3", "Dup", "Same");
    std::string two = TaggedSong(dir, "two.mp3", "Dup", "Same");
    std::string linked = TaggedSong(dir, "three.mp3", "x", "x");
    std::string dangling = TaggedSong(dir, "four.mp3", "y", "y");
    std::string out = dir.file("dst");
    fs::create_directories(out);
    WriteText(out + "/Old - Song.mp3", "old content");
    std::string old = TaggedSong(dir, "five.mp3", "Old", "Song");
    WriteText(dir.file("victim.txt"), "precious");
    fs::create_symlink("../victim.txt", out + "/x - x.mp3");
    fs::create_symlink("../nowhere.txt", out + "/y - y.mp3");

    auto results =
        songcore::CopySongsTo({{one, out}, {two, out}, {old, out}, {linked, out}, {dangling, out}},
                              "%ARTIST - %TITLE", {});
    ASSERT_EQ(results.size(), 5u);
    EXPECT_EQ(results[0].status, PatternJobStatus::Done);
    // The second song of the same name is not reported as copied.
    for (size_t i = 1; i < results.size(); ++i) {
        EXPECT_EQ(results[i].status, PatternJobStatus::Failed) << i;
        EXPECT_NE(results[i].message.find("exists"), std::string::npos) << results[i].message;
        EXPECT_NE(results[i].message.find(results[i].destination), std::string::npos);
    }
    EXPECT_EQ(testsupport::ReadFileBytes(out + "/Dup - Same.mp3"), testsupport::ReadFileBytes(one));
    EXPECT_EQ(ReadFileText(out + "/Old - Song.mp3"), "old content");
    EXPECT_EQ(ReadFileText(dir.file("victim.txt")), "precious");
    EXPECT_TRUE(fs::is_symlink(out + "/x - x.mp3"));
    EXPECT_FALSE(fs::exists(dir.file("nowhere.txt")));
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(out)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Dup - Same.mp3", "Old - Song.mp3", "x - x.mp3",
                                               "y - y.mp3"}));

    // The generic copy with "fail if it exists" keeps to the same rule.
    CFileOption option;
    EXPECT_FALSE(option.Copy(one.c_str(), (out + "/x - x.mp3").c_str(), 1));
    EXPECT_FALSE(option.Copy(one.c_str(), (out + "/y - y.mp3").c_str(), 1));
    EXPECT_EQ(ReadFileText(dir.file("victim.txt")), "precious");
    EXPECT_FALSE(fs::exists(dir.file("nowhere.txt")));
}

TEST(PatternJobs, TagValuesCannotHideOrExpandNames) {
    TempDir dir;
    std::string dots = TaggedSong(dir, "a.mp3", "..", ".");
    std::string tokens = TaggedSong(dir, "b.mp3", "%TITLE", "%ARTIST");
    std::string hidden = TaggedSong(dir, "c.mp3", "", ".profile");
    auto renamed = songcore::RenameSongsAs({dots, tokens}, "%ARTIST%TITLE", {});
    ASSERT_EQ(renamed.size(), 2u);
    EXPECT_EQ(renamed[0].destination, dir.file("__.mp3"));
    EXPECT_EQ(renamed[1].destination, dir.file("%TITLE%ARTIST.mp3"));
    EXPECT_TRUE(fs::exists(dir.file("%TITLE%ARTIST.mp3")));

    auto copied = songcore::CopySongsTo({{hidden, dir.file("out")}}, "%TITLE", {});
    ASSERT_EQ(copied.size(), 1u);
    EXPECT_EQ(copied[0].status, PatternJobStatus::Done) << copied[0].message;
    EXPECT_EQ(FolderContents(dir.file("out")), (std::vector<std::string>{"_profile.mp3"}));
}

TEST(CopySongsTo, CancelLeavesNothingBehind) {
    TempDir dir;
    std::string big = dir.file("big.mp3");
    WriteFileBytes(big, std::vector<uint8_t>(1024 * 1024, 0x55));
    std::string out = dir.file("out");
    fs::create_directories(out);
    WriteText(out + "/other.mp3", "keep me");
    bool cancel = false;
    songcore::PatternJobCallbacks callbacks;
    callbacks.onProgress = [&](int p) { cancel = p > 10; };
    callbacks.isCancelled = [&] { return cancel; };
    auto results =
        songcore::CopySongsTo({{big, out}, {big, dir.file("later")}}, "%TITLE", callbacks);
    ASSERT_EQ(results.size(), 2u);
    EXPECT_EQ(results[0].status, PatternJobStatus::Cancelled);
    EXPECT_EQ(results[1].status, PatternJobStatus::Cancelled);
    EXPECT_EQ(FolderContents(out), (std::vector<std::string>{"other.mp3"}));
    EXPECT_EQ(ReadFileText(out + "/other.mp3"), "keep me");
    EXPECT_FALSE(fs::exists(dir.file("later")));
}

TEST(CopySongsTo, PlayListFolders) {
    EXPECT_EQ(songcore::PlayListCopyFolder("/out", "/in/x.mp3", "Abba"), "/out/mp3/Abba/");
    EXPECT_EQ(songcore::PlayListCopyFolder("/out/", "/in.d/x", "Abba"), "/out/Abba/");
    EXPECT_EQ(songcore::PlayListCopyFolder("/out", "/in/x.ogg", "AC/DC"), "/out/ogg/AC_DC/");
    EXPECT_EQ(songcore::PlayListCopyFolder("/out", "/in/x.ogg", ".."), "/out/ogg/_/");
}

TEST(RenameCommand, PrintsOldAndNew) {
    TempDir dir;
    std::string song = TaggedSong(dir, "x.mp3", "Jay-Z", "Song");
    std::string bad = TaggedSong(dir, "y.mp3", "AC/DC", "T");
    auto dry = RunTunemoss({"rename", "--dry-run", "--pattern", "%ARTIST - %TITLE", song});
    EXPECT_EQ(dry.status, 0) << dry.err;
    EXPECT_EQ(dry.out, song + " -> " + dir.file("Jay-Z - Song.mp3") + "\n");
    EXPECT_TRUE(fs::exists(song));

    auto run = RunTunemoss({"rename", "--pattern", "%ARTIST - %TITLE", song, bad});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, song + " -> " + dir.file("Jay-Z - Song.mp3") + "\n");
    EXPECT_NE(run.err.find(bad), std::string::npos);
    EXPECT_TRUE(fs::exists(dir.file("Jay-Z - Song.mp3")));
    EXPECT_TRUE(fs::exists(bad));
    EXPECT_EQ(RunTunemoss({"rename", "--pattern", "%TITLE"}).status, 2);
}

TEST(RenameCommand, TrackAndDiscTokensAndUnknownTokensRefused) {
    TempDir dir;
    std::string song = CopyDataFile(dir, "mp4/faststart.m4a", "x.m4a");
    auto write = RunTunemoss({"write", song, "--title", "Waterloo", "--track", "3", "--disc", "1"});
    ASSERT_EQ(write.status, 0) << write.err;
    auto run = RunTunemoss({"rename", "--pattern", "%DISC-%TRACK %TITLE (%EXT)", song});
    EXPECT_EQ(run.status, 0) << run.err;
    std::string renamed = dir.file("1-03 Waterloo (m4a).m4a");
    EXPECT_TRUE(fs::exists(renamed)) << run.out;

    // Before any file is touched, for each command.
    for (const char* command : {"rename", "copy"}) {
        SCOPED_TRACE(command);
        std::vector<std::string> args = {command, "--pattern", "%TRACK - %TITEL"};
        if (std::string(command) == "copy") {
            args.insert(args.end(), {"--to", dir.file("out")});
        }
        args.push_back(renamed);
        run = RunTunemoss(args);
        EXPECT_EQ(run.status, 2);
        EXPECT_NE(run.err.find("unknown token %TITEL"), std::string::npos) << run.err;
        EXPECT_TRUE(fs::exists(renamed));
        EXPECT_FALSE(fs::exists(dir.file("out")));
    }
    auto results = songcore::RenameSongsAs({renamed}, "%Artist", {});
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].status, PatternJobStatus::Failed);
    EXPECT_NE(results[0].message.find("%Artist"), std::string::npos);
    EXPECT_TRUE(fs::exists(renamed));
}

TEST(CopyCommand, CopiesIntoTheFolder) {
    TempDir dir;
    std::string song = TaggedSong(dir, "x.mp3", "Abba", "Waterloo");
    auto run = RunTunemoss({"copy", "--pattern", "%ARTIST/%TITLE", "--to", dir.file("o"), song});
    EXPECT_EQ(run.status, 1);  // a "/" in the name is refused
    run = RunTunemoss({"copy", "--pattern", "%ARTIST - %TITLE", "--to", dir.file("o/p"), song});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, song + " -> " + dir.file("o/p/Abba - Waterloo.mp3") + "\n");
    EXPECT_TRUE(fs::exists(dir.file("o/p/Abba - Waterloo.mp3")));
    EXPECT_EQ(RunTunemoss({"copy", song}).status, 2);

    // A second copy onto the same name fails and says which.
    run = RunTunemoss({"copy", "--pattern", "%ARTIST - %TITLE", "--to", dir.file("o/p"), song});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("Abba - Waterloo.mp3: a file of that name exists"), std::string::npos)
        << run.err;
}
