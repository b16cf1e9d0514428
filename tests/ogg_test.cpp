// Ogg Vorbis comments: the page and comment codecs, the reader and writer
// against files made by oggenc, ffmpeg and mutagen, checked with ogginfo,
// oggdec and mutagen.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/StreamProperties.h"
#include "songcore/tags/ogg/OggHeaders.h"
#include "songcore/tags/ogg/OggPage.h"
#include "songcore/tags/ogg/VorbisComments.h"
#include "songcore/util/ByteReader.h"
#include "support/TestSupport.h"
#include "support/VorbisTestSupport.h"

using namespace testsupport;
using songcore::OggPage;
using songcore::VorbisComments;

namespace {

// A sample file whose comment header is replaced by the given list.
std::vector<uint8_t> WithComments(const std::string& sample, const VorbisComments& comments) {
    std::vector<uint8_t> bytes = OggWithComments(ReadFileBytes(DataFile(sample)), comments);
    EXPECT_FALSE(bytes.empty());
    return bytes;
}

}  // namespace

TEST(OggCodec, PagesOfRealFilesParseAndRebuildByteForByte) {
    for (const char* name : {"ogg/plain.ogg", "ogg/spanning.ogg", "ogg/paged.ogg"}) {
        std::vector<uint8_t> bytes = ReadFileBytes(DataFile(name));
        std::vector<PageSpan> spans = OggPageSpans(bytes);
        ASSERT_GE(spans.size(), 3u) << name;
        for (const PageSpan& span : spans) {
            auto page = OggPage::Parse(std::span<const uint8_t>(bytes).subspan(span.offset));
            ASSERT_TRUE(page) << name << " at " << span.offset;
            std::vector<uint8_t> rebuilt = page->Serialize();
            EXPECT_TRUE(std::equal(rebuilt.begin(), rebuilt.end(),
                                   bytes.begin() + static_cast<ptrdiff_t>(span.offset)))
                << name << " at " << span.offset;
            // A new sequence number's checksum, worked out from the old one,
            // is the one the page built anew has.
            for (uint32_t sequence : {page->sequence + 1, page->sequence + 977, 0xFFFFFFFFu}) {
                uint32_t worked = songcore::OggCrcRenumbered(page->checksum, page->sequence,
                                                             sequence, page->size());
                OggPage renumbered = *page;
                renumbered.sequence = sequence;
                std::vector<uint8_t> built = renumbered.Serialize();
                EXPECT_EQ(worked, songcore::ByteReader(built.data() + 22, 4).u32le());
            }
        }
    }
}

TEST(OggCodec, LacingOfPacketLengths) {
    auto lacing = [](size_t length) {
        std::vector<uint8_t> values;
        songcore::AppendLacing(length, values);
        return values;
    };
    EXPECT_EQ(lacing(510), (std::vector<uint8_t>{255, 255, 0}));
    EXPECT_EQ(lacing(0), (std::vector<uint8_t>{0}));
    EXPECT_EQ(lacing(254), (std::vector<uint8_t>{254}));
    EXPECT_EQ(lacing(256), (std::vector<uint8_t>{255, 1}));
}

TEST(OggCodec, CommentListsThatEndEarlyKeepWhatWasRead) {
    VorbisComments comments{"vendor", {"TITLE=a", "ARTIST=b"}};
    std::vector<uint8_t> bytes;
    comments.AppendTo(bytes);
    ASSERT_EQ(bytes.size(), comments.SerializedSize());

    VorbisComments parsed;
    size_t used = 0;
    ASSERT_TRUE(VorbisComments::Parse(bytes, parsed, &used));
    EXPECT_EQ(used, bytes.size());
    EXPECT_EQ(parsed.items, comments.items);

    bytes.pop_back();
    EXPECT_FALSE(VorbisComments::Parse(bytes, parsed));
    EXPECT_EQ(parsed.vendor, "vendor");
    EXPECT_EQ(parsed.items, std::vector<std::string>{"TITLE=a"});
    // The reader's views, which copy nothing, stop at the same place.
    songcore::VorbisCommentViews views;
    EXPECT_FALSE(songcore::VorbisCommentViews::Parse(bytes, views));
    EXPECT_EQ(views.vendor, "vendor");
    EXPECT_EQ(views.items, std::vector<std::string_view>{"TITLE=a"});

    // A count of four billion items in a few bytes fails without a long loop.
    std::vector<uint8_t> huge = {0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 1, 0, 0, 0, 'x'};
    EXPECT_FALSE(VorbisComments::Parse(huge, parsed));
    EXPECT_EQ(parsed.items.size(), 1u);
}

TEST(OggCodec, ReplacingValuesKeepsEveryOtherItemInPlace) {
    const std::string_view comment[] = {"COMMENT", "DESCRIPTION"};
    const std::string_view title[] = {"TITLE"};
    const std::vector<std::string> old = {
        "title=old", "REPLAYGAIN_TRACK_GAIN=-1 dB", "Description=d", "no equals sign",
        "TITLE=two", "METADATA_BLOCK_PICTURE=abc",  "comment=c"};
    EXPECT_EQ(songcore::CommentValues(old, comment), (std::vector<std::string>{"d", "c"}));
    EXPECT_EQ(songcore::CommentValues(old, title), (std::vector<std::string>{"old", "two"}));

    // The new values go where the first old one stood; both keys of the
    // comment go, and the items of other keys keep their bytes and order.
    std::vector<std::string> items = old;
    songcore::ReplaceCommentValues(items, comment, "COMMENT", std::vector<std::string>{"x", "y"});
    EXPECT_EQ(items, (std::vector<std::string>{"title=old", "REPLAYGAIN_TRACK_GAIN=-1 dB",
                                               "COMMENT=x", "COMMENT=y", "no equals sign",
                                               "TITLE=two", "METADATA_BLOCK_PICTURE=abc"}));
    // No values: the field's items are removed; a field without items is
    // added at the end.
    songcore::ReplaceCommentValues(items, title, "TITLE", {});
    EXPECT_EQ(items,
              (std::vector<std::string>{"REPLAYGAIN_TRACK_GAIN=-1 dB", "COMMENT=x", "COMMENT=y",
                                        "no equals sign", "METADATA_BLOCK_PICTURE=abc"}));
    const std::string_view album[] = {"ALBUM"};
    songcore::ReplaceCommentValues(items, album, "ALBUM", std::vector<std::string>{"A"});
    EXPECT_EQ(items.back(), "ALBUM=A");
}

TEST(OggCodec, FindsTheTaggedStreamAmongOthersAndRefusesCrowdedFirstPages) {
    // The first Vorbis stream of two, and the Vorbis stream after a Speex one.
    std::vector<uint8_t> multiplexed = ReadFileBytes(DataFile("ogg/multiplexed.ogg"));
    auto two = songcore::ReadOggHeaders(songcore::SpanReader(multiplexed), true);
    ASSERT_TRUE(two);
    EXPECT_EQ(two->firstOffset, 0u);
    std::vector<uint8_t> speexFirst = ReadFileBytes(DataFile("ogg/speex_first.ogg"));
    auto second = songcore::ReadOggHeaders(songcore::SpanReader(speexFirst), true);
    ASSERT_TRUE(second);
    EXPECT_GT(second->firstOffset, 0u);
    EXPECT_EQ(second->codec, songcore::OggCodec::kVorbis);
    std::vector<uint8_t> speex = ReadFileBytes(DataFile("ogg/speex.ogg"));
    EXPECT_FALSE(songcore::ReadOggHeaders(songcore::SpanReader(speex), false));
    // The comment header on the first page, beside the identification header.
    std::vector<uint8_t> bytes = ReadFileBytes(DataFile("ogg/plain.ogg"));
    auto headers = songcore::ReadOggHeaders(songcore::SpanReader(bytes), false);
    ASSERT_TRUE(headers);
    OggPage merged = headers->first;
    songcore::AppendLacing(headers->comment.size(), merged.lacing);
    merged.lacing.erase(merged.lacing.begin());
    merged.lacing.insert(merged.lacing.begin(), 30);
    merged.body.insert(merged.body.end(), headers->comment.begin(), headers->comment.end());
    std::vector<uint8_t> crowded = merged.Serialize();
    EXPECT_FALSE(songcore::ReadOggHeaders(songcore::SpanReader(crowded), false));
}

TEST(OggRead, FieldsOfAnOggencFile) {
    CSongFileInfo info;
    ASSERT_TRUE(info.Open(DataFile("ogg/plain.ogg"), 1, 0));
    ASSERT_EQ(info.GetSongInfo(), 1);
    EXPECT_EQ(info.GetTagKind(), TAG_OGG);
    EXPECT_EQ(info.GetTitle(), "Plain Title");
    EXPECT_EQ(info.GetArtist(), "Plain Artist");
    EXPECT_EQ(info.GetAlbum(), "Plain Album");
    EXPECT_EQ(info.GetYear(), "2001");
    EXPECT_EQ(info.GetTrackNum(), 3u);
    EXPECT_EQ(info.GetGenreString(), "Rock");
    // COMMENT and DESCRIPTION both feed the comment, in their order.
    EXPECT_EQ(info.GetComment(), "first comment; a description");
    EXPECT_EQ(info.GetVersion(), "Radio Edit");
    EXPECT_EQ(info.GetPerformer(), "Lower Key");
    EXPECT_EQ(info.GetVendor().rfind("Xiph.Org libVorbis", 0), 0u);

    songcore::StreamProperties stream = songcore::ReadStreamProperties(info);
    EXPECT_EQ(StreamNumber(stream, "channels"), 1);
    EXPECT_EQ(StreamNumber(stream, "sample_rate"), 8000);
    EXPECT_GT(StreamNumber(stream, "bitrate_kbps"), 0);
    EXPECT_EQ(StreamNumber(stream, "version"), 0);
    ASSERT_TRUE(stream.find("serial"));
    ASSERT_TRUE(stream.find("length_seconds"));
    EXPECT_NEAR(std::get<double>(stream.find("length_seconds")->value), 0.3, 0.001);
}

TEST(OggRead, KeyMappingEdgeCases) {
    TempDir dir;
    std::string path = dir.file("edge.ogg");
    WriteFileBytes(path, WithComments("ogg/plain.ogg",
                                      {"v",
                                       {"title=Abc", "no equals sign", "TRACKNUMBER=7/12",
                                        "DESCRIPTION=a", "COMMENT=b", "GENRE=rock",
                                        "ARTIST=\xC3\x9Cml\xC3\xA4ut", "LYRICS= spaced \n"}}));
    CSongFileInfo info;
    ASSERT_TRUE(info.Open(path, 1, 0));
    ASSERT_EQ(info.GetOGGInfo(), 1);
    EXPECT_EQ(info.GetTitle(), "Abc");
    EXPECT_EQ(info.GetTrackNum(), 7u);
    EXPECT_EQ(info.GetComment(), "a; b");
    EXPECT_EQ(info.GetGenre(), GENRE_NONE);
    EXPECT_EQ(info.GetArtist(), "\xC3\x9Cml\xC3\xA4ut");
    EXPECT_EQ(info.GetLyrics(), " spaced \n");

    WriteFileBytes(path,
                   WithComments("ogg/plain.ogg", {"v",
                                                  {"GENRE=Rock", "TRACKNUMBER=-3", "TRACKNUMBER=x",
                                                   "totalDiscs=3", "TITLEX=not the title"}}));
    ASSERT_TRUE(info.Open(path, 1, 0));
    ASSERT_EQ(info.GetOGGInfo(), 1);
    EXPECT_EQ(info.GetGenre(), 17);
    EXPECT_EQ(info.GetTrackNum(), 0u);
    EXPECT_EQ(info.GetDiscTotal(), 3u);
    EXPECT_EQ(info.GetTitle(), "");
}

TEST(OggRead, CommentHeaderSpanningPagesAndLowerCaseCapture) {
    CSongFileInfo info;
    ASSERT_TRUE(info.Open(DataFile("ogg/spanning.ogg"), 1, 0));
    ASSERT_EQ(info.GetOGGInfo(), 1);
    EXPECT_EQ(info.GetTitle(), "Spanning");
    EXPECT_EQ(info.GetLyrics().rfind("line 0 of", 0), 0u);
    EXPECT_NE(info.GetLyrics().find("line 199 of the long song text"), std::string::npos);

    TempDir dir;
    std::string path = CopyDataFile(dir, "ogg/plain.ogg");
    std::vector<uint8_t> bytes = ReadFileBytes(path);
    std::memcpy(bytes.data(), "oggs", 4);
    WriteFileBytes(path, bytes);
    ASSERT_TRUE(info.Open(path, 1, 0));
    EXPECT_EQ(info.GetOGGInfo(), 1);
    EXPECT_EQ(info.GetTitle(), "Plain Title");
}

TEST(OggRead, DamagedAndForeignFilesAreRefused) {
    TempDir dir;
    std::vector<uint8_t> bytes = ReadFileBytes(DataFile("ogg/spanning.ogg"));
    std::string path = dir.file("cut.ogg");
    WriteFileBytes(path, std::vector<uint8_t>(bytes.begin(), bytes.begin() + 6000));
    CSongFileInfo info;
    ASSERT_TRUE(info.Open(path, 1, 0));
    EXPECT_EQ(info.GetOGGInfo(), 0);
    EXPECT_EQ(info.GetTagKind(), 0u);
    EXPECT_TRUE(songcore::ReadStreamProperties(info).empty());

    std::string copy = CopyDataFile(dir, "ogg/speex.ogg");
    std::vector<uint8_t> before = ReadFileBytes(copy);
    ASSERT_TRUE(info.Open(copy, 0, 0));
    EXPECT_EQ(info.GetOGGInfo(), 0);
    info.SetTitle("never written");
    EXPECT_EQ(info.WriteOGGInfo(), 0);
    info.Close();
    EXPECT_EQ(ReadFileBytes(copy), before);
}
