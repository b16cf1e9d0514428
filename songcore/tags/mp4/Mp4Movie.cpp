#include "songcore/tags/mp4/Mp4Movie.h"

#include <algorithm>

#include "songcore/util/ByteReader.h"
#include "songcore/util/ByteWriter.h"

namespace songcore {

namespace {

// The handler atom other programs look for in a meta atom that holds an item
// list: handler type "mdir", maker "appl", an empty name.
void AppendHandler(ByteWriter& out) {
    out.u32be(33);
    out.text("hdlr");
    out.u32be(0);  // version and flags
    out.u32be(0);  // pre-defined
    out.text("mdir");
    out.text("appl");
    out.zeros(8);
    out.u8(0);
}

// The first atom of type inside parent, walked strictly; false only when the
// walk finds a malformed atom.
bool FindChild(std::span<const uint8_t> data, const Mp4Atom& parent, std::string_view type,
               std::optional<Mp4Atom>& found) {
    std::vector<Mp4Atom> children;
    if (!ListMp4Atoms(data, parent.contentOffset(), parent.end(), children)) {
        return false;
    }
    found.reset();
    if (const Mp4Atom* child = FindMp4Atom(children, type)) {
        found = *child;
    }
    return true;
}

// One change to the bytes of the movie atom: removed bytes at at give way to
// inserted ones, and the atoms that hold them change size by the difference.
struct Splice {
    uint64_t at = 0;
    uint64_t removed = 0;
    std::vector<uint8_t> inserted;
    std::vector<const Mp4Atom*> parents;
};

// The splices must not overlap, and none may touch a header of its parents.
std::optional<std::vector<uint8_t>> ApplySplices(const std::vector<uint8_t>& bytes,
                                                 std::vector<Splice> splices) {
    // Sizes go in first, while every header is where the old bytes have it;
    // then the splices from the back, each leaving the offsets before it.
    std::vector<std::pair<const Mp4Atom*, int64_t>> grown;
    for (const Splice& splice : splices) {
        int64_t change =
            static_cast<int64_t>(splice.inserted.size()) - static_cast<int64_t>(splice.removed);
        for (const Mp4Atom* parent : splice.parents) {
            auto it = std::find_if(grown.begin(), grown.end(),
                                   [parent](const auto& entry) { return entry.first == parent; });
            if (it == grown.end()) {
                grown.emplace_back(parent, change);
            } else {
                it->second += change;
            }
        }
    }
    std::vector<uint8_t> out = bytes;
    for (const auto& [atom, change] : grown) {
        uint64_t size = static_cast<uint64_t>(static_cast<int64_t>(atom->size) + change);
        if (!PutMp4AtomSize(out, *atom, size)) {
            return std::nullopt;
        }
    }
    std::sort(splices.begin(), splices.end(),
              [](const Splice& a, const Splice& b) { return a.at > b.at; });
    for (const Splice& splice : splices) {
        auto at = out.begin() + static_cast<ptrdiff_t>(splice.at);
        at = out.erase(at, at + static_cast<ptrdiff_t>(splice.removed));
        out.insert(at, splice.inserted.begin(), splice.inserted.end());
    }
    return out;
}

uint64_t EntryWidth(const Mp4Atom& table) {
    return table.type == "co64" ? 8 : 4;
}

}  // namespace

std::optional<Mp4Movie> Mp4Movie::Parse(std::vector<uint8_t> bytes) {
    Mp4Movie movie;
    movie.bytes_ = std::move(bytes);
    std::vector<Mp4Atom> top;
    if (!ListMp4Atoms(movie.bytes_, 0, movie.bytes_.size(), top, nullptr, true) ||
        top.size() != 1 || top[0].type != "moov" || top[0].end() != movie.bytes_.size()) {
        return std::nullopt;
    }
    movie.moov_ = top[0];
    if (!movie.Walk()) {
        return std::nullopt;
    }
    return movie;
}

bool Mp4Movie::Walk() {
    std::vector<Mp4Atom> children;
    if (!ListMp4Atoms(bytes_, moov_.contentOffset(), moov_.end(), children, &moovChildrenEnd_)) {
        return false;
    }
    if (const Mp4Atom* mvhd = FindMp4Atom(children, "mvhd")) {
        mvhd_ = *mvhd;
    }
    for (const Mp4Atom& trak : children) {
        if (trak.type != "trak") {
            continue;
        }
        std::optional<Mp4Atom> mdia, minf, stbl;
        if (!FindChild(bytes_, trak, "mdia", mdia)) {
            return false;
        }
        if (mdia && !FindChild(bytes_, *mdia, "minf", minf)) {
            return false;
        }
        if (minf && !FindChild(bytes_, *minf, "stbl", stbl)) {
            return false;
        }
        if (!stbl) {
            continue;
        }
        std::vector<Mp4Atom> tables;
        if (!ListMp4Atoms(bytes_, stbl->contentOffset(), stbl->end(), tables)) {
            return false;
        }
        for (const Mp4Atom& table : tables) {
            if (table.type != "stco" && table.type != "co64") {
                continue;
            }
            if (table.contentSize() < 8) {
                return false;
            }
            ByteReader reader{
                std::span<const uint8_t>(bytes_).subspan(table.contentOffset() + 4, 4)};
            uint64_t count = reader.u32be();
            if (count * EntryWidth(table) > table.contentSize() - 8) {
                return false;
            }
            chunkOffsetTables_.push_back(table);
        }
    }
    if (const Mp4Atom* udta = FindMp4Atom(children, "udta")) {
        udta_ = *udta;
        std::vector<Mp4Atom> udtaChildren;
        if (!ListMp4Atoms(bytes_, udta->contentOffset(), udta->end(), udtaChildren,
                          &udtaChildrenEnd_)) {
            return false;
        }
        if (const Mp4Atom* meta = FindMp4Atom(udtaChildren, "meta")) {
            meta_ = *meta;
            std::vector<Mp4Atom> metaChildren;
            uint64_t start = Mp4MetaChildrenStart(bytes_, *meta);
            if (!ListMp4Atoms(bytes_, start, meta->end(), metaChildren, &metaChildrenEnd_)) {
                return false;
            }
            if (const Mp4Atom* ilst = FindMp4Atom(metaChildren, "ilst")) {
                ilst_ = *ilst;
            }
            if (const Mp4Atom* free = FindMp4Atom(metaChildren, "free")) {
                padding_ = *free;
                paddingInMeta_ = true;
            }
        }
        if (!padding_) {
            if (const Mp4Atom* free = FindMp4Atom(udtaChildren, "free")) {
                padding_ = *free;
            }
        }
    }
    return true;
}

std::span<const uint8_t> Mp4Movie::movieHeader() const {
    if (!mvhd_) {
        return {};
    }
    return std::span(bytes_).subspan(mvhd_->contentOffset(), mvhd_->contentSize());
}

std::span<const uint8_t> Mp4Movie::itemListContent() const {
    if (!ilst_) {
        return {};
    }
    return std::span(bytes_).subspan(ilst_->contentOffset(), ilst_->contentSize());
}

std::optional<std::vector<uint8_t>> Mp4Movie::WithItemList(std::span<const uint8_t> content,
                                                           Mp4Padding padding) const {
    if (content.size() > 0xFFFFFFFFu - 8 - 12 - 33 - 8 - kMp4PaddingSize) {
        return std::nullopt;
    }
    if (padding == Mp4Padding::kAbsorb && !hasPadding()) {
        return std::nullopt;
    }
    const std::vector<const Mp4Atom*> toMeta = {&moov_, udta_ ? &*udta_ : nullptr,
                                                meta_ ? &*meta_ : nullptr};
    ByteWriter insert;
    auto appendItemList = [&] {
        insert.u32be(static_cast<uint32_t>(8 + content.size()));
        insert.text("ilst");
        insert.bytes(content);
    };
    auto appendMeta = [&] {
        insert.u32be(static_cast<uint32_t>(12 + 33 + 8 + content.size()));
        insert.text("meta");
        insert.u32be(0);  // version and flags
        AppendHandler(insert);
        appendItemList();
    };
    std::vector<Splice> splices;
    if (!ilst_) {
        Splice created;
        if (meta_) {
            created.at = metaChildrenEnd_;
            created.parents = toMeta;
            appendItemList();
        } else if (udta_) {
            created.at = udtaChildrenEnd_;
            created.parents = {toMeta[0], toMeta[1]};
            appendMeta();
        } else {
            created.at = moovChildrenEnd_;
            created.parents = {&moov_};
            insert.u32be(static_cast<uint32_t>(8 + 12 + 33 + 8 + content.size()));
            insert.text("udta");
            appendMeta();
        }
        created.inserted = insert.take();
        splices.push_back(std::move(created));
        return ApplySplices(bytes_, splices);
    }

    appendItemList();
    std::vector<const Mp4Atom*> aroundPadding = {toMeta[0], toMeta[1]};
    if (paddingInMeta_) {
        aroundPadding.push_back(toMeta[2]);
    }
    int64_t delta = static_cast<int64_t>(insert.size()) - static_cast<int64_t>(ilst_->size);
    if (padding == Mp4Padding::kRenew && padding_) {
        insert.u32be(kMp4PaddingSize);
        insert.text("free");
        insert.zeros(kMp4PaddingSize - 8);
        splices.push_back({padding_->offset, padding_->size, {}, aroundPadding});
    } else if (padding == Mp4Padding::kAbsorb && delta != 0) {
        int64_t left = static_cast<int64_t>(padding_->size) - delta;
        if (left == 0) {
            splices.push_back({padding_->offset, padding_->size, {}, aroundPadding});
        } else if (left >= static_cast<int64_t>(padding_->headerSize)) {
            // The free atom loses or gains bytes at the start of its content,
            // so the rest of it keeps its place.
            aroundPadding.push_back(&*padding_);
            Splice resized{padding_->contentOffset(), 0, {}, aroundPadding};
            if (delta > 0) {
                resized.removed = static_cast<uint64_t>(delta);
            } else {
                resized.inserted.assign(static_cast<size_t>(-delta), 0);
            }
            splices.push_back(std::move(resized));
        } else {
            return std::nullopt;
        }
    }
    splices.push_back({ilst_->offset, ilst_->size, insert.take(), toMeta});
    return ApplySplices(bytes_, splices);
}

std::optional<std::vector<uint8_t>> Mp4Movie::UserDataInPlace(std::span<const uint8_t> udta,
                                                              std::span<const uint8_t> content) {
    // The user data atom alone in a stand-in movie atom: the splices touch
    // nothing outside it when the sizes stay as they are.
    if (udta.size() > 0xFFFFFFFFu - 8) {
        return std::nullopt;
    }
    ByteWriter shell;
    shell.u32be(static_cast<uint32_t>(8 + udta.size()));
    shell.text("moov");
    shell.bytes(udta);
    std::optional<Mp4Movie> movie = Parse(shell.take());
    if (!movie || !movie->udta_ || movie->udta_->offset != 8 || !movie->ilst_) {
        return std::nullopt;
    }
    for (Mp4Padding padding : {Mp4Padding::kAbsorb, Mp4Padding::kKeep}) {
        std::optional<std::vector<uint8_t>> rebuilt = movie->WithItemList(content, padding);
        if (rebuilt && rebuilt->size() == movie->bytes_.size()) {
            rebuilt->erase(rebuilt->begin(), rebuilt->begin() + 8);
            return rebuilt;
        }
    }
    return std::nullopt;
}

bool Mp4Movie::ShiftChunkOffsets(int64_t delta, uint64_t from) {
    if (delta == 0) {
        return true;
    }
    for (int pass = 0; pass < 2; ++pass) {
        for (const Mp4Atom& table : chunkOffsetTables_) {
            uint64_t width = EntryWidth(table);
            ByteReader reader{std::span<const uint8_t>(bytes_).subspan(table.contentOffset() + 4)};
            uint64_t count = reader.u32be();
            uint64_t at = table.contentOffset() + 8;
            for (uint64_t i = 0; i < count; ++i, at += width) {
                ByteReader entry{std::span<const uint8_t>(bytes_).subspan(at, width)};
                uint64_t offset = width == 8 ? entry.u64be() : entry.u32be();
                if (offset < from) {
                    continue;
                }
                uint64_t limit = width == 8 ? UINT64_MAX : 0xFFFFFFFFu;
                if (delta > 0 ? limit - offset < static_cast<uint64_t>(delta)
                              : offset < static_cast<uint64_t>(-delta)) {
                    return false;
                }
                if (pass == 1) {
                    uint64_t moved = offset + static_cast<uint64_t>(delta);
                    for (int b = static_cast<int>(width) - 1; b >= 0; --b) {
                        bytes_[at + b] = static_cast<uint8_t>(moved & 0xFF);
                        moved >>= 8;
                    }
                }
            }
        }
    }
    return true;
}

}  // namespace songcore
