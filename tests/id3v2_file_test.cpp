// ID3v2 tags in real files: what mutagen wrote is read, what songcore
// writes mutagen reads back, the audio and the tags at the end never change,
// and tunemoss drives it all.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/id3/Id3v2Tag.h"
#include "support/Id3v2Bytes.h"
#include "support/TagPeers.h"
#include "support/TestSupport.h"

using namespace testsupport;

namespace {

// Opens the protected members the checks need.
class Song : public CSongFileInfo {
public:
    using CSongFileInfo::HasID3V2;
    using CSongFileInfo::TotalID3V2Size;
};

Bytes Slice(const Bytes& bytes, size_t from, size_t to = std::string::npos) {
    return Bytes(bytes.begin() + static_cast<long>(from),
                 to == std::string::npos ? bytes.end() : bytes.begin() + static_cast<long>(to));
}

struct Expected {
    std::string title, artist, album, year, comment, genre, composer, origArtist, copyright, url,
        encodedBy, lyrics;
    uint32_t track;
};

void ExpectFields(Song& song, const Expected& e) {
    EXPECT_EQ(song.GetTitle(), e.title);
    EXPECT_EQ(song.GetArtist(), e.artist);
    EXPECT_EQ(song.GetAlbum(), e.album);
    EXPECT_EQ(song.GetYear(), e.year);
    EXPECT_EQ(song.GetComment(), e.comment);
    EXPECT_EQ(song.GetGenreString(), e.genre);
    EXPECT_EQ(song.GetComposer(), e.composer);
    EXPECT_EQ(song.GetOrigArtist(), e.origArtist);
    EXPECT_EQ(song.GetCopyright(), e.copyright);
    EXPECT_EQ(song.GetURL(), e.url);
    EXPECT_EQ(song.GetEncodedBy(), e.encodedBy);
    EXPECT_EQ(song.GetLyrics(), e.lyrics);
    EXPECT_EQ(song.GetTrackNum(), e.track);
}

const Expected kMutagenFields = {"Песня о ветре",
                                 "Café Orchestra",
                                 "風の歌",
                                 "2004",
                                 "Записано вживую",
                                 "Rock",
                                 "Чайковский",
                                 "The Originals",
                                 "(c) 2004 Somebody",
                                 "http://example.com/song",
                                 "lame 3.100",
                                 "Line one\nСтрока два\n",
                                 5};

// A file made of bytes, opened for writing.
std::string MakeFile(const TempDir& dir, const std::string& name, const Bytes& bytes) {
    std::string path = dir.file(name);
    WriteFileBytes(path, bytes);
    return path;
}

ino_t Inode(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_ino;
}

}  // namespace

TEST(Id3v2File, ReadsWhatMutagenWroteInEveryVersion) {
    for (const char* name : {"id3v2/v23.mp3", "id3v2/v24.mp3"}) {
        SCOPED_TRACE(name);
        Song song;
        ASSERT_TRUE(song.Open(DataFile(name), 1, 0));
        ASSERT_EQ(song.GetSongInfo(), 1);
        EXPECT_EQ(song.GetTagKind(), TAG_ID3V2);
        ExpectFields(song, kMutagenFields);
    }
    Song v22;
    ASSERT_TRUE(v22.Open(DataFile("id3v2/v22.mp3"), 1, 0));
    ASSERT_EQ(v22.GetID3V2Info(), 1);
    ExpectFields(v22, {"Old Title", "Вася", "Old Album", "1999", "Old comment", "Pop",
                       "Old Composer", "Old Original", "1999 Old", "http://example.org/old",
                       "Old Encoder", "Old lyrics", 9});

    // On AAC files the dispatch tries APEv2 first, then ID3v2.
    Song aac;
    ASSERT_TRUE(aac.Open(DataFile("id3v2/tagged.aac"), 1, 0));
    ASSERT_EQ(aac.GetSongInfo(), 1);
    EXPECT_EQ(aac.GetTagKind(), TAG_ID3V2);
    EXPECT_EQ(aac.GetTitle(), "AAC title");
    EXPECT_EQ(aac.GetTrackNum(), 3u);

    Song none;
    ASSERT_TRUE(none.Open(DataFile("id3v2/base.mp3"), 1, 0));
    EXPECT_EQ(none.GetID3V2Info(), 0);
    EXPECT_EQ(none.HasID3V2(), 0);
}

TEST(Id3v2File, GenreAndTrackTextsAsTheRecordTakesThem) {
    TempDir dir;
    struct Case {
        uint8_t major;
        std::string tcon;
        uint16_t genre;
    };
    const Case cases[] = {{3, "(17)", 17},  {3, "(17)Rock", 17}, {3, "Rock", 17},
                          {3, "17", 148},   {4, "17", 17},       {3, "(RX)", 0},
                          {3, "rock", 148}, {3, "(999)", 148},   {4, "Synthwave", 148}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tcon);
        Bytes frames =
            Concat({Frame24("TCON", Latin1Text(c.tcon)), Frame24("TRCK", Latin1Text("5/12"))});
        Song song;
        ASSERT_TRUE(song.Open(MakeFile(dir, "g.mp3", Id3v2(c.major, 0, frames)), 1, 0));
        ASSERT_EQ(song.GetID3V2Info(), 1);
        EXPECT_EQ(song.GetGenre(), c.genre);
        EXPECT_EQ(song.GetTrackNum(), 5u);
    }
}

TEST(Id3v2File, LyricsOfTheSongReadBeforeStayWhenTheNewOneHasNone) {
    Song song;
    ASSERT_TRUE(song.Open(DataFile("id3v2/v22.mp3"), 1, 0));
    ASSERT_EQ(song.GetID3V2Info(), 1);
    ASSERT_TRUE(song.Open(DataFile("id3v2/tagged.aac"), 1, 0));
    ASSERT_EQ(song.GetID3V2Info(), 1);
    EXPECT_EQ(song.GetLyrics(), "Old lyrics");
    EXPECT_EQ(song.GetComposer(), "");
}

TEST(Id3v2File, WritingPutsTheTagBeforeUnchangedAudio) {
    TempDir dir;
    std::string path = CopyDataFile(dir, "id3v2/base.mp3");
    Bytes audio = ReadFileBytes(path);
    Song song;
    ASSERT_TRUE(song.Open(path, 0, 0));
    song.SetTitle("abc");
    // Only the title's frame: no track and no genre get no frames, and a
    // new tag gets no padding.
    EXPECT_EQ(song.TotalID3V2Size(), 14);
    ASSERT_EQ(song.WriteID3V2Info(), 1);
    Bytes written = ReadFileBytes(path);
    ASSERT_EQ(written.size(), 10 + 14 + audio.size());
    EXPECT_EQ(Slice(written, 0, 24), Id3v2(3, 0, Frame23("TIT2", Latin1Text("abc"))));
    EXPECT_EQ(Slice(written, 24), audio);
    // The record now holds the new file, open for reading and writing.
    EXPECT_EQ(song.HasID3V2(), 24);
    ASSERT_EQ(song.GetID3V2Info(), 1);
    EXPECT_EQ(song.GetTitle(), "abc");
    EXPECT_EQ(song.GetTrackNum(), 0u);
    EXPECT_EQ(song.GetGenre(), 148);
    ASSERT_EQ(song.WriteID3V2Info(), 1);
    EXPECT_EQ(ReadFileBytes(path), written) << "writing twice gives the same file";
}

TEST(Id3v2File, RewritingKeepsEverythingOutsideTheFields) {
    TempDir dir;
    for (const char* name : {"id3v2/v23.mp3", "id3v2/v24.mp3", "id3v2/v22.mp3"}) {
        SCOPED_TRACE(name);
        std::string path = CopyDataFile(dir, name);
        Bytes before = ReadFileBytes(path);
        Song song;
        ASSERT_TRUE(song.Open(path, 0, 0));
        ASSERT_EQ(song.GetID3V2Info(), 1);
        size_t oldTag = static_cast<size_t>(song.HasID3V2());
        song.SetTitle("Новое имя");
        song.SetArtist("Plain Latin");
        song.SetGenre(static_cast<unsigned short>(32));
        ASSERT_EQ(song.WriteID3V2Info(), 1);
        Bytes after = ReadFileBytes(path);
        size_t newTag = static_cast<size_t>(song.HasID3V2());
        // The new tag fits in the old one's room and takes exactly that.
        EXPECT_LE(10u + static_cast<size_t>(song.TotalID3V2Size()), oldTag);
        EXPECT_EQ(newTag, oldTag);
        EXPECT_EQ(Slice(after, newTag), Slice(before, oldTag)) << "the audio is untouched";

        std::optional<songcore::Id3v2Tag> tag = songcore::Id3v2Tag::Parse(after);
        ASSERT_TRUE(tag);
        EXPECT_EQ(tag->major, std::string(name) == "id3v2/v24.mp3" ? 4 : 3);

        if (!HaveMutagen()) {
            continue;
        }
        EXPECT_EQ(MutagenId3Mismatch(path, {{"title", "Новое имя"},
                                            {"artist", "Plain Latin"},
                                            {"genre", "Classical"},
                                            {"comment", song.GetComment()},
                                            {"lyrics", song.GetLyrics()},
                                            {"url", song.GetURL()},
                                            {"composer", song.GetComposer()}}),
                  "");
        // (mutagen itself drops the 2.2 encrypted meta frame, which has no
        // later form, so it is not missed here.)
        EXPECT_EQ(MutagenId3CarriedMismatch(DataFile(name), path), "");
        // A second write changes nothing.
        Song again;
        ASSERT_TRUE(again.Open(path, 0, 0));
        ASSERT_EQ(again.GetID3V2Info(), 1);
        ASSERT_EQ(again.WriteID3V2Info(), 1);
        EXPECT_EQ(ReadFileBytes(path), after);
    }
}

TEST(Id3v2File, TagsAtTheEndSurviveWritingAndRemoving) {
    TempDir dir;
    // mutagen's APEv2 tag followed by an ID3v1 tag.
    std::string path = CopyDataFile(dir, "ape/ape_id3v1.mp3");
    Bytes original = ReadFileBytes(path);
    Song song;
    ASSERT_TRUE(song.Open(path, 0, 0));
    song.SetTitle("Front");
    ASSERT_EQ(song.WriteID3V2Info(), 1);
    Bytes tagged = ReadFileBytes(path);
    EXPECT_EQ(Slice(tagged, static_cast<size_t>(song.HasID3V2())), original);
    ASSERT_EQ(song.GetAPEV2Info(), 1);
    ASSERT_EQ(song.GetID3V1Info(), 1);
    ASSERT_EQ(song.RemoveID3V2Info(), 1);
    EXPECT_EQ(ReadFileBytes(path), original);
}

TEST(Id3v2File, RemovingLeavesOnlyTheAudio) {
    TempDir dir;
    std::string path = CopyDataFile(dir, "id3v2/v24.mp3");
    Song song;
    ASSERT_TRUE(song.Open(path, 0, 0));
    ASSERT_EQ(song.RemoveID3V2Info(), 1);
    EXPECT_EQ(ReadFileBytes(path), ReadFileBytes(DataFile("id3v2/base.mp3")));
    // Without a tag there is nothing to do, and the file is not rewritten.
    ino_t inode = Inode(path);
    ASSERT_EQ(song.RemoveID3V2Info(), 1);
    EXPECT_EQ(Inode(path), inode);
}

TEST(Id3v2File, OddHeadersAreReplacedWhole) {
    TempDir dir;
    Bytes audio = ReadFileBytes(DataFile("id3v2/base.mp3"));
    // Lower-case letters, as some old writers left them.
    std::string lower = MakeFile(
        dir, "lower.mp3",
        Concat({ToBytes("id3"), Slice(Id3v2(3, 0, Frame23("TIT2", Latin1Text("lc"))), 3), audio}));
    Song song;
    ASSERT_TRUE(song.Open(lower, 0, 0));
    ASSERT_EQ(song.GetID3V2Info(), 1);
    EXPECT_EQ(song.GetTitle(), "lc");
    ASSERT_EQ(song.RemoveID3V2Info(), 1);
    EXPECT_EQ(ReadFileBytes(lower), audio);

    // A 2.4 tag with a footer: the footer goes with the tag.
    Bytes body = Frame24("TIT2", Latin1Text("ft"));
    Bytes withFooter = Concat({Id3v2(4, 0x10, body),
                               ToBytes("3DI"),
                               {4, 0, 0x10},
                               Slice(Id3v2(4, 0, body), 6, 10),
                               audio});
    std::string footer = MakeFile(dir, "footer.mp3", withFooter);
    ASSERT_TRUE(song.Open(footer, 0, 0));
    EXPECT_EQ(song.HasID3V2(), static_cast<int>(20 + body.size()));
    ASSERT_EQ(song.GetID3V2Info(), 1);
    ASSERT_EQ(song.WriteID3V2Info(), 1);
    Bytes rewritten = ReadFileBytes(footer);
    EXPECT_EQ(Slice(rewritten, static_cast<size_t>(song.HasID3V2())), audio);

    // A version nobody defined cannot be carried over: the file is left alone.
    std::string v5 = MakeFile(dir, "v5.mp3", Concat({Id3v2(5, 0, body), audio}));
    ASSERT_TRUE(song.Open(v5, 0, 0));
    EXPECT_EQ(song.WriteID3V2Info(), 0);
    EXPECT_EQ(ReadFileBytes(v5), Concat({Id3v2(5, 0, body), audio}));
}

TEST(Id3v2File, TunemossWritesShowsAndRemoves) {
    TempDir dir;
    std::string path = CopyDataFile(dir, "id3v2/base.mp3");
    RunResult write = RunTunemoss({"write", path, "--tag", "id3v2", "--title", "Über", "--artist",
                                   "Миша", "--track", "4", "--genre", "Jazz"});
    ASSERT_EQ(write.status, 0) << write.err;
    RunResult show = RunTunemoss({"show", "--json", path});
    ASSERT_EQ(show.status, 0) << show.err;
    EXPECT_NE(show.out.find("\"tag\": \"ID3V2\""), std::string::npos) << show.out;
    EXPECT_NE(show.out.find("Миша"), std::string::npos) << show.out;
    if (HaveMutagen()) {
        EXPECT_EQ(
            MutagenId3Mismatch(
                path, {{"title", "Über"}, {"artist", "Миша"}, {"track", "4"}, {"genre", "Jazz"}}),
            "");
    }
    RunResult remove = RunTunemoss({"remove", "--tag", "id3v2", path});
    ASSERT_EQ(remove.status, 0) << remove.err;
    EXPECT_EQ(ReadFileBytes(path), ReadFileBytes(DataFile("id3v2/base.mp3")));

    RunResult missing =
        RunTunemoss({"write", dir.file("none.mp3"), "--tag", "id3v2", "--title", "x"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("none.mp3"), std::string::npos);
}
