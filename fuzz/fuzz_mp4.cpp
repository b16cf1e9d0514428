// Walks arbitrary bytes as an MP4 file held in memory: the top-level atoms,
// the movie atom, its item list, and a rebuild with a new item list, which
// must itself parse again. The movie atom the field reader reads, without
// its cover art, must hold the other items unchanged, and the covers read
// must come back from the item the writer makes of them. The movie header
// and item list read header by header must be those of the whole parse.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "songcore/tags/mp4/Mp4Atoms.h"
#include "songcore/tags/mp4/Mp4Cover.h"
#include "songcore/tags/mp4/Mp4ItemList.h"
#include "songcore/tags/mp4/Mp4Items.h"
#include "songcore/tags/mp4/Mp4Movie.h"
#include "songcore/tags/mp4/Mp4MovieFile.h"
#include "songcore/tags/mp4/Mp4Tag.h"

using namespace songcore;

namespace {

void CheckCovers(const Mp4ReadFn& read, const Mp4Atom& moov, const std::vector<Mp4Item>& items) {
    Mp4OtherItems(items);
    std::vector<Mp4Item> edited = items;
    ApplyMp4ItemEdits(edited, {{"----:com.apple.iTunes:A", {"b"}}, {"\xC2\xA9grp", {}}});
    std::vector<Picture> covers;
    std::vector<std::vector<uint8_t>> others;
    for (const Mp4Item& item : items) {
        if (item.name != kMp4CoverItem) {
            others.push_back(item.raw);
            continue;
        }
        for (const Mp4Data& data : item.data) {
            if (auto picture = ParseMp4Cover(data)) {
                covers.push_back(std::move(*picture));
            }
        }
    }
    if (auto bytes = ReadMp4TagBytes(read, moov, Mp4CoverBytes::kLeftOut)) {
        std::optional<std::vector<Mp4Item>> kept = std::vector<Mp4Item>();
        if (bytes->itemList) {
            kept = ParseMp4ItemList(*bytes->itemList);
        }
        if (!kept || kept->size() != others.size()) {
            std::abort();
        }
        for (size_t i = 0; i < others.size(); ++i) {
            if ((*kept)[i].raw != others[i]) {
                std::abort();
            }
        }
    }
    std::string why;
    auto item = BuildMp4CoverItem(covers, why);
    if (!item) {
        return;  // an image MP4 cannot mark, kept as binary data
    }
    auto parsed = ParseMp4ItemList(*item);
    size_t count = parsed && !parsed->empty() ? (*parsed)[0].data.size() : 0;
    if (!parsed || count != covers.size()) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::span<const uint8_t> file(data, size);
    std::vector<Mp4Atom> top;
    std::optional<Mp4Atom> cutShort;
    auto read = [file](uint64_t offset, size_t count, uint8_t* out) {
        if (offset > file.size() || count > file.size() - offset) {
            return false;
        }
        std::copy_n(file.data() + offset, count, out);
        return true;
    };
    if (!ListMp4FileAtoms(read, size, top, cutShort)) {
        return 0;
    }
    const Mp4Atom* moov = FindMp4Atom(top, "moov");
    if (!moov) {
        return 0;
    }
    auto movie = Mp4Movie::Parse(std::vector<uint8_t>(data + moov->offset, data + moov->end()));
    if (!movie) {
        return 0;
    }
    std::vector<Mp4Item> old;
    Mp4Tag tag;
    if (movie->hasItemList()) {
        auto items = ParseMp4ItemList(movie->itemListContent());
        if (!items) {
            return 0;
        }
        tag.ReadItems(*items);
        old = std::move(*items);
    }
    // What the readers walk to must be what the whole movie atom holds.
    auto bytes = ReadMp4TagBytes(read, *moov, Mp4CoverBytes::kRead);
    std::span<const uint8_t> header = movie->movieHeader();
    if (!bytes || bytes->itemList.has_value() != movie->hasItemList() ||
        (bytes->itemList && !std::ranges::equal(*bytes->itemList, movie->itemListContent())) ||
        !std::ranges::equal(bytes->movieHeader,
                            header.first(std::min<size_t>(header.size(), 4096)))) {
        std::abort();
    }
    CheckCovers(read, *moov, old);
    tag.title += "x";
    std::vector<uint8_t> itemList = tag.BuildItemList(old);
    for (Mp4Padding padding : {Mp4Padding::kAbsorb, Mp4Padding::kRenew}) {
        auto other = movie->WithItemList(itemList, padding);
        if (other && !Mp4Movie::Parse(std::move(*other))) {
            std::abort();
        }
    }
    auto rebuilt = movie->WithItemList(itemList);
    if (!rebuilt) {
        return 0;
    }
    auto again = Mp4Movie::Parse(std::move(*rebuilt));
    if (!again || !again->hasItemList() || !ParseMp4ItemList(again->itemListContent())) {
        std::abort();  // what the writer built must read back
    }
    int64_t delta = static_cast<int64_t>(again->bytes().size()) - static_cast<int64_t>(moov->size);
    again->ShiftChunkOffsets(delta, moov->end());
    return 0;
}
