// Pictures (METADATA_BLOCK_PICTURE items) and the other items of the comment
// list of Ogg Vorbis, Opus and FLAC streams (the writer is WriteOGGInfo).
#include "songcore/songfile/SongFileReader.h"
#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/ogg/OggHeaders.h"
#include "songcore/tags/ogg/OggTagHeaders.h"
#include "songcore/tags/ogg/VorbisComments.h"

namespace {

// The stream's comment list, its pictures kept or left out; false when the
// headers cannot be read. A list cut short gives the items before the damage.
bool ReadComments(CSongFile& file, songcore::VorbisComments::Pictures pictures,
                  songcore::VorbisComments& out) {
    // The pages are found from their headers, and the list's bytes come in
    // few large reads: a cover spreads over a thousand pages.
    std::optional<songcore::OggTagHeaders> located =
        songcore::ReadOggTagHeaders(songcore::SongFileReader(file));
    if (located &&
        songcore::VorbisComments::Parse(located->list, located->listSize, out, nullptr, pictures)) {
        return true;
    }
    // Damage, or a page that only looked like the next of a run: the pages
    // are read one by one.
    std::optional<songcore::OggHeaders> headers =
        songcore::ReadOggHeaders(songcore::SongFileReader(file), false);
    std::optional<std::span<const uint8_t>> list =
        headers ? songcore::OggCommentList(headers->codec, headers->comment) : std::nullopt;
    if (!list) {
        return false;
    }
    songcore::VorbisComments::Parse(*list, out, nullptr, pictures);
    return true;
}

}  // namespace

int CSongFileInfo::ReadOGGPictures(std::vector<songcore::Picture>& out) {
    out.clear();
    songcore::VorbisComments comments;
    if (!ReadComments(*this, songcore::VorbisComments::Pictures::kKeep, comments)) {
        return 0;
    }
    out = songcore::CommentPictures(comments.items);
    return 1;
}

int CSongFileInfo::ReadOGGItems(std::vector<songcore::TagItem>& out) {
    out.clear();
    songcore::VorbisComments comments;
    if (!ReadComments(*this, songcore::VorbisComments::Pictures::kLeaveOut, comments)) {
        return 0;
    }
    out = VorbisOtherItems(comments.items);
    return 1;
}
