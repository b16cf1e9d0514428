// The MP4 atom walker, item codec and movie atom editing, on byte buffers.
#include <gtest/gtest.h>

#include "songcore/tags/mp4/Mp4Atoms.h"
#include "songcore/tags/mp4/Mp4ItemList.h"
#include "songcore/tags/mp4/Mp4Movie.h"
#include "songcore/tags/mp4/Mp4Tag.h"
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
    EXPECT_EQ(FindItem(*items, "trkn")->data.at(0).value, (Bytes{0, 0, 0, 3, 0, 12, 0, 0}));
    EXPECT_EQ(FindItem(*items, "disk")->data.at(0).value, (Bytes{0, 0, 0, 1, 0, 2, 0, 0}));
    EXPECT_EQ(FindItem(*items, "tmpo")->data.at(0).value, (Bytes{0x00, 0x78}));
    EXPECT_EQ(FindItem(*items, "gnre")->data.at(0).value, (Bytes{0, 18}));
    EXPECT_EQ(FindItem(*items, "cpil")->data.at(0).value, (Bytes{1}));
    EXPECT_EQ(FindItem(*items, "gnre")->data.at(0).type, 0u);
    Mp4Tag back;
    back.ReadItems(*items);
    EXPECT_EQ(back.track, tag.track);
    EXPECT_EQ(back.disc, tag.disc);
    EXPECT_EQ(back.tempo, 120);
    EXPECT_EQ(back.compilation, 1);
    EXPECT_EQ(back.genre, 18);
}

TEST(Mp4ItemCodec, FieldsNobodySetAddNoItems) {
    // No genre, track 0 of no total, tempo 0, no compilation and empty or
    // blank texts: nothing another program could take for a value.
    Mp4Tag tag;
    tag.title = "  ";
    tag.artist = " ; ";
    EXPECT_TRUE(tag.BuildItemList({}).empty());
    tag.genre = 0;  // reads as some genre elsewhere
    EXPECT_TRUE(tag.BuildItemList({}).empty());
    // A total alone is a value.
    tag.track = 12 * 65536;
    auto items = ParseMp4ItemList(tag.BuildItemList({}));
    ASSERT_TRUE(items);
    ASSERT_EQ(items->size(), 1u);
    EXPECT_EQ(items->at(0).data.at(0).value, (Bytes{0, 0, 0, 0, 0, 12, 0, 0}));
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
    EXPECT_EQ(readGenre(0, {0, 1, 0, 18}), 0);  // past the table: none
    EXPECT_EQ(readGenre(0, {}), 0);
    // A genre by name gets the same number as the binary form.
    EXPECT_EQ(readGenre(0x01000000, B("Rock")), 18);
    EXPECT_EQ(readGenre(1, B("Rock")), 18);
    EXPECT_EQ(readGenre(1, B("rock")), 0);
    EXPECT_EQ(readGenre(0, {0, 148}), 148);  // SynthPop, the table's last

    EXPECT_EQ(Mp4GenreToIndex(18), 17);
    EXPECT_EQ(Mp4GenreToIndex(0), 148);
    EXPECT_EQ(Mp4GenreToIndex(148), 147);
    EXPECT_EQ(Mp4GenreToIndex(149), 148);
    EXPECT_EQ(Mp4GenreFromIndex(17), 18);
    EXPECT_EQ(Mp4GenreFromIndex(147), 148);
    EXPECT_EQ(Mp4GenreFromIndex(148), 0);
}

TEST(Mp4ItemCodec, CarriesOverEveryItemItDoesNotWriteUnchanged) {
    Bytes cover = DataItem("covr", 14, Bytes{0x89, 'P', 'N', 'G', 1, 2, 3});
    Bytes freeform = MakeAtom("----", Cat({MakeAtom("mean", Cat({U32(0), B("com.apple.iTunes")})),
                                           MakeAtom("name", Cat({U32(0), B("MOOD")})),
                                           MakeAtom("data", Cat({U32(1), U32(0), B("calm")}))}));
    Bytes grouping = DataItem("\xA9grp", 1, B("Someone"));
    Bytes old = Cat({DataItem("\xA9nam", 1, B("Old")), cover, DataItem("gnre", 0, {0, 5}), freeform,
                     grouping, DataItem("\xA9nam", 1, B("Twice"))});
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
    // The title takes the first title's place and the second, part of the
    // old value, goes; the genre the record does not have goes too.
    EXPECT_EQ(names, (std::vector<std::string>{"\xA9nam", "covr", "----", "\xA9grp"}));
    EXPECT_EQ(items->at(0).data.at(0).value, B("New"));
    EXPECT_EQ(items->at(1).raw, cover);
    EXPECT_EQ(items->at(2).raw, freeform);
    EXPECT_EQ(items->at(3).raw, grouping);
}

TEST(Mp4ItemCodec, RefusesMalformedListsAndKeepsDamagedItemsUnread) {
    EXPECT_FALSE(ParseMp4ItemList(Cat({U32(6), B("\xA9nam")})));
    // A damaged item inside a sound list is kept as it is, without values.
    for (const Bytes& item : {MakeAtom("\xA9nam", MakeAtom("data", U32(1))),
                              MakeAtom("\xA9nam", Cat({U32(99), B("data")}))}) {
        auto items = ParseMp4ItemList(item);
        ASSERT_TRUE(items);
        ASSERT_EQ(items->size(), 1u);
        EXPECT_TRUE(items->front().data.empty());
        EXPECT_EQ(items->front().raw, item);
    }
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

TEST(Mp4ItemCodec, KeepsEveryItemWhoseFieldDidNotChangeByteForByte) {
    // Forms this program would not write itself: two artists, a disc
    // number without its last two bytes, a genre by name, a number genre
    // outside the table, a tempo of one byte.
    Bytes artists = MakeAtom(
        "\xA9"
        "ART",
        Cat({MakeAtom("data", Cat({U32(1), U32(0), B("A1")})),
             MakeAtom("data", Cat({U32(1), U32(0), B(" A2 ")}))}));
    Bytes disc = DataItem("disk", 0, Bytes{0, 0, 0, 2, 0, 3});
    Bytes genre = DataItem("gnre", 1, B("Rock"));
    Bytes tempo = DataItem("tmpo", 21, Bytes{90});
    Bytes track = DataItem("trkn", 0, Bytes{0, 0, 0, 5, 0, 12, 0, 0});
    Bytes old = Cat({artists, disc, genre, tempo, track, DataItem("\xA9nam", 1, B("Old"))});
    auto oldItems = ParseMp4ItemList(old);
    ASSERT_TRUE(oldItems);
    Mp4Tag tag;
    tag.ReadItems(*oldItems);
    EXPECT_EQ(tag.artist, "A1; A2");
    EXPECT_EQ(tag.disc, 2u + 3 * 65536);
    EXPECT_EQ(tag.genre, 18u);
    EXPECT_EQ(tag.tempo, 90u);
    EXPECT_EQ(tag.BuildItemList(*oldItems), old);

    // One field changed: only its item is new.
    tag.title = "New";
    Bytes expected = Cat({artists, disc, genre, tempo, track, DataItem("\xA9nam", 1, B("New"))});
    EXPECT_EQ(tag.BuildItemList(*oldItems), expected);

    // Cleared fields lose their items; a total kept with a new number stays.
    tag.artist = "";
    tag.tempo = 0;
    tag.track = 6 + 12 * 65536;
    auto items = ParseMp4ItemList(tag.BuildItemList(*oldItems));
    ASSERT_TRUE(items);
    std::vector<std::string> names;
    for (const Mp4Item& item : *items) {
        names.push_back(item.name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"disk", "gnre", "trkn", "\xA9nam"}));
    EXPECT_EQ(FindItem(*items, "trkn")->data.at(0).value, (Bytes{0, 0, 0, 6, 0, 12, 0, 0}));
}

TEST(Mp4ItemCodec, SplitsNamesIntoSeveralValuesButNotOtherTexts) {
    Mp4Tag tag;
    tag.artist = "B1; B2 ;B3";
    tag.title = "Love; Hate";
    auto items = ParseMp4ItemList(tag.BuildItemList({}));
    ASSERT_TRUE(items);
    const Mp4Item* artist = FindItem(*items,
                                     "\xA9"
                                     "ART");
    ASSERT_TRUE(artist);
    ASSERT_EQ(artist->data.size(), 2u);
    EXPECT_EQ(artist->data[0].value, B("B1"));
    EXPECT_EQ(artist->data[1].value, B("B2 ;B3"));
    EXPECT_EQ(FindItem(*items, "\xA9nam")->data.size(), 1u);
    Mp4Tag back;
    back.ReadItems(*items);
    EXPECT_EQ(back.artist, "B1; B2 ;B3");
    EXPECT_EQ(back.title, "Love; Hate");
}

namespace {

// A movie whose meta atom holds an item list of itemListSize bytes and,
// after it, a free atom of freeSize bytes (none for 0).
Bytes MovieWithPadding(size_t itemListSize, size_t freeSize, bool freeInUdta = false) {
    Bytes ilst = MakeAtom("ilst", Bytes(itemListSize - 8, 0));
    Bytes free = freeSize ? MakeAtom("free", Bytes(freeSize - 8, 0)) : Bytes{};
    Bytes meta = freeInUdta ? Meta(ilst) : Meta(Cat({ilst, free}));
    return Movie(MakeAtom("udta", freeInUdta ? Cat({meta, free}) : meta));
}

// Sizes of the children of moov.udta.meta and, after a "|", of moov.udta.
std::string Layout(const Bytes& movie) {
    Bytes file = movie;
    std::string out;
    for (const char* type : {"hdlr", "ilst", "free"}) {
        for (auto spot : testsupport::FindChildren(file, {"moov", "udta", "meta"}, type)) {
            out += std::string(type) + std::to_string(spot.size) + " ";
        }
    }
    out += "|";
    for (auto spot : testsupport::FindChildren(file, {"moov", "udta"}, "free")) {
        out += " free" + std::to_string(spot.size);
    }
    return out;
}

}  // namespace

TEST(Mp4MovieEdit, TakesTheSizeChangeOutOfThePadding) {
    const size_t oldList = 100;
    const size_t padding = 64;
    auto movie = Mp4Movie::Parse(MovieWithPadding(oldList, padding));
    ASSERT_TRUE(movie);
    ASSERT_TRUE(movie->hasPadding());
    const size_t movieSize = movie->bytes().size();
    auto absorb = [&](size_t newList) {
        return movie->WithItemList(Bytes(newList - 8, 7), Mp4Padding::kAbsorb);
    };
    struct Case {
        size_t newList;
        const char* layout;  // empty when the padding cannot take it
    } cases[] = {
        {100, "hdlr33 ilst100 free64 |"},
        {60, "hdlr33 ilst60 free104 |"},  // shrinking gives the padding more
        {156, "hdlr33 ilst156 free8 |"},  // an empty free atom is left
        {164, "hdlr33 ilst164 |"},        // the padding goes whole
        {160, ""},                        // 4 bytes cannot be a free atom
        {165, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.newList);
        auto rebuilt = absorb(c.newList);
        if (!*c.layout) {
            EXPECT_FALSE(rebuilt);
            continue;
        }
        ASSERT_TRUE(rebuilt);
        EXPECT_EQ(rebuilt->size(), movieSize);
        EXPECT_EQ(Layout(*rebuilt), c.layout);
        auto again = Mp4Movie::Parse(*rebuilt);
        ASSERT_TRUE(again);
        EXPECT_EQ(again->itemListContent().size(), c.newList - 8);
        // The chunk tables before the user data did not move.
        EXPECT_TRUE(
            std::equal(movie->bytes().begin(), movie->bytes().begin() + 200, rebuilt->begin()));
    }

    // Padding in the user data atom beside meta serves as well.
    auto inUdta = Mp4Movie::Parse(MovieWithPadding(oldList, padding, true));
    ASSERT_TRUE(inUdta && inUdta->hasPadding());
    auto rebuilt = inUdta->WithItemList(Bytes(140 - 8, 7), Mp4Padding::kAbsorb);
    ASSERT_TRUE(rebuilt);
    EXPECT_EQ(rebuilt->size(), inUdta->bytes().size());
    EXPECT_EQ(Layout(*rebuilt), "hdlr33 ilst140 | free24");

    // No padding, nothing to absorb with.
    auto bare = Mp4Movie::Parse(MovieWithPadding(oldList, 0));
    ASSERT_TRUE(bare);
    EXPECT_FALSE(bare->hasPadding());
    EXPECT_FALSE(bare->WithItemList(Bytes(oldList - 8, 0), Mp4Padding::kAbsorb));
}

TEST(Mp4MovieEdit, RenewsPaddingThatWasTooSmall) {
    for (bool inUdta : {false, true}) {
        SCOPED_TRACE(inUdta);
        auto movie = Mp4Movie::Parse(MovieWithPadding(100, 64, inUdta));
        ASSERT_TRUE(movie);
        auto rebuilt = movie->WithItemList(Bytes(392, 7), Mp4Padding::kRenew);
        ASSERT_TRUE(rebuilt);
        EXPECT_EQ(Layout(*rebuilt), "hdlr33 ilst400 free1024 |");
        EXPECT_EQ(rebuilt->size(), movie->bytes().size() + 300 + 1024 - 64);
        EXPECT_TRUE(Mp4Movie::Parse(*rebuilt));
    }
    // Without padding a rebuild adds none.
    auto bare = Mp4Movie::Parse(MovieWithPadding(100, 0));
    auto rebuilt = bare->WithItemList(Bytes(392, 7), Mp4Padding::kRenew);
    ASSERT_TRUE(rebuilt);
    EXPECT_EQ(Layout(*rebuilt), "hdlr33 ilst400 |");
}
