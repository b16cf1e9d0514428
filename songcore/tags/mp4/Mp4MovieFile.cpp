#include "songcore/tags/mp4/Mp4MovieFile.h"

#include "songcore/songfile/SongFile.h"

namespace songcore {

namespace {

struct Range {
    uint64_t begin = 0;
    uint64_t end = 0;
};

// The atoms on the way from the movie atom to its item list, and the cover
// items in the list; nothing when the way is not there or is malformed (the
// whole movie atom is then read, and parsing it tells).
struct CoverPath {
    std::vector<Mp4Atom> holders;  // udta, meta, ilst
    std::vector<Range> covers;
};

std::optional<CoverPath> FindCovers(const Mp4ReadFn& read, const Mp4Atom& moov) {
    CoverPath path;
    path.holders.reserve(4);  // parent points into it
    const Mp4Atom* parent = &moov;
    uint64_t childrenStart = moov.contentOffset();
    for (const char* type : {"udta", "meta", "ilst"}) {
        std::vector<Mp4Atom> children;
        if (!ListMp4Atoms(read, childrenStart, parent->end(), children)) {
            return std::nullopt;
        }
        const Mp4Atom* child = FindMp4Atom(children, type);
        if (!child || child->sizeToEnd) {
            return std::nullopt;
        }
        path.holders.push_back(*child);
        parent = &path.holders.back();
        childrenStart = std::string_view(type) == "meta" ? Mp4MetaChildrenStart(read, *parent)
                                                         : parent->contentOffset();
    }
    std::vector<Mp4Atom> items;
    if (!ListMp4Atoms(read, childrenStart, parent->end(), items)) {
        return std::nullopt;
    }
    for (const Mp4Atom& item : items) {
        if (item.type == "covr") {
            path.covers.push_back({item.offset, item.end()});
        }
    }
    return path;
}

}  // namespace

std::optional<std::vector<uint8_t>> ReadMp4MovieWithoutCovers(const Mp4ReadFn& read,
                                                              const Mp4Atom& moov) {
    std::optional<CoverPath> path = FindCovers(read, moov);
    if (!path || path->covers.empty() || moov.sizeToEnd) {
        return std::nullopt;
    }
    uint64_t removed = 0;
    for (const Range& cover : path->covers) {
        removed += cover.end - cover.begin;
    }
    std::vector<uint8_t> bytes(static_cast<size_t>(moov.size - removed));
    size_t filled = 0;
    uint64_t at = moov.offset;
    path->covers.push_back({moov.end(), moov.end()});
    for (const Range& cover : path->covers) {
        size_t count = static_cast<size_t>(cover.begin - at);
        if (count > 0 && !read(at, count, bytes.data() + filled)) {
            return std::nullopt;
        }
        filled += count;
        at = cover.end;
    }
    path->holders.push_back(moov);
    for (Mp4Atom holder : path->holders) {
        uint64_t size = holder.size - removed;
        holder.offset -= moov.offset;
        if (!PutMp4AtomSize(bytes, holder, size)) {
            return std::nullopt;
        }
    }
    return bytes;
}

bool LoadMp4Movie(CSongFile& file, Mp4MovieInFile& out, std::string* why, Mp4CoverBytes covers) {
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
    // Reads through file.ReadAt, which leaves the file position alone.
    Mp4ReadFn read = [&file](uint64_t offset, size_t count, uint8_t* out) {
        for (size_t done = 0; done < count;) {
            long long got = file.ReadAt(offset + done, out + done, count - done);
            if (got <= 0) {
                return false;
            }
            done += static_cast<size_t>(got);
        }
        return true;
    };
    if (!ListMp4FileAtoms(read, length, out.top, out.cutShort)) {
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
    std::vector<uint8_t> bytes;
    if (covers == Mp4CoverBytes::kLeftOut) {
        if (auto withoutCovers = ReadMp4MovieWithoutCovers(read, *moov)) {
            bytes = std::move(*withoutCovers);
        }
    }
    if (bytes.empty() && !file.ReadExact(moov->offset, static_cast<size_t>(moov->size), bytes)) {
        return false;
    }
    out.movie = Mp4Movie::Parse(std::move(bytes));
    if (!out.movie) {
        return fail(
            "the file's atoms are damaged: an atom inside the movie atom is malformed or runs "
            "past its parent");
    }
    return true;
}

}  // namespace songcore
