// Pictures of the Mp4 tag: not read yet.
#include "songcore/tags/SongFileInfo.h"

int CSongFileInfo::ReadMP4Pictures(std::vector<songcore::Picture>& out) {
    out.clear();
    return 1;
}
