// Matroska and WebM: EBML numbers and Voids over bytes; where new tags go
// in files built element by element (in place with a Void of any size after
// them, at the end of the Segment with its size and the SeekHead updated, or
// refused); the field table by level and by ffmpeg's names; and the sample
// files' streams, covers and moved tags as ffmpeg and mkvtoolnix read them.
#include <gtest/gtest.h>

#include <bit>
#include <limits>

#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/SongPictures.h"
#include "songcore/tags/StreamProperties.h"
#include "songcore/tags/mkv/Ebml.h"
#include "songcore/tags/mkv/MatroskaAudio.h"
#include "songcore/tags/mkv/MatroskaFields.h"
#include "songcore/tags/mkv/MatroskaLayout.h"
#include "songcore/tags/mkv/MatroskaWritePlan.h"
#include "support/EbmlBytes.h"
#include "support/TestSupport.h"

using songcore::ByteReader;
using songcore::ByteWriter;
using songcore::EbmlElement;
using songcore::MatroskaLayout;
using songcore::MatroskaPatch;
using songcore::MatroskaSimpleTag;
using songcore::MatroskaTag;
using songcore::MatroskaTags;
using songcore::SongField;
using songcore::SongValues;
using testsupport::CopyDataFile;
using testsupport::ReadFileBytes;
using testsupport::TempDir;
namespace ebml = songcore::ebml;

namespace {

using Bytes = std::vector<uint8_t>;

std::optional<EbmlElement> HeaderOf(const Bytes& bytes) {
    ByteReader in(bytes);
    return songcore::ReadEbmlHeader(in);
}

TEST(Ebml, ReadsIdsAndSizesAndRefusesMalformedOnes) {
    struct Case {
        Bytes bytes;
        std::optional<uint32_t> id;
        uint64_t size = 0;
        bool unknown = false;
    };
    const Case cases[] = {
        {{0xEC, 0x81}, 0xEC, 1},
        {{0x1A, 0x45, 0xDF, 0xA3, 0x40, 0x02}, ebml::kHeader, 2},
        {{0x18, 0x53, 0x80, 0x67, 0x01, 0, 0, 0, 0, 0, 0x01, 0x00}, ebml::kSegment, 256},
        {{0x18, 0x53, 0x80, 0x67, 0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
         ebml::kSegment,
         0,
         true},
        {{0xEC, 0xFF}, ebml::kVoid, 0, true},
        {{0x00, 0x81}, std::nullopt},                    // an id longer than 8 bytes
        {{0x08, 0x01, 0x02, 0x03, 0x81}, std::nullopt},  // an id longer than 4 bytes
        {{0xEC, 0x00}, std::nullopt},                    // a size longer than 8 bytes
        {{0x1A, 0x45, 0xDF}, std::nullopt},              // cut short
        {{0xEC, 0x40}, std::nullopt},
    };
    for (const Case& test : cases) {
        std::optional<EbmlElement> element = HeaderOf(test.bytes);
        ASSERT_EQ(element.has_value(), test.id.has_value()) << testing::PrintToString(test.bytes);
        if (element) {
            EXPECT_EQ(element->id, *test.id);
            EXPECT_EQ(element->size, test.size);
            EXPECT_EQ(element->unknownSize, test.unknown);
            EXPECT_EQ(element->headerLength, test.bytes.size());
        }
    }
    // A child larger than its parent ends the list.
    const Bytes body = {0xEC, 0x80, 0xEC, 0x85, 0, 0};
    bool complete = true;
    EXPECT_EQ(songcore::EbmlChildren(body, 0, &complete).size(), 1u);
    EXPECT_FALSE(complete);
}

TEST(Ebml, AVoidFillsEveryLengthFromTwoBytesAndSizesKeepTheirWidth) {
    EXPECT_FALSE(songcore::EbmlVoidHeader(0));
    EXPECT_FALSE(songcore::EbmlVoidHeader(1));
    for (uint64_t total : {2ull, 3ull, 9ull, 128ull, 129ull, 130ull, 16385ull, 1ull << 40}) {
        std::optional<Bytes> header = songcore::EbmlVoidHeader(total);
        ASSERT_TRUE(header) << total;
        std::optional<EbmlElement> element = HeaderOf(*header);
        ASSERT_TRUE(element) << total;
        EXPECT_EQ(element->id, ebml::kVoid);
        EXPECT_EQ(element->totalLength(), total);
    }
    for (int width = 1; width <= 8; ++width) {
        ByteWriter out;
        songcore::AppendEbmlId(out, ebml::kTags);
        songcore::AppendEbmlSize(out, 100, width);
        std::optional<EbmlElement> element = HeaderOf(out.buffer());
        ASSERT_TRUE(element);
        EXPECT_EQ(element->size, 100u);
        EXPECT_EQ(element->headerLength, 4 + width);
    }
}

TEST(MatroskaAudio, TheLengthIsTheDurationInUnitsOfTheScaleAndDamageIsNone) {
    auto info = [](uint64_t scale, double duration) {
        ByteWriter body;
        songcore::AppendEbmlUnsigned(body, ebml::kTimestampScale, scale);
        ByteWriter value;
        value.u64be(std::bit_cast<uint64_t>(duration));
        songcore::AppendEbmlElement(body, ebml::kDuration, value.buffer());
        return body.take();
    };
    struct Case {
        uint64_t scale;
        double duration;
        double seconds;
    };
    const Case cases[] = {
        {1000000, 1500.0, 1.5},
        {1000, 2e6, 2.0},
        {1000000, 1e300, 0},
        {1000000, -5.0, 0},
        {1000000, std::numeric_limits<double>::quiet_NaN(), 0},
    };
    for (const Case& test : cases) {
        songcore::MatroskaAudio audio;
        audio.ReadInfo(info(test.scale, test.duration));
        EXPECT_DOUBLE_EQ(audio.seconds, test.seconds) << test.duration;
    }
}

// --- files built element by element ---

using testsupport::Element;
using testsupport::Text;

Bytes VoidOf(size_t total) {
    Bytes bytes = *songcore::EbmlVoidHeader(total);
    bytes.resize(total, 0);
    return bytes;
}

void Append(Bytes& to, const Bytes& more) {
    to.insert(to.end(), more.begin(), more.end());
}

MatroskaTags TitleTags(const std::string& title, bool crc = false) {
    MatroskaTags tags;
    tags.hadCrc = crc;
    tags.tags.push_back(MatroskaTag::Make(50));
    tags.tags.back().simpleTags.push_back(MatroskaSimpleTag::Make("TITLE", title));
    return tags;
}

struct Layout {
    bool seekHead = true;
    size_t seekRoom = 40;  // the Void after the SeekHead; 0 for none
    bool seekNamesTags = true;
    bool tags = true;
    size_t tagsRoom = 0;  // the Void after the Tags
    bool tagsCrc = false;
    bool unknownCluster = false;
    bool unknownSegment = false;
    bool trailing = false;  // bytes after the Segment
};

Bytes SeekHead(const Bytes& entries) {
    return Element(ebml::kSeekHead, entries);
}

Bytes SeekEntry(uint32_t id, uint64_t position) {
    ByteWriter idBytes;
    songcore::AppendEbmlId(idBytes, id);
    ByteWriter body;
    songcore::AppendEbmlElement(body, ebml::kSeekId, idBytes.buffer());
    songcore::AppendEbmlUnsigned(body, ebml::kSeekPosition, position);
    return Element(ebml::kSeek, body.buffer());
}

const Bytes kClusterBody = [] {
    Bytes body(300);
    for (size_t i = 0; i < body.size(); ++i) {
        body[i] = static_cast<uint8_t>(i * 7);
    }
    return body;
}();

Bytes Build(const Layout& layout) {
    const Bytes info = Element(ebml::kInfo, Text(ebml::kTitle, "Segment"));
    const Bytes tags = layout.tags ? TitleTags("Old title", layout.tagsCrc).Serialize() : Bytes();
    // The positions are small, so the SeekHead's length does not depend on them.
    auto seekHead = [&](uint64_t infoAt, uint64_t tagsAt) {
        Bytes entries = SeekEntry(ebml::kInfo, infoAt);
        if (layout.seekNamesTags && layout.tags) {
            Append(entries, SeekEntry(ebml::kTags, tagsAt));
        }
        return SeekHead(entries);
    };
    const size_t headLength =
        layout.seekHead ? seekHead(0x10, 0x10).size() + (layout.seekRoom ? layout.seekRoom : 0) : 0;
    Bytes body;
    if (layout.seekHead) {
        Append(body, seekHead(headLength, headLength + info.size()));
        if (layout.seekRoom) {
            Append(body, VoidOf(layout.seekRoom));
        }
    }
    Append(body, info);
    Append(body, tags);
    if (layout.tagsRoom) {
        Append(body, VoidOf(layout.tagsRoom));
    }
    if (layout.unknownCluster) {
        Append(body, {0x1F, 0x43, 0xB6, 0x75, 0xFF});
        Append(body, kClusterBody);
    } else {
        Append(body, Element(ebml::kCluster, kClusterBody));
    }
    Bytes file = Element(ebml::kHeader, Text(ebml::kDocType, "matroska"));
    ByteWriter segment;
    songcore::AppendEbmlId(segment, ebml::kSegment);
    if (layout.unknownSegment) {
        segment.bytes(Bytes{0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
    } else {
        songcore::AppendEbmlSize(segment, body.size(), 8);
    }
    Append(file, segment.buffer());
    Append(file, body);
    if (layout.trailing) {
        Append(file, VoidOf(4));
    }
    return file;
}

std::optional<MatroskaLayout> LayoutOf(const Bytes& file) {
    return MatroskaLayout::Read(songcore::SpanReader(file), file.size(), true);
}

// Plans the new tags over file and applies the patches; why in error when
// refused.
std::optional<Bytes> Write(const Bytes& file, const MatroskaTags& tags, std::string* error) {
    std::optional<MatroskaLayout> layout = LayoutOf(file);
    if (!layout) {
        return std::nullopt;
    }
    std::vector<MatroskaPatch> patches;
    std::string why;
    if (!songcore::PlanMatroskaTagsWrite(songcore::SpanReader(file), file.size(), *layout, tags,
                                         patches, why)) {
        if (error) {
            *error = why;
        }
        return std::nullopt;
    }
    Bytes out;
    uint64_t at = 0;
    for (const MatroskaPatch& patch : patches) {
        out.insert(out.end(), file.begin() + static_cast<ptrdiff_t>(at),
                   file.begin() + static_cast<ptrdiff_t>(patch.offset));
        Append(out, patch.bytes);
        at = patch.offset + patch.oldLength;
    }
    out.insert(out.end(), file.begin() + static_cast<ptrdiff_t>(at), file.end());
    return out;
}

// The title the file's tags hold, checked the way a player finds them:
// the walk must reach the Segment's end, and the SeekHead's Tags entry (when
// there is one) must point at the Tags element. Empty without tags.
std::string TitleOf(const Bytes& file) {
    std::optional<MatroskaLayout> layout = LayoutOf(file);
    EXPECT_TRUE(layout && layout->complete);
    if (!layout) {
        return "(no layout)";
    }
    std::optional<EbmlElement> tags = layout->Find(ebml::kTags);
    for (const MatroskaLayout::SeekEntry& seek : layout->seeks) {
        if (seek.id == ebml::kTags) {
            EXPECT_TRUE(tags);
            EXPECT_EQ(layout->segment.dataOffset() + seek.position, tags ? tags->offset : 0);
        }
    }
    if (!tags) {
        return {};
    }
    std::span<const uint8_t> body(file.data() + tags->dataOffset(), tags->size);
    if (body.size() >= 6 && body[0] == ebml::kCrc32) {
        uint32_t stored = body[2] | body[3] << 8 | body[4] << 16 | uint32_t(body[5]) << 24;
        EXPECT_EQ(stored, songcore::EbmlCrc32(body.subspan(6)));
    }
    std::optional<MatroskaTags> parsed = MatroskaTags::Parse(body);
    EXPECT_TRUE(parsed);
    SongValues values;
    songcore::ReadMatroskaFields(parsed ? *parsed : MatroskaTags{}, "", values);
    return values.Text(SongField::Title);
}

// Where the Cluster's bytes are; the writer must never move them.
size_t ClusterAt(const Bytes& file) {
    auto found = std::search(file.begin(), file.end(), kClusterBody.begin(), kClusterBody.end());
    return static_cast<size_t>(found - file.begin());
}

TEST(MatroskaWritePlan, TagsThatFitStayInPlaceWithAVoidOfWhatIsLeft) {
    // Every room from none to a few bytes: a single byte left over has no
    // Void to hold it and goes into a wider size field.
    for (size_t extra = 0; extra < 5; ++extra) {
        for (bool crc : {false, true}) {
            SCOPED_TRACE(testing::Message() << "extra " << extra << " crc " << crc);
            Layout layout;
            layout.tagsCrc = crc;
            const Bytes file = Build(layout);
            // "Old title" shortened by extra bytes.
            std::string title = std::string("Old title").substr(0, 9 - extra);
            std::optional<Bytes> written = Write(file, TitleTags(title, crc), nullptr);
            ASSERT_TRUE(written);
            EXPECT_EQ(written->size(), file.size());
            EXPECT_EQ(ClusterAt(*written), ClusterAt(file));
            EXPECT_EQ(TitleOf(*written), title);
        }
    }
    // A Void after the tags makes room for longer ones.
    Layout roomy;
    roomy.tagsRoom = 50;
    const Bytes file = Build(roomy);
    std::optional<Bytes> written = Write(file, TitleTags(std::string(50, 'x')), nullptr);
    ASSERT_TRUE(written);
    EXPECT_EQ(written->size(), file.size());
    EXPECT_EQ(TitleOf(*written), std::string(50, 'x'));
}

TEST(MatroskaWritePlan, TagsThatOutgrowTheirRoomMoveToTheEndOfTheSegment) {
    const std::string title(200, 't');
    struct Case {
        const char* what;
        Layout layout;
    };
    Layout unindexed;
    unindexed.seekNamesTags = false;  // the entry is added
    Layout untagged;
    untagged.tags = false;
    Layout unknownSize;
    unknownSize.unknownSegment = true;
    const Case cases[] = {
        {"indexed", Layout{}},
        {"not in the SeekHead", unindexed},
        {"without tags", untagged},
        {"in a Segment of unknown size", unknownSize},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.what);
        const Bytes file = Build(test.layout);
        std::optional<Bytes> written = Write(file, TitleTags(title), nullptr);
        ASSERT_TRUE(written);
        EXPECT_GT(written->size(), file.size());
        EXPECT_EQ(ClusterAt(*written), ClusterAt(file));
        EXPECT_EQ(TitleOf(*written), title);
        std::optional<MatroskaLayout> layout = LayoutOf(*written);
        ASSERT_TRUE(layout);
        EXPECT_EQ(layout->children.back().id, ebml::kTags);
        EXPECT_TRUE(std::any_of(layout->seeks.begin(), layout->seeks.end(),
                                [](const auto& seek) { return seek.id == ebml::kTags; }));

        // Back to a short title: the tags at the end shrink where they are.
        std::optional<Bytes> again = Write(*written, TitleTags("Short"), nullptr);
        ASSERT_TRUE(again);
        EXPECT_EQ(again->size(), written->size());
        EXPECT_EQ(TitleOf(*again), "Short");
    }
}

TEST(MatroskaWritePlan, RefusesWhereNoSafePlaceExistsAndRemovesTagsInPlace) {
    struct Case {
        const char* what;
        Layout layout;
        const char* says;
    };
    Layout noHead;
    noHead.seekHead = false;
    Layout noRoom;
    noRoom.seekRoom = 0;
    noRoom.seekNamesTags = false;
    Layout live;
    live.unknownCluster = true;
    Layout trailing;
    trailing.trailing = true;
    const Case cases[] = {
        {"no SeekHead", noHead, "no SeekHead"},
        {"no room in the SeekHead", noRoom, "no room"},
        {"a Cluster of unknown size", live, "cannot all be followed"},
        {"bytes after the Segment", trailing, "follows its Segment"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.what);
        const Bytes file = Build(test.layout);
        std::string error;
        EXPECT_FALSE(Write(file, TitleTags(std::string(200, 't')), &error));
        EXPECT_NE(error.find(test.says), std::string::npos) << error;
    }
    // Removing needs no room: the tags become a Void and leave the SeekHead.
    const Bytes file = Build(Layout{});
    std::optional<Bytes> removed = Write(file, MatroskaTags{}, nullptr);
    ASSERT_TRUE(removed);
    EXPECT_EQ(removed->size(), file.size());
    EXPECT_EQ(TitleOf(*removed), "");
    std::string old = "Old title";
    EXPECT_EQ(std::search(removed->begin(), removed->end(), old.begin(), old.end()), removed->end())
        << "the removed text is gone from the file";
}

// --- the field table ---

MatroskaTags TagsOf(
    std::initializer_list<std::pair<uint64_t, std::vector<MatroskaSimpleTag>>> levels) {
    MatroskaTags tags;
    for (const auto& [level, simples] : levels) {
        tags.tags.push_back(MatroskaTag::Make(level));
        tags.tags.back().simpleTags = simples;
    }
    return tags;
}

MatroskaSimpleTag Simple(const std::string& name, const std::string& value) {
    return MatroskaSimpleTag::Make(name, value);
}

TEST(MatroskaFields, TheTrackLevelMakesTheAlbumLevelTheAlbumsAndFfmpegsOneTagIsTheSongs) {
    const MatroskaTags levels = TagsOf({{50,
                                         {Simple("TITLE", "Album"), Simple("ARTIST", "Band"),
                                          Simple("TOTAL_PARTS", "9"), Simple("GENRE", "Jazz")}},
                                        {30,
                                         {Simple("TITLE", "Song"), Simple("ARTIST", "A"),
                                          Simple("ARTIST", "B"), Simple("PART_NUMBER", "3")}}});
    SongValues read;
    songcore::ReadMatroskaFields(levels, "Segment title", read);
    EXPECT_EQ(read.Text(SongField::Title), "Song");
    EXPECT_TRUE(
        std::ranges::equal(read.Get(SongField::Artist), std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(read.Text(SongField::Album), "Album");
    EXPECT_EQ(read.Text(SongField::AlbumArtist), "Band");
    EXPECT_EQ(read.Number(SongField::Track), 3u);
    EXPECT_EQ(read.Number(SongField::TrackTotal), 9u);
    EXPECT_EQ(read.Text(SongField::Genre), "Jazz");  // from the album when the track has none

    const MatroskaTags flat = TagsOf({{50,
                                       {Simple("ARTIST", "A"), Simple("ALBUM", "Album"),
                                        Simple("PART_NUMBER", "3/12"), Simple("DATE", "2001")}}});
    SongValues ffmpeg;
    songcore::ReadMatroskaFields(flat, "Segment title", ffmpeg);
    EXPECT_EQ(ffmpeg.Text(SongField::Title), "Segment title");
    EXPECT_EQ(ffmpeg.Text(SongField::Artist), "A");
    EXPECT_EQ(ffmpeg.Text(SongField::Album), "Album");
    EXPECT_EQ(ffmpeg.Number(SongField::Track), 3u);
    EXPECT_EQ(ffmpeg.Number(SongField::TrackTotal), 12u);
    EXPECT_EQ(ffmpeg.Text(SongField::Year), "2001");
}

TEST(MatroskaFields, AnEditReplacesOnlyTheChangedFieldsSimpleTags) {
    MatroskaTags tags =
        TagsOf({{50, {Simple("TITLE", "Album"), Simple("CATALOG", "C-1"), Simple("GENRE", "Jazz")}},
                {30, {Simple("ARTIST", "A"), Simple("TITLE", "Song"), Simple("MOOD", "Calm")}}});
    const MatroskaTags before = tags;
    SongValues values;
    songcore::ReadMatroskaFields(tags, "", values);
    values.SetText(SongField::Title, "New song");
    values.SetText(SongField::Genre, "Rock; Pop");
    values.SetText(SongField::Composer, "C");
    songcore::WriteMatroskaFields(values, "", tags);

    ASSERT_EQ(tags.tags.size(), 2u);
    const auto& album = tags.tags[0].simpleTags;
    const auto& track = tags.tags[1].simpleTags;
    ASSERT_EQ(album.size(), 4u);
    EXPECT_EQ(album[0].element, before.tags[0].simpleTags[0].element);  // the album's title
    EXPECT_EQ(album[1].element, before.tags[0].simpleTags[1].element);
    // The genre stays where it was, now two values.
    EXPECT_EQ(album[2].value, "Rock");
    EXPECT_EQ(album[3].value, "Pop");
    ASSERT_EQ(track.size(), 4u);
    EXPECT_EQ(track[0].element, before.tags[1].simpleTags[0].element);
    EXPECT_EQ(track[1].value, "New song");
    EXPECT_EQ(track[2].element, before.tags[1].simpleTags[2].element);
    EXPECT_EQ(track[3].name, "COMPOSER");  // a new field goes to the track

    SongValues again;
    songcore::ReadMatroskaFields(tags, "", again);
    for (SongField field : {SongField::Title, SongField::Album, SongField::Genre,
                            SongField::Composer, SongField::Artist}) {
        EXPECT_TRUE(again.Same(field, values)) << songcore::InfoOf(field).key;
    }

    // With the track level's fields cleared, the album's would read as the
    // song's: they are written under ffmpeg's names instead.
    MatroskaTags single =
        TagsOf({{50, {Simple("TITLE", "Album")}}, {30, {Simple("TITLE", "Song")}}});
    SongValues cleared;
    songcore::ReadMatroskaFields(single, "", cleared);
    cleared.Clear(SongField::Title);
    songcore::WriteMatroskaFields(cleared, "", single);
    SongValues flat;
    songcore::ReadMatroskaFields(single, "", flat);
    EXPECT_EQ(flat.Text(SongField::Title), "");
    EXPECT_EQ(flat.Text(SongField::Album), "Album");
}

// --- the sample files ---

class MatroskaFiles : public testing::Test {
protected:
    void SetUp() override { ::setenv("XDG_STATE_HOME", state_.path().c_str(), 1); }
    TempDir state_;
    TempDir dir_;
};

TEST_F(MatroskaFiles, TagsOfFfmpegAndMkvpropeditReadAsTheyMeant) {
    struct Case {
        const char* file;
        const char* title;  // ffmpeg.mka's only in the Info
        const char* artist;
        const char* album;
        const char* albumArtist;
        uint32_t track;
        uint32_t trackTotal;
        const char* year;
    };
    const Case cases[] = {
        {"matroska/ffmpeg.mka", "Ffmpeg Title", "Ffmpeg Artist", "Ffmpeg Album", "", 4, 0, "2003"},
        {"matroska/levels.mka", "Level Title", "Level Artist", "Level Album", "Level Album Artist",
         7, 12, "1999"},
        {"matroska/ffmpeg.webm", "Webm Title", "Webm Artist", "", "", 0, 0, ""},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.file);
        CSongFileInfo song;
        ASSERT_EQ(song.Open(testsupport::DataFile(test.file), 1, 0), 1);
        ASSERT_EQ(song.GetSongInfo(), 1);
        EXPECT_EQ(song.GetTagKind(), TAG_MATROSKA);
        EXPECT_EQ(song.GetTitle(), test.title);
        EXPECT_EQ(song.GetArtist(), test.artist);
        EXPECT_EQ(song.GetAlbum(), test.album);
        EXPECT_EQ(song.GetAlbumArtist(), test.albumArtist);
        EXPECT_EQ(song.GetTrackNum(), test.track);
        EXPECT_EQ(song.GetTrackTotal(), test.trackTotal);
        EXPECT_EQ(song.GetYear(), test.year);
    }
}

TEST_F(MatroskaFiles, StreamsOfEveryCodec) {
    struct Case {
        const char* file;
        const char* codec;
        int64_t rate;
        double seconds;
    };
    const Case cases[] = {
        {"matroska/ffmpeg.mka", "Opus", 48000, 0.2},
        {"matroska/ffmpeg.webm", "Vorbis", 8000, 0.2},
        {"matroska/flac.mka", "FLAC", 8000, 0.2},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.file);
        CSongFileInfo song;
        ASSERT_EQ(song.Open(testsupport::DataFile(test.file), 1, 0), 1);
        ASSERT_EQ(song.GetSongInfo(), 1);
        songcore::StreamProperties stream = songcore::ReadStreamProperties(song);
        ASSERT_TRUE(stream.find("codec"));
        EXPECT_EQ(std::get<std::string>(stream.find("codec")->value), test.codec);
        EXPECT_EQ(std::get<int64_t>(stream.find("sample_rate")->value), test.rate);
        EXPECT_EQ(std::get<int64_t>(stream.find("channels")->value), 1);
        EXPECT_NEAR(std::get<double>(stream.find("length_seconds")->value), test.seconds, 0.05);
    }
}

TEST_F(MatroskaFiles, TheCoverIsTheAttachmentNamedSoAndOtherAttachmentsStay) {
    const std::string path = CopyDataFile(dir_, "matroska/cover.mka");
    std::vector<songcore::Picture> pictures;
    std::string error;
    ASSERT_TRUE(songcore::ReadSongPictures(path, pictures, error)) << error;
    ASSERT_EQ(pictures.size(), 1u);
    EXPECT_EQ(pictures[0].type, songcore::kPictureFrontCover);
    EXPECT_EQ(pictures[0].mime, "image/jpeg");
    EXPECT_EQ(songcore::SniffImageMime(pictures[0].data), "image/jpeg");

    // A PNG replaces it; written again, the bytes stay the same.
    std::optional<songcore::Picture> png = songcore::PictureFromImage(
        ReadFileBytes(testsupport::DataFile("pictures/back.png")), songcore::kPictureFrontCover);
    ASSERT_TRUE(png);
    png->description = "Front";
    ASSERT_TRUE(songcore::WriteSongPictures(path, {*png}, error)) << error;
    const Bytes once = ReadFileBytes(path);
    ASSERT_TRUE(songcore::WriteSongPictures(path, {*png}, error)) << error;
    EXPECT_EQ(ReadFileBytes(path), once);
    testsupport::RunResult decode =
        testsupport::Run({"ffmpeg", "-v", "error", "-i", path, "-f", "null", "-"});
    EXPECT_EQ(decode.status, 0);
    EXPECT_EQ(decode.err, "");
    ASSERT_TRUE(songcore::ReadSongPictures(path, pictures, error)) << error;
    ASSERT_EQ(pictures.size(), 1u);
    EXPECT_EQ(pictures[0].data, png->data);
    EXPECT_EQ(pictures[0].mime, "image/png");
    EXPECT_EQ(pictures[0].description, "Front");

    // What a Matroska file cannot name is refused, the file left alone.
    songcore::Picture back = *png;
    back.type = songcore::kPictureBackCover;
    for (const std::vector<songcore::Picture>& refused :
         {std::vector<songcore::Picture>{back}, std::vector<songcore::Picture>{*png, *png}}) {
        EXPECT_FALSE(songcore::WriteSongPictures(path, refused, error));
        EXPECT_NE(error.find("cover"), std::string::npos) << error;
        EXPECT_EQ(ReadFileBytes(path), once);
    }

    ASSERT_TRUE(songcore::WriteSongPictures(path, {}, error)) << error;
    ASSERT_TRUE(songcore::ReadSongPictures(path, pictures, error)) << error;
    EXPECT_TRUE(pictures.empty());
    if (testsupport::Run({"mkvmerge", "--version"}).status == 0) {
        testsupport::RunResult listed = testsupport::Run({"mkvmerge", "-i", path});
        EXPECT_NE(listed.out.find("file name 'notes.txt'"), std::string::npos) << listed.out;
        EXPECT_EQ(listed.out.find("image/"), std::string::npos) << listed.out;
    }
}

TEST_F(MatroskaFiles, MovedTagsAreFoundByFfmpegAndMkvToolNix) {
    if (testsupport::Run({"mkvextract", "--version"}).status != 0) {
        GTEST_SKIP() << "mkvtoolnix is not installed";
    }
    const std::string path = CopyDataFile(dir_, "matroska/levels.mka");
    const std::string lyrics(3000, 'l');
    {
        CSongFileInfo song;
        ASSERT_EQ(song.Open(path, 0, 0), 1);
        ASSERT_EQ(song.GetMatroskaInfo(), 1);
        song.SetTitle("Moved title");
        song.SetAlbumArtist("Новий гурт");
        song.SetLyrics(lyrics);
        ASSERT_EQ(song.WriteMatroskaInfo(), 1) << song.GetErrorMessage();
    }
    testsupport::RunResult probe = testsupport::Run(
        {"ffprobe", "-v", "error", "-show_entries", "format_tags=title", "-of", "csv=p=0", path});
    EXPECT_EQ(probe.status, 0) << probe.err;
    EXPECT_EQ(probe.out, "Moved title\n");
    testsupport::RunResult decode =
        testsupport::Run({"ffmpeg", "-v", "error", "-i", path, "-f", "null", "-"});
    EXPECT_EQ(decode.status, 0);
    EXPECT_EQ(decode.err, "");
    testsupport::RunResult tags = testsupport::Run({"mkvextract", path, "tags", "/dev/stdout"});
    ASSERT_EQ(tags.status, 0) << tags.err;
    for (const char* kept : {"<String>Level Album</String>", "<String>Новий гурт</String>",
                             "<Name>CATALOG_NUMBER</Name>", "<String>Calm</String>",
                             "<Name>URL</Name>", "<String>Moved title</String>"}) {
        EXPECT_NE(tags.out.find(kept), std::string::npos) << kept;
    }
    testsupport::RunResult info = testsupport::Run({"mkvinfo", path});
    EXPECT_EQ(info.status, 0) << info.out;
    EXPECT_EQ(info.out.find("rror"), std::string::npos) << info.out;
}

}  // namespace
