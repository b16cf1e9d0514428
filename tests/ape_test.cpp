// APEv2 tags: the codec on byte buffers, then real files tagged by mutagen,
// with and without an ID3v1 tag after the APEv2 tag, and tunemoss.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/ape/ApeTag.h"
#include "songcore/tags/id3/Id3v1Tag.h"
#include "songcore/views/SongTreeCtrl.h"
#include "support/Id3v2Bytes.h"
#include "support/TagPeers.h"
#include "support/TestSupport.h"

using namespace testsupport;
using songcore::ApeField;
using songcore::ApeTag;

namespace {

class Song : public CSongFileInfo {
public:
    using CSongFileInfo::HasAPEV2;
};

void PutU32(Bytes& out, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
}

Bytes Item(const std::string& key, const std::string& value, uint32_t flags = 0) {
    Bytes out;
    PutU32(out, static_cast<uint32_t>(value.size()));
    PutU32(out, flags);
    return Concat({out, ToBytes(key), {0}, ToBytes(value)});
}

Bytes HeaderOrFooter(uint32_t version, uint32_t size, uint32_t count, uint32_t flags) {
    Bytes out = ToBytes("APETAGEX");
    PutU32(out, version);
    PutU32(out, size);
    PutU32(out, count);
    PutU32(out, flags);
    out.resize(32, 0);
    return out;
}

// Items and a footer (version 1000: no header) or header, items and footer.
Bytes Tag(uint32_t version, const Bytes& items, uint32_t count) {
    uint32_t size = static_cast<uint32_t>(items.size() + 32);
    if (version == 1000) {
        return Concat({items, HeaderOrFooter(1000, size, count, 0)});
    }
    return Concat({HeaderOrFooter(2000, size, count, 0xA0000000u), items,
                   HeaderOrFooter(2000, size, count, 0x80000000u)});
}

Bytes Slice(const Bytes& bytes, size_t from, size_t to) {
    return Bytes(bytes.begin() + static_cast<long>(from), bytes.begin() + static_cast<long>(to));
}

Bytes Id3v1Block() {
    songcore::Id3v1Tag tag;
    tag.title = "One";
    auto block = tag.Serialize();
    return Bytes(block.begin(), block.end());
}

std::string MakeFile(const TempDir& dir, const std::string& name, const Bytes& bytes) {
    std::string path = dir.file(name);
    WriteFileBytes(path, bytes);
    return path;
}

std::string Field(const ApeTag& tag, ApeField field) {
    return tag.ReadFields()[static_cast<size_t>(field)].value_or("<none>");
}

}  // namespace

TEST(ApeCodec, ItemsAreReadByKeyIgnoringCase) {
    Bytes items = Concat({Item("TITLE", "Upper"), Item("Subtitle", "skipped"),
                          Item("artist", std::string("First\0Second", 12)),
                          Item("Lyrics", "bin", 2), Item("Track", "7/10")});
    for (uint32_t version : {1000u, 2000u}) {
        std::optional<ApeTag> tag = ApeTag::Parse(Tag(version, items, 5));
        ASSERT_TRUE(tag);
        EXPECT_TRUE(tag->complete);
        EXPECT_EQ(tag->version, version);
        EXPECT_EQ(Field(*tag, ApeField::Title), "Upper");
        EXPECT_EQ(Field(*tag, ApeField::Artist), "First; Second") << "several values, joined";
        EXPECT_EQ(Field(*tag, ApeField::Lyrics), "<none>") << "a binary item is no text";
        EXPECT_EQ(Field(*tag, ApeField::Track), "7/10");
    }
    EXPECT_FALSE(ApeTag::Parse(Bytes(31, 0)));
    // A header is not a footer.
    EXPECT_FALSE(ApeTag::Parse(HeaderOrFooter(2000, 32, 0, 0xA0000000u)));
}

TEST(ApeCodec, LengthsAndCountsAreCheckedAgainstTheTag) {
    // A value length far beyond the tag: the items before it are kept.
    Bytes bad = Concat({Item("Title", "ok"), Item("Artist", "x")});
    bad[Item("Title", "ok").size()] = 0xFF;
    bad[Item("Title", "ok").size() + 3] = 0x7F;
    std::optional<ApeTag> tag = ApeTag::Parse(Tag(2000, bad, 2));
    ASSERT_TRUE(tag);
    EXPECT_FALSE(tag->complete);
    EXPECT_EQ(Field(*tag, ApeField::Title), "ok");
    EXPECT_EQ(tag->items.size(), 1u);

    // A count of four billion in a tag with one item.
    tag = ApeTag::Parse(Tag(2000, Item("Title", "t"), 0xFFFFFFFFu));
    ASSERT_TRUE(tag);
    EXPECT_FALSE(tag->complete);
    EXPECT_EQ(tag->items.size(), 1u);

    // A key without its terminator, and a tag size beyond the buffer.
    Bytes unterminated = Item("Title", "");
    unterminated.pop_back();
    EXPECT_FALSE(ApeTag::Parse(Tag(2000, unterminated, 1))->complete);
    Bytes tooLarge = Tag(2000, Item("Title", "t"), 1);
    tooLarge[tooLarge.size() - 20] = 0xFF;
    EXPECT_FALSE(ApeTag::Parse(tooLarge));
}

TEST(ApeCodec, RebuildWritesTheFieldsAndCarriesTheRest) {
    songcore::ApeFieldValues values;
    values[static_cast<size_t>(ApeField::Title)] = "abc";
    values[static_cast<size_t>(ApeField::Genre)] = "--";
    values[static_cast<size_t>(ApeField::Track)] = "0";
    std::optional<Bytes> bytes = ApeTag::Rebuild(nullptr, values).Serialize();
    ASSERT_TRUE(bytes);
    Bytes expected =
        Tag(2000, Concat({Item("Title", "abc"), Item("Genre", "--"), Item("Track", "0")}), 3);
    EXPECT_EQ(*bytes, expected);
    EXPECT_EQ(bytes->size(), 32u + 80u);

    Bytes cover = Item("Cover Art (Front)", std::string("c.png\0PNG", 9), 2);
    std::optional<ApeTag> old =
        ApeTag::Parse(Tag(1000,
                          Concat({Item("artist", std::string("A\0B", 3)), Item("TITLE", "Old"),
                                  cover, Item("REPLAYGAIN_TRACK_GAIN", "-1 dB", 1)}),
                          4));
    ASSERT_TRUE(old);
    values[static_cast<size_t>(ApeField::Artist)] = "A";
    ApeTag::KeepMask keep{};
    keep[static_cast<size_t>(ApeField::Artist)] = true;
    ApeTag rebuilt = ApeTag::Rebuild(&*old, values, keep);
    std::vector<std::string> keys;
    for (const auto& item : rebuilt.items) {
        keys.push_back(item.key);
    }
    EXPECT_EQ(keys, (std::vector<std::string>{"Title", "artist", "Genre", "Track",
                                              "Cover Art (Front)", "REPLAYGAIN_TRACK_GAIN"}));
    EXPECT_EQ(rebuilt.items[1].value, ToBytes(std::string("A\0B", 3))) << "unchanged: kept whole";
    EXPECT_EQ(rebuilt.items[4].flags, 2u);
    EXPECT_EQ(rebuilt.items[5].flags, 1u);
    std::optional<ApeTag> reparsed = ApeTag::Parse(*rebuilt.Serialize());
    ASSERT_TRUE(reparsed);
    EXPECT_EQ(reparsed->version, 2000u) << "always written as version 2000";
}

TEST(ApeFile, ReadsWhatMutagenWrote) {
    for (const char* name : {"ape/ape.mp3", "ape/ape_id3v1.mp3"}) {
        SCOPED_TRACE(name);
        Song song;
        ASSERT_TRUE(song.Open(DataFile(name), 1, 0));
        ASSERT_EQ(song.GetAPEV2Info(), 1);
        EXPECT_EQ(song.GetTagKind(), TAG_APEV2);
        EXPECT_EQ(song.GetTitle(), "Песня о ветре");
        EXPECT_EQ(song.GetArtist(), "Café Orchestra; Second Artist");
        EXPECT_EQ(song.GetAlbum(), "風の歌");
        EXPECT_EQ(song.GetGenre(), 17);
        EXPECT_EQ(song.GetYear(), "2004");
        EXPECT_EQ(song.GetTrackNum(), 7u);
        EXPECT_EQ(song.GetComment(), "padded comment");
        EXPECT_EQ(song.GetCopyright(), "(c) 2004 Somebody");
        EXPECT_EQ(song.GetComposer(), "Чайковский");
        EXPECT_EQ(song.GetURL(), "http://example.com/label");
        EXPECT_EQ(song.GetOrigArtist(), "The Originals");
        EXPECT_EQ(song.GetOrganization(), "Example Records");
        EXPECT_EQ(song.GetLyrics(), "Line one\nСтрока два");
    }
    Song aac;
    ASSERT_TRUE(aac.Open(DataFile("ape/ape.aac"), 1, 0));
    ASSERT_EQ(aac.GetSongInfo(), 1);
    EXPECT_EQ(aac.GetTagKind(), TAG_APEV2);
    EXPECT_EQ(aac.GetTitle(), "AAC title");
}

TEST(ApeFile, OddFilesAreReadAsTheRecordExpects) {
    TempDir dir;
    Bytes audio = ReadFileBytes(DataFile("id3v2/base.mp3"));
    Bytes v1 = Tag(1000, Item("Title", "Old layout"), 1);
    Song song;
    ASSERT_TRUE(song.Open(MakeFile(dir, "v1.mp3", Concat({audio, v1})), 1, 0));
    EXPECT_EQ(song.HasAPEV2(), static_cast<int>(v1.size()));
    ASSERT_EQ(song.GetAPEV2Info(), 1);
    EXPECT_EQ(song.GetTitle(), "Old layout");

    // A tag with nothing before it is not taken as a song's tag.
    ASSERT_TRUE(song.Open(MakeFile(dir, "only.mp3", Tag(2000, Item("Title", "t"), 1)), 1, 0));
    EXPECT_EQ(song.GetAPEV2Info(), 0);

    // A tag of 131 bytes puts the "TAG" of its header 128 bytes before the
    // end, where an ID3v1 tag would start: it is still the APEv2 tag.
    Bytes spelled = Tag(2000, Item("Title", std::string(53, 'x')), 1);
    ASSERT_EQ(spelled.size(), 131u);
    ASSERT_TRUE(song.Open(MakeFile(dir, "spelled.mp3", Concat({audio, spelled})), 1, 0));
    EXPECT_EQ(song.HasAPEV2(), 131);
    ASSERT_EQ(song.GetAPEV2Info(), 1);
    EXPECT_EQ(song.GetTitle(), std::string(53, 'x'));
    EXPECT_EQ(song.GetID3V1Info(), 0);

    // A damaged item: what came before it is read, the tag is not taken.
    Bytes damaged = Tag(2000, Concat({Item("Title", "kept"), Item("Artist", "x")}), 3);
    ASSERT_TRUE(song.Open(MakeFile(dir, "damaged.mp3", Concat({audio, damaged})), 1, 0));
    EXPECT_EQ(song.GetAPEV2Info(), 0);
    EXPECT_EQ(song.GetTitle(), "kept");
}

TEST(ApeFile, WritingReplacesTheTagBeforeTheId3v1Tag) {
    TempDir dir;
    std::string path = CopyDataFile(dir, "ape/ape_id3v1.mp3");
    Bytes before = ReadFileBytes(path);
    Song song;
    ASSERT_TRUE(song.Open(path, 0, 0));
    ASSERT_EQ(song.GetAPEV2Info(), 1);
    size_t audioEnd = before.size() - 128 - static_cast<size_t>(song.HasAPEV2());
    song.SetTitle("Новое");
    song.SetTrackNum(8);
    ASSERT_EQ(song.WriteAPEV2Info(), 1);
    Bytes after = ReadFileBytes(path);
    EXPECT_EQ(Slice(after, 0, audioEnd), Slice(before, 0, audioEnd)) << "audio untouched";
    EXPECT_EQ(Slice(after, after.size() - 128, after.size()),
              Slice(before, before.size() - 128, before.size()))
        << "the ID3v1 tag stays last";
    ASSERT_EQ(song.GetID3V1Info(), 1);
    ASSERT_EQ(song.GetAPEV2Info(), 1);
    EXPECT_EQ(song.GetTitle(), "Новое");
    EXPECT_EQ(song.GetTrackNum(), 8u);
    EXPECT_EQ(song.GetArtist(), "Café Orchestra; Second Artist");
    ASSERT_EQ(song.WriteAPEV2Info(), 1);
    EXPECT_EQ(ReadFileBytes(path), after) << "writing twice gives the same file";

    if (HaveMutagen()) {
        EXPECT_EQ(MutagenApeMismatch(path, {{"title", "Новое"},
                                            {"artist", "Café Orchestra"},
                                            {"track", "8/10"},
                                            {"genre", "Rock"},
                                            // Unchanged, so kept as it was.
                                            {"comment", "  padded comment  "},
                                            {"organization", "Example Records"},
                                            {"lyrics", "Line one\nСтрока два"}}),
                  "");
        EXPECT_EQ(MutagenApeCarriedMismatch(DataFile("ape/ape_id3v1.mp3"), path), "");
    }

    ASSERT_EQ(song.RemoveAPEV2Info(), 1);
    Bytes removed = ReadFileBytes(path);
    EXPECT_EQ(removed, Concat({Slice(before, 0, audioEnd),
                               Slice(before, before.size() - 128, before.size())}));
    EXPECT_EQ(song.RemoveAPEV2Info(), 1);
    EXPECT_EQ(ReadFileBytes(path), removed);
}

TEST(ApeFile, TagsLeftBehindByAppendingWritersAreCleanedUp) {
    TempDir dir;
    Bytes audio = ReadFileBytes(DataFile("id3v2/base.mp3"));
    Bytes first = Tag(2000, Item("Title", "first"), 1);
    Bytes second = Tag(2000, Item("Title", "second"), 1);
    // Two tags stacked before the ID3v1 tag: one tag replaces both.
    std::string stacked =
        MakeFile(dir, "stacked.mp3", Concat({audio, first, second, Id3v1Block()}));
    Song song;
    ASSERT_TRUE(song.Open(stacked, 0, 0));
    ASSERT_EQ(song.GetAPEV2Info(), 1);
    EXPECT_EQ(song.GetTitle(), "second");
    ASSERT_EQ(song.WriteAPEV2Info(), 1);
    std::optional<ApeTag> written = ApeTag::Parse(
        Slice(ReadFileBytes(stacked), audio.size(), ReadFileBytes(stacked).size() - 128));
    ASSERT_TRUE(written);
    EXPECT_EQ(Field(*written, ApeField::Title), "second");

    // A tag on each side of the ID3v1 tag: removing takes both.
    std::string around = MakeFile(dir, "around.mp3", Concat({audio, first, Id3v1Block(), second}));
    ASSERT_TRUE(song.Open(around, 0, 0));
    ASSERT_EQ(song.RemoveAPEV2Info(), 1);
    EXPECT_EQ(ReadFileBytes(around), Concat({audio, Id3v1Block()}));
}

TEST(ApeFile, TunemossWritesAndRemoves) {
    TempDir dir;
    std::string path = CopyDataFile(dir, "id3v2/v23.mp3");
    Bytes before = ReadFileBytes(path);
    RunResult write =
        RunTunemoss({"write", path, "--tag", "ape", "--title", "Т", "--genre", "Rock"});
    ASSERT_EQ(write.status, 0) << write.err;
    RunResult show = RunTunemoss({"show", "--json", path});
    EXPECT_NE(show.out.find("\"tag\": \"ID3V2\""), std::string::npos) << "MP3 reads ID3v2 first";
    if (HaveMutagen()) {
        // The fields the APEv2 tag did not have come from the record, which
        // read the (missing) APEv2 tag: only what was set is there, and no
        // track item stands for "no track".
        EXPECT_EQ(MutagenApeMismatch(
                      path, {{"title", "Т"}, {"genre", "Rock"}, {"track", ""}, {"artist", ""}}),
                  "");
    }
    RunResult remove = RunTunemoss({"remove", "--tag", "ape", path});
    ASSERT_EQ(remove.status, 0) << remove.err;
    EXPECT_EQ(ReadFileBytes(path), before);

    // An AAC file without tags gets an APEv2 tag, and show reads it first.
    std::string aac = CopyDataFile(dir, "id3v2/base.aac");
    ASSERT_EQ(RunTunemoss({"write", aac, "--album", "Raw"}).status, 0);
    show = RunTunemoss({"show", "--json", aac});
    EXPECT_NE(show.out.find("\"tag\": \"APEV2\""), std::string::npos) << show.out;
    EXPECT_NE(show.out.find("\"album\": \"Raw\""), std::string::npos) << show.out;
}

namespace {

// Every item of an APEv2 tag as mutagen sees it: key, kind and the bytes it
// would write, one line each, sorted.
std::string MutagenApeItems(const std::string& path) {
    RunResult result = RunPython(R"(
import sys
from mutagen.apev2 import APEv2
t = APEv2(sys.argv[1])
for line in sorted("%s|%d|%r" % (k, v.kind, v._write()) for k, v in t.items()):
    print(line)
)",
                                 {path});
    return result.status == 0 ? result.out : "mutagen failed: " + result.err;
}

// Runs mutagen.apev2 lines with t = APEv2() and saves the tag to path.
void MutagenApeSave(const std::string& path, const std::string& body) {
    RunResult result =
        RunPython("import sys\nfrom mutagen.apev2 import APEv2, APEValue, BINARY\nt = APEv2()\n" +
                      body + "t.save(sys.argv[1])\n",
                  {path});
    ASSERT_EQ(result.status, 0) << result.err;
}

// The sorted item lines with a Year 2024 item added.
std::string MutagenApeItemsWithYear(const std::string& items) {
    std::vector<std::string> lines;
    std::istringstream in(items);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    lines.push_back("Year|0|b'2024'");
    std::sort(lines.begin(), lines.end());
    std::string joined;
    for (const std::string& line : lines) {
        joined += line + "\n";
    }
    return joined;
}

std::string ShowJson(const std::string& path) {
    return RunTunemoss({"show", "--json", path}).out;
}

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

}  // namespace

TEST(ApeFile, FieldsThatDidNotChangeKeepTheirItems) {
    if (!HaveMutagen()) {
        GTEST_SKIP() << "mutagen missing";
    }
    TempDir dir;
    std::string path = CopyDataFile(dir, "id3v2/base.aac", "song.aac");
    MutagenApeSave(path,
                   "t['TITLE'] = 'Upper key'\n"
                   "t['Artist'] = ['A1', 'A2']\n"
                   "t['Track'] = '5/12'\n"
                   "t['Genre'] = 'Shoegaze'\n"
                   "t['Comment'] = '  spaced  '\n"
                   "t['Cover Art (Front)'] = APEValue(b'c.jpg\\x00JPEG', BINARY)\n"
                   "t['Catalog'] = 'CAT-1'\n");
    std::string before = MutagenApeItems(path);
    Bytes oldBytes = ReadFileBytes(path);

    ASSERT_EQ(RunTunemoss({"write", path, "--year", "2024"}).status, 0);
    std::string after = MutagenApeItems(path);
    EXPECT_EQ(after, MutagenApeItemsWithYear(before)) << "only the year is new";
    // The audio before the tag is not touched.
    Bytes newBytes = ReadFileBytes(path);
    size_t audio = ReadFileBytes(DataFile("id3v2/base.aac")).size();
    EXPECT_EQ(Slice(newBytes, 0, audio), Slice(oldBytes, 0, audio));

    std::string shown = ShowJson(path);
    EXPECT_TRUE(Has(shown, "\"artist\": \"A1; A2\"")) << shown;
    EXPECT_TRUE(Has(shown, "\"title\": \"Upper key\"")) << shown;

    // An edited value is split into several values; a changed field loses
    // its old spelling, and a cleared one its item.
    ASSERT_EQ(RunTunemoss({"write", path, "--artist", "B1; B2; B3", "--title", "New", "--comment",
                           "", "--track", "0"})
                  .status,
              0);
    after = MutagenApeItems(path);
    EXPECT_TRUE(Has(after, "Artist|0|b'B1\\x00B2\\x00B3'")) << after;
    EXPECT_TRUE(Has(after, "Title|0|b'New'")) << after;
    EXPECT_FALSE(Has(after, "TITLE|")) << after;
    EXPECT_FALSE(Has(after, "Comment|")) << after;
    EXPECT_FALSE(Has(after, "Track|")) << after;
    EXPECT_TRUE(Has(after, "Genre|0|b'Shoegaze'")) << after;
    EXPECT_TRUE(Has(after, "Catalog|0|b'CAT-1'")) << after;
    EXPECT_TRUE(Has(after, "Cover Art (Front)|1|")) << after;
    EXPECT_TRUE(Has(ShowJson(path), "\"artist\": \"B1; B2; B3\""));
}

TEST(ApeFile, ValuesNobodySetAreNotWritten) {
    TempDir dir;
    std::string path = CopyDataFile(dir, "id3v2/base.aac", "plain.aac");
    ASSERT_EQ(RunTunemoss({"write", path, "--title", "abc"}).status, 0);
    Bytes bytes = ReadFileBytes(path);
    size_t audio = ReadFileBytes(DataFile("id3v2/base.aac")).size();
    // Header, one Title item (3 + 5 + 9 bytes), footer: no "--" genre, no
    // track 0.
    EXPECT_EQ(Slice(bytes, audio, bytes.size()), Tag(2000, Item("Title", "abc"), 1));
}

TEST(ApeFile, MonkeysAudioAndMusepackTagsAreReadAndKept) {
    if (!HaveMutagen()) {
        GTEST_SKIP() << "mutagen missing";
    }
    TempDir dir;
    struct Case {
        const char* name;
        Bytes start;
    };
    for (const Case& song : {Case{"song.ape", ToBytes("MAC ")}, Case{"song.mpc", ToBytes("MP+")}}) {
        SCOPED_TRACE(song.name);
        Bytes audio = song.start;
        audio.resize(600, 0x5A);
        std::string path = MakeFile(dir, song.name, audio);
        MutagenApeSave(path, "t['Title'] = 'Kept title'\nt['Artist'] = 'Old'\n");
        std::string shown = ShowJson(path);
        EXPECT_TRUE(Has(shown, "\"title\": \"Kept title\"")) << shown;
        EXPECT_TRUE(Has(shown, "\"tag\": \"APEV2\"")) << shown;

        ASSERT_EQ(RunTunemoss({"write", path, "--artist", "New"}).status, 0);
        EXPECT_EQ(MutagenApeMismatch(path, {{"title", "Kept title"}, {"artist", "New"}}), "");
        EXPECT_EQ(Slice(ReadFileBytes(path), 0, audio.size()), audio);

        // The song tree files the song under its artist and title.
        CSongTreeCtrl tree;
        ASSERT_EQ(tree.InsertSongFile(path), 1);
        HTREEITEM item = tree.FindPathInTree(path, tree.GetRootItem());
        EXPECT_EQ(tree.GetSongArtist(item), "New");
        EXPECT_EQ(tree.GetItemText(item), "Kept title");
    }
}
