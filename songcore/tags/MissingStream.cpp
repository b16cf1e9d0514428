// Telling a song whose stream cannot be found from one whose stream holds
// no properties to show.
#include "songcore/mpeg/MPAException.h"
#include "songcore/mpeg/MPAFile.h"
#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/StreamProperties.h"
#include "songcore/tags/TagExtents.h"

namespace songcore {

std::string MissingStreamProblem(CSongFileInfo& info, const StreamProperties& stream) {
    uint32_t type = info.GetSongType();
    const uint32_t kReadTypes = SONG_TYPE_MPA | SONG_TYPE_OGG | SONG_TYPE_FLAC | SONG_TYPE_MP4 |
                                SONG_TYPE_ASF | SONG_TYPE_RM | SONG_TYPE_WAV | SONG_TYPE_AIFF |
                                SONG_TYPE_DSF | SONG_TYPE_WAVPACK | SONG_TYPE_MATROSKA;
    if (!stream.empty() || !(type & kReadTypes)) {
        return {};
    }
    if (!(type & SONG_TYPE_MPA)) {
        return "no audio stream found";
    }
    // MPEG streams are only scanned in local files.
    if (!(type & SONG_TYPE_LOCAL)) {
        return {};
    }
    TagExtents extents;
    if (!FindTagExtents(info, extents) || extents.audioBegin() > UINT32_MAX) {
        return "no audio stream found";
    }
    try {
        CMPAFile file(info.GetFileName(), static_cast<uint32_t>(extents.audioBegin()),
                      CMPAFile::kInvalidHandle, extents.audioEnd());
    } catch (const CMPAException& e) {
        return std::string("no audio stream found: ") + e.what();
    }
    return "no audio stream found";
}

}  // namespace songcore
