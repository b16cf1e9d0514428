// Editing fields of many songs: name patterns, field texts, the edit of one
// song in every format, and the undo history shared by qarv and tunemoss.
#include <gtest/gtest.h>

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

std::string Value(const FieldValues& values, EditField field) {
    const std::string* value = FindFieldValue(values, field);
    return value ? *value : "<none>";
}

std::string ReadField(const std::string& path, EditField field) {
    CSongFileInfo info;
    EXPECT_TRUE(info.Open(path, 0, 0)) << path;
    info.GetSongInfo();
    return GetFieldText(info, field, info.GetWriteTagKind() == TAG_MP4);
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
    EXPECT_EQ(Value(*plain, EditField::Track), "7");  // a number, not "07"
    EXPECT_EQ(Value(*plain, EditField::Artist), "Nina");
    // The shortest artist wins; the rest of the name is the title.
    EXPECT_EQ(Value(*plain, EditField::Title), "Stay - Live");

    auto folders = MatchName("%ARTIST/%ALBUM/%TRACK %TITLE", "/m/Ça ira/Été 85/3 Rouge.flac");
    ASSERT_TRUE(folders);
    EXPECT_EQ(Value(*folders, EditField::Artist), "Ça ira");
    EXPECT_EQ(Value(*folders, EditField::Album), "Été 85");
    EXPECT_EQ(Value(*folders, EditField::Track), "3");
    EXPECT_EQ(Value(*folders, EditField::Title), "Rouge");

    auto ignored = MatchName("%IGNORE_%TITLE", "a_b_c.ogg");
    ASSERT_TRUE(ignored);
    EXPECT_EQ(Value(*ignored, EditField::Title), "b_c");
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

TEST(EditField, TextsAreCheckedAndPackedTheWayEachFormatKeepsThem) {
    EXPECT_FALSE(FieldTextProblem(EditField::Track, "seven").empty());
    EXPECT_FALSE(FieldTextProblem(EditField::Genre, "Polka Metal").empty());
    EXPECT_TRUE(FieldTextProblem(EditField::Genre, "hard rock").empty());
    EXPECT_TRUE(FieldTextProblem(EditField::Genre, "").empty());

    CSongFileInfo info;
    std::string problem;
    ASSERT_TRUE(SetFieldText(info, EditField::Genre, "hard rock", false, problem)) << problem;
    EXPECT_EQ(GetFieldText(info, EditField::Genre), "Hard Rock");
    ASSERT_TRUE(SetFieldText(info, EditField::Genre, "", false, problem));
    EXPECT_EQ(GetFieldText(info, EditField::Genre), "");

    // MP4 keeps "3 of 12" in one number; setting the track keeps the total.
    info.SetTrackNum((12 << 16) | 3);
    EXPECT_EQ(GetFieldText(info, EditField::Track, true), "3/12");
    ASSERT_TRUE(SetFieldText(info, EditField::Track, "5", true, problem));
    EXPECT_EQ(info.GetTrackNum(), (12 << 16) | 5);
    ASSERT_TRUE(SetFieldText(info, EditField::Track, "6/13", true, problem));
    EXPECT_EQ(info.GetTrackNum(), (13 << 16) | 6);
    ASSERT_TRUE(SetFieldText(info, EditField::Track, "6/", true, problem));
    EXPECT_EQ(GetFieldText(info, EditField::Track, true), "6");
    EXPECT_FALSE(SetFieldText(info, EditField::Track, "x", true, problem));
}

TEST(SongEdit, ChangesOnlyTheNamedFieldsInEveryFormat) {
    TempDir dir;
    for (const char* sample : kSamples) {
        SCOPED_TRACE(sample);
        std::string path = CopyDataFile(dir, sample);
        std::string artistBefore = ReadField(path, EditField::Artist);
        FieldValues changes = {{EditField::Title, "Nuit blanche"}, {EditField::Album, "Été"}};
        SongEditResult result = EditSong(path, changes);
        ASSERT_TRUE(result.ok) << result.error;
        EXPECT_EQ(Value(result.after, EditField::Title), "Nuit blanche");
        EXPECT_EQ(ReadField(path, EditField::Title), "Nuit blanche");
        EXPECT_EQ(ReadField(path, EditField::Album), "Été");
        EXPECT_EQ(ReadField(path, EditField::Artist), artistBefore);
        EXPECT_EQ(result.stamp, StampOf(path));

        // The same values again write nothing and record nothing.
        SongEditResult again = EditSong(path, changes);
        ASSERT_TRUE(again.ok) << again.error;
        EXPECT_TRUE(again.unchanged);
        EXPECT_TRUE(again.before.empty());
    }
    SongEditResult missing = EditSong(dir.file("gone.mp3"), {{EditField::Title, "x"}});
    EXPECT_FALSE(missing.ok);
    EXPECT_FALSE(missing.error.empty());
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
        titles.push_back(ReadField(path, EditField::Title));
    }
    EditAndRecord(paths, {{EditField::Title, "Первый"}, {EditField::Track, "4"}});
    EditAndRecord({paths[0]}, {{EditField::Title, "Second"}, {EditField::AlbumArtist, "Crew"}});

    // Each step is a new history object, as after a restart.
    HistoryOutcome second = EditHistory(historyPath).Undo();
    ASSERT_TRUE(second.ok) << second.error;
    EXPECT_EQ(second.restored.size(), 1u);
    EXPECT_EQ(ReadField(paths[0], EditField::Title), "Первый");
    EXPECT_EQ(ReadField(paths[0], EditField::AlbumArtist), "");

    HistoryOutcome first = EditHistory(historyPath).Undo();
    ASSERT_TRUE(first.ok) << first.error;
    EXPECT_EQ(first.restored.size(), paths.size());
    EXPECT_TRUE(first.refused.empty());
    for (size_t i = 0; i < paths.size(); ++i) {
        EXPECT_EQ(ReadField(paths[i], EditField::Title), titles[i]) << paths[i];
    }
    EXPECT_EQ(EditHistory(historyPath).Undo().error, "nothing to undo");

    ASSERT_TRUE(EditHistory(historyPath).Redo().ok);
    ASSERT_TRUE(EditHistory(historyPath).Redo().ok);
    EXPECT_EQ(ReadField(paths[0], EditField::Title), "Second");
    EXPECT_EQ(ReadField(paths[0], EditField::AlbumArtist), "Crew");
    EXPECT_EQ(ReadField(paths[1], EditField::Title), "Первый");
    EXPECT_EQ(ReadField(paths[1], EditField::Track), "4");

    // A new edit forgets what could be redone.
    ASSERT_TRUE(EditHistory(historyPath).Undo().ok);
    EditAndRecord({paths[1]}, {{EditField::Title, "Third"}});
    EXPECT_EQ(EditHistory(historyPath).Redo().error, "nothing to redo");
}

TEST_F(History, FilesChangedMeanwhileAreLeftAlone) {
    std::string kept = CopyDataFile(dir, "files/silence.mp3", "kept.mp3");
    std::string touched = CopyDataFile(dir, "files/silence.mp3", "touched.mp3");
    EditAndRecord({kept, touched}, {{EditField::Title, "Ours"}});
    // Another program writes the second file.
    ASSERT_TRUE(EditSong(touched, {{EditField::Title, "Theirs"}}).ok);

    HistoryOutcome outcome = EditHistory(historyPath).Undo();
    ASSERT_TRUE(outcome.ok) << outcome.error;
    EXPECT_EQ(outcome.restored, std::vector<std::string>{kept});
    ASSERT_EQ(outcome.refused.size(), 1u);
    EXPECT_EQ(outcome.refused[0].first, touched);
    EXPECT_EQ(ReadField(kept, EditField::Title), "");
    EXPECT_EQ(ReadField(touched, EditField::Title), "Theirs");

    // Only the file that was undone can be redone.
    HistoryOutcome redo = EditHistory(historyPath).Redo();
    EXPECT_EQ(redo.restored, std::vector<std::string>{kept});
    EXPECT_EQ(ReadField(touched, EditField::Title), "Theirs");
}

TEST_F(History, KeepsTheLastOperationsAndSurvivesADamagedFile) {
    std::string path = CopyDataFile(dir, "files/silence.mp3");
    for (size_t i = 0; i < EditHistory::kMaxOperations + 5; ++i) {
        EditAndRecord({path}, {{EditField::Title, "Take " + std::to_string(i)}});
    }
    std::vector<EditOperation> undo, redo;
    std::string error;
    ASSERT_TRUE(EditHistory(historyPath).List(undo, redo, error)) << error;
    EXPECT_EQ(undo.size(), EditHistory::kMaxOperations);
    EXPECT_EQ(Value(undo.front().files[0].after, EditField::Title), "Take 54");

    // Garbage in the middle of the history file.
    auto bytes = testsupport::ReadFileBytes(historyPath);
    for (size_t i = 12; i < bytes.size(); i += 7) {
        bytes[i] = 0xFF;
    }
    testsupport::WriteFileBytes(historyPath, bytes);
    EXPECT_FALSE(EditHistory(historyPath).List(undo, redo, error));
    EXPECT_FALSE(EditHistory(historyPath).Undo().ok);
    EXPECT_EQ(ReadField(path, EditField::Title), "Take 54");

    // The next edit starts a new history and keeps the damaged one aside.
    EXPECT_FALSE(
        EditHistory(historyPath)
            .Record({"next",
                     2,
                     {{path, 0, {{EditField::Title, "Take 54"}}, {{EditField::Title, "x"}}, {}}}},
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
    const std::string secondArtist = ReadField(second, EditField::Artist);

    // One file that cannot be written does not stop the others.
    auto write = RunTunemoss({"write", "--album", "Blue", first, dir.file("gone.mp3"), second});
    EXPECT_EQ(write.status, 1);
    EXPECT_NE(write.err.find("gone.mp3"), std::string::npos) << write.err;
    EXPECT_EQ(ReadField(first, EditField::Album), "Blue");
    EXPECT_EQ(ReadField(second, EditField::Album), "Blue");

    auto preview = RunTunemoss(
        {"tag-from-name", "--pattern", "%ALBUM/%TRACK - %ARTIST - %TITLE", "--dry-run", first});
    EXPECT_EQ(preview.status, 0) << preview.err;
    EXPECT_NE(preview.out.find("album=Blue Album, track=1, artist=Nina, title=Stay"),
              std::string::npos)
        << preview.out;
    EXPECT_EQ(ReadField(first, EditField::Title), "");

    auto fromName = RunTunemoss(
        {"tag-from-name", "--pattern", "%TRACK - %ARTIST - %TITLE", first, odd, second});
    EXPECT_EQ(fromName.status, 1);
    EXPECT_NE(fromName.err.find("bonus.ogg: the name does not fit"), std::string::npos)
        << fromName.err;
    EXPECT_EQ(ReadField(first, EditField::Title), "Stay");
    EXPECT_EQ(ReadField(second, EditField::Artist), "Tom");
    EXPECT_EQ(ReadField(second, EditField::Track), "2");

    auto list = RunTunemoss({"undo", "--list"});
    EXPECT_EQ(list.status, 0);
    EXPECT_NE(list.out.find("tag-from-name, 2 files"), std::string::npos) << list.out;

    auto undo = RunTunemoss({"undo"});
    EXPECT_EQ(undo.status, 0) << undo.err;
    EXPECT_EQ(ReadField(first, EditField::Title), "");
    EXPECT_EQ(ReadField(second, EditField::Artist), secondArtist);
    EXPECT_EQ(ReadField(second, EditField::Album), "Blue");
    ASSERT_EQ(RunTunemoss({"undo"}).status, 0);
    EXPECT_EQ(ReadField(first, EditField::Album), "");

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
// rewrite); a record cut short by a crash is left out, and the next one
// rewrites the file whole.
TEST_F(History, AnEditIsAppendedAndARecordCutShortIsLeftOut) {
    std::string path = CopyDataFile(dir, "files/silence.mp3");
    EditAndRecord({path}, {{EditField::Title, "One"}});
    std::vector<uint8_t> first = testsupport::ReadFileBytes(historyPath);
    EditAndRecord({path}, {{EditField::Title, "Two"}});
    std::vector<uint8_t> second = testsupport::ReadFileBytes(historyPath);
    ASSERT_GT(second.size(), first.size());
    EXPECT_TRUE(std::equal(first.begin(), first.end(), second.begin())) << "appended";

    second.resize(second.size() - 5);
    testsupport::WriteFileBytes(historyPath, second);
    std::vector<EditOperation> undo, redo;
    std::string error;
    ASSERT_TRUE(EditHistory(historyPath).List(undo, redo, error)) << error;
    ASSERT_EQ(undo.size(), 1u);
    EXPECT_EQ(Value(undo.front().files[0].after, EditField::Title), "One");

    EditAndRecord({path}, {{EditField::Title, "Three"}});
    ASSERT_TRUE(EditHistory(historyPath).List(undo, redo, error)) << error;
    ASSERT_EQ(undo.size(), 2u);
    EXPECT_EQ(Value(undo.front().files[0].after, EditField::Title), "Three");
    ASSERT_TRUE(EditHistory(historyPath).Undo().ok);
    EXPECT_EQ(ReadField(path, EditField::Title), "Two");
}

TEST_F(History, TwoTagsOfOneFileInOneOperation) {
    std::string path = CopyDataFile(dir, "files/silence.mp3");
    // As the MP3 dialog writes: the ID3v2 tag, then the ID3v1 tag.
    EditOperation operation{"Edit Tags", 1, {}};
    for (uint32_t kind : {TAG_ID3V2, TAG_ID3V1}) {
        SongEditOptions options;
        options.tagKind = kind;
        SongEditResult result = EditSong(path, {{EditField::Title, "Both"}}, options);
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
        EXPECT_EQ(titleIn(&CSongFileInfo::GetID3V2Info), "");
        EXPECT_EQ(titleIn(&CSongFileInfo::GetID3V1Info), "");
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
            {CopyDataFile(dir, "files/silence.mp3", name), {{EditField::Album, "Batch"}}});
    }
    items.insert(items.begin() + 1, BatchItem{dir.file("gone.mp3"), {{EditField::Album, "Batch"}}});
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
    EXPECT_EQ(ReadField(dir.file("c.mp3"), EditField::Album), "Batch");
    EXPECT_EQ(ReadField(dir.file("d.mp3"), EditField::Album), "");

    HistoryOutcome undo = history.Undo();
    ASSERT_TRUE(undo.ok) << undo.error;
    EXPECT_EQ(undo.label, "batch");
    EXPECT_EQ(undo.restored.size(), 3u);
    EXPECT_EQ(ReadField(dir.file("a.mp3"), EditField::Album), "");
}

TEST(EditCommands, AFieldTheTagHasNoPlaceForIsToldNotRecorded) {
    TempDir dir;
    ASSERT_EQ(setenv("XDG_STATE_HOME", dir.file("state").c_str(), 1), 0);
    std::string wma = CopyDataFile(dir, "asf/tagged.wma");
    SongEditResult result =
        EditSong(wma, {{EditField::AlbumArtist, "Band"}, {EditField::Title, "Kept"}});
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.notKept, std::vector<EditField>{EditField::AlbumArtist});
    ASSERT_EQ(result.after.size(), 1u);
    EXPECT_EQ(result.after[0].first, EditField::Title);

    auto write = RunTunemoss({"write", "--album-artist", "Band", wma});
    EXPECT_EQ(write.status, 1);
    EXPECT_NE(write.err.find("tagged.wma: its tag has no place for album-artist"),
              std::string::npos)
        << write.err;
    // Nothing was changed, so there is nothing to undo.
    EXPECT_EQ(RunTunemoss({"undo", "--list"}).out.find("write, 1 file"), std::string::npos);
}
