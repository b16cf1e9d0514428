#include "songcore/tags/StreamProperties.h"

#include "songcore/tags/SongFileInfo.h"

namespace songcore {

StreamProperties ReadStreamProperties(CSongFileInfo& song) {
    StreamProperties out;
    uint32_t type = song.GetSongType();
    if (type & SONG_TYPE_MPA) {
        AddMpegStreamProperties(song, out);
    } else if (type & SONG_TYPE_OGG) {
        AddOggStreamProperties(song, out);
    } else if (type & SONG_TYPE_FLAC) {
        AddFlacStreamProperties(song, out);
    } else if (type & SONG_TYPE_MP4) {
        AddMP4StreamProperties(song, out);
    } else if (type & SONG_TYPE_ASF) {
        AddASFStreamProperties(song, out);
    } else if (type & SONG_TYPE_RM) {
        AddRMStreamProperties(song, out);
    } else if (type & SONG_TYPE_AAC) {
        AddAacStreamProperties(song, out);
    } else if (type & (SONG_TYPE_WAV | SONG_TYPE_AIFF)) {
        AddIffStreamProperties(song, out);
    } else if (type & SONG_TYPE_DSF) {
        AddDsfStreamProperties(song, out);
    } else if (type & SONG_TYPE_WAVPACK) {
        AddWavPackStreamProperties(song, out);
    } else if (type & SONG_TYPE_MATROSKA) {
        AddMatroskaStreamProperties(song, out);
    }
    return out;
}

}  // namespace songcore
