// MP4 metadata atoms (moov.udta.meta.ilst).
// Not built yet: the reader reports that it found nothing and the writers
// refuse, so the dispatch already works for every song type.
#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/StreamProperties.h"

int CSongFileInfo::GetMP4Info() {
    Init();
    return 0;
}

int CSongFileInfo::WriteMP4Info() {
    return 0;
}

void songcore::AddMP4StreamProperties(CSongFileInfo&, StreamProperties&) {}
