#include "songcore/tags/SongFileInfo.h"

#include <algorithm>

#include "songcore/tags/OldPlayerTags.h"

CSongFileInfo::CSongFileInfo() {
    Init();
}

CSongFileInfo::~CSongFileInfo() = default;

void CSongFileInfo::Init() {
    tagKind_ = 0;
    // A file cancelled before the reader started stays cancelled, so the
    // caller can still tell a cancelled read from a song without tags.
    terminate_.store(IsStreamAborted());
    // The lyrics survive on purpose: a reused record keeps the lyrics of the
    // song read before unless the new song has its own.
    fields_.ClearAllBut(songcore::SongField::Lyrics);
    legacyText_.reset();
    codec_.clear();
    codecType_ = 0xFFFF;
}

int CSongFileInfo::Open(std::string path, int readOnly, int create) {
    unsigned flags = typeBinary | shareDenyNone | (readOnly ? modeRead : modeReadWrite);
    if (create) {
        flags |= modeCreate;
    }
    return CSongFile::Open(std::move(path), flags);
}

uint16_t CSongFileInfo::GetGenre() const {
    std::span<const std::string> genres = GetValues(songcore::SongField::Genre);
    return genres.empty() ? GENRE_NONE : songcore::FindGenre(genres.front());
}

void CSongFileInfo::SetGenre(unsigned short id) {
    SetValues(songcore::SongField::Genre, {id < GENRE_NONE ? GetMP3Genre(id) : std::string()});
}

void CSongFileInfo::SetGenre(const char* name) {
    // Any text is a genre; the table's "--" is none.
    std::string_view text = name == nullptr ? "" : name;
    SetText(songcore::SongField::Genre, text == GetMP3Genre(GENRE_NONE) ? "" : text);
}

std::string CSongFileInfo::GetGenreString() const {
    return fields_.Has(songcore::SongField::Genre) ? GetText(songcore::SongField::Genre)
                                                   : GetMP3Genre(GENRE_NONE);
}

int CSongFileInfo::GetSongInfo() {
    uint32_t type = GetSongType();
    if (type & SONG_TYPE_MPA) {
        if (GetID3V2Info()) {
            FillFromID3V1();
            return 1;
        }
        return GetID3V1Info();
    }
    if (type & SONG_TYPE_OGG) {
        return GetOGGInfo();
    }
    if (type & SONG_TYPE_RM) {
        return GetRMInfo() || GetID3V1Info();
    }
    if (type & SONG_TYPE_ASF) {
        return GetASFInfo();
    }
    // Monkey's Audio and Musepack carry their tags as raw AAC does.
    if (type & (SONG_TYPE_AAC | SONG_TYPE_APE | SONG_TYPE_MPC)) {
        return GetAPEV2Info() || GetID3V2Info();
    }
    if (type & SONG_TYPE_MP4) {
        return GetMP4Info();
    }
    if (type & SONG_TYPE_FLAC) {
        return GetFlacInfo();
    }
    // The older text chunks stand in for a missing ID3 chunk; a write then
    // adds the ID3 chunk.
    if (type & (SONG_TYPE_WAV | SONG_TYPE_AIFF)) {
        return GetID3V2Info() || GetIffTextInfo();
    }
    if (type & SONG_TYPE_DSF) {
        return GetID3V2Info();
    }
    if (type & SONG_TYPE_WAVPACK) {
        return GetAPEV2Info() || GetID3V1Info();
    }
    if (type & SONG_TYPE_MATROSKA) {
        return GetMatroskaInfo();
    }
    return 0;
}

uint32_t CSongFileInfo::GetWriteTagKind() const {
    // WavPack's tag is APEv2; an ID3v1 tag there is read, never written.
    if (GetSongType() & SONG_TYPE_WAVPACK) {
        return TAG_APEV2;
    }
    if (tagKind_ != 0) {
        return tagKind_ & (~tagKind_ + 1);  // the lowest set bit
    }
    uint32_t type = GetSongType();
    if (type & (SONG_TYPE_MPA | SONG_TYPE_WAV | SONG_TYPE_AIFF | SONG_TYPE_DSF)) {
        return TAG_ID3V2;
    }
    if (type & SONG_TYPE_OGG) {
        return TAG_OGG;
    }
    if (type & SONG_TYPE_RM) {
        return TAG_RM;
    }
    if (type & (SONG_TYPE_AAC | SONG_TYPE_APE | SONG_TYPE_MPC)) {
        return TAG_APEV2;
    }
    if (type & SONG_TYPE_MP4) {
        return TAG_MP4;
    }
    if (type & SONG_TYPE_FLAC) {
        return TAG_FLAC;
    }
    if (type & SONG_TYPE_MATROSKA) {
        return TAG_MATROSKA;
    }
    return 0;  // ASF is written only after its content description was read
}

int CSongFileInfo::WriteSongInfo() {
    const uint32_t kind = GetWriteTagKind();
    if ((kind == TAG_ID3V1 || kind == TAG_ID3V2) && (GetSongType() & SONG_TYPE_MPA)) {
        if (std::optional<std::string> codepage = songcore::OldPlayerCodepage()) {
            return std::max(WriteMPEGBothTags(*codepage), 0);
        }
    }
    switch (kind) {
        case TAG_ID3V1:
            return (GetSongType() & SONG_TYPE_MPA) ? WriteMPEGID3V1Info() : WriteID3V1Info();
        case TAG_ID3V2:
            return WriteID3V2Info();
        case TAG_OGG:
            return WriteOGGInfo();
        case TAG_RM:
            return WriteRMInfo();
        case TAG_ASF:
            return WriteASFInfo();
        case TAG_APEV2:
            return WriteAPEV2Info();
        case TAG_MP4:
            return WriteMP4Info();
        case TAG_FLAC:
            return WriteFlacInfo();
        case TAG_MATROSKA:
            return WriteMatroskaInfo();
        default:
            return 0;
    }
}

void CSongFileInfo::Terminate() {
    terminate_.store(true);
    AbortStream();
}
