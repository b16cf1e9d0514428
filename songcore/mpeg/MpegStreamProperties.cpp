// Stream properties of MPEG audio files, from the frame scanner.
// Not built yet: no properties are reported.
#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/StreamProperties.h"

void songcore::AddMpegStreamProperties(CSongFileInfo&, StreamProperties&) {}
