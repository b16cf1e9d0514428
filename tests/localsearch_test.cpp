// The local song search: which files a walk reports and how it stops.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>

#include "songcore/search/LocalSongSearch.h"
#include "support/TestSupport.h"

using namespace std::chrono_literals;
using testsupport::TempDir;

namespace {

class RecordingSearch : public CLocalSongSearch {
public:
    ~RecordingSearch() override {
        Stop();
        Wait();
    }
    // Runs a search to its end and returns the sorted paths found.
    std::vector<std::string> Find(const std::string& extensions, const std::string& folder) {
        {
            std::lock_guard lock(mutex_);
            found_.clear();
        }
        Search(extensions, folder);
        Wait();
        std::lock_guard lock(mutex_);
        std::vector<std::string> sorted = found_;
        std::sort(sorted.begin(), sorted.end());
        return sorted;
    }
    size_t Count() {
        std::lock_guard lock(mutex_);
        return found_.size();
    }

protected:
    void MusicFile(const std::string& path) override {
        std::lock_guard lock(mutex_);
        found_.push_back(path);
    }

private:
    std::mutex mutex_;
    std::vector<std::string> found_;
};

void Touch(const std::string& path) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path) << "x";
}

// A small collection with the names a real one has.
class LocalSearch : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = dir_.file("Music");
        for (const char* name : {"A Song.MP3", "notes.txt", "Sub/b.Wma", "song.mp3.bak", "x.wave",
                                 "live.mp3.mp3", "Sub/Deeper/Ünïcödé ☃.ogg", "with\nnewline.mp3",
                                 "dot.", "Folder.mp3/c.mp3", ".hidden.mp3", "MP3"}) {
            Touch(root_ + "/" + name);
        }
        // A loop back to the top, a link to a folder outside and a dangling link.
        std::filesystem::create_directory_symlink("..", root_ + "/Sub/up");
        Touch(dir_.file("Elsewhere/e.mp3"));
        std::filesystem::create_directory_symlink(dir_.file("Elsewhere"), root_ + "/Outside");
        std::filesystem::create_symlink(root_ + "/gone.mp3", root_ + "/dangling.mp3");
        ASSERT_EQ(::mkfifo((root_ + "/pipe.mp3").c_str(), 0600), 0);
    }

    std::string P(const std::string& name) const { return root_ + "/" + name; }

    TempDir dir_;
    std::string root_;
    RecordingSearch search_;
};

TEST_F(LocalSearch, ReportsMatchingFilesAsTheFileSystemSpellsThem) {
    std::vector<std::string> expected = {P(".hidden.mp3"),
                                         P("A Song.MP3"),
                                         P("Folder.mp3/c.mp3"),
                                         P("Outside/e.mp3"),
                                         P("Sub/Deeper/Ünïcödé ☃.ogg"),
                                         P("Sub/b.Wma"),
                                         P("live.mp3.mp3"),
                                         P("with\nnewline.mp3")};
    std::sort(expected.begin(), expected.end());
    // The folder is walked once although a link leads back into it; the
    // pipe, the folder named like a song and the dangling link are not songs.
    EXPECT_EQ(search_.Find("Mp3;WMA;ogg", root_), expected);
    EXPECT_EQ(search_.GetFolder(), root_);
    EXPECT_EQ(search_.GetSongExt(), "mp3;wma;ogg");
    EXPECT_EQ(search_.IsSearching(), 0);
}

TEST_F(LocalSearch, ExtensionsAreWholeSuffixes) {
    EXPECT_EQ(search_.Find("wav", root_), std::vector<std::string>{});
    EXPECT_EQ(search_.Find("wave", root_), std::vector<std::string>{P("x.wave")});
    EXPECT_EQ(search_.Find("bak", root_), std::vector<std::string>{P("song.mp3.bak")});
}

TEST_F(LocalSearch, EmptyListsAndEmptyEntries) {
    EXPECT_TRUE(search_.Find("", root_).empty());
    EXPECT_TRUE(search_.Find("txt;", root_) == std::vector<std::string>{P("notes.txt")});
    // An empty entry in the middle stands for names ending in ".".
    EXPECT_EQ(search_.Find("txt;;wave", root_),
              (std::vector<std::string>{P("dot."), P("notes.txt"), P("x.wave")}));
}

TEST_F(LocalSearch, AFolderWithOrWithoutTrailingSlashGivesTheSameFiles) {
    std::vector<std::string> plain = search_.Find("wma", root_ + "/Sub");
    EXPECT_EQ(plain, std::vector<std::string>{P("Sub/b.Wma")});
    EXPECT_EQ(search_.Find("wma", root_ + "/Sub/"), plain);
}

TEST_F(LocalSearch, OneFileOrAMissingPath) {
    EXPECT_EQ(search_.Find("mp3", P("A Song.MP3")), std::vector<std::string>{P("A Song.MP3")});
    EXPECT_TRUE(search_.Find("ogg", P("A Song.MP3")).empty());
    EXPECT_TRUE(search_.Find("mp3", P("pipe.mp3")).empty());
    EXPECT_TRUE(search_.Find("mp3", P("no such folder")).empty());
    EXPECT_EQ(search_.IsSearching(), 0);
}

TEST_F(LocalSearch, UnreadableFoldersAreSkipped) {
    Touch(P("Locked/hidden.mp3"));
    ::chmod(P("Locked").c_str(), 0);
    auto check = [this] {
        std::vector<std::string> found = search_.Find("mp3", root_);
        return std::count(found.begin(), found.end(), P("Locked/hidden.mp3")) == 0 &&
               std::count(found.begin(), found.end(), P("A Song.MP3")) == 1;
    };
    if (::geteuid() != 0) {
        EXPECT_TRUE(check());
    } else {
        // Permissions do not bind root: walk as an ordinary user in a child.
        ::chmod(dir_.path().c_str(), 0755);
        std::fflush(stdout);  // the child must not print the parent's buffered output again
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (::setgid(65534) != 0 || ::setuid(65534) != 0) {
                ::_exit(3);
            }
            ::_exit(check() ? 0 : 1);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
    ::chmod(P("Locked").c_str(), 0700);
}

// Blocks in its first report until the test lets it go on.
class BlockingSearch : public CLocalSongSearch {
public:
    ~BlockingSearch() override {
        Stop();
        Release();
        Wait();
    }
    void WaitForFirst() {
        std::unique_lock lock(mutex_);
        ASSERT_TRUE(changed_.wait_for(lock, 60s, [this] { return reports_ > 0; }));
    }
    void Release() {
        std::lock_guard lock(mutex_);
        released_ = true;
        changed_.notify_all();
    }
    int Reports() {
        std::lock_guard lock(mutex_);
        return reports_;
    }

protected:
    void MusicFile(const std::string&) override {
        std::unique_lock lock(mutex_);
        ++reports_;
        changed_.notify_all();
        changed_.wait(lock, [this] { return released_; });
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int reports_ = 0;
    bool released_ = false;
};

TEST(LocalSearchStop, StopEndsEveryLevelOfADeepWalk) {
    TempDir dir;
    std::string path = dir.path();
    for (int level = 0; level < 60; ++level) {
        path += "/level" + std::to_string(level);
        for (int i = 0; i < 3; ++i) {
            Touch(path + "/song" + std::to_string(i) + ".mp3");
        }
    }
    BlockingSearch search;
    search.Search("mp3", dir.path());
    search.WaitForFirst();
    EXPECT_EQ(search.IsSearching(), 1);
    search.Stop();
    search.Release();
    search.Wait();
    EXPECT_EQ(search.IsSearching(), 0);
    EXPECT_EQ(search.Reports(), 1);
}

TEST(LocalSearchStop, DestroyingTheSearchMidWalkIsSafe) {
    TempDir dir;
    for (int i = 0; i < 200; ++i) {
        Touch(dir.file("d" + std::to_string(i % 10) + "/s" + std::to_string(i) + ".mp3"));
    }
    for (int round = 0; round < 5; ++round) {
        RecordingSearch search;
        search.Search("mp3", dir.path());
        search.Search("mp3", dir.path());  // a second walk runs beside the first
        std::this_thread::sleep_for(std::chrono::milliseconds(round));
    }
}

TEST(LocalSearchCommand, PrintsEachFileFound) {
    TempDir dir;
    Touch(dir.file("a.mp3"));
    Touch(dir.file("sub/b.OGG"));
    Touch(dir.file("c.txt"));
    Touch(dir.file("odd\nname.mp3"));
    auto result = testsupport::RunTunemoss({"search", "--ext", "mp3", dir.path()});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find(dir.file("a.mp3") + "\n"), std::string::npos);
    EXPECT_EQ(result.out.find("b.OGG"), std::string::npos);

    // The default list holds every song type; --print0 keeps odd names whole.
    result = testsupport::RunTunemoss({"search", "--print0", dir.path()});
    EXPECT_EQ(result.status, 0) << result.err;
    std::set<std::string> names;
    for (size_t start = 0, end; (end = result.out.find('\0', start)) != std::string::npos;
         start = end + 1) {
        names.insert(result.out.substr(start, end - start));
    }
    EXPECT_EQ(names, (std::set<std::string>{dir.file("a.mp3"), dir.file("sub/b.OGG"),
                                            dir.file("odd\nname.mp3")}));

    result = testsupport::RunTunemoss({"search", dir.file("missing"), dir.path()});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find(dir.file("missing")), std::string::npos);
    EXPECT_NE(result.out.find(dir.file("a.mp3")), std::string::npos);

    EXPECT_EQ(testsupport::RunTunemoss({"search"}).status, 2);
}

}  // namespace
