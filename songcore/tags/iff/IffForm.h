#pragma once
// The chunk layout shared by WAV (RIFF, RF64) and AIFF (FORM): a container
// header naming the form type, then chunks of a four-letter id, a 32-bit
// body length and the body, padded to an even length. RIFF and RF64 store
// their numbers little-endian, FORM big-endian. Only the top-level chunks
// are walked; a LIST or other container chunk is one chunk here.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "songcore/util/ReadExact.h"

namespace songcore {

struct IffChunk {
    std::string id;       // four characters, as stored
    uint64_t offset = 0;  // of the chunk header
    uint64_t size = 0;    // body length (from ds64 for an RF64 data chunk)
    uint64_t bodyOffset() const { return offset + kHeaderSize; }
    // Where the next chunk starts: after the body and its pad byte.
    uint64_t paddedEnd() const { return bodyOffset() + size + (size & 1); }

    static constexpr uint64_t kHeaderSize = 8;
};

struct IffForm {
    static constexpr uint64_t kFormHeaderSize = 12;  // id, size, form type
    // More chunks than any real file holds; the walk stops there.
    static constexpr size_t kMaxChunks = 4096;

    std::string container;  // "RIFF", "RF64" or "FORM"
    std::string formType;   // "WAVE", "AIFF", "AIFC", ...
    bool bigEndian = false;
    // Where the form's chunks end: its declared end, or the file's end when
    // the file is shorter.
    uint64_t end = 0;
    // Whether the form's declared length ran past the end of the file.
    bool declaredPastFile = false;
    std::vector<IffChunk> chunks;
    // Bytes after the last chunk that are too few for a chunk header, or a
    // chunk whose body runs past the form's end (a recording cut short);
    // such a chunk is listed with the bytes that are there.
    bool damaged = false;

    // The first chunk of the id, matched without regard to letter case when
    // asked (WAV writers spell the ID3 chunk "id3 " or "ID3 ").
    const IffChunk* find(std::string_view id, bool anyCase = false) const;
    // Where the last chunk ends: a new chunk goes there.
    uint64_t chunksEnd() const;

    // Walks the form at the start of a file of fileLength bytes; nothing
    // when it does not start with a RIFF, RF64 or FORM header.
    static std::optional<IffForm> Read(const ReadExactFn& read, uint64_t fileLength);
};

}  // namespace songcore
