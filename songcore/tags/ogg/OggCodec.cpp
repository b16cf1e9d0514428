#include "songcore/tags/ogg/OggCodec.h"

#include <algorithm>
#include <cstring>

#include "songcore/tags/ogg/VorbisComments.h"

namespace songcore {
namespace {

constexpr size_t kVorbisIdentificationSize = 30;
constexpr size_t kOpusHeadSize = 19;
constexpr size_t kOpusMagicSize = 8;
// "\x7FFLAC", version 1.x, a header count, "fLaC", a STREAMINFO block header
// and the 34 bytes of STREAMINFO.
constexpr size_t kFlacFirstPacketSize = 51;
constexpr size_t kFlacBlockHeaderSize = 4;
constexpr uint8_t kFlacVorbisCommentType = 4;
constexpr uint32_t kFlacMaxBlockLength = 0xFFFFFF;

bool StartsWith(std::span<const uint8_t> bytes, const char* text, size_t length) {
    return bytes.size() >= length && std::memcmp(bytes.data(), text, length) == 0;
}

// Opus keeps binary data after the list when the first byte of that data has
// its lowest bit set; with the bit clear the data is padding.
std::span<const uint8_t> OpusKeptData(std::span<const uint8_t> old, size_t listSize) {
    size_t start = kOpusMagicSize + listSize;
    if (old.size() <= start || (old[start] & 1) == 0) {
        return {};
    }
    return old.subspan(start);
}

}  // namespace

OggCodec OggCodecOf(std::span<const uint8_t> identification) {
    if (identification.size() >= kVorbisIdentificationSize && IsVorbisPacket(identification, 1)) {
        return OggCodec::kVorbis;
    }
    // Opus versions 0 to 15 are compatible with one another; a higher major
    // version may change the header.
    if (identification.size() >= kOpusHeadSize && StartsWith(identification, "OpusHead", 8) &&
        identification[8] < 16 && identification[9] > 0) {
        return OggCodec::kOpus;
    }
    if (identification.size() >= kFlacFirstPacketSize &&
        StartsWith(identification,
                   "\x7F"
                   "FLAC",
                   5) &&
        identification[5] == 1 && std::memcmp(identification.data() + 9, "fLaC", 4) == 0 &&
        (identification[13] & 0x7F) == 0 && identification[14] == 0 && identification[15] == 0 &&
        identification[16] == 34) {
        return OggCodec::kFlac;
    }
    return OggCodec::kNone;
}

size_t OggCommentPrefixSize(OggCodec codec) {
    switch (codec) {
        case OggCodec::kVorbis:
            return kVorbisCommonHeaderSize;
        case OggCodec::kOpus:
            return kOpusMagicSize;
        case OggCodec::kFlac:
            return kFlacBlockHeaderSize;
        case OggCodec::kNone:
            break;
    }
    return 0;
}

bool OggCommentTakesPadding(OggCodec codec, std::span<const uint8_t> old, size_t listSize) {
    return codec == OggCodec::kVorbis ||
           (codec == OggCodec::kOpus && OpusKeptData(old, listSize).empty());
}

std::optional<OggCommentListPlace> OggCommentListIn(OggCodec codec, std::span<const uint8_t> head,
                                                    size_t packetSize) {
    if (head.size() > packetSize) {
        return std::nullopt;
    }
    size_t prefix = OggCommentPrefixSize(codec);
    switch (codec) {
        case OggCodec::kVorbis:
            if (!IsVorbisPacket(head, 3)) {
                return std::nullopt;
            }
            break;
        case OggCodec::kOpus:
            if (!StartsWith(head, "OpusTags", kOpusMagicSize)) {
                return std::nullopt;
            }
            break;
        case OggCodec::kFlac: {
            if (head.size() < kFlacBlockHeaderSize || (head[0] & 0x7F) != kFlacVorbisCommentType) {
                return std::nullopt;
            }
            size_t length = size_t{head[1]} << 16 | size_t{head[2]} << 8 | head[3];
            if (length > packetSize - kFlacBlockHeaderSize) {
                return std::nullopt;
            }
            return OggCommentListPlace{prefix, length};
        }
        case OggCodec::kNone:
            return std::nullopt;
    }
    return OggCommentListPlace{prefix, packetSize - prefix};
}

std::optional<std::span<const uint8_t>> OggCommentList(OggCodec codec,
                                                       std::span<const uint8_t> packet) {
    std::span<const uint8_t> head =
        packet.first(std::min(packet.size(), OggCommentPrefixSize(codec)));
    std::optional<OggCommentListPlace> place = OggCommentListIn(codec, head, packet.size());
    if (!place) {
        return std::nullopt;
    }
    return packet.subspan(place->offset, place->length);
}

std::vector<uint8_t> BuildOggCommentPacket(OggCodec codec, const VorbisComments& comments,
                                           std::span<const uint8_t> old) {
    std::vector<uint8_t> packet;
    switch (codec) {
        case OggCodec::kVorbis:
            return BuildVorbisCommentPacket(comments);
        case OggCodec::kOpus: {
            VorbisComments oldList;
            size_t oldListSize = 0;
            std::span<const uint8_t> kept;
            if (old.size() >= kOpusMagicSize &&
                VorbisComments::Parse(old.subspan(kOpusMagicSize), oldList, &oldListSize)) {
                kept = OpusKeptData(old, oldListSize);
            }
            packet.assign({'O', 'p', 'u', 's', 'T', 'a', 'g', 's'});
            packet.reserve(kOpusMagicSize + comments.SerializedSize() + kept.size());
            comments.AppendTo(packet);
            packet.insert(packet.end(), kept.begin(), kept.end());
            return packet;
        }
        case OggCodec::kFlac: {
            size_t length = comments.SerializedSize();
            if (length > kFlacMaxBlockLength) {
                return packet;
            }
            // The last-block flag stays: the blocks after this one are kept.
            uint8_t last = old.empty() ? 0 : old[0] & 0x80;
            packet = {static_cast<uint8_t>(last | kFlacVorbisCommentType),
                      static_cast<uint8_t>(length >> 16), static_cast<uint8_t>(length >> 8),
                      static_cast<uint8_t>(length)};
            comments.AppendTo(packet);
            return packet;
        }
        case OggCodec::kNone:
            break;
    }
    return packet;
}

size_t OggCommentUsedSize(OggCodec codec, std::span<const uint8_t> old, size_t listSize) {
    switch (codec) {
        case OggCodec::kVorbis:
            return kVorbisCommonHeaderSize + listSize + 1;  // and the framing byte
        case OggCodec::kOpus:
            return kOpusMagicSize + listSize + OpusKeptData(old, listSize).size();
        case OggCodec::kFlac:
        case OggCodec::kNone:
            break;
    }
    return old.size();
}

}  // namespace songcore
