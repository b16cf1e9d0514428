#include "songcore/tags/SongFileInfo.h"

#include "songcore/util/Text.h"

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
    for (std::string* field :
         {&title_, &artist_, &albumArtist_, &performer_, &organization_, &location_, &contact_,
          &album_, &year_, &comment_, &version_, &vendor_, &encodedBy_, &copyright_, &license_,
          &url_, &composer_, &origArtist_, &codec_}) {
        field->clear();
    }
    genre_ = GENRE_NONE;
    trackNum_ = 0;
    discNum_ = 0;
    tempo_ = 0;
    compilation_ = 0;
    codecType_ = 0xFFFF;
}

int CSongFileInfo::Open(std::string path, int readOnly, int create) {
    unsigned flags = typeBinary | shareDenyNone | (readOnly ? modeRead : modeReadWrite);
    if (create) {
        flags |= modeCreate;
    }
    return CSongFile::Open(std::move(path), flags);
}

void CSongFileInfo::SetTitle(std::string value) {
    title_ = songcore::Trim(value);
}
void CSongFileInfo::SetArtist(std::string value) {
    artist_ = songcore::Trim(value);
}
void CSongFileInfo::SetAlbumArtist(std::string value) {
    albumArtist_ = songcore::Trim(value);
}
void CSongFileInfo::SetPerformer(std::string value) {
    performer_ = songcore::Trim(value);
}
void CSongFileInfo::SetOrganization(std::string value) {
    organization_ = songcore::Trim(value);
}
void CSongFileInfo::SetLocation(std::string value) {
    location_ = songcore::Trim(value);
}
void CSongFileInfo::SetContact(std::string value) {
    contact_ = songcore::Trim(value);
}
void CSongFileInfo::SetAlbum(std::string value) {
    album_ = songcore::Trim(value);
}
void CSongFileInfo::SetYear(std::string value) {
    year_ = songcore::Trim(value);
}
void CSongFileInfo::SetComment(std::string value) {
    comment_ = songcore::Trim(value);
}
void CSongFileInfo::SetVendor(std::string value) {
    vendor_ = songcore::Trim(value);
}
void CSongFileInfo::SetEncodedBy(std::string value) {
    encodedBy_ = songcore::Trim(value);
}
void CSongFileInfo::SetCopyright(std::string value) {
    copyright_ = songcore::Trim(value);
}
void CSongFileInfo::SetLicense(std::string value) {
    license_ = songcore::Trim(value);
}
void CSongFileInfo::SetURL(std::string value) {
    url_ = songcore::Trim(value);
}
void CSongFileInfo::SetComposer(std::string value) {
    composer_ = songcore::Trim(value);
}
void CSongFileInfo::SetOrigArtist(std::string value) {
    origArtist_ = songcore::Trim(value);
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
    return 0;
}

uint32_t CSongFileInfo::GetWriteTagKind() const {
    if (tagKind_ != 0) {
        return tagKind_ & (~tagKind_ + 1);  // the lowest set bit
    }
    uint32_t type = GetSongType();
    if (type & SONG_TYPE_MPA) {
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
    return 0;  // ASF is written only after its content description was read
}

int CSongFileInfo::WriteSongInfo() {
    switch (GetWriteTagKind()) {
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
        default:
            return 0;
    }
}

void CSongFileInfo::Terminate() {
    terminate_.store(true);
    AbortStream();
}
