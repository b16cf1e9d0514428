// The CDDB client's rules that need no server: the disc identifier, the
// parsers of server answers, the submitted record and base64.
#include <gtest/gtest.h>

#include "songcore/cddb/CDDB.h"
#include "songcore/cddb/CddbResponse.h"
#include "songcore/cddb/CddbSubmit.h"

namespace cddb = songcore::cddb;

namespace {

// CR LF line ends for the sample answers below.
std::string Crlf(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') {
            out += '\r';
        }
        out += c;
    }
    return out;
}

const char kRecord[] =
    "210 rock 1202ce03 CD database entry follows (until terminating `.')\n"
    "# xmcd\n"
    "#\n"
    "# Track frame offsets:\n"
    "#\t150\n"
    "#       14250\n"
    "# 31500\n"
    "#\n"
    "# Disc length: 720 seconds\n"
    "#\n"
    "# Revision: 3\n"
    "# Submitted via: Discwright 1.15 beta\n"
    "#\n"
    "DISCID=1202ce03,1202ce04\n"
    "DTITLE=AC/DC / Back in Black\n"
    "DYEAR=1980\n"
    "TTITLE0=Hells Bells\n"
    "TTITLE1=Shoot to Thrill\n"
    "TTITLE2=What Do You Do for Money Honey, a title long enough to\n"
    "TTITLE2= need two lines\n"
    "EXTD=Recorded in the Bahamas\\nSecond\n"
    "EXTD= line\\n\n"
    "EXTT0=First\\ttrack\n"
    "EXTT1=C:\\\\new\n"
    "EXTT2=\n"
    "PLAYORDER=2,0, 1\n";

class TestCDDB : public CCDDB {
public:
    using CCDDB::Base64BufferSize;
    using CCDDB::EncodeBase64;
    using CCDDB::PrepareTextForSubmit;
};

}  // namespace

TEST(CddbDiscId, SumsDigitsOfStartsAndSpansTheDisc) {
    CCDDB cddb;
    std::vector<CCDDBTrackPosition> positions = {{0, 2, 0}, {3, 10, 0}, {7, 0, 0}, {12, 0, 0}};
    EXPECT_EQ(cddb.ComputeDiscID(positions), 0x1202CE03u);
    // Frames do not count; the digit sum wraps at 255.
    positions[1].SetFrame(74);
    EXPECT_EQ(cddb.ComputeDiscID(positions), 0x1202CE03u);
    std::vector<CCDDBTrackPosition> many;
    for (int i = 0; i < 99; ++i) {
        many.emplace_back(0, 59, 0);  // digit sum 14 each: 1386 mod 255 = 111
    }
    many.emplace_back(1, 0, 0);
    EXPECT_EQ(cddb.ComputeDiscID(many) >> 24, 111u);
    EXPECT_EQ(cddb.ComputeDiscID(many) & 0xFF, 99u);
    EXPECT_EQ(cddb.ComputeDiscID({}), 0u);
    EXPECT_EQ(CCDDBTrackPosition::FromFrames(53999).Frames(), 53999);
}

TEST(CddbResponse, BodyCodeAndLines) {
    bool found = false;
    EXPECT_EQ(cddb::ResponseBody("HTTP/1.0 200 OK\r\nA: b\r\n\r\n210 ok", &found), "210 ok");
    EXPECT_TRUE(found);
    EXPECT_EQ(cddb::ResponseBody("HTTP/1.0 200 OK\r\n", &found), "");
    EXPECT_FALSE(found);
    EXPECT_EQ(cddb::ResponseCode("210 OK"), 210);
    EXPECT_EQ(cddb::ResponseCode("21"), -1);
    EXPECT_EQ(cddb::ResponseCode("<html>"), -1);
    auto lines = cddb::SplitLines("a\r\nb\nc");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "a");
    EXPECT_EQ(lines[1], "b");
    EXPECT_EQ(lines[2], "c");
}

TEST(CddbResponse, SitesKeepOnlyHttpLinesWithValidCoordinates) {
    std::vector<CCDDBSite> sites;
    ASSERT_TRUE(cddb::ParseSites(Crlf("210 OK, Site information follows\n"
                                      "cddb.example.org http 80 /~cddb/cddb.cgi N000.00 W000.00 "
                                      "Random server\n"
                                      "us.example.org HTTP 8080 /cgi/cddb N037.30 W122.15  San "
                                      "Francisco, California \n"
                                      "au.example.org http 80 /~cddb/cddb.cgi S033.52 E151.13 "
                                      "Sydney\n"
                                      "ftp.example.org cddbp 888 - N000.00 W000.00 wrong protocol\n"
                                      "short.example.org http 80 /x N37.30 W122.15 short latitude\n"
                                      "swap.example.org http 80 /x E037.30 N122.15 swapped\n"
                                      "port.example.org http 0 /x N037.30 W122.15 port zero"),
                                 sites));
    ASSERT_EQ(sites.size(), 3u);
    EXPECT_EQ(sites[0].GetHost(), "cddb.example.org");
    EXPECT_EQ(sites[0].GetDescription(), "Random server");
    EXPECT_EQ(sites[1].GetPort(), 8080);
    EXPECT_EQ(sites[1].GetAddress(), "/cgi/cddb");
    EXPECT_TRUE(sites[1].GetNorth());
    EXPECT_EQ(sites[1].GetLatitude(), 37 * 60 + 30);
    EXPECT_FALSE(sites[1].GetEast());
    EXPECT_EQ(sites[1].GetLongitude(), 122 * 60 + 15);
    EXPECT_EQ(sites[1].GetDescription(), "San Francisco, California");
    EXPECT_FALSE(sites[2].GetNorth());
    EXPECT_TRUE(sites[2].GetEast());
    EXPECT_FALSE(cddb::ParseSites("401 No site information available.", sites));
}

TEST(CddbResponse, CategoriesAndMessageOfTheDay) {
    std::vector<std::string> categories;
    ASSERT_TRUE(cddb::ParseCategories(Crlf("210 OK\nblues\nrock\n\nsoundtrack"), categories));
    EXPECT_EQ(categories, (std::vector<std::string>{"blues", "rock", "soundtrack"}));
    EXPECT_FALSE(cddb::ParseCategories("500 Command syntax error", categories));

    std::string text;
    ASSERT_TRUE(cddb::ParseMessageOfTheDay(Crlf("210 Last modified: 05/31/96 MOTD follows\n"
                                                "Welcome.\nBe nice."),
                                           text));
    EXPECT_EQ(text, "Welcome.\r\nBe nice.");
    EXPECT_FALSE(cddb::ParseMessageOfTheDay("401 No message", text));
}

TEST(CddbResponse, Status) {
    CCDDBStatus status;
    ASSERT_TRUE(cddb::ParseStatus(Crlf("210 OK, status information follows\n"
                                       "Server status:\n"
                                       "    current proto: 6\n"
                                       "    max proto: 6\n"
                                       "    interface: http\n"
                                       "    gets: no\n"
                                       "    updates: yes\n"
                                       "    posting: yes\n"
                                       "    quotes: YES\n"
                                       "    strip ext: no\n"
                                       "    current users: 3\n"
                                       "    max users: 100\n"
                                       "Database entries: 2345\n"
                                       "Database entries by category:\n"
                                       "    blues: 45\n"
                                       "    rock: 2300\n"
                                       "Pending file transmissions:\n"
                                       "    mirror.example.org: 7"),
                                  status));
    EXPECT_EQ(status.GetCurrentProtocol(), 6);
    EXPECT_EQ(status.GetMaximumProtocol(), 6);
    EXPECT_FALSE(status.GetGets());
    EXPECT_TRUE(status.GetUpdates());
    EXPECT_TRUE(status.GetPosting());
    EXPECT_TRUE(status.GetQuotes());
    EXPECT_FALSE(status.GetStripExtendedData());
    EXPECT_EQ(status.GetCurrentUsers(), 3);
    EXPECT_EQ(status.GetMaximumUsers(), 100);
    EXPECT_EQ(status.GetDatabaseEntries(), 2345);
    EXPECT_EQ(status.GetCategories(), (std::vector<std::string>{"blues", "rock"}));
    EXPECT_EQ(status.GetCategoryEntries(), (std::vector<int>{45, 2300}));
    EXPECT_EQ(status.GetPendingSites(), (std::vector<std::string>{"mirror.example.org"}));
    EXPECT_EQ(status.GetPendingFiles(), (std::vector<int>{7}));

    // A flag that is neither yes nor no stops the parsing there.
    CCDDBStatus stopped;
    EXPECT_FALSE(cddb::ParseStatus(Crlf("210 OK\nServer status:\n    max proto: 6\n"
                                        "    gets: maybe\n    current users: 3"),
                                   stopped));
    EXPECT_EQ(stopped.GetMaximumProtocol(), 6);
    EXPECT_EQ(stopped.GetCurrentUsers(), 0);
}

TEST(CddbResponse, Query) {
    std::vector<CCDDBQueryResult> results;
    EXPECT_EQ(cddb::ParseQuery("200 rock 1202ce03 AC/DC / Back in Black\r\n", results),
              cddb::QueryOutcome::Matches);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].GetCategory(), "rock");
    EXPECT_EQ(results[0].GetDiscID(), 0x1202CE03u);
    EXPECT_EQ(results[0].GetArtist(), "AC/DC");
    EXPECT_EQ(results[0].GetTitle(), "Back in Black");

    results.clear();
    EXPECT_EQ(cddb::ParseQuery("202 No match for disc ID 1202ce03.", results),
              cddb::QueryOutcome::NoMatch);
    EXPECT_TRUE(results.empty());

    EXPECT_EQ(cddb::ParseQuery(Crlf("211 close matches found\n"
                                    "rock 1202ce03 Artist/Title\n"
                                    "misc 0badf00d Only a title\n"
                                    "jazz nothex Skipped\n"
                                    "blues ffffffff  Someone  /  Something "),
                               results),
              cddb::QueryOutcome::Matches);
    ASSERT_EQ(results.size(), 3u);
    EXPECT_EQ(results[0].GetArtist(), "Artist");
    EXPECT_EQ(results[0].GetTitle(), "Title");
    EXPECT_EQ(results[1].GetArtist(), "");
    EXPECT_EQ(results[1].GetTitle(), "Only a title");
    EXPECT_EQ(results[2].GetDiscID(), 0xFFFFFFFFu);
    EXPECT_EQ(results[2].GetArtist(), "Someone");
    EXPECT_EQ(results[2].GetTitle(), "Something");

    EXPECT_EQ(cddb::ParseQuery("403 Database entry is corrupt.", results), cddb::QueryOutcome::Bad);
    EXPECT_EQ(cddb::ParseQuery("200 rock", results), cddb::QueryOutcome::Bad);
}

TEST(CddbResponse, ReadsACompleteRecord) {
    CCDDBRecord record;
    ASSERT_TRUE(cddb::ParseRecord(Crlf(kRecord), record));
    EXPECT_EQ(record.GetTrackOffsets(), (std::vector<uint32_t>{150, 14250, 31500}));
    EXPECT_EQ(record.GetDiscLength(), 720u);
    EXPECT_EQ(record.GetRevision(), 3);
    EXPECT_EQ(record.GetClientName(), "Discwright");
    EXPECT_EQ(record.GetClientVersion(), "1.15");
    EXPECT_EQ(record.GetClientComments(), "beta");
    EXPECT_EQ(record.GetDiscID(), 0x1202CE03u);
    EXPECT_EQ(record.GetArtist(), "AC/DC");
    EXPECT_EQ(record.GetTitle(), "Back in Black");
    EXPECT_EQ(record.GetTrackTitles(),
              (std::vector<std::string>{
                  "Hells Bells", "Shoot to Thrill",
                  "What Do You Do for Money Honey, a title long enough to need two lines"}));
    EXPECT_EQ(record.GetExtendedDiscData(),
              (std::vector<std::string>{"Recorded in the Bahamas", "Second line"}));
    EXPECT_EQ(record.GetExtendedTrackData(),
              (std::vector<std::string>{"First\ttrack", "C:\\new", ""}));
    EXPECT_EQ(record.GetPlayOrder(), (std::vector<uint32_t>{2, 0, 1}));
    // Bare line feeds read the same.
    CCDDBRecord bare;
    ASSERT_TRUE(cddb::ParseRecord(kRecord, bare));
    EXPECT_EQ(bare.GetTrackTitles(), record.GetTrackTitles());
}

TEST(CddbResponse, RecordDetails) {
    auto parse = [](std::string text, CCDDBRecord& record) {
        return cddb::ParseRecord(Crlf(text), record);
    };
    auto replaced = [](std::string from, std::string to) {
        std::string text = kRecord;
        size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return text.replace(at, from.size(), to);
    };
    CCDDBRecord record;
    ASSERT_TRUE(parse(replaced("DTITLE=AC/DC / Back in Black", "DTITLE=  Just a title "), record));
    EXPECT_EQ(record.GetArtist(), "");
    EXPECT_EQ(record.GetTitle(), "Just a title");
    ASSERT_TRUE(parse(replaced("DTITLE=AC/DC / Back in Black", "DTITLE=Artist/Title"), record));
    EXPECT_EQ(record.GetArtist(), "Artist");
    EXPECT_EQ(record.GetTitle(), "Title");
    // "Revision:" with nothing after it reads as 0; no revision line at all too.
    ASSERT_TRUE(parse(replaced("# Revision: 3", "# Revision:"), record));
    EXPECT_EQ(record.GetRevision(), 0);
    ASSERT_TRUE(parse(replaced("# Revision: 3\n", ""), record));
    EXPECT_EQ(record.GetRevision(), 0);
    ASSERT_TRUE(parse(replaced("# Disc length: 720 seconds", "#Disc length:"), record));
    EXPECT_EQ(record.GetDiscLength(), 0u);
    ASSERT_TRUE(parse(replaced("Discwright 1.15 beta", "cddbd"), record));
    EXPECT_EQ(record.GetClientName(), "cddbd");
    EXPECT_EQ(record.GetClientVersion(), "");
    EXPECT_EQ(record.GetClientComments(), "");

    // Every part of the header is required, in order.
    const char* broken[][2] = {
        {"210 rock", "401 rock"},
        {"# xmcd", "# something"},
        {"# Track frame offsets:", "# Track offsets:"},
        {"#\t150", "#\tabc"},
        {"#\n# Disc length", "DYEAR=1\n# Disc length"},
        {"# Disc length: 720 seconds", "# Length: 720 seconds"},
        {"# Submitted via: Discwright 1.15 beta", "# Sent by: Discwright"},
        {"DISCID=1202ce03,1202ce04", "DISCID=1202ce"},
        {"DTITLE=AC/DC / Back in Black\n", ""},
        {"PLAYORDER=2,0, 1\n", ""},
    };
    for (const auto& [from, to] : broken) {
        EXPECT_FALSE(parse(replaced(from, to), record)) << from;
    }
    EXPECT_FALSE(cddb::ParseRecord("", record));
}

TEST(CddbResponse, UnescapesInOnePass) {
    EXPECT_EQ(cddb::UnescapeValue("a\\nb\\tc\\\\d"), "a\nb\tc\\d");
    EXPECT_EQ(cddb::UnescapeValue("C:\\\\new"), "C:\\new");
    EXPECT_EQ(cddb::UnescapeValue("trailing\\"), "trailing\\");
    EXPECT_EQ(cddb::UnescapeValue("\\x"), "\\x");
}

TEST(CddbSubmit, BodyText) {
    CCDDBRecord record;
    record.SetTrackOffsets({150, 14250});
    record.SetDiscLength(400);
    record.SetRevision(2);
    record.SetClientName("Discwright");
    record.SetClientVersion("1.15");
    record.SetClientComments("test");
    record.SetDiscID(0x0a0b0c02);
    record.SetArtist("Artist");
    record.SetTitle("Album");
    record.SetTrackTitles({"One", "Two\tTabs \\ and\nbreaks"});
    record.SetExtendedTrackData({"", "notes"});
    std::string body = cddb::BuildSubmitBody(record);
    std::string header = body.substr(0, body.find("DISCID="));
    EXPECT_EQ(header.substr(0, 8), "# xmcd\r\n");
    EXPECT_NE(header.find("\r\n#\r\n# Track frame offsets:\r\n# 150\r\n# 14250\r\n#\r\n"
                          "# Disc length: 400 seconds\r\n#\r\n#\r\n# Revision: 2\r\n"
                          "# Submitted via: Discwright 1.15 test\r\n#\r\n"),
              std::string::npos);
    EXPECT_EQ(body.substr(header.size()),
              "DISCID=0a0b0c02\r\n"
              "DTITLE=Artist / Album\r\n"
              "TTITLE0=One\r\n"
              "TTITLE1=Two\\tTabs \\\\ and\\nbreaks\r\n"
              "EXTD=\r\n"
              "EXTT0=\r\n"
              "EXTT1=notes\r\n"
              "PLAYORDER=");
    record.SetArtist("");
    EXPECT_NE(cddb::BuildSubmitBody(record).find("\r\nDTITLE=Album\r\n"), std::string::npos);
}

TEST(CddbSubmit, LongValuesAreCutAndReadBackWhole) {
    CCDDBRecord record;
    record.SetTrackOffsets({150});
    record.SetDiscLength(60);
    record.SetClientName("Discwright");
    record.SetClientVersion("1.15");
    record.SetDiscID(0x01003c01);
    record.SetTitle("T");
    record.SetTrackTitles({"only"});
    std::string longLine;
    for (int i = 0; i < 40; ++i) {
        longLine += "wörd\\ ";  // multi-byte letters and escapes across the cuts
    }
    record.SetExtendedDiscData({"short", longLine, ""});
    record.SetExtendedTrackData({longLine + "\nsecond"});
    std::string body = cddb::BuildSubmitBody(record);
    for (std::string_view line : cddb::SplitLines(body)) {
        std::string raw = cddb::UnescapeValue(line);
        if (line.substr(0, 4) == "EXTD") {
            EXPECT_LE(raw.size(), 79u) << line;  // the piece and a line break
        } else if (line.substr(0, 4) == "EXTT") {
            EXPECT_LE(raw.size(), 80u) << line;
        }
    }
    CCDDBRecord back;
    ASSERT_TRUE(cddb::ParseRecord("210 misc 01003c01\r\n" + body, back));
    EXPECT_EQ(back.GetExtendedDiscData(), record.GetExtendedDiscData());
    EXPECT_EQ(back.GetExtendedTrackData(), record.GetExtendedTrackData());
    EXPECT_EQ(back.GetTrackOffsets(), record.GetTrackOffsets());
    EXPECT_EQ(back.GetDiscLength(), 60u);
    EXPECT_EQ(back.GetClientName(), "Discwright");
}

TEST(CddbSubmit, EscapingAndBase64) {
    EXPECT_EQ(TestCDDB::PrepareTextForSubmit("a\\b\nc\td\r\ne"), "a\\\\b\\nc\\td\\ne");
    EXPECT_EQ(TestCDDB::EncodeBase64("john:secret"), "am9objpzZWNyZXQ=\r\n");
    EXPECT_EQ(TestCDDB::EncodeBase64("ab"), "YWI=\r\n");
    EXPECT_EQ(TestCDDB::EncodeBase64(""), "\r\n");
    std::string encoded = TestCDDB::EncodeBase64(std::string(100, 'A'));
    std::string expected =
        "QUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFB"
        "\r\nQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQQ==\r\n";
    EXPECT_EQ(encoded, expected);
    for (size_t n : {0u, 1u, 57u, 100u, 1000u}) {
        EXPECT_GE(TestCDDB::Base64BufferSize(n),
                  TestCDDB::EncodeBase64(std::string(n, 'x')).size() + 1);
    }
}
