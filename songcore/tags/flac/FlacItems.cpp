// The other items of native FLAC files: the comments no field reads, from
// every comment block (the writer, Flac.cpp, makes them one).
#include "songcore/songfile/SongFileReader.h"
#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/flac/FlacMetadata.h"
#include "songcore/tags/ogg/VorbisComments.h"

int CSongFileInfo::ReadFlacItems(std::vector<songcore::TagItem>& out) {
    out.clear();
    uint64_t length = GetLength();
    if (length == kBadLength) {
        return 0;
    }
    std::optional<songcore::FlacLayout> layout =
        songcore::WalkFlacMetadata(songcore::SongFileReader(*this), length);
    if (!layout) {
        return 0;
    }
    std::vector<std::string> items;
    std::vector<uint8_t> body;
    for (const songcore::FlacBlock& block : layout->blocks) {
        if (block.type != songcore::kFlacVorbisComment) {
            continue;
        }
        songcore::VorbisComments comments;
        if (!ReadExact(block.bodyOffset(), block.length, body)) {
            return 0;
        }
        songcore::VorbisComments::Parse(body, comments, nullptr,
                                        songcore::VorbisComments::Pictures::kLeaveOut);
        items.insert(items.end(), comments.items.begin(), comments.items.end());
    }
    out = VorbisOtherItems(items);
    return 1;
}
