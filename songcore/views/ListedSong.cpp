#include "songcore/views/ListedSong.h"

#include <cmath>
#include <variant>

#include "songcore/songfile/SongType.h"
#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/StreamProperties.h"

namespace songcore {

int ListedSongLength(const std::string& file) {
    CSongFileInfo song;
    if (!(GetSongType(file) & SONG_TYPE_LOCAL) || !song.Open(file, 1, 0)) {
        return 0;
    }
    song.GetSongInfo();
    StreamProperties properties = ReadStreamProperties(song);
    const StreamProperty* length = properties.find("length_seconds");
    if (length == nullptr) {
        return 0;
    }
    // Seconds, as a fraction or (RealMedia) whole.
    if (const double* seconds = std::get_if<double>(&length->value)) {
        return *seconds > 0 && *seconds < 1e9 ? static_cast<int>(std::lround(*seconds)) : 0;
    }
    if (const int64_t* whole = std::get_if<int64_t>(&length->value)) {
        return *whole > 0 && *whole < 1000000000 ? static_cast<int>(*whole) : 0;
    }
    return 0;
}

bool ReadListedTags(const std::string& file, ListedTags& tags) {
    CSongFileInfo song;
    if (!(GetSongType(file) & SONG_TYPE_LOCAL) || !song.Open(file, 1, 0)) {
        return false;
    }
    if (song.GetSongInfo()) {
        for (auto [field, value] : {std::pair{SongField::Artist, &tags.artist},
                                    {SongField::Album, &tags.album},
                                    {SongField::Title, &tags.title}}) {
            std::string text = song.GetText(field);
            if (!text.empty()) {
                *value = std::move(text);
            }
        }
    }
    return true;
}

}  // namespace songcore
