#pragma once
// The movie atom ("moov") of an MP4 file, held in memory: where its movie
// header, its item list and its chunk offset tables lie, and how to build a
// new movie atom with another item list.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "songcore/tags/mp4/Mp4Atoms.h"

namespace songcore {

// The free atom a rewrite that has to move the media data leaves after the
// item list, so that the next few edits fit in place.
constexpr uint32_t kMp4PaddingSize = 1024;

// What a new item list does to the free atom beside the old one (in meta
// beside the item list, or in udta beside meta): its padding.
enum class Mp4Padding {
    kKeep,    // left alone; the movie atom grows or shrinks
    kAbsorb,  // takes the size change, so the movie atom keeps its size
    kRenew,   // gives way to a free atom of kMp4PaddingSize after the item list
};

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

    // True when the item list has padding beside it.
    bool hasPadding() const { return ilst_ && padding_; }

    // A new movie atom whose item list holds content. A missing item list,
    // meta atom (with its handler atom) or user data atom is created, with
    // no padding; the enclosing sizes are corrected. Chunk offsets are left
    // alone. Nothing when a size does not fit its header, and with kAbsorb
    // when there is no padding or it cannot take the change: a free atom
    // needs its 8 header bytes, so it either keeps them or goes whole.
    std::optional<std::vector<uint8_t>> WithItemList(std::span<const uint8_t> content,
                                                     Mp4Padding padding = Mp4Padding::kKeep) const;

    // Adds delta to every chunk offset ("stco", "co64") that points at or
    // after from. False, with nothing changed, when an offset would not fit.
    bool ShiftChunkOffsets(int64_t delta, uint64_t from);

    // A user data atom (udta, header included) of the same size whose item
    // list holds content: the padding beside the old item list takes the
    // change, or the new list has the old one's size. Nothing otherwise, or
    // when udta is malformed. Only the user data atom is needed, so a write
    // that fits leaves the rest of the movie atom (its track tables) unread.
    static std::optional<std::vector<uint8_t>> UserDataInPlace(std::span<const uint8_t> udta,
                                                               std::span<const uint8_t> content);

private:
    Mp4Movie() = default;
    bool Walk();

    std::vector<uint8_t> bytes_;
    Mp4Atom moov_;
    uint64_t moovChildrenEnd_ = 0;
    std::optional<Mp4Atom> mvhd_, udta_, meta_, ilst_;
    std::optional<Mp4Atom> padding_;
    bool paddingInMeta_ = false;
    uint64_t udtaChildrenEnd_ = 0;
    uint64_t metaChildrenEnd_ = 0;
    std::vector<Mp4Atom> chunkOffsetTables_;
};

}  // namespace songcore
