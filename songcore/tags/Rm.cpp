// The RealMedia content description chunk.
// Not built yet: the reader reports that it found nothing and the writers
// refuse, so the dispatch already works for every song type.
#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/StreamProperties.h"

int CSongFileInfo::GetRMInfo() {
    Init();
    return 0;
}

int CSongFileInfo::WriteRMInfo() {
    return 0;
}

void songcore::AddRMStreamProperties(CSongFileInfo&, StreamProperties&) {}
