// Pictures of native FLAC files: the PICTURE metadata blocks. The writer
// (Flac.cpp) puts new ones after the comment block.
#include "songcore/songfile/SongFileReader.h"
#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/flac/FlacMetadata.h"

int CSongFileInfo::ReadFlacPictures(std::vector<songcore::Picture>& out) {
    out.clear();
    uint64_t length = GetLength();
    if (length == kBadLength) {
        return 0;
    }
    songcore::ReadExactFn read = songcore::SongFileReader(*this);
    std::optional<songcore::FlacLayout> layout = songcore::WalkFlacMetadata(read, length);
    if (!layout) {
        return 0;
    }
    out = songcore::ReadFlacPictureBlocks(read, *layout);
    return 1;
}
