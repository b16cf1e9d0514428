#include "songcore/tags/mp4/Mp4MovieFile.h"

#include "songcore/songfile/SongFile.h"

namespace songcore {

namespace {

// The movie header's content past this is of no use to the readers.
constexpr uint64_t kMovieHeaderRead = 4096;

// The first child of parent (children from childrenStart) of the type, read
// header by header; false when the walk meets a malformed atom.
bool FindChildIn(const Mp4ReadFn& read, const Mp4Atom& parent, uint64_t childrenStart,
                 std::string_view type, std::optional<Mp4Atom>& found,
                 std::vector<Mp4Atom>* children = nullptr) {
    std::vector<Mp4Atom> listed;
    std::vector<Mp4Atom>& list = children ? *children : listed;
    if (!ListMp4Atoms(read, childrenStart, parent.end(), list)) {
        return false;
    }
    found.reset();
    if (const Mp4Atom* child = FindMp4Atom(list, type)) {
        found = *child;
    }
    return true;
}

// Reads [begin, end) but the cover items among items.
bool ReadWithoutCovers(const Mp4ReadFn& read, uint64_t begin, uint64_t end,
                       const std::vector<Mp4Atom>& items, std::vector<uint8_t>& out) {
    uint64_t kept = end - begin;
    for (const Mp4Atom& item : items) {
        if (item.type == "covr") {
            kept -= item.size;
        }
    }
    out.resize(static_cast<size_t>(kept));
    size_t filled = 0;
    uint64_t at = begin;
    auto copyTo = [&](uint64_t until) {
        size_t count = static_cast<size_t>(until - at);
        bool ok = count == 0 || read(at, count, out.data() + filled);
        filled += count;
        return ok;
    };
    for (const Mp4Atom& item : items) {
        if (item.type != "covr") {
            continue;
        }
        if (!copyTo(item.offset)) {
            return false;
        }
        at = item.end();
    }
    return copyTo(end);
}

}  // namespace

std::optional<Mp4TagBytes> ReadMp4TagBytes(const Mp4ReadFn& read, const Mp4Atom& moov,
                                           Mp4CoverBytes covers) {
    Mp4TagBytes out;
    std::vector<Mp4Atom> movieChildren;
    std::optional<Mp4Atom> udta, meta, ilst;
    if (!FindChildIn(read, moov, moov.contentOffset(), "udta", udta, &movieChildren)) {
        return std::nullopt;
    }
    if (const Mp4Atom* mvhd = FindMp4Atom(movieChildren, "mvhd")) {
        out.movieHeader.resize(
            static_cast<size_t>(std::min(mvhd->contentSize(), kMovieHeaderRead)));
        if (!read(mvhd->contentOffset(), out.movieHeader.size(), out.movieHeader.data())) {
            return std::nullopt;
        }
    }
    if (udta && !FindChildIn(read, *udta, udta->contentOffset(), "meta", meta)) {
        return std::nullopt;
    }
    if (meta && !FindChildIn(read, *meta, Mp4MetaChildrenStart(read, *meta), "ilst", ilst)) {
        return std::nullopt;
    }
    if (!ilst) {
        return out;
    }
    out.userData = udta;
    std::vector<Mp4Atom> items;
    if (covers == Mp4CoverBytes::kLeftOut &&
        !ListMp4Atoms(read, ilst->contentOffset(), ilst->end(), items)) {
        return std::nullopt;
    }
    std::vector<uint8_t> content;
    if (!ReadWithoutCovers(read, ilst->contentOffset(), ilst->end(), items, content)) {
        return std::nullopt;
    }
    out.itemList = std::move(content);
    return out;
}

// Reads through file.ReadAt, which leaves the file position alone.
Mp4ReadFn Mp4ReaderOf(CSongFile& file) {
    return [&file](uint64_t offset, size_t count, uint8_t* out) {
        for (size_t done = 0; done < count;) {
            long long got = file.ReadAt(offset + done, out + done, count - done);
            if (got <= 0) {
                return false;
            }
            done += static_cast<size_t>(got);
        }
        return true;
    };
}

bool FindMp4Movie(CSongFile& file, Mp4MovieInFile& out, std::string* why) {
    auto fail = [why](const std::string& reason) {
        if (why) {
            *why = reason;
        }
        return false;
    };
    uint64_t length = file.GetLength();
    if (length == CSongFile::kBadLength) {
        return false;
    }
    if (!ListMp4FileAtoms(Mp4ReaderOf(file), length, out.top, out.cutShort)) {
        return fail(
            "the file's atoms are damaged: an atom is smaller than its header or runs past the "
            "end of the file");
    }
    // A file cut short after its movie atom still has its tags.
    const Mp4Atom* moov = FindMp4Atom(out.top, "moov");
    if (!moov) {
        // An atom that swallows the rest of the file before any movie atom
        // may as well have a wrong size as be cut short.
        return fail(out.cutShort ? "the file's atoms are damaged: an atom is smaller than its "
                                   "header or runs past the end of the file"
                                 : "the file has no movie atom (moov)");
    }
    if (moov->size > kMaxMp4MovieSize) {
        return fail("the movie atom is larger than 128 MiB");
    }
    out.where = *moov;
    return true;
}

namespace {

const char* const kDamagedInside =
    "the file's atoms are damaged: an atom inside the movie atom is malformed or runs past its "
    "parent";

}  // namespace

std::optional<Mp4TagBytes> LoadMp4TagBytes(CSongFile& file, Mp4CoverBytes covers,
                                           std::string* why) {
    Mp4ReadFn read = Mp4ReaderOf(file);
    Mp4MovieInFile found;
    if (!FindMp4Movie(file, found, why)) {
        return std::nullopt;
    }
    // A read that fails is the file's to explain; anything else is damage.
    bool readFailed = false;
    Mp4ReadFn tracked = [&](uint64_t offset, size_t count, uint8_t* out) {
        readFailed = readFailed || !read(offset, count, out);
        return !readFailed;
    };
    std::optional<Mp4TagBytes> bytes = ReadMp4TagBytes(tracked, found.where, covers);
    if (!bytes && !readFailed && why) {
        *why = kDamagedInside;
    }
    return bytes;
}

bool LoadMp4Movie(CSongFile& file, Mp4MovieInFile& out, std::string* why) {
    if (!FindMp4Movie(file, out, why)) {
        return false;
    }
    std::vector<uint8_t> bytes;
    if (!file.ReadExact(out.where.offset, static_cast<size_t>(out.where.size), bytes)) {
        return false;
    }
    out.movie = Mp4Movie::Parse(std::move(bytes));
    if (!out.movie) {
        if (why) {
            *why = kDamagedInside;
        }
        return false;
    }
    return true;
}

}  // namespace songcore
