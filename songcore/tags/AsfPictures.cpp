// Pictures of the Asf tag: not read yet.
#include "songcore/tags/SongFileInfo.h"

int CSongFileInfo::ReadASFPictures(std::vector<songcore::Picture>& out) {
    out.clear();
    return 1;
}
