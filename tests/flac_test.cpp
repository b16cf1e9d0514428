// FLAC metadata: the block walker, the reader and the writer against files
// made by flac, metaflac and mutagen, checked with flac -t, metaflac and
// mutagen.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/StreamProperties.h"
#include "songcore/tags/flac/FlacMetadata.h"
#include "support/TestSupport.h"
#include "support/VorbisTestSupport.h"

using namespace testsupport;
using songcore::FlacLayout;

namespace {

std::optional<FlacLayout> WalkBytes(const std::vector<uint8_t>& bytes) {
    return songcore::WalkFlacMetadata(songcore::SpanReader(bytes), bytes.size());
}

std::vector<int> BlockTypes(const std::vector<uint8_t>& bytes) {
    std::vector<int> types;
    if (auto layout = WalkBytes(bytes)) {
        for (const auto& block : layout->blocks) {
            types.push_back(block.type);
        }
    }
    return types;
}

std::vector<uint8_t> AudioOf(const std::vector<uint8_t>& bytes) {
    auto layout = WalkBytes(bytes);
    if (!layout || !layout->complete) {
        return {};
    }
    return std::vector<uint8_t>(bytes.begin() + static_cast<ptrdiff_t>(layout->audioOffset),
                                bytes.end());
}

}  // namespace

TEST(FlacCodec, WalksTheBlocksOfRealFiles) {
    std::vector<uint8_t> plain = ReadFileBytes(DataFile("flac/plain.flac"));
    auto layout = WalkBytes(plain);
    ASSERT_TRUE(layout);
    EXPECT_TRUE(layout->complete);
    EXPECT_EQ(BlockTypes(plain), (std::vector<int>{0, 3, 4, 1}));
    EXPECT_TRUE(layout->blocks.back().last);
    // The frames start with the frame sync code.
    ASSERT_LT(layout->audioOffset + 1, plain.size());
    EXPECT_EQ(plain[layout->audioOffset], 0xFF);
    EXPECT_EQ(plain[layout->audioOffset + 1] & 0xFC, 0xF8);

    EXPECT_EQ(BlockTypes(ReadFileBytes(DataFile("flac/bare.flac"))), (std::vector<int>{0}));
    EXPECT_EQ(BlockTypes(ReadFileBytes(DataFile("flac/twocomments.flac"))),
              (std::vector<int>{0, 3, 4, 4, 1}));
}

TEST(FlacCodec, RefusesWhatIsNotNativeFlac) {
    std::vector<uint8_t> plain = ReadFileBytes(DataFile("flac/plain.flac"));
    std::vector<uint8_t> capitals = plain;
    std::memcpy(capitals.data(), "FLAC", 4);
    EXPECT_FALSE(WalkBytes(capitals));

    std::vector<uint8_t> id3 = {'I', 'D', '3', 4, 0, 0, 0, 0, 0, 0};
    id3.insert(id3.end(), plain.begin(), plain.end());
    EXPECT_FALSE(WalkBytes(id3));

    std::vector<uint8_t> shortInfo = plain;
    shortInfo[7] = 33;  // a stream information block of 33 bytes
    EXPECT_FALSE(WalkBytes(shortInfo));

    std::vector<uint8_t> notFirst = plain;
    notFirst[4] = 4;  // the first block claims to be comments
    EXPECT_FALSE(WalkBytes(notFirst));

    // Cut inside the comment block: the walk stops there, incomplete.
    std::vector<uint8_t> cut(plain.begin(), plain.begin() + 120);
    auto layout = WalkBytes(cut);
    ASSERT_TRUE(layout);
    EXPECT_FALSE(layout->complete);
}

TEST(FlacRead, FieldsAndStreamProperties) {
    CSongFileInfo info;
    ASSERT_TRUE(info.Open(DataFile("flac/plain.flac"), 1, 0));
    ASSERT_EQ(info.GetSongInfo(), 1);
    EXPECT_EQ(info.GetTagKind(), TAG_FLAC);
    EXPECT_EQ(info.GetTitle(), "Plain Title");
    EXPECT_EQ(info.GetTrackNum(), 4u);  // "4/9"
    EXPECT_EQ(info.GetGenreString(), "Jazz");
    EXPECT_EQ(info.GetComment(), "a description; lower case key");  // DESCRIPTION, then comment=
    EXPECT_EQ(info.GetVersion(), "Live");
    EXPECT_EQ(info.GetVendor(), "reference libFLAC 1.4.2 20221022");

    songcore::StreamProperties stream = songcore::ReadStreamProperties(info);
    EXPECT_EQ(StreamNumber(stream, "channels"), 1);
    EXPECT_EQ(StreamNumber(stream, "sample_rate"), 8000);
    EXPECT_EQ(StreamNumber(stream, "bits_per_sample"), 16);
    EXPECT_EQ(StreamNumber(stream, "total_samples"), 1600);
    ASSERT_TRUE(stream.find("length_seconds"));
    EXPECT_DOUBLE_EQ(std::get<double>(stream.find("length_seconds")->value), 0.2);

    // Only the stream information block: a read without comments.
    ASSERT_TRUE(info.Open(DataFile("flac/bare.flac"), 1, 0));
    EXPECT_EQ(info.GetFlacInfo(), 1);
    EXPECT_EQ(info.GetTitle(), "");

    // The first of two comment blocks is the one read.
    ASSERT_TRUE(info.Open(DataFile("flac/twocomments.flac"), 1, 0));
    EXPECT_EQ(info.GetFlacInfo(), 1);
    EXPECT_EQ(info.GetTitle(), "Plain Title");
}

TEST(FlacWrite, BlockOrderAudioAndUnmanagedItems) {
    TempDir dir;
    std::string path = CopyDataFile(dir, "flac/plain.flac");
    std::vector<uint8_t> before = ReadFileBytes(path);
    CSongFileInfo info;
    ASSERT_TRUE(info.Open(path, 0, 0));
    ASSERT_EQ(info.GetFlacInfo(), 1);
    unsigned long oldSize = 0;
    {
        auto layout = WalkBytes(before);
        for (const auto& block : layout->blocks) {
            oldSize = block.type == 4 ? block.length : oldSize;
        }
    }
    info.SetTitle("Neuer Titel \xC3\xA4");
    info.SetLyrics("la la\nla");
    ASSERT_EQ(info.WriteFlacInfo(), 1);
    info.Close();

    // The padding gave the room: same blocks, same length, same frames.
    std::vector<uint8_t> after = ReadFileBytes(path);
    EXPECT_EQ(BlockTypes(after), (std::vector<int>{0, 3, 4, 1}));
    auto layout = WalkBytes(after);
    ASSERT_TRUE(layout && layout->complete);
    EXPECT_EQ(after.size(), before.size());
    EXPECT_GT(layout->blocks[2].length, oldSize);
    EXPECT_EQ(AudioOf(after), AudioOf(before));
    EXPECT_TRUE(FlacTestPasses(path));
    EXPECT_EQ(MetaflacBlockTypes(path),
              (std::vector<std::string>{"STREAMINFO", "SEEKTABLE", "VORBIS_COMMENT", "PADDING"}));
    if (HaveMutagen()) {
        MutagenComments tags = ReadWithMutagen(path, "flac");
        ASSERT_TRUE(tags.ok) << tags.error;
        EXPECT_EQ(tags.vendor, "reference libFLAC 1.4.2 20221022");
        EXPECT_EQ(tags.items,
                  (std::vector<std::string>{"TITLE=Neuer Titel \xC3\xA4", "ARTIST=Plain Artist",
                                            "ALBUM=Plain Album", "TRACKNUMBER=4/9", "DATE=1999",
                                            "GENRE=Jazz", "DESCRIPTION=a description",
                                            "VERSION=Live", "REPLAYGAIN_TRACK_GAIN=-2.10 dB",
                                            "comment=lower case key", "LYRICS=la la\nla"}));
    }
}

TEST(FlacWrite, PictureBareAndTwoCommentBlocks) {
    TempDir dir;
    // The picture block is carried over byte for byte.
    std::string picture = CopyDataFile(dir, "flac/picture.flac");
    std::vector<uint8_t> before = ReadFileBytes(picture);
    auto pictureBody = [](const std::vector<uint8_t>& bytes) {
        std::optional<FlacLayout> layout = WalkBytes(bytes);
        for (const auto& block : layout->blocks) {
            if (block.type == songcore::kFlacPicture) {
                return std::vector<uint8_t>(
                    bytes.begin() + static_cast<ptrdiff_t>(block.offset),
                    bytes.begin() + static_cast<ptrdiff_t>(block.bodyOffset() + block.length));
            }
        }
        return std::vector<uint8_t>();
    };
    CSongFileInfo info;
    ASSERT_TRUE(info.Open(picture, 0, 0));
    ASSERT_EQ(info.GetFlacInfo(), 1);
    info.SetAlbum("Other Album, longer than the old one");  // no padding to grow into
    ASSERT_EQ(info.WriteFlacInfo(), 1);
    info.Close();
    std::vector<uint8_t> after = ReadFileBytes(picture);
    ASSERT_FALSE(pictureBody(before).empty());
    std::vector<uint8_t> expected = pictureBody(before);
    expected[0] &= 0x7F;  // no longer the last block
    EXPECT_EQ(pictureBody(after), expected);
    // Rewritten with the comments last and, as there was none, no padding.
    EXPECT_EQ(BlockTypes(after), (std::vector<int>{0, 3, 6, 4}));
    EXPECT_TRUE(FlacTestPasses(picture));

    // Only the stream information: the comments go between it and the frames.
    std::string bare = CopyDataFile(dir, "flac/bare.flac");
    before = ReadFileBytes(bare);
    {
        CSongFileInfo fresh;  // nothing read, as the editor writes
        ASSERT_TRUE(fresh.Open(bare, 0, 0));
        ASSERT_EQ(fresh.WriteFlacInfo(), 1);
    }
    after = ReadFileBytes(bare);
    EXPECT_EQ(BlockTypes(after), (std::vector<int>{0, 4}));
    EXPECT_EQ(after[4] & 0x80, 0);
    EXPECT_EQ(AudioOf(after), AudioOf(before));
    EXPECT_TRUE(FlacTestPasses(bare));
    if (HaveMutagen()) {
        MutagenComments tags = ReadWithMutagen(bare, "flac");
        ASSERT_TRUE(tags.ok) << tags.error;
        EXPECT_EQ(tags.vendor, "reference libFLAC 1.1.0 20030126");
        EXPECT_EQ(tags.items, std::vector<std::string>{});  // nothing was set
    }

    // Two comment blocks become one that keeps the foreign items of both.
    std::string two = CopyDataFile(dir, "flac/twocomments.flac");
    ASSERT_TRUE(info.Open(two, 0, 0));
    ASSERT_EQ(info.GetFlacInfo(), 1);
    ASSERT_EQ(info.WriteFlacInfo(), 1);
    info.Close();
    // Rewritten, with a little padding as the file had some.
    std::vector<uint8_t> collapsed = ReadFileBytes(two);
    EXPECT_EQ(BlockTypes(collapsed), (std::vector<int>{0, 3, 4, 1}));
    EXPECT_EQ(WalkBytes(collapsed)->blocks.back().length, 1024u);
    EXPECT_TRUE(FlacTestPasses(two));
    if (HaveMutagen()) {
        MutagenComments tags = ReadWithMutagen(two, "flac");
        ASSERT_TRUE(tags.ok) << tags.error;
        EXPECT_TRUE(HasItem(tags.items, "TITLE=Plain Title"));
        EXPECT_FALSE(HasItem(tags.items, "TITLE=Second Title"));
        EXPECT_TRUE(HasItem(tags.items, "REPLAYGAIN_TRACK_GAIN=-2.10 dB"));
        EXPECT_TRUE(HasItem(tags.items, "MUSICBRAINZ_ALBUMID=abc-123"));
    }
}

TEST(FlacWrite, RefusalsLeaveTheFileUntouched) {
    TempDir dir;
    CSongFileInfo info;

    // A comment block over the 24-bit length limit.
    std::string big = CopyDataFile(dir, "flac/plain.flac");
    std::vector<uint8_t> before = ReadFileBytes(big);
    ASSERT_TRUE(info.Open(big, 0, 0));
    info.SetLyrics(std::string(0x1000000, 'x'));
    EXPECT_EQ(info.WriteFlacInfo(), 0);
    info.Close();
    EXPECT_EQ(ReadFileBytes(big), before);

    // Cut inside the metadata: where the frames start is unknown.
    std::string cut = dir.file("cut.flac");
    WriteFileBytes(cut, std::vector<uint8_t>(before.begin(), before.begin() + 120));
    ASSERT_TRUE(info.Open(cut, 0, 0));
    info.SetLyrics("");
    EXPECT_EQ(info.WriteFlacInfo(), 0);
    info.Close();
    EXPECT_EQ(ReadFileBytes(cut).size(), 120u);

    // An ID3v2 tag before the signature.
    std::string tagged = dir.file("tagged.flac");
    std::vector<uint8_t> id3 = {'I', 'D', '3', 4, 0, 0, 0, 0, 0, 0};
    // Room first: GCC 12 wrongly sees the growth overrun the small vector
    // in an optimised build.
    id3.reserve(id3.size() + before.size());
    id3.insert(id3.end(), before.begin(), before.end());
    WriteFileBytes(tagged, id3);
    ASSERT_TRUE(info.Open(tagged, 0, 0));
    EXPECT_EQ(info.GetFlacInfo(), 0);
    EXPECT_EQ(info.WriteFlacInfo(), 0);
    info.Close();
    EXPECT_EQ(ReadFileBytes(tagged), id3);
}

TEST(FlacWrite, CommandLineWriteAndShow) {
    TempDir dir;
    std::string path = CopyDataFile(dir, "flac/picture.flac");
    RunResult write =
        RunTunemoss({"write", path, "--tag", "flac", "--artist", "CLI Artist", "--track", "2"});
    ASSERT_EQ(write.status, 0) << write.err;
    RunResult show = RunTunemoss({"show", "--json", path});
    ASSERT_EQ(show.status, 0) << show.err;
    EXPECT_NE(show.out.find("\"artist\": \"CLI Artist\""), std::string::npos) << show.out;
    EXPECT_NE(show.out.find("\"track\": 2"), std::string::npos);
    EXPECT_NE(show.out.find("\"bits_per_sample\": 16"), std::string::npos);
    EXPECT_NE(show.out.find("\"total_samples\": 1600"), std::string::npos);
    EXPECT_TRUE(FlacTestPasses(path));

    std::string notFlac = dir.file("not.flac");
    WriteFileBytes(notFlac, {'F', 'L', 'A', 'C', 0, 0, 0, 0});
    RunResult refused = RunTunemoss({"write", notFlac, "--title", "x"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("not.flac"), std::string::npos);
}

namespace {

// plain.flac tagged by mutagen the way other programs tag: two artists, a
// track with its total, a genre outside the genre table.
std::string MutagenTagged(const TempDir& dir) {
    std::string path = CopyDataFile(dir, "flac/plain.flac", "tagged.flac");
    EXPECT_TRUE(EditWithMutagen(path, "flac",
                                "f['ARTIST'] = ['A1', 'A2']\n"
                                "f['TRACKNUMBER'] = '5/12'\n"
                                "f['GENRE'] = 'Shoegaze'"));
    return path;
}

// The bytes that are not metadata: the signature and the frames.
std::vector<uint8_t> OutsideMetadata(const std::vector<uint8_t>& bytes) {
    std::vector<uint8_t> outside(bytes.begin(), bytes.begin() + 4);
    std::vector<uint8_t> audio = AudioOf(bytes);
    outside.insert(outside.end(), audio.begin(), audio.end());
    return outside;
}

void ExpectSoundFlac(const std::string& path) {
    EXPECT_TRUE(FlacTestPasses(path));
    EXPECT_EQ(FfmpegDecodeProblems(path), "");
}

}  // namespace

TEST(FlacWrite, UntouchedFieldsKeepEveryValueAndTheFileKeepsItsLength) {
    if (!HaveMutagen()) {
        GTEST_SKIP() << "mutagen is not installed";
    }
    TempDir dir;
    std::string path = MutagenTagged(dir);
    std::vector<uint8_t> before = ReadFileBytes(path);
    {
        CSongFileInfo info;
        ASSERT_TRUE(info.Open(path, 1, 0));
        ASSERT_EQ(info.GetFlacInfo(), 1);
        EXPECT_EQ(info.GetArtist(), "A1; A2");
        EXPECT_EQ(info.GetTrackNum(), 5u);
        EXPECT_EQ(info.GetGenre(), GENRE_NONE);
    }
    RunResult write = RunTunemoss({"write", path, "--year", "2003"});
    ASSERT_EQ(write.status, 0) << write.err;
    std::vector<uint8_t> after = ReadFileBytes(path);
    EXPECT_EQ(after.size(), before.size());
    EXPECT_EQ(OutsideMetadata(after), OutsideMetadata(before));
    EXPECT_EQ(BlockTypes(after), BlockTypes(before));
    ExpectSoundFlac(path);
    MutagenComments tags = ReadWithMutagen(path, "flac");
    ASSERT_TRUE(tags.ok) << tags.error;
    // mutagen put the fields it set last; the order stays as it left it.
    EXPECT_EQ(tags.items, (std::vector<std::string>{
                              "TITLE=Plain Title", "ALBUM=Plain Album", "DATE=2003",
                              "DESCRIPTION=a description", "VERSION=Live",
                              "REPLAYGAIN_TRACK_GAIN=-2.10 dB", "comment=lower case key",
                              "ARTIST=A1", "ARTIST=A2", "TRACKNUMBER=5/12", "GENRE=Shoegaze"}));

    // Several values in one text become several items where the old ones
    // stood; a cleared field loses its item.
    write = RunTunemoss({"write", path, "--artist", "B1; B2;  B3 ", "--album", ""});
    ASSERT_EQ(write.status, 0) << write.err;
    EXPECT_EQ(ReadFileBytes(path).size(), before.size());
    ExpectSoundFlac(path);
    tags = ReadWithMutagen(path, "flac");
    ASSERT_TRUE(tags.ok) << tags.error;
    EXPECT_EQ(tags.items,
              (std::vector<std::string>{
                  "TITLE=Plain Title", "DATE=2003", "DESCRIPTION=a description", "VERSION=Live",
                  "REPLAYGAIN_TRACK_GAIN=-2.10 dB", "comment=lower case key", "ARTIST=B1",
                  "ARTIST=B2", "ARTIST=B3", "TRACKNUMBER=5/12", "GENRE=Shoegaze"}));

    // An edited comment replaces both of the keys it was read from, with
    // one value: a comment is text, "; " and all.
    write = RunTunemoss({"write", path, "--comment", "one; two"});
    ASSERT_EQ(write.status, 0) << write.err;
    tags = ReadWithMutagen(path, "flac");
    EXPECT_TRUE(HasItem(tags.items, "COMMENT=one; two"));
    EXPECT_FALSE(HasItem(tags.items, "DESCRIPTION=a description"));
    EXPECT_FALSE(HasItem(tags.items, "comment=lower case key"));
}

TEST(FlacWrite, TitleOnlyOnAnUntaggedFileAddsOnlyTheTitle) {
    if (!HaveMutagen()) {
        GTEST_SKIP() << "mutagen is not installed";
    }
    TempDir dir;
    std::string empty = CopyDataFile(dir, "flac/plain.flac", "empty.flac");
    ASSERT_TRUE(EditWithMutagen(empty, "flac", "f.clear()"));
    std::string bare = CopyDataFile(dir, "flac/bare.flac");
    for (const std::string& path : {empty, bare}) {
        RunResult write = RunTunemoss({"write", path, "--tag", "flac", "--title", "Only"});
        ASSERT_EQ(write.status, 0) << write.err;
        ExpectSoundFlac(path);
        MutagenComments tags = ReadWithMutagen(path, "flac");
        ASSERT_TRUE(tags.ok) << tags.error;
        EXPECT_EQ(tags.items, std::vector<std::string>{"TITLE=Only"}) << path;
    }
    // The bare file had no padding and gets none.
    EXPECT_EQ(BlockTypes(ReadFileBytes(bare)), (std::vector<int>{0, 4}));
}

TEST(FlacWrite, PaddingGivesAndTakesTheDifference) {
    TempDir dir;
    std::string path = CopyDataFile(dir, "flac/plain.flac");
    std::vector<uint8_t> original = ReadFileBytes(path);
    const uint32_t padding = WalkBytes(original)->blocks.back().length;
    auto write = [&](auto edit) {
        CSongFileInfo info;
        EXPECT_TRUE(info.Open(path, 0, 0));
        EXPECT_EQ(info.GetFlacInfo(), 1);
        edit(info);
        EXPECT_EQ(info.WriteFlacInfo(), 1);
        info.Close();
        return ReadFileBytes(path);
    };

    // Growth that uses up exactly the whole padding block, header and all.
    std::vector<uint8_t> after =
        write([&](CSongFileInfo& info) { info.SetLyrics(std::string(padding - 7, 'l')); });
    EXPECT_EQ(after.size(), original.size());
    EXPECT_EQ(BlockTypes(after), (std::vector<int>{0, 3, 4}));
    EXPECT_TRUE(WalkBytes(after)->blocks.back().last);
    EXPECT_EQ(OutsideMetadata(after), OutsideMetadata(original));
    EXPECT_TRUE(FlacTestPasses(path));

    // Shrinking without padding leaves a new padding block in the room.
    after = write([](CSongFileInfo& info) { info.SetLyrics(""); });
    EXPECT_EQ(after.size(), original.size());
    EXPECT_EQ(BlockTypes(after), (std::vector<int>{0, 3, 4, 1}));
    EXPECT_EQ(WalkBytes(after)->blocks.back().length, padding);
    EXPECT_EQ(OutsideMetadata(after), OutsideMetadata(original));
    EXPECT_TRUE(FlacTestPasses(path));

    // Growth past the padding: rewritten, with 1024 bytes of padding again.
    after = write([](CSongFileInfo& info) { info.SetLyrics(std::string(5000, 'l')); });
    EXPECT_EQ(BlockTypes(after), (std::vector<int>{0, 3, 4, 1}));
    EXPECT_EQ(WalkBytes(after)->blocks.back().length, 1024u);
    EXPECT_EQ(AudioOf(after), AudioOf(original));
    EXPECT_TRUE(FlacTestPasses(path));
}

namespace {

// plain.flac with its padding dropped and the comment block declaring
// shortBy bytes less than its list holds, as an old encoder wrote them;
// withPaddingAfter puts the padding block back after it.
std::vector<uint8_t> ShortDeclaredComment(uint32_t shortBy, bool withPaddingAfter) {
    std::vector<uint8_t> plain = ReadFileBytes(DataFile("flac/plain.flac"));
    auto layout = WalkBytes(plain);
    std::vector<uint8_t> out(plain.begin(), plain.begin() + 4);
    for (const auto& block : layout->blocks) {
        if (block.type == songcore::kFlacPadding && !withPaddingAfter) {
            continue;
        }
        bool last = block.type == songcore::kFlacPadding ||
                    (block.type == songcore::kFlacVorbisComment && !withPaddingAfter);
        uint32_t declared =
            block.type == songcore::kFlacVorbisComment ? block.length - shortBy : block.length;
        songcore::AppendFlacBlockHeader(out, block.type, last, declared);
        out.insert(out.end(), plain.begin() + static_cast<ptrdiff_t>(block.bodyOffset()),
                   plain.begin() + static_cast<ptrdiff_t>(block.bodyOffset() + block.length));
    }
    std::vector<uint8_t> audio = AudioOf(plain);
    out.insert(out.end(), audio.begin(), audio.end());
    return out;
}

}  // namespace

TEST(FlacRead, CommentBlockDeclaredShorterThanItsListIsReadAndRewrittenRight) {
    TempDir dir;
    for (bool paddingAfter : {false, true}) {
        std::string path = dir.file(paddingAfter ? "short-padded.flac" : "short.flac");
        WriteFileBytes(path, ShortDeclaredComment(20, paddingAfter));
        CSongFileInfo info;
        ASSERT_TRUE(info.Open(path, 0, 0));
        ASSERT_EQ(info.GetFlacInfo(), 1) << path;
        EXPECT_EQ(info.GetTitle(), "Plain Title");
        EXPECT_EQ(info.GetVersion(), "Live");
        info.SetYear("2010");
        ASSERT_EQ(info.WriteFlacInfo(), 1) << info.GetErrorMessage();
        info.Close();
        EXPECT_TRUE(FlacTestPasses(path)) << path;
        std::vector<uint8_t> after = ReadFileBytes(path);
        EXPECT_EQ(AudioOf(after), AudioOf(ReadFileBytes(DataFile("flac/plain.flac"))));
        if (HaveMutagen()) {
            MutagenComments tags = ReadWithMutagen(path, "flac");
            ASSERT_TRUE(tags.ok) << tags.error;
            EXPECT_TRUE(HasItem(tags.items, "DATE=2010"));
            EXPECT_TRUE(HasItem(tags.items, "REPLAYGAIN_TRACK_GAIN=-2.10 dB"));
        }
    }

    // A list that runs on but does not lead to the frames is damage: the
    // walk keeps to the declared lengths and the file is not written.
    std::vector<uint8_t> bytes = ShortDeclaredComment(20, false);
    auto layout = WalkBytes(bytes);
    ASSERT_TRUE(layout);
    size_t audio = static_cast<size_t>(layout->audioOffset);
    bytes[audio] = 0x00;  // no frame sync where the list ends
    std::string broken = dir.file("broken.flac");
    WriteFileBytes(broken, bytes);
    CSongFileInfo info;
    ASSERT_TRUE(info.Open(broken, 0, 0));
    EXPECT_EQ(info.GetFlacInfo(), 0);
    info.SetTitle("x");
    EXPECT_EQ(info.WriteFlacInfo(), 0);
    info.Close();
    EXPECT_EQ(ReadFileBytes(broken), bytes);
}
