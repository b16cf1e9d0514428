#include "songcore/lists/ListEntries.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "songcore/lists/M3UFile.h"
#include "songcore/lists/PLSFile.h"
#include "songcore/lists/PlayListFile.h"
#include "songcore/lists/SDFFile.h"
#include "songcore/settings/Ini.h"
#include "songcore/settings/PrivateProfile.h"
#include "songcore/songfile/SongType.h"
#include "songcore/util/Paths.h"
#include "songcore/util/Text.h"

namespace songcore {
namespace {

using Visit = std::function<bool(ListEntry&)>;

// The song-item flag of a type word.
constexpr uint32_t kSongItemFlag = 0x40;

const char kUnknownKind[] = "not a play list (.m3u, .m3u8, .pls, .sdf or .pl)";

bool ReadM3U(const std::string& path, const Visit& visit, std::string& error) {
    CM3UFile list;
    if (!list.Open(path.c_str(), 1)) {
        error = list.GetErrorMessage();
        return false;
    }
    ListEntry entry;
    while (list.GetItem(entry.artist, entry.title, entry.file, entry.length)) {
        if (!visit(entry)) {
            break;
        }
    }
    return true;
}

bool ReadPLS(const std::string& path, const Visit& visit, std::string& error) {
    if (::access(path.c_str(), R_OK) != 0) {
        error = std::strerror(errno);
        return false;
    }
    std::error_code ec;
    if (std::filesystem::file_size(path, ec) > static_cast<uintmax_t>(kMaxProfileFileSize) && !ec) {
        error = "the file is too large for a PLS list (64 MB at most)";
        return false;
    }
    CPLSFile list(path.c_str());
    if (!list.IsSectionExist("playlist")) {
        error = "not a PLS play list (no [playlist] section)";
        return false;
    }
    ListEntry entry;
    list.ForEachItem([&](CPLSFile::Item& item) {
        entry.artist = std::move(item.artist);
        entry.title = std::move(item.title);
        entry.file = std::move(item.file);
        entry.length = item.length;
        return visit(entry);
    });
    return true;
}

bool ReadSDF(const std::string& path, const Visit& visit, std::string& error) {
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
        if (!visit(entry)) {
            return true;
        }
    }
    if (list.IsDamaged()) {
        error = list.GetErrorMessage();
        return false;
    }
    return true;
}

// The kind the first bytes of a file show.
ListKind SniffListKind(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string text(4096, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    if (text.compare(0, 3, "SDF") == 0) {
        return ListKind::SDF;
    }
    text = ListTextToUtf8(std::move(text));
    std::string_view start = text;
    while (start.substr(0, 3) == "\xEF\xBB\xBF") {
        start.remove_prefix(3);
    }
    std::string head = ToUpperAscii(Trim(start.substr(0, 64)));
    if (head.starts_with("#EXTM3U")) {
        return ListKind::M3U;
    }
    if (head.starts_with("[PLAYLIST]")) {
        return ListKind::PLS;
    }
    if (IsPlayListFile(path)) {
        return ListKind::PlayList;
    }
    return ListKind::Unknown;
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
    if (EqualsIgnoreCaseAscii(ext, ".pl")) {
        return ListKind::PlayList;
    }
    return ListKind::Unknown;
}

ListKind DetectListKind(const std::string& path) {
    ListKind kind = ListKindOf(path);
    return kind != ListKind::Unknown ? kind : SniffListKind(path);
}

bool ReadListFile(const std::string& path, const Visit& visit, std::string& error) {
    switch (DetectListKind(path)) {
        case ListKind::M3U:
            return ReadM3U(path, visit, error);
        case ListKind::PLS:
            return ReadPLS(path, visit, error);
        case ListKind::SDF:
            return ReadSDF(path, visit, error);
        case ListKind::PlayList:
            return ReadPlayListFile(path, visit, error);
        default:
            error = ::access(path.c_str(), R_OK) != 0 ? std::strerror(errno) : kUnknownKind;
            return false;
    }
}

bool ReadListFile(const std::string& path, std::vector<ListEntry>& entries, std::string& error) {
    entries.clear();
    return ReadListFile(
        path,
        [&](ListEntry& entry) {
            entries.push_back(entry);
            return true;
        },
        error);
}

struct ListFileWriter::Impl {
    ListKind kind = ListKind::Unknown;
    CM3UFile m3u;
    PlsWriter pls;
    CSDFFile sdf;
    // A list not committed is not left behind: the old file stays.
    ~Impl() {
        m3u.Abandon();
        sdf.Abandon();
    }
};

ListFileWriter::ListFileWriter() = default;
ListFileWriter::~ListFileWriter() = default;

bool ListFileWriter::Open(const std::string& path) {
    impl_ = std::make_unique<Impl>();
    impl_->kind = ListKindOf(path);
    error_.clear();
    bool ok = false;
    switch (impl_->kind) {
        case ListKind::M3U:
            ok = impl_->m3u.Open(path.c_str(), 0);
            error_ = impl_->m3u.GetErrorMessage();
            break;
        case ListKind::PLS:
            ok = impl_->pls.Open(path);
            error_ = impl_->pls.error();
            break;
        case ListKind::SDF:
            ok = impl_->sdf.Open(path.c_str(), 0) && impl_->sdf.WriteVersion(CSDFFile::kVersion);
            error_ = impl_->sdf.GetErrorMessage();
            break;
        case ListKind::PlayList:
            error_ = "desktop play lists (.pl) are read, not written";
            break;
        default:
            error_ = "not a play list (.m3u, .m3u8, .pls or .sdf)";
            break;
    }
    if (!ok) {
        impl_.reset();
    }
    return ok;
}

bool ListFileWriter::Add(const ListEntry& entry) {
    if (!impl_) {
        return false;
    }
    bool ok = false;
    switch (impl_->kind) {
        case ListKind::M3U:
            ok = impl_->m3u.WriteItem(entry.artist, entry.title, entry.file, entry.length);
            error_ = impl_->m3u.GetErrorMessage();
            break;
        case ListKind::PLS:
            ok = impl_->pls.Add(entry.artist, entry.title, entry.file, entry.length);
            error_ = impl_->pls.error();
            break;
        case ListKind::SDF: {
            uint32_t type = entry.type != 0 ? entry.type : GetSongType(entry.file) | kSongItemFlag;
            ok = impl_->sdf.WriteItem(entry.artist, entry.album, entry.title, entry.file, type);
            error_ = impl_->sdf.GetErrorMessage();
            break;
        }
        default:
            break;
    }
    if (!ok) {
        if (error_.empty()) {
            error_ = "an entry could not be stored";
        }
        impl_.reset();  // the unfinished list is dropped
    }
    return ok;
}

bool ListFileWriter::Commit() {
    if (!impl_) {
        if (error_.empty()) {
            error_ = "the list was not opened";
        }
        return false;
    }
    bool ok = false;
    switch (impl_->kind) {
        case ListKind::M3U:
            ok = impl_->m3u.Commit();
            error_ = impl_->m3u.GetErrorMessage();
            break;
        case ListKind::PLS:
            ok = impl_->pls.Commit();
            error_ = impl_->pls.error();
            break;
        case ListKind::SDF:
            ok = impl_->sdf.Commit();
            error_ = impl_->sdf.GetErrorMessage();
            break;
        default:
            break;
    }
    impl_.reset();
    return ok;
}

bool WriteListFile(const std::string& path, const std::vector<ListEntry>& entries,
                   std::string& error) {
    ListFileWriter writer;
    bool ok = writer.Open(path);
    for (size_t i = 0; ok && i < entries.size(); ++i) {
        ok = writer.Add(entries[i]);
    }
    ok = ok && writer.Commit();
    if (!ok) {
        error = writer.error();
    }
    return ok;
}

}  // namespace songcore
