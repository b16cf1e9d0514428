// The Vorbis comment block of native FLAC files.
// Not built yet: the reader reports that it found nothing and the writers
// refuse, so the dispatch already works for every song type.
#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/StreamProperties.h"

int CSongFileInfo::GetFlacInfo() {
    Init();
    return 0;
}

int CSongFileInfo::WriteFlacInfo() {
    return 0;
}

void songcore::AddFlacStreamProperties(CSongFileInfo&, StreamProperties&) {}
