// The pictures of Ogg Vorbis, Opus and FLAC streams: METADATA_BLOCK_PICTURE
// items, large enough to spread the comment packet over many pages, written
// without touching the audio or the codec's own header, and left alone by
// the ordinary tag read and write: that read walks past them unread.
#include <gtest/gtest.h>

#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/SongPictures.h"
#include "songcore/tags/StreamProperties.h"
#include "songcore/tags/ogg/OggHeaders.h"
#include "songcore/tags/ogg/OggPage.h"
#include "songcore/tags/ogg/OggTagHeaders.h"
#include "songcore/tags/ogg/VorbisComments.h"
#include "songcore/util/Base64.h"
#include "support/PictureFiles.h"
#include "support/ProcessReads.h"
#include "support/TestSupport.h"
#include "support/VorbisTestSupport.h"

using namespace testsupport;
using songcore::OggPage;
using songcore::Picture;

namespace {

// The comment items of the file's stream, pictures included.
std::vector<std::string> CommentItems(const std::string& path) {
    std::vector<uint8_t> file = ReadFileBytes(path);
    auto headers = songcore::ReadOggHeaders(songcore::SpanReader(file), false);
    EXPECT_TRUE(headers);
    songcore::VorbisComments comments;
    if (headers) {
        auto list = songcore::OggCommentList(headers->codec, headers->comment);
        EXPECT_TRUE(list && songcore::VorbisComments::Parse(*list, comments));
    }
    return comments.items;
}

std::vector<std::string> WithoutPictureItems(std::vector<std::string> items) {
    std::erase_if(items, songcore::IsPictureComment);
    return items;
}

}  // namespace

TEST(OggPictures, ALargePictureSpreadsTheCommentsOverPagesAndComesBack) {
    TempDir dir;
    std::string path = CopyDataFile(dir, "ogg/plain.ogg");
    std::vector<uint8_t> audio = DecodeOgg(path);
    std::vector<std::string> others = CommentItems(path);
    size_t pagesBefore = OggPageSpans(ReadFileBytes(path)).size();

    std::vector<Picture> pictures = {JpegPicture(songcore::kPictureFrontCover, "large", 300 * 1024),
                                     JpegPicture(songcore::kPictureFrontCover, "small", 1000)};
    WritePictures(path, pictures);
    EXPECT_EQ(ReadPictures(path), pictures);
    EXPECT_GT(OggPageSpans(ReadFileBytes(path)).size(), pagesBefore + 5)
        << "about 400 KB of comments take many pages";
    EXPECT_EQ(OggInfoProblems(path), "");
    EXPECT_EQ(DecodeOgg(path), audio);
    EXPECT_EQ(WithoutPictureItems(CommentItems(path)), others) << "every other item stays";

    // Shrinking back to one page renumbers the audio pages again.
    WritePictures(path, {});
    EXPECT_TRUE(ReadPictures(path).empty());
    EXPECT_EQ(OggPageSpans(ReadFileBytes(path)).size(), pagesBefore);
    EXPECT_EQ(OggInfoProblems(path), "");
    EXPECT_EQ(DecodeOgg(path), audio);
    EXPECT_EQ(CommentItems(path), others);
}

TEST(OggPictures, OpusKeepsItsHeaderAndDecodesCleanly) {
    TempDir dir;
    std::string path = dir.file("gain.opus");
    // An output gain of +3 dB, so that a header rebuilt from defaults shows.
    std::vector<uint8_t> file = ReadFileBytes(DataFile("ogg/tagged.opus"));
    auto first = songcore::OggPage::Parse(file);
    ASSERT_TRUE(first);
    first->body[16] = 0x00;
    first->body[17] = 0x03;
    std::vector<uint8_t> page = first->Serialize();
    std::copy(page.begin(), page.end(), file.begin());
    WriteFileBytes(path, file);
    ASSERT_EQ(FfmpegDecodeProblems(path), "");
    std::vector<uint8_t> head(file.begin(), file.begin() + static_cast<ptrdiff_t>(first->size()));

    WritePictures(path, {JpegPicture(songcore::kPictureFrontCover, "large", 300 * 1024)});
    std::vector<uint8_t> written = ReadFileBytes(path);
    EXPECT_TRUE(std::equal(head.begin(), head.end(), written.begin()))
        << "the identification page stays byte for byte";
    CSongFileInfo song;
    ASSERT_TRUE(song.Open(path, 1, 0));
    ASSERT_TRUE(song.GetSongInfo());
    songcore::StreamProperties stream = songcore::ReadStreamProperties(song);
    ASSERT_TRUE(stream.find("output_gain_db"));
    EXPECT_EQ(std::get<double>(stream.find("output_gain_db")->value), 3.0);
    EXPECT_EQ(FfmpegDecodeProblems(path), "");
    EXPECT_EQ(ReadPictures(path).size(), 1u);
}

TEST(OggPictures, DamagedAndOldStylePictureItemsAndTheOrdinaryReadAndWrite) {
    TempDir dir;
    std::string path = CopyDataFile(dir, "ogg/plain.ogg");
    Picture good = JpegPicture(songcore::kPictureFrontCover, "good", 500);
    std::vector<uint8_t> image = ReadFileBytes(DataFile("pictures/back.png"));
    std::vector<uint8_t> cut = songcore::SerializeFlacPicture(good);
    cut.resize(cut.size() - 10);
    songcore::VorbisComments comments;
    comments.vendor = "test";
    comments.items = {"TITLE=With pictures",
                      "METADATA_BLOCK_PICTURE=not base64!",
                      "metadata_block_picture=" + songcore::EncodeBase64(cut),
                      songcore::PictureComment(good),
                      "COVERART=" + songcore::EncodeBase64(image),
                      "COVERARTMIME=image/png",
                      "ARTIST=Someone"};
    WriteFileBytes(path, OggWithComments(ReadFileBytes(path), comments));

    std::vector<Picture> pictures = ReadPictures(path);
    ASSERT_EQ(pictures.size(), 2u) << "the damaged ones are skipped";
    EXPECT_EQ(pictures[0], good);
    EXPECT_EQ(pictures[1].mime, "image/png");
    EXPECT_EQ(pictures[1].type, songcore::kPictureFrontCover);
    EXPECT_EQ(pictures[1].data, image);

    // A tag write that is not about pictures keeps every picture item as it
    // is, the damaged ones too.
    {
        CSongFileInfo song;
        ASSERT_TRUE(song.Open(path, 0, 0));
        ASSERT_TRUE(song.GetSongInfo());
        EXPECT_EQ(song.GetTitle(), "With pictures");
        song.SetTitle("New title");
        ASSERT_TRUE(song.WriteSongInfo()) << song.GetErrorMessage();
    }
    std::vector<std::string> items = CommentItems(path);
    comments.items[0] = "TITLE=New title";
    EXPECT_EQ(items, comments.items);

    // Writing pictures replaces all of them, old style and damaged alike.
    WritePictures(path, {good});
    EXPECT_EQ(CommentItems(path), (std::vector<std::string>{"TITLE=New title", "ARTIST=Someone",
                                                            songcore::PictureComment(good)}));
    EXPECT_EQ(OggInfoProblems(path), "");
}

TEST(OggPictures, OggFlacStreamsTakeThemInTheirCommentBlock) {
    TempDir dir;
    std::string path = CopyDataFile(dir, "ogg/tagged.oga");
    std::vector<std::string> others = WithoutPictureItems(CommentItems(path));
    Picture large = JpegPicture(songcore::kPictureFrontCover, "large", 300 * 1024);
    WritePictures(path, {large});
    EXPECT_EQ(ReadPictures(path), std::vector<Picture>{large});
    EXPECT_EQ(WithoutPictureItems(CommentItems(path)), others);
    EXPECT_EQ(FfmpegDecodeProblems(path), "");
}

namespace {

// What the ordinary tag read makes of a file, and how many bytes it took.
struct OrdinaryRead {
    int result = 0;
    std::vector<std::string> fields;
    uint64_t bytes = 0;
    uint64_t calls = 0;
};

OrdinaryRead ReadTags(const std::string& path) {
    OrdinaryRead read;
    uint64_t before = BytesReadSoFar();
    uint64_t callsBefore = ReadCallsSoFar();
    CSongFileInfo song;
    EXPECT_TRUE(song.Open(path, 1, 0));
    read.result = song.GetSongInfo();
    read.bytes = BytesReadSoFar() - before;
    read.calls = ReadCallsSoFar() - callsBefore;
    read.fields = {
        song.GetTitle(), song.GetArtist(), song.GetAlbum(),  song.GetComment(),
        song.GetYear(),  song.GetLyrics(), song.GetVendor(), std::to_string(song.GetTrackNum())};
    return read;
}

}  // namespace

// Our writer fills pages to 255 segments; mutagen and libogg make pages of
// about 4 KB, some 1,700 of them for a 5 MB cover: the walk must neither read
// the picture nor visit every page on its way past it.
TEST(OggPictures, TheOrdinaryReadWalksPastALargeCoverUnread) {
    const std::string mutagenCover =
        "from mutagen.flac import Picture\n"
        "import base64\n"
        "pic = Picture(); pic.type = 3; pic.mime = 'image/jpeg'\n"
        "pic.data = b'\\xff\\xd8\\xff\\xe0' + bytes(range(256)) * 20480\n"
        "f.tags['METADATA_BLOCK_PICTURE'] = [base64.b64encode(pic.write()).decode()]\n";
    for (auto [sample, kind] : {std::pair{"ogg/plain.ogg", "ogg"}, {"ogg/tagged.opus", "opus"}}) {
        SCOPED_TRACE(sample);
        TempDir dir;
        std::string plain = CopyDataFile(dir, sample);
        std::string ours = CopyDataFile(dir, sample, "ours-" + std::string(sample).substr(4));
        WritePictures(ours, {JpegPicture(songcore::kPictureFrontCover, "5 MB", 5 << 20)});
        std::string theirs = CopyDataFile(dir, sample, "mutagen-" + std::string(sample).substr(4));
        ASSERT_TRUE(EditWithMutagen(theirs, kind, mutagenCover));

        OrdinaryRead without = ReadTags(plain);
        for (const std::string& covered : {ours, theirs}) {
            SCOPED_TRACE(covered);
            ASSERT_GT(ReadFileBytes(covered).size(), size_t{5} << 20);
            OrdinaryRead with = ReadTags(covered);
            EXPECT_EQ(with.result, 1);
            EXPECT_EQ(with.fields, without.fields);
            EXPECT_NE(with.fields[0], "");
            EXPECT_LT(with.bytes, without.bytes + 64 * 1024)
                << "read " << with.bytes << " bytes, " << without.bytes << " without the cover";
            EXPECT_LT(with.calls, without.calls + 20)
                << with.calls << " reads, " << without.calls << " without the cover";
        }
    }
}

TEST(OggPictures, ItemsAroundSkippedPicturesOverManyPagesAreRead) {
    // mutagen lays the items out in the order given, pictures in the middle,
    // over pages of its own making.
    const std::string items =
        "import base64\n"
        "pic = base64.b64encode(bytes(range(256)) * 1200).decode()\n"
        "del f.tags[:]\n"
        "f.tags.extend([('TITLE', 'Before'), ('METADATA_BLOCK_PICTURE', pic),\n"
        "    ('ARTIST', 'After the picture'), ('coverart', pic), ('COVERARTMIME', 'image/png'),\n"
        "    ('LYRICS', 'la ' * 30000), ('COVERARTIST', 'not a picture'), ('ALBUM', 'Last')])\n";
    for (auto [sample, kind] : {std::pair{"ogg/plain.ogg", "ogg"}, {"ogg/tagged.opus", "opus"}}) {
        SCOPED_TRACE(sample);
        TempDir dir;
        std::string path = CopyDataFile(dir, sample);
        ASSERT_TRUE(EditWithMutagen(path, kind, items));
        std::vector<uint8_t> file = ReadFileBytes(path);
        auto whole = songcore::ReadOggHeaders(songcore::SpanReader(file), false);
        ASSERT_TRUE(whole);
        ASSERT_GT(whole->pages.size(), 10u);

        OrdinaryRead read = ReadTags(path);
        EXPECT_EQ(read.result, 1);
        EXPECT_EQ(read.fields[0], "Before");
        EXPECT_EQ(read.fields[1], "After the picture");
        EXPECT_EQ(read.fields[2], "Last");
        EXPECT_EQ(read.fields[5].size(), 90000u);
        EXPECT_LT(read.bytes, 150 * 1024u) << "the lyrics are read, the pictures are not";

        // The packet the walk pieced together from the page bodies is the one
        // the whole read assembles.
        auto tags = songcore::ReadOggTagHeaders(songcore::SpanReader(file));
        ASSERT_TRUE(tags);
        auto list = songcore::OggCommentList(whole->codec, whole->comment);
        std::vector<uint8_t> bytes;
        ASSERT_TRUE(tags->list(0, static_cast<size_t>(tags->listSize), bytes));
        EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), list->begin(), list->end()));
        EXPECT_FALSE(tags->list(1, static_cast<size_t>(tags->listSize), bytes));
        songcore::VorbisComments kept;
        ASSERT_TRUE(songcore::VorbisComments::Parse(tags->list, tags->listSize, kept, nullptr,
                                                    songcore::VorbisComments::Pictures::kLeaveOut));
        EXPECT_EQ(kept.items.size(), 5u);
        EXPECT_EQ(kept.items, WithoutPictureItems(CommentItems(path)));
    }
}

TEST(OggPictures, ACommentPacketCutShortOrMiscountedStillFails) {
    TempDir dir;
    std::string path = CopyDataFile(dir, "ogg/plain.ogg");
    ASSERT_TRUE(EditWithMutagen(path, "ogg",
                                "del f.tags[:]\n"
                                "f.tags.extend([('TITLE', 'Before'),\n"
                                "    ('METADATA_BLOCK_PICTURE', 'A' * 500000),\n"
                                "    ('ARTIST', 'After')])\n"));
    std::vector<uint8_t> file = ReadFileBytes(path);
    auto whole = songcore::ReadOggHeaders(songcore::SpanReader(file), false);
    ASSERT_TRUE(whole);
    const size_t end = whole->pageOffsets.back() + whole->pages.back().size();

    // Cut in the picture, and by one byte of the page where the packet ends
    // (the pages before it are there): no stream is known, nothing is read.
    for (size_t length : {file.size() / 2, end - 1}) {
        std::string cut = dir.file("cut" + std::to_string(length) + ".ogg");
        WriteFileBytes(cut, std::vector<uint8_t>(file.begin(), file.begin() + length));
        ASSERT_FALSE(songcore::ReadOggHeaders(songcore::SpanReader(ReadFileBytes(cut)), false));
        CSongFileInfo song;
        ASSERT_TRUE(song.Open(cut, 1, 0));
        EXPECT_EQ(song.GetSongInfo(), 0) << length;
        EXPECT_EQ(song.GetTitle(), "") << length;
        EXPECT_EQ(song.GetOggCodec(), songcore::OggCodec::kNone) << length;
    }
    std::string exact = dir.file("exact.ogg");
    WriteFileBytes(exact, std::vector<uint8_t>(file.begin(), file.begin() + end));
    EXPECT_EQ(ReadTags(exact).fields[1], "After");

    // An item count far beyond what the packet can hold: the items there are
    // kept, the walk ends at the packet's end and the read fails, as it did
    // with the whole packet in memory.
    std::vector<uint8_t> miscounted = file;
    const size_t countAt = whole->pageOffsets[0] + OggPage::kHeaderSize +
                           whole->pages[0].lacing.size() + songcore::kVorbisCommonHeaderSize + 4 +
                           whole->comment[7];
    ASSERT_EQ(miscounted[countAt], 3);
    miscounted[countAt + 3] = 0x7F;
    WriteFileBytes(path, miscounted);
    OrdinaryRead read = ReadTags(path);
    EXPECT_EQ(read.result, 0);
    EXPECT_EQ(read.fields[0], "Before");
    EXPECT_EQ(read.fields[1], "After");
}

namespace {

// An Opus file made page by page: another stream's first page before the
// Opus one, then a comment packet over pages of the sizes given (in
// segments; 255 segments of 255 bytes make a run of alike pages), with a page
// of the other stream after every seventh, then one audio page.
struct MadeOgg {
    std::vector<uint8_t> bytes;
    std::vector<uint8_t> list;               // the comment list
    std::vector<size_t> commentPageOffsets;  // of the comment packet's pages
};

MadeOgg MakeOpus(const std::vector<std::string>& items, const std::vector<size_t>& pageSegments) {
    MadeOgg made;
    auto add = [&made](OggPage page) {
        std::vector<uint8_t> bytes = page.Serialize();
        made.bytes.insert(made.bytes.end(), bytes.begin(), bytes.end());
    };
    auto otherPage = [](uint32_t sequence, uint8_t flags) {
        OggPage page;
        page.serial = 0x0BADF00D;
        page.sequence = sequence;
        page.flags = flags;
        page.body.assign(300, static_cast<uint8_t>(sequence));
        songcore::AppendLacing(page.body.size(), page.lacing);
        return page;
    };
    uint32_t otherSequence = 0;
    add(otherPage(otherSequence++, OggPage::kFirst));

    OggPage head;
    head.serial = 77;
    head.flags = OggPage::kFirst;
    head.body = {'O', 'p', 'u', 's', 'H', 'e', 'a', 'd', 1, 2, 0x38, 1, 0x80, 0xBB, 0, 0, 0, 0, 0};
    songcore::AppendLacing(head.body.size(), head.lacing);
    add(head);

    songcore::VorbisComments comments;
    comments.vendor = "made page by page";
    comments.items = items;
    comments.AppendTo(made.list);
    std::vector<uint8_t> packet = {'O', 'p', 'u', 's', 'T', 'a', 'g', 's'};
    packet.insert(packet.end(), made.list.begin(), made.list.end());

    uint32_t sequence = 1;
    size_t at = 0;
    for (size_t page = 0; at <= packet.size(); ++page) {
        OggPage out;
        out.serial = head.serial;
        out.sequence = sequence++;
        out.flags = at > 0 ? OggPage::kContinued : 0;
        out.granule = OggPage::kNoGranule;
        size_t segments = pageSegments[page % pageSegments.size()];
        size_t length = std::min(segments * 255, packet.size() - at);
        bool ends = length < segments * 255 || at + length == packet.size();
        if (ends) {
            songcore::AppendLacing(length, out.lacing);
            out.granule = 0;
        } else {
            out.lacing.assign(segments, 255);
        }
        out.body.assign(packet.begin() + static_cast<ptrdiff_t>(at),
                        packet.begin() + static_cast<ptrdiff_t>(at + length));
        made.commentPageOffsets.push_back(made.bytes.size());
        add(out);
        at += length;
        if (ends) {
            break;
        }
        if (page % 7 == 6) {
            add(otherPage(otherSequence++, 0));
        }
    }
    OggPage audio;
    audio.serial = head.serial;
    audio.sequence = sequence;
    audio.flags = OggPage::kLast;
    audio.granule = 48000;
    audio.body.assign(100, 0xFC);
    songcore::AppendLacing(audio.body.size(), audio.lacing);
    add(audio);
    return made;
}

}  // namespace

// A cover's base64 text split at odd offsets over pages of several sizes, with
// another stream's pages among them: any range of the comment list reads as
// the list holds it, the whole list in a few reads, and the picture comes back.
// A page within a run of alike pages that is not the run's (its number
// changed) fails the quick read, and the cover is still read page by page.
TEST(OggPictures, ACoverSplitOverPagesOfManySizesReadsWholeInFewReads) {
    Picture cover = JpegPicture(songcore::kPictureFrontCover, "split", 700 * 1000 + 13);
    const std::vector<std::string> items = {"TITLE=Around the cover",
                                            songcore::PictureComment(cover), "ARTIST=After it"};
    const std::vector<std::vector<size_t>> layouts = {
        {255},                        // runs of alike full pages, stepped over
        {255, 255, 255, 17, 255, 3},  // runs broken by short pages
        {200, 1, 254, 255, 255, 255, 255, 255, 129},
    };
    for (const std::vector<size_t>& layout : layouts) {
        SCOPED_TRACE(testing::Message()
                     << "pages of " << layout.front() << ", " << layout.size() << " sizes");
        MadeOgg made = MakeOpus(items, layout);
        size_t reads = 0;
        songcore::ReadExactFn bytes = songcore::SpanReader(made.bytes);
        songcore::ReadExactFn counted = [&](uint64_t offset, size_t count,
                                            std::vector<uint8_t>& out) {
            ++reads;
            return bytes(offset, count, out);
        };
        auto tags = songcore::ReadOggTagHeaders(counted);
        ASSERT_TRUE(tags);
        ASSERT_EQ(tags->listSize, made.list.size());
        const size_t size = made.list.size();
        for (auto [offset, count] :
             std::initializer_list<std::pair<size_t, size_t>>{{0, size},
                                                              {1, size - 1},
                                                              {4095, 70001},
                                                              {size / 3, 255},
                                                              {size - 3, 3},
                                                              {254, 2},
                                                              {size / 2 + 1, size / 2 - 1}}) {
            std::vector<uint8_t> got;
            reads = 0;
            ASSERT_TRUE(tags->list(offset, count, got)) << offset << " + " << count;
            EXPECT_TRUE(std::equal(got.begin(), got.end(), made.list.begin() + offset,
                                   made.list.begin() + offset + count))
                << offset << " + " << count;
            if (count == size) {
                EXPECT_LE(reads, 3u) << "the whole list";
            }
        }

        TempDir dir;
        std::string path = dir.file("made.opus");
        WriteFileBytes(path, made.bytes);
        EXPECT_EQ(ReadPictures(path), std::vector<Picture>{cover});

        // The second comment page, in a run of full pages, is stepped over
        // unread; its number changed, the quick read fails and the pages are
        // read one by one.
        std::vector<uint8_t> renumbered = made.bytes;
        renumbered[made.commentPageOffsets.at(1) + 18] ^= 0x40;
        if (layout.front() == 255) {
            auto again = songcore::ReadOggTagHeaders(songcore::SpanReader(renumbered));
            std::vector<uint8_t> got;
            EXPECT_FALSE(again && again->list(0, size, got));
        }
        WriteFileBytes(path, renumbered);
        EXPECT_EQ(ReadPictures(path), std::vector<Picture>{cover});
    }
}
