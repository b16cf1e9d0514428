// The MP4 atom walker, item codec and movie atom editing, on byte buffers.
#include <gtest/gtest.h>

#include "songcore/tags/Mp4Atoms.h"
#include "songcore/tags/Mp4ItemList.h"
#include "songcore/tags/Mp4Movie.h"
#include "songcore/tags/Mp4Tag.h"
#include "support/Mp4TestFiles.h"

using namespace songcore;
using testsupport::GetU32;
using testsupport::MakeAtom;
using Bytes = std::vector<uint8_t>;

namespace {

Bytes B(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts) {
        out.insert(out.end(), part.begin(), part.end());
    }
    return out;
}

Bytes U32(uint32_t value) {
    Bytes out(4);
    testsupport::PutU32(out, 0, value);
    return out;
}

Bytes DataItem(std::string_view name, uint32_t type, const Bytes& value) {
    return MakeAtom(name, MakeAtom("data", Cat({U32(type), U32(0), value})));
}

const Mp4Item* FindItem(const std::vector<Mp4Item>& items, std::string_view name) {
    for (const Mp4Item& item : items) {
        if (item.name == name) {
            return &item;
        }
    }
    return nullptr;
}

}  // namespace

TEST(Mp4AtomWalker, WalksSixtyFourBitSizesAndTheAtomThatRunsToTheEnd) {
    Bytes wide = Cat({U32(1), B("wide"), Bytes{0, 0, 0, 0, 0, 0, 0, 20}, B("abcd")});
    Bytes data = Cat({MakeAtom("ftyp", B("M4A ")), wide, U32(0), B("mdat"), B("12345")});
    std::vector<Mp4Atom> atoms;
    uint64_t end = 0;
    EXPECT_FALSE(ListMp4Atoms(data, 0, data.size(), atoms));
    ASSERT_TRUE(ListMp4Atoms(data, 0, data.size(), atoms, &end, true));
    ASSERT_EQ(atoms.size(), 3u);
    EXPECT_EQ(atoms[1].type, "wide");
    EXPECT_EQ(atoms[1].headerSize, 16u);
    EXPECT_EQ(atoms[1].size, 20u);
    EXPECT_EQ(atoms[1].contentOffset(), 28u);
    EXPECT_TRUE(atoms[2].sizeToEnd);
    EXPECT_EQ(atoms[2].end(), data.size());
    EXPECT_EQ(end, data.size());
}

TEST(Mp4AtomWalker, RefusesAtomsSmallerThanTheirHeaderOrPastTheEnd) {
    std::vector<Mp4Atom> atoms;
    Bytes tooSmall = Cat({U32(4), B("free"), B("rest")});
    EXPECT_FALSE(ListMp4Atoms(tooSmall, 0, tooSmall.size(), atoms));
    Bytes pastEnd = Cat({U32(64), B("free"), B("rest")});
    EXPECT_FALSE(ListMp4Atoms(pastEnd, 0, pastEnd.size(), atoms));
    Bytes wideTooSmall = Cat({U32(1), B("free"), Bytes{0, 0, 0, 0, 0, 0, 0, 12}});
    EXPECT_FALSE(ListMp4Atoms(wideTooSmall, 0, wideTooSmall.size(), atoms));
    Bytes wideHuge = Cat({U32(1), B("free"), Bytes{0xFF, 0, 0, 0, 0, 0, 0, 0}});
    EXPECT_FALSE(ListMp4Atoms(wideHuge, 0, wideHuge.size(), atoms));
    Bytes wideCut = Cat({U32(1), B("free"), Bytes{0, 0}});
    EXPECT_FALSE(ListMp4Atoms(wideCut, 0, wideCut.size(), atoms));
    // A region the buffer does not hold is refused, not read.
    EXPECT_FALSE(ListMp4Atoms(tooSmall, 0, tooSmall.size() + 8, atoms));
}

TEST(Mp4AtomWalker, IgnoresARemainderShorterThanAHeader) {
    Bytes data = Cat({MakeAtom("free", {}), U32(0)});
    std::vector<Mp4Atom> atoms;
    uint64_t end = 0;
    ASSERT_TRUE(ListMp4Atoms(data, 0, data.size(), atoms, &end));
    EXPECT_EQ(atoms.size(), 1u);
    EXPECT_EQ(end, 8u);
}

TEST(Mp4AtomWalker, TellsTheTwoMetaLayoutsApart) {
    Bytes hdlr = MakeAtom("hdlr", Bytes(25, 0));
    Bytes iso = MakeAtom("meta", Cat({U32(0), hdlr}));
    Bytes quickTime = MakeAtom("meta", Cat({hdlr, MakeAtom("ilst", {})}));
    std::vector<Mp4Atom> atoms;
    ASSERT_TRUE(ListMp4Atoms(iso, 0, iso.size(), atoms));
    EXPECT_EQ(Mp4MetaChildrenStart(iso, atoms[0]), 12u);
    ASSERT_TRUE(ListMp4Atoms(quickTime, 0, quickTime.size(), atoms));
    EXPECT_EQ(Mp4MetaChildrenStart(quickTime, atoms[0]), 8u);
}

TEST(Mp4ItemCodec, WritesTextAsUtf8AndReadsEveryTextLayout) {
    ByteWriter out;
    AppendMp4TextItem(out, "\xA9nam", "Hi");
    Bytes expected = Cat({U32(26), B("\xA9nam"), U32(18), B("data"), U32(1), U32(0), B("Hi")});
    EXPECT_EQ(out.buffer(), expected);

    Bytes list = Cat({DataItem("\xA9nam", 1, B("  Title  ")),
                      DataItem("\xA9"
                               "ART",
                               0x01000000, B("Old Layout")),
                      DataItem("\xA9"
                               "alb",
                               2, Bytes{0, 'A', 0x00, 0xE9})});
    auto items = ParseMp4ItemList(list);
    ASSERT_TRUE(items);
    Mp4Tag tag;
    tag.ReadItems(*items);
    EXPECT_EQ(tag.title, "Title");
    EXPECT_EQ(tag.artist, "Old Layout");
    EXPECT_EQ(tag.album, "A\xC3\xA9");
}

TEST(Mp4ItemCodec, NumbersHaveTheirByteLayoutsAndReadBack) {
    Mp4Tag tag;
    tag.track = 3 + 12 * 65536;
    tag.disc = 1 + 2 * 65536;
    tag.tempo = 120;
    tag.compilation = 1;
    tag.genre = 18;
    auto items = ParseMp4ItemList(tag.BuildItemList({}));
    ASSERT_TRUE(items);
    EXPECT_EQ(FindItem(*items, "trkn")->value, (Bytes{0, 0, 0, 3, 0, 12, 0, 0}));
    EXPECT_EQ(FindItem(*items, "disk")->value, (Bytes{0, 0, 0, 1, 0, 2, 0, 0}));
    EXPECT_EQ(FindItem(*items, "tmpo")->value, (Bytes{0x00, 0x78}));
    EXPECT_EQ(FindItem(*items, "gnre")->value, (Bytes{0, 18}));
    EXPECT_EQ(FindItem(*items, "cpil")->value, (Bytes{1}));
    EXPECT_EQ(FindItem(*items, "gnre")->dataType, 0u);
    Mp4Tag back;
    back.ReadItems(*items);
    EXPECT_EQ(back.track, tag.track);
    EXPECT_EQ(back.disc, tag.disc);
    EXPECT_EQ(back.tempo, 120);
    EXPECT_EQ(back.compilation, 1);
    EXPECT_EQ(back.genre, 18);
}

TEST(Mp4ItemCodec, AnEmptyTagWritesOnlyTheNumberItems) {
    auto items = ParseMp4ItemList(Mp4Tag().BuildItemList({}));
    ASSERT_TRUE(items);
    std::vector<std::string> names;
    for (const Mp4Item& item : *items) {
        names.push_back(item.name);
    }
    // No genre is no "gnre": a 0 or an out-of-table number reads as a
    // genre in other programs.
    EXPECT_EQ(names, (std::vector<std::string>{"trkn", "disk", "tmpo", "cpil"}));
    EXPECT_EQ(Mp4Tag().BuildItemList({}).size(), 32u + 32 + 26 + 25);
}

TEST(Mp4ItemCodec, GenreNumbersAreTheTableIndexPlusOne) {
    auto readGenre = [](uint32_t type, const Bytes& value) {
        Mp4Tag tag;
        tag.ReadItems(*ParseMp4ItemList(DataItem("gnre", type, value)));
        return tag.genre;
    };
    EXPECT_EQ(readGenre(0, {0, 18}), 18);
    EXPECT_EQ(readGenre(0, {18}), 18);
    EXPECT_EQ(readGenre(0, {0, 0, 0, 18}), 18);
    EXPECT_EQ(readGenre(0, {0, 1, 0, 18}), 148);  // past the table
    EXPECT_EQ(readGenre(0, {}), 148);
    // A genre by name gets the same number as the binary form.
    EXPECT_EQ(readGenre(0x01000000, B("Rock")), 18);
    EXPECT_EQ(readGenre(1, B("Rock")), 18);
    EXPECT_EQ(readGenre(1, B("rock")), 148);

    EXPECT_EQ(Mp4GenreToIndex(18), 17);
    EXPECT_EQ(Mp4GenreToIndex(0), 148);
    EXPECT_EQ(Mp4GenreToIndex(148), 148);
    EXPECT_EQ(Mp4GenreFromIndex(17), 18);
    EXPECT_EQ(Mp4GenreFromIndex(148), 148);
}

TEST(Mp4ItemCodec, CarriesOverEveryItemItDoesNotWriteUnchanged) {
    Bytes cover = DataItem("covr", 14, Bytes{0x89, 'P', 'N', 'G', 1, 2, 3});
    Bytes freeform = MakeAtom("----", Cat({MakeAtom("mean", Cat({U32(0), B("com.apple.iTunes")})),
                                           MakeAtom("name", Cat({U32(0), B("MOOD")})),
                                           MakeAtom("data", Cat({U32(1), U32(0), B("calm")}))}));
    Bytes albumArtist = DataItem("aART", 1, B("Someone"));
    Bytes old = Cat({DataItem("\xA9nam", 1, B("Old")), cover, DataItem("gnre", 0, {0, 5}), freeform,
                     albumArtist, DataItem("\xA9nam", 1, B("Twice"))});
    auto oldItems = ParseMp4ItemList(old);
    ASSERT_TRUE(oldItems);
    Mp4Tag tag;
    tag.title = "New";
    auto items = ParseMp4ItemList(tag.BuildItemList(*oldItems));
    ASSERT_TRUE(items);
    std::vector<std::string> names;
    for (const Mp4Item& item : *items) {
        names.push_back(item.name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"\xA9nam", "trkn", "disk", "tmpo", "cpil", "covr",
                                               "----", "aART"}));
    EXPECT_EQ(items->at(0).value, B("New"));
    EXPECT_EQ(items->at(5).raw, cover);
    EXPECT_EQ(items->at(6).raw, freeform);
    EXPECT_EQ(items->at(7).raw, albumArtist);
}

TEST(Mp4ItemCodec, RefusesMalformedItems) {
    EXPECT_FALSE(ParseMp4ItemList(Cat({U32(6), B("\xA9nam")})));
    EXPECT_FALSE(ParseMp4ItemList(MakeAtom("\xA9nam", MakeAtom("data", U32(1)))));
    EXPECT_FALSE(ParseMp4ItemList(MakeAtom("\xA9nam", Cat({U32(99), B("data")}))));
    // Only the last atom of a file may run to its end: in a container it
    // would swallow what a writer adds after it.
    Bytes toEnd = Cat({U32(0), B("covr"), MakeAtom("data", Cat({U32(13), U32(0), B("jpg")}))});
    EXPECT_FALSE(ParseMp4ItemList(toEnd));
}

namespace {

Bytes TrackWith(const Bytes& tables) {
    return MakeAtom("trak", MakeAtom("mdia", MakeAtom("minf", MakeAtom("stbl", tables))));
}

Bytes Stco(std::initializer_list<uint32_t> offsets) {
    Bytes content = Cat({U32(0), U32(static_cast<uint32_t>(offsets.size()))});
    for (uint32_t offset : offsets) {
        content = Cat({content, U32(offset)});
    }
    return MakeAtom("stco", content);
}

Bytes Co64(std::initializer_list<uint64_t> offsets) {
    Bytes content = Cat({U32(0), U32(static_cast<uint32_t>(offsets.size()))});
    for (uint64_t offset : offsets) {
        content = Cat({content, U32(static_cast<uint32_t>(offset >> 32)),
                       U32(static_cast<uint32_t>(offset))});
    }
    return MakeAtom("co64", content);
}

Bytes Movie(const Bytes& udta) {
    return MakeAtom("moov",
                    Cat({MakeAtom("mvhd", Bytes(100, 0)), TrackWith(Stco({100, 5000, 0xFFFFFFF0u})),
                         TrackWith(Co64({6000, uint64_t{1} << 33})), udta}));
}

Bytes Meta(const Bytes& children) {
    return MakeAtom("meta", Cat({U32(0), MakeAtom("hdlr", Bytes(25, 0)), children}));
}

}  // namespace

TEST(Mp4MovieEdit, MovesChunkOffsetsFromAPointByExactlyTheChange) {
    auto movie = Mp4Movie::Parse(Movie({}));
    ASSERT_TRUE(movie);
    ASSERT_TRUE(movie->ShiftChunkOffsets(10, 1000));
    Bytes file = movie->bytes();
    // The test walker reads chunk offsets from a file, whose first atom this is.
    EXPECT_EQ(testsupport::ChunkOffsets(file),
              (std::vector<uint64_t>{100, 5010, 0xFFFFFFFAu, 6010, (uint64_t{1} << 33) + 10}));
    // A 32-bit offset pushed past 4 GB is refused and nothing changes.
    EXPECT_FALSE(movie->ShiftChunkOffsets(100, 1000));
    EXPECT_EQ(movie->bytes(), file);
    ASSERT_TRUE(movie->ShiftChunkOffsets(-10, 1000));
    EXPECT_EQ(testsupport::ChunkOffsets(movie->bytes()),
              (std::vector<uint64_t>{100, 5000, 0xFFFFFFF0u, 6000, uint64_t{1} << 33}));
}

TEST(Mp4MovieEdit, RefusesMalformedMovies) {
    Bytes badTable = MakeAtom("moov", TrackWith(MakeAtom("stco", Cat({U32(0), U32(3), U32(1)}))));
    EXPECT_FALSE(Mp4Movie::Parse(badTable));
    Bytes badChild = MakeAtom("moov", Cat({MakeAtom("mvhd", {}), U32(99), B("udta")}));
    EXPECT_FALSE(Mp4Movie::Parse(badChild));
    Bytes badMeta = Movie(MakeAtom("udta", MakeAtom("meta", Cat({U32(0), U32(4), B("ilst")}))));
    EXPECT_FALSE(Mp4Movie::Parse(badMeta));
    EXPECT_FALSE(Mp4Movie::Parse(MakeAtom("free", {})));
    EXPECT_FALSE(Mp4Movie::Parse({}));
}

TEST(Mp4MovieEdit, WritesTheSizeOfASixtyFourBitHeader) {
    Bytes inner = Cat({MakeAtom("mvhd", Bytes(100, 0)), MakeAtom("udta", Meta({}))});
    Bytes movie =
        Cat({U32(1), B("moov"), U32(0), U32(static_cast<uint32_t>(16 + inner.size())), inner});
    auto parsed = Mp4Movie::Parse(movie);
    ASSERT_TRUE(parsed);
    auto rebuilt = parsed->WithItemList(Bytes(8, 0));
    ASSERT_TRUE(rebuilt);
    EXPECT_EQ(GetU32(*rebuilt, 0), 1u);
    EXPECT_EQ(GetU32(*rebuilt, 12), rebuilt->size());
    EXPECT_TRUE(Mp4Movie::Parse(*rebuilt));
}
