#include "songcore/tags/mkv/Ebml.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

namespace songcore {

namespace {

// The length a variable-length number announces in its first byte; 0 when
// it announces more than max bytes.
int VintLength(uint8_t first, int max) {
    int length = std::countl_zero(first) + 1;
    return first == 0 || length > max ? 0 : length;
}

constexpr uint64_t MaxSizeOfWidth(int width) {
    return (uint64_t{1} << (7 * width)) - 2;  // all ones means "unknown"
}

}  // namespace

std::optional<EbmlElement> ReadEbmlHeader(ByteReader& in, uint64_t base) {
    const size_t start = in.pos();
    std::span<const uint8_t> rest = in.data().subspan(start);
    if (rest.empty()) {
        return std::nullopt;
    }
    const int idLength = VintLength(rest[0], 4);
    if (idLength == 0 || rest.size() < static_cast<size_t>(idLength) + 1) {
        return std::nullopt;
    }
    EbmlElement element;
    element.offset = base + start;
    for (int i = 0; i < idLength; ++i) {
        element.id = element.id << 8 | rest[i];
    }
    const int sizeLength = VintLength(rest[idLength], 8);
    if (sizeLength == 0 || rest.size() < static_cast<size_t>(idLength + sizeLength)) {
        return std::nullopt;
    }
    uint64_t size = rest[idLength] & (0xFFu >> sizeLength);
    bool allOnes = size == (0xFFu >> sizeLength);
    for (int i = 1; i < sizeLength; ++i) {
        uint8_t byte = rest[idLength + i];
        size = size << 8 | byte;
        allOnes = allOnes && byte == 0xFF;
    }
    element.headerLength = static_cast<uint8_t>(idLength + sizeLength);
    element.unknownSize = allOnes;
    element.size = allOnes ? 0 : size;
    in.skip(element.headerLength);
    return element;
}

std::vector<EbmlElement> EbmlChildren(std::span<const uint8_t> body, uint64_t base,
                                      bool* complete) {
    std::vector<EbmlElement> children;
    bool reachedEnd =
        ForEachEbmlChild(body, base, [&](const EbmlElement& child) { children.push_back(child); });
    if (complete) {
        *complete = reachedEnd;
    }
    return children;
}

std::span<const uint8_t> EbmlBody(std::span<const uint8_t> buffer, uint64_t base,
                                  const EbmlElement& element) {
    if (element.dataOffset() < base || element.end() - base > buffer.size()) {
        return {};
    }
    return buffer.subspan(static_cast<size_t>(element.dataOffset() - base),
                          static_cast<size_t>(element.size));
}

std::optional<uint64_t> EbmlUnsigned(std::span<const uint8_t> body) {
    if (body.size() > 8) {
        return std::nullopt;
    }
    uint64_t value = 0;
    for (uint8_t byte : body) {
        value = value << 8 | byte;
    }
    return value;
}

std::optional<double> EbmlFloat(std::span<const uint8_t> body) {
    ByteReader in(body);
    if (body.empty()) {
        return 0.0;
    }
    if (body.size() == 4) {
        return static_cast<double>(std::bit_cast<float>(in.u32be()));
    }
    if (body.size() == 8) {
        return std::bit_cast<double>(in.u64be());
    }
    return std::nullopt;
}

std::string EbmlString(std::span<const uint8_t> body) {
    std::string text(body.begin(), body.end());
    return text.substr(0, text.find('\0'));
}

int EbmlSizeWidth(uint64_t size) {
    for (int width = 1; width <= 8; ++width) {
        if (size <= MaxSizeOfWidth(width)) {
            return width;
        }
    }
    return 0;
}

void AppendEbmlId(ByteWriter& out, uint32_t id) {
    bool started = false;
    for (int shift = 24; shift >= 0; shift -= 8) {
        uint8_t byte = static_cast<uint8_t>(id >> shift);
        started = started || byte != 0;
        if (started) {
            out.u8(byte);
        }
    }
}

void AppendEbmlSize(ByteWriter& out, uint64_t size, int width) {
    width = std::max(width, EbmlSizeWidth(size));
    const uint64_t marked = size | uint64_t{1} << (7 * width);
    for (int i = width - 1; i >= 0; --i) {
        out.u8(static_cast<uint8_t>(marked >> (8 * i)));
    }
}

void AppendEbmlElement(ByteWriter& out, uint32_t id, std::span<const uint8_t> body) {
    AppendEbmlId(out, id);
    AppendEbmlSize(out, body.size());
    out.bytes(body);
}

void AppendEbmlUnsigned(ByteWriter& out, uint32_t id, uint64_t value) {
    std::vector<uint8_t> body;
    for (int shift = 56; shift >= 0; shift -= 8) {
        if (!body.empty() || (value >> shift) != 0 || shift == 0) {
            body.push_back(static_cast<uint8_t>(value >> shift));
        }
    }
    AppendEbmlElement(out, id, body);
}

void AppendEbmlString(ByteWriter& out, uint32_t id, const std::string& text) {
    AppendEbmlElement(out, id,
                      std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

void AppendEbmlMaster(ByteWriter& out, uint32_t id, std::span<const uint8_t> children, bool withCrc,
                      int extraSizeBytes) {
    constexpr uint64_t kCrcElementLength = 6;
    AppendEbmlId(out, id);
    const uint64_t size = children.size() + (withCrc ? kCrcElementLength : 0);
    AppendEbmlSize(out, size, EbmlSizeWidth(size) + extraSizeBytes);
    if (withCrc) {
        AppendEbmlId(out, ebml::kCrc32);
        AppendEbmlSize(out, 4);
        out.u32le(EbmlCrc32(children));
    }
    out.bytes(children);
}

std::optional<std::vector<uint8_t>> EbmlVoidHeader(uint64_t total) {
    for (int width = 1; width <= 8; ++width) {
        if (total < 1 + uint64_t(width)) {
            return std::nullopt;
        }
        const uint64_t body = total - 1 - width;
        if (body <= MaxSizeOfWidth(width)) {
            ByteWriter out;
            AppendEbmlId(out, ebml::kVoid);
            AppendEbmlSize(out, body, width);
            return out.take();
        }
    }
    return std::nullopt;
}

uint32_t EbmlCrc32(std::span<const uint8_t> data) {
    static const std::array<uint32_t, 256> kTable = [] {
        std::array<uint32_t, 256> table{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k) {
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            }
            table[i] = c;
        }
        return table;
    }();
    uint32_t crc = 0xFFFFFFFFu;
    for (uint8_t byte : data) {
        crc = kTable[(crc ^ byte) & 0xFF] ^ (crc >> 8);
    }
    return crc ^ 0xFFFFFFFFu;
}

}  // namespace songcore
