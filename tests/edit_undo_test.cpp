// Undo that gives back what the song held: the bytes of its tags (pictures
// included) as they were, in every format, across restarts and the renames
// tunemoss makes; and an edit far down the list undone on its own.
#include <gtest/gtest.h>

#include <filesystem>

#include "songcore/edit/EditHistory.h"
#include "songcore/edit/SongEdit.h"
#include "songcore/tags/ContentRecorder.h"
#include "songcore/tags/SongFileInfo.h"
#include "support/PictureFiles.h"
#include "support/TestSupport.h"

using namespace songcore;
using testsupport::CopyDataFile;
using testsupport::ReadFileBytes;
using testsupport::TempDir;

namespace {

std::string ReadField(const std::string& path, SongField field) {
    CSongFileInfo info;
    EXPECT_TRUE(info.Open(path, 1, 0)) << path;
    info.GetSongInfo();
    return info.GetText(field);
}

class Undo : public ::testing::Test {
protected:
    TempDir dir;
    std::string historyPath = dir.file("state/edit-history");

    // Each call is a history object of its own, as after a restart.
    EditHistory History() { return EditHistory(historyPath); }

    void Record(EditOperation operation) {
        std::string error;
        ASSERT_TRUE(History().Record(std::move(operation), error)) << error;
    }
    void EditAndRecord(const std::string& path, const FieldValues& changes) {
        EditOperation operation{"test", 1, {}};
        SongEditResult result = EditSong(path, changes);
        ASSERT_TRUE(result.ok) << result.error;
        operation.Add(path, std::move(result));
        Record(std::move(operation));
    }
    void ExpectStep(const HistoryOutcome& outcome, size_t restored) {
        ASSERT_TRUE(outcome.ok) << outcome.error;
        EXPECT_EQ(outcome.restored.size(), restored);
        for (const auto& [path, reason] : outcome.refused) {
            ADD_FAILURE() << path << ": " << reason;
        }
    }
};

struct ByteCase {
    const char* sample;
    FieldValues changes;
};

// Edits whose undo by old values would leave a trace: a tag added where
// there was none, text an ID3v1 tag cannot hold (an ID3v2 tag joins it),
// a total written beside a track, a list split into several items.
const ByteCase kByteCases[] = {
    {"files/silence.mp3", {{SongField::Title, "New"}}},
    {"id3v1/v11.mp3", {{SongField::Title, "Первый"}, {SongField::Album, "Été"}}},
    {"id3v2/v24.mp3", {{SongField::Artist, "A; B"}, {SongField::Disc, "2"}}},
    {"id3v2/v22.mp3", {{SongField::Title, "Two point two"}}},
    {"mp4/tagged_end.m4a", {{SongField::Track, "4"}, {SongField::TrackTotal, "20"}}},
    {"mp4/tagged_faststart.m4a", {{SongField::Comment, std::string(3000, 'c')}}},
    {"flac/plain.flac", {{SongField::Title, "Grown " + std::string(5000, 'x')}}},
    {"ogg/plain.ogg", {{SongField::Artist, "One; Two"}}},
    {"ogg/opus.ogg", {{SongField::Title, "Opus"}}},
    {"asf/tagged.wma", {{SongField::AlbumArtist, "Crew"}, {SongField::Title, ""}}},
    {"ape/ape.aac", {{SongField::Genre, "Shoegaze"}}},
    {"ape/ape_id3v1.mp3", {{SongField::Year, "1999"}}},
};

// A new content built in memory from an old one, as a writer describes it.
class MemoryContent : public ContentWriter {
public:
    explicit MemoryContent(const std::vector<uint8_t>& old) : old_(old) {}
    bool append(std::span<const uint8_t> data) override {
        bytes.insert(bytes.end(), data.begin(), data.end());
        return true;
    }
    bool appendOriginal(uint64_t offset, uint64_t length) override {
        bytes.insert(bytes.end(), old_.begin() + static_cast<long>(offset),
                     old_.begin() + static_cast<long>(offset + length));
        return true;
    }
    uint64_t size() const override { return bytes.size(); }
    std::vector<uint8_t> bytes;

private:
    const std::vector<uint8_t>& old_;
};

std::vector<uint8_t> Apply(const RestorePlan& plan, const std::vector<uint8_t>& current) {
    std::vector<uint8_t> out;
    for (const RestorePiece& piece : plan.pieces) {
        if (piece.kept) {
            out.insert(out.end(), current.begin() + static_cast<long>(piece.from),
                       current.begin() + static_cast<long>(piece.from + piece.length));
        } else {
            out.insert(out.end(), piece.bytes.begin(), piece.bytes.end());
        }
    }
    return out;
}

}  // namespace

// The way back from a write, worked out from how the writer described the
// new content: every shape a writer makes gives the old bytes again.
TEST(RestorePlan, GivesBackTheOldContentOfEveryShapeOfWrite) {
    std::vector<uint8_t> old(1000);
    for (size_t i = 0; i < old.size(); ++i) {
        old[i] = static_cast<uint8_t>(i * 7 + 3);
    }
    const std::vector<uint8_t> tag(40, 'T');
    struct Step {
        bool kept;
        uint64_t offset, length;  // of the old content, when kept
    };
    struct Case {
        const char* name;
        std::vector<Step> steps;
        uint64_t saved;  // old bytes the plan must hold
    };
    const Case cases[] = {
        {"a tag grows at the start", {{false, 0, 0}, {true, 100, 900}}, 100},
        {"a tag at the end is cut", {{true, 0, 872}}, 128},
        {"tags at both ends", {{false, 0, 0}, {true, 10, 800}, {false, 0, 0}}, 200},
        {"ranges moved round", {{true, 500, 500}, {true, 0, 500}}, 0},
        {"a range kept twice", {{true, 0, 600}, {true, 400, 600}}, 0},
        {"nothing kept", {{false, 0, 0}}, 1000},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        MemoryContent content(old);
        ContentRecorder recorder(content);
        for (const Step& step : test.steps) {
            ASSERT_TRUE(step.kept ? recorder.appendOriginal(step.offset, step.length)
                                  : recorder.append(tag));
        }
        RestorePlan plan;
        auto read = [&](uint64_t at, uint8_t* out, size_t count) {
            std::copy_n(old.begin() + static_cast<long>(at), count, out);
            return true;
        };
        ASSERT_TRUE(recorder.InversePlan(old.size(), read, 1 << 20, plan));
        EXPECT_EQ(plan.currentLength, content.bytes.size());
        EXPECT_EQ(plan.SavedBytes(), test.saved);
        EXPECT_EQ(Apply(plan, content.bytes), old);
        // Too many old bytes to keep: no plan.
        if (test.saved > 0) {
            EXPECT_FALSE(recorder.InversePlan(old.size(), read, test.saved - 1, plan));
        }
    }
}

TEST_F(Undo, PutsBackTheBytesTheFileHadInEveryFormat) {
    for (const ByteCase& test : kByteCases) {
        SCOPED_TRACE(test.sample);
        std::string path =
            CopyDataFile(dir, test.sample, std::filesystem::path(test.sample).filename().string());
        const std::vector<uint8_t> original = ReadFileBytes(path);
        EditAndRecord(path, test.changes);
        const std::vector<uint8_t> edited = ReadFileBytes(path);
        ASSERT_NE(edited, original);

        ExpectStep(History().Undo(), 1);
        EXPECT_EQ(ReadFileBytes(path), original);
        ExpectStep(History().Redo(), 1);
        EXPECT_EQ(ReadFileBytes(path), edited);
        ExpectStep(History().Undo(), 1);
        EXPECT_EQ(ReadFileBytes(path), original);
        std::filesystem::remove(path);
    }
}

// As a tag dialog's Update makes them: the tag written, then the pictures.
TEST_F(Undo, PicturesArePartOfTheEditAndOfItsUndo) {
    const songcore::Picture cover = testsupport::JpegPicture(kPictureFrontCover, "");
    for (const char* sample : {"id3v2/v23.mp3", "ogg/opus.ogg", "flac/plain.flac",
                               "mp4/tagged_end.m4a", "asf/tagged.wma"}) {
        SCOPED_TRACE(sample);
        std::string path = CopyDataFile(dir, sample);
        const std::vector<uint8_t> original = ReadFileBytes(path);
        EditOperation operation{"Edit Tags", 1, {}};
        SongEditResult tag = EditSong(path, {{SongField::Title, "With cover"}});
        ASSERT_TRUE(tag.ok) << tag.error;
        operation.Add(path, std::move(tag));
        SongEditResult pictures = EditSongPictures(path, {cover});
        ASSERT_TRUE(pictures.ok) << pictures.error;
        operation.Add(path, std::move(pictures), true);
        Record(std::move(operation));

        ExpectStep(History().Undo(), 1);
        EXPECT_EQ(ReadFileBytes(path), original);
        ExpectStep(History().Redo(), 1);
        EXPECT_EQ(ReadField(path, SongField::Title), "With cover");
        EXPECT_EQ(testsupport::ReadPictures(path).size(), 1u);

        // A change of the pictures alone is an edit of its own, and the
        // next undo takes it back rather than the edit before it.
        EditOperation coverOnly{"Edit Tags", 2, {}};
        SongEditResult removed = EditSongPictures(path, {});
        ASSERT_TRUE(removed.ok) << removed.error;
        coverOnly.Add(path, std::move(removed), true);
        Record(std::move(coverOnly));
        ExpectStep(History().Undo(), 1);
        EXPECT_EQ(testsupport::ReadPictures(path).size(), 1u);
        EXPECT_EQ(ReadField(path, SongField::Title), "With cover");
        std::filesystem::remove(path);
    }
    // Writing what the file holds already changes nothing and is no edit.
    std::string path = CopyDataFile(dir, "flac/plain.flac", "same.flac");
    SongEditResult same = EditSongPictures(path, testsupport::ReadPictures(path));
    ASSERT_TRUE(same.ok) << same.error;
    EXPECT_TRUE(same.restore.empty());
}

TEST_F(Undo, EditsFollowTheRenamesTunemossMakes) {
    std::string first = CopyDataFile(dir, "id3v2/v23.mp3", "first.mp3");
    std::string other = CopyDataFile(dir, "flac/plain.flac", "other.flac");
    const std::vector<uint8_t> original = ReadFileBytes(first);
    EditAndRecord(first, {{SongField::Title, "Renamed later"}});
    EditAndRecord(other, {{SongField::Title, "Not renamed"}});
    ExpectStep(History().Undo(), 1);  // so that a redo waits too

    std::string renamed = dir.file("Artist - Renamed later.mp3");
    std::filesystem::rename(first, renamed);
    std::string moved = dir.file("sub/other.flac");
    std::filesystem::create_directory(dir.file("sub"));
    std::filesystem::rename(other, moved);
    std::string error;
    ASSERT_TRUE(
        History().FollowRenames({{first, renamed}, {other, moved}, {"/no/such", "/x"}}, error))
        << error;

    ExpectStep(History().Redo(), 1);
    EXPECT_EQ(ReadField(moved, SongField::Title), "Not renamed");
    ExpectStep(History().Undo(), 1);
    HistoryOutcome undo = History().Undo();
    ExpectStep(undo, 1);
    EXPECT_EQ(undo.restored, std::vector<std::string>{renamed});
    EXPECT_EQ(ReadFileBytes(renamed), original);
}

TEST_F(Undo, AnyEditOfTheListCanBeUndoneOnItsOwn) {
    std::string a = CopyDataFile(dir, "files/silence.mp3", "a.mp3");
    std::string b = CopyDataFile(dir, "files/silence.mp3", "b.mp3");
    EditAndRecord(a, {{SongField::Title, "A1"}});
    EditAndRecord(b, {{SongField::Title, "B1"}});
    EditAndRecord(a, {{SongField::Title, "A2"}});

    std::vector<EditOperation> undo, redo;
    std::string error;
    ASSERT_TRUE(History().List(undo, redo, error)) << error;
    ASSERT_EQ(undo.size(), 3u);
    EXPECT_EQ(undo[1].Describe(), "test of b.mp3");

    // The edit of b, below the last one, alone.
    ExpectStep(History().UndoAt(1), 1);
    EXPECT_EQ(ReadField(b, SongField::Title), "");
    EXPECT_EQ(ReadField(a, SongField::Title), "A2");

    // The first edit of a: a later edit changed the file since.
    HistoryOutcome refused = History().UndoAt(1);
    EXPECT_TRUE(refused.restored.empty());
    ASSERT_EQ(refused.refused.size(), 1u);
    EXPECT_EQ(refused.refused[0].first, a);
    EXPECT_EQ(ReadField(a, SongField::Title), "A2");

    // Undone in their order, both edits of a come back off.
    ASSERT_TRUE(History().List(undo, redo, error)) << error;
    ASSERT_EQ(undo.size(), 1u);  // the refused edit is gone, as Undo drops it
    ExpectStep(History().Undo(), 1);
    EXPECT_EQ(ReadField(a, SongField::Title), "A1");
    ExpectStep(History().Redo(), 1);
    EXPECT_EQ(ReadField(a, SongField::Title), "A2");
    // What was undone on its own is redone too.
    ExpectStep(History().Redo(), 1);
    EXPECT_EQ(ReadField(b, SongField::Title), "B1");
}

// A history written before the old bytes were kept is still undone, by its
// values, and the next edit turns the file into the current kind.
TEST_F(Undo, AHistoryWithoutOldBytesIsUndoneByValues) {
    std::string path = CopyDataFile(dir, "flac/plain.flac");
    const std::string title = ReadField(path, SongField::Title);
    EditOperation operation{"test", 1, {}};
    SongEditResult result = EditSong(path, {{SongField::Title, "By value"}});
    ASSERT_TRUE(result.ok) << result.error;
    result.restore.clear();
    operation.Add(path, std::move(result));
    Record(std::move(operation));
    ExpectStep(History().Undo(), 1);
    EXPECT_EQ(ReadField(path, SongField::Title), title);
    // The undo kept the way back in bytes.
    const std::vector<uint8_t> undone = ReadFileBytes(path);
    ExpectStep(History().Redo(), 1);
    EXPECT_EQ(ReadField(path, SongField::Title), "By value");
    ExpectStep(History().Undo(), 1);
    EXPECT_EQ(ReadFileBytes(path), undone);
}
