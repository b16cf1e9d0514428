#include "songcore/edit/EncodingRepair.h"

#include <algorithm>
#include <filesystem>
#include <map>

#include "songcore/tags/SongFileInfo.h"

namespace songcore {
namespace {

std::vector<std::vector<MisreadField>> FieldsOf(const RepairFolder& folder) {
    std::vector<std::vector<MisreadField>> fields;
    for (const RepairSong& song : folder.songs) {
        fields.push_back(song.fields);
    }
    return fields;
}

}  // namespace

std::optional<EncodingCandidate> RepairFolder::DecodeAs(std::string_view encoding) const {
    return DecodeAllAs(FieldsOf(*this), encoding);
}

std::string RepairFolder::Shown(size_t song, SongField field) const {
    for (const MisreadField& misread : songs.at(song).fields) {
        if (misread.field == field) {
            return misread.shown;
        }
    }
    return {};
}

std::vector<RepairFolder> JudgeFolders(const std::vector<std::string>& paths,
                                       std::vector<std::pair<std::string, std::string>>& failures) {
    std::map<std::string, std::vector<std::string>> byFolder;
    for (const std::string& path : paths) {
        byFolder[std::filesystem::path(path).parent_path().string()].push_back(path);
    }
    std::vector<RepairFolder> folders;
    for (auto& [name, songs] : byFolder) {
        std::sort(songs.begin(), songs.end());
        songs.erase(std::unique(songs.begin(), songs.end()), songs.end());
        RepairFolder folder{name, {}, {}};
        for (const std::string& path : songs) {
            CSongFileInfo info;
            if (!info.Open(path, 1, 0)) {
                failures.emplace_back(path, "cannot open: " + info.GetErrorMessage());
                continue;
            }
            if (info.GetSongInfo()) {
                folder.songs.push_back({path, MisreadFieldsOf(info)});
            }
        }
        folder.candidates = RankEncodings(FieldsOf(folder));
        folders.push_back(std::move(folder));
    }
    return folders;
}

std::vector<BatchItem> RepairItems(const RepairFolder& folder, const EncodingCandidate& chosen) {
    std::vector<BatchItem> items;
    for (size_t song = 0; song < folder.songs.size() && song < chosen.changes.size(); ++song) {
        if (!chosen.changes[song].empty()) {
            items.push_back({folder.songs[song].path, chosen.changes[song]});
        }
    }
    return items;
}

}  // namespace songcore
