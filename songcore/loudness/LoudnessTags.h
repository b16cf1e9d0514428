#pragma once
// The loudness of a song and its album as tag items, under the keys the
// common players read (and loudgain writes): REPLAYGAIN_TRACK_GAIN and
// _PEAK, REPLAYGAIN_ALBUM_GAIN and _PEAK in a TXXX frame, a freeform MP4
// item, a Vorbis comment, an APEv2 item or an ASF attribute; in an Opus
// file R128_TRACK_GAIN and R128_ALBUM_GAIN instead, relative to -23 LUFS
// as the Opus format asks, its output gain left alone.

#include <cstdint>
#include <string>

#include "songcore/edit/SongEdit.h"
#include "songcore/loudness/LoudnessMeter.h"
#include "songcore/tags/TagItem.h"

namespace songcore {

struct LoudnessTagValues {
    const Loudness* track = nullptr;
    const Loudness* album = nullptr;  // none: the album items are left alone
    double reference = -18.0;         // the level REPLAYGAIN gains bring songs to
};

// The item edits that store values in a tag of kind (TAG_ID3V2, ...); with
// neither track nor album, the edits that remove every loudness item. A
// gain is left out for silence, which no gain brings to a level.
TagItemEdits LoudnessItemEdits(uint32_t kind, bool opus, const LoudnessTagValues& values);

// Stores (or, with neither track nor album, removes) the loudness items of
// the song at path as an edit that can be undone.
SongEditResult WriteLoudnessTags(const std::string& path, const LoudnessTagValues& values);

}  // namespace songcore
