#pragma once
// The movie atom ("moov") of an MP4 file, held in memory: where its movie
// header, its item list and its chunk offset tables lie, and how to build a
// new movie atom with another item list.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "songcore/tags/Mp4Atoms.h"

namespace songcore {

class Mp4Movie {
public:
    // Parses a whole movie atom, header included. Nothing when it is not one,
    // or when an atom on the way to the item list or to a chunk offset table
    // is malformed.
    static std::optional<Mp4Movie> Parse(std::vector<uint8_t> bytes);

    const std::vector<uint8_t>& bytes() const { return bytes_; }
    // Content of the movie header ("mvhd"); empty when there is none.
    std::span<const uint8_t> movieHeader() const;
    bool hasItemList() const { return ilst_.has_value(); }
    // Content of moov.udta.meta.ilst; empty when there is none.
    std::span<const uint8_t> itemListContent() const;

    // A new movie atom whose item list holds content. A missing item list,
    // meta atom (with its handler atom) or user data atom is created; the
    // enclosing sizes are corrected. Chunk offsets are left alone.
    std::optional<std::vector<uint8_t>> WithItemList(std::span<const uint8_t> content) const;

    // Adds delta to every chunk offset ("stco", "co64") that points at or
    // after from. False, with nothing changed, when an offset would not fit.
    bool ShiftChunkOffsets(int64_t delta, uint64_t from);

private:
    Mp4Movie() = default;
    bool Walk();

    std::vector<uint8_t> bytes_;
    Mp4Atom moov_;
    uint64_t moovChildrenEnd_ = 0;
    std::optional<Mp4Atom> mvhd_, udta_, meta_, ilst_;
    uint64_t udtaChildrenEnd_ = 0;
    uint64_t metaChildrenEnd_ = 0;
    std::vector<Mp4Atom> chunkOffsetTables_;
};

}  // namespace songcore
