// File information and the shell-style file operations.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <ctime>
#include <filesystem>

#include "songcore/files/SHFileInfo.h"
#include "songcore/files/ShellFileOp.h"
#include "support/TestSupport.h"

using testsupport::ReadFileText;
using testsupport::TempDir;
using testsupport::WriteFileBytes;
namespace fs = std::filesystem;

namespace {

void WriteText(const std::string& path, const std::string& text) {
    WriteFileBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

}  // namespace

TEST(SHFileInfo, NamePartsAndTypes) {
    TempDir dir;
    CSHFileInfo song("/m/Song.mp3");
    EXPECT_EQ(song.GetFileName(), "Song.mp3");
    EXPECT_EQ(song.GetRoot(), "/m/");
    EXPECT_EQ(song.GetFileTitle(), "Song");
    EXPECT_EQ(song.GetDescription(), "MP3 audio");
    EXPECT_EQ(CSHFileInfo("/m/x.xyz").GetDescription(), "XYZ File");
    EXPECT_EQ(CSHFileInfo("/m/README").GetDescription(), "File");
    EXPECT_EQ(CSHFileInfo(dir.path().c_str()).GetDescription(), "Folder");
    EXPECT_EQ(CSHFileInfo(nullptr).GetFileName(), "");
}

TEST(SHFileInfo, ExistenceSizeAndTime) {
    TempDir dir;
    EXPECT_TRUE(CSHFileInfo("/").Exist());
    EXPECT_TRUE(CSHFileInfo((dir.path() + "/").c_str()).Exist());
    EXPECT_FALSE(CSHFileInfo(dir.file("none").c_str()).Exist());

    std::string small = dir.file("small"), large = dir.file("large");
    WriteFileBytes(small, std::vector<uint8_t>(999));
    WriteFileBytes(large, std::vector<uint8_t>(1000));
    EXPECT_EQ(CSHFileInfo(small.c_str()).GetFileSize(), "999");
    EXPECT_EQ(CSHFileInfo(large.c_str()).GetFileSize(), "1,000");
    EXPECT_EQ(CSHFileInfo::GroupThousands(1000005), "1,000,005");
    EXPECT_EQ(CSHFileInfo::GroupThousands(0), "0");
    EXPECT_EQ(CSHFileInfo(dir.file("none").c_str()).GetFileSize(), "");

    std::tm when{};
    when.tm_year = 2024 - 1900;
    when.tm_mon = 2;
    when.tm_mday = 5;
    when.tm_hour = 7;
    when.tm_min = 8;
    when.tm_isdst = -1;
    timespec times[2] = {{std::mktime(&when), 0}, {std::mktime(&when), 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, small.c_str(), times, 0), 0);
    fs::directory_entry entry(small);
    EXPECT_EQ(CSHFileInfo(entry).GetLastWriteTime(), "03/05/2024 07:08");
}

TEST(SHFileInfo, FolderChooserHook) {
    CSHFileInfo info;
    EXPECT_EQ(info.BrowseForFolder(nullptr), 0);
    std::string seenTitle;
    CSHFileInfo::SetFolderChooser([&](CSHFileInfo& chooser, void*) {
        seenTitle = chooser.title;
        chooser.selectedPath = chooser.initialPath + "/chosen";
        return 1;
    });
    info.initialPath = "/music";
    EXPECT_EQ(info.BrowseForFolder(nullptr), 1);
    EXPECT_EQ(info.selectedPath, "/music/chosen");
    EXPECT_EQ(seenTitle, "Open");
    CSHFileInfo::SetFolderChooser(nullptr);
    EXPECT_EQ(CSHFileInfo().BrowseForFolder(nullptr), 0);
}

TEST(ShellFileOp, ListsMustMatch) {
    TempDir dir;
    WriteText(dir.file("a"), "A");
    WriteText(dir.file("b"), "B");
    CShellFileOp op;
    op.AddSourceFile(dir.file("a").c_str());
    op.AddSourceFile(dir.file("b").c_str());
    op.AddDestFile(dir.file("x").c_str());
    EXPECT_EQ(op.Go(), 0);  // no flags set
    op.SetOperationFlags(CShellFileOp::FO_COPY, nullptr, 1, 0, 0, 1, 1, 0, 0);
    op.AddDestFile(dir.file("y").c_str());
    op.AddDestFile(dir.file("z").c_str());
    int started = -1;
    EXPECT_EQ(op.Go(&started), 0);  // two sources, three destinations
    EXPECT_EQ(started, 0);
    EXPECT_FALSE(fs::exists(dir.file("x")));

    // Two sources, one destination: both go into it.
    CShellFileOp into;
    into.SetOperationFlags(CShellFileOp::FO_COPY, nullptr, CShellFileOp::FOF_NOCONFIRMATION);
    into.AddSourceFile(dir.file("a").c_str());
    into.AddSourceFile(dir.file("b").c_str());
    into.AddDestFile(dir.file("into").c_str());
    int result = -1;
    ASSERT_EQ(into.Go(&started, &result), 1);
    EXPECT_EQ(started, 1);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(ReadFileText(dir.file("into/a")), "A");
    EXPECT_EQ(ReadFileText(dir.file("into/b")), "B");
    into.Reset();
    EXPECT_TRUE(into.GetSourceFileList().empty());
    EXPECT_EQ(into.Go(), 0);
}

TEST(ShellFileOp, CollisionsNeedPermission) {
    TempDir dir;
    WriteText(dir.file("a.mp3"), "new");
    WriteText(dir.file("b.mp3"), "old");
    auto copy = [&](uint16_t flags) {
        CShellFileOp op;
        op.SetOperationFlags(CShellFileOp::FO_COPY, nullptr, flags);
        op.AddSourceFile(dir.file("a.mp3").c_str());
        op.AddDestFile(dir.file("b.mp3").c_str());
        int aborted = 0;
        int ok = op.Go(nullptr, nullptr, &aborted);
        return std::make_pair(ok, aborted);
    };
    EXPECT_EQ(copy(0), std::make_pair(1, 1));
    EXPECT_EQ(ReadFileText(dir.file("b.mp3")), "old");
    EXPECT_EQ(copy(CShellFileOp::FOF_RENAMEONCOLLISION), std::make_pair(1, 0));
    EXPECT_EQ(ReadFileText(dir.file("b (2).mp3")), "new");
    EXPECT_EQ(copy(CShellFileOp::FOF_NOCONFIRMATION), std::make_pair(1, 0));
    EXPECT_EQ(ReadFileText(dir.file("b.mp3")), "new");
}

TEST(ShellFileOp, MoveRenameAndFolders) {
    TempDir dir;
    fs::create_directories(dir.file("tree/sub"));
    WriteText(dir.file("tree/sub/s.mp3"), "S");
    CShellFileOp op;
    op.SetOperationFlags(CShellFileOp::FO_COPY, nullptr, CShellFileOp::FOF_NOCONFIRMATION);
    op.AddSourceFile(dir.file("tree").c_str());
    op.AddDestFile(dir.file("copy").c_str());
    ASSERT_EQ(op.Go(), 1) << op.GetErrorMessage();
    EXPECT_EQ(ReadFileText(dir.file("copy/sub/s.mp3")), "S");

    CShellFileOp inside;
    inside.SetOperationFlags(CShellFileOp::FO_COPY, nullptr, CShellFileOp::FOF_NOCONFIRMATION);
    inside.AddSourceFile(dir.file("tree").c_str());
    inside.AddDestFile(dir.file("tree/sub/again").c_str());
    int result = 0;
    EXPECT_EQ(inside.Go(nullptr, &result), 0);
    EXPECT_NE(result, 0);
    EXPECT_FALSE(fs::exists(dir.file("tree/sub/again")));

    CShellFileOp move;
    move.SetOperationFlags(CShellFileOp::FO_MOVE, nullptr, 0);
    move.AddSourceFile(dir.file("copy/sub/s.mp3").c_str());
    move.AddDestFile(dir.path().c_str());  // an existing folder: into it
    ASSERT_EQ(move.Go(), 1) << move.GetErrorMessage();
    EXPECT_EQ(ReadFileText(dir.file("s.mp3")), "S");
    EXPECT_FALSE(fs::exists(dir.file("copy/sub/s.mp3")));

    CShellFileOp rename;
    rename.SetOperationFlags(CShellFileOp::FO_RENAME, nullptr, 0);
    rename.AddSourceFile(dir.file("s.mp3").c_str());
    rename.AddDestFile(dir.file("t.mp3").c_str());
    ASSERT_EQ(rename.Go(), 1);
    EXPECT_TRUE(fs::exists(dir.file("t.mp3")));

    CShellFileOp missing;
    missing.SetOperationFlags(CShellFileOp::FO_MOVE, nullptr, 0);
    missing.AddSourceFile(dir.file("none").c_str());
    missing.AddDestFile(dir.file("x").c_str());
    EXPECT_EQ(missing.Go(), 0);
    EXPECT_NE(missing.GetErrorMessage().find("none"), std::string::npos);
}

TEST(ShellFileOp, DeleteToTrashOrForGood) {
    TempDir dir;
    ::setenv("XDG_DATA_HOME", dir.file("data").c_str(), 1);
    WriteText(dir.file("a b.mp3"), "A");
    WriteText(dir.file("gone.mp3"), "G");
    for (int round = 0; round < 2; ++round) {
        WriteText(dir.file("a b.mp3"), "A");
        CShellFileOp op;
        op.SetOperationFlags(CShellFileOp::FO_DELETE, nullptr, CShellFileOp::FOF_ALLOWUNDO);
        op.AddSourceFile(dir.file("a b.mp3").c_str());
        ASSERT_EQ(op.Go(), 1) << op.GetErrorMessage();
    }
    std::string trash = dir.file("data/Trash");
    EXPECT_EQ(CShellFileOp::TrashFolder(), trash);
    EXPECT_EQ(ReadFileText(trash + "/files/a b.mp3"), "A");
    EXPECT_TRUE(fs::exists(trash + "/files/a b.mp3.2"));
    std::string info = ReadFileText(trash + "/info/a b.mp3.trashinfo");
    EXPECT_EQ(info.rfind("[Trash Info]\nPath=", 0), 0u);
    EXPECT_NE(info.find("/a%20b.mp3\nDeletionDate="), std::string::npos);
    EXPECT_FALSE(fs::exists(dir.file("a b.mp3")));

    CShellFileOp op;
    op.SetOperationFlags(CShellFileOp::FO_DELETE, nullptr, 0);
    op.AddSourceFile(dir.file("gone.mp3").c_str());
    ASSERT_EQ(op.Go(), 1);
    EXPECT_FALSE(fs::exists(dir.file("gone.mp3")));
    EXPECT_EQ(op.Go(), 0);  // nothing left to delete
    ::unsetenv("XDG_DATA_HOME");
}
