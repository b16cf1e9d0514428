#include "songcore/lists/ListEntries.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "songcore/files/PrivateProfile.h"
#include "songcore/lists/M3UFile.h"
#include "songcore/lists/PLSFile.h"
#include "songcore/lists/SDFFile.h"
#include "songcore/tags/SongType.h"
#include "songcore/util/Text.h"

namespace songcore {
namespace {

// The song-item flag of a type word.
constexpr uint32_t kSongItemFlag = 0x40;

bool ReadM3U(const std::string& path, std::vector<ListEntry>& entries, std::string& error) {
    CM3UFile list;
    if (!list.Open(path.c_str(), 1)) {
        error = list.GetErrorMessage();
        return false;
    }
    ListEntry entry;
    while (list.GetItem(entry.artist, entry.title, entry.file, entry.length)) {
        entries.push_back(entry);
    }
    return true;
}

bool ReadPLS(const std::string& path, std::vector<ListEntry>& entries, std::string& error) {
    if (::access(path.c_str(), R_OK) != 0) {
        error = std::strerror(errno);
        return false;
    }
    CPLSFile list(path.c_str());
    int count = list.GetItemCount();
    ListEntry entry;
    for (int i = 0; i < count; ++i) {
        if (list.GetItem(i, entry.artist, entry.title, entry.file, entry.length)) {
            entries.push_back(entry);
        }
    }
    return true;
}

bool ReadSDF(const std::string& path, std::vector<ListEntry>& entries, std::string& error) {
    CSDFFile list;
    if (!list.Open(path.c_str(), 1)) {
        error = list.GetErrorMessage();
        return false;
    }
    uint32_t version = 0;
    if (!list.ReadVersion(version) || version != CSDFFile::kVersion) {
        error = "not a song database file of version 1";
        return false;
    }
    ListEntry entry;
    while (list.ReadItem(entry.artist, entry.album, entry.title, entry.file, entry.type)) {
        entries.push_back(entry);
    }
    return true;
}

bool WriteM3U(const std::string& path, const std::vector<ListEntry>& entries, std::string& error) {
    CM3UFile list;
    if (!list.Open(path.c_str(), 0)) {
        error = list.GetErrorMessage();
        return false;
    }
    for (const ListEntry& entry : entries) {
        if (!list.WriteItem(entry.artist, entry.title, entry.file, entry.length)) {
            error = list.GetErrorMessage();
            return false;  // the unfinished list is dropped with the object
        }
    }
    if (!list.Commit()) {
        error = list.GetErrorMessage();
        return false;
    }
    return true;
}

bool WritePLS(const std::string& path, const std::vector<ListEntry>& entries, std::string& error) {
    // One write of the file for the whole list.
    ProfileWriteBatch batch(path);
    CPLSFile list(path.c_str());
    list.RemoveAll();
    int written = 0;
    for (const ListEntry& entry : entries) {
        if (list.WriteItem(written, entry.artist, entry.title, entry.file, entry.length)) {
            ++written;
        }
    }
    list.WriteItemCount(written);
    list.WriteVersion(2);
    if (!batch.Commit() || written != static_cast<int>(entries.size())) {
        error = ProfileLastError();
        if (error.empty()) {
            error = "an entry could not be stored";
        }
        return false;
    }
    return true;
}

bool WriteSDF(const std::string& path, const std::vector<ListEntry>& entries, std::string& error) {
    CSDFFile list;
    if (!list.Open(path.c_str(), 0) || !list.WriteVersion(CSDFFile::kVersion)) {
        error = list.GetErrorMessage();
        return false;
    }
    for (const ListEntry& entry : entries) {
        uint32_t type = entry.type != 0 ? entry.type : GetSongType(entry.file) | kSongItemFlag;
        if (!list.WriteItem(entry.artist, entry.album, entry.title, entry.file, type)) {
            error = list.GetErrorMessage();
            return false;
        }
    }
    if (!list.Commit()) {
        error = list.GetErrorMessage();
        return false;
    }
    return true;
}

}  // namespace

ListKind ListKindOf(const std::string& path) {
    std::string ext = std::filesystem::path(path).extension().string();
    if (EqualsIgnoreCaseAscii(ext, ".m3u") || EqualsIgnoreCaseAscii(ext, ".m3u8")) {
        return ListKind::M3U;
    }
    if (EqualsIgnoreCaseAscii(ext, ".pls")) {
        return ListKind::PLS;
    }
    if (EqualsIgnoreCaseAscii(ext, ".sdf")) {
        return ListKind::SDF;
    }
    return ListKind::Unknown;
}

bool ReadListFile(const std::string& path, std::vector<ListEntry>& entries, std::string& error) {
    entries.clear();
    switch (ListKindOf(path)) {
        case ListKind::M3U:
            return ReadM3U(path, entries, error);
        case ListKind::PLS:
            return ReadPLS(path, entries, error);
        case ListKind::SDF:
            return ReadSDF(path, entries, error);
        default:
            error = "not a play list (.m3u, .m3u8, .pls or .sdf)";
            return false;
    }
}

bool WriteListFile(const std::string& path, const std::vector<ListEntry>& entries,
                   std::string& error) {
    switch (ListKindOf(path)) {
        case ListKind::M3U:
            return WriteM3U(path, entries, error);
        case ListKind::PLS:
            return WritePLS(path, entries, error);
        case ListKind::SDF:
            return WriteSDF(path, entries, error);
        default:
            error = "not a play list (.m3u, .m3u8, .pls or .sdf)";
            return false;
    }
}

}  // namespace songcore
