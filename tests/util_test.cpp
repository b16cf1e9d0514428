// The byte, text and file-replacement helpers every format relies on.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "songcore/util/Base64.h"
#include "songcore/util/ByteReader.h"
#include "songcore/util/ByteWriter.h"
#include "songcore/util/SafeFileReplace.h"
#include "songcore/util/Text.h"
#include "support/TestSupport.h"

using namespace songcore;
using testsupport::TempDir;

namespace {
std::vector<uint8_t> Bytes(std::initializer_list<int> values) {
    std::vector<uint8_t> out;
    for (int v : values) {
        out.push_back(static_cast<uint8_t>(v));
    }
    return out;
}
}  // namespace

TEST(ByteReader, ReadsBothByteOrdersAndStopsAtTheEnd) {
    auto data = Bytes({0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0, 0x01});
    ByteReader reader(data);
    EXPECT_EQ(reader.u16be(), 0x1234);
    EXPECT_EQ(reader.u16le(), 0x7856);
    EXPECT_EQ(reader.u24be(), 0x9ABCDEu);
    EXPECT_TRUE(reader.ok());
    // Two bytes left: a 32-bit read fails without moving and returns 0.
    EXPECT_EQ(reader.u32be(), 0u);
    EXPECT_FALSE(reader.ok());
    EXPECT_EQ(reader.pos(), 7u);
    // Once failed, every later read fails too, so one check at the end suffices.
    EXPECT_EQ(reader.u8(), 0);

    auto eight = Bytes({1, 2, 3, 4, 5, 6, 7, 8});
    ByteReader wide(eight);
    EXPECT_EQ(wide.u64be(), 0x0102030405060708ull);
    ByteReader wideLe(eight);
    EXPECT_EQ(wideLe.u64le(), 0x0807060504030201ull);
}

TEST(ByteReader, SynchsafeNumbersRejectHighBits) {
    auto goodBytes = Bytes({0x00, 0x00, 0x02, 0x01});
    auto badBytes = Bytes({0x00, 0x80, 0x00, 0x00});
    ByteReader good(goodBytes);
    EXPECT_EQ(good.synchsafe32(), 257u);
    EXPECT_TRUE(good.ok());
    ByteReader bad(badBytes);
    bad.synchsafe32();
    EXPECT_FALSE(bad.ok());
}

TEST(ByteReader, StringsAndCStringsStayInsideTheBuffer) {
    std::string text("abc\0def", 7);
    ByteReader reader(text.data(), 7);
    EXPECT_EQ(reader.cString(10), "abc");
    EXPECT_EQ(reader.pos(), 4u);
    EXPECT_EQ(reader.cString(10), "def");  // no terminator: up to the end
    EXPECT_TRUE(reader.atEnd());
    EXPECT_TRUE(reader.string(1).empty());
    EXPECT_FALSE(reader.ok());

    ByteReader huge(text.data(), 7);
    EXPECT_TRUE(huge.bytes(SIZE_MAX).empty());  // no overflow on a huge length
    EXPECT_FALSE(huge.ok());
    EXPECT_FALSE(ByteReader(text.data(), 7).has(8));
}

TEST(ByteWriter, WritesWhatTheReaderReadsBack) {
    ByteWriter writer;
    writer.u32be(0xDEADBEEF);
    writer.u32le(0x01020304);
    writer.synchsafe32(0x0FFFFFFF);
    writer.u64le(42);
    writer.text("moov");
    writer.putU32be(0, 7);
    ByteReader reader(writer.buffer());
    EXPECT_EQ(reader.u32be(), 7u);
    EXPECT_EQ(reader.u32le(), 0x01020304u);
    EXPECT_EQ(reader.synchsafe32(), 0x0FFFFFFFu);
    EXPECT_EQ(reader.u64le(), 42u);
    EXPECT_EQ(reader.fourcc(), "moov");
    EXPECT_TRUE(reader.ok() && reader.atEnd());
}

TEST(Text, Utf16RoundTripsIncludingSurrogatePairs) {
    std::string text = "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x8E\xB5";  // A é € 🎵
    std::vector<uint8_t> le = Utf8ToUtf16Le(text);
    EXPECT_EQ(le.size(), 10u);  // 1 + 1 + 1 + 2 code units
    EXPECT_EQ(Utf16LeToUtf8(le), text);
    EXPECT_EQ(Utf16BeToUtf8(Utf8ToUtf16Be(text)), text);

    auto withBom = Bytes({0xFE, 0xFF, 0x00, 0x41, 0x00, 0x42});
    EXPECT_EQ(Utf16BomToUtf8(withBom), "AB");
    auto littleBom = Bytes({0xFF, 0xFE, 0x41, 0x00, 0x00, 0x00, 0x42, 0x00});
    EXPECT_EQ(Utf16BomToUtf8(littleBom), "A");  // stops at the NUL
    // A lone high surrogate and an odd trailing byte do not break decoding.
    EXPECT_EQ(Utf16LeToUtf8(Bytes({0x00, 0xD8, 0x41, 0x00, 0x42})),
              "\xEF\xBF\xBD"
              "A");
}

// Tag texts are mostly ASCII, which takes a shorter way than the rest: the
// texts below cross from one to the other at each place it can.
TEST(Text, Utf16DecodesTheSameAcrossTheAsciiRunsEnd) {
    struct Case {
        std::vector<uint8_t> le;
        std::string utf8;
    };
    const Case cases[] = {
        {{}, ""},
        {{0x41, 0x00, 0x7F, 0x00}, "A\x7F"},
        {{0x41, 0x00, 0x80, 0x00}, "A\xC2\x80"},
        {{0x41, 0x00, 0x00, 0x00, 0x42, 0x00}, "A"},  // NUL ends the run and the text
        {{0x00, 0x00, 0x42, 0x00}, ""},               // NUL first
        {{0x41, 0x00, 0x42}, "A"},                    // odd trailing byte
        {{0x41, 0x00, 0xE9, 0x00, 0x42, 0x00},
         "A\xC3\xA9"
         "B"},                                               // ASCII again after
        {{0x41, 0x00, 0x00, 0xDC}, "A\xEF\xBF\xBD"},         // lone low surrogate
        {{0xE9, 0x00, 0x00, 0x00, 0x42, 0x00}, "\xC3\xA9"},  // NUL after non-ASCII
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Utf16LeToUtf8(c.le), c.utf8) << c.utf8;
        std::vector<uint8_t> be = c.le;
        for (size_t i = 0; i + 1 < be.size(); i += 2) {
            std::swap(be[i], be[i + 1]);
        }
        EXPECT_EQ(Utf16BeToUtf8(be), c.utf8) << c.utf8;
    }
}

TEST(Text, AsciiCaseBlindComparisonFoldsLettersOnly) {
    struct Case {
        std::string_view a, b;
        bool equal;
    };
    const Case cases[] = {
        {"", "", true},
        {"Title", "TITLE", true},
        {"wm/albumtitle", "WM/AlbumTitle", true},
        {"A1", "a1", true},
        {"TITLE", "TITLES", false},
        // Pairs 32 apart that are not letters stay apart.
        {"@", "`", false},
        {"[", "{", false},
        {"]", "}", false},
        {"^", "~", false},
        {"\x10", "0", false},
        // Bytes beyond ASCII are compared as they are: \xC4 and \xE4 are
        // 32 apart too.
        {"\xC3\x84", "\xC3\xA4", false},
        {"\xC4", "\xE4", false},
        {"\xC3\xA4", "\xC3\xA4", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(EqualsIgnoreCaseAscii(c.a, c.b), c.equal) << c.a << " / " << c.b;
        EXPECT_EQ(EqualsIgnoreCaseAscii(c.b, c.a), c.equal) << c.b << " / " << c.a;
    }
}

TEST(Text, Latin1ConversionMarksWhatItCannotHold) {
    EXPECT_EQ(Latin1ToUtf8("Caf\xE9"), "Caf\xC3\xA9");
    bool lossless = false;
    EXPECT_EQ(Utf8ToLatin1("Caf\xC3\xA9", &lossless), "Caf\xE9");
    EXPECT_TRUE(lossless);
    EXPECT_EQ(Utf8ToLatin1("\xD0\x90\xD0\x91 1", &lossless), "?? 1");  // Cyrillic
    EXPECT_FALSE(lossless);
    EXPECT_EQ(Utf8ToLatin1("\xFF"
                           "a"),
              "?a");  // invalid UTF-8
    EXPECT_TRUE(FitsLatin1("na\xC3\xAFve"));
    EXPECT_FALSE(FitsLatin1("\xE2\x82\xAC"));
}

TEST(Text, TrimTruncateAndSanitize) {
    EXPECT_EQ(Trim(" \t a b \r\n"), "a b");
    EXPECT_EQ(Trim("   "), "");
    EXPECT_EQ(TrimmedView("\v\fx y\t"), "x y");
    EXPECT_EQ(TrimmedView(" \n "), "");
    EXPECT_EQ(TruncateUtf8("ab\xC3\xA9", 3), "ab");  // never half a character
    EXPECT_EQ(TruncateUtf8("ab\xC3\xA9", 4), "ab\xC3\xA9");
    EXPECT_EQ(SanitizeUtf8("a\xC3(b"), "a\xEF\xBF\xBD(b");
    EXPECT_TRUE(IsValidUtf8("\xE6\x97\xA5\xE6\x9C\xAC"));
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));      // overlong "/"
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));  // encoded surrogate
}

TEST(Text, CaseInsensitiveComparisonIsUnicodeAware) {
    EXPECT_TRUE(EqualsIgnoreCase("ROCK", "rock"));
    EXPECT_TRUE(
        EqualsIgnoreCase("\xC3\x89"
                         "cole",
                         "\xC3\xA9"
                         "COLE"));                                          // École
    EXPECT_TRUE(EqualsIgnoreCase("\xD0\x9C\xD0\xA3", "\xD0\xBC\xD1\x83"));  // МУ / му
    EXPECT_TRUE(
        EqualsIgnoreCase("Stra\xC3\x9F"
                         "e",
                         "STRASSE"));  // ß folds to ss
    EXPECT_FALSE(EqualsIgnoreCase("rock", "rocks"));
    EXPECT_LT(CompareIgnoreCase("abc", "ABD"), 0);
    EXPECT_EQ(ToUpperUnicode("na\xC3\xAFve"), "NA\xC3\x8FVE");
    EXPECT_EQ(ToUpperAscii("mp3"), "MP3");
}

TEST(SafeFileReplace, ReplacesAtomicallyKeepingPermissions) {
    TempDir dir;
    std::string path = dir.file("song.mp3");
    testsupport::WriteFileBytes(path, Bytes({1, 2, 3, 4, 5, 6}));
    ::chmod(path.c_str(), 0640);

    int source = ::open(path.c_str(), O_RDONLY);
    ASSERT_GE(source, 0);
    SafeFileReplace replace(path);
    ASSERT_TRUE(replace.begin());
    ASSERT_TRUE(replace.append(Bytes({9, 9})));
    ASSERT_TRUE(replace.copyFromFd(source, 2, 4));
    // Until the commit the old content is intact.
    EXPECT_EQ(testsupport::ReadFileBytes(path), Bytes({1, 2, 3, 4, 5, 6}));
    ASSERT_TRUE(replace.commit()) << replace.error();
    ::close(source);

    EXPECT_EQ(testsupport::ReadFileBytes(path), Bytes({9, 9, 3, 4, 5, 6}));
    struct stat st;
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    // No temporary file is left beside it.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                            std::filesystem::directory_iterator()),
              1);
}

TEST(SafeFileReplace, AbandonedOrFailedReplacementLeavesTheOriginal) {
    TempDir dir;
    std::string path = dir.file("a.flac");
    testsupport::WriteFileBytes(path, Bytes({7, 7, 7}));
    {
        SafeFileReplace replace(path);
        ASSERT_TRUE(replace.begin());
        replace.append(Bytes({1}));
        // Copying more than the source holds fails...
        int source = ::open(path.c_str(), O_RDONLY);
        EXPECT_FALSE(replace.copyFromFd(source, 0, 100));
        ::close(source);
        EXPECT_FALSE(replace.commit());
        EXPECT_FALSE(replace.error().empty());
    }
    // ...and nothing changed, nothing was left behind.
    EXPECT_EQ(testsupport::ReadFileBytes(path), Bytes({7, 7, 7}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                            std::filesystem::directory_iterator()),
              1);
}

// Ranges of a sparse source, starting and ending in data and in holes: the
// copy holds the same bytes, its holes stay holes, and bytes appended after a
// copy that ends in a hole land after it.
TEST(SafeFileReplace, CopiesRangesOfASparseFileKeepingItsHoles) {
    TempDir dir;
    std::string source = dir.file("sparse.wav");
    constexpr uint64_t kMiB = 1 << 20;
    constexpr uint64_t kSize = 6 * kMiB;
    {
        int fd = ::open(source.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        std::vector<uint8_t> data(100001);
        for (size_t i = 0; i < data.size(); ++i) {
            data[i] = static_cast<uint8_t>(i * 7 + 1);
        }
        ASSERT_EQ(::pwrite(fd, data.data(), data.size(), 0), static_cast<ssize_t>(data.size()));
        ASSERT_EQ(::pwrite(fd, data.data(), 5003, 3 * kMiB + 11), 5003);
        ASSERT_EQ(::ftruncate(fd, kSize), 0);
        ::close(fd);
    }
    const std::vector<uint8_t> whole = testsupport::ReadFileBytes(source);
    ASSERT_EQ(whole.size(), kSize);
    struct Case {
        uint64_t offset;
        uint64_t length;
    };
    const Case cases[] = {
        {0, kSize},                    // all of it, ending in a hole
        {77, 3 * kMiB},                // data, hole, into the second run of data
        {kMiB + 5, 2 * kMiB + 100},    // from a hole into data
        {2 * kMiB, kSize - 2 * kMiB},  // from a hole to the end
        {3 * kMiB + 20, 10},           // inside data alone
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "offset " << c.offset << ", length " << c.length);
        std::string target = dir.file("copy.wav");
        SafeFileReplace replace(target);
        ASSERT_TRUE(replace.begin());
        ASSERT_TRUE(replace.append(Bytes({0xAA, 0xBB, 0xCC})));
        int fd = ::open(source.c_str(), O_RDONLY);
        ASSERT_GE(fd, 0);
        ASSERT_TRUE(replace.copyFromFd(fd, c.offset, c.length)) << replace.error();
        ::close(fd);
        ASSERT_TRUE(replace.append(Bytes({0xDD})));
        EXPECT_EQ(replace.size(), c.length + 4);
        ASSERT_TRUE(replace.commit()) << replace.error();

        std::vector<uint8_t> expected = Bytes({0xAA, 0xBB, 0xCC});
        expected.insert(expected.end(), whole.begin() + static_cast<ptrdiff_t>(c.offset),
                        whole.begin() + static_cast<ptrdiff_t>(c.offset + c.length));
        expected.push_back(0xDD);
        EXPECT_TRUE(testsupport::ReadFileBytes(target) == expected);
        if (c.length >= 2 * kMiB) {
            struct stat st;
            ASSERT_EQ(::stat(target.c_str(), &st), 0);
            EXPECT_LT(static_cast<uint64_t>(st.st_blocks) * 512, kMiB) << "the holes were filled";
        }
    }
}

TEST(SafeFileReplace, ReplacesTheFileBehindASymbolicLink) {
    TempDir dir;
    std::string real = dir.file("real.ogg");
    std::string link = dir.file("link.ogg");
    testsupport::WriteFileBytes(real, Bytes({1}));
    ASSERT_EQ(::symlink(real.c_str(), link.c_str()), 0);
    ASSERT_TRUE(WriteFileSafely(link, Bytes({2, 2})));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(testsupport::ReadFileBytes(real), Bytes({2, 2}));
}

TEST(SafeFileReplace, FailsClearlyInAFolderThatCannotBeWritten) {
    std::string error;
    EXPECT_FALSE(WriteFileSafely("/nonexistent-folder/x.m3u", Bytes({1}), &error));
    EXPECT_NE(error.find("/nonexistent-folder"), std::string::npos) << error;
}

TEST(Base64, RoundTripsEveryLengthAndRefusesWhatIsNotBase64) {
    EXPECT_EQ(EncodeBase64(Bytes({'a', 'b'})), "YWI=");
    EXPECT_EQ(DecodeBase64("YWI=", 10), Bytes({'a', 'b'}));
    EXPECT_EQ(DecodeBase64("YWI", 10), Bytes({'a', 'b'})) << "unpadded, as some writers leave it";
    EXPECT_EQ(DecodeBase64("YW\r\nI=", 10), Bytes({'a', 'b'})) << "broken lines";
    std::vector<uint8_t> all;
    for (int i = 0; i < 256; ++i) {
        all.push_back(static_cast<uint8_t>(i));
        auto back = DecodeBase64(EncodeBase64(all), all.size());
        ASSERT_TRUE(back) << i;
        EXPECT_EQ(*back, all);
    }
    for (const char* bad : {"Y", "YWI==", "YW=I", "YWI*", "Y===", "YWJj=", "===="}) {
        EXPECT_FALSE(DecodeBase64(bad, 10)) << bad;
    }
    // The size limit is checked before the bytes are made.
    EXPECT_FALSE(DecodeBase64("YWJj", 2));
    EXPECT_TRUE(DecodeBase64("YWJj", 3));
    EXPECT_EQ(DecodeBase64("YW\n\n\n\n\n\nJj\n", 3), Bytes({'a', 'b', 'c'}))
        << "white space does not count against the limit";
    // White space at every place, in and between groups, and before and after
    // the padding.
    const std::string text =
        EncodeBase64(Bytes({'b', 'r', 'o', 'k', 'e', 'n', ' ', 'u', 'p', '!'}));
    for (size_t at = 0; at <= text.size(); ++at) {
        for (const char* space : {" ", "\r\n", "\t\t\t"}) {
            std::string spaced = text.substr(0, at) + space + text.substr(at);
            EXPECT_EQ(DecodeBase64(spaced, 10),
                      Bytes({'b', 'r', 'o', 'k', 'e', 'n', ' ', 'u', 'p', '!'}))
                << at;
        }
        std::string damaged = text;
        damaged.insert(at, "*");
        EXPECT_FALSE(DecodeBase64(damaged, 100)) << at;
    }
}
