#pragma once
// EBML, the binary layout of Matroska and WebM files: elements of a
// variable-length id, a variable-length size and a body, read from byte
// buffers with every size checked against what holds it, and written back.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "songcore/util/ByteReader.h"
#include "songcore/util/ByteWriter.h"

namespace songcore {

// The element ids this program looks at (the id's marker bits included).
namespace ebml {
constexpr uint32_t kHeader = 0x1A45DFA3;
constexpr uint32_t kDocType = 0x4282;
constexpr uint32_t kVoid = 0xEC;
constexpr uint32_t kCrc32 = 0xBF;
constexpr uint32_t kSegment = 0x18538067;
constexpr uint32_t kSeekHead = 0x114D9B74;
constexpr uint32_t kSeek = 0x4DBB;
constexpr uint32_t kSeekId = 0x53AB;
constexpr uint32_t kSeekPosition = 0x53AC;
constexpr uint32_t kInfo = 0x1549A966;
constexpr uint32_t kTimestampScale = 0x2AD7B1;
constexpr uint32_t kDuration = 0x4489;
constexpr uint32_t kTitle = 0x7BA9;
constexpr uint32_t kTracks = 0x1654AE6B;
constexpr uint32_t kTrackEntry = 0xAE;
constexpr uint32_t kTrackType = 0x83;
constexpr uint32_t kCodecId = 0x86;
constexpr uint32_t kAudio = 0xE1;
constexpr uint32_t kSamplingFrequency = 0xB5;
constexpr uint32_t kOutputSamplingFrequency = 0x78B5;
constexpr uint32_t kChannels = 0x9F;
constexpr uint32_t kBitDepth = 0x6264;
constexpr uint32_t kCluster = 0x1F43B675;
constexpr uint32_t kTags = 0x1254C367;
constexpr uint32_t kTag = 0x7373;
constexpr uint32_t kTargets = 0x63C0;
constexpr uint32_t kTargetTypeValue = 0x68CA;
constexpr uint32_t kTagTrackUid = 0x63C5;
constexpr uint32_t kTagEditionUid = 0x63C9;
constexpr uint32_t kTagChapterUid = 0x63C4;
constexpr uint32_t kTagAttachmentUid = 0x63C6;
constexpr uint32_t kSimpleTag = 0x67C8;
constexpr uint32_t kTagName = 0x45A3;
constexpr uint32_t kTagString = 0x4487;
constexpr uint32_t kTagBinary = 0x4485;
constexpr uint32_t kAttachments = 0x1941A469;
constexpr uint32_t kAttachedFile = 0x61A7;
constexpr uint32_t kFileName = 0x466E;
constexpr uint32_t kFileMimeType = 0x4660;
constexpr uint32_t kFileDescription = 0x467E;
constexpr uint32_t kFileData = 0x465C;
constexpr uint32_t kFileUid = 0x46AE;
}  // namespace ebml

// One element: where it starts, how long its header is, and its body's size.
struct EbmlElement {
    uint32_t id = 0;
    uint64_t offset = 0;  // of the id's first byte
    uint8_t headerLength = 0;
    uint64_t size = 0;  // of the body; meaningless when unknownSize
    bool unknownSize = false;

    uint64_t dataOffset() const { return offset + headerLength; }
    uint64_t end() const { return dataOffset() + size; }
    uint64_t totalLength() const { return headerLength + size; }
};

// The longest header: a 4-byte id and an 8-byte size.
constexpr size_t kEbmlMaxHeaderLength = 12;

// Reads an element header at in's position; base is the offset of the
// buffer's first byte in the file. Nothing (in not advanced) when the id or
// size is malformed or cut short.
std::optional<EbmlElement> ReadEbmlHeader(ByteReader& in, uint64_t base = 0);

// The children of a body held in memory (base: the body's offset in the
// file). Each must have a known size that ends within the body; the list
// stops at the first that does not, and complete tells whether it reached
// the end. At most kEbmlMaxChildren are taken.
constexpr size_t kEbmlMaxChildren = 65536;
std::vector<EbmlElement> EbmlChildren(std::span<const uint8_t> body, uint64_t base = 0,
                                      bool* complete = nullptr);

// The same walk without a list: visit(child) for each child in order; true
// when it reached the end of the body.
template <class Visit>
bool ForEachEbmlChild(std::span<const uint8_t> body, uint64_t base, Visit&& visit) {
    ByteReader in(body);
    for (size_t count = 0; count < kEbmlMaxChildren; ++count) {
        if (in.atEnd()) {
            return true;
        }
        std::optional<EbmlElement> child = ReadEbmlHeader(in, base);
        if (!child || child->unknownSize || child->size > in.remaining()) {
            return false;
        }
        in.skip(static_cast<size_t>(child->size));
        visit(*child);
    }
    return false;
}

// The body of a child in a buffer given as EbmlChildren made it (same base).
std::span<const uint8_t> EbmlBody(std::span<const uint8_t> buffer, uint64_t base,
                                  const EbmlElement& element);

// Values: an unsigned integer of up to 8 bytes, a float of 0, 4 or 8 bytes,
// text up to its first zero byte.
std::optional<uint64_t> EbmlUnsigned(std::span<const uint8_t> body);
std::optional<double> EbmlFloat(std::span<const uint8_t> body);
std::string EbmlString(std::span<const uint8_t> body);

// How many bytes a size needs at least (1 to 8); 0 when it is too large.
int EbmlSizeWidth(uint64_t size);
void AppendEbmlId(ByteWriter& out, uint32_t id);
// width 0 writes the fewest bytes; a width too small for size is widened.
void AppendEbmlSize(ByteWriter& out, uint64_t size, int width = 0);
void AppendEbmlElement(ByteWriter& out, uint32_t id, std::span<const uint8_t> body);
void AppendEbmlUnsigned(ByteWriter& out, uint32_t id, uint64_t value);
void AppendEbmlString(ByteWriter& out, uint32_t id, const std::string& text);
// An element holding other elements: a CRC-32 of them first when withCrc,
// the size field widened by extraSizeBytes (so that it fills a room one
// byte longer).
void AppendEbmlMaster(ByteWriter& out, uint32_t id, std::span<const uint8_t> children, bool withCrc,
                      int extraSizeBytes = 0);

// The header of a Void element that is exactly total bytes long, header
// included; nothing for fewer than 2 bytes, which no element fits in.
std::optional<std::vector<uint8_t>> EbmlVoidHeader(uint64_t total);

// The CRC-32 an EBML CRC-32 element holds (the common reflected one, over
// the parent's bytes after it), stored least significant byte first.
uint32_t EbmlCrc32(std::span<const uint8_t> data);

}  // namespace songcore
