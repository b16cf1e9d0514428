// Songs ripped from a CD, looked up as their disc: the table of contents
// their lengths give (against the disc identifiers of known discs), the
// fields a record gives each track, and the configured server asked with
// the user's address.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>

#include "songcore/cddb/CddbClient.h"
#include "songcore/cddb/CddbResponse.h"
#include "songcore/cddb/DiscOfSongs.h"
#include "songcore/settings/AppRegKey.h"
#include "support/CddbResponder.h"
#include "support/TestSupport.h"

namespace {

struct DiscCase {
    std::vector<double> seconds;
    std::vector<int64_t> frames;  // the tracks' offsets, then the lead-out
    uint32_t discId;
};

// The first is the disc of the CUE image in the CDDB client's tests (tracks
// at 0:02, 3:10 and 7:00, lead-out at 12:00); the second has lengths of no
// whole number of frames, which round to the nearest.
const DiscCase kDiscs[] = {
    {{188, 230, 300}, {150, 14250, 31500, 54000}, 0x1202CE03u},
    {{60.0, 90.5, 45.2}, {150, 4650, 11438, 14828}, 0x1200C303u},
    {{0.4, 3599.99}, {150, 180, 270179}, 0x040E1002u},
};

TEST(DiscOfSongs, TableOfContentsFromLengthsGivesTheDiscIdentifier) {
    CCDDB cddb;
    for (const DiscCase& disc : kDiscs) {
        std::vector<CCDDBTrackPosition> toc = songcore::TocFromLengths(disc.seconds);
        ASSERT_EQ(toc.size(), disc.frames.size());
        for (size_t i = 0; i < toc.size(); ++i) {
            EXPECT_EQ(toc[i].Frames(), disc.frames[i]) << disc.discId << " " << i;
        }
        EXPECT_EQ(cddb.ComputeDiscID(toc), disc.discId);
    }
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (const std::vector<double>& lengths : std::vector<std::vector<double>>{
             {}, {0}, {200, -1}, {nan}, {inf}, {1e12}, {50000, 50000}}) {
        EXPECT_TRUE(songcore::TocFromLengths(lengths).empty()) << lengths.size();
    }
}

const char kRecord[] =
    "210 misc 040e1002 CD database entry follows\r\n"
    "# xmcd\r\n#\r\n# Track frame offsets:\r\n#\t150\r\n#\t150\r\n#\r\n"
    "# Disc length: 3601 seconds\r\n#\r\n# Revision: 2\r\n# Submitted via: cddbd 1.5\r\n#\r\n"
    "DISCID=040e1002\r\nDTITLE=Various Artists / Summer Mix\r\nDYEAR= 1998 \r\n"
    "DGENRE=Dance\r\nTTITLE0=DJ One / Opening\r\nTTITLE1=No Artist Here\r\n"
    "EXTD=\r\nEXTT0=\r\nEXTT1=\r\nPLAYORDER=\r\n.\r\n";

TEST(DiscOfSongs, RecordFieldsOfEachTrack) {
    CCDDBRecord record;
    ASSERT_TRUE(songcore::cddb::ParseRecord(kRecord, record));
    EXPECT_EQ(record.GetYear(), "1998");
    EXPECT_EQ(record.GetGenre(), "Dance");
    using songcore::SongField;
    const songcore::FieldValues compiled = {
        {SongField::Title, "Opening"},    {SongField::Artist, "DJ One"},
        {SongField::Album, "Summer Mix"}, {SongField::Year, "1998"},
        {SongField::Genre, "Dance"},      {SongField::Track, "1"},
        {SongField::TrackTotal, "2"}};
    EXPECT_EQ(songcore::FieldsFromCddbTrack(record, 0), compiled);
    // A title without an artist keeps the disc's; a disc of one artist keeps
    // a slash in a title; past the last title, no title.
    EXPECT_EQ(songcore::FieldsFromCddbTrack(record, 1)[1].second, "Various Artists");
    record.SetArtist("The Band");
    EXPECT_EQ(songcore::FieldsFromCddbTrack(record, 0)[0].second, "DJ One / Opening");
    EXPECT_EQ(songcore::FieldsFromCddbTrack(record, 5)[0].second, "");
}

// The server of the settings, told the user's address; the public server
// is not asked without one.
TEST(DiscOfSongs, ConfiguredServerIsAskedWithTheUsersAddress) {
    testsupport::TempDir dir;
    ::setenv("XDG_CONFIG_HOME", dir.file("config").c_str(), 1);
    testsupport::CddbResponder server;
    songcore::CddbClient client;
    CCDDBSite site;
    EXPECT_NE(songcore::UseConfiguredCddb(client, site).find("CDDB Email"), std::string::npos);
    const std::string address = "127.0.0.1:" + std::to_string(server.port());
    ASSERT_EQ(CAppRegKey().SetCddbServer(address.c_str()), 1);
    ASSERT_EQ(CAppRegKey().SetCddbEmail("not an address"), 1);
    EXPECT_NE(songcore::UseConfiguredCddb(client, site), "");
    ASSERT_EQ(CAppRegKey().SetCddbEmail("fan@example.net"), 1);
    ASSERT_EQ(songcore::UseConfiguredCddb(client, site), "");

    std::vector<CCDDBTrackPosition> toc = songcore::TocFromLengths({0.4, 3599.99});
    server.QueueBody("200 misc 040e1002 Various Artists / Summer Mix\r\n");
    std::vector<CCDDBQueryResult> found;
    ASSERT_EQ(client.Query(site, client.ComputeDiscID(toc), toc, found), 1)
        << songcore::CddbFailureText(client);
    EXPECT_NE(server.LastRequest().find("cmd=cddb+query+040e1002+2+150+180+3600&hello=fan+"
                                        "example.net+Tunemoss+" TUNEMOSS_VERSION "&proto=6"),
              std::string::npos)
        << server.LastRequest();
    server.QueueBody("500 Command syntax error\r\n");
    CCDDBRecord record;
    EXPECT_EQ(client.Read(site, found.at(0).GetDiscID(), found[0].GetCategory(), record), 0);
    EXPECT_NE(songcore::CddbFailureText(client).find("(the server said: 500 Command syntax error)"),
              std::string::npos);
    ::unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
