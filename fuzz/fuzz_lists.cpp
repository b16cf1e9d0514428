// Feeds arbitrary bytes to the play list readers: M3U and the song database
// from memory, the INI parser directly, and PLS (through the INI file
// operations) from a scratch file.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "songcore/lists/M3UFile.h"
#include "songcore/lists/PLSFile.h"
#include "songcore/lists/SDFFile.h"
#include "songcore/settings/Ini.h"
#include "songcore/settings/ProfileDocument.h"

namespace {

const std::string& ScratchPath() {
    static const std::string path = [] {
        char pattern[] = "/tmp/tunemoss-fuzz-lists-XXXXXX";
        const char* dir = ::mkdtemp(pattern);
        return std::string(dir ? dir : "/tmp") + "/input.pls";
    }();
    return path;
}

void FuzzM3U(const std::string& text) {
    CM3UFile list;
    list.OpenText(text, "/lists/x.m3u8");
    std::string artist, title, file;
    int length = 0;
    while (list.GetItem(artist, title, file, length)) {
    }
}

void FuzzSDF(const uint8_t* data, size_t size) {
    CSDFFile list;
    list.OpenBytes(std::vector<uint8_t>(data, data + size));
    uint32_t version = 0;
    list.ReadVersion(version);
    std::string artist, album, title, file;
    uint32_t type = 0;
    while (list.ReadItem(artist, album, title, file, type)) {
    }
}

void FuzzIni(const std::string& text) {
    songcore::ProfileDocument doc = songcore::ProfileDocument::Parse(text);
    // What is written must read back the same way.
    std::string once = doc.Serialize();
    songcore::ProfileDocument again = songcore::ProfileDocument::Parse(once);
    if (again.Serialize() != once || again.SectionNames() != doc.SectionNames()) {
        std::abort();
    }
    for (const std::string& name : doc.SectionNames()) {
        auto lines = doc.SectionLines(name);
        if (lines && !lines->empty()) {
            doc.Get(name, lines->front().substr(0, lines->front().find('=')));
        }
    }
    doc.Set("PlayList", "File1", text.substr(0, 64));
    doc.Serialize();
}

void FuzzPLS(const uint8_t* data, size_t size) {
    int fd = ::open(ScratchPath().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0) {
        return;
    }
    ssize_t written = ::write(fd, data, size);
    ::close(fd);
    if (written != static_cast<ssize_t>(size)) {
        return;
    }
    CPLSFile list(ScratchPath().c_str());
    // Whatever count the file claims, only the entries it holds are visited.
    list.ForEachItem([](CPLSFile::Item&) { return true; });
    std::string artist, title, file;
    int length = 0;
    list.GetItem(list.GetItemCount() - 1, artist, title, file, length);
    list.GetVersion();
    std::vector<std::string> items;
    list.GetArray("PlayList", "File1", &items);
    uint8_t block[16];
    list.GetDataBlock("PlayList", "Title1", block, sizeof block, 1);
    list.GetRect("PlayList", "Length1", CIni::RECT{});
    list.GetDouble("PlayList", "Length1", 0.0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    FuzzM3U(text);
    FuzzSDF(data, size);
    FuzzIni(text);
    FuzzPLS(data, size);
    return 0;
}
