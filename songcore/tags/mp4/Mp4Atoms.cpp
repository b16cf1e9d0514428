#include "songcore/tags/mp4/Mp4Atoms.h"

#include <algorithm>
#include <cstring>

#include "songcore/util/ByteReader.h"

namespace songcore {

namespace {

// The walk behind both listings; an atom that reaches past end is stored in
// cutShort when it is given, and ends the walk.
bool WalkAtoms(const Mp4ReadFn& read, uint64_t begin, uint64_t end, std::vector<Mp4Atom>& out,
               uint64_t* childrenEnd, bool sizeToEndAllowed, std::optional<Mp4Atom>* cutShort) {
    out.clear();
    uint64_t pos = begin;
    while (end > pos && end - pos >= 8) {
        if (out.size() >= kMp4MaxAtomsPerRegion) {
            return false;
        }
        uint8_t header[16];
        if (!read(pos, 8, header)) {
            return false;
        }
        ByteReader reader(header, 8);
        Mp4Atom atom;
        atom.offset = pos;
        uint64_t size = reader.u32be();
        atom.type = reader.fourcc();
        if (size == 1) {
            if (end - pos < 16 || !read(pos + 8, 8, header + 8)) {
                return false;
            }
            ByteReader wide(header + 8, 8);
            size = wide.u64be();
            atom.headerSize = 16;
        } else if (size == 0) {
            if (!sizeToEndAllowed) {
                return false;
            }
            size = end - pos;
            atom.sizeToEnd = true;
        }
        if (size < atom.headerSize) {
            return false;
        }
        if (size > end - pos) {
            if (!cutShort) {
                return false;
            }
            atom.size = size;
            *cutShort = std::move(atom);
            break;
        }
        atom.size = size;
        pos += size;
        out.push_back(std::move(atom));
    }
    if (childrenEnd) {
        *childrenEnd = pos;
    }
    return true;
}

}  // namespace

bool ListMp4Atoms(const Mp4ReadFn& read, uint64_t begin, uint64_t end, std::vector<Mp4Atom>& out,
                  uint64_t* childrenEnd, bool sizeToEndAllowed) {
    return WalkAtoms(read, begin, end, out, childrenEnd, sizeToEndAllowed, nullptr);
}

bool ListMp4FileAtoms(const Mp4ReadFn& read, uint64_t length, std::vector<Mp4Atom>& out,
                      std::optional<Mp4Atom>& cutShort) {
    cutShort.reset();
    return WalkAtoms(read, 0, length, out, nullptr, true, &cutShort);
}

bool ListMp4Atoms(std::span<const uint8_t> data, uint64_t begin, uint64_t end,
                  std::vector<Mp4Atom>& out, uint64_t* childrenEnd, bool sizeToEndAllowed) {
    if (begin > end || end > data.size()) {
        out.clear();
        return false;
    }
    auto read = [&data](uint64_t offset, size_t count, uint8_t* buffer) {
        if (offset > data.size() || count > data.size() - offset) {
            return false;
        }
        std::memcpy(buffer, data.data() + offset, count);
        return true;
    };
    return ListMp4Atoms(read, begin, end, out, childrenEnd, sizeToEndAllowed);
}

const Mp4Atom* FindMp4Atom(const std::vector<Mp4Atom>& atoms, std::string_view type) {
    for (const Mp4Atom& atom : atoms) {
        if (atom.type == type) {
            return &atom;
        }
    }
    return nullptr;
}

namespace {
bool LooksLikeAtomType(std::span<const uint8_t> type) {
    for (uint8_t c : type) {
        if ((c < 0x20 || c > 0x7E) && c != 0xA9) {
            return false;
        }
    }
    return true;
}
}  // namespace

namespace {

// head: the first bytes of the meta atom's content, up to 8.
uint64_t MetaChildrenStart(std::span<const uint8_t> head, const Mp4Atom& meta) {
    uint64_t content = meta.contentOffset();
    ByteReader reader(head);
    uint32_t first = reader.u32be();
    // A version-and-flags word is almost always zero; a QuickTime meta atom
    // starts straight with a child such as "hdlr", whose size cannot be.
    if (reader.ok() && first != 0 && first >= 8 && first <= meta.contentSize() && reader.has(4) &&
        LooksLikeAtomType(reader.bytes(4))) {
        return content;
    }
    return content + 4;
}

}  // namespace

uint64_t Mp4MetaChildrenStart(std::span<const uint8_t> data, const Mp4Atom& meta) {
    uint64_t content = meta.contentOffset();
    uint64_t contentSize = meta.contentSize();
    if (contentSize < 4 || content + contentSize > data.size()) {
        return meta.end();
    }
    return MetaChildrenStart(data.subspan(content, std::min<uint64_t>(contentSize, 8)), meta);
}

uint64_t Mp4MetaChildrenStart(const Mp4ReadFn& read, const Mp4Atom& meta) {
    if (meta.contentSize() < 4) {
        return meta.end();
    }
    std::vector<uint8_t> head(static_cast<size_t>(std::min<uint64_t>(meta.contentSize(), 8)));
    if (!read(meta.contentOffset(), head.size(), head.data())) {
        return meta.end();
    }
    return MetaChildrenStart(head, meta);
}

bool PutMp4AtomSize(std::vector<uint8_t>& data, const Mp4Atom& atom, uint64_t newSize) {
    if (newSize < atom.headerSize || atom.offset + atom.headerSize > data.size()) {
        return false;
    }
    uint8_t* p = data.data() + atom.offset;
    int bytes = atom.headerSize == 16 ? 8 : 4;
    if (atom.headerSize == 16) {
        p += 8;
    } else if (newSize > 0xFFFFFFFFu) {
        return false;
    }
    for (int i = bytes - 1; i >= 0; --i) {
        p[i] = static_cast<uint8_t>(newSize & 0xFF);
        newSize >>= 8;
    }
    return true;
}

}  // namespace songcore
