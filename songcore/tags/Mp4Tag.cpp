#include "songcore/tags/Mp4Tag.h"

#include <array>

#include "songcore/tags/SongFileInfo.h"
#include "songcore/util/ByteReader.h"
#include "songcore/util/Text.h"

namespace songcore {

namespace {

struct TextItem {
    const char* name;
    std::string Mp4Tag::*field;
};

// In the order the writer puts them.
const std::array<TextItem, 10> kTextItems = {{
    {"\xA9nam", &Mp4Tag::title},
    {"\xA9wrt", &Mp4Tag::composer},
    {"\xA9"
     "ART",
     &Mp4Tag::artist},
    {"\xA9"
     "alb",
     &Mp4Tag::album},
    {"\xA9"
     "cmt",
     &Mp4Tag::comment},
    {"\xA9"
     "day",
     &Mp4Tag::year},
    {"\xA9url", &Mp4Tag::url},
    {"\xA9"
     "cpy",
     &Mp4Tag::copyright},
    {"\xA9"
     "enc",
     &Mp4Tag::encodedBy},
    {"lyri", &Mp4Tag::lyrics},
}};

const std::array<const char*, 5> kBinaryItems = {"gnre", "trkn", "disk", "tmpo", "cpil"};

// The old program wrote the type word of text least significant byte first.
constexpr uint32_t kSwappedUtf8 = 0x01000000;

bool IsTextType(uint32_t type) {
    return type == kMp4DataUtf8 || type == kSwappedUtf8;
}

std::string DecodeText(const Mp4Item& item) {
    if (item.dataType == kMp4DataUtf16) {
        return Utf16BeToUtf8(item.value);
    }
    return std::string(item.value.begin(), item.value.end());
}

uint16_t ReadGenre(const Mp4Item& item) {
    if (IsTextType(item.dataType)) {
        std::string name = DecodeText(item);
        for (int id = 0; id < GENRE_NONE; ++id) {
            if (GetMP3Genre(id) == name) {
                return Mp4GenreFromIndex(id);
            }
        }
        return GENRE_NONE;
    }
    ByteReader reader(item.value);
    uint32_t number = 0;
    if (item.value.size() >= 4) {
        number = reader.u32be();
    } else if (item.value.size() >= 2) {
        number = reader.u16be();
    } else if (item.value.size() == 1) {
        number = reader.u8();
    } else {
        return GENRE_NONE;
    }
    return number <= GENRE_NONE ? static_cast<uint16_t>(number) : GENRE_NONE;
}

// "trkn" and "disk": 0, number, total, 0 (the total may be missing).
bool ReadPair(const Mp4Item& item, uint32_t& out) {
    if (item.value.size() < 4) {
        return false;
    }
    ByteReader reader(item.value);
    reader.skip(2);
    uint32_t number = reader.u16be();
    uint32_t total = reader.has(2) ? reader.u16be() : 0;
    out = number | total << 16;
    return true;
}

void AppendPair(ByteWriter& out, const char* name, uint32_t pair) {
    ByteWriter value;
    value.u16be(0);
    value.u16be(static_cast<uint16_t>(pair & 0xFFFF));
    value.u16be(static_cast<uint16_t>(pair >> 16));
    value.u16be(0);
    AppendMp4Item(out, name, kMp4DataBinary, value.buffer());
}

}  // namespace

bool Mp4Tag::IsWrittenName(std::string_view name) {
    for (const TextItem& text : kTextItems) {
        if (name == text.name) {
            return true;
        }
    }
    for (const char* binary : kBinaryItems) {
        if (name == binary) {
            return true;
        }
    }
    return false;
}

void Mp4Tag::ReadItems(const std::vector<Mp4Item>& items) {
    for (const Mp4Item& item : items) {
        if (!item.hasData) {
            continue;
        }
        bool done = false;
        for (const TextItem& text : kTextItems) {
            if (item.name == text.name) {
                this->*text.field = Trim(DecodeText(item));
                done = true;
                break;
            }
        }
        if (done) {
            continue;
        }
        if (item.name == "gnre") {
            genre = ReadGenre(item);
        } else if (item.name == "trkn") {
            ReadPair(item, track);
        } else if (item.name == "disk") {
            ReadPair(item, disc);
        } else if (item.name == "tmpo" && !item.value.empty()) {
            ByteReader reader(item.value);
            tempo = item.value.size() >= 2 ? reader.u16be() : reader.u8();
        } else if (item.name == "cpil" && !item.value.empty()) {
            compilation = item.value[0];
        }
    }
}

std::vector<uint8_t> Mp4Tag::BuildItemList(const std::vector<Mp4Item>& old) const {
    ByteWriter out;
    for (const TextItem& text : kTextItems) {
        const std::string& value = this->*text.field;
        if (!value.empty()) {
            AppendMp4TextItem(out, text.name, value);
        }
    }
    // A "gnre" of 0 or past the table reads as some other genre elsewhere,
    // so no genre means no item.
    if (Mp4GenreToIndex(genre) != GENRE_NONE) {
        ByteWriter value;
        value.u16be(genre);
        AppendMp4Item(out, "gnre", kMp4DataBinary, value.buffer());
    }
    AppendPair(out, "trkn", track);
    AppendPair(out, "disk", disc);
    ByteWriter tempoValue;
    tempoValue.u16be(tempo);
    AppendMp4Item(out, "tmpo", kMp4DataBinary, tempoValue.buffer());
    const uint8_t flag = compilation;
    AppendMp4Item(out, "cpil", kMp4DataBinary, std::span(&flag, 1));
    for (const Mp4Item& item : old) {
        if (!IsWrittenName(item.name)) {
            out.bytes(item.raw);
        }
    }
    return out.take();
}

}  // namespace songcore
