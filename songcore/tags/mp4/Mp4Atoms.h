#pragma once
// Walks the atoms (boxes) of an MP4 file: the 8-byte header of size and type,
// the 64-bit size form (size 1) and the atom that runs to the end of its
// region (size 0). The walker reads through a callback, so the same code
// serves a file on disk and a buffer held in memory.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace songcore {

struct Mp4Atom {
    std::string type;         // four bytes
    uint64_t offset = 0;      // first header byte
    uint64_t size = 0;        // the whole atom, header included
    uint32_t headerSize = 8;  // 8, or 16 with a 64-bit size
    bool sizeToEnd = false;   // the size field was 0

    uint64_t contentOffset() const { return offset + headerSize; }
    uint64_t contentSize() const { return size - headerSize; }
    uint64_t end() const { return offset + size; }
};

// Reads exactly count bytes at offset; false when they are not all there.
using Mp4ReadFn = std::function<bool(uint64_t offset, size_t count, uint8_t* out)>;

// Upper bound on the atoms of one region; a region holding more is refused
// rather than walked without end.
constexpr size_t kMp4MaxAtomsPerRegion = 1u << 20;

// Lists the atoms that fill [begin, end). A remainder shorter than a header
// is ignored (some writers end a container with a 32-bit zero). Returns false
// when an atom is smaller than its header or reaches past end, and for size 0
// unless sizeToEndAllowed: only the last atom of a file may run to its end,
// since inside a container it would swallow anything added after it.
bool ListMp4Atoms(const Mp4ReadFn& read, uint64_t begin, uint64_t end, std::vector<Mp4Atom>& out,
                  uint64_t* childrenEnd = nullptr, bool sizeToEndAllowed = false);
bool ListMp4Atoms(std::span<const uint8_t> data, uint64_t begin, uint64_t end,
                  std::vector<Mp4Atom>& out, uint64_t* childrenEnd = nullptr,
                  bool sizeToEndAllowed = false);

// The top level of a file of the given length. As ListMp4Atoms with the last
// atom allowed to run to the end, except that an atom reaching past the end
// of the file (a download stopped halfway) ends the walk without failing: it
// is left out of the list and returned in cutShort.
bool ListMp4FileAtoms(const Mp4ReadFn& read, uint64_t length, std::vector<Mp4Atom>& out,
                      std::optional<Mp4Atom>& cutShort);

// The first atom of the list with the given type, or null.
const Mp4Atom* FindMp4Atom(const std::vector<Mp4Atom>& atoms, std::string_view type);

// Where the children of a meta atom start: after its version-and-flags word
// (the ISO layout), or at once (the QuickTime layout, which has none).
uint64_t Mp4MetaChildrenStart(std::span<const uint8_t> data, const Mp4Atom& meta);
// The same, for a meta atom in a file.
uint64_t Mp4MetaChildrenStart(const Mp4ReadFn& read, const Mp4Atom& meta);

// Writes a new size into an atom header held in data (32 or 64 bits, as the
// header has room for). False when the size does not fit the header.
bool PutMp4AtomSize(std::vector<uint8_t>& data, const Mp4Atom& atom, uint64_t newSize);

}  // namespace songcore
