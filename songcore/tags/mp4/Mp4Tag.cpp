#include "songcore/tags/mp4/Mp4Tag.h"

#include <algorithm>

#include "songcore/tags/FieldText.h"
#include "songcore/tags/Genre.h"
#include "songcore/util/ByteReader.h"
#include "songcore/util/Text.h"

namespace songcore {

namespace {

enum class Kind {
    kText,      // one text; several data atoms are read joined
    kNameList,  // names of people, written as one data atom per "; " piece
    kPair,      // "trkn", "disk": number and total
    kGenre,     // "gnre": the genre number
    kTempo,     // 16 bits
    kFlag,      // one byte
};

struct Rule {
    const char* name;
    Kind kind;
    SongField field;  // for a pair, the number; its total is the next field
    std::string Mp4Tag::*text = nullptr;
    uint32_t Mp4Tag::*number = nullptr;
};

// In the order in which items missing from the old list are added. Only
// names split at "; ": a title, comment or lyrics text may hold "; " as
// ordinary punctuation, and a player that shows one value would cut it.
const Rule kRules[] = {
    {"\xA9nam", Kind::kText, SongField::Title, &Mp4Tag::title},
    {"\xA9wrt", Kind::kNameList, SongField::Composer, &Mp4Tag::composer},
    {"\xA9"
     "ART",
     Kind::kNameList, SongField::Artist, &Mp4Tag::artist},
    {"aART", Kind::kNameList, SongField::AlbumArtist, &Mp4Tag::albumArtist},
    {"\xA9"
     "alb",
     Kind::kText, SongField::Album, &Mp4Tag::album},
    {"\xA9"
     "cmt",
     Kind::kText, SongField::Comment, &Mp4Tag::comment},
    {"\xA9"
     "day",
     Kind::kText, SongField::Year, &Mp4Tag::year},
    {"\xA9url", Kind::kText, SongField::Url, &Mp4Tag::url},
    // Three fields have a second, older name (listed right after the first):
    // either is read, the one the file has is kept, a new item gets the
    // first, which other programs read.
    {"cprt", Kind::kText, SongField::Copyright, &Mp4Tag::copyright},
    {"\xA9"
     "cpy",
     Kind::kText, SongField::Copyright, &Mp4Tag::copyright},
    {"\xA9too", Kind::kText, SongField::EncodedBy, &Mp4Tag::encodedBy},
    {"\xA9"
     "enc",
     Kind::kText, SongField::EncodedBy, &Mp4Tag::encodedBy},
    {"\xA9lyr", Kind::kText, SongField::Lyrics, &Mp4Tag::lyrics},
    {"lyri", Kind::kText, SongField::Lyrics, &Mp4Tag::lyrics},
    {"\xA9gen", Kind::kNameList, SongField::Genre, &Mp4Tag::genreText},
    {"gnre", Kind::kGenre, SongField::Genre, nullptr, &Mp4Tag::genre},
    {"trkn", Kind::kPair, SongField::Track, nullptr, &Mp4Tag::track},
    {"disk", Kind::kPair, SongField::Disc, nullptr, &Mp4Tag::disc},
    {"tmpo", Kind::kTempo, SongField::Tempo, nullptr, &Mp4Tag::tempo},
    {"cpil", Kind::kFlag, SongField::Compilation, nullptr, &Mp4Tag::compilation},
};
constexpr size_t kRuleCount = std::size(kRules);

const Rule* RuleFor(std::string_view name) {
    for (const Rule& rule : kRules) {
        if (name == rule.name) {
            return &rule;
        }
    }
    return nullptr;
}

// The index of the first rule of the same record member: the rule whose
// name a new item gets.
size_t FirstNameOf(size_t index) {
    const Rule& rule = kRules[index];
    while (index > 0 && kRules[index - 1].text == rule.text &&
           kRules[index - 1].number == rule.number) {
        --index;
    }
    return index;
}

// The old program wrote the type word of text least significant byte first.
constexpr uint32_t kSwappedUtf8 = 0x01000000;

bool IsTextType(uint32_t type) {
    return type == kMp4DataUtf8 || type == kSwappedUtf8;
}

std::string DecodeText(const Mp4Data& data) {
    if (data.type == kMp4DataUtf16) {
        return Utf16BeToUtf8(data.value);
    }
    return std::string(data.value.begin(), data.value.end());
}

uint32_t ReadGenre(const Mp4Data& data) {
    if (IsTextType(data.type)) {
        std::string name = DecodeText(data);
        return Mp4GenreFromIndex(FindGenre(name));
    }
    ByteReader reader(data.value);
    uint32_t number = 0;
    if (data.value.size() >= 4) {
        number = reader.u32be();
    } else if (data.value.size() >= 2) {
        number = reader.u16be();
    } else if (data.value.size() == 1) {
        number = reader.u8();
    } else {
        return 0;
    }
    return Mp4GenreToIndex(number) < GENRE_NONE ? number : 0;
}

// "trkn" and "disk": 0, number, total, 0 (the total may be missing).
void ReadPair(const Mp4Data& data, uint32_t& out) {
    if (data.value.size() < 4) {
        return;
    }
    ByteReader reader(data.value);
    reader.skip(2);
    uint32_t number = reader.u16be();
    uint32_t total = reader.has(2) ? reader.u16be() : 0;
    out = number | total << 16;
}

void ReadNumber(const Rule& rule, const Mp4Data& data, Mp4Tag& tag) {
    uint32_t& field = tag.*rule.number;
    ByteReader reader(data.value);
    switch (rule.kind) {
        case Kind::kGenre:
            field = ReadGenre(data);
            break;
        case Kind::kPair:
            ReadPair(data, field);
            break;
        case Kind::kTempo:
            if (!data.value.empty()) {
                field = data.value.size() >= 2 ? reader.u16be() : reader.u8();
            }
            break;
        case Kind::kFlag:
            if (!data.value.empty()) {
                field = data.value[0];
            }
            break;
        case Kind::kText:
        case Kind::kNameList:
            break;
    }
}

bool IsText(const Rule& rule) {
    return rule.text != nullptr;
}

bool SameField(const Rule& rule, const Mp4Tag& a, const Mp4Tag& b) {
    return IsText(rule) ? a.*rule.text == b.*rule.text : a.*rule.number == b.*rule.number;
}

// The values a text field is written as; none for an empty one.
std::vector<std::string> TextValues(const Rule& rule, const std::string& text) {
    if (rule.kind == Kind::kNameList) {
        return SplitValues(text);
    }
    std::string trimmed = Trim(text);
    if (trimmed.empty()) {
        return {};
    }
    return {std::move(trimmed)};
}

// Whether the field has a value worth an item.
bool IsSet(const Rule& rule, const Mp4Tag& tag) {
    if (IsText(rule)) {
        return !TextValues(rule, tag.*rule.text).empty();
    }
    uint32_t value = tag.*rule.number;
    // A "gnre" past the table reads as some other genre elsewhere, so only a
    // genre of the table is written.
    return rule.kind == Kind::kGenre ? Mp4GenreToIndex(value) != GENRE_NONE : value != 0;
}

void AppendField(const Rule& rule, const Mp4Tag& tag, ByteWriter& out) {
    if (IsText(rule)) {
        AppendMp4TextItem(out, rule.name, TextValues(rule, tag.*rule.text));
        return;
    }
    uint32_t field = tag.*rule.number;
    ByteWriter value;
    switch (rule.kind) {
        case Kind::kPair:
            value.u16be(0);
            value.u16be(static_cast<uint16_t>(field & 0xFFFF));
            value.u16be(static_cast<uint16_t>(field >> 16));
            value.u16be(0);
            break;
        case Kind::kGenre:
        case Kind::kTempo:
            value.u16be(static_cast<uint16_t>(field));
            break;
        case Kind::kFlag:
            value.u8(static_cast<uint8_t>(field));
            break;
        case Kind::kText:
        case Kind::kNameList:
            break;
    }
    AppendMp4Item(out, rule.name, kMp4DataBinary, value.buffer());
}

}  // namespace

bool Mp4Tag::IsWrittenName(std::string_view name) {
    return RuleFor(name) != nullptr;
}

void Mp4Tag::ToFields(SongValues& fields) const {
    for (size_t i = 0; i < kRuleCount; ++i) {
        const Rule& rule = kRules[i];
        if (rule.field == SongField::Genre || FirstNameOf(i) != i) {
            continue;  // the genre below; a second name has its field's first
        }
        if (IsText(rule)) {
            // An item's several values were joined; the list splits them.
            fields.SetText(rule.field, this->*rule.text);
            continue;
        }
        const uint32_t value = this->*rule.number;
        if (rule.kind == Kind::kPair) {
            fields.SetNumber(rule.field, value & 0xFFFF);
            fields.SetNumber(*TotalOfNumber(rule.field), value >> 16);
        } else {
            fields.SetNumber(rule.field, value);
        }
    }
    // The genre's text, which most programs write, goes before its number.
    if (!genreText.empty()) {
        fields.SetText(SongField::Genre, genreText);
    } else if (uint16_t id = Mp4GenreToIndex(genre); id < GENRE_NONE) {
        fields.Set(SongField::Genre, {GetMP3Genre(id)});
    }
}

std::string Mp4Tag::FromFields(const SongValues& fields, const Mp4Tag& before) {
    *this = before;
    SongValues old;
    before.ToFields(old);
    for (size_t i = 0; i < kRuleCount; ++i) {
        const Rule& rule = kRules[i];
        if (rule.field == SongField::Genre || FirstNameOf(i) != i) {
            continue;  // the genre below; a second name has its field's first
        }
        if (IsText(rule)) {
            if (!fields.Same(rule.field, old)) {
                this->*rule.text = fields.Text(rule.field);
            }
            continue;
        }
        uint32_t& value = this->*rule.number;
        if (rule.kind != Kind::kPair) {
            if (!fields.Same(rule.field, old)) {
                value = std::min<uint32_t>(fields.Number(rule.field),
                                           rule.kind == Kind::kFlag ? 0xFF : 0xFFFF);
            }
            continue;
        }
        const SongField total = *TotalOfNumber(rule.field);
        if (fields.Same(rule.field, old) && fields.Same(total, old)) {
            continue;
        }
        // 16 bits each: a larger number must not wrap.
        for (SongField part : {rule.field, total}) {
            if (uint32_t number = fields.Number(part); number > 0xFFFF) {
                return "the " + std::string(InfoOf(part).key) + " " + std::to_string(number) +
                       " does not fit an MP4 tag (65535 at most)";
            }
        }
        value = fields.Number(rule.field) | fields.Number(total) << 16;
    }
    if (!fields.Same(SongField::Genre, old)) {
        // A file that names its genre by number goes on doing so while the
        // genre is one of the table's; any other gets the text.
        std::span<const std::string> genres = fields.Get(SongField::Genre);
        uint16_t id = genres.size() == 1 ? FindGenre(genres.front()) : GENRE_NONE;
        bool numbered = before.genreText.empty() && before.genre != 0 && id < GENRE_NONE;
        genre = numbered ? Mp4GenreFromIndex(id) : 0;
        genreText = numbered ? std::string() : fields.Text(SongField::Genre);
    }
    return {};
}

void Mp4Tag::ReadItems(const std::vector<Mp4Item>& items) {
    std::vector<std::string> texts[kRuleCount];
    bool numberRead[kRuleCount] = {};
    for (const Mp4Item& item : items) {
        const Rule* rule = RuleFor(item.name);
        if (!rule || item.data.empty()) {
            continue;
        }
        size_t index = static_cast<size_t>(rule - kRules);
        if (!IsText(*rule)) {
            if (!numberRead[index]) {
                ReadNumber(*rule, item.data.front(), *this);
                numberRead[index] = true;
            }
            continue;
        }
        for (const Mp4Data& data : item.data) {
            std::string text = Trim(DecodeText(data));
            if (!text.empty()) {
                texts[index].push_back(std::move(text));
            }
        }
    }
    // Of a field's two names the first that has a value gives it (walked
    // backwards, so the first name is assigned last).
    for (size_t i = kRuleCount; i-- > 0;) {
        if (IsText(kRules[i]) && !texts[i].empty()) {
            this->*kRules[i].text = JoinValues(texts[i]);
        }
    }
}

std::vector<uint8_t> Mp4Tag::BuildItemList(const std::vector<Mp4Item>& old) const {
    Mp4Tag before;
    before.ReadItems(old);
    bool changed[kRuleCount];
    bool placed[kRuleCount] = {};
    for (size_t i = 0; i < kRuleCount; ++i) {
        changed[i] = !SameField(kRules[i], *this, before);
    }
    ByteWriter out;
    for (const Mp4Item& item : old) {
        const Rule* rule = RuleFor(item.name);
        if (!rule || !changed[rule - kRules]) {
            out.bytes(item.raw);
            continue;
        }
        // The first item of the field, under whichever of its names, takes
        // the new value in its place; any further one held part of the old
        // value and goes.
        size_t first = FirstNameOf(static_cast<size_t>(rule - kRules));
        if (!placed[first] && IsSet(*rule, *this)) {
            AppendField(*rule, *this, out);
        }
        placed[first] = true;
    }
    for (size_t i = 0; i < kRuleCount; ++i) {
        if (FirstNameOf(i) == i && changed[i] && !placed[i] && IsSet(kRules[i], *this)) {
            AppendField(kRules[i], *this, out);
        }
    }
    return out.take();
}

}  // namespace songcore
