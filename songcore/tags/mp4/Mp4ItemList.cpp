#include "songcore/tags/mp4/Mp4ItemList.h"

#include "songcore/tags/mp4/Mp4Atoms.h"
#include "songcore/tags/mp4/Mp4Cover.h"
#include "songcore/util/ByteReader.h"

namespace songcore {

namespace {
constexpr uint16_t kNoGenre = 148;
// The last table entry, SynthPop.
constexpr uint16_t kLastGnre = 148;
}  // namespace

std::optional<std::vector<Mp4Item>> ParseMp4ItemList(std::span<const uint8_t> content) {
    std::vector<Mp4Atom> atoms;
    if (!ListMp4Atoms(content, 0, content.size(), atoms)) {
        return std::nullopt;
    }
    std::vector<Mp4Item> items;
    items.reserve(atoms.size());
    for (const Mp4Atom& atom : atoms) {
        Mp4Item item;
        item.name = atom.type;
        item.raw.assign(content.begin() + atom.offset, content.begin() + atom.end());
        // A damaged item (a "data" atom of size 0 or too small for its
        // header, as fuzzed files have) is kept as it is, with the values
        // read before the damage: it must not cost the song its other items,
        // and a write carries it over untouched.
        std::vector<Mp4Atom> children;
        ListMp4Atoms(content, atom.contentOffset(), atom.end(), children);
        for (const Mp4Atom& child : children) {
            if (child.type != "data" || child.contentSize() < 8) {
                continue;
            }
            ByteReader reader(content.subspan(child.contentOffset(), child.contentSize()));
            Mp4Data data;
            data.type = reader.u32be();
            reader.skip(4);  // locale
            auto value = reader.bytes(reader.remaining());
            data.value.assign(value.begin(), value.end());
            item.data.push_back(std::move(data));
        }
        items.push_back(std::move(item));
    }
    return items;
}

void AppendMp4Item(ByteWriter& out, std::string_view name, uint32_t dataType,
                   std::span<const uint8_t> value) {
    out.u32be(static_cast<uint32_t>(24 + value.size()));
    out.text(name);
    out.u32be(static_cast<uint32_t>(16 + value.size()));
    out.text("data");
    out.u32be(dataType);
    out.u32be(0);  // locale
    out.bytes(value);
}

void AppendMp4TextItem(ByteWriter& out, std::string_view name, std::string_view text) {
    AppendMp4Item(out, name, kMp4DataUtf8,
                  std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

void AppendMp4TextItem(ByteWriter& out, std::string_view name,
                       const std::vector<std::string>& texts) {
    uint64_t size = 8;
    for (const std::string& text : texts) {
        size += 16 + text.size();
    }
    out.u32be(static_cast<uint32_t>(size));
    out.text(name);
    for (const std::string& text : texts) {
        out.u32be(static_cast<uint32_t>(16 + text.size()));
        out.text("data");
        out.u32be(kMp4DataUtf8);
        out.u32be(0);  // locale
        out.text(text);
    }
}

uint16_t Mp4GenreToIndex(uint32_t gnre) {
    return gnre >= 1 && gnre <= kLastGnre ? static_cast<uint16_t>(gnre - 1) : kNoGenre;
}

uint16_t Mp4GenreFromIndex(uint32_t index) {
    return index < kLastGnre ? static_cast<uint16_t>(index + 1) : 0;
}

}  // namespace songcore
