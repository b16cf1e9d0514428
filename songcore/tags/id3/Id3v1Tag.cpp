#include "songcore/tags/id3/Id3v1Tag.h"

#include <algorithm>
#include <cstring>

#include "songcore/tags/TagExtents.h"
#include "songcore/util/ByteReader.h"
#include "songcore/util/Codepage.h"
#include "songcore/util/Text.h"

namespace songcore {
namespace {

std::string ReadField(ByteReader& reader, size_t size) {
    std::span<const uint8_t> raw = reader.bytes(size);
    auto end = std::find(raw.begin(), raw.end(), uint8_t{0});
    std::string bytes(raw.begin(), end);
    return Trim(DecodeLegacyText(bytes));
}

// The text in its code page (codepage, or the legacy one), cut to at most
// size bytes between two characters: a code page of two-byte characters
// must not lose half of one.
std::string FieldBytes(const std::string& text, size_t size, const std::string& codepage) {
    auto encode = [&codepage](std::string_view part) {
        return codepage.empty() ? EncodeLegacyText(part) : EncodeReplacing(part, codepage);
    };
    // Every character takes a byte at least, so those past size never fit.
    size_t end = 0;
    for (size_t characters = 0; end < text.size() && characters < size; ++characters) {
        ++end;
        while (end < text.size() && (static_cast<uint8_t>(text[end]) & 0xC0) == 0x80) {
            ++end;
        }
    }
    std::string cut = text.substr(0, end);
    std::string bytes = encode(cut);
    while (bytes.size() > size && !cut.empty()) {
        size_t last = cut.size() - 1;
        while (last > 0 && (static_cast<uint8_t>(cut[last]) & 0xC0) == 0x80) {
            --last;
        }
        cut.resize(last);
        bytes = encode(cut);
    }
    return bytes;
}

void PutField(std::array<uint8_t, Id3v1Tag::kSize>& block, size_t offset, size_t size,
              const std::string& text, const std::string& codepage) {
    std::string bytes = FieldBytes(text, size, codepage);
    std::memcpy(block.data() + offset, bytes.data(), std::min(size, bytes.size()));
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
    PutField(block, 3, 30, title, codepage);
    PutField(block, 33, 30, artist, codepage);
    PutField(block, 63, 30, album, codepage);
    PutField(block, 93, 4, year, codepage);
    PutField(block, 97, 28, comment, codepage);
    block[125] = 0;
    block[126] = track;
    block[127] = genre;
    return block;
}

bool Id3v1Tag::HoldsTextsWhole() const {
    auto fits = [this](const std::string& text, size_t size) {
        bool lossless = false;
        std::string bytes = codepage.empty() ? EncodeLegacyText(text, &lossless)
                                             : EncodeReplacing(text, codepage, &lossless);
        return bytes.size() <= size && lossless;
    };
    return fits(title, 30) && fits(artist, 30) && fits(album, 30) && fits(year, 4) &&
           fits(comment, 28);
}

}  // namespace songcore
