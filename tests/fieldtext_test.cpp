#include <gtest/gtest.h>

#include "songcore/tags/FieldText.h"

using songcore::JoinValues;
using songcore::ParseTrackNumber;
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
