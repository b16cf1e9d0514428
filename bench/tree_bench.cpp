// Times the song tree on a large collection: inserting 100,000 songs with
// known tags (spread over many artists, and all under one artist), saving
// and loading them as a song database file, and finding one by its path.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "songcore/songfile/SongType.h"
#include "songcore/views/SongTreeCtrl.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

std::string SongPath(int i) {
    return "/music/collection/" + std::to_string(i) + ".mp3";
}

void Run(const char* label, uint32_t view, int songs, int artists, const std::string& sdf) {
    const uint32_t type = SONG_TYPE_LOCAL | SONG_TYPE_MPA;
    CSongTreeCtrl tree;
    tree.SetViewMethod(view, 0);
    auto start = Clock::now();
    for (int i = 0; i < songs; ++i) {
        tree.InsertItem(SongPath(i), type, "Artist " + std::to_string(i % artists),
                        "Album " + std::to_string(i % 97), "", "Title " + std::to_string(i));
    }
    double insert = Seconds(start);

    start = Clock::now();
    if (!tree.SaveToFile(sdf)) {
        std::fprintf(stderr, "tree_bench: %s: cannot be written\n", sdf.c_str());
        std::exit(1);
    }
    double save = Seconds(start);

    CSongTreeCtrl loaded;
    loaded.SetViewMethod(view, 0);
    start = Clock::now();
    loaded.LoadFromFile(sdf);
    double load = Seconds(start);

    const int lookups = 10000;
    int found = 0;
    start = Clock::now();
    for (int i = 0; i < lookups; ++i) {
        found +=
            loaded.FindPathInTree(SongPath((i * 7919) % songs), loaded.GetRootItem()) != nullptr;
    }
    double find = Seconds(start) / lookups;

    std::printf("| %s | %u | %.3f | %.3f | %.3f | %.2f | %d of %d |\n", label, loaded.GetCount(),
                insert, save, load, find * 1e6, found, lookups);
}

// Resident memory of the process in KB.
long MemoryKb(const char* field) {
    FILE* status = std::fopen("/proc/self/status", "r");
    long kb = 0;
    char line[256];
    while (status != nullptr && std::fgets(line, sizeof line, status) != nullptr) {
        if (std::strncmp(line, field, std::strlen(field)) == 0) {
            kb = std::atol(line + std::strlen(field));
        }
    }
    if (status != nullptr) {
        std::fclose(status);
    }
    return kb;
}

// What a tree of songs over 1,000 artists holds, beyond the process before it.
int Memory(int songs) {
    const uint32_t type = SONG_TYPE_LOCAL | SONG_TYPE_MPA;
    long before = MemoryKb("VmRSS:");
    CSongTreeCtrl tree;
    for (int i = 0; i < songs; ++i) {
        tree.InsertItem(SongPath(i), type, "Artist " + std::to_string(i % 1000),
                        "Album " + std::to_string(i % 97), "", "Title " + std::to_string(i));
    }
    long held = MemoryKb("VmRSS:") - before;
    std::printf("| songs | artists | tree MB | bytes per song |\n|---:|---:|---:|---:|\n");
    std::printf("| %d | 1000 | %.1f | %.0f |\n", songs, held / 1024.0, held * 1024.0 / songs);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 2 && std::strcmp(argv[1], "memory") == 0) {
        return Memory(std::max(1, std::atoi(argv[2])));
    }
    int songs = argc > 1 ? std::atoi(argv[1]) : 100000;
    if (songs <= 0) {
        std::fprintf(stderr, "usage: tree_bench [SONGS]\n");
        return 2;
    }
    char folder[] = "/tmp/tree-bench-XXXXXX";
    if (::mkdtemp(folder) == nullptr) {
        std::perror("tree_bench: mkdtemp");
        return 1;
    }
    std::string sdf = std::string(folder) + "/bench.sdf";
    std::printf(
        "| songs, view | items | insert s | save s | load s | find us | found |\n"
        "|---|---:|---:|---:|---:|---:|---:|\n");
    const struct {
        uint32_t view;
        const char* name;
    } views[] = {{CSongTreeCtrl::VIEW_TYPE_ARTIST_SONG, "type, artist"},
                 {CSongTreeCtrl::VIEW_ARTIST_TYPE_SONG, "artist, type"}};
    for (const auto& view : views) {
        for (int artists : {1000, 1}) {
            std::string label =
                std::to_string(songs) + " under " +
                (artists == 1 ? std::string("one artist") : std::to_string(artists) + " artists") +
                ", " + view.name;
            Run(label.c_str(), view.view, songs, artists, sdf);
        }
    }
    ::unlink(sdf.c_str());
    ::rmdir(folder);
    return 0;
}
