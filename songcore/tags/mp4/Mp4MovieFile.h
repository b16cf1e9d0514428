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

// Whether cover items are read.
enum class Mp4CoverBytes {
    kRead,
    // The cover items ("covr") of the item list are left out unread: what
    // the field reader needs, however large the covers.
    kLeftOut,
};

// What the readers need of the movie atom. It is reached atom header by atom
// header, so that the track tables, megabytes in a long song, stay unread.
struct Mp4TagBytes {
    std::vector<uint8_t> movieHeader;  // content of mvhd; empty without one
    // The content of moov.udta.meta.ilst (with or without its cover items);
    // nothing when the movie atom has no item list.
    std::optional<std::vector<uint8_t>> itemList;
    // The user data atom that holds the item list.
    std::optional<Mp4Atom> userData;
};

// Reads the movie header and the item list of the movie atom at moov;
// nothing when an atom on the way is malformed or cannot be read.
std::optional<Mp4TagBytes> ReadMp4TagBytes(const Mp4ReadFn& read, const Mp4Atom& moov,
                                           Mp4CoverBytes covers);

// Lists the file's atoms into out and finds its movie atom (out.movie stays
// unread). why as for LoadMp4Movie.
bool FindMp4Movie(CSongFile& file, Mp4MovieInFile& out, std::string* why = nullptr);

// Reads exactly count bytes at offset of file, leaving its position alone.
Mp4ReadFn Mp4ReaderOf(CSongFile& file);

// Finds the file's movie atom and reads what ReadMp4TagBytes reads. why,
// when given, receives the reason for a failure in plain words.
std::optional<Mp4TagBytes> LoadMp4TagBytes(CSongFile& file, Mp4CoverBytes covers,
                                           std::string* why = nullptr);

// Reads the file's atoms and its movie atom. why, when given, receives the
// reason for a failure in plain words; it stays empty when the file itself
// could not be read (the file says why).
bool LoadMp4Movie(CSongFile& file, Mp4MovieInFile& out, std::string* why = nullptr);

}  // namespace songcore
