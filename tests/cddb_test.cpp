// The CDDB client against a scripted server on 127.0.0.1, the table of
// contents of CUE images, and the tunemoss cddb command.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <fstream>

#include "songcore/cddb/CDDB.h"
#include "songcore/cddb/HTTPSocket.h"
#include "songcore/settings/AppRegKey.h"
#include "support/CddbResponder.h"
#include "support/TestSupport.h"

using testsupport::CddbResponder;

namespace {

// Fixed user and host, so the request lines can be compared whole.
class TestCDDB : public CCDDB {
public:
    std::string GetUserNameA() override { return "jdoe"; }
    std::string GetHostName() override { return "box"; }
};

const char kHello[] = "hello=jdoe+box+Discwright+1.15&proto=4";

const char kRecordBody[] =
    "210 rock 1202ce03 CD database entry follows (until terminating `.')\r\n"
    "# xmcd\r\n#\r\n# Track frame offsets:\r\n#\t150\r\n#\t14250\r\n#\t31500\r\n#\r\n"
    "# Disc length: 720 seconds\r\n#\r\n# Revision: 1\r\n# Submitted via: cddbd 1.5\r\n#\r\n"
    "DISCID=1202ce03\r\nDTITLE=Someone / Something\r\nTTITLE0=A\r\nTTITLE1=B\r\nTTITLE2=C\r\n"
    "EXTD=\r\nEXTT0=\r\nEXTT1=\r\nEXTT2=\r\nPLAYORDER=\r\n.\r\n";

std::vector<CCDDBTrackPosition> ExamplePositions() {
    return {{0, 2, 0}, {3, 10, 0}, {7, 0, 0}, {12, 0, 0}};
}

// A CUE sheet with tracks at 0:02, 3:10 and 7:00 and a data file whose size
// puts the lead-out at 12:00 (a sparse file: it takes no room on disk).
std::string WriteExampleImage(const testsupport::TempDir& dir) {
    std::string cue = dir.file("disc.cue");
    std::ofstream(cue) << "FILE \"disc.bin\" BINARY\n"
                          "  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                          "  TRACK 02 AUDIO\n    INDEX 01 03:08:00\n"
                          "  TRACK 03 AUDIO\n    INDEX 01 06:58:00\n";
    std::ofstream(dir.file("disc.bin"));
    EXPECT_EQ(::truncate(dir.file("disc.bin").c_str(), (12 * 60 * 75 - 150) * 2352LL), 0);
    return cue;
}

class CddbServer : public ::testing::Test {
protected:
    void SetUp() override {
        site_.SetHost("127.0.0.1");
        site_.SetPort(server_.port());
        cddb_.SetTimeout(1500);
    }
    std::string Get(const std::string& command, const std::string& path = "/~cddb/cddb.cgi") {
        return "GET " + path + "?cmd=" + command + "&" + kHello + " HTTP/1.0\r\n" + HostLine() +
               "\r\n";
    }
    // Servers that share an address with others need it.
    std::string HostLine() { return "Host: 127.0.0.1:" + std::to_string(server_.port()) + "\r\n"; }

    CddbResponder server_;
    TestCDDB cddb_;
    CCDDBSite site_;
};

}  // namespace

TEST(CddbDisc, TableOfContentsOfACueImage) {
    testsupport::TempDir dir;
    std::string cue = WriteExampleImage(dir);
    CCDDB cddb;
    std::vector<CCDDBTrackPosition> positions;
    ASSERT_EQ(cddb.GetTrackPositions(positions, cue.c_str()), 1) << cddb.GetErrorMessage();
    ASSERT_EQ(positions.size(), 4u);
    auto expected = ExamplePositions();
    for (size_t i = 0; i < positions.size(); ++i) {
        EXPECT_EQ(positions[i].Frames(), expected[i].Frames()) << i;
    }
    uint32_t id = 0;
    ASSERT_EQ(cddb.ComputeDiscID(id, cue.c_str()), 1);
    EXPECT_EQ(id, 0x1202CE03u);

    // A missing image is a device error with libcdio's words, and the
    // process goes on.
    EXPECT_EQ(cddb.GetTrackPositions(positions, dir.file("none.cue").c_str()), 0);
    EXPECT_TRUE(positions.empty());
    EXPECT_EQ(cddb.GetLastError(), CCDDB::errorDeviceName);
    EXPECT_NE(cddb.GetErrorMessage().find("none.cue"), std::string::npos);
    EXPECT_LE(cddb.GetErrorMessage().size(), 128u);
    std::ofstream(dir.file("junk.cue")) << "not a cue sheet\n";
    EXPECT_EQ(cddb.ComputeDiscID(id, dir.file("junk.cue").c_str()), 0);
    EXPECT_NE(cddb.GetLastError(), 0u);
}

TEST_F(CddbServer, RequestLinesAndResults) {
    server_.QueueBody(
        "210 OK, Site information follows\r\n"
        "cddb.example.org http 80 /~cddb/cddb.cgi N000.00 W000.00 Random\r\n.\r\n");
    std::vector<CCDDBSite> sites;
    ASSERT_EQ(cddb_.Sites(sites, site_), 1) << cddb_.GetErrorMessage();
    EXPECT_EQ(server_.LastRequest(), Get("sites"));
    ASSERT_EQ(sites.size(), 1u);
    EXPECT_EQ(sites[0].GetHost(), "cddb.example.org");

    server_.QueueBody("210 OK, category list follows\r\nblues\r\nrock\r\n.\r\n");
    std::vector<std::string> categories;
    ASSERT_EQ(cddb_.Categories(site_, categories), 1);
    EXPECT_EQ(server_.LastRequest(), Get("cddb+lscat"));
    EXPECT_EQ(categories, (std::vector<std::string>{"blues", "rock"}));

    server_.QueueBody("210 OK\r\nServer status:\r\n    max proto: 6\r\n    gets: yes\r\n.\r\n");
    CCDDBStatus status;
    ASSERT_EQ(cddb_.Status(site_, status), 1);
    EXPECT_EQ(server_.LastRequest(), Get("stat"));
    EXPECT_EQ(status.GetMaximumProtocol(), 6);
    EXPECT_TRUE(status.GetGets());

    server_.QueueBody("210 MOTD follows\r\nHello there.\r\n.\r\n");
    std::string motd;
    ASSERT_EQ(cddb_.MessageOfTheDay(site_, motd), 1);
    EXPECT_EQ(server_.LastRequest(), Get("motd"));
    EXPECT_EQ(motd, "Hello there.");

    server_.QueueBody(
        "211 close matches\r\nrock 1202ce03 Someone / Something\r\n"
        "misc 1202ce04 Other\r\n.\r\n");
    std::vector<CCDDBQueryResult> results;
    ASSERT_EQ(cddb_.Query(site_, 0x1202CE03, ExamplePositions(), results), 1);
    EXPECT_EQ(server_.LastRequest(), Get("cddb+query+1202ce03+3+150+14250+31500+718"));
    ASSERT_EQ(results.size(), 2u);
    EXPECT_EQ(results[1].GetTitle(), "Other");

    server_.QueueBody(kRecordBody);
    CCDDBRecord record;
    ASSERT_EQ(cddb_.Read(site_, 0x0000ce03, "rock", record), 1) << cddb_.GetLastCommandResponse();
    EXPECT_EQ(server_.LastRequest(), Get("cddb+read+rock+0000ce03"));
    EXPECT_EQ(record.GetDiscID(), 0x0000CE03u);  // the one asked for
    EXPECT_EQ(record.GetArtist(), "Someone");
    EXPECT_EQ(record.GetTrackTitles().size(), 3u);
    EXPECT_EQ(cddb_.GetLastCommandResponse(), "");
    EXPECT_EQ(cddb_.GetLastError(), 0u);

    // The second forms build the site from their arguments.
    server_.QueueBody("210 MOTD\r\nx\r\n.\r\n");
    ASSERT_EQ(cddb_.MessageOfTheDay(motd, "127.0.0.1", "/cgi/other", server_.port()), 1);
    EXPECT_EQ(server_.LastRequest(), Get("motd", "/cgi/other"));
    server_.QueueBody("210 OK\r\n.\r\n");
    ASSERT_EQ(cddb_.Sites(sites, "127.0.0.1", "/cgi/other", server_.port()), 1);
    EXPECT_TRUE(sites.empty());
}

TEST_F(CddbServer, ThroughAProxy) {
    CCDDBSite remote;
    remote.SetHost("cddb.example.org");
    cddb_.SetProxyDetails("127.0.0.1", server_.port(), "", "");
    server_.QueueBody("210 OK\r\nrock\r\n.\r\n");
    std::vector<std::string> categories;
    ASSERT_EQ(cddb_.Categories(remote, categories), 1) << cddb_.GetErrorMessage();
    EXPECT_EQ(server_.LastRequest(),
              std::string("GET http://cddb.example.org/~cddb/cddb.cgi?cmd=cddb+lscat&") + kHello +
                  " HTTP/1.0\r\nHost: cddb.example.org\r\n\r\n");

    cddb_.SetProxyUser("john");
    cddb_.SetProxyPassword("secret");
    server_.QueueBody("200 rock 1202ce03 Someone / Something\r\n");
    std::vector<CCDDBQueryResult> results;
    ASSERT_EQ(cddb_.Query(remote, 0x1202CE03, ExamplePositions(), results), 1);
    EXPECT_EQ(server_.LastRequest(),
              std::string("GET http://cddb.example.org/~cddb/cddb.cgi?cmd=cddb+query+1202ce03+3+"
                          "150+14250+31500+718&") +
                  kHello +
                  " HTTP/1.0\r\nProxy-Authorization: Basic am9objpzZWNyZXQ=\r\n"
                  "Host: cddb.example.org\r\n\r\n");
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].GetCategory(), "rock");

    // A site on another port keeps its port through the proxy.
    remote.SetPort(8880);
    cddb_.SetProxyUser("");
    server_.QueueBody("210 MOTD\r\nx\r\n.\r\n");
    std::string motd;
    ASSERT_EQ(cddb_.MessageOfTheDay(remote, motd), 1);
    EXPECT_EQ(server_.LastRequest(),
              std::string("GET http://cddb.example.org:8880/~cddb/cddb.cgi?cmd=motd&") + kHello +
                  " HTTP/1.0\r\nHost: cddb.example.org:8880\r\n\r\n");

    // An IPv6 address is bracketed in the address and in Host.
    remote.SetHost("2001:db8::1");
    server_.QueueBody("210 MOTD\r\nx\r\n.\r\n");
    ASSERT_EQ(cddb_.MessageOfTheDay(remote, motd), 1);
    EXPECT_EQ(server_.LastRequest(),
              std::string("GET http://[2001:db8::1]:8880/~cddb/cddb.cgi?cmd=motd&") + kHello +
                  " HTTP/1.0\r\nHost: [2001:db8::1]:8880\r\n\r\n");
}

TEST_F(CddbServer, Submit) {
    CCDDBSite submitSite(0);
    submitSite.SetHost("127.0.0.1");
    submitSite.SetPort(server_.port());
    CCDDBRecord record;
    record.SetTrackOffsets({150});
    record.SetDiscLength(60);
    record.SetDiscID(0x0a003c01);
    record.SetTitle("Title");
    record.SetTrackTitles({"Only"});
    server_.QueueBody("200 OK, submission has been sent.\r\n");
    ASSERT_EQ(cddb_.Submit(submitSite, "misc", "me@example.org", record, "first\r\ntry", 0), 1)
        << cddb_.GetErrorMessage();
    std::string request = server_.LastRequest();
    size_t bodyAt = request.find("\r\n\r\n") + 4;
    std::string body = request.substr(bodyAt);
    EXPECT_EQ(request.substr(0, bodyAt),
              "POST /~cddb/submit.cgi HTTP/1.0\r\n" + HostLine() +
                  "Category: misc\r\nDiscid: 0a003c01\r\n"
                  "User-Email: me@example.org\r\nSubmit-Mode: test\r\nX-Cddbd-Note: first  try\r\n"
                  "Content-Length: " +
                  std::to_string(body.size()) + "\r\n\r\n");
    EXPECT_EQ(body.substr(0, 8), "# xmcd\r\n");
    EXPECT_EQ(body.substr(body.size() - 10), "PLAYORDER=");

    cddb_.SetProxyDetails("127.0.0.1", server_.port(), "john", "secret");
    submitSite.SetHost("cddb.example.org");
    submitSite.SetPort(80);
    server_.QueueBody("501 Entry rejected: bad category.\r\n");
    EXPECT_EQ(cddb_.Submit(submitSite, "misc", "me@example.org", record, "", 1), 0);
    EXPECT_EQ(cddb_.GetLastError(), CCDDB::errorBadResponse);
    EXPECT_EQ(cddb_.GetLastCommandResponse(), "501 Entry rejected: bad category.\r\n");
    request = server_.LastRequest();
    EXPECT_EQ(request.substr(0, request.find("Discid:")),
              "POST http://cddb.example.org/~cddb/submit.cgi HTTP/1.0\r\n"
              "Proxy-Authorization: Basic am9objpzZWNyZXQ=\r\nHost: cddb.example.org\r\n"
              "Category: misc\r\n");
    EXPECT_NE(request.find("Submit-Mode: submit\r\n"), std::string::npos);
}

TEST_F(CddbServer, AnswersThatAreNotResults) {
    // No match is no error.
    server_.QueueBody("202 No match for disc ID 1202ce03.\r\n");
    std::vector<CCDDBQueryResult> results;
    EXPECT_EQ(cddb_.Query(site_, 0x1202CE03, ExamplePositions(), results), 0);
    EXPECT_EQ(cddb_.GetLastError(), 0u);
    EXPECT_TRUE(results.empty());

    server_.QueueBody("500 Command syntax error.\r\n.\r\n");
    std::vector<std::string> categories;
    EXPECT_EQ(cddb_.Categories(site_, categories), 0);
    EXPECT_EQ(cddb_.GetLastError(), CCDDB::errorBadResponse);
    EXPECT_EQ(cddb_.GetLastCommandResponse(), "500 Command syntax error.");
    EXPECT_FALSE(cddb_.GetErrorMessage().empty());

    server_.QueueBody("210 OK\r\nServer status:\r\n    gets: perhaps\r\n.\r\n");
    CCDDBStatus status;
    EXPECT_EQ(cddb_.Status(site_, status), 0);
    EXPECT_EQ(cddb_.GetLastError(), CCDDB::errorBadResponse);

    server_.QueueBody("210 rock 1202ce03\r\n# not a record\r\n.\r\n");
    CCDDBRecord record;
    record.SetTitle("kept");
    EXPECT_EQ(cddb_.Read(site_, 0x1202CE03, "rock", record), 0);
    EXPECT_EQ(record.GetTitle(), "kept");

    // A query needs the tracks and the lead-out.
    EXPECT_EQ(cddb_.Query(site_, 1, {{0, 2, 0}}, results), 0);
    EXPECT_NE(cddb_.GetLastError(), 0u);
}

TEST_F(CddbServer, SlowSilentAndBrokenServers) {
    using Clock = std::chrono::steady_clock;
    // Long enough that a loaded machine never makes the client wait for it.
    cddb_.SetTimeout(30000);
    std::vector<std::string> categories;

    // Answers that trickle in are put together.
    CddbResponder::Reply trickle;
    trickle.text = CddbResponder::Http("210 OK\r\nblues\r\nrock\r\n.\r\n");
    trickle.pieceSize = 3;
    trickle.pauseMs = 5;
    server_.Queue(trickle);
    ASSERT_EQ(cddb_.Categories(site_, categories), 1) << cddb_.GetErrorMessage();
    EXPECT_EQ(categories.size(), 2u);

    // A server that says nothing for longer than the time-out.
    cddb_.SetTimeout(400);
    CddbResponder::Reply late;
    late.text = CddbResponder::Http("210 OK\r\nrock\r\n.\r\n");
    late.delayMs = 60000;
    server_.Queue(late);
    auto start = Clock::now();
    EXPECT_EQ(cddb_.Categories(site_, categories), 0);
    EXPECT_EQ(cddb_.GetLastError(), CCDDB::errorTimedOut);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(30));  // the answer comes after 60

    // One that stops half-way and keeps the line open: what came is kept.
    CddbResponder::Reply stalled;
    stalled.text = CddbResponder::Http("210 OK\r\nrock\r\n");
    stalled.hangUp = false;
    server_.Queue(stalled);
    EXPECT_EQ(cddb_.Categories(site_, categories), 0);
    EXPECT_EQ(cddb_.GetLastError(), CCDDB::errorTimedOut);
    EXPECT_NE(cddb_.GetLastCommandResponse().find("210 OK\r\nrock"), std::string::npos);

    // One that hangs up before the end fails at once, not at the time-out
    // (half of which is still "at once").
    cddb_.SetTimeout(60000);
    CddbResponder::Reply cut;
    cut.text = CddbResponder::Http("210 OK\r\nrock\r\n");
    server_.Queue(cut);
    start = Clock::now();
    EXPECT_EQ(cddb_.Categories(site_, categories), 0);
    EXPECT_EQ(cddb_.GetLastError(), CCDDB::errorBadResponse);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(30));

    // A one-line answer to a query needs no terminator or hang-up.
    CddbResponder::Reply single;
    single.text = CddbResponder::Http("200 rock 1202ce03 Someone / Something\r\n");
    single.hangUp = false;
    server_.Queue(single);
    start = Clock::now();
    std::vector<CCDDBQueryResult> results;
    EXPECT_EQ(cddb_.Query(site_, 0x1202CE03, ExamplePositions(), results), 1);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(30));

    // A closed port.
    site_.SetPort(1);
    EXPECT_EQ(cddb_.Categories(site_, categories), 0);
    EXPECT_EQ(cddb_.GetLastError(), static_cast<uint32_t>(ECONNREFUSED));
}

TEST_F(CddbServer, ATricklingServerIsGivenUpAtTheTotalLimit) {
    using Clock = std::chrono::steady_clock;
    EXPECT_EQ(cddb_.GetTotalTimeout(), 60000u);
    // The pauses stay far below the time-out even on a loaded machine.
    cddb_.SetTimeout(10000);
    cddb_.SetTotalTimeout(700);
    // Never idle for the time-out, never done: a byte every 20 ms.
    CddbResponder::Reply drip;
    drip.text = CddbResponder::Http("210 OK\r\n" + std::string(4000, 'x'));
    drip.pieceSize = 1;
    drip.pauseMs = 20;
    drip.hangUp = false;
    server_.Queue(drip);
    std::vector<std::string> categories;
    auto start = Clock::now();
    EXPECT_EQ(cddb_.Categories(site_, categories), 0);
    auto took = Clock::now() - start;
    EXPECT_EQ(cddb_.GetLastError(), CCDDB::errorTimedOut);
    EXPECT_GE(took, std::chrono::milliseconds(650));
    // Not given up, the drip would go on for 80 s.
    EXPECT_LT(took, std::chrono::seconds(30));

    // The limit is per command: the next one has its own.
    server_.QueueBody("210 OK\r\nrock\r\n.\r\n");
    EXPECT_EQ(cddb_.Categories(site_, categories), 1) << cddb_.GetErrorMessage();
}

TEST_F(CddbServer, AnswerTooLargeIsRefused) {
    CddbResponder::Reply huge;
    huge.text = CddbResponder::Http("210 OK\r\n") + std::string(CCDDB::kMaxResponseSize, 'x');
    huge.hangUp = false;
    server_.Queue(huge);
    std::vector<std::string> categories;
    EXPECT_EQ(cddb_.Categories(site_, categories), 0);
    EXPECT_EQ(cddb_.GetLastError(), CCDDB::errorBadResponse);
}

TEST(CddbHost, UnresolvedHostFailsBeforeSending) {
    TestCDDB cddb;
    CCDDBSite site;
    site.SetHost("no-such-host.invalid");
    std::vector<CCDDBSite> sites;
    EXPECT_EQ(cddb.Sites(sites, site), 0);
    EXPECT_EQ(cddb.GetLastError(), CCDDB::errorHostNotFound);
    EXPECT_EQ(cddb.GetErrorMessage(), "The host name could not be resolved");
    // Through a proxy, the proxy's name is the one that must resolve.
    cddb.SetProxyHost("no-such-proxy.invalid");
    site.SetHost("127.0.0.1");
    std::string motd;
    EXPECT_EQ(cddb.MessageOfTheDay(site, motd), 0);
    EXPECT_EQ(cddb.GetLastError(), CCDDB::errorHostNotFound);
}

TEST(CddbHost, SocketReachesIpv6Hosts) {
    int listener = ::socket(AF_INET6, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in6 address{};
    address.sin6_family = AF_INET6;
    address.sin6_addr = in6addr_loopback;
    socklen_t length = sizeof address;
    if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(listener, 1) != 0) {
        if (listener >= 0) {
            ::close(listener);
        }
        GTEST_SKIP() << "no IPv6 loopback here";
    }
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    CHTTPSocket socket;
    ASSERT_TRUE(socket.Create());
    ASSERT_TRUE(socket.Connect("::1", ntohs(address.sin6_port), 2000)) << socket.GetLastError();
    int peer = ::accept(listener, nullptr, nullptr);
    ASSERT_GE(peer, 0);
    EXPECT_FALSE(socket.IsReadible());
    ASSERT_TRUE(socket.Send("ping"));
    char buffer[8] = {};
    ASSERT_EQ(::recv(peer, buffer, 4, MSG_WAITALL), 4);
    ::close(peer);  // the peer hangs up: readable, and the stream ends
    EXPECT_TRUE(socket.IsReadible(2000));
    EXPECT_EQ(socket.Receive(buffer, sizeof buffer), 0);
    ::close(listener);
}

TEST(CddbHost, ListingDrivesNeverFails) {
    CCDDB cddb;
    std::vector<std::string> drives = {"stale"};
    int count = cddb.GetCDROMDrives(drives);
    EXPECT_EQ(count, static_cast<int>(drives.size()));
    for (const std::string& drive : drives) {
        EXPECT_EQ(drive.substr(0, 5), "/dev/");
    }
}

TEST(CddbHost, HelloNamesTheUserAndHostSafely) {
    CCDDB cddb;
    std::string hello = cddb.GetHelloCommand();
    EXPECT_EQ(hello.substr(0, 6), "hello=");
    EXPECT_NE(hello.find("+Discwright+1.15&proto=4"), std::string::npos);
    EXPECT_FALSE(cddb.GetUserNameA().empty());
    cddb.SetProductName("My Player\r\nX: y");
    cddb.SetCDDBProtocolVersion(6);
    hello = cddb.GetHelloCommand();
    EXPECT_NE(hello.find("+My%20Player%0D%0AX%3A%20y+1.15&proto=6"), std::string::npos);
}

TEST(CddbCommand, DiscIdAndServerCommands) {
    testsupport::TempDir dir;
    std::string cue = WriteExampleImage(dir);
    auto result = testsupport::RunTunemoss({"cddb", "discid", "--cue", cue});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "1202ce03 3 150 14250 31500\n");

    result = testsupport::RunTunemoss({"cddb", "discid", "--cue", dir.file("none.cue")});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("none.cue"), std::string::npos);

    // Settings of the test's own, so that no address of the user's is sent.
    ::setenv("XDG_CONFIG_HOME", dir.path().c_str(), 1);
    struct Restore {
        ~Restore() { ::unsetenv("XDG_CONFIG_HOME"); }
    } restore;
    CddbResponder server;
    std::string address = "127.0.0.1:" + std::to_string(server.port());
    server.QueueBody("210 OK\r\nrock 1202ce03 Someone / Something\r\n.\r\n");
    result = testsupport::RunTunemoss({"cddb", "query", "--server", address, "--cue", cue});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "rock 1202ce03 Someone / Something\n");
    EXPECT_NE(server.LastRequest().find("cmd=cddb+query+1202ce03+3+150+14250+31500+718&"),
              std::string::npos);

    server.QueueBody(kRecordBody);
    result = testsupport::RunTunemoss({"cddb", "read", "--server", address, "rock", "1202ce03"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("Artist: Someone\nTitle: Something\n"), std::string::npos);
    EXPECT_NE(result.out.find("Track 2: B (offset 14250)\n"), std::string::npos);

    // Our own name, protocol level 6 (UTF-8), and the user named by the e-mail
    // address given, never by this machine's login and host name.
    EXPECT_NE(server.LastRequest().find("&hello=anonymous+localhost+Tunemoss+" TUNEMOSS_VERSION
                                        "&proto=6 HTTP/1.0\r\nHost: " +
                                        address + "\r\n"),
              std::string::npos)
        << server.LastRequest();
    server.QueueBody("210 OK\r\nus.example.org http 8080 /cgi N037.30 W122.15 West\r\n.\r\n");
    result = testsupport::RunTunemoss(
        {"cddb", "sites", "--server", address, "--email", "tester@example.org", "--protocol", "5"});
    EXPECT_EQ(result.out, "us.example.org 8080 /cgi N037.30 W122.15 West\n");
    EXPECT_NE(server.LastRequest().find("&hello=tester+example.org+Tunemoss+" TUNEMOSS_VERSION
                                        "&proto=5 "),
              std::string::npos)
        << server.LastRequest();
    // The address in the settings serves when none is given.
    ASSERT_EQ(CAppRegKey().SetCddbEmail("fan@example.net"), 1);
    server.QueueBody("210 MOTD\r\nx\r\n.\r\n");
    result = testsupport::RunTunemoss({"cddb", "motd", "--server", address});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_NE(server.LastRequest().find("&hello=fan+example.net+Tunemoss+"), std::string::npos);
    ASSERT_EQ(CAppRegKey().SetCddbEmail(""), 1);
    // The public server bans clients that send no address: nothing is sent.
    result = testsupport::RunTunemoss({"cddb", "motd", "--server", "gnudb.gnudb.org"});
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("--email"), std::string::npos) << result.err;

    server.QueueBody("202 No match\r\n");
    result = testsupport::RunTunemoss(
        {"cddb", "query", "--server", address, "--toc", "150 14250 31500 54000"});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("no match"), std::string::npos);

    server.QueueBody("500 Command syntax error\r\n");
    result = testsupport::RunTunemoss({"cddb", "motd", "--server", address});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "tunemoss: " + address +
                              ": The server's answer was not understood (the server said: 500 "
                              "Command syntax error)\n");

    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"cddb"},
                                               {"cddb", "sites"},
                                               {"cddb", "sites", "--server", "host:99999"},
                                               {"cddb", "read", "--server", "h", "rock", "xyz"},
                                               {"cddb", "query", "--server", "h"},
                                               {"cddb", "discid"},
                                               {"cddb", "motd", "--server", "h", "--email", "me"},
                                               {"cddb", "motd", "--server", "h", "--protocol", "7"},
                                               {"cddb", "eject"}}) {
        EXPECT_EQ(testsupport::RunTunemoss(args).status, 2) << args.back();
    }
}
