#pragma once
// The codecs whose comments the Ogg reader and writer handle, and how each
// one wraps its comment list in the second packet of the stream.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace songcore {

struct VorbisComments;

enum class OggCodec : uint8_t {
    kNone = 0,
    kVorbis,  // type 1, 3 and 5 headers; the comment list ends with a framing byte
    kOpus,    // "OpusHead", then "OpusTags" and the list
    kFlac,    // "\x7FFLAC" and STREAMINFO, then a VORBIS_COMMENT metadata block
};

// The codec whose identification packet this is (the first packet of the
// stream, whole), or kNone.
OggCodec OggCodecOf(std::span<const uint8_t> identification);

// The comment list inside a comment packet of codec: after the packet's own
// header, and for FLAC no further than the block's stated length. Nothing
// when the packet is not that codec's comment packet.
std::optional<std::span<const uint8_t>> OggCommentList(OggCodec codec,
                                                       std::span<const uint8_t> packet);

// Length of the packet's header before the comment list.
size_t OggCommentPrefixSize(OggCodec codec);

// Where the comment list lies in a comment packet of codec that is
// packetSize bytes long, told from the packet's first
// OggCommentPrefixSize(codec) bytes alone (head; all of a shorter packet),
// so that a packet left in the file can be judged as OggCommentList judges a
// whole one.
struct OggCommentListPlace {
    size_t offset = 0;
    size_t length = 0;
};
std::optional<OggCommentListPlace> OggCommentListIn(OggCodec codec, std::span<const uint8_t> head,
                                                    size_t packetSize);

// Whether zero bytes after the list of a new packet built after old (whose
// list is listSize bytes) keep the packet's length without changing its
// meaning. A FLAC block has a stated length, so its packet is always exact;
// an Opus packet is padded only when it keeps no binary data after the list.
bool OggCommentTakesPadding(OggCodec codec, std::span<const uint8_t> old, size_t listSize);

// A comment packet of codec holding comments, built after old (the file's
// comment packet): an Opus packet keeps the binary data that followed the
// list when that data asks to be kept, a FLAC block keeps its last-block
// flag. Empty when the list cannot be stored (a FLAC block is at most
// 16 MiB long).
std::vector<uint8_t> BuildOggCommentPacket(OggCodec codec, const VorbisComments& comments,
                                           std::span<const uint8_t> old);

// The bytes of old that a rewrite must keep: its header, the list of
// listSize bytes, and whatever the codec keeps after the list.
size_t OggCommentUsedSize(OggCodec codec, std::span<const uint8_t> old, size_t listSize);

}  // namespace songcore
