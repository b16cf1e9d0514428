#include <gtest/gtest.h>

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
    EXPECT_EQ(JoinValues({}), "");
    EXPECT_EQ(JoinValues({"A1"}), "A1");
    EXPECT_EQ(JoinValues({"A1", "A2", "A3"}), "A1; A2; A3");
    // An empty value keeps its place, so the count survives a round trip
    // through the text only where no value is empty.
    EXPECT_EQ(JoinValues({"", "B"}), "; B");
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
        EXPECT_EQ(values.Get(c.field), c.stored) << songcore::InfoOf(c.field).key;
    }
}
