// Writing Ogg Vorbis comments: one page rewritten when the header still fits,
// the headers re-paginated and later pages renumbered when not, every item
// the writer does not manage kept; checked with ogginfo, oggdec and mutagen.
#include <gtest/gtest.h>

#include <algorithm>

#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/ogg/OggHeaders.h"
#include "songcore/tags/ogg/VorbisComments.h"
#include "songcore/util/ByteReader.h"
#include "support/TestSupport.h"
#include "support/VorbisTestSupport.h"

using namespace testsupport;
using songcore::OggPage;

namespace {

void ExpectSoundOgg(const std::string& path, const std::string& original) {
    EXPECT_EQ(OggInfoProblems(path), "");
    std::vector<uint8_t> audio = DecodeOgg(path);
    EXPECT_FALSE(audio.empty());
    EXPECT_EQ(audio, DecodeOgg(original));
}

// ffmpeg's checksums of every frame of every stream.
std::string FrameSums(const std::string& path) {
    return testsupport::Run(
               {"ffmpeg", "-v", "error", "-i", path, "-map", "0", "-f", "framemd5", "-"})
        .out;
}

std::vector<uint8_t> Slice(const std::vector<uint8_t>& bytes, size_t from) {
    return std::vector<uint8_t>(bytes.begin() + static_cast<ptrdiff_t>(from), bytes.end());
}

}  // namespace

TEST(OggWrite, EditChangesOnlyTheEditedItemsAndEveryLaterPageStays) {
    if (!HaveMutagen()) {
        GTEST_SKIP() << "mutagen is not installed";
    }
    TempDir dir;
    for (const char* name : {"ogg/plain.ogg", "ogg/paged.ogg"}) {
        std::string path = CopyDataFile(dir, name);
        std::vector<uint8_t> before = ReadFileBytes(path);
        MutagenComments old = ReadWithMutagen(path, "ogg");
        ASSERT_TRUE(old.ok) << old.error;
        CSongFileInfo info;
        ASSERT_TRUE(info.Open(path, 0, 0));
        ASSERT_EQ(info.GetOGGInfo(), 1);
        std::string vendor = info.GetVendor();
        info.SetTitle("New \xC3\x9C title and a good deal longer than before");
        info.SetYear("2024");
        ASSERT_EQ(info.WriteOGGInfo(), 1) << name;
        info.Close();

        std::vector<uint8_t> after = ReadFileBytes(path);
        std::vector<PageSpan> oldPages = OggPageSpans(before);
        std::vector<PageSpan> newPages = OggPageSpans(after);
        ASSERT_EQ(oldPages.size(), newPages.size());
        EXPECT_EQ(Slice(after, newPages[2].offset), Slice(before, oldPages[2].offset)) << name;
        ExpectSoundOgg(path, DataFile(name));

        // The old items in their order, title and date replaced where they
        // stood or added at the end.
        std::vector<std::string> expected = old.items;
        ReplaceOrAddItem(expected, "TITLE=New \xC3\x9C title and a good deal longer than before");
        ReplaceOrAddItem(expected, "DATE=2024");
        MutagenComments tags = ReadWithMutagen(path, "ogg");
        ASSERT_TRUE(tags.ok) << tags.error;
        EXPECT_EQ(tags.vendor, vendor);
        EXPECT_EQ(tags.items, expected) << name;
    }
}

TEST(OggWrite, GrowthFrom200To300BytesAddsOneLacingValue) {
    if (!HaveMutagen()) {
        GTEST_SKIP() << "mutagen is not installed";
    }
    // A comment header of exactly 200 bytes and no room after it: 16 fixed
    // bytes, the vendor and a title item of 4 + 6 + 10 bytes.
    TempDir dir;
    std::string path = dir.file("small.ogg");
    songcore::VorbisComments comments{std::string(200 - 16 - 20, 'v'),
                                      {"TITLE=" + std::string(10, 's')}};
    WriteFileBytes(path, OggWithComments(ReadFileBytes(DataFile("ogg/paged.ogg")), comments));
    std::vector<uint8_t> small = ReadFileBytes(path);
    std::vector<PageSpan> smallPages = OggPageSpans(small);
    ASSERT_GE(smallPages.size(), 3u);
    ASSERT_EQ(small[smallPages[1].offset + 27], 200);

    // Then 100 bytes more: the title grows by 100 bytes.
    CSongFileInfo info;
    ASSERT_TRUE(info.Open(path, 0, 0));
    ASSERT_EQ(info.GetOGGInfo(), 1);
    info.SetTitle(std::string(110, 't'));
    ASSERT_EQ(info.WriteOGGInfo(), 1);
    info.Close();
    std::vector<uint8_t> large = ReadFileBytes(path);
    std::vector<PageSpan> largePages = OggPageSpans(large);
    ASSERT_EQ(largePages.size(), smallPages.size());
    EXPECT_EQ(large.size(), small.size() + 101);
    EXPECT_EQ(small[smallPages[1].offset + 26] + 1, large[largePages[1].offset + 26]);
    EXPECT_EQ(large[largePages[1].offset + 27], 255);
    EXPECT_EQ(large[largePages[1].offset + 28], 45);
    EXPECT_EQ(Slice(large, largePages[2].offset), Slice(small, smallPages[2].offset));
    ExpectSoundOgg(path, DataFile("ogg/paged.ogg"));
}

TEST(OggWrite, HeadersThatOutgrowAPageAreRepaginated) {
    if (!HaveMutagen()) {
        GTEST_SKIP() << "mutagen is not installed";
    }
    TempDir dir;
    std::string path = CopyDataFile(dir, "ogg/paged.ogg");
    std::string lyrics;
    for (int i = 0; i < 5000; ++i) {
        lyrics += "a line of lyrics, number " + std::to_string(i) + "\n";
    }
    size_t pagesBefore = OggPageSpans(ReadFileBytes(path)).size();
    {
        CSongFileInfo info;
        ASSERT_TRUE(info.Open(path, 0, 0));
        ASSERT_EQ(info.GetOGGInfo(), 1);
        info.SetLyrics(lyrics);
        ASSERT_EQ(info.WriteOGGInfo(), 1);
    }
    // About 160 KB of headers need three pages instead of one: every later page
    // moves two sequence numbers on.
    EXPECT_EQ(OggPageSpans(ReadFileBytes(path)).size(), pagesBefore + 2);
    ExpectSoundOgg(path, DataFile("ogg/paged.ogg"));
    MutagenComments tags = ReadWithMutagen(path, "ogg");
    ASSERT_TRUE(tags.ok) << tags.error;
    EXPECT_TRUE(HasItem(tags.items, "LYRICS=" + lyrics));
    EXPECT_TRUE(HasItem(tags.items, "REPLAYGAIN_TRACK_PEAK=0.5"));

    // And back to one page.
    {
        CSongFileInfo info;
        ASSERT_TRUE(info.Open(path, 0, 0));
        ASSERT_EQ(info.GetOGGInfo(), 1);
        EXPECT_EQ(info.GetLyrics(), lyrics);
        info.SetLyrics("");
        ASSERT_EQ(info.WriteOGGInfo(), 1);
    }
    EXPECT_EQ(OggPageSpans(ReadFileBytes(path)).size(), pagesBefore);
    ExpectSoundOgg(path, DataFile("ogg/paged.ogg"));
}

TEST(OggWrite, SpanningCommentHeaderKeepsPictureAndLyrics) {
    if (!HaveMutagen()) {
        GTEST_SKIP() << "mutagen is not installed";
    }
    TempDir dir;
    std::string path = CopyDataFile(dir, "ogg/spanning.ogg");
    MutagenComments before = ReadWithMutagen(path, "ogg");
    ASSERT_TRUE(before.ok);
    CSongFileInfo info;
    ASSERT_TRUE(info.Open(path, 0, 0));
    ASSERT_EQ(info.GetOGGInfo(), 1);
    info.SetArtist("Someone Else");
    ASSERT_EQ(info.WriteOGGInfo(), 1);
    info.Close();
    ExpectSoundOgg(path, DataFile("ogg/spanning.ogg"));
    MutagenComments after = ReadWithMutagen(path, "ogg");
    ASSERT_TRUE(after.ok) << after.error;
    EXPECT_TRUE(HasItem(after.items, "ARTIST=Someone Else"));
    for (const std::string& item : before.items) {
        if (item.rfind("METADATA_BLOCK_PICTURE=", 0) == 0 || item.rfind("LYRICS=", 0) == 0 ||
            item.rfind("REPLAYGAIN_ALBUM_GAIN=", 0) == 0) {
            EXPECT_TRUE(HasItem(after.items, item)) << item.substr(0, 40);
        }
    }
}

TEST(OggWrite, FreshRecordWritesDefaultsAndKeepsForeignItems) {
    if (!HaveMutagen()) {
        GTEST_SKIP() << "mutagen is not installed";
    }
    TempDir dir;
    std::string path = CopyDataFile(dir, "ogg/plain.ogg");
    CSongFileInfo info;
    ASSERT_TRUE(info.Open(path, 0, 0));
    ASSERT_EQ(info.WriteOGGInfo(), 1);
    EXPECT_EQ(info.GetVendor(), "Xiph.Org libVorbis I 20020717");
    info.Close();
    MutagenComments tags = ReadWithMutagen(path, "ogg");
    ASSERT_TRUE(tags.ok) << tags.error;
    EXPECT_EQ(tags.vendor, "Xiph.Org libVorbis I 20020717");
    // Fields nobody set (track 0, no genre) are not written.
    EXPECT_EQ(tags.items, (std::vector<std::string>{
                              "VERSION=Radio Edit", "REPLAYGAIN_TRACK_GAIN=-3.20 dB",
                              "musicbrainz_trackid=0f6a3c0e-1111-2222-3333-444455556666"}));
    ExpectSoundOgg(path, DataFile("ogg/plain.ogg"));
}

TEST(OggWrite, CommandLineWriteAndShow) {
    TempDir dir;
    std::string path = CopyDataFile(dir, "ogg/spanning.ogg");
    RunResult write = RunTunemoss(
        {"write", path, "--tag", "ogg", "--title", "From CLI", "--genre", "Jazz", "--track", "12"});
    ASSERT_EQ(write.status, 0) << write.err;
    RunResult show = RunTunemoss({"show", "--json", path});
    ASSERT_EQ(show.status, 0) << show.err;
    EXPECT_NE(show.out.find("\"title\": \"From CLI\""), std::string::npos) << show.out;
    EXPECT_NE(show.out.find("\"track\": 12"), std::string::npos);
    EXPECT_NE(show.out.find("\"genre\": \"Jazz\""), std::string::npos);
    EXPECT_NE(show.out.find("\"sample_rate\": 8000"), std::string::npos);
    EXPECT_NE(show.out.find("\"serial\": "), std::string::npos);
    EXPECT_NE(show.out.find("\"length_seconds\": "), std::string::npos);
    EXPECT_EQ(OggInfoProblems(path), "");
}

// A page whose checksum is wrong takes its new number like the others, and
// its checksum stays wrong by as much, so that players still skip it.
TEST(OggWrite, RenumberingKeepsDamagedPagesDamaged) {
    TempDir dir;
    std::string path = CopyDataFile(dir, "ogg/paged.ogg");
    std::vector<uint8_t> bytes = ReadFileBytes(path);
    std::vector<PageSpan> pages = OggPageSpans(bytes);
    ASSERT_GE(pages.size(), 6u);
    const PageSpan damaged = pages[4];
    bytes[damaged.offset + damaged.size - 1] ^= 0x55;  // its checksum no longer matches
    WriteFileBytes(path, bytes);

    CSongFileInfo info;
    ASSERT_TRUE(info.Open(path, 0, 0));
    ASSERT_EQ(info.GetOGGInfo(), 1);
    info.SetLyrics(std::string(70000, 'l'));  // two header pages instead of one
    ASSERT_EQ(info.WriteOGGInfo(), 1);
    info.Close();

    std::vector<uint8_t> after = ReadFileBytes(path);
    std::vector<PageSpan> newPages = OggPageSpans(after);
    ASSERT_EQ(newPages.size(), pages.size() + 1);
    for (size_t i = 4; i < newPages.size(); ++i) {
        SCOPED_TRACE(i);
        auto page = OggPage::Parse(std::span<const uint8_t>(after).subspan(newPages[i].offset));
        auto old = OggPage::Parse(std::span<const uint8_t>(bytes).subspan(pages[i - 1].offset));
        ASSERT_TRUE(page && old);
        EXPECT_EQ(page->sequence, old->sequence + 1);
        EXPECT_EQ(page->body, old->body);
        std::vector<uint8_t> built = page->Serialize();
        bool intact = songcore::ByteReader(built.data() + 22, 4).u32le() == page->checksum;
        EXPECT_EQ(intact, i != 5);
    }
}

namespace {

// The room after the framing byte of a file's comment header.
size_t CommentPadding(const std::string& path) {
    std::vector<uint8_t> bytes = ReadFileBytes(path);
    auto headers = songcore::ReadOggHeaders(songcore::SpanReader(bytes), false);
    if (!headers) {
        return 0;
    }
    songcore::VorbisComments comments;
    size_t used = 0;
    songcore::VorbisComments::Parse(
        std::span<const uint8_t>(headers->comment).subspan(songcore::kVorbisCommonHeaderSize),
        comments, &used);
    return headers->comment.size() - songcore::kVorbisCommonHeaderSize - used - 1;
}

// Where the pages that hold the comment header end.
size_t CommentPagesEnd(const std::vector<uint8_t>& bytes) {
    auto headers = songcore::ReadOggHeaders(songcore::SpanReader(bytes), false);
    return headers ? static_cast<size_t>(headers->pageOffsets.back() + headers->pages.back().size())
                   : 0;
}

}  // namespace

TEST(OggWrite, SmallEditOfAPaddedHeaderKeepsEveryPageInPlace) {
    if (!HaveMutagen()) {
        GTEST_SKIP() << "mutagen is not installed";
    }
    TempDir dir;
    std::string path = CopyDataFile(dir, "ogg/plain.ogg");
    ASSERT_TRUE(EditWithMutagen(path, "ogg",
                                "f['ARTIST'] = ['A1', 'A2']\n"
                                "f['TRACKNUMBER'] = '5/12'\n"
                                "f['GENRE'] = 'Shoegaze'"));
    ASSERT_GT(CommentPadding(path), 0u);  // mutagen leaves room
    std::vector<uint8_t> before = ReadFileBytes(path);
    MutagenComments old = ReadWithMutagen(path, "ogg");
    {
        CSongFileInfo info;
        ASSERT_TRUE(info.Open(path, 1, 0));
        ASSERT_EQ(info.GetOGGInfo(), 1);
        EXPECT_EQ(info.GetArtist(), "A1; A2");
        EXPECT_EQ(info.GetTrackNum(), 5u);
        EXPECT_EQ(info.GetGenre(), GENRE_NONE);
    }
    RunResult write = RunTunemoss({"write", path, "--year", "1999"});
    ASSERT_EQ(write.status, 0) << write.err;

    std::vector<uint8_t> after = ReadFileBytes(path);
    ASSERT_EQ(after.size(), before.size());
    std::vector<PageSpan> oldPages = OggPageSpans(before);
    std::vector<PageSpan> newPages = OggPageSpans(after);
    ASSERT_EQ(newPages.size(), oldPages.size());
    for (size_t i = 0; i < oldPages.size(); ++i) {
        EXPECT_EQ(newPages[i].offset, oldPages[i].offset);
        EXPECT_EQ(newPages[i].size, oldPages[i].size);
    }
    size_t end = CommentPagesEnd(before);
    ASSERT_GT(end, 0u);
    EXPECT_EQ(Slice(after, end), Slice(before, end));
    EXPECT_EQ(std::vector<uint8_t>(after.begin(), after.begin() + 58),
              std::vector<uint8_t>(before.begin(), before.begin() + 58));  // the first page
    ExpectSoundOgg(path, DataFile("ogg/plain.ogg"));
    EXPECT_EQ(FfmpegDecodeProblems(path), "");

    MutagenComments tags = ReadWithMutagen(path, "ogg");
    ASSERT_TRUE(tags.ok) << tags.error;
    std::vector<std::string> expected = old.items;
    ReplaceOrAddItem(expected, "DATE=1999");
    EXPECT_EQ(tags.items, expected);
    EXPECT_TRUE(HasItem(tags.items, "ARTIST=A2"));
    EXPECT_TRUE(HasItem(tags.items, "TRACKNUMBER=5/12"));
    EXPECT_TRUE(HasItem(tags.items, "GENRE=Shoegaze"));
}

TEST(OggWrite, GrowthKeepsRoomOnlyWhereThereWasRoom) {
    if (!HaveMutagen()) {
        GTEST_SKIP() << "mutagen is not installed";
    }
    TempDir dir;
    std::string padded = CopyDataFile(dir, "ogg/plain.ogg", "padded.ogg");
    ASSERT_TRUE(EditWithMutagen(padded, "ogg", "f['TITLE'] = 'x'"));
    std::string bare = CopyDataFile(dir, "ogg/plain.ogg", "bare.ogg");  // oggenc leaves none
    ASSERT_EQ(CommentPadding(bare), 0u);
    for (const std::string& path : {padded, bare}) {
        CSongFileInfo info;
        ASSERT_TRUE(info.Open(path, 0, 0));
        ASSERT_EQ(info.GetOGGInfo(), 1);
        info.SetLyrics(std::string(3000, 'l'));
        ASSERT_EQ(info.WriteOGGInfo(), 1);
        info.Close();
        ExpectSoundOgg(path, DataFile("ogg/plain.ogg"));
    }
    EXPECT_EQ(CommentPadding(padded), 1024u);
    EXPECT_EQ(CommentPadding(bare), 0u);
}

TEST(OggWrite, TitleOnlyOnAnUntaggedFileAddsOnlyTheTitleAndClearingRemoves) {
    if (!HaveMutagen()) {
        GTEST_SKIP() << "mutagen is not installed";
    }
    TempDir dir;
    std::string path = CopyDataFile(dir, "ogg/plain.ogg");
    ASSERT_TRUE(EditWithMutagen(path, "ogg", "f.clear()"));
    RunResult write = RunTunemoss({"write", path, "--title", "Only"});
    ASSERT_EQ(write.status, 0) << write.err;
    MutagenComments tags = ReadWithMutagen(path, "ogg");
    ASSERT_TRUE(tags.ok) << tags.error;
    EXPECT_EQ(tags.items, std::vector<std::string>{"TITLE=Only"});

    write = RunTunemoss({"write", path, "--title", "", "--artist", "P1; P2"});
    ASSERT_EQ(write.status, 0) << write.err;
    tags = ReadWithMutagen(path, "ogg");
    EXPECT_EQ(tags.items, (std::vector<std::string>{"ARTIST=P1", "ARTIST=P2"}));
    ExpectSoundOgg(path, DataFile("ogg/plain.ogg"));
}

// A file of several streams (two Vorbis streams, or a Speex stream before a
// Vorbis one) has its first Vorbis, Opus or FLAC stream tagged: small edits
// in place, growth that re-paginates its headers and renumbers its pages,
// and the other stream's pages and sound kept; checked with ogginfo, ffmpeg
// (every stream, frame by frame) and mutagen.
// Each file is written again and again, its comment header growing and
// shrinking across page boundaries (a new page count each time) with the
// other stream's pages behind it; the other stream's frames, ogginfo and
// mutagen agree each time.
TEST(OggWrite, TheFirstKnownStreamOfAMultiplexedFileIsTagged) {
    TempDir dir;
    for (const char* name : {"ogg/multiplexed.ogg", "ogg/speex_first.ogg"}) {
        std::string path = CopyDataFile(dir, name, "written.ogg");
        const std::string sound = FrameSums(path);
        ASSERT_FALSE(sound.empty());
        size_t pagesBefore = 0;
        for (size_t lyrics : {0, 70000, 200000, 130000, 4000, 90000}) {
            SCOPED_TRACE(std::string(name) + ", lyrics of " + std::to_string(lyrics));
            std::string text(lyrics, 'x');
            for (size_t i = 0; i < text.size(); i += 97) {
                text[i] = static_cast<char>('a' + i % 26);
            }
            const std::string title = "Round " + std::to_string(lyrics);
            CSongFileInfo info;
            ASSERT_TRUE(info.Open(path, 0, 0));
            ASSERT_EQ(info.GetOGGInfo(), 1);
            info.SetTitle(title);
            info.SetLyrics(text);
            ASSERT_EQ(info.WriteOGGInfo(), 1) << info.GetErrorMessage();
            info.Close();

            std::vector<uint8_t> bytes = ReadFileBytes(path);
            auto headers = songcore::ReadOggHeaders(songcore::SpanReader(bytes), false);
            ASSERT_TRUE(headers);
            EXPECT_NE(headers->pages.size(), pagesBefore) << "the page count changes each round";
            pagesBefore = headers->pages.size();
            EXPECT_EQ(OggInfoProblems(path), "");
            EXPECT_EQ(FrameSums(path), sound);
            CSongFileInfo back;
            ASSERT_TRUE(back.Open(path, 1, 0));
            ASSERT_EQ(back.GetOGGInfo(), 1);
            EXPECT_EQ(back.GetTitle(), title);
            EXPECT_EQ(back.GetLyrics(), text);
            if (HaveMutagen()) {
                MutagenComments tags = ReadWithMutagen(path, "ogg");
                ASSERT_TRUE(tags.ok) << tags.error;
                EXPECT_TRUE(HasItem(tags.items, "TITLE=" + title));
            }
        }
    }
    // The other stream's page among the tagged stream's header pages (its
    // comment header made to span pages first) goes after the new ones.
    std::string mixed = dir.file("mixed.ogg");
    {
        std::string grown = CopyDataFile(dir, "ogg/multiplexed.ogg", "grown.ogg");
        CSongFileInfo info;
        ASSERT_TRUE(info.Open(grown, 0, 0));
        ASSERT_EQ(info.GetOGGInfo(), 1);
        info.SetLyrics(std::string(70000, 'l'));
        ASSERT_EQ(info.WriteOGGInfo(), 1);
        info.Close();
        std::vector<uint8_t> bytes = ReadFileBytes(grown);
        std::vector<OggPage> pages;
        for (uint64_t at = 0; at < bytes.size();) {
            std::optional<OggPage> page = songcore::ReadOggPage(songcore::SpanReader(bytes), at);
            ASSERT_TRUE(page);
            at += page->size();
            pages.push_back(std::move(*page));
        }
        // Pages 0 and 1 open the streams, 2 onwards carry the first one's
        // headers; the first page of the other stream's headers moves in
        // right after page 2.
        auto other = std::find_if(pages.begin() + 3, pages.end(), [&](const OggPage& page) {
            return page.serial == pages[1].serial;
        });
        ASSERT_NE(other, pages.end());
        ASSERT_GT(other - pages.begin(), 3) << "the headers span pages";
        OggPage moved = *other;
        pages.erase(other);
        pages.insert(pages.begin() + 3, moved);
        std::vector<uint8_t> out;
        for (const OggPage& page : pages) {
            std::vector<uint8_t> bytes = page.Serialize();
            out.insert(out.end(), bytes.begin(), bytes.end());
        }
        WriteFileBytes(mixed, out);
    }
    std::vector<uint8_t> mixedBytes = ReadFileBytes(mixed);
    auto headers = songcore::ReadOggHeaders(songcore::SpanReader(mixedBytes), true);
    ASSERT_TRUE(headers);
    EXPECT_EQ(headers->foreignPages.size(), 1u);
    std::string mixedSound = FrameSums(mixed);
    CSongFileInfo info;
    ASSERT_TRUE(info.Open(mixed, 0, 0));
    ASSERT_EQ(info.GetOGGInfo(), 1);
    info.SetLyrics(std::string(140000, 'm'));
    ASSERT_EQ(info.WriteOGGInfo(), 1) << info.GetErrorMessage();
    info.Close();
    EXPECT_EQ(OggInfoProblems(mixed), "");
    EXPECT_EQ(FrameSums(mixed), mixedSound);

    // A file without such a stream is still refused, and left as it was.
    std::string speex = CopyDataFile(dir, "ogg/speex.ogg");
    std::vector<uint8_t> before = ReadFileBytes(speex);
    RunResult refused = RunTunemoss({"write", speex, "--tag", "ogg", "--title", "x"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("no Ogg Vorbis, Opus or FLAC stream"), std::string::npos)
        << refused.err;
    EXPECT_EQ(ReadFileBytes(speex), before);
}
