// The keys of the tag items no field shows, in the formats whose keys carry
// more than a name: ID3v2 frames with descriptions and owners, and MP4's
// freeform items and 0xA9 atom names. The files side of every format is
// checked by the writer contract.
#include <gtest/gtest.h>

#include "songcore/tags/id3/Id3v2Items.h"
#include "songcore/tags/mp4/Mp4Items.h"

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

}  // namespace
