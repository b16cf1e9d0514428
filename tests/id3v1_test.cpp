// ID3v1 tags: what other tools write, what we write, and the layout rules.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/id3/Id3v1Tag.h"
#include "support/TestSupport.h"

using songcore::Id3v1Tag;
using testsupport::TempDir;

namespace {

std::vector<uint8_t> LastTag(const std::string& path) {
    auto bytes = testsupport::ReadFileBytes(path);
    return std::vector<uint8_t>(bytes.end() - 128, bytes.end());
}

}  // namespace

TEST(Id3v1Read, Version11TagFromMutagen) {
    CSongFileInfo info;
    ASSERT_EQ(info.Open(testsupport::DataFile("id3v1/v11.mp3"), 1, 0), 1);
    ASSERT_EQ(info.GetID3V1Info(), 1);
    EXPECT_EQ(info.GetTitle(), "Caf\xC3\xA9 del Mar");  // ISO-8859-1 decoded
    EXPECT_EQ(info.GetArtist(), "Jos\xC3\xA9 Padilla");
    EXPECT_EQ(info.GetAlbum(), "Chill Out");
    EXPECT_EQ(info.GetYear(), "1999");
    EXPECT_EQ(info.GetComment(), "first pressing");
    EXPECT_EQ(info.GetTrackNum(), 7u);
    EXPECT_EQ(info.GetGenreString(), "Ambient");
    EXPECT_EQ(info.GetTagKind(), TAG_ID3V1);
}

TEST(Id3v1Read, Version10TagHasNoTrackButKeepsItsGenre) {
    CSongFileInfo info;
    ASSERT_EQ(info.Open(testsupport::DataFile("id3v1/v10.mp3"), 1, 0), 1);
    ASSERT_EQ(info.GetID3V1Info(), 1);
    EXPECT_EQ(info.GetComment(), "a comment of thirty bytes long");
    EXPECT_EQ(info.GetTrackNum(), 0u);
    EXPECT_EQ(info.GetGenre(), 26);
}

TEST(Id3v1Read, OddAndBrokenFiles) {
    CSongFileInfo info;
    ASSERT_EQ(info.Open(testsupport::DataFile("id3v1/lowercase.mp3"), 1, 0), 1);
    EXPECT_EQ(info.GetID3V1Info(), 1);  // "tag" in lower case is accepted
    EXPECT_EQ(info.GetTrackNum(), 3u);
    ASSERT_EQ(info.Open(testsupport::DataFile("id3v1/short.mp3"), 1, 0), 1);
    EXPECT_EQ(info.GetID3V1Info(), 0);  // shorter than a tag
    ASSERT_EQ(info.Open(testsupport::DataFile("id3v1/none.mp3"), 1, 0), 1);
    EXPECT_EQ(info.GetID3V1Info(), 0);
    EXPECT_EQ(info.GetGenre(), 148);  // a failed read leaves the defaults
}

TEST(Id3v1Codec, GenreAndTrackBytes) {
    std::array<uint8_t, 128> block{};
    std::memcpy(block.data(), "TAG", 3);
    block[125] = 0x20;  // a blank inside a 30-byte comment: version 1.0
    block[126] = 'x';
    block[127] = 200;
    auto tag = Id3v1Tag::Parse(block);
    ASSERT_TRUE(tag);
    EXPECT_FALSE(tag->hasTrackByte);
    EXPECT_EQ(tag->track, 0);
    CSongFileInfo info;
    info.SetGenre(static_cast<unsigned short>(tag->genre));
    EXPECT_EQ(info.GetGenre(), 148);  // out of the table
    EXPECT_FALSE(Id3v1Tag::Parse(std::span<const uint8_t>(block.data(), 127)));
}

TEST(Id3v1Write, FieldLimitsAndNumbers) {
    Id3v1Tag tag;
    tag.title = std::string(35, 'T');
    tag.comment = std::string(30, 'c');
    tag.year = "19999";
    tag.track = static_cast<uint8_t>(300 & 0xFF);
    tag.genre = 148;
    auto block = tag.Serialize();
    auto back = Id3v1Tag::Parse(block);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->title, std::string(30, 'T'));
    EXPECT_EQ(back->comment, std::string(28, 'c'));
    EXPECT_EQ(back->year, "1999");
    EXPECT_EQ(block[125], 0);
    EXPECT_EQ(block[126], 44);
    EXPECT_EQ(block[127], 148);
}

TEST(Id3v1Write, TextOutsideLatin1BecomesQuestionMarks) {
    Id3v1Tag tag;
    tag.artist = "\xD0\x9A\xD0\xB8\xD0\xBD\xD0\xBE";  // Кино
    tag.title = "\xC3\xA9t\xC3\xA9";                  // été: fits ISO-8859-1
    // 30 two-byte characters: cut at 30 characters, not in the middle of one.
    for (int i = 0; i < 30; ++i) {
        tag.album += "\xC3\xBC";
    }
    auto block = tag.Serialize();
    EXPECT_EQ(std::string(block.begin() + 33, block.begin() + 37), "????");
    EXPECT_EQ(block[3], 0xE9);
    auto back = Id3v1Tag::Parse(block);
    EXPECT_EQ(back->title, "\xC3\xA9t\xC3\xA9");
    EXPECT_EQ(back->album.size(), 60u);
}

TEST(Id3v1Write, AppendsOnceThenReplacesAndKeepsTheAudio) {
    TempDir dir;
    std::string path = testsupport::CopyDataFile(dir, "id3v1/none.mp3");
    auto audio = testsupport::ReadFileBytes(path);
    CSongFileInfo info;
    ASSERT_EQ(info.Open(path, 0, 0), 1);
    info.SetTitle("One");
    info.SetTrackNum(255);
    ASSERT_EQ(info.WriteID3V1Info(), 1);
    EXPECT_EQ(testsupport::ReadFileBytes(path).size(), audio.size() + 128);
    info.SetTitle("Two");
    ASSERT_EQ(info.WriteID3V1Info(), 1);
    auto bytes = testsupport::ReadFileBytes(path);
    ASSERT_EQ(bytes.size(), audio.size() + 128);
    EXPECT_TRUE(std::equal(audio.begin(), audio.end(), bytes.begin()));
    EXPECT_EQ(LastTag(path)[126], 255);

    // A track number the byte cannot hold is refused, not stored wrapped
    // round (300 would read back as 44).
    info.SetTitle("Three");
    info.SetTrackNum(300);
    EXPECT_EQ(info.WriteID3V1Info(), 0);
    EXPECT_NE(info.GetErrorMessage().find("255"), std::string::npos) << info.GetErrorMessage();
    EXPECT_EQ(testsupport::ReadFileBytes(path), bytes);

    CSongFileInfo reread;
    ASSERT_EQ(reread.Open(path, 1, 0), 1);
    ASSERT_EQ(reread.GetID3V1Info(), 1);
    EXPECT_EQ(reread.GetTitle(), "Two");
    EXPECT_EQ(reread.GetTrackNum(), 255u);
}

// Beside an ID3v2 tag, which holds the number, the ID3v1 tag has no track
// rather than a wrong one.
TEST(Id3v1Write, ATrackBeyondTheByteIsLeftToTheId3v2Tag) {
    TempDir dir;
    std::string path = testsupport::CopyDataFile(dir, "id3v1/v11.mp3");
    CSongFileInfo info;
    ASSERT_EQ(info.Open(path, 0, 0), 1);
    ASSERT_EQ(info.GetSongInfo(), 1);
    ASSERT_EQ(info.GetTagKind(), TAG_ID3V1);
    info.SetTitle("Long album");
    info.SetTrackNum(300);
    ASSERT_EQ(info.WriteSongInfo(), 1);
    info.Close();
    EXPECT_EQ(LastTag(path)[126], 0);
    CSongFileInfo reread;
    ASSERT_EQ(reread.Open(path, 1, 0), 1);
    ASSERT_EQ(reread.GetSongInfo(), 1);
    EXPECT_EQ(reread.GetTrackNum(), 300u);
}

TEST(Id3v1Write, ReadOnlyOpenFailsWithoutChangingTheFile) {
    TempDir dir;
    std::string path = testsupport::CopyDataFile(dir, "id3v1/v11.mp3");
    auto before = testsupport::ReadFileBytes(path);
    CSongFileInfo info;
    ASSERT_EQ(info.Open(path, 1, 0), 1);
    info.SetTitle("x");
    EXPECT_EQ(info.WriteID3V1Info(), 0);
    EXPECT_EQ(info.RemoveID3V1Info(), 0);
    EXPECT_EQ(testsupport::ReadFileBytes(path), before);
}

TEST(Id3v1Remove, RemovesEveryStackedTag) {
    TempDir dir;
    std::string path = testsupport::CopyDataFile(dir, "id3v1/two_tags.mp3");
    CSongFileInfo info;
    ASSERT_EQ(info.Open(path, 0, 0), 1);
    ASSERT_EQ(info.RemoveID3V1Info(), 1);
    EXPECT_EQ(testsupport::ReadFileBytes(path),
              testsupport::ReadFileBytes(testsupport::DataFile("id3v1/none.mp3")));
    EXPECT_EQ(info.RemoveID3V1Info(), 1);  // nothing left: still success
}

TEST(Id3v1Peer, MutagenReadsWhatWeWrite) {
    if (!testsupport::HaveMutagen()) {
        GTEST_SKIP() << "python3-mutagen is not installed";
    }
    TempDir dir;
    std::string path = testsupport::CopyDataFile(dir, "id3v1/none.mp3");
    auto result = testsupport::RunTunemoss({"write", path, "--tag", "id3v1", "--title",
                                            "Caf\xC3\xA9", "--artist", "Sigur R\xC3\xB3s",
                                            "--album", "( )", "--year", "2002", "--comment",
                                            "untitled", "--track", "4", "--genre", "Ambient"});
    ASSERT_EQ(result.status, 0) << result.err;
    auto peer = testsupport::RunPython(
        "import sys, json\n"
        "from mutagen.id3 import ID3\n"
        "t = ID3(sys.argv[1])\n"
        "print(json.dumps({k: str(t[k]) for k in ('TIT2','TPE1','TALB','TDRC','TRCK','TCON')},"
        " ensure_ascii=False))\n"
        "print(str(t.getall('COMM')[0]))\n",
        {path});
    ASSERT_EQ(peer.status, 0) << peer.err;
    EXPECT_EQ(peer.out,
              "{\"TIT2\": \"Caf\xC3\xA9\", \"TPE1\": \"Sigur R\xC3\xB3s\", \"TALB\": \"( )\", "
              "\"TDRC\": \"2002\", \"TRCK\": \"4\", \"TCON\": \"Ambient\"}\nuntitled\n");
}

TEST(Id3v1Write, TellsWhetherTheTextsFitWhole) {
    auto holds = [](void (*edit)(Id3v1Tag&)) {
        Id3v1Tag tag;
        edit(tag);
        return tag.HoldsTextsWhole();
    };
    EXPECT_TRUE(holds([](Id3v1Tag&) {}));
    // Lengths count ISO-8859-1 bytes: 30 characters é fit the title.
    EXPECT_TRUE(holds([](Id3v1Tag& t) {
        for (int i = 0; i < 30; ++i) {
            t.title += "\xC3\xA9";
        }
    }));
    EXPECT_FALSE(holds([](Id3v1Tag& t) { t.title = std::string(31, 'x'); }));
    EXPECT_FALSE(holds([](Id3v1Tag& t) { t.album = std::string(31, 'x'); }));
    EXPECT_FALSE(holds([](Id3v1Tag& t) { t.year = "19999"; }));
    EXPECT_TRUE(holds([](Id3v1Tag& t) { t.comment = std::string(28, 'c'); }));
    EXPECT_FALSE(holds([](Id3v1Tag& t) { t.comment = std::string(29, 'c'); }));
    EXPECT_FALSE(holds([](Id3v1Tag& t) { t.artist = "\xD0\x9A"; }));  // К
}

// 255 is ID3v1's "no genre"; 148 and above are genres of the extended lists
// other readers know ("Abstract" ...), which we read as none. A write keeps
// the byte of a genre it did not change, and writes none as 255.
TEST(Id3v1Write, NoGenreIs255AndAnUntouchedByteStays) {
    TempDir dir;
    // A history of its own, so that no other test's edit is undone here.
    ASSERT_EQ(setenv("XDG_STATE_HOME", dir.file("state").c_str(), 1), 0);
    for (uint8_t stored : {uint8_t{255}, uint8_t{200}, uint8_t{17}}) {
        SCOPED_TRACE(int{stored});
        std::string path = testsupport::CopyDataFile(dir, "id3v1/v11.mp3", "genre.mp3");
        auto bytes = testsupport::ReadFileBytes(path);
        bytes.back() = stored;
        testsupport::WriteFileBytes(path, bytes);
        auto write = testsupport::RunTunemoss({"write", path, "--tag", "id3v1", "--title", "New"});
        ASSERT_EQ(write.status, 0) << write.err;
        EXPECT_EQ(LastTag(path)[127], stored);
        ASSERT_EQ(testsupport::RunTunemoss({"undo"}).status, 0);
        EXPECT_EQ(testsupport::ReadFileBytes(path), bytes);
        std::filesystem::remove(path);
    }
    // A song without a genre gets 255, whatever wrote it before.
    std::string path = testsupport::CopyDataFile(dir, "id3v1/none.mp3");
    CSongFileInfo info;
    ASSERT_EQ(info.Open(path, 0, 0), 1);
    info.SetTitle("No genre");
    ASSERT_EQ(info.WriteID3V1Info(), 1);
    EXPECT_EQ(LastTag(path)[127], 255);
    ASSERT_EQ(info.GetID3V1Info(), 1);
    info.SetGenre(static_cast<unsigned short>(GENRE_NONE));
    ASSERT_EQ(info.WriteID3V1Info(), 1);
    EXPECT_EQ(LastTag(path)[127], 255);
}
