#include "songcore/settings/AppRegKey.h"

#include <charconv>
#include <cstdlib>
#include <filesystem>

#include "songcore/settings/Ini.h"
#include "songcore/util/Codepage.h"
#include "songcore/util/NetworkDeadline.h"

namespace {

const char kSong[] = "Song";
const char kSearch[] = "Search";
const char kSetting[] = "Setting";

CIni Store() {
    return CIni(CAppRegKey::GetStorePath().c_str());
}

// The settings folder is made on the first write, not before.
bool MakeStoreFolder() {
    std::error_code ec;
    std::filesystem::create_directories(
        std::filesystem::path(CAppRegKey::GetStorePath()).parent_path(), ec);
    return !ec;
}

std::string ContentName(int index) {
    return "Content " + std::to_string(index);
}

}  // namespace

std::string CAppRegKey::GetStorePath() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string base;
    // freedesktop base folders must be absolute; a relative one is ignored.
    if (config != nullptr && config[0] == '/') {
        base = config;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home != nullptr ? home : "") + "/.config";
    }
    return base + "/Tunemoss/qarv.ini";
}

// --- primitives ---

std::string CAppRegKey::GetString(const char* section, const char* value,
                                  const char* defaultValue) {
    return Store().GetString(section, value, defaultValue ? defaultValue : "");
}

int CAppRegKey::GetInt(const char* section, const char* value, int defaultValue) {
    std::string text = Store().GetString(section, value, "");
    // A value that is not a whole number is of the wrong type: the default.
    int64_t number = 0;
    auto result = std::from_chars(text.data(), text.data() + text.size(), number);
    if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size() ||
        number < INT32_MIN || number > static_cast<int64_t>(UINT32_MAX)) {
        return defaultValue;
    }
    return static_cast<int>(static_cast<uint32_t>(number));
}

int CAppRegKey::GetBinary(const char* section, const char* value, std::vector<uint8_t>* data,
                          uint32_t* size) {
    CIni ini = Store();
    uint32_t count = ini.GetDataBlock(section, value, nullptr, 0);
    if (count == 0 || data == nullptr) {
        return 0;
    }
    data->resize(count);
    count = ini.GetDataBlock(section, value, data->data(), count);
    if (size != nullptr) {
        *size = count;
    }
    return count > 0 ? 1 : 0;
}

int CAppRegKey::SetString(const char* section, const char* value, const char* text) {
    return MakeStoreFolder() ? Store().WriteString(section, value, text ? text : "") : 0;
}

int CAppRegKey::SetInt(const char* section, const char* value, int number) {
    return MakeStoreFolder() ? Store().WriteInt(section, value, number) : 0;
}

int CAppRegKey::SetBinary(const char* section, const char* value, const uint8_t* data,
                          uint32_t size) {
    return MakeStoreFolder() ? Store().WriteDataBlock(section, value, data, size) : 0;
}

// --- Song ---

std::string CAppRegKey::GetAudioDevice() {
    std::string name = GetString("Player", "Audio Device", "auto");
    return name.empty() ? "auto" : name;
}

int CAppRegKey::SetAudioDevice(const char* name) {
    return SetString("Player", "Audio Device", name);
}

std::string CAppRegKey::GetReplayGain() {
    std::string mode = GetString("Player", "ReplayGain", "track");
    return mode == "album" || mode == "no" ? mode : "track";
}

int CAppRegKey::SetReplayGain(const char* mode) {
    return SetString("Player", "ReplayGain", mode);
}

int CAppRegKey::GetSongVolume() {
    return GetInt(kSong, "Volume", 500);
}
int CAppRegKey::SetSongVolume(int volume) {
    return SetInt(kSong, "Volume", volume);
}
int CAppRegKey::GetSongRepeat() {
    return GetInt(kSong, "Repeat", 0) == 1 ? 1 : 0;
}
int CAppRegKey::SetSongRepeat(int repeat) {
    return SetInt(kSong, "Repeat", repeat ? 1 : 0);
}
std::string CAppRegKey::GetSongSelectedItem() {
    return GetString(kSong, "SelectedItem", "");
}
int CAppRegKey::SetSongSelectedItem(const char* position) {
    return SetString(kSong, "SelectedItem", position);
}
int CAppRegKey::GetTabSelectedIndex() {
    return GetInt(kSong, "TabSelected", 0);
}
int CAppRegKey::SetTabSelectedIndex(int index) {
    return SetInt(kSong, "TabSelected", index);
}
uint32_t CAppRegKey::GetSongTreeViewMethod() {
    return static_cast<uint32_t>(GetInt(kSong, "TreeView", 0));
}
int CAppRegKey::SetSongTreeViewMethod(uint32_t method) {
    return MakeStoreFolder() ? Store().WriteUInt(kSong, "TreeView", method) : 0;
}
std::string CAppRegKey::GetLastPlaying() {
    return GetString(kSong, "LastPlaying", "");
}
int CAppRegKey::SetLastPlaying(const char* path) {
    return SetString(kSong, "LastPlaying", path);
}

// --- Search ---

int CAppRegKey::GetSearchContentCount() {
    return GetInt(kSearch, "Content Count", 0);
}
int CAppRegKey::SetSearchContentCount(int count) {
    return SetInt(kSearch, "Content Count", count);
}
std::string CAppRegKey::GetSearchContent(int index) {
    return GetString(kSearch, ContentName(index).c_str(), "");
}
int CAppRegKey::SetSearchContent(int index, const char* text) {
    return SetString(kSearch, ContentName(index).c_str(), text);
}
int CAppRegKey::GetSearchFilterIndex() {
    return GetInt(kSearch, "Filter Index", 0);
}
int CAppRegKey::SetSearchFilterIndex(int index) {
    return SetInt(kSearch, "Filter Index", index);
}
int CAppRegKey::GetSearchPlaceIndex() {
    return GetInt(kSearch, "Place Index", 0);
}
int CAppRegKey::SetSearchPlaceIndex(int index) {
    return SetInt(kSearch, "Place Index", index);
}

// --- Window ---

std::vector<uint8_t> CAppRegKey::GetWindowLayout(const char* name) {
    std::vector<uint8_t> layout;
    if (!GetBinary("Window", name, &layout, nullptr)) {
        layout.clear();
    }
    return layout;
}

int CAppRegKey::SetWindowLayout(const char* name, const std::vector<uint8_t>& layout) {
    return SetBinary("Window", name, layout.data(), static_cast<uint32_t>(layout.size()));
}

// --- Network ---

int CAppRegKey::GetTransferDeadline() {
    int seconds =
        GetInt("Network", "Transfer Deadline", songcore::kDefaultTransferDeadlineMs / 1000);
    return seconds >= 1 && seconds <= 86400 ? seconds : songcore::kDefaultTransferDeadlineMs / 1000;
}

std::string CAppRegKey::GetCddbEmail() {
    return GetString("Network", "CDDB Email", "");
}
int CAppRegKey::SetCddbEmail(const char* address) {
    return SetString("Network", "CDDB Email", address);
}
std::string CAppRegKey::GetCddbServer() {
    std::string server = GetString("Network", "CDDB Server", "");
    return server.empty() ? "gnudb.gnudb.org" : server;
}
int CAppRegKey::SetCddbServer(const char* server) {
    return SetString("Network", "CDDB Server", server);
}

std::string CAppRegKey::GetMusicBrainzServer() {
    std::string server = GetString("Online", "MusicBrainz Server", "");
    return server.empty() ? "https://musicbrainz.org" : server;
}
int CAppRegKey::SetMusicBrainzServer(const char* address) {
    return SetString("Online", "MusicBrainz Server", address);
}
std::string CAppRegKey::GetAcoustIdServer() {
    std::string server = GetString("Online", "AcoustID Server", "");
    return server.empty() ? "https://api.acoustid.org" : server;
}
int CAppRegKey::SetAcoustIdServer(const char* address) {
    return SetString("Online", "AcoustID Server", address);
}
std::string CAppRegKey::GetAcoustIdKey() {
    return GetString("Online", "AcoustID Key", "");
}
int CAppRegKey::SetAcoustIdKey(const char* key) {
    return SetString("Online", "AcoustID Key", key);
}
std::string CAppRegKey::GetCoverArtServer() {
    std::string server = GetString("Online", "Cover Art Server", "");
    return server.empty() ? "https://coverartarchive.org" : server;
}
int CAppRegKey::SetCoverArtServer(const char* address) {
    return SetString("Online", "Cover Art Server", address);
}
std::string CAppRegKey::GetCoverSize() {
    std::string size = GetString("Online", "Cover Size", "500");
    return size == "1200" || size == "original" || size == "none" ? size : "500";
}
int CAppRegKey::SetCoverSize(const char* size) {
    return SetString("Online", "Cover Size", size);
}

// --- Setting ---

std::string CAppRegKey::GetDefaultFolder() {
    return GetString(kSetting, "Folder", "");
}
int CAppRegKey::SetDefaultFolder(const char* folder) {
    return SetString(kSetting, "Folder", folder);
}
int CAppRegKey::AskWhenExitApp() {
    return GetInt(kSetting, "AskWhenExit", 1);
}
int CAppRegKey::SetAskWhenExitApp(int ask) {
    return SetInt(kSetting, "AskWhenExit", ask);
}
int CAppRegKey::MinimizeToTray() {
    return GetInt(kSetting, "MinimizeToTray", 0);
}
int CAppRegKey::SetMinimizeToTray(int minimize) {
    return SetInt(kSetting, "MinimizeToTray", minimize);
}
int CAppRegKey::PlayWhenDblClkItem() {
    return GetInt(kSetting, "DblClk", 1);
}
int CAppRegKey::SetDblClkItem(int play) {
    return SetInt(kSetting, "DblClk", play);
}
std::string CAppRegKey::GetLegacyEncoding() {
    std::string encoding =
        GetString(kSetting, "Legacy Encoding", std::string(songcore::kLatin1Encoding).c_str());
    return songcore::IsKnownEncoding(encoding) ? encoding : std::string(songcore::kLatin1Encoding);
}
int CAppRegKey::SetLegacyEncoding(const char* encoding) {
    return SetString(kSetting, "Legacy Encoding", encoding);
}
int CAppRegKey::GetOldPlayerTags() {
    return GetInt(kSetting, "Old Players", 0) == 1 ? 1 : 0;
}
int CAppRegKey::SetOldPlayerTags(int on) {
    return SetInt(kSetting, "Old Players", on ? 1 : 0);
}
std::string CAppRegKey::GetRenameAsCustomizeString() {
    return GetString(kSetting, "RenameAs", "%TITLE");
}
int CAppRegKey::SetRenameAsCustomizeString(const char* pattern) {
    return SetString(kSetting, "RenameAs", pattern);
}
std::string CAppRegKey::GetCopyToFileNameFormat() {
    return GetString(kSetting, "CopyTo", "%TITLE");
}
int CAppRegKey::SetCopyToFileNameFormat(const char* pattern) {
    return SetString(kSetting, "CopyTo", pattern);
}
int CAppRegKey::GetAlwaysOnTop() {
    return GetInt(kSetting, "TopMost", 0);
}
int CAppRegKey::SetAlwaysOnTop(int topMost) {
    return SetInt(kSetting, "TopMost", topMost);
}
