#pragma once
// The movie atom of an open MP4 file and the top-level atoms around it.

#include <optional>
#include <string>
#include <vector>

#include "songcore/tags/mp4/Mp4Atoms.h"
#include "songcore/tags/mp4/Mp4Movie.h"

class CSongFile;

namespace songcore {

// Movie atoms are small next to the media; anything this large is not a
// song worth holding in memory.
constexpr uint64_t kMaxMp4MovieSize = uint64_t{128} << 20;

struct Mp4MovieInFile {
    std::vector<Mp4Atom> top;  // the atoms of the file
    // The last atom, when it runs past the end of the file (not in top).
    std::optional<Mp4Atom> cutShort;
    Mp4Atom where;  // the movie atom among them
    std::optional<Mp4Movie> movie;
};

// Which bytes of the movie atom are read.
enum class Mp4CoverBytes {
    kRead,
    // The cover items ("covr") of the item list are left out unread, and
    // the atoms that hold them shrink by their size: what the field reader
    // needs, however large the covers. Such a movie atom is never written.
    kLeftOut,
};

// The bytes of the movie atom at moov without its cover items, the sizes of
// the atoms that held them made smaller; nothing when it has none or the way
// to them is malformed.
std::optional<std::vector<uint8_t>> ReadMp4MovieWithoutCovers(const Mp4ReadFn& read,
                                                              const Mp4Atom& moov);

// Reads the file's atoms and its movie atom. why, when given, receives the
// reason for a failure in plain words; it stays empty when the file itself
// could not be read (the file says why).
bool LoadMp4Movie(CSongFile& file, Mp4MovieInFile& out, std::string* why = nullptr,
                  Mp4CoverBytes covers = Mp4CoverBytes::kRead);

}  // namespace songcore
