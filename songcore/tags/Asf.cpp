// ASF (Windows Media) content descriptions.
// Not built yet: the reader reports that it found nothing and the writers
// refuse, so the dispatch already works for every song type.
#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/StreamProperties.h"

int CSongFileInfo::GetASFInfo() {
    Init();
    return 0;
}

int CSongFileInfo::WriteASFInfo() {
    return 0;
}

int CSongFileInfo::RemoveASFInfo() {
    return 0;
}

void songcore::AddASFStreamProperties(CSongFileInfo&, StreamProperties&) {}
