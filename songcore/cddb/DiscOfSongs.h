#pragma once
// Songs that came from an audio CD, looked up in a CD database as the disc
// they were ripped from: the table of contents their lengths give, and the
// fields a song gets from the disc's record.

#include <cstddef>
#include <vector>

#include "songcore/cddb/CDDBRecord.h"
#include "songcore/cddb/CDDBTrackPosition.h"
#include "songcore/edit/FieldEdits.h"

namespace songcore {

// The first track starts after the 2-second lead-in.
constexpr uint32_t kCdLeadInFrames = 150;

// The table of contents of a disc whose tracks last as long as the songs
// (seconds, in track order): one position per track, then the lead-out.
// Empty when there is no song or a length is not a positive, finite number
// that fits a disc.
std::vector<CCDDBTrackPosition> TocFromLengths(const std::vector<double>& seconds);

// The fields of the record's track (an index from 0): its title, the
// disc's artist (a track's own "Artist / Title" on a disc of various
// artists), album, year, genre, and the track's number of the total.
FieldValues FieldsFromCddbTrack(const CCDDBRecord& record, size_t track);

}  // namespace songcore
