// Pictures of the Flac tag: not read yet.
#include "songcore/tags/SongFileInfo.h"

int CSongFileInfo::ReadFlacPictures(std::vector<songcore::Picture>& out) {
    out.clear();
    return 1;
}
