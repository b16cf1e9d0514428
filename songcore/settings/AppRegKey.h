#pragma once
// CAppRegKey: the application's persistent preferences, one getter and one
// setter per setting, each with its fixed default. The object holds nothing:
// every call goes to the settings file ($XDG_CONFIG_HOME/Tunemoss/qarv.ini),
// so two objects always see the same values.

#include <cstdint>
#include <string>
#include <vector>

class CAppRegKey {
public:
    CAppRegKey() = default;
    virtual ~CAppRegKey() = default;

    // Where the settings live now (the environment is read on every call).
    static std::string GetStorePath();

    // --- Song ---
    // The player's audio device, as libmpv names it; "auto" by default.
    std::string GetAudioDevice();
    int SetAudioDevice(const char* name);
    // The ReplayGain tags the player applies: [Player] ReplayGain, "track"
    // (the default), "album" or "no"; any other value reads as the default.
    std::string GetReplayGain();
    int SetReplayGain(const char* mode);
    int GetSongVolume();
    int SetSongVolume(int volume);
    int GetSongRepeat();
    int SetSongRepeat(int repeat);
    std::string GetSongSelectedItem();
    int SetSongSelectedItem(const char* position);
    int GetTabSelectedIndex();
    int SetTabSelectedIndex(int index);
    uint32_t GetSongTreeViewMethod();
    int SetSongTreeViewMethod(uint32_t method);
    std::string GetLastPlaying();
    int SetLastPlaying(const char* path);

    // --- Search ---
    int GetSearchContentCount();
    int SetSearchContentCount(int count);
    std::string GetSearchContent(int index);
    int SetSearchContent(int index, const char* text);
    int GetSearchFilterIndex();
    int SetSearchFilterIndex(int index);
    int GetSearchPlaceIndex();
    int SetSearchPlaceIndex(int index);

    // --- Network ---
    // How long one transfer (a block of an internet song, a search page) may
    // take in all, in seconds: [Network] Transfer Deadline, 120 by default;
    // a value outside 1 to 86400 reads as the default.
    int GetTransferDeadline();
    // The e-mail address CD database servers are told in the hello:
    // [Network] CDDB Email, none by default.
    std::string GetCddbEmail();
    int SetCddbEmail(const char* address);
    // The CD database qarv looks discs up in, HOST[:PORT]: [Network] CDDB
    // Server, gnudb.gnudb.org by default.
    std::string GetCddbServer();
    int SetCddbServer(const char* server);
    // The MusicBrainz server albums are looked up on: [Online] MusicBrainz
    // Server, https://musicbrainz.org by default.
    std::string GetMusicBrainzServer();
    int SetMusicBrainzServer(const char* address);
    // The AcoustID service fingerprints are looked up on: [Online] AcoustID
    // Server, https://api.acoustid.org by default; and the application key
    // it asks for, [Online] AcoustID Key (none: no lookup).
    std::string GetAcoustIdServer();
    int SetAcoustIdServer(const char* address);
    std::string GetAcoustIdKey();
    int SetAcoustIdKey(const char* key);
    // The Cover Art Archive, where looked-up albums' covers come from:
    // [Online] Cover Art Server, https://coverartarchive.org by default; and
    // the size fetched: [Online] Cover Size, "500" (the default), "1200",
    // "original" or "none".
    std::string GetCoverArtServer();
    int SetCoverArtServer(const char* address);
    std::string GetCoverSize();
    int SetCoverSize(const char* size);

    // --- Setting ---
    std::string GetDefaultFolder();
    int SetDefaultFolder(const char* folder);
    int AskWhenExitApp();
    int SetAskWhenExitApp(int ask);
    int MinimizeToTray();
    int SetMinimizeToTray(int minimize);
    int PlayWhenDblClkItem();
    int SetDblClkItem(int play);
    // The code page of legacy 8-bit tag text (ID3v1, ID3v2 frames in
    // ISO-8859-1, RealMedia): [Setting] Legacy Encoding, an encoding name
    // as ICU knows it; ISO-8859-1 by default and for a name it does not know.
    std::string GetLegacyEncoding();
    int SetLegacyEncoding(const char* encoding);
    // Whether MPEG files get an ID3v1 tag in that code page beside their
    // ID3v2 tag, for old players: [Setting] Old Players, 0 by default.
    int GetOldPlayerTags();
    int SetOldPlayerTags(int on);
    std::string GetRenameAsCustomizeString();
    int SetRenameAsCustomizeString(const char* pattern);
    std::string GetCopyToFileNameFormat();
    int SetCopyToFileNameFormat(const char* pattern);
    int GetAlwaysOnTop();
    int SetAlwaysOnTop(int topMost);

    // The desktop program's window layout (its geometry, the play list's
    // columns), as the toolkit saves it: opaque bytes under [Window].
    std::vector<uint8_t> GetWindowLayout(const char* name);
    int SetWindowLayout(const char* name, const std::vector<uint8_t>& layout);

protected:
    std::string GetString(const char* section, const char* value, const char* defaultValue);
    int GetInt(const char* section, const char* value, int defaultValue);
    int GetBinary(const char* section, const char* value, std::vector<uint8_t>* data,
                  uint32_t* size);
    int SetString(const char* section, const char* value, const char* text);
    int SetInt(const char* section, const char* value, int number);
    int SetBinary(const char* section, const char* value, const uint8_t* data, uint32_t size);
};
