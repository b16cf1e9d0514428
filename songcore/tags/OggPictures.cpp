// Pictures of the Ogg tag: not read yet.
#include "songcore/tags/SongFileInfo.h"

int CSongFileInfo::ReadOGGPictures(std::vector<songcore::Picture>& out) {
    out.clear();
    return 1;
}
