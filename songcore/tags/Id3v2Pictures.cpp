// Pictures of the Id3v2 tag: not read yet.
#include "songcore/tags/SongFileInfo.h"

int CSongFileInfo::ReadID3V2Pictures(std::vector<songcore::Picture>& out) {
    out.clear();
    return 1;
}
