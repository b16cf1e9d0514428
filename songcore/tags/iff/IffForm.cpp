#include "songcore/tags/iff/IffForm.h"

#include <algorithm>

#include "songcore/util/ByteReader.h"
#include "songcore/util/Text.h"

namespace songcore {

namespace {

uint32_t Number32(ByteReader& reader, bool bigEndian) {
    return bigEndian ? reader.u32be() : reader.u32le();
}

// RF64 keeps the lengths that do not fit 32 bits in its first chunk, "ds64":
// the form's length and the data chunk's; a 32-bit length of 0xFFFFFFFF
// stands for them.
struct Rf64Sizes {
    uint64_t form = 0;
    uint64_t data = 0;
};

std::optional<Rf64Sizes> ReadDs64(const ReadExactFn& read, uint64_t fileLength) {
    std::vector<uint8_t> bytes;
    if (fileLength < IffForm::kFormHeaderSize + IffChunk::kHeaderSize + 16 ||
        !read(IffForm::kFormHeaderSize, IffChunk::kHeaderSize + 16, bytes)) {
        return std::nullopt;
    }
    ByteReader reader(bytes);
    if (reader.fourcc() != "ds64") {
        return std::nullopt;
    }
    reader.u32le();
    Rf64Sizes sizes;
    sizes.form = reader.u64le();
    sizes.data = reader.u64le();
    return reader.ok() ? std::optional(sizes) : std::nullopt;
}

}  // namespace

const IffChunk* IffForm::find(std::string_view id, bool anyCase) const {
    for (const IffChunk& chunk : chunks) {
        if (anyCase ? EqualsIgnoreCaseAscii(chunk.id, id) : chunk.id == id) {
            return &chunk;
        }
    }
    return nullptr;
}

uint64_t IffForm::chunksEnd() const {
    return chunks.empty() ? kFormHeaderSize : std::min(chunks.back().paddedEnd(), end);
}

std::optional<IffForm> IffForm::Read(const ReadExactFn& read, uint64_t fileLength) {
    std::vector<uint8_t> header;
    if (fileLength < kFormHeaderSize || !read(0, kFormHeaderSize, header)) {
        return std::nullopt;
    }
    ByteReader reader(header);
    IffForm form;
    form.container = reader.fourcc();
    if (form.container != "RIFF" && form.container != "RF64" && form.container != "FORM") {
        return std::nullopt;
    }
    form.bigEndian = form.container == "FORM";
    uint64_t declared = Number32(reader, form.bigEndian);
    form.formType = reader.fourcc();
    std::optional<Rf64Sizes> rf64;
    if (form.container == "RF64") {
        rf64 = ReadDs64(read, fileLength);
        if (!rf64) {
            return std::nullopt;
        }
        if (declared == UINT32_MAX) {
            declared = rf64->form;
        }
    }
    // The declared length counts from after the length field.
    uint64_t declaredEnd = declared > UINT64_MAX - 8 ? UINT64_MAX : declared + 8;
    form.declaredPastFile = declaredEnd > fileLength;
    form.end = std::min(declaredEnd, fileLength);

    uint64_t pos = kFormHeaderSize;
    std::vector<uint8_t> bytes;
    while (pos + IffChunk::kHeaderSize <= form.end) {
        if (form.chunks.size() == kMaxChunks || !read(pos, IffChunk::kHeaderSize, bytes)) {
            form.damaged = true;
            return form;
        }
        ByteReader chunkReader(bytes);
        IffChunk chunk;
        chunk.id = chunkReader.fourcc();
        chunk.offset = pos;
        chunk.size = Number32(chunkReader, form.bigEndian);
        if (rf64 && chunk.id == "data" && chunk.size == UINT32_MAX) {
            chunk.size = rf64->data;
        }
        uint64_t room = form.end - chunk.bodyOffset();
        if (chunk.size > room) {
            // Cut short: what is there can still be read.
            chunk.size = room;
            form.chunks.push_back(std::move(chunk));
            form.damaged = true;
            return form;
        }
        pos = chunk.paddedEnd();
        form.chunks.push_back(std::move(chunk));
    }
    // A last odd chunk whose pad byte the file lacks ends the form cleanly;
    // a few bytes too short for a chunk header do not.
    form.damaged = pos < form.end;
    return form;
}

}  // namespace songcore
