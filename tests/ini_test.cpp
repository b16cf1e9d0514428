// INI files: the profile operations (what other programs' files look like,
// what a rewrite keeps) and the typed access of CIni.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <filesystem>

#include "songcore/settings/Ini.h"
#include "songcore/settings/PrivateProfile.h"
#include "songcore/settings/ProfileDocument.h"
#include "support/TestSupport.h"

using songcore::ProfileDocument;
using testsupport::ReadFileText;
using testsupport::TempDir;
using testsupport::WriteFileBytes;

namespace {

void WriteText(const std::string& path, const std::string& text) {
    WriteFileBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

std::vector<std::string> DoubleNulItems(const char* list) {
    std::vector<std::string> items;
    for (const char* p = list; *p; p += std::strlen(p) + 1) {
        items.emplace_back(p);
    }
    return items;
}

}  // namespace

TEST(ProfileDocument, ReadsNamesWithoutCaseAndLinesAsWritten) {
    ProfileDocument doc = ProfileDocument::Parse(
        "\xEF\xBB\xBF; comment\r\n[PlayList]\r\n  File1 = C:\\a.mp3  \r\nnot a key\r\n"
        "file1=second\r\n[ÄRGER]\nKey=1\n[playlist]\nFile1=third\n");
    EXPECT_EQ(doc.Get("playlist", "FILE1").value(), "C:\\a.mp3");  // first of a name wins
    EXPECT_EQ(doc.Get("ärger", "key").value(), "1");               // Unicode folding
    EXPECT_FALSE(doc.Get("PlayList", "not a key").has_value());
    EXPECT_FALSE(doc.Get("Missing", "File1").has_value());
    EXPECT_EQ(doc.SectionNames(), (std::vector<std::string>{"PlayList", "ÄRGER", "playlist"}));
    EXPECT_EQ(doc.SectionLines("PLAYLIST").value(),
              (std::vector<std::string>{"File1 = C:\\a.mp3", "file1=second"}));
}

TEST(ProfileDocument, RewriteKeepsOtherLinesAndRefusesBrokenNames) {
    ProfileDocument doc =
        ProfileDocument::Parse("; keep me\r\n[A]\r\nx = 1\r\n; and me\r\n\r\n[B]\r\ny=2\r\n");
    bool changed = false;
    ASSERT_TRUE(doc.Set("a", "X", "10", &changed));
    EXPECT_TRUE(changed);
    ASSERT_TRUE(doc.Set("A", "z", "line\nbreak"));
    ASSERT_TRUE(doc.Set("New", "k", "v"));
    EXPECT_EQ(doc.Get("a", "Z").value(), "line break");
    EXPECT_EQ(doc.Get("A", "x").value(), "10");
    EXPECT_EQ(doc.Serialize(),
              "; keep me\n[A]\nX=10\n; and me\nz=line break\n\n[B]\ny=2\n\n[New]\nk=v\n");
    // Names that would break the file or read back differently.
    EXPECT_FALSE(doc.Set("A", "k=v", "1"));
    EXPECT_FALSE(doc.Set("A", "[k]", "1"));
    EXPECT_FALSE(doc.Set("A", "", "1"));
    EXPECT_FALSE(doc.Set("A]", "k", "1"));
    EXPECT_FALSE(doc.Set("A\nB", "k", "1"));
    // Stray CRs before a line end do not become lines of their own.
    EXPECT_EQ(ProfileDocument::Parse("[A]\r\nx=1\r\r\n").Serialize(), "[A]\nx=1\n");
    EXPECT_TRUE(doc.DeleteKey("A", "x"));
    EXPECT_TRUE(doc.DeleteSection("b"));
    EXPECT_FALSE(doc.Get("A", "x").has_value());
    EXPECT_FALSE(doc.Get("B", "y").has_value());
}

TEST(PrivateProfile, MissingFileReadsEmptyAndWritesCreateIt) {
    TempDir dir;
    std::string path = dir.file("new.ini");
    EXPECT_FALSE(songcore::ProfileGetString(path, "S", "k").has_value());
    EXPECT_TRUE(songcore::ProfileGetSectionNames(path).empty());
    std::string value = "v";
    ASSERT_TRUE(songcore::ProfileWriteString(path, "S", "k", &value));
    EXPECT_EQ(ReadFileText(path), "[S]\nk=v\n");
    EXPECT_FALSE(songcore::ProfileWriteString(dir.file("no/such/folder.ini"), "S", "k", &value));
}

TEST(PrivateProfile, SeesChangesMadeBehindItsBack) {
    TempDir dir;
    std::string path = dir.file("a.ini");
    WriteText(path, "[S]\nk=1\n");
    EXPECT_EQ(songcore::ProfileGetString(path, "S", "k").value(), "1");
    // Another program rewrites the file (same size, new inode).
    std::string other = dir.file("b.ini");
    WriteText(other, "[S]\nk=2\n");
    std::filesystem::rename(other, path);
    EXPECT_EQ(songcore::ProfileGetString(path, "S", "k").value(), "2");
}

TEST(PrivateProfile, NeverReplacesAFileItCannotRead) {
    TempDir dir;
    // Far too large for a settings file (sparse, so it costs nothing).
    std::string path = dir.file("huge.ini");
    WriteText(path, "[S]\nk=1\n");
    std::filesystem::resize_file(path, 80u * 1024 * 1024);
    std::string value = "2";
    EXPECT_FALSE(songcore::ProfileWriteString(path, "S", "other", &value));
    EXPECT_EQ(std::filesystem::file_size(path), 80u * 1024 * 1024);
    if (::geteuid() != 0) {
        std::string locked = dir.file("locked.ini");
        WriteText(locked, "[S]\nk=1\n");
        ::chmod(locked.c_str(), 0200);
        EXPECT_FALSE(songcore::ProfileWriteString(locked, "S", "other", &value));
        ::chmod(locked.c_str(), 0600);
        EXPECT_EQ(ReadFileText(locked), "[S]\nk=1\n");
    }
}

TEST(PrivateProfile, BatchWritesOnceAndIsSeenAtOnce) {
    TempDir dir;
    std::string path = dir.file("batch.ini");
    {
        songcore::ProfileWriteBatch batch(path);
        for (int i = 0; i < 1000; ++i) {
            std::string value = std::to_string(i);
            ASSERT_TRUE(songcore::ProfileWriteString(path, "S", "k" + value, &value));
        }
        EXPECT_FALSE(std::filesystem::exists(path));
        CIni ini(path.c_str());
        EXPECT_EQ(ini.GetInt("S", "k999", -1), 999);
        ASSERT_TRUE(batch.Commit());
    }
    EXPECT_EQ(CIni(path.c_str()).GetInt("s", "K500", -1), 500);
}

TEST(PrivateProfile, ClassicBufferForms) {
    TempDir dir;
    std::string path = dir.file("c.ini");
    ASSERT_EQ(songcore::WritePrivateProfileString("One", "a", "hello", path.c_str()), 1);
    ASSERT_EQ(songcore::WritePrivateProfileString("Two", "b", "x", path.c_str()), 1);
    char buffer[64];
    EXPECT_EQ(songcore::GetPrivateProfileString("one", "A", "def", buffer, 4, path.c_str()), 3u);
    EXPECT_STREQ(buffer, "hel");
    songcore::GetPrivateProfileString("One", "none", "def", buffer, sizeof buffer, path.c_str());
    EXPECT_STREQ(buffer, "def");
    songcore::GetPrivateProfileSectionNames(buffer, sizeof buffer, path.c_str());
    EXPECT_EQ(DoubleNulItems(buffer), (std::vector<std::string>{"One", "Two"}));
    ASSERT_EQ(songcore::WritePrivateProfileSection("Two", "c=1\0d=2\0", path.c_str()), 1);
    songcore::GetPrivateProfileSection("Two", buffer, sizeof buffer, path.c_str());
    EXPECT_EQ(DoubleNulItems(buffer), (std::vector<std::string>{"c=1", "d=2"}));
    ASSERT_EQ(songcore::WritePrivateProfileString("One", nullptr, nullptr, path.c_str()), 1);
    EXPECT_EQ(ReadFileText(path), "[Two]\nc=1\nd=2\n");
}

class IniTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string path = dir.file("test.ini");
    CIni ini{path.c_str()};
};

TEST_F(IniTest, TwoObjectsOnOnePathShareEverything) {
    CIni other(path.c_str());
    EXPECT_EQ(ini.GetString("S", "k", "none"), "none");
    ASSERT_TRUE(ini.WriteString("S", "k", "value"));
    EXPECT_EQ(other.GetString("s", "K"), "value");
    ASSERT_TRUE(other.WriteString("S", "k", nullptr));
    EXPECT_TRUE(ini.IsKeyExist("S", "k"));  // an empty value is still a key
    EXPECT_EQ(ini.GetString("S", "k", "none"), "");
    EXPECT_FALSE(ini.WriteString(nullptr, "k", "v"));
    EXPECT_FALSE(ini.WriteString("S", nullptr, "v"));
    CIni copy = ini;
    ini.SetPathName(nullptr);
    EXPECT_EQ(copy.GetPathName(), path);
    EXPECT_EQ(ini.GetPathName(), "");
    EXPECT_FALSE(ini.WriteString("S", "k", "v"));
}

TEST_F(IniTest, ValuesOfAnyLength) {
    std::string longValue(5000, 'x');
    longValue += "end";
    ASSERT_TRUE(ini.WriteString("S", "long", longValue.c_str()));
    EXPECT_EQ(ini.GetString("S", "long"), longValue);
    ASSERT_TRUE(ini.AppendString("S", "long", "+more"));
    EXPECT_EQ(ini.GetString("S", "long"), longValue + "+more");
    EXPECT_FALSE(ini.AppendString("S", "long", nullptr));
    char small[8];
    EXPECT_EQ(ini.GetString("S", "long", small, sizeof small), 7u);
    EXPECT_STREQ(small, "xxxxxxx");
}

TEST_F(IniTest, IntegersInEveryBase) {
    ini.WriteInt("N", "bin", 5, 2);
    ini.WriteInt("N", "zero", 0, 2);
    ini.WriteInt("N", "hex", -1, 16);
    ini.WriteUInt("N", "max", 0xFFFFFFFFu, 10);
    ini.WriteInt("N", "neg", -42, 10);
    ini.WriteInt("N", "oct", 8, 8);
    EXPECT_EQ(ini.GetString("N", "bin"), "101");
    EXPECT_EQ(ini.GetString("N", "zero"), "0");
    EXPECT_EQ(ini.GetString("N", "hex"), "FFFFFFFF");
    EXPECT_EQ(ini.GetString("N", "max"), "4294967295");
    EXPECT_EQ(ini.GetString("N", "oct"), "10");
    EXPECT_EQ(ini.GetInt("N", "bin", 0, 2), 5);
    EXPECT_EQ(ini.GetInt("N", "hex", 0, 16), -1);
    EXPECT_EQ(ini.GetInt("N", "neg", 0), -42);
    EXPECT_EQ(ini.GetUInt("N", "max", 0), 0xFFFFFFFFu);
    EXPECT_EQ(ini.GetInt("N", "oct", 0, 7), 10);  // base 7 parses in base 10
    EXPECT_EQ(ini.GetInt("N", "missing", 77), 77);
    ini.WriteString("N", "text", "12abc");
    EXPECT_EQ(ini.GetInt("N", "text", 0), 12);
    ini.WriteString("N", "huge", "99999999999");
    EXPECT_EQ(ini.GetUInt("N", "huge", 0), 0xFFFFFFFFu);
    // Only the first 64 bytes of a value are parsed.
    ini.WriteString("N", "padded", (std::string(63, '0') + "12").c_str());
    EXPECT_EQ(ini.GetInt("N", "padded", 0), 1);
    ini.IncreaseInt("N", "bin", 2, 2);
    EXPECT_EQ(ini.GetString("N", "bin"), "111");
    ini.IncreaseUInt("N", "counter", 3);
    EXPECT_EQ(ini.GetUInt("N", "counter", 0), 3u);
}

TEST_F(IniTest, BooleansDoublesAndCharacters) {
    for (const char* yes : {"Yes", "TRUE", "2", "-1"}) {
        ini.WriteString("B", "v", yes);
        EXPECT_EQ(ini.GetBool("B", "v", 0), 1) << yes;
    }
    for (const char* no : {"no", "false", "0"}) {
        ini.WriteString("B", "v", no);
        EXPECT_EQ(ini.GetBool("B", "v", 1), 0) << no;
    }
    EXPECT_EQ(ini.GetBool("B", "absent", 1), 1);
    ini.InvertBool("B", "flag");
    EXPECT_EQ(ini.GetString("B", "flag"), "1");
    ini.InvertBool("B", "flag");
    EXPECT_EQ(ini.GetString("B", "flag"), "0");

    ini.WriteDouble("D", "a", 1.5, 0);
    ini.WriteDouble("D", "b", 1.5, 2);
    EXPECT_EQ(ini.GetString("D", "a"), "1.500000");
    EXPECT_EQ(ini.GetString("D", "b"), "1.50");
    EXPECT_DOUBLE_EQ(ini.GetDouble("D", "a", 0), 1.5);
    EXPECT_DOUBLE_EQ(ini.GetDouble("D", "none", 2.25), 2.25);
    ini.IncreaseDouble("D", "b", 0.25, 2);
    EXPECT_EQ(ini.GetString("D", "b"), "1.75");

    ini.WriteChar("C", "c", 'x');
    EXPECT_EQ(ini.GetChar("C", "c", '?'), 'x');
    EXPECT_EQ(ini.GetChar("C", "none", '?'), '?');
}

TEST_F(IniTest, DataBlocksPointsAndRects) {
    const uint8_t bytes[] = {0x0A, 0x0B, 0x0C};
    ini.WriteDataBlock("D", "block", bytes, sizeof bytes);
    EXPECT_EQ(ini.GetString("D", "block"), "0A0B0C");
    uint8_t out[8] = {};
    EXPECT_EQ(ini.GetDataBlock("D", "block", out, sizeof out, 1), 2u);
    EXPECT_EQ(out[0], 0x0B);
    EXPECT_EQ(out[1], 0x0C);
    EXPECT_EQ(ini.GetDataBlock("D", "block", out, sizeof out, 3), 0u);
    EXPECT_EQ(ini.GetDataBlock("D", "block", nullptr, 0), 3u);
    ini.WriteString("D", "bad", "0G");
    EXPECT_EQ(ini.GetDataBlock("D", "bad", out, sizeof out), 0u);
    ini.AppendDataBlock("D", "block", bytes, 1);
    EXPECT_EQ(ini.GetString("D", "block"), "0A0B0C0A");

    ini.WritePoint("P", "p", CIni::POINT{1, 2});
    EXPECT_EQ(ini.GetString("P", "p"), "0100000002000000");
    CIni::POINT p = ini.GetPoint("P", "p", CIni::POINT{9, 9});
    EXPECT_EQ(p.x, 1);
    EXPECT_EQ(p.y, 2);
    CIni::RECT r = ini.GetRect("P", "p", CIni::RECT{5, 6, 7, 8});  // 8 bytes is no rect
    EXPECT_EQ(r.left, 5);
    ini.WriteRect("P", "r", CIni::RECT{-1, 2, 300, 4});
    r = ini.GetRect("P", "r", CIni::RECT{});
    EXPECT_EQ(r.left, -1);
    EXPECT_EQ(r.right, 300);
}

TEST_F(IniTest, Arrays) {
    ini.WriteString("A", "list", " a , b ,, c ");
    std::vector<std::string> items;
    ini.GetArray("A", "list", &items, ",", 0);  // this form always trims
    EXPECT_EQ(items, (std::vector<std::string>{"a", "b", "c"}));
    char buffer[16];
    uint32_t stored = ini.GetArray("A", "list", buffer, sizeof buffer, ",", 0);
    // The value itself is stored without its outer blanks.
    EXPECT_EQ(DoubleNulItems(buffer), (std::vector<std::string>{"a ", " b ", " c"}));
    EXPECT_EQ(stored, 10u);
    // A buffer too small cuts the list.
    char tiny[5];
    ini.GetArray("A", "list", tiny, sizeof tiny, ",", 1);
    EXPECT_EQ(DoubleNulItems(tiny), (std::vector<std::string>{"a", "b"}));
    std::vector<std::string> xyz = {"x", "y", "z"};
    ini.WriteArray("A", "out", &xyz, 2, nullptr);
    EXPECT_EQ(ini.GetString("A", "out"), "x,y");
    ini.WriteArray("A", "out", &xyz, -1, "; ");
    EXPECT_EQ(ini.GetString("A", "out"), "x; y; z");
    EXPECT_FALSE(ini.WriteArray("A", "out", nullptr));
    ini.GetArray("A", "missing", &items);
    EXPECT_TRUE(items.empty());
}

TEST_F(IniTest, SectionsAndKeys) {
    ini.WriteString("A", "one", "1");
    ini.WriteString("A", "two", "2");
    ini.WriteString("B", "x", "y");
    std::vector<std::string> names;
    ini.GetSectionNames(&names);
    EXPECT_EQ(names, (std::vector<std::string>{"A", "B"}));
    ini.GetKeyNames("a", &names);
    EXPECT_EQ(names, (std::vector<std::string>{"one", "two"}));
    ini.GetKeyLines("A", &names);
    EXPECT_EQ(names, (std::vector<std::string>{"one=1", "two=2"}));
    EXPECT_TRUE(ini.IsSectionExist("b"));
    EXPECT_FALSE(ini.IsSectionExist("C"));

    EXPECT_FALSE(ini.CopySection("A", "a", 0));  // the same section
    EXPECT_FALSE(ini.CopySection("None", "C", 0));
    EXPECT_FALSE(ini.CopySection("A", "B", 1));
    ASSERT_TRUE(ini.CopySection("A", "B", 0));
    ini.GetKeyLines("B", &names);
    EXPECT_EQ(names, (std::vector<std::string>{"one=1", "two=2"}));
    ASSERT_TRUE(ini.MoveSection("A", "C"));
    EXPECT_FALSE(ini.IsSectionExist("A"));

    EXPECT_FALSE(ini.CopyKey("C", "one", "c", "ONE", 0));
    EXPECT_FALSE(ini.CopyKey("C", "none", "C", "x", 0));
    EXPECT_FALSE(ini.CopyKey("C", "one", "C", "two", 1));
    ASSERT_TRUE(ini.CopyKey("C", "one", "D", "uno", 1));
    EXPECT_EQ(ini.GetString("D", "uno"), "1");
    ASSERT_TRUE(ini.MoveKey("C", "two", "D", "dos"));
    EXPECT_FALSE(ini.IsKeyExist("C", "two"));
    EXPECT_EQ(ini.GetString("D", "dos"), "2");
    ASSERT_TRUE(ini.DeleteKey("D", "dos"));
    ASSERT_TRUE(ini.DeleteSection("D"));
    EXPECT_FALSE(ini.IsSectionExist("D"));

    char buffer[64];
    ini.GetKeyNames("C", buffer, sizeof buffer);
    EXPECT_EQ(DoubleNulItems(buffer), (std::vector<std::string>{"one"}));
}

TEST(IniStatic, StringToBoolAndDoubleNulLists) {
    EXPECT_EQ(CIni::StringToBool("yes", 0), 1);
    EXPECT_EQ(CIni::StringToBool("", 7), 7);
    EXPECT_EQ(CIni::StringToBool(nullptr, 3), 3);
    EXPECT_EQ(CIni::StringToBool("maybe", 1), 0);
    const char list[] = "a\0bb\0c\0";
    std::vector<std::string> seen;
    auto collect = [](const char* item, void* data) {
        static_cast<std::vector<std::string>*>(data)->push_back(item);
        return std::strcmp(item, "bb") != 0 ? 1 : 0;
    };
    EXPECT_EQ(CIni::ParseDNTString(list, collect, &seen), 0);  // stopped at "bb"
    EXPECT_EQ(seen, (std::vector<std::string>{"a", "bb"}));
    EXPECT_EQ(CIni::ParseDNTString(nullptr, collect, &seen), 0);
}
