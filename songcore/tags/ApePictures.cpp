// Pictures of the Ape tag: not read yet.
#include "songcore/tags/SongFileInfo.h"

int CSongFileInfo::ReadAPEV2Pictures(std::vector<songcore::Picture>& out) {
    out.clear();
    return 1;
}
