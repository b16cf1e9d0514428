// The keys of the tag items no field shows, in the formats whose keys carry
// more than a name: ID3v2 frames with descriptions and owners, MP4's
// freeform items and 0xA9 atom names, and Matroska's levels and targets.
// The files side of every format is checked by the writer contract.
#include <gtest/gtest.h>

#include "songcore/tags/id3/Id3v2Items.h"
#include "songcore/tags/mkv/Ebml.h"
#include "songcore/tags/mkv/MatroskaFields.h"
#include "songcore/tags/mkv/MatroskaItems.h"
#include "songcore/tags/mp4/Mp4Items.h"
#include "support/EbmlBytes.h"
#include "support/Id3v2Bytes.h"

namespace {

using songcore::TagItem;
using songcore::TagItemEdits;

struct Id3Case {
    const char* name;
    uint8_t major;
    TagItemEdits edits;
    // The items afterwards as "KEY=VALUE|VALUE", or the start of the refusal.
    std::vector<std::string> items;
    const char* refusal = nullptr;
};

std::vector<std::string> Flatten(const std::vector<TagItem>& items) {
    std::vector<std::string> out;
    for (const TagItem& item : items) {
        std::string line = item.key + "=";
        for (size_t i = 0; i < item.values.size(); ++i) {
            line += (i ? "|" : "") + item.values[i];
        }
        out.push_back(line + (item.editable ? "" : " (read-only)"));
    }
    return out;
}

// A tag with a title, a TXXX in lower case, a rating and a private frame.
songcore::Id3v2Tag StartingTag(uint8_t major) {
    songcore::Id3v2Tag tag;
    tag.major = major;
    tag.frames.push_back({"TIT2", 0, {0, 'T'}});
    std::vector<uint8_t> txxx = {0};
    for (char c : std::string("replaygain_track_gain\0-1 dB", 27)) {
        txxx.push_back(static_cast<uint8_t>(c));
    }
    tag.frames.push_back({"TXXX", 0, txxx});
    tag.frames.push_back({"POPM", 0, {'a', '@', 'b', 0, 196, 0, 0, 0, 3}});
    return tag;
}

TEST(Id3v2Items, KeysDescriptionsAndVersions) {
    const std::vector<Id3Case> cases = {
        {"ListsWhatNoFieldReads",
         4,
         {},
         {"TXXX:replaygain_track_gain=-1 dB", "POPM:a@b=rating 196 of 255 (read-only)"}},
        {"ADescriptionMatchesInAnyCase",
         4,
         {{"TXXX:REPLAYGAIN_TRACK_GAIN", {"-2 dB"}}},
         {"TXXX:REPLAYGAIN_TRACK_GAIN=-2 dB", "POPM:a@b=rating 196 of 255 (read-only)"}},
        {"SeveralValuesIn24",
         4,
         {{"TBPM", {"120"}}, {"TXXX:X", {"a", "b"}}},
         {"TXXX:replaygain_track_gain=-1 dB", "POPM:a@b=rating 196 of 255 (read-only)", "TBPM=120",
          "TXXX:X=a|b"}},
        {"OneTextIn23",
         3,
         {{"TXXX:X", {"a", "b"}}},
         {"TXXX:replaygain_track_gain=-1 dB", "POPM:a@b=rating 196 of 255 (read-only)",
          "TXXX:X=a; b"}},
        {"AReadOnlyItemIsRemoved",
         4,
         {{"POPM:A@B", {}}, {"UFID:http://musicbrainz.org", {"id-1"}}},
         {"TXXX:replaygain_track_gain=-1 dB", "UFID:http://musicbrainz.org=id-1"}},
        {"AFieldIsNoItem", 4, {{"TIT2", {"x"}}}, {}, "\"TIT2\" is kept by a field"},
        {"TheCommentFieldIsNoItem", 4, {{"COMM:", {"x"}}}, {}, "\"COMM:\" is kept by a field"},
        {"ARatingIsNotWritten", 4, {{"POPM:a@b", {"5"}}}, {}, "\"POPM:a@b\" can only be removed"},
        {"NoFrameId", 4, {{"REPLAYGAIN", {"x"}}}, {}, "\"REPLAYGAIN\" is not an ID3v2 frame key"},
        {"TxxxNeedsADescription", 4, {{"TXXX", {"x"}}}, {}, "\"TXXX\" needs its description"},
    };
    for (const Id3Case& test : cases) {
        SCOPED_TRACE(test.name);
        songcore::Id3v2Tag tag = StartingTag(test.major);
        const std::vector<songcore::Id3v2Frame> before = tag.frames;
        std::string why = songcore::ApplyId3v2ItemEdits(tag, test.edits);
        if (test.refusal) {
            EXPECT_TRUE(why.starts_with(test.refusal)) << why;
            EXPECT_EQ(tag.frames.size(), before.size()) << "a refused edit changes nothing";
            continue;
        }
        EXPECT_EQ(why, "");
        EXPECT_EQ(Flatten(songcore::Id3v2OtherItems(tag)), test.items);
        EXPECT_EQ(tag.frames.front().data, before.front().data) << "the title is kept";
    }
}

TEST(Mp4Items, FreeformAndCopyrightSignKeys) {
    std::vector<songcore::Mp4Item> items;
    ASSERT_EQ(songcore::ApplyMp4ItemEdits(
                  items, {{"----:com.apple.iTunes:MusicBrainz Album Id", {"id-1", "id-2"}},
                          {"\xC2\xA9grp", {"Group"}}}),
              "");
    std::vector<uint8_t> list;
    for (const songcore::Mp4Item& item : items) {
        list.insert(list.end(), item.raw.begin(), item.raw.end());
    }
    auto parsed = songcore::ParseMp4ItemList(list);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(Flatten(songcore::Mp4OtherItems(*parsed)),
              (std::vector<std::string>{"----:com.apple.iTunes:MusicBrainz Album Id=id-1|id-2",
                                        "\xC2\xA9grp=Group"}));
    EXPECT_EQ(parsed->at(1).name, "\xA9grp");
    for (const char* bad : {"\xC2\xA9nam", "covr", "----:x", "toolong", "----"}) {
        std::vector<songcore::Mp4Item> untouched = *parsed;
        EXPECT_NE(songcore::ApplyMp4ItemEdits(untouched, {{bad, {"x"}}}), "") << bad;
        EXPECT_EQ(untouched.size(), parsed->size());
    }
}

// --- Matroska ---

using Bytes = std::vector<uint8_t>;
namespace ebml = songcore::ebml;

using testsupport::Concat;
using testsupport::Element;
using testsupport::Text;

Bytes Simple(const std::string& name, const std::string& value, const Bytes& more = {}) {
    return Element(ebml::kSimpleTag,
                   Concat({Text(ebml::kTagName, name), Text(ebml::kTagString, value), more}));
}

// A tag of a level (none: no TargetTypeValue) about the whole song, or
// about the track of trackUid.
Bytes Tag(std::optional<uint8_t> level, uint8_t trackUid, std::initializer_list<Bytes> simples) {
    Bytes targets;
    if (level) {
        targets = Element(ebml::kTargetTypeValue, {*level});
    }
    if (trackUid) {
        targets = Concat({targets, Element(ebml::kTagTrackUid, {trackUid})});
    }
    return Element(ebml::kTag, Concat({Element(ebml::kTargets, targets), Concat(simples)}));
}

songcore::MatroskaTags Parsed(const Bytes& body) {
    std::optional<songcore::MatroskaTags> tags = songcore::MatroskaTags::Parse(body);
    EXPECT_TRUE(tags);
    return tags.value_or(songcore::MatroskaTags{});
}

// The tags as written and read again.
songcore::MatroskaTags Reparsed(const songcore::MatroskaTags& tags) {
    const Bytes element = tags.Serialize();
    songcore::ByteReader in(element);
    std::optional<songcore::EbmlElement> header = songcore::ReadEbmlHeader(in);
    EXPECT_TRUE(header);
    return Parsed(header ? Bytes(element.begin() + header->headerLength, element.end()) : Bytes{});
}

// A file with a track level: its title, a mood in a language with a nested
// SimpleTag, a gain; the album's title, a catalog number and binary data;
// and ffmpeg's tag about its track.
Bytes ByLevelTags() {
    return Concat({Tag(30, 0,
                       {Simple("TITLE", "Song"),
                        Simple("MOOD", "Calm", Concat({Text(0x447A, "eng"), Simple("URL", "x")})),
                        Simple("REPLAYGAIN_TRACK_GAIN", "-1 dB")}),
                   Tag(std::nullopt, 0,
                       {Simple("TITLE", "Album"), Simple("CATALOG_NUMBER", "CAT-1"),
                        Element(ebml::kSimpleTag, Concat({Text(ebml::kTagName, "COVER_DATA"),
                                                          Element(ebml::kTagBinary, {1, 2, 3})}))}),
                   Tag(std::nullopt, 1, {Simple("ENCODER", "Lavc")})});
}

// ffmpeg's one tag, which holds the song's fields.
Bytes FlatTags() {
    return Tag(std::nullopt, 0,
               {Simple("TITLE", "Song"), Simple("ALBUM", "Album"), Simple("FOO", "1")});
}

struct MatroskaCase {
    const char* name;
    Bytes tags;
    TagItemEdits edits;
    std::vector<std::string> items;  // afterwards, as Flatten gives them
    const char* refusal = nullptr;
};

TEST(MatroskaItems, LevelsTargetsAndWhatAFieldKeeps) {
    const std::vector<std::string> byLevel = {
        "MOOD=Calm", "REPLAYGAIN_TRACK_GAIN=-1 dB", "50:CATALOG_NUMBER=CAT-1",
        "50:COVER_DATA=[binary, 3 bytes] (read-only)", "50 track=1:ENCODER=Lavc"};
    const std::vector<MatroskaCase> cases = {
        {"ListsWhatNoFieldReads", ByLevelTags(), {}, byLevel},
        {"ANameInAnyCaseKeepsItsPlace",
         ByLevelTags(),
         {{"mood", {"Sad"}}},
         {"MOOD=Sad", "REPLAYGAIN_TRACK_GAIN=-1 dB", "50:CATALOG_NUMBER=CAT-1",
          "50:COVER_DATA=[binary, 3 bytes] (read-only)", "50 track=1:ENCODER=Lavc"}},
        {"SeveralValuesAndTheSongsLevelSpelledOut",
         ByLevelTags(),
         {{"50:CATALOG_NUMBER", {"a", "b"}}, {"30:NEW", {"n"}}},
         {"MOOD=Calm", "REPLAYGAIN_TRACK_GAIN=-1 dB", "NEW=n", "50:CATALOG_NUMBER=a|b",
          "50:COVER_DATA=[binary, 3 bytes] (read-only)", "50 track=1:ENCODER=Lavc"}},
        {"TargetedAndBinaryRemovedAndANewLevel",
         ByLevelTags(),
         {{"50 track=1:ENCODER", {}}, {"50:COVER_DATA", {}}, {"70:COLLECTION", {"c"}}},
         {"MOOD=Calm", "REPLAYGAIN_TRACK_GAIN=-1 dB", "50:CATALOG_NUMBER=CAT-1",
          "70:COLLECTION=c"}},
        {"TheTrackTitleIsAField",
         ByLevelTags(),
         {{"TITLE", {"x"}}},
         {},
         "\"TITLE\" is kept by a field"},
        {"TheAlbumTitleIsAField",
         ByLevelTags(),
         {{"50:TITLE", {}}},
         {},
         "\"50:TITLE\" is kept by a field"},
        {"AGenreOfEitherLevelIsAField",
         ByLevelTags(),
         {{"50:genre", {"x"}}},
         {},
         "\"50:genre\" is kept"},
        {"BinaryTakesNoText",
         ByLevelTags(),
         {{"50:COVER_DATA", {"x"}}},
         {},
         "\"50:COVER_DATA\" holds binary"},
        {"AnAbsentTarget",
         ByLevelTags(),
         {{"50 track=2:X", {"x"}}},
         {},
         "\"50 track=2:X\" names no tag"},
        {"NoSuchLevel", ByLevelTags(), {{"35:X", {"x"}}}, {}, "\"35:X\": a tag's level"},
        {"NoName", ByLevelTags(), {{"50:", {"x"}}}, {}, "\"50:\" is not a Matroska tag key"},
        {"FfmpegsTagHoldsTheFields",
         FlatTags(),
         {{"ALBUM", {"x"}}},
         {},
         "\"ALBUM\" is kept by a field"},
        {"FfmpegsTagIsTheSongsLevel",
         FlatTags(),
         {{"50:FOO", {"2"}}, {"BAR", {"3"}}},
         {"FOO=2", "BAR=3"}},
        {"FfmpegsTagGetsNoTrackLevel",
         FlatTags(),
         {{"30:X", {"1"}}},
         {},
         "a track-level tag would"},
    };
    for (const MatroskaCase& test : cases) {
        SCOPED_TRACE(test.name);
        songcore::MatroskaTags tags = Parsed(test.tags);
        std::string why = songcore::ApplyMatroskaItemEdits(tags, test.edits);
        if (test.refusal) {
            EXPECT_TRUE(why.starts_with(test.refusal)) << why;
            EXPECT_EQ(tags.Serialize(), Parsed(test.tags).Serialize())
                << "a refused edit changes nothing";
            continue;
        }
        EXPECT_EQ(why, "");
        EXPECT_EQ(Flatten(songcore::MatroskaOtherItems(Reparsed(tags))), test.items);
    }
}

TEST(MatroskaItems, AnEditedValueKeepsItsLanguageAndNestedTags) {
    songcore::MatroskaTags tags = Parsed(ByLevelTags());
    ASSERT_EQ(songcore::ApplyMatroskaItemEdits(tags, {{"MOOD", {"Sad", "Blue"}}}), "");
    const std::vector<songcore::MatroskaSimpleTag>& simples = tags.tags.front().simpleTags;
    ASSERT_EQ(simples.size(), 4u);
    EXPECT_EQ(simples[1].element,
              Simple("MOOD", "Sad", Concat({Text(0x447A, "eng"), Simple("URL", "x")})));
    EXPECT_EQ(simples[2].element, Simple("MOOD", "Blue"));
}

// When an item edit takes the track level's last SimpleTag, the album's
// TITLE would read as the song's: the fields, written after the items, are
// put into ffmpeg's form, and the song reads as it did.
TEST(MatroskaItems, TheTrackLevelsLastItemGoneKeepsTheFieldsAsTheyRead) {
    songcore::MatroskaTags tags = Parsed(
        Concat({Tag(30, 0, {Simple("GAIN", "-1 dB")}),
                Tag(std::nullopt, 0, {Simple("TITLE", "Album"), Simple("ARTIST", "Band")})}));
    songcore::SongValues before;
    songcore::ReadMatroskaFields(tags, "Info title", before);
    ASSERT_EQ(before.Text(songcore::SongField::Album), "Album");
    ASSERT_EQ(songcore::ApplyMatroskaItemEdits(tags, {{"GAIN", {}}}), "");
    songcore::WriteMatroskaFields(before, "Info title", tags);
    songcore::SongValues after;
    songcore::ReadMatroskaFields(tags, "Info title", after);
    for (songcore::SongField field : {songcore::SongField::Title, songcore::SongField::Album,
                                      songcore::SongField::AlbumArtist}) {
        EXPECT_TRUE(after.Same(field, before)) << static_cast<int>(field);
    }
}

}  // namespace
