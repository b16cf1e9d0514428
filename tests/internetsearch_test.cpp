// The internet song search: the link scanner, request paths, and whole
// searches against a small web service on 127.0.0.1.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>

#include "songcore/search/InternetSongSearch.h"
#include "songcore/search/ResultPage.h"
#include "songcore/util/NetworkDeadline.h"
#include "support/SearchServer.h"
#include "support/TestSupport.h"

using namespace std::chrono_literals;
using testsupport::SearchServer;
using testsupport::TempDir;

namespace {

std::vector<std::string> Links(std::string_view line, std::string_view extensions) {
    std::vector<std::string> links;
    songcore::FindSongLinks(
        line, extensions, [] { return true; },
        [&](std::string_view link) { links.emplace_back(link); });
    return links;
}

using List = std::vector<std::string>;

TEST(SongLinks, OneLinkPerExtensionEndingAtItsLastOccurrence) {
    // Matched in any case, reported as the page has it.
    EXPECT_EQ(Links("a href=HTTP://Server/Music/Song.MP3 target=x", "mp3"),
              List{"HTTP://Server/Music/Song.MP3"});
    EXPECT_EQ(Links("http://s/one.mp3 and http://s/two.mp3", "mp3"), List{"http://s/two.mp3"});
    EXPECT_EQ(Links("http://s/a.mp3 http://s/b.wma", "MP3;WMA"),
              (List{"http://s/a.mp3", "http://s/b.wma"}));
    // The second extension is looked for only after the first link.
    EXPECT_EQ(Links("http://s/b.wma http://s/a.mp3", "mp3;wma"), List{"http://s/a.mp3"});
    EXPECT_EQ(Links("see rtsp://server/x.rm", "rm"), List{"rtsp://server/x.rm"});
    EXPECT_EQ(Links("<a href='https://s/Track.Ogg?x=1'>", "ogg"), List{"https://s/Track.Ogg"});
    EXPECT_EQ(Links("mms://m/r.wma", "wma"), List{"mms://m/r.wma"});
    EXPECT_TRUE(Links("file.mp3", "mp3").empty());
    EXPECT_TRUE(Links("ftp://s/file.mp3", "mp3").empty());
    // The last scheme before the extension starts the link.
    EXPECT_EQ(Links("http://a/ http://b/c.mp3", "mp3"), List{"http://b/c.mp3"});
}

TEST(SongLinks, AStrangeExtensionNeverYieldsALinkWithoutIt) {
    // An extension that holds a scheme itself must not start a link inside
    // the extension (the link would then lack the extension).
    EXPECT_EQ(Links("x http://s/a.b/http://c y", "b/http://c"), List{"http://s/a.b/http://c"});
    EXPECT_TRUE(Links("x.b/http://c", "b/http://c").empty());
}

TEST(SongLinks, AnEmptyExtensionEndsTheList) {
    EXPECT_TRUE(Links("http://s/a.mp3", "").empty());
    EXPECT_TRUE(Links("http://s/a.mp3", ";mp3").empty());
    EXPECT_EQ(Links("http://s/a.mp3 http://s/b.ogg", "mp3;;ogg"), List{"http://s/a.mp3"});
}

TEST(SongLinks, AStopBetweenExtensionsEndsTheScan) {
    int polls = 0;
    size_t count = songcore::FindSongLinks(
        "http://s/a.mp3 http://s/b.wma", "mp3;wma", [&] { return ++polls < 2; },
        [](std::string_view) {});
    EXPECT_EQ(count, 1u);
}

TEST(RequestPath, FillsQueryAndOffsetWithoutPrintf) {
    using songcore::FillRequestPath;
    EXPECT_EQ(FillRequestPath("/find?p=%s&b=%d&mimetype=mp3", "beatles", 31),
              "/find?p=beatles&b=31&mimetype=mp3");
    EXPECT_EQ(FillRequestPath("/f?b=%d&p=%s&s=%s", "x", 4294967295u), "/f?b=4294967295&p=x&s=x");
    // printf would read arguments that are not there for these.
    EXPECT_EQ(FillRequestPath("/f?%n%x%%=%s%", "q", 1), "/f?%n%x%=q%");
    // Blanks and non-ASCII letters are encoded; URL syntax in the query is kept.
    EXPECT_EQ(FillRequestPath("/f?q=%s", "pink floyd&x=Ä#1", 0), "/f?q=pink%20floyd&x=%C3%84%231");
    EXPECT_EQ(FillRequestPath("/f?q=%s", "a%20b", 0), "/f?q=a%20b");
}

class Recorder : public CInternetSongSearch {
public:
    ~Recorder() override {
        Stop();
        Wait();
    }
    List Found() {
        std::lock_guard lock(mutex_);
        return links_;
    }
    // Runs a query to its end.
    List Query(const std::string& format, const std::string& query, uint32_t first, uint32_t step,
               const std::string& extensions) {
        PostQuery(format, query, first, step, extensions);
        Wait();
        return Found();
    }
    int Scan(const std::string& file, const std::string& extensions) {
        return AnalyseFile(nullptr, file, extensions);
    }

protected:
    void MusicFile(const std::string& link) override {
        std::lock_guard lock(mutex_);
        links_.push_back(link);
    }

private:
    std::mutex mutex_;
    List links_;
};

class InternetSearch : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        testsupport::ClearProxyEnvironment();
        server_ = new SearchServer();
    }
    static void TearDownTestSuite() {
        delete server_;
        server_ = nullptr;
    }
    void SetUp() override {
        // Every temporary page goes here, so the test can see it removed.
        ::setenv("TMPDIR", temp_.path().c_str(), 1);
    }
    void TearDown() override {
        EXPECT_TRUE(std::filesystem::is_empty(temp_.path()));
        ::unsetenv("TMPDIR");
    }
    // How many pages have begun to arrive, by the temporary files that hold
    // something.
    size_t PagesBegun() const {
        size_t begun = 0;
        std::error_code error;
        for (std::filesystem::directory_iterator it(temp_.path(), error), end; !error && it != end;
             it.increment(error)) {
            std::error_code gone;  // a page may be removed meanwhile
            begun += std::filesystem::file_size(it->path(), gone) > 0 && !gone ? 1 : 0;
        }
        return begun;
    }
    // The requests since the previous call.
    List Requests() {
        std::string log = server_->log();
        List all;
        for (size_t start = 0, end; (end = log.find('\n', start)) != std::string::npos;
             start = end + 1) {
            all.push_back(log.substr(start, end - start));
        }
        List fresh(all.begin() + static_cast<long>(std::min(seen_, all.size())), all.end());
        seen_ = all.size();
        return fresh;
    }

    static SearchServer* server_;
    static size_t seen_;
    TempDir temp_;
};
SearchServer* InternetSearch::server_ = nullptr;
size_t InternetSearch::seen_ = 0;

TEST_F(InternetSearch, PagesOnWhilePagesHoldLinks) {
    Recorder search;
    Requests();
    ASSERT_EQ(search.Connect("127.0.0.1", server_->port()), 1) << search.GetErrorMessage();
    List links = search.Query("/list?q=%s&b=%d", "some song", 1, 30, "rm;mp3;wma");
    EXPECT_EQ(links,
              (List{"HTTP://Songs.Example/Music/Song One.MP3", "rtsp://stream.example/Live/Show.RM",
                    "https://secure.example/Tracks/Two.mp3", "http://songs.example/b.mp3",
                    "http://songs.example/c.mp3", "http://songs.example/d.wma",
                    "mms://media.example/Radio/E.WMA"}));
    EXPECT_EQ(Requests(), (List{"/list?q=some%20song&b=1", "/list?q=some%20song&b=31",
                                "/list?q=some%20song&b=61", "/list?q=some%20song&b=91"}));
    EXPECT_EQ(search.IsSearching(), 0);
    EXPECT_EQ(search.GetErrorMessage(), "");
}

TEST_F(InternetSearch, AFirstPageWithoutLinksEndsTheSearch) {
    Recorder search;
    Requests();
    ASSERT_EQ(search.Connect(server_->base(), 0), 1) << search.GetErrorMessage();
    EXPECT_TRUE(search.Query("/empty?q=%s&b=%d", "x", 0, 10, "mp3").empty());
    EXPECT_EQ(Requests(), List{"/empty?q=x&b=0"});
    // A step of 0 fetches one page, never the same page for ever.
    EXPECT_EQ(search.Query("/list?q=%s&b=%d", "x", 31, 0, "mp3").size(), 2u);
    EXPECT_EQ(Requests(), List{"/list?q=x&b=31"});
}

TEST_F(InternetSearch, AnErrorPageIsNotScanned) {
    Recorder search;
    ASSERT_EQ(search.Connect(server_->base() + "/", 0), 1);
    EXPECT_TRUE(search.Query("/missing?%s%d", "x", 0, 1, "mp3").empty());
    EXPECT_NE(search.GetErrorMessage().find("404"), std::string::npos);
}

TEST_F(InternetSearch, StopDuringADownloadReportsNothingFromThatPage) {
    Recorder search;
    Requests();
    ASSERT_EQ(search.Connect(server_->base(), 0), 1);
    search.PostQuery("/slow?q=%s&b=%d", "x", 0, 1, "mp3");
    testsupport::WaitUntil([&] { return PagesBegun() >= 1; });  // its line with a link
    EXPECT_EQ(search.IsSearching(), 1);
    auto stopped = std::chrono::steady_clock::now();
    search.Stop();
    search.Wait();
    // The page trickles on for 30 s: half of that is still the stop.
    EXPECT_LT(std::chrono::steady_clock::now() - stopped, 15s);
    EXPECT_TRUE(search.Found().empty());
    // Stop ended the connection: a new query needs a new Connect.
    EXPECT_TRUE(search.Query("/list?q=%s&b=%d", "x", 1, 30, "mp3").empty());
    ASSERT_EQ(search.Connect(server_->base(), 0), 1);
    EXPECT_EQ(search.Query("/list?q=%s&b=%d", "x", 61, 30, "wma").size(), 1u);
}

TEST_F(InternetSearch, DestroyingASearchMidDownloadIsSafe) {
    std::chrono::steady_clock::time_point destroyed;
    {
        Recorder search;
        ASSERT_EQ(search.Connect(server_->base(), 0), 1);
        search.PostQuery("/slow?q=%s&b=%d", "x", 0, 1, "mp3");
        search.PostQuery("/slow?q=%s&b=%d", "y", 0, 1, "mp3");
        testsupport::WaitUntil([&] { return PagesBegun() == 2; });
        destroyed = std::chrono::steady_clock::now();
    }
    // Both pages trickle on for 30 s: half of that is still the stop.
    EXPECT_LT(std::chrono::steady_clock::now() - destroyed, 15s);
}

TEST_F(InternetSearch, APageThatTricklesIsGivenUpAtTheDeadline) {
    songcore::SetTransferDeadlineMs(600);
    Recorder search;
    ASSERT_EQ(search.Connect(server_->base(), 0), 1);
    auto started = std::chrono::steady_clock::now();
    EXPECT_TRUE(search.Query("/slow?q=%s&b=%d", "x", 0, 1, "mp3").empty());
    auto took = std::chrono::steady_clock::now() - started;
    songcore::SetTransferDeadlineMs(0);
    EXPECT_GE(took, 500ms);
    EXPECT_LT(took, 15s);
    EXPECT_NE(search.GetErrorMessage().find("did not send the page within 0.6 s"),
              std::string::npos)
        << search.GetErrorMessage();
}

TEST_F(InternetSearch, ConnectRefusesWhatCannotBeReached) {
    Recorder search;
    EXPECT_EQ(search.Connect("127.0.0.1", testsupport::UnusedPort()), 0);
    EXPECT_NE(search.GetErrorMessage(), "");
    EXPECT_EQ(search.Connect("ftp://127.0.0.1", server_->port()), 0);
    EXPECT_EQ(search.Connect(server_->base() + "/list", 0), 0);
    EXPECT_EQ(search.Connect("", 80), 0);
    EXPECT_EQ(search.Connect("bad host name", 80), 0);
    // Without a connection a query ends at once.
    EXPECT_TRUE(search.Query("/list?q=%s&b=%d", "x", 1, 30, "mp3").empty());
    EXPECT_EQ(search.IsSearching(), 0);
}

TEST_F(InternetSearch, ScansSavedPagesLineByLine) {
    Recorder search;
    std::string page = temp_.file("page.html");
    std::string text = "http://a/x.mp3\r\nhttp://b/\ny.mp3 http://c/z.MP3";
    testsupport::WriteFileBytes(page, std::vector<uint8_t>(text.begin(), text.end()));
    EXPECT_EQ(search.Scan(page, "mp3"), 1);
    // A link never spans two lines; the last line needs no line break.
    EXPECT_EQ(search.Found(), (List{"http://a/x.mp3", "http://c/z.MP3"}));
    EXPECT_EQ(search.Scan(temp_.file("missing"), "mp3"), 0);
    std::filesystem::remove(page);
}

TEST_F(InternetSearch, CommandPrintsEachLink) {
    std::string url = server_->base() + "/list?q=%s&b=%d";
    auto result = testsupport::RunTunemoss(
        {"search", "--web", url, "--query", "q", "--ext", "wma", "--first", "31"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "http://songs.example/d.wma\nmms://media.example/Radio/E.WMA\n");

    result = testsupport::RunTunemoss(
        {"search", "--web",
         "http://127.0.0.1:" + std::to_string(testsupport::UnusedPort()) + "/?q=%s&b=%d", "--query",
         "q"});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("cannot connect"), std::string::npos) << result.err;

    result = testsupport::RunTunemoss(
        {"search", "--web", server_->base() + "/missing?q=%s", "--query", "q"});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("404"), std::string::npos) << result.err;

    EXPECT_EQ(testsupport::RunTunemoss({"search", "--web", url}).status, 2);
    EXPECT_EQ(
        testsupport::RunTunemoss({"search", "--web", url, "--query", "q", "--step", "x"}).status,
        2);
}

}  // namespace
