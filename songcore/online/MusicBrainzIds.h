#pragma once
// The MusicBrainz identifiers of a song's release and track as tag items,
// under the keys MusicBrainz's own tagger and the players that read them
// use: "MusicBrainz Album Id" in a TXXX frame, an MP4 freeform item or (as
// "MusicBrainz/Album Id") an ASF attribute, MUSICBRAINZ_ALBUMID as a Vorbis
// comment or an APEv2 item, and the recording in ID3v2's UFID frame.

#include <cstdint>
#include <string>

#include "songcore/edit/SongEdit.h"
#include "songcore/online/MusicBrainzRelease.h"
#include "songcore/tags/TagItem.h"

namespace songcore {

// The edits that store the identifiers of the release and of its track
// (medium and track index into it) in a tag of kind; an identifier the
// release lacks is left as the tag has it.
TagItemEdits MusicBrainzIdEdits(uint32_t kind, const MbRelease& release, size_t medium,
                                size_t track);

SongEditResult WriteMusicBrainzIds(const std::string& path, const MbRelease& release, size_t medium,
                                   size_t track);

// The recording's identifier alone, for a song known by its sound only
// (an acoustic fingerprint's match).
SongEditResult WriteMusicBrainzRecordingId(const std::string& path, const std::string& recordingId);

}  // namespace songcore
