// ID3v1 tags: the fixed 128-byte record at the end of MPEG audio files.
#include "songcore/tags/Id3v1Tag.h"
#include "songcore/tags/SongFileInfo.h"

using songcore::Id3v1Tag;

namespace {
// Reads the last 128 bytes; false when the file is shorter or unreadable.
bool ReadLastBlock(CSongFile& file, std::vector<uint8_t>& block) {
    uint64_t length = file.GetLength();
    if (length == CSongFile::kBadLength || length < Id3v1Tag::kSize) {
        return false;
    }
    return file.ReadExact(length - Id3v1Tag::kSize, Id3v1Tag::kSize, block);
}
}  // namespace

int CSongFileInfo::HasID3V1() {
    std::vector<uint8_t> block;
    return ReadLastBlock(*this, block) && Id3v1Tag::IsTag(block) ? 1 : 0;
}

int CSongFileInfo::GetID3V1Info() {
    Init();
    std::vector<uint8_t> block;
    if (!ReadLastBlock(*this, block)) {
        return 0;
    }
    std::optional<Id3v1Tag> tag = Id3v1Tag::Parse(block);
    if (!tag) {
        return 0;
    }
    title_ = tag->title;
    artist_ = tag->artist;
    album_ = tag->album;
    year_ = tag->year;
    comment_ = tag->comment;
    // An ID3v1.0 tag has no track byte: its track is unknown (0), not 1.
    trackNum_ = tag->track;
    SetGenre(static_cast<unsigned short>(tag->genre));
    tagKind_ = TAG_ID3V1;
    return 1;
}

int CSongFileInfo::WriteID3V1Info() {
    Id3v1Tag tag;
    tag.title = title_;
    tag.artist = artist_;
    tag.album = album_;
    tag.year = year_;
    tag.comment = comment_;
    tag.track = static_cast<uint8_t>(trackNum_ & 0xFF);
    tag.genre = static_cast<uint8_t>(genre_ & 0xFF);
    std::array<uint8_t, Id3v1Tag::kSize> block = tag.Serialize();

    if (!Seek(HasID3V1() ? -static_cast<int64_t>(Id3v1Tag::kSize) : 0, 2)) {
        return 0;
    }
    return Write(block.data(), Id3v1Tag::kSize);
}

int CSongFileInfo::RemoveID3V1Info() {
    while (HasID3V1()) {
        uint64_t length = GetLength();
        if (length == kBadLength || !SetLength(length - Id3v1Tag::kSize)) {
            return 0;
        }
    }
    return 1;
}
