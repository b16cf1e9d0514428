// Editing fields of many songs: name patterns, field texts, the edit of one
// song in every format, and the undo history shared by qarv and tunemoss.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

#include "songcore/edit/BatchEdit.h"
#include "songcore/edit/EditHistory.h"
#include "songcore/edit/NamePattern.h"
#include "songcore/edit/SongEdit.h"
#include "songcore/tags/SongFileInfo.h"
#include "support/TestSupport.h"

using namespace songcore;
using testsupport::CopyDataFile;
using testsupport::RunTunemoss;
using testsupport::TempDir;

namespace {

std::optional<FieldValues> MatchName(const std::string& pattern, const std::string& path) {
    std::string problem;
    auto parsed = NamePattern::Parse(pattern, problem);
    EXPECT_TRUE(parsed) << pattern << ": " << problem;
    return parsed ? parsed->Match(path) : std::nullopt;
}

std::string Value(const FieldValues& values, SongField field) {
    const std::string* value = FindFieldValue(values, field);
    return value ? *value : "<none>";
}

std::string ReadField(const std::string& path, SongField field) {
    CSongFileInfo info;
    EXPECT_TRUE(info.Open(path, 0, 0)) << path;
    info.GetSongInfo();
    return info.GetText(field);
}

// One sample of every format that has a writable tag.
const char* const kSamples[] = {
    "files/silence.mp3",  "flac/plain.flac", "ogg/plain.ogg",
    "mp4/tagged_end.m4a", "asf/tagged.wma",  "ape/ape.aac",
};

}  // namespace

TEST(NamePattern, TakesFieldsOutOfNamesAndFolders) {
    auto plain = MatchName("%TRACK - %ARTIST - %TITLE", "/music/07 - Nina - Stay - Live.mp3");
    ASSERT_TRUE(plain);
    EXPECT_EQ(Value(*plain, SongField::Track), "7");  // a number, not "07"
    EXPECT_EQ(Value(*plain, SongField::Artist), "Nina");
    // The shortest artist wins; the rest of the name is the title.
    EXPECT_EQ(Value(*plain, SongField::Title), "Stay - Live");

    auto folders = MatchName("%ARTIST/%ALBUM/%TRACK %TITLE", "/m/Ça ira/Été 85/3 Rouge.flac");
    ASSERT_TRUE(folders);
    EXPECT_EQ(Value(*folders, SongField::Artist), "Ça ira");
    EXPECT_EQ(Value(*folders, SongField::Album), "Été 85");
    EXPECT_EQ(Value(*folders, SongField::Track), "3");
    EXPECT_EQ(Value(*folders, SongField::Title), "Rouge");

    auto ignored = MatchName("%IGNORE_%TITLE", "a_b_c.ogg");
    ASSERT_TRUE(ignored);
    EXPECT_EQ(Value(*ignored, SongField::Title), "b_c");
    EXPECT_EQ(ignored->size(), 1u);
}

TEST(NamePattern, NamesThatDoNotFitAndPatternsThatCannotWork) {
    EXPECT_FALSE(MatchName("%TRACK - %TITLE", "/m/Stay.mp3"));
    EXPECT_FALSE(MatchName("%TRACK - %TITLE", "/m/Side A - Stay.mp3"));  // no digits
    EXPECT_FALSE(MatchName("%ALBUM/%TITLE", "Stay.mp3"));                // no folder
    EXPECT_FALSE(MatchName("%TITLE (live)", "Stay (studio).mp3"));

    std::string problem;
    for (const char* bad : {"", "plain words", "%TITLE%ARTIST", "%TITEL - %ARTIST", "%"}) {
        EXPECT_FALSE(NamePattern::Parse(bad, problem)) << bad;
        EXPECT_FALSE(problem.empty()) << bad;
    }
    EXPECT_FALSE(NamePattern::Parse(std::string(5000, 'x') + "%TITLE", problem));
}

TEST(FieldEdits, TextsAreCheckedAndANumberMayBringItsTotal) {
    EXPECT_FALSE(FieldTextProblem(SongField::Track, "seven").empty());
    EXPECT_FALSE(FieldTextProblem(SongField::Track, "5/x").empty());
    EXPECT_TRUE(FieldTextProblem(SongField::Track, "5/12").empty());
    EXPECT_FALSE(FieldTextProblem(SongField::Genre, "200").empty());
    EXPECT_TRUE(FieldTextProblem(SongField::Genre, "Polka Metal").empty());
    EXPECT_TRUE(FieldTextProblem(SongField::Genre, "hard rock").empty());
    EXPECT_TRUE(FieldTextProblem(SongField::Genre, "").empty());

    CSongFileInfo info;
    std::string problem;
    ASSERT_TRUE(SetFieldText(info, SongField::Genre, "hard rock; Polka Metal; 17", problem))
        << problem;
    EXPECT_EQ(info.GetText(SongField::Genre), "Hard Rock; Polka Metal; Rock");
    EXPECT_EQ(info.GetGenre(), 79);
    ASSERT_TRUE(SetFieldText(info, SongField::Genre, "", problem));
    EXPECT_EQ(info.GetText(SongField::Genre), "");
    EXPECT_FALSE(SetFieldText(info, SongField::Track, "x", problem));

    // "6/13" sets the total too, unless the total is given; "6/" clears it.
    EXPECT_EQ(WithTotalsApart({{SongField::Track, "6/13"}}),
              (FieldValues{{SongField::Track, "6"}, {SongField::TrackTotal, "13"}}));
    EXPECT_EQ(WithTotalsApart({{SongField::Disc, "1/"}}),
              (FieldValues{{SongField::Disc, "1"}, {SongField::DiscTotal, ""}}));
    EXPECT_EQ(WithTotalsApart({{SongField::TrackTotal, "9"}, {SongField::Track, "6/13"}}),
              (FieldValues{{SongField::TrackTotal, "9"}, {SongField::Track, "6"}}));
    EXPECT_EQ(WithTotalsApart({{SongField::Track, ""}}),
              (FieldValues{{SongField::Track, ""}, {SongField::TrackTotal, ""}}));
    EXPECT_EQ(WithTotalsApart({{SongField::Title, "1/2"}}),
              (FieldValues{{SongField::Title, "1/2"}}));
}

TEST(SongEdit, ChangesOnlyTheNamedFieldsInEveryFormat) {
    TempDir dir;
    for (const char* sample : kSamples) {
        SCOPED_TRACE(sample);
        std::string path = CopyDataFile(dir, sample);
        std::string artistBefore = ReadField(path, SongField::Artist);
        FieldValues changes = {{SongField::Title, "Nuit blanche"}, {SongField::Album, "Été"}};
        SongEditResult result = EditSong(path, changes);
        ASSERT_TRUE(result.ok) << result.error;
        EXPECT_EQ(Value(result.after, SongField::Title), "Nuit blanche");
        EXPECT_EQ(ReadField(path, SongField::Title), "Nuit blanche");
        EXPECT_EQ(ReadField(path, SongField::Album), "Été");
        EXPECT_EQ(ReadField(path, SongField::Artist), artistBefore);
        EXPECT_EQ(result.stamp, StampOf(path));

        // The same values again write nothing and record nothing.
        SongEditResult again = EditSong(path, changes);
        ASSERT_TRUE(again.ok) << again.error;
        EXPECT_TRUE(again.unchanged);
        EXPECT_TRUE(again.before.empty());
    }
    SongEditResult missing = EditSong(dir.file("gone.mp3"), {{SongField::Title, "x"}});
    EXPECT_FALSE(missing.ok);
    EXPECT_FALSE(missing.error.empty());
}

// Titles, albums, comments and lyrics are one value each in every format,
// "; " and all; only the fields that are lists by nature are split there,
// into the several values of the formats that can hold them.
TEST(SongEdit, OnlyListFieldsAreSplitAtTheSeparator) {
    if (!testsupport::HaveMutagen()) {
        GTEST_SKIP() << "mutagen missing";
    }
    const char* const kPeer = R"(
import sys, json, mutagen, mutagen.apev2
path = sys.argv[1]
if path.endswith('.aac'):
    t = mutagen.apev2.APEv2(path)
    get = lambda k: str(t[k]).split('\0') if k in t else []
    keys = ('Title', 'Album', 'Artist', 'Comment')
else:
    f = mutagen.File(path)
    t = f.tags
    if hasattr(t, 'getall'):
        get = lambda k: [str(v) for v in t[k].text] if k in t else []
        keys = ('TIT2', 'TALB', 'TPE1', 'COMM::eng')
    elif path.endswith('.wma'):
        lower = {}
        for k, v in t.items():
            lower.setdefault(k.lower(), []).extend(str(x) for x in v)
        get = lambda k: lower.get(k, [])
        keys = ('title', 'wm/albumtitle', 'author', 'description')
    elif path.endswith('.m4a'):
        get = lambda k: [str(v) for v in t.get(k, [])]
        keys = ('\xa9nam', '\xa9alb', '\xa9ART', '\xa9cmt')
    else:
        get = lambda k: [str(v) for v in t.get(k, [])]
        keys = ('title', 'album', 'artist', 'comment')
print(json.dumps([get(k) for k in keys]))
)";
    struct Case {
        const char* sample;
        const char* artists;  // as mutagen lists them
    };
    const Case kCases[] = {
        {"id3v2/v24.mp3", R"(["C", "D"])"},
        {"ape/ape.aac", R"(["C", "D"])"},
        {"ogg/plain.ogg", R"(["C", "D"])"},
        {"flac/plain.flac", R"(["C", "D"])"},
        {"mp4/tagged_end.m4a", R"(["C", "D"])"},
        // The author of a content description is one text.
        {"asf/tagged.wma", R"(["C; D"])"},
        // ID3v2.3 has no lists: the names stay one text.
        {"id3v2/v23.mp3", R"(["C; D"])"},
    };
    TempDir dir;
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.sample);
        std::string path = CopyDataFile(dir, c.sample);
        auto write = RunTunemoss({"write", "--no-history", "--title", "A; B", "--album", "E; F",
                                  "--artist", "C; D", "--comment", "G; H", path});
        ASSERT_EQ(write.status, 0) << write.err;
        auto peer = testsupport::RunPython(kPeer, {path});
        ASSERT_EQ(peer.status, 0) << peer.err;
        EXPECT_EQ(peer.out,
                  std::string(R"([["A; B"], ["E; F"], )") + c.artists + R"(, ["G; H"]])" + "\n");
        EXPECT_EQ(ReadField(path, SongField::Title), "A; B");
        EXPECT_EQ(ReadField(path, SongField::Artist), "C; D");
    }
}

// The totals of track and disc are fields of their own: kept when the
// number changes, and written in each format's usual form.
TEST(SongEdit, TotalsAreKeptAndWrittenInEachFormatsForm) {
    if (!testsupport::HaveMutagen()) {
        GTEST_SKIP() << "mutagen missing";
    }
    const char* const kPeer = R"(
import sys, mutagen, mutagen.apev2
path = sys.argv[1]
if path.endswith('.aac'):
    t = mutagen.apev2.APEv2(path)
    print(t.get('Track'), t.get('Disc'))
else:
    t = mutagen.File(path).tags
    if hasattr(t, 'getall'):
        print(t['TRCK'].text[0], t['TPOS'].text[0])
    elif path.endswith('.m4a'):
        print(t['trkn'], t['disk'])
    else:
        print(t['tracknumber'], t['tracktotal'], t['discnumber'], t['disctotal'])
)";
    struct Case {
        const char* sample;
        const char* stored;  // as mutagen finds it
    };
    const Case kCases[] = {
        {"files/silence.mp3", "6/12 1/2"},
        {"id3v2/v24.mp3", "6/12 1/2"},
        {"ape/ape.aac", "6/12 1/2"},
        {"flac/plain.flac", "['6'] ['12'] ['1'] ['2']"},
        {"ogg/plain.ogg", "['6'] ['12'] ['1'] ['2']"},
        {"mp4/faststart.m4a", "[(6, 12)] [(1, 2)]"},
    };
    TempDir dir;
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.sample);
        std::string path = CopyDataFile(dir, c.sample);
        auto first =
            RunTunemoss({"write", "--no-history", "--track", "5/12", "--disc", "1/2", path});
        ASSERT_EQ(first.status, 0) << first.err;
        auto second = RunTunemoss({"write", "--no-history", "--track", "6", path});
        ASSERT_EQ(second.status, 0) << second.err;
        auto peer = testsupport::RunPython(kPeer, {path});
        ASSERT_EQ(peer.status, 0) << peer.err;
        EXPECT_EQ(peer.out, std::string(c.stored) + "\n");
        EXPECT_EQ(ReadField(path, SongField::TrackTotal), "12");
        EXPECT_EQ(ReadField(path, SongField::DiscTotal), "2");
        // A total alone changes, the number stays.
        ASSERT_EQ(RunTunemoss({"write", "--no-history", "--track-total", "13", path}).status, 0);
        EXPECT_EQ(ReadField(path, SongField::Track), "6");
        EXPECT_EQ(ReadField(path, SongField::TrackTotal), "13");
    }
    // ASF keeps the disc with its total, and has no place for a track total.
    std::string wma = CopyDataFile(dir, "asf/tagged.wma");
    auto write = RunTunemoss({"write", "--no-history", "--track", "5/12", "--disc", "1/2", wma});
    EXPECT_EQ(write.status, 1);
    EXPECT_NE(write.err.find("its tag has no place for track-total"), std::string::npos)
        << write.err;
    EXPECT_EQ(ReadField(wma, SongField::Track), "5");
    EXPECT_EQ(ReadField(wma, SongField::DiscTotal), "2");
}

// Every format but ID3v1 keeps genres as text: a genre outside the table is
// shown and written like any other, and a list of them as several values.
// ID3v1 keeps a number: a genre the table does not have leaves it at none,
// while the ID3v2 tag beside it holds the text.
TEST(SongEdit, GenresOutsideTheTableAreShownAndWritten) {
    if (!testsupport::HaveMutagen()) {
        GTEST_SKIP() << "mutagen missing";
    }
    TempDir dir;
    std::string flac = CopyDataFile(dir, "flac/plain.flac");
    ASSERT_EQ(testsupport::RunPython("import sys\nfrom mutagen.flac import FLAC\n"
                                     "f = FLAC(sys.argv[1])\nf['GENRE'] = 'Shoegaze'\nf.save()\n",
                                     {flac})
                  .status,
              0);
    EXPECT_NE(RunTunemoss({"show", "--json", flac}).out.find("\"genre\": \"Shoegaze\""),
              std::string::npos);
    // ffmpeg, like most programs, writes an MP4 genre as text.
    std::string m4a = dir.file("made.m4a");
    ASSERT_EQ(testsupport::Run({"ffmpeg", "-v", "error", "-f", "lavfi", "-i", "sine=d=0.2", "-c:a",
                                "aac", "-metadata", "genre=Electronic", m4a})
                  .status,
              0);
    EXPECT_NE(RunTunemoss({"show", "--json", m4a}).out.find("\"genre\": \"Electronic\""),
              std::string::npos);
    EXPECT_EQ(ReadField(m4a, SongField::Genre), "Electronic");

    auto write = RunTunemoss({"write", "--no-history", "--genre", "Synthwave; rock", flac, m4a});
    ASSERT_EQ(write.status, 0) << write.err;
    auto peer = testsupport::RunPython(
        "import sys, mutagen\nfor p in sys.argv[1:]:\n    print(mutagen.File(p, "
        "easy=True)['genre'])\n",
        {flac, m4a});
    EXPECT_EQ(peer.out, "['Synthwave', 'Rock']\n['Synthwave', 'Rock']\n") << peer.err;
    EXPECT_EQ(ReadField(flac, SongField::Genre), "Synthwave; Rock");
    EXPECT_FALSE(RunTunemoss({"write", "--no-history", "--genre", "200", flac}).status == 0);

    // A byte of the extended lists, which we read as none, is no place for
    // a new genre either.
    std::string mp3 = CopyDataFile(dir, "id3v1/v11.mp3");
    auto bytes = testsupport::ReadFileBytes(mp3);
    bytes.back() = 200;
    testsupport::WriteFileBytes(mp3, bytes);
    write = RunTunemoss({"write", "--no-history", "--genre", "Shoegaze", mp3});
    ASSERT_EQ(write.status, 0) << write.err;
    EXPECT_EQ(testsupport::ReadFileBytes(mp3).back(), 255);
    peer = testsupport::RunPython(
        "import sys\nfrom mutagen.id3 import ID3\nprint(ID3(sys.argv[1])['TCON'].text)\n", {mp3});
    EXPECT_EQ(peer.out, "['Shoegaze']\n") << peer.err;
    EXPECT_EQ(ReadField(mp3, SongField::Genre), "Shoegaze");
}

class History : public ::testing::Test {
protected:
    TempDir dir;
    std::string historyPath = dir.file("state/edit-history");

    // Edits path and records it as one operation of its own.
    void EditAndRecord(const std::vector<std::string>& paths, const FieldValues& changes,
                       const std::string& label = "test") {
        EditOperation operation{label, 1, {}};
        for (const std::string& path : paths) {
            SongEditResult result = EditSong(path, changes);
            ASSERT_TRUE(result.ok) << result.error;
            operation.Add(path, std::move(result));
        }
        std::string error;
        ASSERT_TRUE(EditHistory(historyPath).Record(operation, error)) << error;
    }
};

TEST_F(History, UndoAndRedoEveryFormatAcrossInstances) {
    std::vector<std::string> paths;
    for (const char* sample : kSamples) {
        paths.push_back(CopyDataFile(dir, sample));
    }
    std::vector<std::string> titles;
    for (const std::string& path : paths) {
        titles.push_back(ReadField(path, SongField::Title));
    }
    EditAndRecord(paths, {{SongField::Title, "Первый"}, {SongField::Track, "4"}});
    EditAndRecord({paths[0]}, {{SongField::Title, "Second"}, {SongField::AlbumArtist, "Crew"}});

    // Each step is a new history object, as after a restart.
    HistoryOutcome second = EditHistory(historyPath).Undo();
    ASSERT_TRUE(second.ok) << second.error;
    EXPECT_EQ(second.restored.size(), 1u);
    EXPECT_EQ(ReadField(paths[0], SongField::Title), "Первый");
    EXPECT_EQ(ReadField(paths[0], SongField::AlbumArtist), "");

    HistoryOutcome first = EditHistory(historyPath).Undo();
    ASSERT_TRUE(first.ok) << first.error;
    EXPECT_EQ(first.restored.size(), paths.size());
    EXPECT_TRUE(first.refused.empty());
    for (size_t i = 0; i < paths.size(); ++i) {
        EXPECT_EQ(ReadField(paths[i], SongField::Title), titles[i]) << paths[i];
    }
    EXPECT_EQ(EditHistory(historyPath).Undo().error, "nothing to undo");

    ASSERT_TRUE(EditHistory(historyPath).Redo().ok);
    ASSERT_TRUE(EditHistory(historyPath).Redo().ok);
    EXPECT_EQ(ReadField(paths[0], SongField::Title), "Second");
    EXPECT_EQ(ReadField(paths[0], SongField::AlbumArtist), "Crew");
    EXPECT_EQ(ReadField(paths[1], SongField::Title), "Первый");
    EXPECT_EQ(ReadField(paths[1], SongField::Track), "4");

    // A new edit forgets what could be redone.
    ASSERT_TRUE(EditHistory(historyPath).Undo().ok);
    EditAndRecord({paths[1]}, {{SongField::Title, "Third"}});
    EXPECT_EQ(EditHistory(historyPath).Redo().error, "nothing to redo");
}

TEST_F(History, FilesChangedMeanwhileAreLeftAlone) {
    std::string kept = CopyDataFile(dir, "files/silence.mp3", "kept.mp3");
    std::string touched = CopyDataFile(dir, "files/silence.mp3", "touched.mp3");
    EditAndRecord({kept, touched}, {{SongField::Title, "Ours"}});
    // Another program writes the second file.
    ASSERT_TRUE(EditSong(touched, {{SongField::Title, "Theirs"}}).ok);

    HistoryOutcome outcome = EditHistory(historyPath).Undo();
    ASSERT_TRUE(outcome.ok) << outcome.error;
    EXPECT_EQ(outcome.restored, std::vector<std::string>{kept});
    ASSERT_EQ(outcome.refused.size(), 1u);
    EXPECT_EQ(outcome.refused[0].first, touched);
    EXPECT_EQ(ReadField(kept, SongField::Title), "");
    EXPECT_EQ(ReadField(touched, SongField::Title), "Theirs");

    // Only the file that was undone can be redone.
    HistoryOutcome redo = EditHistory(historyPath).Redo();
    EXPECT_EQ(redo.restored, std::vector<std::string>{kept});
    EXPECT_EQ(ReadField(touched, SongField::Title), "Theirs");
}

// A full history is not written anew at every edit: edits are added to the
// file until it holds twice what is kept, and only then is it rewritten.
TEST_F(History, KeepsTheLastOperationsAndSurvivesADamagedFile) {
    std::string path = CopyDataFile(dir, "files/silence.mp3");
    const size_t edits = 2 * EditHistory::kMaxOperations + 5;
    size_t rewrites = 0;
    ino_t inode = 0;
    for (size_t i = 0; i < edits; ++i) {
        EditAndRecord({path}, {{SongField::Title, "Take " + std::to_string(i)}});
        struct stat st {};
        ASSERT_EQ(::stat(historyPath.c_str(), &st), 0);
        rewrites += st.st_ino != inode ? 1 : 0;
        inode = st.st_ino;
    }
    EXPECT_LE(rewrites, 4u);
    std::vector<EditOperation> undo, redo;
    std::string error;
    ASSERT_TRUE(EditHistory(historyPath).List(undo, redo, error)) << error;
    EXPECT_EQ(undo.size(), EditHistory::kMaxOperations);
    EXPECT_EQ(Value(undo.front().files[0].after, SongField::Title),
              "Take " + std::to_string(edits - 1));
    EXPECT_EQ(Value(undo.back().files[0].after, SongField::Title),
              "Take " + std::to_string(edits - EditHistory::kMaxOperations));

    // Garbage in the middle of the history file.
    auto bytes = testsupport::ReadFileBytes(historyPath);
    for (size_t i = 12; i < bytes.size(); i += 7) {
        bytes[i] = 0xFF;
    }
    testsupport::WriteFileBytes(historyPath, bytes);
    EXPECT_FALSE(EditHistory(historyPath).List(undo, redo, error));
    EXPECT_FALSE(EditHistory(historyPath).Undo().ok);
    const std::string last = "Take " + std::to_string(edits - 1);
    EXPECT_EQ(ReadField(path, SongField::Title), last);

    // The next edit starts a new history and keeps the damaged one aside.
    EXPECT_FALSE(
        EditHistory(historyPath)
            .Record(
                {"next",
                 2,
                 {{path, 0, {{SongField::Title, last}}, {{SongField::Title, "x"}}, {}, {}, false}}},
                error));
    EXPECT_TRUE(std::filesystem::exists(historyPath + ".damaged")) << error;
    ASSERT_TRUE(EditHistory(historyPath).List(undo, redo, error)) << error;
    EXPECT_EQ(undo.size(), 1u) << error;
}

TEST(EditCommands, WriteManyTagFromNameAndUndo) {
    TempDir dir;
    // A history of its own, so that no other test's edit is undone here.
    ASSERT_EQ(setenv("XDG_STATE_HOME", dir.file("state").c_str(), 1), 0);
    std::filesystem::create_directory(dir.file("Blue Album"));
    std::string first = CopyDataFile(dir, "files/silence.mp3", "Blue Album/01 - Nina - Stay.mp3");
    std::string second = CopyDataFile(dir, "flac/plain.flac", "Blue Album/02 - Tom - Go.flac");
    std::string odd = CopyDataFile(dir, "ogg/plain.ogg", "Blue Album/bonus.ogg");
    const std::string secondArtist = ReadField(second, SongField::Artist);

    // One file that cannot be written does not stop the others.
    auto write = RunTunemoss({"write", "--album", "Blue", first, dir.file("gone.mp3"), second});
    EXPECT_EQ(write.status, 1);
    EXPECT_NE(write.err.find("gone.mp3"), std::string::npos) << write.err;
    EXPECT_EQ(ReadField(first, SongField::Album), "Blue");
    EXPECT_EQ(ReadField(second, SongField::Album), "Blue");

    auto preview = RunTunemoss(
        {"tag-from-name", "--pattern", "%ALBUM/%TRACK - %ARTIST - %TITLE", "--dry-run", first});
    EXPECT_EQ(preview.status, 0) << preview.err;
    EXPECT_NE(preview.out.find("album=Blue Album, track=1, artist=Nina, title=Stay"),
              std::string::npos)
        << preview.out;
    EXPECT_EQ(ReadField(first, SongField::Title), "");

    auto fromName = RunTunemoss(
        {"tag-from-name", "--pattern", "%TRACK - %ARTIST - %TITLE", first, odd, second});
    EXPECT_EQ(fromName.status, 1);
    EXPECT_NE(fromName.err.find("bonus.ogg: the name does not fit"), std::string::npos)
        << fromName.err;
    EXPECT_EQ(ReadField(first, SongField::Title), "Stay");
    EXPECT_EQ(ReadField(second, SongField::Artist), "Tom");
    EXPECT_EQ(ReadField(second, SongField::Track), "2");

    auto list = RunTunemoss({"undo", "--list"});
    EXPECT_EQ(list.status, 0);
    EXPECT_NE(list.out.find("tag-from-name, 2 files"), std::string::npos) << list.out;

    auto undo = RunTunemoss({"undo"});
    EXPECT_EQ(undo.status, 0) << undo.err;
    EXPECT_EQ(ReadField(first, SongField::Title), "");
    EXPECT_EQ(ReadField(second, SongField::Artist), secondArtist);
    EXPECT_EQ(ReadField(second, SongField::Album), "Blue");
    ASSERT_EQ(RunTunemoss({"undo"}).status, 0);
    EXPECT_EQ(ReadField(first, SongField::Album), "");

    if (testsupport::HaveMutagen()) {
        ASSERT_EQ(RunTunemoss({"redo"}).status, 0);
        auto peer = testsupport::RunPython(
            "import sys, mutagen\n"
            "for p in sys.argv[1:]:\n"
            "    print(mutagen.File(p, easy=True).get('album'))\n",
            {first, second});
        EXPECT_EQ(peer.out, "['Blue']\n['Blue']\n") << peer.err;
    }
}

// A new operation is added to the end of the history file (one flush, no
// rewrite) in place of the file's tail, which ends it again; a record cut
// short by a crash is left out, and the next one rewrites the file whole.
TEST_F(History, AnEditIsAppendedAndARecordCutShortIsLeftOut) {
    constexpr size_t kTail = 16;
    std::string path = CopyDataFile(dir, "files/silence.mp3");
    EditAndRecord({path}, {{SongField::Title, "One"}});
    std::vector<uint8_t> first = testsupport::ReadFileBytes(historyPath);
    EditAndRecord({path}, {{SongField::Title, "Two"}});
    std::vector<uint8_t> second = testsupport::ReadFileBytes(historyPath);
    ASSERT_GT(second.size(), first.size());
    EXPECT_TRUE(std::equal(first.begin(), first.end() - kTail, second.begin())) << "appended";

    second.resize(second.size() - kTail - 5);
    testsupport::WriteFileBytes(historyPath, second);
    std::vector<EditOperation> undo, redo;
    std::string error;
    ASSERT_TRUE(EditHistory(historyPath).List(undo, redo, error)) << error;
    ASSERT_EQ(undo.size(), 1u);
    EXPECT_EQ(Value(undo.front().files[0].after, SongField::Title), "One");

    EditAndRecord({path}, {{SongField::Title, "Three"}});
    ASSERT_TRUE(EditHistory(historyPath).List(undo, redo, error)) << error;
    ASSERT_EQ(undo.size(), 2u);
    EXPECT_EQ(Value(undo.front().files[0].after, SongField::Title), "Three");
    ASSERT_TRUE(EditHistory(historyPath).Undo().ok);
    EXPECT_EQ(ReadField(path, SongField::Title), "Two");

    // A history of the version before the tail is read as it is, and the
    // next edit rewrites it with one.
    std::vector<uint8_t> untailed = testsupport::ReadFileBytes(historyPath);
    ASSERT_EQ(std::string(untailed.begin(), untailed.begin() + 8), "TMEDITS4");
    untailed.resize(untailed.size() - kTail);
    untailed[7] = '3';
    testsupport::WriteFileBytes(historyPath, untailed);
    ASSERT_TRUE(EditHistory(historyPath).List(undo, redo, error)) << error;
    EXPECT_EQ(undo.size(), 1u);
    EXPECT_EQ(redo.size(), 1u);
    EditAndRecord({path}, {{SongField::Title, "Four"}});
    std::vector<uint8_t> rewritten = testsupport::ReadFileBytes(historyPath);
    EXPECT_EQ(std::string(rewritten.begin(), rewritten.begin() + 8), "TMEDITS4");
    ASSERT_TRUE(EditHistory(historyPath).List(undo, redo, error)) << error;
    ASSERT_EQ(undo.size(), 2u);
    EXPECT_EQ(Value(undo.front().files[0].after, SongField::Title), "Four");
}

TEST_F(History, TwoTagsOfOneFileInOneOperation) {
    std::string path = CopyDataFile(dir, "files/silence.mp3");
    // As the MP3 dialog writes: the ID3v2 tag, then the ID3v1 tag.
    EditOperation operation{"Edit Tags", 1, {}};
    for (uint32_t kind : {TAG_ID3V2, TAG_ID3V1}) {
        SongEditOptions options;
        options.tagKind = kind;
        SongEditResult result = EditSong(path, {{SongField::Title, "Both"}}, options);
        ASSERT_TRUE(result.ok) << result.error;
        operation.Add(path, std::move(result));
    }
    std::string error;
    ASSERT_TRUE(EditHistory(historyPath).Record(operation, error)) << error;
    auto titleIn = [&](int (CSongFileInfo::*read)()) {
        CSongFileInfo info;
        EXPECT_TRUE(info.Open(path, 1, 0));
        return (info.*read)() ? info.GetTitle() : std::string("<no tag>");
    };

    for (int round = 0; round < 2; ++round) {
        HistoryOutcome undo = EditHistory(historyPath).Undo();
        ASSERT_TRUE(undo.ok) << undo.error;
        EXPECT_TRUE(undo.refused.empty()) << undo.refused[0].second;
        // The file had neither tag, and has none again.
        EXPECT_EQ(titleIn(&CSongFileInfo::GetID3V2Info), "<no tag>");
        EXPECT_EQ(titleIn(&CSongFileInfo::GetID3V1Info), "<no tag>");
        HistoryOutcome redo = EditHistory(historyPath).Redo();
        ASSERT_TRUE(redo.ok) << redo.error;
        EXPECT_TRUE(redo.refused.empty()) << redo.refused[0].second;
        EXPECT_EQ(titleIn(&CSongFileInfo::GetID3V2Info), "Both");
        EXPECT_EQ(titleIn(&CSongFileInfo::GetID3V1Info), "Both");
    }
}

TEST_F(History, ABatchGoesOnAfterAFailureAndStopsWhenCancelled) {
    std::vector<BatchItem> items;
    for (const char* name : {"a.mp3", "b.mp3", "c.mp3", "d.mp3"}) {
        items.push_back(
            {CopyDataFile(dir, "files/silence.mp3", name), {{SongField::Album, "Batch"}}});
    }
    items.insert(items.begin() + 1, BatchItem{dir.file("gone.mp3"), {{SongField::Album, "Batch"}}});
    std::atomic<bool> cancel{false};
    std::vector<std::string> seen;
    EditHistory history(historyPath);
    BatchOutcome outcome = RunBatchEdit(
        items, "batch", cancel,
        [&](size_t index, const std::string& path) {
            seen.push_back(path);
            // The user cancels while the fourth file is written.
            cancel = index == 3;
        },
        &history);
    EXPECT_TRUE(outcome.cancelled);
    EXPECT_EQ(outcome.done, 4u);
    EXPECT_EQ(seen.size(), 4u);
    ASSERT_EQ(outcome.failures.size(), 1u);
    EXPECT_EQ(outcome.failures[0].first, dir.file("gone.mp3"));
    EXPECT_EQ(outcome.operation.files.size(), 3u);
    EXPECT_EQ(ReadField(dir.file("c.mp3"), SongField::Album), "Batch");
    EXPECT_EQ(ReadField(dir.file("d.mp3"), SongField::Album), "");

    HistoryOutcome undo = history.Undo();
    ASSERT_TRUE(undo.ok) << undo.error;
    EXPECT_EQ(undo.label, "batch");
    EXPECT_EQ(undo.restored.size(), 3u);
    EXPECT_EQ(ReadField(dir.file("a.mp3"), SongField::Album), "");
}

TEST(EditCommands, AFieldTheTagHasNoPlaceForIsToldNotRecorded) {
    TempDir dir;
    ASSERT_EQ(setenv("XDG_STATE_HOME", dir.file("state").c_str(), 1), 0);
    std::string wma = CopyDataFile(dir, "asf/tagged.wma");
    SongEditResult result =
        EditSong(wma, {{SongField::Performer, "Band"}, {SongField::Title, "Kept"}});
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.notKept, std::vector<SongField>{SongField::Performer});
    ASSERT_EQ(result.after.size(), 1u);
    EXPECT_EQ(result.after[0].first, SongField::Title);

    auto write = RunTunemoss({"write", "--performer", "Band", wma});
    EXPECT_EQ(write.status, 1);
    EXPECT_NE(write.err.find("tagged.wma: its tag has no place for performer"), std::string::npos)
        << write.err;
    // Nothing was changed, so there is nothing to undo.
    EXPECT_EQ(RunTunemoss({"undo", "--list"}).out.find("write, 1 file"), std::string::npos);
}
