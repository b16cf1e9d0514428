#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bitset>

#include "songcore/tags/FieldText.h"
#include "songcore/tags/SongValues.h"

using songcore::JoinValues;
using songcore::ParseTrackNumber;
using songcore::SongField;
using songcore::SplitValues;

TEST(FieldText, TrackNumbersAreTheLeadingNumberOrNone) {
    EXPECT_EQ(ParseTrackNumber("7"), 7u);
    EXPECT_EQ(ParseTrackNumber(" 7/12"), 7u);
    EXPECT_EQ(ParseTrackNumber("+3"), 3u);
    EXPECT_EQ(ParseTrackNumber("007"), 7u);
    EXPECT_EQ(ParseTrackNumber("4294967295"), 4294967295u);
    for (const char* none : {"", "x", "-1", "/12", "4294967296", "99999999999999999999"}) {
        EXPECT_EQ(ParseTrackNumber(none), 0u) << none;
    }
}

TEST(FieldText, SeveralValuesJoinAndSplitAtTheSeparator) {
    using Values = std::vector<std::string>;
    EXPECT_EQ(JoinValues(Values{}), "");
    EXPECT_EQ(JoinValues(Values{"A1"}), "A1");
    EXPECT_EQ(JoinValues(Values{"A1", "A2", "A3"}), "A1; A2; A3");
    // An empty value keeps its place, so the count survives a round trip
    // through the text only where no value is empty.
    EXPECT_EQ(JoinValues(Values{"", "B"}), "; B");
    EXPECT_EQ(SplitValues(""), std::vector<std::string>{});
    EXPECT_EQ(SplitValues("A1; A2"), (std::vector<std::string>{"A1", "A2"}));
    EXPECT_EQ(SplitValues(" A1 ;  A2 ; "), (std::vector<std::string>{"A1", "A2"}));
    EXPECT_EQ(SplitValues("A1;A2"), std::vector<std::string>{"A1;A2"});
    EXPECT_EQ(SplitValues("; ; X; "), std::vector<std::string>{"X"});
    EXPECT_EQ(SplitValues("AC/DC; Björk"), (std::vector<std::string>{"AC/DC", "Björk"}));
}

// Every reader hands its values to Set, which trims and drops them where
// they stand; each kind of field, and an exact one, over the same values.
TEST(FieldText, ValuesAreStoredInTheirFieldsForm) {
    struct Case {
        SongField field;
        std::vector<std::string> given;
        std::vector<std::string> stored;
    };
    const Case cases[] = {
        {SongField::Title, {}, {}},
        {SongField::Title, {" A "}, {"A"}},
        {SongField::Title, {"\tA", " ", "B\n"}, {"A; B"}},
        {SongField::Title, {"", "  ", "B"}, {"B"}},
        {SongField::Artist, {" X ", "", "Y", " \r\n"}, {"X", "Y"}},
        {SongField::Artist, {"  ", ""}, {}},
        {SongField::Track, {" ", " 07/12 "}, {"7"}},
        {SongField::Track, {"", "x", "5"}, {}},  // the first value that is not blank counts
        {SongField::TrackTotal, {"0"}, {}},
        {SongField::Lyrics, {" line one\n", " "}, {" line one\n;  "}},
        {SongField::Lyrics, {"", "\tB"}, {"\tB"}},
    };
    for (const Case& c : cases) {
        songcore::SongValues values;
        values.Set(c.field, {"stale"});
        values.Set(c.field, c.given);
        EXPECT_TRUE(std::ranges::equal(values.Get(c.field), c.stored))
            << songcore::InfoOf(c.field).key;
    }
}

// The record keeps every field's values in one list: fields set, grown,
// shrunk and cleared in any order each keep their own, as a record of one
// list per field would.
TEST(FieldText, EachFieldKeepsItsOwnValuesWhateverIsSetAround) {
    using songcore::SongValues;
    const std::vector<std::string> one = {"one"};
    const std::vector<std::string> three = {"a", "b", "c"};
    const std::vector<std::string> two = {"long value beyond the short string room", "y"};
    const struct Step {
        SongField field;
        std::vector<std::string> values;
    } steps[] = {
        {SongField::Genre, three},    {SongField::Title, one},    {SongField::Compilation, {"1"}},
        {SongField::Artist, two},     {SongField::Genre, one},    {SongField::AlbumArtist, three},
        {SongField::Title, {}},       {SongField::Artist, three}, {SongField::Title, one},
        {SongField::Compilation, {}}, {SongField::Genre, two},    {SongField::AlbumArtist, {}},
        {SongField::Artist, {}},      {SongField::Vendor, one},   {SongField::Composer, three},
    };
    SongValues values;
    std::array<std::vector<std::string>, songcore::kSongFieldCount> expected;
    for (size_t at = 0; at < std::size(steps); ++at) {
        const Step& step = steps[at];
        values.Set(step.field, step.values);
        expected[static_cast<size_t>(step.field)] = step.values;
        SongValues copy = values;
        for (const songcore::FieldInfo& info : songcore::FieldTable()) {
            const std::vector<std::string>& want = expected[static_cast<size_t>(info.field)];
            EXPECT_TRUE(std::ranges::equal(values.Get(info.field), want))
                << "step " << at << ", " << info.key;
            EXPECT_EQ(values.Has(info.field), !want.empty()) << "step " << at << ", " << info.key;
            EXPECT_TRUE(copy.Same(info.field, values)) << "step " << at << ", " << info.key;
        }
    }
    // Fields taken from another record: those named come from it, held or
    // not there; every other field keeps its own.
    SongValues other;
    other.Set(SongField::Album, two);
    other.Set(SongField::Year, {"1999"});
    other.Set(SongField::Genre, one);
    std::bitset<songcore::kSongFieldCount> taken;
    for (SongField field : {SongField::Album, SongField::Year, SongField::Composer}) {
        taken.set(static_cast<size_t>(field));
    }
    values.TakeFields(std::move(other), taken);
    EXPECT_EQ(values.Text(SongField::Album), "long value beyond the short string room; y");
    EXPECT_EQ(values.Text(SongField::Year), "1999");
    EXPECT_FALSE(values.Has(SongField::Composer));
    EXPECT_EQ(values.Text(SongField::Genre), "long value beyond the short string room; y");
    EXPECT_EQ(values.Text(SongField::Vendor), "one");
    EXPECT_EQ(values.Held().count(), 5u);  // and the title

    // A record read anew keeps one field; fields set before and after it
    // then go around it.
    values.ClearAllBut(SongField::Year);
    EXPECT_EQ(values.Held().count(), 1u);
    values.Set(SongField::Compilation, {"1"});
    values.Set(SongField::Title, two);
    EXPECT_EQ(values.Text(SongField::Year), "1999");
    EXPECT_EQ(values.Text(SongField::Compilation), "1");
    EXPECT_EQ(values.Text(SongField::Title), "long value beyond the short string room; y");
    values.ClearAllBut(SongField::Lyrics);
    EXPECT_TRUE(values.Held().none());
    EXPECT_TRUE(values.Get(SongField::Compilation).empty());
}
