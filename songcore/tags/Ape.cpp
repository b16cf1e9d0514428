// APEv2 tags at the end of AAC, Monkey's Audio, Musepack and MPEG audio files.
// Not built yet: the reader reports that it found nothing and the writers
// refuse, so the dispatch already works for every song type.
#include "songcore/tags/SongFileInfo.h"

int CSongFileInfo::HasAPEV2() {
    return 0;
}

int CSongFileInfo::GetAPEV2Info() {
    Init();
    return 0;
}

int CSongFileInfo::WriteAPEV2Info() {
    return 0;
}

int CSongFileInfo::RemoveAPEV2Info() {
    return 0;
}
