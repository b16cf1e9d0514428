#include "songcore/tags/mkv/MatroskaItems.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <string_view>
#include <unordered_map>

#include "songcore/tags/mkv/Ebml.h"
#include "songcore/tags/mkv/MatroskaFields.h"
#include "songcore/util/Text.h"

namespace songcore {

namespace {

constexpr uint64_t kTrackLevel = 30;

struct TargetPart {
    uint32_t id;
    std::string_view word;
};
constexpr std::array<TargetPart, 4> kTargetParts = {{{ebml::kTagTrackUid, "track"},
                                                     {ebml::kTagEditionUid, "edition"},
                                                     {ebml::kTagChapterUid, "chapter"},
                                                     {ebml::kTagAttachmentUid, "attachment"}}};

// A key taken apart. scope is what leads the name ("" for the song's own
// level, "50", "50 track=1"), spelled as the listing spells it.
struct ItemKey {
    std::string scope;
    uint64_t level = 0;
    bool targeted = false;
    std::string name;
};

std::optional<uint64_t> ParseNumber(std::string_view text) {
    uint64_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

// "50" or "50 track=1 chapter=7", the numbers spelled anew.
std::optional<ItemKey> ParseScope(std::string_view text, uint64_t songLevel) {
    ItemKey key;
    size_t space = text.find(' ');
    std::optional<uint64_t> level = ParseNumber(text.substr(0, space));
    if (!level) {
        return std::nullopt;
    }
    key.level = *level;
    key.scope = std::to_string(*level);
    while (space != std::string_view::npos) {
        text.remove_prefix(space + 1);
        space = text.find(' ');
        std::string_view part = text.substr(0, space);
        size_t equals = part.find('=');
        auto known =
            std::find_if(kTargetParts.begin(), kTargetParts.end(), [&](const TargetPart& p) {
                return equals != std::string_view::npos && part.substr(0, equals) == p.word;
            });
        std::optional<uint64_t> uid =
            known == kTargetParts.end() ? std::nullopt : ParseNumber(part.substr(equals + 1));
        if (!uid) {
            return std::nullopt;
        }
        key.targeted = true;
        key.scope += " " + std::string(known->word) + "=" + std::to_string(*uid);
    }
    if (!key.targeted && key.level == songLevel) {
        key.scope.clear();
    }
    return key;
}

// What a tag is about, as its items' keys lead with it.
std::string ScopeOf(const MatroskaTag& tag, uint64_t songLevel) {
    if (!tag.targeted) {
        return tag.level == songLevel ? std::string() : std::to_string(tag.level);
    }
    std::string scope = std::to_string(tag.level);
    ByteReader in(tag.targets);
    std::optional<EbmlElement> header = ReadEbmlHeader(in);
    if (!header || header->unknownSize || header->end() > tag.targets.size()) {
        return scope;
    }
    std::span<const uint8_t> body = EbmlBody(tag.targets, 0, *header);
    for (const EbmlElement& child : EbmlChildren(body)) {
        auto known = std::find_if(kTargetParts.begin(), kTargetParts.end(),
                                  [&](const TargetPart& p) { return p.id == child.id; });
        std::optional<uint64_t> uid = EbmlUnsigned(EbmlBody(body, 0, child));
        if (known != kTargetParts.end() && uid.value_or(0) != 0) {
            scope += " " + std::string(known->word) + "=" + std::to_string(*uid);
        }
    }
    return scope;
}

std::string KeyOf(const std::string& scope, const std::string& name, uint64_t songLevel) {
    if (!scope.empty()) {
        return scope + ":" + name;
    }
    // A name that would read as led by a level is led by its own.
    size_t colon = name.find(':');
    if (colon != std::string::npos && ParseScope(name.substr(0, colon), songLevel)) {
        return std::to_string(songLevel) + ":" + name;
    }
    return name;
}

std::optional<ItemKey> ParseKey(const std::string& text, uint64_t songLevel) {
    ItemKey key;
    size_t colon = text.find(':');
    std::optional<ItemKey> scoped =
        colon == std::string::npos ? std::nullopt
                                   : ParseScope(std::string_view(text).substr(0, colon), songLevel);
    if (scoped) {
        key = std::move(*scoped);
        key.name = text.substr(colon + 1);
    } else {
        key.level = songLevel;
        key.name = text;
    }
    if (key.name.empty()) {
        return std::nullopt;
    }
    return key;
}

bool IsTagLevel(uint64_t level) {
    return level >= 10 && level <= 70 && level % 10 == 0;
}

std::string Quoted(const std::string& key) {
    return "\"" + key + "\"";
}

// scopes: what each of the tags is about, as ScopeOf spells it.
std::string ApplyEdit(MatroskaTags& tags, std::vector<std::string>& scopes, const ItemKey& key,
                      const std::string& spelled, const std::vector<std::string>& values) {
    std::optional<size_t> firstTag;
    std::optional<std::pair<size_t, size_t>> first;
    std::vector<MatroskaSimpleTag> old;
    auto same = [&](const MatroskaSimpleTag& simple) {
        return EqualsIgnoreCaseAscii(simple.name, key.name);
    };
    for (size_t t = 0; t < tags.tags.size(); ++t) {
        const MatroskaTag& tag = tags.tags[t];
        if (scopes[t] != key.scope) {
            continue;
        }
        firstTag = firstTag.value_or(t);
        for (size_t s = 0; s < tag.simpleTags.size(); ++s) {
            if (same(tag.simpleTags[s])) {
                first = first.value_or(std::pair(t, s));
                old.push_back(tag.simpleTags[s]);
            }
        }
    }
    auto eraseOld = [&] {
        for (size_t t = 0; t < tags.tags.size(); ++t) {
            if (scopes[t] == key.scope) {
                std::erase_if(tags.tags[t].simpleTags, same);
            }
        }
    };
    if (values.empty()) {
        eraseOld();
        return {};
    }
    if (std::any_of(old.begin(), old.end(),
                    [](const MatroskaSimpleTag& simple) { return simple.binaryLength; })) {
        return Quoted(spelled) + " holds binary data: it can be removed, not given a text";
    }
    if (!firstTag) {
        if (key.targeted) {
            return Quoted(spelled) + " names no tag of the file (\"" + key.scope + "\")";
        }
        if (!IsTagLevel(key.level)) {
            return Quoted(spelled) + ": a tag's level is 10, 20, 30, 40, 50, 60 or 70";
        }
        tags.tags.push_back(MatroskaTag::Make(key.level));
        scopes.push_back(key.scope);
        firstTag = tags.tags.size() - 1;
    }
    std::vector<MatroskaSimpleTag> added;
    for (size_t i = 0; i < values.size(); ++i) {
        added.push_back(i < old.size() ? old[i].WithValue(values[i])
                                       : MatroskaSimpleTag::Make(
                                             old.empty() ? key.name : old.front().name, values[i]));
    }
    eraseOld();
    auto [t, s] = first.value_or(std::pair(*firstTag, tags.tags[*firstTag].simpleTags.size()));
    auto& simples = tags.tags[t].simpleTags;
    simples.insert(simples.begin() + static_cast<ptrdiff_t>(s), added.begin(), added.end());
    return {};
}

}  // namespace

std::vector<TagItem> MatroskaOtherItems(const MatroskaTags& tags) {
    std::vector<TagItem> out;
    // A file may hold millions of SimpleTags: each key is found by its index.
    std::unordered_map<std::string, size_t> indexOfKey;
    const uint64_t songLevel = MatroskaSongLevel(tags);
    for (const MatroskaTag& tag : tags.tags) {
        const std::string scope = ScopeOf(tag, songLevel);
        for (const MatroskaSimpleTag& simple : tag.simpleTags) {
            if (!tag.targeted && IsMatroskaFieldName(songLevel, tag.level, simple.name)) {
                continue;
            }
            std::string key = KeyOf(scope, simple.name, songLevel);
            auto [at, added] = indexOfKey.try_emplace(ToUpperAscii(key), out.size());
            if (added) {
                out.push_back({std::move(key), {}, true});
            }
            TagItem& item = out[at->second];
            if (simple.binaryLength) {
                item.values.push_back("[binary, " + std::to_string(*simple.binaryLength) +
                                      " bytes]");
                item.editable = false;
            } else {
                item.values.push_back(simple.value);
            }
        }
    }
    return out;
}

std::string ApplyMatroskaItemEdits(MatroskaTags& tags, const TagItemEdits& edits) {
    // Keys are read against the file as it was, whatever an earlier edit
    // of the same write does to its levels.
    const uint64_t songLevel = MatroskaSongLevel(tags);
    MatroskaTags edited = tags;
    std::vector<std::string> scopes;
    for (const MatroskaTag& tag : tags.tags) {
        scopes.push_back(ScopeOf(tag, songLevel));
    }
    for (const TagItemEdit& edit : edits) {
        std::optional<ItemKey> key = ParseKey(edit.key, songLevel);
        if (!key) {
            return Quoted(edit.key) +
                   " is not a Matroska tag key (a name, led by a level as in "
                   "\"50:NAME\" or by targets as in \"50 track=1:NAME\")";
        }
        if (!key->targeted && IsMatroskaFieldName(songLevel, key->level, key->name)) {
            return Quoted(edit.key) + " is kept by a field, not as an item";
        }
        if (std::string why = ApplyEdit(edited, scopes, *key, edit.key, edit.values);
            !why.empty()) {
            return why;
        }
    }
    // A track level would make the one tag's TITLE and ARTIST the album's.
    if (songLevel != kTrackLevel && MatroskaSongLevel(edited) == kTrackLevel) {
        return "a track-level tag would change how this file's fields read (they are in its one "
               "album-level tag, as ffmpeg writes them); no item was written";
    }
    tags = std::move(edited);
    return {};
}

}  // namespace songcore
