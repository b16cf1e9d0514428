#include "songcore/tags/id3/Id3v1Tag.h"

#include <algorithm>
#include <cstring>

#include "songcore/tags/TagExtents.h"
#include "songcore/util/ByteReader.h"
#include "songcore/util/Text.h"

namespace songcore {
namespace {

std::string ReadField(ByteReader& reader, size_t size) {
    std::span<const uint8_t> raw = reader.bytes(size);
    auto end = std::find(raw.begin(), raw.end(), uint8_t{0});
    std::string latin1(raw.begin(), end);
    return Trim(Latin1ToUtf8(latin1));
}

void PutField(std::array<uint8_t, Id3v1Tag::kSize>& block, size_t offset, size_t size,
              const std::string& text) {
    // ISO-8859-1 has one byte per character, so the cut never splits one.
    std::string latin1 = Utf8ToLatin1(text);
    std::memcpy(block.data() + offset, latin1.data(), std::min(size, latin1.size()));
}

}  // namespace

bool Id3v1Tag::IsTag(std::span<const uint8_t> block) {
    return block.size() >= 3 && (block[0] | 0x20) == 't' && (block[1] | 0x20) == 'a' &&
           (block[2] | 0x20) == 'g' &&
           (block.size() != kSize || ApeTagLength(block.last(32)) == 0);
}

std::optional<Id3v1Tag> Id3v1Tag::Parse(std::span<const uint8_t> block) {
    if (block.size() != kSize || !IsTag(block)) {
        return std::nullopt;
    }
    ByteReader reader(block);
    reader.skip(3);
    Id3v1Tag tag;
    tag.title = ReadField(reader, 30);
    tag.artist = ReadField(reader, 30);
    tag.album = ReadField(reader, 30);
    tag.year = ReadField(reader, 4);
    tag.hasTrackByte = block[125] == 0;
    if (tag.hasTrackByte) {
        tag.comment = ReadField(reader, 28);
        tag.track = block[126];
    } else {
        tag.comment = ReadField(reader, 30);
    }
    tag.genre = block[127];
    return tag;
}

std::array<uint8_t, Id3v1Tag::kSize> Id3v1Tag::Serialize() const {
    std::array<uint8_t, kSize> block{};
    std::memcpy(block.data(), "TAG", 3);
    PutField(block, 3, 30, title);
    PutField(block, 33, 30, artist);
    PutField(block, 63, 30, album);
    PutField(block, 93, 4, year);
    PutField(block, 97, 28, comment);
    block[125] = 0;
    block[126] = track;
    block[127] = genre;
    return block;
}

bool Id3v1Tag::HoldsTextsWhole() const {
    auto fits = [](const std::string& text, size_t size) {
        bool lossless = false;
        return Utf8ToLatin1(text, &lossless).size() <= size && lossless;
    };
    return fits(title, 30) && fits(artist, 30) && fits(album, 30) && fits(year, 4) &&
           fits(comment, 28);
}

}  // namespace songcore
