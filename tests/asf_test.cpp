// ASF (Windows Media) tags: the header walker and object codecs over byte
// buffers, and reading, writing and removing tags of real WMA files checked
// with ffmpeg and mutagen.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <set>

#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/StreamProperties.h"
#include "songcore/tags/asf/AsfHeader.h"
#include "songcore/tags/asf/AsfObjects.h"
#include "songcore/util/ByteWriter.h"
#include "songcore/util/Text.h"
#include "support/MediaChecks.h"
#include "support/TestSupport.h"

using namespace songcore;
using testsupport::TempDir;

namespace {

std::vector<uint8_t> Object(const AsfGuid& guid, std::vector<uint8_t> body) {
    ByteWriter out;
    out.bytes(guid);
    out.u64le(24 + body.size());
    out.bytes(body);
    return out.take();
}

std::vector<uint8_t> Header(const std::vector<std::vector<uint8_t>>& objects,
                            int64_t countDelta = 0) {
    ByteWriter out;
    out.bytes(asfguid::kHeader);
    out.u64le(0);
    out.u32le(static_cast<uint32_t>(objects.size() + countDelta));
    out.u8(1);
    out.u8(2);
    for (const auto& object : objects) {
        out.bytes(object);
    }
    out.putU64le(16, out.size());
    return out.take();
}

std::vector<uint8_t> Utf16z(const std::string& text) {
    std::vector<uint8_t> bytes = Utf8ToUtf16Le(text);
    bytes.insert(bytes.end(), {0, 0});
    return bytes;
}

uint64_t U64At(const std::vector<uint8_t>& bytes, size_t at) {
    uint64_t value = 0;
    for (int i = 7; i >= 0; --i) {
        value = value << 8 | bytes.at(at + i);
    }
    return value;
}

struct WalkedObject {
    AsfGuid guid;
    uint64_t offset, size;
};

// An independent walk of a file's header object, for checking the writer.
std::vector<WalkedObject> WalkFileHeader(const std::vector<uint8_t>& file, uint64_t& headerSize,
                                         uint32_t& count) {
    headerSize = U64At(file, 16);
    count = static_cast<uint32_t>(U64At(file, 24) & 0xFFFFFFFF);
    std::vector<WalkedObject> objects;
    uint64_t pos = 30;
    while (pos < headerSize) {
        WalkedObject object;
        std::copy(file.begin() + pos, file.begin() + pos + 16, object.guid.begin());
        object.offset = pos;
        object.size = U64At(file, pos + 16);
        if (object.size < 24) {
            break;
        }
        objects.push_back(object);
        pos += object.size;
    }
    return objects;
}

std::string PyAttribute(const std::string& type, const std::string& value) {
    return "[('" + type + "', " + value + ")]";
}

bool SameBytes(const std::string& a, const std::string& b) {
    return testsupport::ReadFileBytes(a) == testsupport::ReadFileBytes(b);
}

}  // namespace

TEST(AsfHeaderTest, WalksAndRebuildsObjects) {
    std::vector<uint8_t> fileProps(80, 0xAB);
    std::vector<uint8_t> other = {1, 2, 3};
    std::vector<uint8_t> oldContent =
        Object(asfguid::kContentDescription, std::vector<uint8_t>(10));
    std::vector<uint8_t> oldExtended = Object(asfguid::kExtendedContentDescription, {0, 0});
    std::vector<uint8_t> header = Header({Object(asfguid::kFileProperties, fileProps), oldContent,
                                          Object(asfguid::kCodecList, other), oldExtended});
    std::optional<AsfHeader> layout = AsfHeader::Parse(header);
    ASSERT_TRUE(layout);
    EXPECT_TRUE(layout->exact);
    ASSERT_EQ(layout->objects.size(), 4u);
    EXPECT_EQ(layout->objects[2].guid, asfguid::kCodecList);
    EXPECT_EQ(layout->objects[2].size, 27u);

    std::vector<uint8_t> newExtended = Object(asfguid::kExtendedContentDescription, {0, 0});
    std::vector<uint8_t> newContent =
        Object(asfguid::kContentDescription, std::vector<uint8_t>(12));
    auto rebuilt = layout->Rebuild(header, newExtended, newContent, 1000);
    ASSERT_TRUE(rebuilt);
    uint64_t size = 0;
    uint32_t count = 0;
    std::vector<WalkedObject> objects = WalkFileHeader(*rebuilt, size, count);
    EXPECT_EQ(size, rebuilt->size());
    EXPECT_EQ(count, 4u);
    ASSERT_EQ(objects.size(), 4u);
    // The new descriptions stand where the old ones stood, so that what is
    // read first stays first.
    EXPECT_EQ(objects[0].guid, asfguid::kFileProperties);
    EXPECT_EQ(objects[1].guid, asfguid::kContentDescription);
    EXPECT_EQ(objects[1].size, 36u);
    EXPECT_EQ(objects[2].guid, asfguid::kCodecList);
    EXPECT_EQ(objects[3].guid, asfguid::kExtendedContentDescription);
    // The reserved bytes stay; the file size is the new header plus the tail.
    EXPECT_EQ((*rebuilt)[28], 1);
    EXPECT_EQ((*rebuilt)[29], 2);
    EXPECT_EQ(U64At(*rebuilt, objects[0].offset + 40), rebuilt->size() + 1000);
    EXPECT_EQ((*rebuilt)[objects[0].offset + 48], 0xAB);

    // A header without descriptions gets them first.
    std::vector<uint8_t> bare = Header({Object(asfguid::kCodecList, other)});
    rebuilt = AsfHeader::Parse(bare)->Rebuild(bare, newExtended, newContent, 0);
    ASSERT_TRUE(rebuilt);
    objects = WalkFileHeader(*rebuilt, size, count);
    ASSERT_EQ(objects.size(), 3u);
    EXPECT_EQ(objects[0].guid, asfguid::kExtendedContentDescription);
    EXPECT_EQ(objects[1].guid, asfguid::kContentDescription);
    EXPECT_EQ(objects[2].guid, asfguid::kCodecList);
}

TEST(AsfHeaderTest, RefusesDamagedHeaders) {
    std::vector<uint8_t> good = Header({Object(asfguid::kCodecList, {1, 2, 3})});
    // An object reaching past the header.
    std::vector<uint8_t> past = good;
    past[30 + 16] = 200;
    EXPECT_FALSE(AsfHeader::Parse(past));
    // An object smaller than its own header.
    std::vector<uint8_t> tiny = good;
    tiny[30 + 16] = 10;
    EXPECT_FALSE(AsfHeader::Parse(tiny));
    // Not an ASF header at all, or a size that disagrees with the buffer.
    std::vector<uint8_t> other = good;
    other[0] ^= 1;
    EXPECT_FALSE(AsfHeader::Parse(other));
    EXPECT_FALSE(AsfHeader::ParseSize(std::span(good).first(20)));
    // A count that disagrees with the objects can be read but not rewritten.
    std::vector<uint8_t> miscounted = Header({Object(asfguid::kCodecList, {1})}, 1);
    std::optional<AsfHeader> layout = AsfHeader::Parse(miscounted);
    ASSERT_TRUE(layout);
    EXPECT_FALSE(layout->exact);
    EXPECT_FALSE(layout->Rebuild(miscounted, {}, {}, 0));
}

TEST(AsfObjectsTest, DescriptorValuesAsText) {
    auto make = [](uint16_t type, std::vector<uint8_t> value) {
        AsfDescriptor d;
        d.type = type;
        d.value = std::move(value);
        return d;
    };
    EXPECT_EQ(make(AsfDescriptor::kText, Utf16z("Grüße")).AsText(), "Grüße");
    EXPECT_EQ(make(AsfDescriptor::kBytes, {'a', 'b', 0, 'c'}).AsText(), "ab");
    EXPECT_EQ(make(AsfDescriptor::kBool, {1, 0, 0, 0}).AsText(), "1");
    EXPECT_EQ(make(AsfDescriptor::kDword, {5, 0, 0, 0}).AsText(), "5");
    EXPECT_EQ(make(AsfDescriptor::kQword, {0, 0, 0, 0, 1, 0, 0, 0}).AsText(), "4294967296");
    EXPECT_EQ(make(AsfDescriptor::kWord, {0x34, 0x12}).AsText(), "4660");
    EXPECT_FALSE(make(AsfDescriptor::kDword, {5, 0}).AsText());
    EXPECT_FALSE(make(9, {5, 0}).AsText());
}

TEST(AsfObjectsTest, DescriptionsRoundTripAndRefuseOverlongTexts) {
    AsfContentDescription content;
    content.title = "Title";
    content.description = "Ünïcödé";
    content.rating = Utf16z("5");
    auto built = content.Build();
    ASSERT_TRUE(built);
    // 24 + five lengths + "Title\0" + "Ünïcödé\0" + "5\0"
    EXPECT_EQ(built->size(), 34u + 12 + 16 + 4);
    auto parsed = AsfContentDescription::Parse(std::span(*built).subspan(24));
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->title, "Title");
    EXPECT_EQ(parsed->author, "");
    EXPECT_EQ(parsed->description, "Ünïcödé");
    EXPECT_EQ(parsed->rating, Utf16z("5"));
    EXPECT_EQ(AsfContentDescription{}.Build()->size(), 34u);
    // 32767 characters and the terminator fit in 16 bits; one more does not.
    content.title = std::string(32766, 'x');
    EXPECT_TRUE(content.Build());
    content.title += 'x';
    EXPECT_FALSE(content.Build());

    AsfExtendedContentDescription extended;
    extended.descriptors.push_back(AsfDescriptor::Text("WM/Composer", "Someone"));
    AsfDescriptor number;
    number.rawName = Utf16z("WM/TrackNumber");
    number.type = AsfDescriptor::kDword;
    number.value = {7, 0, 0, 0};
    extended.descriptors.push_back(number);
    built = extended.Build();
    ASSERT_TRUE(built);
    auto back = AsfExtendedContentDescription::Parse(std::span(*built).subspan(24));
    ASSERT_TRUE(back);
    ASSERT_EQ(back->descriptors.size(), 2u);
    EXPECT_EQ(back->descriptors[0].name, "WM/Composer");
    EXPECT_EQ(back->descriptors[0].AsText(), "Someone");
    EXPECT_EQ(back->descriptors[1].name, "WM/TrackNumber");
    EXPECT_EQ(back->descriptors[1].value, number.value);
    extended.descriptors[0] = AsfDescriptor::Text("WM/Lyrics", std::string(40000, 'l'));
    EXPECT_FALSE(extended.Build());
    // A descriptor cut short by the end of the object.
    std::vector<uint8_t> cut(built->begin() + 24, built->end() - 3);
    EXPECT_FALSE(AsfExtendedContentDescription::Parse(cut));
}

TEST(AsfObjectsTest, CodecList) {
    ByteWriter body;
    body.zeros(16);
    body.u32le(2);
    for (auto [type, name, description] :
         {std::tuple{1, "Video", "v"}, {2, "Windows Media Audio 9", "64 kbps, 44 kHz, stereo"}}) {
        body.u16le(static_cast<uint16_t>(type));
        std::vector<uint8_t> n = Utf16z(name), d = Utf16z(description);
        body.u16le(static_cast<uint16_t>(n.size() / 2));
        body.bytes(n);
        body.u16le(static_cast<uint16_t>(d.size() / 2));
        body.bytes(d);
        body.u16le(2);
        body.u16le(0x161);
    }
    auto entries = ParseAsfCodecList(body.buffer());
    ASSERT_TRUE(entries);
    ASSERT_EQ(entries->size(), 2u);
    EXPECT_EQ((*entries)[1].type, AsfCodecEntry::kAudio);
    EXPECT_EQ((*entries)[1].name, "Windows Media Audio 9");
    EXPECT_EQ((*entries)[1].description, "64 kbps, 44 kHz, stereo");
    std::vector<uint8_t> cut = body.buffer();
    cut.resize(cut.size() - 3);
    EXPECT_FALSE(ParseAsfCodecList(cut));
}

class AsfFileTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string Copy(const std::string& name) {
        return testsupport::CopyDataFile(dir, "asf/" + name);
    }
    // Sets attributes with mutagen: lines of Python after f = ASF(path).
    void Mutagen(const std::string& path, const std::string& body) {
        auto result = testsupport::RunPython(
            "import sys\nfrom mutagen.asf import ASF, ASFDWordAttribute, ASFQWordAttribute\n"
            "f = ASF(sys.argv[1])\n" +
                body + "f.save()\n",
            {path});
        ASSERT_EQ(result.status, 0) << result.err;
    }
};

TEST_F(AsfFileTest, ReadsMutagenTags) {
    CSongFileInfo info;
    ASSERT_TRUE(info.Open(testsupport::DataFile("asf/tagged.wma"), 1, 0));
    ASSERT_EQ(info.GetSongInfo(), 1);
    EXPECT_EQ(info.GetTagKind(), TAG_ASF);
    EXPECT_EQ(info.GetTitle(), "Sine Title");
    EXPECT_EQ(info.GetArtist(), "Sine Author");  // the author comes before the album artist
    EXPECT_EQ(info.GetAlbum(), "Sine Album");
    EXPECT_EQ(info.GetYear(), "2003");
    EXPECT_EQ(info.GetComment(), "A comment");
    EXPECT_EQ(info.GetCopyright(), "(c) Sine");
    EXPECT_EQ(info.GetGenreString(), "Jazz");
    EXPECT_EQ(info.GetTrackNum(), 7u);  // WM/TrackNumber, a number, wins over WM/TRACK
    EXPECT_EQ(info.GetComposer(), "Sine Composer");
    EXPECT_EQ(info.GetLyrics(), "la la la");
    EXPECT_EQ(info.GetCodecType(), 2);
    EXPECT_EQ(info.GetCodec(), "Windows Media Audio V8\r\n");

    StreamProperties stream = ReadStreamProperties(info);
    ASSERT_TRUE(stream.find("codec"));
    EXPECT_EQ(std::get<std::string>(stream.find("codec")->value), "Windows Media Audio V8");
    EXPECT_EQ(std::get<int64_t>(stream.find("codec_type")->value), 2);
    EXPECT_EQ(std::get<int64_t>(stream.find("sample_rate")->value), 22050);
    EXPECT_NEAR(std::get<double>(stream.find("length_seconds")->value), 0.5, 0.05);
}

TEST_F(AsfFileTest, ReadingRules) {
    if (!testsupport::HaveMutagen()) {
        GTEST_SKIP() << "mutagen missing";
    }
    // The album artist is a field of its own, also without an author; names
    // match in any letter case; a zero-based WM/TRACK counts only without a
    // track number.
    std::string path = Copy("plain.wma");
    Mutagen(path,
            "f['WM/ALBUMARTIST'] = 'Album Artist'\n"
            "f['wm/genre'] = 'Rock'\n"
            "f['WM/TRACK'] = ASFDWordAttribute(4)\n"
            "f['Description'] = '  padded  '\n"
            "f['date'] = ASFQWordAttribute(1999)\n");
    CSongFileInfo info;
    ASSERT_TRUE(info.Open(path, 1, 0));
    ASSERT_EQ(info.GetASFInfo(), 1);
    EXPECT_EQ(info.GetArtist(), "");
    EXPECT_EQ(info.GetAlbumArtist(), "Album Artist");
    EXPECT_EQ(info.GetGenre(), 17);
    EXPECT_EQ(info.GetTrackNum(), 5u);
    EXPECT_EQ(info.GetComment(), "padded");
    EXPECT_EQ(info.GetYear(), "1999");
}

TEST_F(AsfFileTest, WriteKeepsOtherItemsAndTheMediaData) {
    if (!testsupport::HaveMutagen()) {
        GTEST_SKIP() << "mutagen missing";
    }
    std::string path = Copy("tagged.wma");
    auto before = testsupport::MutagenAsfTags(path);
    std::vector<uint8_t> oldBytes = testsupport::ReadFileBytes(path);
    uint64_t oldHeaderSize = 0;
    uint32_t oldCount = 0;
    size_t oldObjects = WalkFileHeader(oldBytes, oldHeaderSize, oldCount).size();

    CSongFileInfo info;
    ASSERT_TRUE(info.Open(path, 0, 0));
    ASSERT_EQ(info.GetASFInfo(), 1);
    info.SetTitle("Nouveau titre é");
    info.SetArtist("Ärtist");
    info.SetAlbum("New Album");
    info.SetGenre("Blues");
    info.SetTrackNum(12);
    info.SetComposer("");
    info.SetURL("http://example.org/");
    ASSERT_EQ(info.WriteSongInfo(), 1);
    EXPECT_EQ(info.GetTagKind(), TAG_ASF);

    EXPECT_EQ(testsupport::FfmpegDecodeErrors(path), "");
    auto after = testsupport::MutagenAsfTags(path);
    EXPECT_EQ(after["Title"], PyAttribute("ASFUnicodeAttribute", "'Nouveau titre é'"));
    EXPECT_EQ(after["Author"], PyAttribute("ASFUnicodeAttribute", "'Ärtist'"));
    EXPECT_EQ(after["WM/AlbumArtist"], before["WM/AlbumArtist"]);
    EXPECT_EQ(after["WM/AlbumTitle"], PyAttribute("ASFUnicodeAttribute", "'New Album'"));
    EXPECT_EQ(after["WM/Genre"], PyAttribute("ASFUnicodeAttribute", "'Blues'"));
    EXPECT_EQ(after["WM/TrackNumber"], PyAttribute("ASFUnicodeAttribute", "'12'"));
    EXPECT_EQ(after["WM/PromotionURL"],
              PyAttribute("ASFUnicodeAttribute", "'http://example.org/'"));
    EXPECT_EQ(after["Copyright"], before["Copyright"]);
    EXPECT_EQ(after["Description"], before["Description"]);
    // Cleared fields are gone, and no second spelling of a name was added.
    EXPECT_FALSE(after.count("WM/Composer"));
    EXPECT_FALSE(after.count("WM/GENRE"));
    EXPECT_FALSE(after.count("WM/TRACKNUMBER"));
    for (const char* kept : {"WM/Picture", "ReplayGain/Track_Gain", "MusicBrainz/Track Id",
                             "WM/TRACK", "IsVBR", "WMFSDKVersion", "WMFSDKNeeded"}) {
        EXPECT_EQ(after[kept], before[kept]) << kept;
        EXPECT_FALSE(before[kept].empty()) << kept;
    }

    std::vector<uint8_t> newBytes = testsupport::ReadFileBytes(path);
    uint64_t headerSize = 0;
    uint32_t count = 0;
    std::vector<WalkedObject> objects = WalkFileHeader(newBytes, headerSize, count);
    uint64_t sum = 30;
    for (const WalkedObject& object : objects) {
        sum += object.size;
        if (object.guid == asfguid::kFileProperties) {
            EXPECT_EQ(U64At(newBytes, object.offset + 40), newBytes.size());
        }
    }
    EXPECT_EQ(sum, headerSize);
    EXPECT_EQ(count, objects.size());
    EXPECT_EQ(objects.size(), oldObjects);  // both descriptions were there already
    EXPECT_EQ(headerSize, oldHeaderSize) << "the padding took up the difference";
    EXPECT_TRUE(std::equal(oldBytes.begin() + oldHeaderSize, oldBytes.end(),
                           newBytes.begin() + headerSize, newBytes.end()));

    // The record holds the new file: it reads back what was written.
    ASSERT_EQ(info.GetASFInfo(), 1);
    EXPECT_EQ(info.GetTitle(), "Nouveau titre é");
    EXPECT_EQ(info.GetTrackNum(), 12u);
    EXPECT_EQ(info.GetGenreString(), "Blues");
}

// A written descriptor keeps the spelling of the one it replaces, and a new
// one takes the spelling other readers look for (TagLib matches names
// exactly); the album artist is a field of its own, which a new artist
// leaves alone. Undo puts the old values back under the same names.
TEST_F(AsfFileTest, NamesStayAsOtherReadersSpellThem) {
    if (!testsupport::HaveMutagen()) {
        GTEST_SKIP() << "mutagen missing";
    }
    ASSERT_EQ(setenv("XDG_STATE_HOME", dir.file("state").c_str(), 1), 0);
    std::string path = Copy("tagged.wma");
    auto before = testsupport::MutagenAsfTags(path);
    auto write = testsupport::RunTunemoss({"write", path, "--album", "Hymns", "--track", "5",
                                           "--genre", "Rock", "--year", "1999", "--artist", "New"});
    ASSERT_EQ(write.status, 0) << write.err;
    auto after = testsupport::MutagenAsfTags(path);
    EXPECT_EQ(after["WM/AlbumTitle"], PyAttribute("ASFUnicodeAttribute", "'Hymns'"));
    EXPECT_EQ(after["WM/TrackNumber"], PyAttribute("ASFUnicodeAttribute", "'5'"));
    EXPECT_EQ(after["WM/Genre"], PyAttribute("ASFUnicodeAttribute", "'Rock'"));
    EXPECT_EQ(after["WM/Year"], PyAttribute("ASFUnicodeAttribute", "'1999'"));
    EXPECT_EQ(after["Author"], PyAttribute("ASFUnicodeAttribute", "'New'"));
    EXPECT_EQ(after["WM/AlbumArtist"], before["WM/AlbumArtist"]);
    for (const char* renamed :
         {"WM/ALBUMTITLE", "WM/TRACKNUMBER", "WM/GENRE", "WM/YEAR", "WM/ALBUMARTIST"}) {
        EXPECT_FALSE(after.count(renamed)) << renamed;
    }
    ASSERT_EQ(testsupport::RunTunemoss({"undo"}).status, 0);
    auto undone = testsupport::MutagenAsfTags(path);
    for (const char* name : {"WM/AlbumTitle", "WM/Genre", "WM/Year", "WM/AlbumArtist", "Author"}) {
        EXPECT_EQ(undone[name], before[name]) << name;
    }

    // A file without them gets the common spellings, the album artist too.
    std::string plain = Copy("plain.wma");
    write = testsupport::RunTunemoss({"write", "--no-history", plain, "--album", "Hymns", "--track",
                                      "5", "--genre", "Rock", "--year", "1999", "--album-artist",
                                      "Choir"});
    ASSERT_EQ(write.status, 0) << write.err;
    std::set<std::string> names;
    for (const auto& [name, value] : testsupport::MutagenAsfTags(plain)) {
        names.insert(name);
    }
    for (const char* name :
         {"WM/AlbumTitle", "WM/TrackNumber", "WM/Genre", "WM/Year", "WM/AlbumArtist"}) {
        EXPECT_TRUE(names.count(name)) << name;
    }
    CSongFileInfo info;
    ASSERT_TRUE(info.Open(plain, 1, 0));
    ASSERT_EQ(info.GetASFInfo(), 1);
    EXPECT_EQ(info.GetAlbumArtist(), "Choir");
    EXPECT_EQ(info.GetArtist(), "");
}

TEST_F(AsfFileTest, WritingEmptyFieldsToAnUntaggedFile) {
    std::string path = Copy("plain.wma");
    CSongFileInfo info;
    ASSERT_TRUE(info.Open(path, 0, 0));
    // Nothing read yet: the dispatch does not write ASF files.
    EXPECT_EQ(info.WriteSongInfo(), 0);
    EXPECT_TRUE(SameBytes(path, testsupport::DataFile("asf/plain.wma")));
    ASSERT_EQ(info.GetASFInfo(), 1);
    // No field is set, so nothing is added: no "--" genre, no track 0.
    ASSERT_EQ(info.WriteASFInfo(), 1);
    EXPECT_TRUE(SameBytes(path, testsupport::DataFile("asf/plain.wma")));

    info.SetTitle("Only a title");
    ASSERT_EQ(info.WriteASFInfo(), 1);
    EXPECT_EQ(testsupport::FfmpegDecodeErrors(path), "");

    std::vector<uint8_t> bytes = testsupport::ReadFileBytes(path);
    uint64_t headerSize = 0;
    uint32_t count = 0;
    std::vector<WalkedObject> objects = WalkFileHeader(bytes, headerSize, count);
    ASSERT_GE(objects.size(), 1u);
    EXPECT_EQ(objects[0].guid, asfguid::kContentDescription);
    EXPECT_EQ(objects[0].size, 34u + 26);  // the title and its terminator
    for (const WalkedObject& object : objects) {
        EXPECT_NE(object.guid, asfguid::kExtendedContentDescription) << "no descriptor was set";
    }
}

TEST_F(AsfFileTest, RemoveDropsTagsAndKeepsTheRest) {
    if (!testsupport::HaveMutagen()) {
        GTEST_SKIP() << "mutagen missing";
    }
    std::string path = Copy("tagged.wma");
    auto before = testsupport::MutagenAsfTags(path);
    auto result = testsupport::RunTunemoss({"remove", "--tag", "asf", path});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(testsupport::FfmpegDecodeErrors(path), "");
    auto after = testsupport::MutagenAsfTags(path);
    // The zero-based WM/TRACK goes too: left alone it would be read as the
    // track of a file without tags.
    std::map<std::string, std::string> kept;
    for (const char* name : {"WM/Picture", "ReplayGain/Track_Gain", "MusicBrainz/Track Id", "IsVBR",
                             "WMFSDKVersion", "WMFSDKNeeded"}) {
        kept[name] = before[name];
    }
    EXPECT_EQ(after, kept);

    // Nothing left to remove: success, and the file stays as it is.
    std::string copy = dir.file("copy.wma");
    std::filesystem::copy_file(path, copy);
    CSongFileInfo info;
    ASSERT_TRUE(info.Open(path, 0, 0));
    EXPECT_EQ(info.RemoveASFInfo(), 1);
    EXPECT_TRUE(SameBytes(path, copy));
}

TEST_F(AsfFileTest, RefusalsLeaveTheFileUntouched) {
    std::string path = Copy("tagged.wma");
    std::string original = testsupport::DataFile("asf/tagged.wma");
    {
        // Lyrics beyond the 16-bit length of a descriptor.
        CSongFileInfo info;
        ASSERT_TRUE(info.Open(path, 0, 0));
        ASSERT_EQ(info.GetASFInfo(), 1);
        info.SetLyrics(std::string(40000, 'x'));
        EXPECT_EQ(info.WriteASFInfo(), 0);
        info.SetLyrics("");
        info.SetTitle(std::string(33000, 't'));
        EXPECT_EQ(info.WriteASFInfo(), 0);
        EXPECT_TRUE(SameBytes(path, original));
    }
    {
        // A header object that claims more bytes than its objects fill.
        std::vector<uint8_t> bytes = testsupport::ReadFileBytes(original);
        uint64_t headerSize = 0;
        uint32_t count = 0;
        std::vector<WalkedObject> objects = WalkFileHeader(bytes, headerSize, count);
        bytes[objects[1].offset + 16] ^= 0x40;
        testsupport::WriteFileBytes(path, bytes);
        CSongFileInfo info;
        ASSERT_TRUE(info.Open(path, 0, 0));
        EXPECT_EQ(info.GetASFInfo(), 0);
        EXPECT_EQ(info.WriteASFInfo(), 0);
        EXPECT_EQ(info.RemoveASFInfo(), 0);
        EXPECT_EQ(testsupport::ReadFileBytes(path), bytes);
    }
    {
        // Over 4 GB (a sparse file): the 32-bit world of the writer ends.
        std::string big = dir.file("big.wma");
        std::filesystem::copy_file(original, big);
        ASSERT_EQ(::truncate(big.c_str(), (5LL << 30)), 0);
        CSongFileInfo info;
        ASSERT_TRUE(info.Open(big, 0, 0));
        ASSERT_EQ(info.GetASFInfo(), 1);
        EXPECT_EQ(info.WriteASFInfo(), 0);
        EXPECT_EQ(std::filesystem::file_size(big), 5ULL << 30);
    }
}

TEST_F(AsfFileTest, CommandLine) {
    std::string path = Copy("plain.wma");
    auto result = testsupport::RunTunemoss(
        {"write", "--tag", "asf", "--title", "CLI title", "--album", "CLI album", path});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(testsupport::FfmpegDecodeErrors(path), "");
    result = testsupport::RunTunemoss({"show", "--json", path});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("\"title\": \"CLI title\""), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("\"album\": \"CLI album\""), std::string::npos);
    EXPECT_NE(result.out.find("\"codec\": \"Windows Media Audio V8\""), std::string::npos);
    // Without --tag the command reads first, so the ASF tag is written.
    result = testsupport::RunTunemoss({"write", "--year", "2024", path});
    ASSERT_EQ(result.status, 0) << result.err;
    result = testsupport::RunTunemoss({"show", "--json", path});
    EXPECT_NE(result.out.find("\"year\": \"2024\""), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("\"title\": \"CLI title\""), std::string::npos);
}

namespace {

// Bytes of a padding object of the given total size.
std::vector<uint8_t> Padding(size_t size) {
    return Object(asfguid::kPadding, std::vector<uint8_t>(size - 24));
}

// A header extension object holding the given objects.
std::vector<uint8_t> Extension(const std::vector<std::vector<uint8_t>>& objects) {
    ByteWriter body;
    body.zeros(18);
    size_t size = 0;
    for (const auto& object : objects) {
        size += object.size();
    }
    body.u32le(static_cast<uint32_t>(size));
    for (const auto& object : objects) {
        body.bytes(object);
    }
    return Object(asfguid::kHeaderExtension, body.take());
}

}  // namespace

TEST(AsfHeaderTest, PaddingTakesUpTheSizeChange) {
    std::vector<uint8_t> fileProps(80, 0);
    std::vector<uint8_t> content = Object(asfguid::kContentDescription, std::vector<uint8_t>(10));
    std::vector<uint8_t> grown = Object(asfguid::kContentDescription, std::vector<uint8_t>(50));
    std::vector<uint8_t> huge = Object(asfguid::kContentDescription, std::vector<uint8_t>(400));
    std::vector<uint8_t> shrunk =
        Object(asfguid::kContentDescription, std::vector<uint8_t>(10 - 4));
    for (bool inside : {false, true}) {
        SCOPED_TRACE(inside ? "padding in the header extension" : "padding at the top");
        std::vector<std::vector<uint8_t>> objects = {Object(asfguid::kFileProperties, fileProps),
                                                     content};
        objects.push_back(inside ? Extension({Object(asfguid::kMetadata, {0, 0}), Padding(200)})
                                 : Padding(200));
        std::vector<uint8_t> header = Header(objects);
        std::optional<AsfHeader> layout = AsfHeader::Parse(header);
        ASSERT_TRUE(layout);
        for (const auto& replacement : {grown, shrunk}) {
            auto rebuilt = layout->Rebuild(header, {}, replacement, 500);
            ASSERT_TRUE(rebuilt);
            EXPECT_EQ(rebuilt->size(), header.size()) << "the header keeps its size";
            EXPECT_TRUE(AsfHeader::Parse(*rebuilt)->exact);
            EXPECT_EQ(U64At(*rebuilt, 30 + 40), header.size() + 500);
            if (inside) {
                uint64_t size = 0;
                uint32_t count = 0;
                auto walked = WalkFileHeader(*rebuilt, size, count);
                ASSERT_EQ(walked.size(), 3u);
                std::span<const uint8_t> extension(rebuilt->data() + walked[2].offset,
                                                   walked[2].size);
                auto inner = AsfHeader::ExtensionObjects(extension);
                ASSERT_TRUE(inner) << "the header extension's data size follows";
                ASSERT_EQ(inner->size(), 2u);
            }
        }
        // Beyond the padding: the header grows and keeps a little padding.
        auto rebuilt = layout->Rebuild(header, {}, huge, 0);
        ASSERT_TRUE(rebuilt);
        EXPECT_EQ(rebuilt->size(),
                  header.size() - 200 + (huge.size() - content.size()) + AsfHeader::kGrowthPadding);
        EXPECT_TRUE(AsfHeader::Parse(*rebuilt)->exact);
    }
}

TEST(AsfObjectsTest, MetadataRecordsRoundTrip) {
    AsfMetadata metadata;
    metadata.records.push_back({0, 0, AsfDescriptor::Text("WM/Composer", "Second")});
    metadata.records.push_back({1, 2, AsfDescriptor::Text("WM/Lyrics", "for stream 2")});
    auto built = metadata.Build(asfguid::kMetadataLibrary);
    ASSERT_TRUE(built);
    auto back = AsfMetadata::Parse(std::span(*built).subspan(24));
    ASSERT_TRUE(back);
    ASSERT_EQ(back->records.size(), 2u);
    EXPECT_EQ(back->records[0].descriptor.name, "WM/Composer");
    EXPECT_EQ(back->records[0].descriptor.AsText(), "Second");
    EXPECT_EQ(back->records[1].language, 1);
    EXPECT_EQ(back->records[1].stream, 2);
    std::vector<uint8_t> cut(built->begin() + 24, built->end() - 1);
    EXPECT_FALSE(AsfMetadata::Parse(cut));
}

TEST_F(AsfFileTest, WritesOnlyWhatChangedAndInPlace) {
    if (!testsupport::HaveMutagen()) {
        GTEST_SKIP() << "mutagen missing";
    }
    std::string path = dir.file("song.wma");
    auto made = testsupport::Run({"ffmpeg", "-v", "error", "-f", "lavfi", "-i", "sine=d=0.5",
                                  "-c:a", "wmav2", "-metadata", "title=T", path});
    ASSERT_EQ(made.status, 0) << made.err;
    // mutagen keeps the second composer in the metadata library object.
    Mutagen(path, "f['WM/Genre'] = 'Shoegaze'\nf['WM/Composer'] = ['C1', 'C2']\n");
    auto before = testsupport::MutagenAsfTags(path);
    std::vector<uint8_t> oldBytes = testsupport::ReadFileBytes(path);
    uint64_t oldHeaderSize = 0;
    uint32_t count = 0;
    WalkFileHeader(oldBytes, oldHeaderSize, count);

    auto shown = testsupport::RunTunemoss({"show", "--json", path});
    EXPECT_NE(shown.out.find("\"composer\": \"C1; C2\""), std::string::npos) << shown.out;

    ASSERT_EQ(testsupport::RunTunemoss({"write", path, "--year", "2024"}).status, 0);
    auto after = testsupport::MutagenAsfTags(path);
    EXPECT_EQ(after["WM/Genre"], before["WM/Genre"]);
    EXPECT_EQ(after["WM/Composer"], before["WM/Composer"]);
    EXPECT_EQ(after["Title"], before["Title"]);
    EXPECT_EQ(after["WM/Year"], PyAttribute("ASFUnicodeAttribute", "'2024'"));
    for (const char* unset : {"WM/GENRE", "WM/TRACKNUMBER", "Author", "WM/ALBUMARTIST"}) {
        EXPECT_FALSE(after.count(unset)) << unset;
    }
    // The padding took up the new descriptor: same length, and the data
    // object has not moved.
    std::vector<uint8_t> newBytes = testsupport::ReadFileBytes(path);
    ASSERT_EQ(newBytes.size(), oldBytes.size());
    EXPECT_TRUE(std::equal(oldBytes.begin() + oldHeaderSize, oldBytes.end(),
                           newBytes.begin() + oldHeaderSize));
    EXPECT_EQ(testsupport::FfmpegDecodeErrors(path), "");

    // A changed field takes all its values along, the library's too.
    ASSERT_EQ(testsupport::RunTunemoss({"write", path, "--composer", "D1; D2; D3"}).status, 0);
    after = testsupport::MutagenAsfTags(path);
    EXPECT_EQ(after["WM/Composer"],
              "[('ASFUnicodeAttribute', 'D1'), ('ASFUnicodeAttribute', 'D2'), "
              "('ASFUnicodeAttribute', 'D3')]");
    EXPECT_EQ(testsupport::ReadFileBytes(path).size(), oldBytes.size());
    shown = testsupport::RunTunemoss({"show", "--json", path});
    EXPECT_NE(shown.out.find("\"composer\": \"D1; D2; D3\""), std::string::npos) << shown.out;

    // Growing beyond the padding moves the data, intact, behind a header
    // that keeps a little padding.
    std::string lyrics = dir.file("lyrics.txt");
    testsupport::WriteFileBytes(lyrics, std::vector<uint8_t>(3000, 'l'));
    ASSERT_EQ(testsupport::RunTunemoss({"write", path, "--lyrics-file", lyrics}).status, 0);
    newBytes = testsupport::ReadFileBytes(path);
    uint64_t headerSize = 0;
    std::vector<WalkedObject> objects = WalkFileHeader(newBytes, headerSize, count);
    EXPECT_GT(headerSize, oldHeaderSize);
    EXPECT_TRUE(std::equal(oldBytes.begin() + oldHeaderSize, oldBytes.end(),
                           newBytes.begin() + headerSize, newBytes.end()));
    bool padded = false;
    for (const WalkedObject& object : objects) {
        padded |= object.guid == asfguid::kPadding && object.size == AsfHeader::kGrowthPadding;
    }
    EXPECT_TRUE(padded);
    EXPECT_EQ(testsupport::FfmpegDecodeErrors(path), "");
    EXPECT_EQ(testsupport::MutagenAsfTags(path)["WM/Genre"], before["WM/Genre"]);
}
