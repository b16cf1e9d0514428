// Song types, the shared helpers, and CSongFile on local files and URLs.
#include <gtest/gtest.h>

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cstring>

#include <algorithm>
#include <chrono>
#include <thread>

#include "songcore/songfile/ContentWriter.h"
#include "songcore/songfile/SongFile.h"
#include "songcore/tags/SongFileInfo.h"
#include "songcore/util/BlockSource.h"
#include "songcore/util/NetworkDeadline.h"
#include "support/HttpTestServer.h"
#include "support/ServerProcess.h"
#include "support/TestSupport.h"

using testsupport::TempDir;

TEST(SongType, ToldByExtensionAndUrlScheme) {
    EXPECT_EQ(GetSongType("/music/Song.MP3"), 0x0081u);
    EXPECT_EQ(GetSongType("  /music/a.Flac  "), 0x2001u);
    EXPECT_EQ(GetSongType("http://host/track.wma"), 0x0802u);
    EXPECT_EQ(GetSongType("HTTPS://host/a/b.ogg"), 0x0102u);
    EXPECT_EQ(GetSongType("mms://radio/stream.asf"), 0x0802u);
    EXPECT_EQ(GetSongType("/a.b/song"), 0x0001u);
    EXPECT_EQ(GetSongType("noext"), 0x0001u);
    EXPECT_EQ(GetSongType("x.mp+"), 0x8001u);
    EXPECT_EQ(GetSongType("x.apl"), 0x4001u);
    EXPECT_EQ(GetSongType("x.wav"), 0x10001u);
    EXPECT_EQ(GetSongType("x.AIFF"), 0x20001u);
    EXPECT_EQ(GetSongType("x.aifc"), 0x20001u);
    EXPECT_EQ(GetSongType("x.dsf"), 0x40001u);
    EXPECT_EQ(GetSongType("x.wv"), 0x80001u);
    EXPECT_EQ(GetSongType("x.mid"), 0x0001u);
    EXPECT_EQ(GetSongType("x.mka"), 0x100001u);
    EXPECT_EQ(GetSongType("x.WebM"), 0x100001u);
    EXPECT_EQ(GetSongType("x.mkv"), 0x100001u);
    EXPECT_EQ(GetSongType("x.M4A"), 0x0201u);
    EXPECT_EQ(GetSongType("x.3gp"), 0x0201u);
    EXPECT_EQ(GetSongType("x.ra"), 0x0401u);
    // A colon alone is a file name, not a location.
    EXPECT_EQ(GetSongType("/music/a:b.mp3"), 0x0081u);
    EXPECT_EQ(GetSongType("1http://x/a.mp3"), 0x0081u);

    EXPECT_EQ(GetFileExt("/a.b/song"), "b/song");
    EXPECT_EQ(GetFileExt("song"), "");
    EXPECT_EQ(GetFileExt("x.tar.gz"), "gz");
}

TEST(SharedHelpers, ByteSwapsAndEightByteFields) {
    EXPECT_EQ(InvertValue(uint32_t{0x11223344}), 0x44332211u);
    EXPECT_EQ(InvertValue(uint16_t{0xAABB}), 0xBBAA);
    uint64_t field = LongToDouble(5);
    const auto* bytes = reinterpret_cast<const uint8_t*>(&field);
    EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + 8),
              (std::vector<uint8_t>{5, 0, 0, 0, 0, 0, 0, 0}));
    uint8_t raw[8] = {0x78, 0x56, 0x34, 0x12, 0xFF, 0xFF, 0xFF, 0xFF};
    uint64_t stored;
    std::memcpy(&stored, raw, 8);
    EXPECT_EQ(DoubleToLong(stored), 0x12345678u);

    EXPECT_EQ(StringToUnicode("abc", nullptr), 8);
    uint8_t buffer[16];
    EXPECT_EQ(StringToUnicode("\xC3\xA9", buffer), 4);
    EXPECT_EQ(buffer[0], 0xE9);
    EXPECT_EQ(buffer[2], 0);
    const char16_t text[] = u"Ünïcode";
    EXPECT_EQ(UnicodeToString(text),
              "\xC3\x9Cn\xC3\xAF"
              "code");
}

TEST(SongFile, ClosedObjectFailsWithTheDesignedValues) {
    CSongFile file;
    uint8_t buffer[4];
    EXPECT_EQ(file.GetLength(), 0xFFFFFFFFu);
    EXPECT_EQ(file.Read(buffer, 4), 0u);
    EXPECT_EQ(file.Write(buffer, 4), 0);
    EXPECT_EQ(file.Seek(0, 0), 0);
    EXPECT_EQ(file.SeekToEnd(), 0u);
    EXPECT_EQ(file.GetPosition(), 0u);
    EXPECT_EQ(file.SetLength(0), 0);
    EXPECT_EQ(file.GetTimeOut(), 5);
    file.SeekToBegin();
    file.Close();
}

TEST(SongFile, MissingFileKeepsItsNameExactlyAndSaysWhy) {
    CSongFile file;
    EXPECT_EQ(file.Open("  /no/such/dir/song.mp3 ", CSongFile::modeRead), 0);
    EXPECT_EQ(file.GetFileName(), "  /no/such/dir/song.mp3 ");
    EXPECT_EQ(file.Open("/no/such/dir/song.mp3", CSongFile::modeRead), 0);
    EXPECT_EQ(file.GetSongType(), 0x0081u);
    EXPECT_NE(file.GetErrorMessage().find("No such file"), std::string::npos);
    TempDir dir;
    EXPECT_EQ(file.Open(dir.path() + "/", CSongFile::modeRead), 0);  // a folder
    EXPECT_FALSE(file.GetErrorMessage().empty());
}

TEST(SongFile, ReadsWritesSeeksAndTruncatesLocalFiles) {
    TempDir dir;
    std::string path = dir.file("t.mp3");
    CSongFile file;
    ASSERT_EQ(file.Open(path, 0x9042), 1);  // create, read and write
    EXPECT_EQ(file.Write("0123456789", 10), 1);
    EXPECT_EQ(file.GetLength(), 10u);
    EXPECT_EQ(file.GetPosition(), 10u);
    EXPECT_EQ(file.Seek(-4, 2), 1);
    char buffer[16] = {};
    EXPECT_EQ(file.Read(buffer, 16), 4u);  // a short read at the end is not a failure
    EXPECT_STREQ(buffer, "6789");
    EXPECT_EQ(file.Seek(-3, 1), 1);
    EXPECT_EQ(file.GetPosition(), 7u);
    EXPECT_EQ(file.Seek(-100, 1), 0);  // before the start
    EXPECT_EQ(file.GetPosition(), 7u);
    EXPECT_EQ(file.SeekToEnd(), 10u);
    // Writing after a read must not serve stale buffered bytes.
    file.SeekToBegin();
    file.Read(buffer, 2);
    file.Seek(0, 0);
    file.Write("AB", 2);
    file.Seek(0, 0);
    EXPECT_EQ(file.Read(buffer, 3), 3u);
    EXPECT_EQ(std::string(buffer, 3), "AB2");
    EXPECT_EQ(file.SetLength(4), 1);
    EXPECT_EQ(file.GetLength(), 4u);
    EXPECT_EQ(file.SetTimeOut(9, 1), 0);  // local files have no time-out
    EXPECT_EQ(file.GetTimeOut(), 5);

    std::vector<uint8_t> out;
    EXPECT_TRUE(file.ReadExact(1, 3, out));
    EXPECT_FALSE(file.ReadExact(2, 3, out));  // past the end: refused before allocating
    EXPECT_FALSE(file.ReadExact(0, SIZE_MAX, out));
}

// The read buffer takes a file's last bytes when a read lands near its end;
// every read must still give the bytes at the asked offset, also when another
// program shortens or extends the file after it was opened.
TEST(SongFile, BufferedReadsNearBothEndsMatchTheFile) {
    TempDir dir;
    std::string path = dir.file("t.mp3");
    std::string content;
    for (int i = 0; content.size() < 20000; ++i) {
        content += std::to_string(i) + ",";
    }
    {
        CSongFile writer;
        ASSERT_EQ(writer.Open(path, 0x9042), 1);
        ASSERT_EQ(writer.Write(content.data(), static_cast<unsigned>(content.size())), 1);
    }
    {
        CSongFile file;
        ASSERT_EQ(file.Open(path, 0), 1);
        std::vector<uint8_t> out;
        auto at = [&](size_t offset, size_t count) {
            return file.ReadExact(offset, count, out) ? std::string(out.begin(), out.end())
                                                      : std::string("<failed>");
        };
        for (size_t offset : {content.size() - 128, content.size() - 32, content.size() - 9000,
                              size_t{0}, size_t{10}, size_t{8190}, content.size() - 1}) {
            size_t count = std::min<size_t>(100, content.size() - offset);
            EXPECT_EQ(at(offset, count), content.substr(offset, count)) << offset;
        }
    }

    // Cut short by someone else: the reads past the new end fail, though
    // the read buffers this file gets were filled from the longer one.
    ASSERT_EQ(::truncate(path.c_str(), 5000), 0);
    CSongFile shortened;
    ASSERT_EQ(shortened.Open(path, 0), 1);
    ASSERT_EQ(::truncate(path.c_str(), 3000), 0);
    char buffer[64];
    EXPECT_EQ(shortened.ReadAt(4900, buffer, 64), 0);
    EXPECT_EQ(shortened.ReadAt(2990, buffer, 64), 10);
    EXPECT_EQ(std::string(buffer, 10), content.substr(2990, 10));

    // Grown by someone else: the new bytes can be read.
    ASSERT_EQ(::truncate(path.c_str(), 3100), 0);
    EXPECT_EQ(shortened.ReadAt(3000, buffer, 64), 64);
}

TEST(BlockSource, ABlockHandedOnHoldsOnlyTheNextRegionsBytes) {
    const std::vector<uint8_t> longer(100000, 'L');
    const std::vector<uint8_t> shorter(300, 'S');
    {
        songcore::BlockSource first(songcore::SpanReader(longer), longer.size());
        ASSERT_EQ(first.get(0, 70000).size(), 70000u);
    }
    songcore::BlockSource second(songcore::SpanReader(shorter), shorter.size());
    EXPECT_TRUE(second.get(200, 200).empty());
    std::span<const uint8_t> got = second.get(0, 300);
    ASSERT_EQ(got.size(), 300u);
    EXPECT_EQ(std::count(got.begin(), got.end(), 'S'), 300);
    EXPECT_TRUE(second.get(250, 100).empty());
}

TEST(SongFile, ReadOnlyFileRefusesWrites) {
    TempDir dir;
    std::string path = dir.file("ro.mp3");
    testsupport::WriteFileBytes(path, {1, 2, 3});
    CSongFile file;
    ASSERT_EQ(file.Open(path, CSongFile::modeRead | CSongFile::typeBinary), 1);
    EXPECT_EQ(file.Write("x", 1), 0);
    EXPECT_EQ(file.SetLength(0), 0);
    // A whole-file rewrite does not go around the read-only open either.
    EXPECT_EQ(file.ReplaceContents([](songcore::ContentWriter& out) { return out.append("y", 1); }),
              0);
    EXPECT_EQ(testsupport::ReadFileBytes(path), (std::vector<uint8_t>{1, 2, 3}));
}

TEST(SongFile, ReplaceContentsStreamsTheOldFileAndReopens) {
    TempDir dir;
    std::string path = dir.file("r.mp3");
    testsupport::WriteFileBytes(path, {1, 2, 3, 4});
    CSongFile file;
    ASSERT_EQ(file.Open(path, CSongFile::modeReadWrite), 1);
    ASSERT_EQ(file.ReplaceContents([&](songcore::ContentWriter& out) {
        return out.append("hd", 2) && file.CopyRange(out, 1, 3);
    }),
              1);
    EXPECT_EQ(testsupport::ReadFileBytes(path), (std::vector<uint8_t>{'h', 'd', 2, 3, 4}));
    EXPECT_EQ(file.GetLength(), 5u);  // the record holds the new file
    EXPECT_EQ(file.Write("z", 1), 1);
    // A failing fill leaves the file exactly as it was.
    EXPECT_EQ(file.ReplaceContents(
                  [&](songcore::ContentWriter& out) { return file.CopyRange(out, 0, 1000); }),
              0);
    EXPECT_EQ(testsupport::ReadFileBytes(path), (std::vector<uint8_t>{'z', 'd', 2, 3, 4}));
}

class SongFileOverHttp : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::CopyDataFile(dir, "id3v1/v11.mp3", "song.mp3");
        // Larger than one cache block, so reads cross block boundaries.
        std::vector<uint8_t> big(200 * 1024);
        for (size_t i = 0; i < big.size(); ++i) {
            big[i] = static_cast<uint8_t>(i * 7 + i / 256);
        }
        testsupport::WriteFileBytes(dir.file("big.mp3"), big);
        server = std::make_unique<testsupport::HttpTestServer>(dir.path());
        ASSERT_TRUE(server->ok());
    }
    TempDir dir;
    std::unique_ptr<testsupport::HttpTestServer> server;
};

TEST_F(SongFileOverHttp, ReadsATaggedSongWithRangeRequests) {
    CSongFileInfo info;
    ASSERT_EQ(info.Open(server->url("song.mp3"), 1, 0), 1) << info.GetErrorMessage();
    EXPECT_EQ(info.GetSongType(), SONG_TYPE_INTERNET | SONG_TYPE_MPA);
    EXPECT_EQ(info.GetLength(), testsupport::ReadFileBytes(dir.file("song.mp3")).size());
    ASSERT_EQ(info.GetSongInfo(), 1);
    EXPECT_EQ(info.GetTitle(), "Caf\xC3\xA9 del Mar");
    EXPECT_EQ(info.GetTrackNum(), 7u);
    EXPECT_NE(server->log().find("bytes=0-"), std::string::npos);
    // Internet locations are read only.
    EXPECT_EQ(info.Write("x", 1), 0);
    EXPECT_EQ(info.SetLength(1), 0);
    EXPECT_EQ(info.WriteID3V1Info(), 0);
    EXPECT_EQ(info.SetTimeOut(10, 1), 1);
    EXPECT_EQ(info.GetTimeOut(), 10);
}

TEST_F(SongFileOverHttp, RandomAccessAcrossBlocksMatchesTheFile) {
    std::vector<uint8_t> expected = testsupport::ReadFileBytes(dir.file("big.mp3"));
    for (const std::string& name : {std::string("big.mp3"), std::string("norange/big.mp3")}) {
        CSongFile file;
        ASSERT_EQ(file.Open(server->url(name), 0), 1) << name << ": " << file.GetErrorMessage();
        ASSERT_EQ(file.GetLength(), expected.size()) << name;
        std::vector<uint8_t> got;
        for (uint64_t offset : {uint64_t{0}, uint64_t{65530}, uint64_t{150000}, uint64_t{204790}}) {
            size_t count = std::min<size_t>(20000, expected.size() - offset);
            ASSERT_TRUE(file.ReadExact(offset, count, got)) << name << " at " << offset;
            EXPECT_TRUE(std::equal(got.begin(), got.end(), expected.begin() + offset)) << name;
        }
        EXPECT_EQ(file.Seek(1, 2), 0);  // past the end of a URL
    }
}

TEST_F(SongFileOverHttp, MissingUrlsAndClosedPortsFail) {
    CSongFile file;
    EXPECT_EQ(file.Open(server->url("missing.mp3"), 0), 0);
    EXPECT_NE(file.GetErrorMessage().find("404"), std::string::npos) << file.GetErrorMessage();
    // A port nothing listens on: refused quickly, within the connect time-out.
    EXPECT_EQ(file.Open("http://127.0.0.1:1/x.mp3", 0), 0);
    EXPECT_FALSE(file.GetErrorMessage().empty());
}

TEST_F(SongFileOverHttp, TerminateCutsReadsShort) {
    CSongFileInfo info;
    ASSERT_EQ(info.Open(server->url("big.mp3"), 1, 0), 1);
    std::thread stopper([&] { info.Terminate(); });
    stopper.join();
    EXPECT_EQ(info.IsTerminate(), 1);
    uint8_t buffer[16];
    info.Seek(100000, 0);
    EXPECT_EQ(info.Read(buffer, 16), 0u);
}

// Servers that trickle data or send the client elsewhere.
class SongFileOverHostileHttp : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_GT(server.port(), 0);
        base = "http://127.0.0.1:" + std::to_string(server.port());
    }
    void TearDown() override { songcore::SetTransferDeadlineMs(0); }
    testsupport::ServerProcess server{"hostile_server.py", {}};
    std::string base;
};

TEST_F(SongFileOverHostileHttp, ATricklingServerIsGivenUpAtTheDeadline) {
    songcore::SetTransferDeadlineMs(600);
    for (const char* path : {"/drip/song.mp3", "/drip/other.ogg"}) {
        CSongFileInfo info;
        auto started = std::chrono::steady_clock::now();
        EXPECT_EQ(info.Open(base + path, 1, 0), 0) << path;
        auto took = std::chrono::steady_clock::now() - started;
        EXPECT_GE(took, std::chrono::milliseconds(500)) << path;
        // The drip goes on for a minute: half of that is still the deadline.
        EXPECT_LT(took, std::chrono::seconds(30)) << path;
        EXPECT_NE(info.GetErrorMessage().find("did not finish sending within 0.6 s"),
                  std::string::npos)
            << info.GetErrorMessage();
    }
}

TEST_F(SongFileOverHostileHttp, ATerminateCutsOffADownloadBeingOpened) {
    // The first request of an open runs before the record has a stream; a
    // Terminate from another thread must still end it, not wait it out.
    CSongFileInfo info;
    std::thread stopper([&] {
        // The server has the request: the open is in its first download.
        testsupport::WaitUntil(
            [&] { return server.Get("/log").find("/drip/song.mp3") != std::string::npos; });
        info.Terminate();
    });
    auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(info.Open(base + "/drip/song.mp3", 1, 0), 0);
    // Waited out, the drip would take a minute.
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(30));
    stopper.join();

    // A Terminate that comes before the open cancels it too.
    CSongFileInfo early;
    early.Terminate();
    EXPECT_EQ(early.Open(base + "/drip/other.ogg", 1, 0), 0);
    EXPECT_EQ(early.GetErrorMessage(), "cancelled");
}

TEST_F(SongFileOverHostileHttp, OnlyHttpAndHttpsAreFollowed) {
    // Something that would notice a connection, were the ftp:// redirect
    // followed.
    int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(listener, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 4), 0);
    ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
    std::string ftp = "ftp://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/x.mp3";

    CSongFile file;
    EXPECT_EQ(file.Open(base + "/redirect?to=" + ftp, 0), 0);
    EXPECT_NE(file.GetErrorMessage().find("redirected"), std::string::npos)
        << file.GetErrorMessage();
    EXPECT_EQ(file.Open(base + "/redirect?to=file:///etc/hostname", 0), 0);
    EXPECT_NE(file.GetErrorMessage().find("redirected"), std::string::npos)
        << file.GetErrorMessage();
    pollfd waiting{listener, POLLIN, 0};
    EXPECT_EQ(::poll(&waiting, 1, 200), 0) << "the ftp:// location was contacted";
    ::close(listener);

    // Asked for directly, other schemes are refused before any transfer.
    for (const std::string& url : {ftp, std::string("file:///etc/hostname")}) {
        EXPECT_EQ(file.Open(url, 0), 0) << url;
        EXPECT_EQ(file.GetErrorMessage(), "only http:// and https:// locations can be read");
    }
    // A redirect from one http location to another still works.
    EXPECT_EQ(file.Open(base + "/redirect?to=" + base + "/missing", 0), 0);
    EXPECT_NE(file.GetErrorMessage().find("404"), std::string::npos) << file.GetErrorMessage();
}
