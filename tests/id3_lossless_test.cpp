// ID3 writes that lose nothing: unset fields add no frames, cleared ones
// lose theirs, several values survive, text ID3v1 cannot hold goes into an
// ID3v2 tag, a tag that fits stays where it is, and the reader takes what
// only the ID3v1 tag has. mutagen checks what other programs see.
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/id3/Id3v1Tag.h"
#include "songcore/tags/id3/Id3v2Tag.h"
#include "support/Id3v2Bytes.h"
#include "support/TagPeers.h"
#include "support/TestSupport.h"

using namespace testsupport;
using songcore::Id3v1Tag;
using songcore::Id3v2Frame;
using songcore::Id3v2Tag;

namespace {

class Song : public CSongFileInfo {
public:
    using CSongFileInfo::HasID3V1;
    using CSongFileInfo::HasID3V2;
    using CSongFileInfo::TotalID3V2Size;
};

Bytes Slice(const Bytes& bytes, size_t from, size_t to) {
    return Bytes(bytes.begin() + static_cast<long>(from), bytes.begin() + static_cast<long>(to));
}

Bytes Audio() {
    return ReadFileBytes(DataFile("id3v2/base.mp3"));
}

std::string MakeFile(const TempDir& dir, const std::string& name, const Bytes& bytes) {
    std::string path = dir.file(name);
    WriteFileBytes(path, bytes);
    return path;
}

Bytes Id3v1Block(const Id3v1Tag& tag) {
    std::array<uint8_t, Id3v1Tag::kSize> block = tag.Serialize();
    return Bytes(block.begin(), block.end());
}

Bytes Utf8Text(const std::string& text) {
    return Concat({{3}, ToBytes(text)});
}

// mutagen's view of a file's ID3 tag: "version" ("2.3", "2.4", "1.1" for an
// ID3v1 tag alone) and, by frame key, the frame's values joined by "|".
std::map<std::string, std::string> MutagenFrames(const std::string& path) {
    RunResult run = RunPython(R"(
import sys
from mutagen.id3 import ID3
t = ID3(sys.argv[1])
print("version=%d.%d" % t.version[:2])
for key, frame in sorted(t.items()):
    text = getattr(frame, "text", None)
    values = [str(v) for v in text] if isinstance(text, list) else []
    print("%s=%s" % (key, "|".join(values).replace("\n", "\\n")))
)",
                              {path});
    EXPECT_EQ(run.status, 0) << run.err;
    std::map<std::string, std::string> frames;
    std::istringstream lines(run.out);
    std::string line;
    while (std::getline(lines, line)) {
        size_t equals = line.find('=');
        if (equals != std::string::npos) {
            frames[line.substr(0, equals)] = line.substr(equals + 1);
        }
    }
    return frames;
}

const Id3v2Frame* FindFrame(const Id3v2Tag& tag, const std::string& id) {
    for (const auto& frame : tag.frames) {
        if (frame.id == id) {
            return &frame;
        }
    }
    return nullptr;
}

Id3v2Tag TagOf(const std::string& path) {
    std::optional<Id3v2Tag> tag = Id3v2Tag::Parse(ReadFileBytes(path));
    EXPECT_TRUE(tag);
    return tag.value_or(Id3v2Tag{});
}

}  // namespace

TEST(Id3Lossless, SeveralValuesOfA24TextFrameRoundTrip) {
    TempDir dir;
    Bytes tag = Id3v2(4, 0,
                      Concat({Frame24("TIT2", Utf8Text("Song")),
                              Frame24("TPE1", Concat({Utf8Text("Анна"), {0}, ToBytes("Bob")})),
                              Frame24("TCON", Concat({Latin1Text("Rock"), {0}, ToBytes("Pop")}))}));
    std::string path = MakeFile(dir, "multi.mp3", Concat({tag, Audio()}));
    Song song;
    ASSERT_TRUE(song.Open(path, 0, 0));
    ASSERT_EQ(song.GetSongInfo(), 1);
    EXPECT_EQ(song.GetArtist(), "Анна; Bob");
    EXPECT_EQ(song.GetGenreString(), "Rock; Pop");
    EXPECT_EQ(song.GetGenre(), 17) << "the genre number is the first genre's";

    // Another field changes: the list and the genre keep their frames.
    song.SetTitle("Other song");
    ASSERT_EQ(song.WriteSongInfo(), 1);
    Id3v2Tag written = TagOf(path);
    std::optional<Id3v2Tag> before = Id3v2Tag::Parse(tag);
    EXPECT_EQ(FindFrame(written, "TPE1")->data, FindFrame(*before, "TPE1")->data);
    EXPECT_EQ(FindFrame(written, "TCON")->data, FindFrame(*before, "TCON")->data);

    // An edited list is split at "; " into the frame's values again.
    song.SetArtist("Карл;Dora ; Eve");
    ASSERT_EQ(song.WriteSongInfo(), 1);
    Song again;
    ASSERT_TRUE(again.Open(path, 1, 0));
    ASSERT_EQ(again.GetSongInfo(), 1);
    EXPECT_EQ(again.GetArtist(), "Карл;Dora; Eve") << "only \"; \" separates values";
    if (HaveMutagen()) {
        std::map<std::string, std::string> frames = MutagenFrames(path);
        EXPECT_EQ(frames["version"], "2.4");
        EXPECT_EQ(frames["TPE1"], "Карл;Dora|Eve");
        EXPECT_EQ(frames["TCON"], "Rock|Pop");
    }

    // A 2.3 tag has no lists: the text stays one value as written.
    std::string v23 =
        MakeFile(dir, "v23.mp3", Concat({Id3v2(3, 0, Frame23("TIT2", Latin1Text("x"))), Audio()}));
    Song old;
    ASSERT_TRUE(old.Open(v23, 0, 0));
    ASSERT_EQ(old.GetSongInfo(), 1);
    old.SetArtist("Ann; Bob");
    ASSERT_EQ(old.WriteSongInfo(), 1);
    EXPECT_EQ(FindFrame(TagOf(v23), "TPE1")->data, Latin1Text("Ann; Bob"));
}

TEST(Id3Lossless, UnsetFieldsAddNoFramesAndClearedOnesLoseTheirs) {
    TempDir dir;
    std::string path = CopyDataFile(dir, "id3v2/base.mp3");
    Song song;
    ASSERT_TRUE(song.Open(path, 0, 0));
    EXPECT_EQ(song.GetSongInfo(), 0);
    song.SetTitle("Only a title");
    ASSERT_EQ(song.WriteSongInfo(), 1);
    Id3v2Tag tag = TagOf(path);
    ASSERT_EQ(tag.frames.size(), 1u);
    EXPECT_EQ(tag.frames[0].id, "TIT2");
    if (HaveMutagen()) {
        std::map<std::string, std::string> frames = MutagenFrames(path);
        EXPECT_EQ(frames.size(), 2u) << "version and TIT2 only";
        EXPECT_EQ(frames["TIT2"], "Only a title");
    }

    // Clearing the album, the track and the genre of a full tag removes
    // their frames; every other frame stays.
    for (const char* name : {"id3v2/v23.mp3", "id3v2/v24.mp3"}) {
        SCOPED_TRACE(name);
        std::string full = CopyDataFile(dir, name);
        Song edit;
        ASSERT_TRUE(edit.Open(full, 0, 0));
        ASSERT_EQ(edit.GetSongInfo(), 1);
        ASSERT_NE(edit.GetAlbum(), "");
        ASSERT_NE(edit.GetTrackNum(), 0u);
        edit.SetAlbum("");
        edit.SetTrackNum(0);
        edit.SetGenre(static_cast<unsigned short>(GENRE_NONE));
        ASSERT_EQ(edit.WriteSongInfo(), 1);
        Id3v2Tag after = TagOf(full);
        EXPECT_EQ(FindFrame(after, "TALB"), nullptr);
        EXPECT_EQ(FindFrame(after, "TRCK"), nullptr);
        EXPECT_EQ(FindFrame(after, "TCON"), nullptr);
        ASSERT_NE(FindFrame(after, "TIT2"), nullptr);
        EXPECT_EQ(FindFrame(after, "TIT2")->data, FindFrame(TagOf(DataFile(name)), "TIT2")->data);
        if (HaveMutagen()) {
            std::map<std::string, std::string> frames = MutagenFrames(full);
            EXPECT_EQ(frames.count("TALB") + frames.count("TRCK") + frames.count("TCON"), 0u);
            EXPECT_EQ(MutagenId3CarriedMismatch(DataFile(name), full), "");
        }
    }
}

TEST(Id3Lossless, TextThatId3v1CannotHoldGoesIntoAnId3v2Tag) {
    TempDir dir;
    Id3v1Tag v1;
    v1.title = "Old";
    v1.artist = "Band";
    v1.track = 3;
    v1.genre = 17;
    Bytes audio = Audio();
    Bytes original = Concat({audio, Id3v1Block(v1)});

    // What ID3v1 holds is written there alone, as before.
    std::string plain = MakeFile(dir, "plain.mp3", original);
    Song fits;
    ASSERT_TRUE(fits.Open(plain, 0, 0));
    ASSERT_EQ(fits.GetSongInfo(), 1);
    ASSERT_EQ(fits.GetTagKind(), TAG_ID3V1);
    fits.SetTitle("New but plain");
    ASSERT_EQ(fits.WriteSongInfo(), 1);
    EXPECT_EQ(fits.HasID3V2(), 0);
    EXPECT_EQ(ReadFileBytes(plain).size(), original.size());

    struct Case {
        const char* name;
        void (*edit)(Song&);
        const char* v1Title;
        const char* v2Title;
    };
    const Case cases[] = {
        {"cyrillic", [](Song& s) { s.SetTitle("Песня"); }, "?????", "Песня"},
        {"long", [](Song& s) { s.SetTitle(std::string(40, 'L')); },
         "LLLLLLLLLLLLLLLLLLLLLLLLLLLLLL", "LLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLL"},
        {"composer", [](Song& s) { s.SetComposer("Somebody"); }, "Old", "Old"},
        {"album artist", [](Song& s) { s.SetAlbumArtist("Various"); }, "Old", "Old"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = MakeFile(dir, std::string(c.name) + ".mp3", original);
        Song song;
        ASSERT_TRUE(song.Open(path, 0, 0));
        ASSERT_EQ(song.GetSongInfo(), 1);
        c.edit(song);
        ASSERT_EQ(song.WriteSongInfo(), 1);
        Bytes after = ReadFileBytes(path);
        size_t front = static_cast<size_t>(song.HasID3V2());
        ASSERT_GT(front, 0u);
        ASSERT_EQ(after.size(), front + audio.size() + Id3v1Tag::kSize);
        EXPECT_EQ(Slice(after, front, front + audio.size()), audio);
        std::optional<Id3v1Tag> back =
            Id3v1Tag::Parse(Slice(after, after.size() - Id3v1Tag::kSize, after.size()));
        ASSERT_TRUE(back);
        EXPECT_EQ(back->title, c.v1Title);
        EXPECT_EQ(back->artist, "Band");
        EXPECT_EQ(back->track, 3);

        Song reread;
        ASSERT_TRUE(reread.Open(path, 1, 0));
        ASSERT_EQ(reread.GetSongInfo(), 1);
        EXPECT_EQ(reread.GetTagKind(), TAG_ID3V2);
        EXPECT_EQ(reread.GetTitle(), c.v2Title);
        EXPECT_EQ(reread.GetArtist(), "Band");
        EXPECT_EQ(reread.GetGenreString(), "Rock");
        if (HaveMutagen()) {
            EXPECT_EQ(
                MutagenId3Mismatch(
                    path,
                    {{"title", c.v2Title}, {"artist", "Band"}, {"track", "3"}, {"genre", "Rock"}}),
                "");
        }

        // The same record writes again: the ID3v2 tag it added is updated
        // too, so that it cannot hide the new values.
        song.SetTitle("Plain again");
        song.SetComposer("");
        song.SetAlbumArtist("");
        ASSERT_EQ(song.WriteSongInfo(), 1);
        ASSERT_TRUE(reread.Open(path, 1, 0));
        ASSERT_EQ(reread.GetSongInfo(), 1);
        EXPECT_EQ(reread.GetTitle(), "Plain again");
        ASSERT_EQ(reread.GetID3V1Info(), 1);
        EXPECT_EQ(reread.GetTitle(), "Plain again");
    }
}

TEST(Id3Lossless, ASmallChangeStaysInTheOldTagsRoom) {
    TempDir dir;
    for (const char* name : {"id3v2/v23.mp3", "id3v2/v24.mp3", "id3v2/v22.mp3"}) {
        SCOPED_TRACE(name);
        std::string path = CopyDataFile(dir, name);
        Bytes before = ReadFileBytes(path);
        Song song;
        ASSERT_TRUE(song.Open(path, 0, 0));
        ASSERT_EQ(song.GetSongInfo(), 1);
        size_t tagLength = static_cast<size_t>(song.HasID3V2());
        song.SetTitle("Short");
        song.SetYear("2011");
        ASSERT_EQ(song.WriteSongInfo(), 1);
        Bytes after = ReadFileBytes(path);
        ASSERT_EQ(after.size(), before.size());
        EXPECT_EQ(song.HasID3V2(), static_cast<int>(tagLength));
        EXPECT_EQ(Slice(after, tagLength, after.size()), Slice(before, tagLength, before.size()));
        // The room left is zero padding, which every reader skips.
        size_t frames = 10 + static_cast<size_t>(song.TotalID3V2Size());
        EXPECT_EQ(Slice(after, frames, tagLength), Bytes(tagLength - frames, 0));
        if (HaveMutagen()) {
            EXPECT_EQ(MutagenId3Mismatch(path, {{"title", "Short"}, {"year", "2011"}}), "");
        }
    }
}

TEST(Id3Lossless, AGrowingTagGetsRoomOnlyWhenItHadRoom) {
    TempDir dir;
    Bytes title = Frame23("TIT2", Latin1Text("a"));
    Bytes padded = Concat({Id3v2(3, 0, Concat({title, Bytes(20, 0)})), Audio()});
    Bytes tight = Concat({Id3v2(3, 0, title), Audio()});
    for (bool hadPadding : {true, false}) {
        SCOPED_TRACE(hadPadding ? "padded" : "tight");
        std::string path = MakeFile(dir, "grow.mp3", hadPadding ? padded : tight);
        Song song;
        ASSERT_TRUE(song.Open(path, 0, 0));
        ASSERT_EQ(song.GetSongInfo(), 1);
        song.SetComment(std::string(200, 'c'));
        ASSERT_EQ(song.WriteSongInfo(), 1);
        size_t frames = 10 + static_cast<size_t>(song.TotalID3V2Size());
        EXPECT_EQ(static_cast<size_t>(song.HasID3V2()), frames + (hadPadding ? 1024 : 0));
        Bytes after = ReadFileBytes(path);
        EXPECT_EQ(Slice(after, static_cast<size_t>(song.HasID3V2()), after.size()), Audio());
        if (HaveMutagen()) {
            EXPECT_EQ(
                MutagenId3Mismatch(path, {{"title", "a"}, {"comment", std::string(200, 'c')}}), "");
        }
    }
}

TEST(Id3Lossless, ATagWithAFooterKeepsItAndHasNoPadding) {
    TempDir dir;
    auto withFooter = [](const Bytes& frames) {
        Bytes tag = Id3v2(4, 0x10, frames);
        Bytes footer = Slice(tag, 0, 10);
        footer[0] = '3';
        footer[1] = 'D';
        footer[2] = 'I';
        return Concat({tag, footer});
    };
    Bytes original = withFooter(Frame24("TIT2", Latin1Text("ft")));
    std::string path = MakeFile(dir, "footer.mp3", Concat({original, Audio()}));
    Song song;
    ASSERT_TRUE(song.Open(path, 0, 0));
    ASSERT_EQ(song.GetSongInfo(), 1);
    // The same size: written where it was, footer and all.
    song.SetTitle("fu");
    ASSERT_EQ(song.WriteSongInfo(), 1);
    Bytes expected = withFooter(Frame24("TIT2", Latin1Text("fu")));
    EXPECT_EQ(ReadFileBytes(path), Concat({expected, Audio()}));
    // Larger: the footer stays, and no padding comes before it.
    song.SetTitle("a longer title");
    ASSERT_EQ(song.WriteSongInfo(), 1);
    expected = withFooter(Frame24("TIT2", Latin1Text("a longer title")));
    EXPECT_EQ(ReadFileBytes(path), Concat({expected, Audio()}));
    if (HaveMutagen()) {
        EXPECT_EQ(MutagenId3Mismatch(path, {{"title", "a longer title"}}), "");
    }
}

TEST(Id3Lossless, FieldsMissingFromTheId3v2TagAreTakenFromTheId3v1Tag) {
    TempDir dir;
    Id3v1Tag v1;
    v1.title = "v1 title";
    v1.artist = "v1 artist";
    v1.album = "v1 album";
    v1.year = "1999";
    v1.comment = "v1 comment";
    v1.track = 7;
    v1.genre = 8;
    Bytes v2 = Id3v2(3, 0,
                     Concat({Frame23("TIT2", Latin1Text("v2 title")),
                             Frame23("TPE1", Latin1Text("v2 artist"))}));
    std::string path = MakeFile(dir, "both.mp3", Concat({v2, Audio(), Id3v1Block(v1)}));
    Song song;
    ASSERT_TRUE(song.Open(path, 0, 0));
    ASSERT_EQ(song.GetSongInfo(), 1);
    EXPECT_EQ(song.GetTagKind(), TAG_ID3V2);
    EXPECT_EQ(song.GetTitle(), "v2 title");
    EXPECT_EQ(song.GetArtist(), "v2 artist");
    EXPECT_EQ(song.GetAlbum(), "v1 album");
    EXPECT_EQ(song.GetYear(), "1999");
    EXPECT_EQ(song.GetComment(), "v1 comment");
    EXPECT_EQ(song.GetTrackNum(), 7u);
    EXPECT_EQ(song.GetGenreString(), "Jazz");
    // The tag's own reader still gives only what the tag holds.
    ASSERT_EQ(song.GetID3V2Info(), 1);
    EXPECT_EQ(song.GetAlbum(), "");

    // Writing goes to the ID3v2 tag, which now gets the filled fields too;
    // the ID3v1 tag stays as it was.
    ASSERT_EQ(song.GetSongInfo(), 1);
    ASSERT_EQ(song.WriteSongInfo(), 1);
    ASSERT_EQ(song.GetID3V2Info(), 1);
    EXPECT_EQ(song.GetAlbum(), "v1 album");
    Bytes after = ReadFileBytes(path);
    EXPECT_EQ(Slice(after, after.size() - Id3v1Tag::kSize, after.size()), Id3v1Block(v1));
}
