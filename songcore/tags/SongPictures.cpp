// Which tag of a song holds its pictures, and the file-level entry points.
#include "songcore/tags/SongPictures.h"

#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/TagKinds.h"

int CSongFileInfo::ReadPictures(std::vector<songcore::Picture>& out) {
    out.clear();
    GetSongInfo();  // tells which tag the song has; a song without tags has none
    switch (GetExtrasTagKind()) {
        case TAG_ID3V2:
            return ReadID3V2Pictures(out);
        case TAG_APEV2:
            return ReadAPEV2Pictures(out);
        case TAG_OGG:
            return ReadOGGPictures(out);
        case TAG_FLAC:
            return ReadFlacPictures(out);
        case TAG_MP4:
            return ReadMP4Pictures(out);
        case TAG_ASF:
            return ReadASFPictures(out);
        case TAG_MATROSKA:
            return ReadMatroskaPictures(out);
        default:
            return 1;  // RealMedia and ID3v1-only files hold no pictures
    }
}

int CSongFileInfo::WritePictures(std::vector<songcore::Picture> pictures) {
    for (const songcore::Picture& picture : pictures) {
        if (picture.data.size() > songcore::kMaxPictureSize) {
            return Refuse("a picture is larger than 16 MB");
        }
        if (picture.data.empty()) {
            return Refuse("a picture has no bytes");
        }
    }
    GetSongInfo();
    uint32_t kind = GetExtrasTagKind();
    pendingPictures_ = std::move(pictures);
    int written = 0;
    switch (kind) {
        case TAG_ID3V2:
            written = WriteID3V2Info();
            break;
        case TAG_APEV2:
            written = WriteAPEV2Info();
            break;
        case TAG_OGG:
            written = WriteOGGInfo();
            break;
        case TAG_FLAC:
            written = WriteFlacInfo();
            break;
        case TAG_MP4:
            written = WriteMP4Info();
            break;
        case TAG_ASF:
            written = WriteASFInfo();
            break;
        case TAG_MATROSKA:
            written = WriteMatroskaInfo();
            break;
        default:
            pendingPictures_.reset();
            return Refuse("this format has no place for pictures");
    }
    pendingPictures_.reset();
    return written;
}

namespace songcore {

bool ReadSongPictures(const std::string& path, std::vector<Picture>& out, std::string& error) {
    CSongFileInfo song;
    if (!song.Open(path, 1, 0)) {
        error = FailureOf(song, "cannot open the file");
        return false;
    }
    if (!song.ReadPictures(out)) {
        error = FailureOf(song, "cannot read the tag");
        return false;
    }
    return true;
}

bool WriteSongPictures(const std::string& path, const std::vector<Picture>& pictures,
                       std::string& error) {
    CSongFileInfo song;
    if (!song.Open(path, 0, 0)) {
        error = OpenForWritingFailure(song);
        return false;
    }
    if (!song.WritePictures(pictures)) {
        error = FailureOf(song, "cannot write the tag");
        return false;
    }
    return true;
}

}  // namespace songcore
