#include "songcore/tags/asf/AsfHeaderReader.h"

#include <algorithm>

#include "songcore/tags/asf/AsfHeader.h"
#include "songcore/tags/asf/AsfObjects.h"
#include "songcore/util/ByteReader.h"
#include "songcore/util/ByteWriter.h"
#include "songcore/util/Text.h"

namespace songcore {
namespace {

constexpr size_t kObjectHeaderSize = AsfHeader::kObjectHeaderSize;
// Headers up to this size are walked in memory.
constexpr uint64_t kWholeHeaderRead = 64 * 1024;
// Object header, reserved GUID and 16-bit field, data length.
constexpr size_t kExtensionHeaderSize = kObjectHeaderSize + 16 + 2 + 4;

// Reads a stretch of the file piece by piece, never past its end.
class Cursor {
public:
    Cursor(const ReadExactFn& read, uint64_t pos, uint64_t end)
        : read_(read), pos_(pos), end_(end) {}

    bool ok() const { return ok_; }
    bool atEnd() const { return pos_ >= end_; }
    // Reads count bytes into bytes, whose room is reused from call to call.
    void take(size_t count, std::vector<uint8_t>& bytes) {
        if (!ok_ || count > end_ - pos_ || !read_(pos_, count, bytes)) {
            ok_ = false;
            bytes.clear();
            return;
        }
        pos_ += count;
    }
    void skip(uint64_t count) {
        if (count > end_ - pos_) {
            ok_ = false;
        } else {
            pos_ += count;
        }
    }
    uint16_t u16() {
        take(2, scratch_);
        return ok_ ? ByteReader(scratch_).u16le() : 0;
    }
    uint32_t u32() {
        take(4, scratch_);
        return ok_ ? ByteReader(scratch_).u32le() : 0;
    }

private:
    const ReadExactFn& read_;
    uint64_t pos_;
    uint64_t end_;
    bool ok_ = true;
    std::vector<uint8_t> scratch_;
};

enum class Layout {
    kExtended,  // extended content description: name, type, 16-bit value length
    kMetadata,  // metadata (library) record: language, stream, lengths, name, value
};

// The body of a description without its picture attributes; nothing when
// it cannot be walked to its last attribute.
std::optional<std::vector<uint8_t>> WithoutPictures(const ReadExactFn& read, uint64_t offset,
                                                    uint64_t length, Layout layout) {
    Cursor in(read, offset, offset + length);
    ByteWriter out;
    out.reserve(static_cast<size_t>(std::min<uint64_t>(length, kWholeHeaderRead)));
    uint16_t count = in.u16();
    out.u16le(0);  // the count kept, filled in below
    uint16_t kept = 0;
    std::vector<uint8_t> fixed, name, value;
    for (uint16_t i = 0; i < count && in.ok(); ++i) {
        uint32_t valueLength = 0;
        if (layout == Layout::kExtended) {
            in.take(in.u16(), name);
            in.take(4, fixed);  // type, value length
            valueLength = in.ok() ? ByteReader(fixed.data() + 2, 2).u16le() : 0;
        } else {
            in.take(12, fixed);
            valueLength = in.ok() ? ByteReader(fixed.data() + 8, 4).u32le() : 0;
            in.take(in.ok() ? ByteReader(fixed.data() + 4, 2).u16le() : 0, name);
        }
        if (!in.ok()) {
            break;
        }
        AsfDescriptor descriptor;
        descriptor.name = Utf16LeToUtf8(name);
        if (IsAsfPicture(descriptor)) {
            in.skip(valueLength);
            continue;
        }
        in.take(valueLength, value);
        if (layout == Layout::kExtended) {
            out.u16le(static_cast<uint16_t>(name.size()));
            out.bytes(name);
            out.bytes(fixed);
        } else {
            out.bytes(fixed);
            out.bytes(name);
        }
        out.bytes(value);
        ++kept;
    }
    if (!in.ok()) {
        return std::nullopt;
    }
    out.putU16le(0, kept);
    return out.take();
}

void PutObject(ByteWriter& out, std::span<const uint8_t> guid, std::span<const uint8_t> body) {
    out.bytes(guid);
    out.u64le(kObjectHeaderSize + body.size());
    out.bytes(body);
}

// The header extension object without the picture records of its metadata
// objects; nothing when its objects do not fill it.
std::optional<std::vector<uint8_t>> ExtensionWithoutPictures(const ReadExactFn& read,
                                                             uint64_t offset, uint64_t size) {
    std::vector<uint8_t> head;
    if (size < kExtensionHeaderSize || !read(offset, kExtensionHeaderSize, head) ||
        ByteReader(head.data() + kExtensionHeaderSize - 4, 4).u32le() !=
            size - kExtensionHeaderSize) {
        return std::nullopt;
    }
    ByteWriter out;
    out.bytes(head);
    uint64_t pos = offset + kExtensionHeaderSize, end = offset + size;
    // Each object takes at least its header, which bounds the walk.
    while (pos < end) {
        std::vector<uint8_t> header, bytes;
        if (end - pos < kObjectHeaderSize || !read(pos, kObjectHeaderSize, header)) {
            return std::nullopt;
        }
        uint64_t objectSize = ByteReader(header.data() + 16, 8).u64le();
        if (objectSize < kObjectHeaderSize || objectSize > end - pos) {
            return std::nullopt;
        }
        std::span<const uint8_t> guid(header.data(), 16);
        std::optional<std::vector<uint8_t>> body;
        if (std::equal(guid.begin(), guid.end(), asfguid::kMetadata.begin()) ||
            std::equal(guid.begin(), guid.end(), asfguid::kMetadataLibrary.begin())) {
            body = WithoutPictures(read, pos + kObjectHeaderSize, objectSize - kObjectHeaderSize,
                                   Layout::kMetadata);
        }
        if (body) {
            PutObject(out, guid, *body);
        } else if (read(pos, static_cast<size_t>(objectSize), bytes)) {
            out.bytes(bytes);
        } else {
            return std::nullopt;
        }
        pos += objectSize;
    }
    out.putU64le(16, out.size());
    out.putU32le(kExtensionHeaderSize - 4,
                 static_cast<uint32_t>(out.size() - kExtensionHeaderSize));
    return out.take();
}

// The header object's preamble and the size it claims for the header.
std::optional<uint64_t> ReadPreamble(const ReadExactFn& read, uint64_t maxSize,
                                     std::vector<uint8_t>& preamble, std::string* why) {
    auto fail = [why](const char* reason) -> std::optional<uint64_t> {
        if (why) {
            *why = reason;
        }
        return std::nullopt;
    };
    if (!read(0, AsfHeader::kPreambleSize, preamble)) {
        return fail("the file is too short to hold an ASF header");
    }
    std::optional<uint64_t> size = AsfHeader::ParseSize(preamble);
    if (!size) {
        return fail("the file does not start with an ASF header object");
    }
    if (*size > maxSize) {
        return fail("the ASF header claims to be larger than 64 MiB");
    }
    return size;
}

}  // namespace

std::optional<std::vector<uint8_t>> ReadAsfHeader(const ReadExactFn& read, std::string* why) {
    std::vector<uint8_t> preamble, header;
    std::optional<uint64_t> size = ReadPreamble(read, kMaxAsfHeaderSize, preamble, why);
    if (!size) {
        return std::nullopt;
    }
    if (!read(0, static_cast<size_t>(*size), header)) {
        if (why) {
            *why = "the ASF header runs past the end of the file";
        }
        return std::nullopt;
    }
    return header;
}

std::optional<std::vector<uint8_t>> ReadAsfHeaderWithoutPictures(const ReadExactFn& fileRead,
                                                                 uint64_t maxSize) {
    std::vector<uint8_t> preamble;
    std::optional<uint64_t> size = ReadPreamble(fileRead, maxSize, preamble, nullptr);
    if (!size) {
        return std::nullopt;
    }
    // A small header is read whole (one read, which the file's own buffer
    // mostly holds already) and walked in memory: the walk's many small
    // reads then cost a copy each, not a trip through the file.
    std::vector<uint8_t> whole;
    ReadExactFn inMemory;
    if (*size <= kWholeHeaderRead && fileRead(0, static_cast<size_t>(*size), whole)) {
        inMemory = [&whole](uint64_t offset, size_t count, std::vector<uint8_t>& out) {
            if (offset > whole.size() || count > whole.size() - offset) {
                return false;
            }
            out.assign(whole.begin() + static_cast<ptrdiff_t>(offset),
                       whole.begin() + static_cast<ptrdiff_t>(offset + count));
            return true;
        };
    }
    const ReadExactFn& read = inMemory ? inMemory : fileRead;
    uint32_t count = ByteReader(preamble.data() + 24, 4).u32le();
    ByteWriter out;
    out.reserve(whole.size());
    out.bytes(preamble);
    uint64_t offset = AsfHeader::kPreambleSize;
    // Each object takes at least its header, which bounds the walk by the
    // header's size.
    for (uint32_t i = 0; i < count && *size - offset >= kObjectHeaderSize; ++i) {
        std::vector<uint8_t> header, bytes;
        if (!read(offset, kObjectHeaderSize, header)) {
            break;
        }
        uint64_t objectSize = ByteReader(header.data() + 16, 8).u64le();
        if (objectSize < kObjectHeaderSize || objectSize > *size - offset) {
            break;  // damage: the rest is kept as it stands
        }
        std::span<const uint8_t> guid(header.data(), 16);
        std::optional<std::vector<uint8_t>> compact;
        if (std::equal(guid.begin(), guid.end(), asfguid::kExtendedContentDescription.begin())) {
            if (auto body = WithoutPictures(read, offset + kObjectHeaderSize,
                                            objectSize - kObjectHeaderSize, Layout::kExtended)) {
                ByteWriter object;
                PutObject(object, guid, *body);
                compact = object.take();
            }
        } else if (std::equal(guid.begin(), guid.end(), asfguid::kHeaderExtension.begin())) {
            compact = ExtensionWithoutPictures(read, offset, objectSize);
        }
        if (compact) {
            out.bytes(*compact);
        } else if (read(offset, static_cast<size_t>(objectSize), bytes)) {
            out.bytes(bytes);
        } else {
            return std::nullopt;
        }
        offset += objectSize;
    }
    std::vector<uint8_t> rest;
    if (offset < *size && !read(offset, static_cast<size_t>(*size - offset), rest)) {
        return std::nullopt;
    }
    out.bytes(rest);
    out.putU64le(16, out.size());
    return out.take();
}

}  // namespace songcore
