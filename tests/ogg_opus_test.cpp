// Opus and FLAC streams in Ogg: their comments read and written through the
// same field table as Vorbis comments, checked against files made by ffmpeg
// (libopus) and flac, tagged by mutagen, and decoded by ffmpeg and flac.
#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "songcore/songfile/SongType.h"
#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/StreamProperties.h"
#include "songcore/tags/StreamText.h"
#include "songcore/tags/ogg/OggCodec.h"
#include "songcore/tags/ogg/OggHeaders.h"
#include "songcore/tags/ogg/OggPage.h"
#include "songcore/tags/ogg/VorbisComments.h"
#include "support/TestSupport.h"
#include "support/VorbisTestSupport.h"

using namespace testsupport;
using songcore::OggCodec;
using songcore::VorbisComments;

namespace {

struct Sample {
    const char* file;
    const char* kind;  // for mutagen
};
constexpr Sample kSamples[] = {{"ogg/tagged.opus", "opus"}, {"ogg/tagged.oga", "oggflac"}};

double StreamReal(const songcore::StreamProperties& stream, const std::string& key) {
    const songcore::StreamProperty* item = stream.find(key);
    return item ? std::get<double>(item->value) : -1;
}

// The first value mutagen reads for key (letter case ignored), or "".
std::string MutagenValue(const MutagenComments& tags, const std::string& key) {
    for (const std::string& item : tags.items) {
        if (VorbisComments::KeyOf(item) == key) {
            return item.substr(item.find('=') + 1);
        }
    }
    return "";
}

// The pages after the comment packet, as a decoder sees them: a rewrite of the
// comment packet may renumber them but must keep their contents.
using PageContent = std::tuple<uint64_t, uint8_t, std::vector<uint8_t>, std::vector<uint8_t>>;
std::vector<PageContent> PagesAfterComments(const std::vector<uint8_t>& file) {
    std::vector<PageContent> pages;
    auto headers = songcore::ReadOggHeaders(songcore::SpanReader(file), false);
    if (!headers) {
        return pages;
    }
    for (const PageSpan& span : OggPageSpans(file)) {
        if (span.offset < headers->nextOffset) {
            continue;
        }
        auto page = songcore::OggPage::Parse(std::span<const uint8_t>(file).subspan(span.offset));
        if (page) {
            pages.emplace_back(page->granule, page->flags, page->lacing, page->body);
        }
    }
    return pages;
}

std::vector<uint8_t> FirstPage(const std::vector<uint8_t>& file) {
    std::vector<PageSpan> spans = OggPageSpans(file);
    if (spans.empty()) {
        return {};
    }
    return std::vector<uint8_t>(file.begin(), file.begin() + static_cast<ptrdiff_t>(spans[0].size));
}

// Checks that a written file still decodes, with the identification page and
// every page after the comment packet as they were.
void ExpectSoundStream(const std::string& path, const std::vector<uint8_t>& before) {
    std::vector<uint8_t> after = ReadFileBytes(path);
    EXPECT_EQ(FirstPage(after), FirstPage(before)) << path;
    std::vector<PageContent> kept = PagesAfterComments(before);
    EXPECT_FALSE(kept.empty());
    EXPECT_EQ(PagesAfterComments(after), kept) << path;
    EXPECT_EQ(FfmpegDecodeProblems(path), "") << path;
    if (path.ends_with(".oga")) {
        EXPECT_TRUE(FlacTestPasses(path)) << path;
    }
}

// A sample with its comment packet replaced by packet.
std::vector<uint8_t> WithCommentPacket(const std::string& sample,
                                       const std::vector<uint8_t>& packet) {
    std::vector<uint8_t> bytes = OggWithCommentPacket(ReadFileBytes(DataFile(sample)), packet);
    EXPECT_FALSE(bytes.empty());
    return bytes;
}

}  // namespace

TEST(OggCodecs, CommentPacketsOfEachCodec) {
    const VorbisComments comments{"enc", {"TITLE=t"}};
    std::vector<uint8_t> list;
    comments.AppendTo(list);

    // Opus keeps the binary data after the list when its first byte asks for
    // it, and drops padding.
    std::vector<uint8_t> old = {'O', 'p', 'u', 's', 'T', 'a', 'g', 's'};
    VorbisComments{"old", {}}.AppendTo(old);
    const size_t oldListEnd = old.size();
    std::vector<uint8_t> kept = {0x01, 'x', 'y', 0};
    old.insert(old.end(), kept.begin(), kept.end());
    std::vector<uint8_t> packet = songcore::BuildOggCommentPacket(OggCodec::kOpus, comments, old);
    ASSERT_EQ(packet.size(), 8 + list.size() + kept.size());
    EXPECT_TRUE(std::equal(kept.begin(), kept.end(), packet.end() - 4));
    EXPECT_FALSE(songcore::OggCommentTakesPadding(OggCodec::kOpus, old, oldListEnd - 8));
    EXPECT_EQ(songcore::OggCommentUsedSize(OggCodec::kOpus, old, oldListEnd - 8), old.size());
    old[oldListEnd] = 0x00;
    packet = songcore::BuildOggCommentPacket(OggCodec::kOpus, comments, old);
    EXPECT_EQ(packet.size(), 8 + list.size());
    EXPECT_TRUE(songcore::OggCommentTakesPadding(OggCodec::kOpus, old, oldListEnd - 8));
    auto parsed = songcore::OggCommentList(OggCodec::kOpus, packet);
    ASSERT_TRUE(parsed);
    EXPECT_TRUE(std::equal(parsed->begin(), parsed->end(), list.begin(), list.end()));

    // A FLAC block states its length, keeps its last-block flag, and is never
    // read past the end of its packet.
    std::vector<uint8_t> oldBlock = {0x84, 0, 0, 0};
    packet = songcore::BuildOggCommentPacket(OggCodec::kFlac, comments, oldBlock);
    ASSERT_EQ(packet.size(), 4 + list.size());
    EXPECT_EQ(packet[0], 0x84);
    EXPECT_EQ(size_t{packet[1]} << 16 | size_t{packet[2]} << 8 | packet[3], list.size());
    parsed = songcore::OggCommentList(OggCodec::kFlac, packet);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->size(), list.size());
    packet[3] += 1;
    EXPECT_FALSE(songcore::OggCommentList(OggCodec::kFlac, packet));
    packet[0] = 0x03;  // a SEEKTABLE block where the comments should be
    EXPECT_FALSE(songcore::OggCommentList(OggCodec::kFlac, packet));
    VorbisComments huge{"", {std::string(0x1000000, 'x')}};
    EXPECT_TRUE(songcore::BuildOggCommentPacket(OggCodec::kFlac, huge, oldBlock).empty());
}

TEST(OggCodecs, ExtensionsAreOggSongs) {
    for (const char* name : {"a.opus", "a.OPUS", "/m/b.oga", "c.ogg"}) {
        EXPECT_EQ(GetSongType(name), SONG_TYPE_LOCAL | SONG_TYPE_OGG) << name;
    }
    EXPECT_EQ(GetSongType("a.opusx"), SONG_TYPE_LOCAL);
}

TEST(OggOpusRead, FieldsAndStreamAsMutagenReadsThem) {
    if (!HaveMutagen()) {
        GTEST_SKIP() << "mutagen is not installed";
    }
    for (const Sample& sample : kSamples) {
        MutagenComments tags = ReadWithMutagen(DataFile(sample.file), sample.kind);
        ASSERT_TRUE(tags.ok) << tags.error;
        CSongFileInfo info;
        ASSERT_TRUE(info.Open(DataFile(sample.file), 1, 0));
        ASSERT_EQ(info.GetSongInfo(), 1) << sample.file;
        EXPECT_EQ(info.GetTagKind(), TAG_OGG);
        EXPECT_EQ(info.GetVendor(), tags.vendor);
        EXPECT_EQ(info.GetTitle(), MutagenValue(tags, "TITLE"));
        EXPECT_EQ(info.GetArtist(), MutagenValue(tags, "ARTIST"));
        EXPECT_EQ(info.GetAlbum(), MutagenValue(tags, "ALBUM"));
        EXPECT_EQ(info.GetYear(), MutagenValue(tags, "DATE"));
        EXPECT_EQ(info.GetComment(), MutagenValue(tags, "COMMENT"));
        EXPECT_EQ(std::to_string(info.GetTrackNum()), MutagenValue(tags, "TRACKNUMBER"));
        EXPECT_EQ(info.GetGenreString(), MutagenValue(tags, "GENRE"));
    }

    CSongFileInfo opus;
    ASSERT_TRUE(opus.Open(DataFile("ogg/tagged.opus"), 1, 0));
    ASSERT_EQ(opus.GetSongInfo(), 1);
    songcore::StreamProperties stream = songcore::ReadStreamProperties(opus);
    EXPECT_EQ(std::get<std::string>(stream.find("codec")->value), "Opus");
    EXPECT_EQ(StreamNumber(stream, "channels"), 1);
    EXPECT_EQ(StreamNumber(stream, "sample_rate"), 8000);  // the input rate
    EXPECT_EQ(StreamNumber(stream, "pre_skip"), 312);
    EXPECT_DOUBLE_EQ(StreamReal(stream, "output_gain_db"), 1.5);
    // 0.3 s of input: the last granule position less the pre-skip, at 48 kHz.
    EXPECT_NEAR(StreamReal(stream, "length_seconds"), 0.3, 0.001);
    ASSERT_TRUE(stream.find("serial"));
    std::string text = songcore::StreamText(opus, 1975);
    for (const char* line : {"Length: 0:0.300\n", "Channels: 1\n", "Input sampling rate: 8000Hz\n",
                             "Pre-skip: 312 samples\n", "Output gain: 1.50 dB\n"}) {
        EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
    }

    CSongFileInfo flac;
    ASSERT_TRUE(flac.Open(DataFile("ogg/tagged.oga"), 1, 0));
    ASSERT_EQ(flac.GetSongInfo(), 1);
    stream = songcore::ReadStreamProperties(flac);
    EXPECT_EQ(std::get<std::string>(stream.find("codec")->value), "FLAC");
    EXPECT_EQ(StreamNumber(stream, "channels"), 1);
    EXPECT_EQ(StreamNumber(stream, "sample_rate"), 8000);
    EXPECT_EQ(StreamNumber(stream, "bits_per_sample"), 16);
    EXPECT_EQ(StreamNumber(stream, "total_samples"), 2400);
    EXPECT_NEAR(StreamReal(stream, "length_seconds"), 0.3, 0.001);
    EXPECT_NE(songcore::StreamText(flac, 2075).find("Total samples: 2400\n"), std::string::npos);
}

TEST(OggOpusRead, DamagedCommentPacketsAreRefusedAndNotWritten) {
    TempDir dir;
    // The Opus comment packet under another name, and a FLAC comment block
    // that claims more bytes than its packet holds.
    std::vector<uint8_t> opus = WithCommentPacket(
        "ogg/opus.ogg", {'O', 'p', 'u', 's', 'T', 'a', 'g', 'z', 0, 0, 0, 0, 0, 0, 0, 0});
    std::vector<uint8_t> flac = WithCommentPacket("ogg/oggflac.ogg", {4, 0, 1, 0, 0, 0, 0, 0});
    // A list that ends early inside a whole packet.
    std::vector<uint8_t> cut = WithCommentPacket(
        "ogg/opus.ogg", {'O', 'p', 'u', 's', 'T', 'a', 'g', 's', 9, 0, 0, 0, 'x'});
    int index = 0;
    for (const std::vector<uint8_t>* bytes : {&opus, &flac, &cut}) {
        std::string path = dir.file("bad" + std::to_string(index++) + ".opus");
        WriteFileBytes(path, *bytes);
        CSongFileInfo info;
        ASSERT_TRUE(info.Open(path, 0, 0));
        EXPECT_EQ(info.GetOGGInfo(), 0) << path;
        info.SetTitle("never written");
        EXPECT_EQ(info.WriteOGGInfo(), 0) << path;
        info.Close();
        EXPECT_EQ(ReadFileBytes(path), *bytes) << path;
    }
}

TEST(OggOpusWrite, EditsKeepEveryOtherItemThePictureAndTheAudio) {
    if (!HaveMutagen()) {
        GTEST_SKIP() << "mutagen is not installed";
    }
    TempDir dir;
    for (const Sample& sample : kSamples) {
        std::string path = CopyDataFile(dir, sample.file);
        std::vector<uint8_t> before = ReadFileBytes(path);
        MutagenComments old = ReadWithMutagen(path, sample.kind);
        ASSERT_TRUE(old.ok) << old.error;
        CSongFileInfo info;
        ASSERT_TRUE(info.Open(path, 0, 0));
        ASSERT_EQ(info.GetOGGInfo(), 1);
        info.SetTitle("New \xC3\x9C title, longer than the one before it");
        info.SetYear("2024");
        info.SetGenre("Rock");
        ASSERT_EQ(info.WriteOGGInfo(), 1) << sample.file;
        info.Close();

        std::vector<std::string> expected = old.items;
        ReplaceOrAddItem(expected, "TITLE=New \xC3\x9C title, longer than the one before it");
        ReplaceOrAddItem(expected, "DATE=2024");
        ReplaceOrAddItem(expected, "GENRE=Rock");
        MutagenComments tags = ReadWithMutagen(path, sample.kind);
        ASSERT_TRUE(tags.ok) << tags.error;
        EXPECT_EQ(tags.vendor, old.vendor);
        EXPECT_EQ(tags.items, expected) << sample.file;
        ExpectSoundStream(path, before);

        // Emptied fields go; the Opus packet keeps its length with padding,
        // the FLAC block is written to its exact length.
        std::vector<uint8_t> edited = ReadFileBytes(path);
        ASSERT_TRUE(info.Open(path, 0, 0));
        ASSERT_EQ(info.GetOGGInfo(), 1);
        info.SetComment("");
        info.SetAlbum("");
        ASSERT_EQ(info.WriteOGGInfo(), 1);
        info.Close();
        std::erase_if(expected, [](const std::string& item) {
            std::string key = VorbisComments::KeyOf(item);
            return key == "COMMENT" || key == "ALBUM";
        });
        tags = ReadWithMutagen(path, sample.kind);
        EXPECT_EQ(tags.items, expected) << sample.file;
        if (std::string(sample.kind) == "opus") {
            EXPECT_EQ(ReadFileBytes(path).size(), edited.size());
        }
        ExpectSoundStream(path, before);
    }
}

TEST(OggOpusWrite, CommentPacketOverManyPagesRoundTrips) {
    if (!HaveMutagen()) {
        GTEST_SKIP() << "mutagen is not installed";
    }
    TempDir dir;
    std::string lyrics;
    for (int line = 0; lyrics.size() < 100 * 1024; ++line) {
        lyrics += "line " + std::to_string(line) + " of a song that goes on and on\n";
    }
    for (const Sample& sample : kSamples) {
        std::string path = CopyDataFile(dir, sample.file);
        std::vector<uint8_t> before = ReadFileBytes(path);
        MutagenComments old = ReadWithMutagen(path, sample.kind);
        ASSERT_TRUE(old.ok) << old.error;
        CSongFileInfo info;
        ASSERT_TRUE(info.Open(path, 0, 0));
        ASSERT_EQ(info.GetOGGInfo(), 1);
        info.SetLyrics(lyrics);
        ASSERT_EQ(info.WriteOGGInfo(), 1) << sample.file;
        info.Close();

        std::vector<uint8_t> after = ReadFileBytes(path);
        EXPECT_GT(OggPageSpans(after).size(), OggPageSpans(before).size());
        std::vector<std::string> expected = old.items;
        expected.push_back("LYRICS=" + lyrics);
        MutagenComments tags = ReadWithMutagen(path, sample.kind);
        ASSERT_TRUE(tags.ok) << tags.error;
        EXPECT_EQ(tags.items, expected) << sample.file;
        ExpectSoundStream(path, before);

        CSongFileInfo reread;
        ASSERT_TRUE(reread.Open(path, 0, 0));
        ASSERT_EQ(reread.GetOGGInfo(), 1);
        EXPECT_EQ(reread.GetLyrics(), lyrics);
        // And back to a small packet: the pages shrink and are renumbered
        // again.
        reread.SetLyrics("");
        ASSERT_EQ(reread.WriteOGGInfo(), 1);
        reread.Close();
        tags = ReadWithMutagen(path, sample.kind);
        EXPECT_EQ(tags.items, old.items) << sample.file;
        EXPECT_LT(ReadFileBytes(path).size(), before.size() + 4096);
        ExpectSoundStream(path, before);
    }
}

TEST(OggOpusWrite, CommandLineWriteAndShow) {
    TempDir dir;
    std::string path = CopyDataFile(dir, "ogg/opus.ogg", "song.opus");
    RunResult write = RunTunemoss({"write", path, "--title", "From CLI", "--track", "4"});
    ASSERT_EQ(write.status, 0) << write.err;
    EXPECT_EQ(FfmpegDecodeProblems(path), "");
    RunResult show = RunTunemoss({"show", "--json", path});
    ASSERT_EQ(show.status, 0) << show.err;
    for (const char* part : {"\"title\": \"From CLI\"", "\"track\": 4", "\"codec\": \"Opus\"",
                             "\"channels\": 1", "\"sample_rate\": 8000", "\"pre_skip\": 312",
                             "\"output_gain_db\": 0", "\"length_seconds\": 0.3"}) {
        EXPECT_NE(show.out.find(part), std::string::npos) << part << "\n" << show.out;
    }
    RunResult text = RunTunemoss({"show", path});
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_NE(text.out.find("Song type: 0x0101 (local, Ogg)\n"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("    pre_skip: 312\n"), std::string::npos) << text.out;
}
