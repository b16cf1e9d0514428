#include "songcore/lists/PLSFile.h"

#include <algorithm>
#include <charconv>
#include <climits>

#include "songcore/lists/M3UFile.h"
#include "songcore/settings/PrivateProfile.h"
#include "songcore/settings/ProfileDocument.h"
#include "songcore/util/Paths.h"
#include "songcore/util/SafeFileReplace.h"
#include "songcore/util/Text.h"

namespace {

const char kSection[] = "PlayList";

std::string KeyName(const char* name, int index) {
    return name + std::to_string(index + 1);
}

// Splits a "Title" value the way the writer joined it. Title is optional
// in the lists of other players: without it, or without " - " in it, the
// song still counts.
void SplitTitle(const std::string& display, const std::string& file, std::string& artist,
                std::string& title) {
    // Padded, so that the forms the INI reader trims (" - B" read as "- B",
    // "A - " as "A -") still split where the writer joined.
    std::string padded = " " + display + " ";
    size_t dash = padded.find(" - ");
    if (dash == std::string::npos) {
        artist.clear();
        title = songcore::Trim(display);
    } else {
        artist = songcore::Trim(std::string_view(padded).substr(0, dash));
        title = songcore::Trim(std::string_view(padded).substr(dash + 3));
    }
    if (artist.empty()) {
        artist = songcore::kUnknownArtist;
    }
    if (title.empty()) {
        title = songcore::SongNameFromPath(file);
    }
}

enum KeyKind : uint8_t { kFileKey, kTitleKey, kLengthKey, kOtherKey };

// "File7" -> kFileKey and 7. Only the spelling a key lookup of that entry
// would find counts ("File07" is not entry 7).
KeyKind EntryKey(std::string_view key, uint32_t& number) {
    static const struct {
        std::string_view prefix;
        KeyKind kind;
    } kKinds[] = {{"file", kFileKey}, {"title", kTitleKey}, {"length", kLengthKey}};
    for (const auto& kind : kKinds) {
        if (key.size() <= kind.prefix.size() ||
            !songcore::EqualsIgnoreCaseAscii(key.substr(0, kind.prefix.size()), kind.prefix)) {
            continue;
        }
        std::string_view digits = key.substr(kind.prefix.size());
        auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
        if (error != std::errc() || end != digits.data() + digits.size() || digits[0] == '0' ||
            number > static_cast<uint32_t>(INT_MAX)) {
            return kOtherKey;
        }
        return kind.kind;
    }
    return kOtherKey;
}

}  // namespace

uint32_t CPLSFile::GetVersion() const {
    return GetUInt(kSection, "Version", 2, 10);
}

int CPLSFile::WriteVersion(uint32_t version) const {
    return WriteUInt(kSection, "Version", version, 10);
}

int CPLSFile::GetItemCount() const {
    return GetInt(kSection, "NumberOfEntries", 0, 10);
}

int CPLSFile::WriteItemCount(int count) const {
    return WriteInt(kSection, "NumberOfEntries", count, 10);
}

int CPLSFile::GetItem(int index, std::string& artist, std::string& title, std::string& file,
                      int& length) const {
    std::string entry = songcore::Trim(GetString(kSection, KeyName("File", index).c_str(), ""));
    if (entry.empty()) {
        return 0;
    }
    file = songcore::ResolveListEntry(entry, songcore::AbsoluteFolderOf(GetPathName()));
    SplitTitle(GetString(kSection, KeyName("Title", index).c_str(), ""), file, artist, title);
    length = GetInt(kSection, KeyName("Length", index).c_str(), 0, 10);
    return 1;
}

int CPLSFile::WriteItem(int index, std::string artist, std::string title, std::string file,
                        int length) const {
    if (!WriteString(kSection, KeyName("File", index).c_str(), file.c_str())) {
        return 0;
    }
    std::string display = artist + " - " + title;
    if (!WriteString(kSection, KeyName("Title", index).c_str(), display.c_str())) {
        return 0;
    }
    return WriteInt(kSection, KeyName("Length", index).c_str(), length, 10);
}

std::string CPLSFile::GetFileName(std::string path) const {
    return songcore::SongNameFromPath(path);
}

void CPLSFile::RemoveAll() const {
    if (IsSectionExist(kSection)) {
        songcore::ProfileWriteSection(GetPathName(), kSection, {});
    }
}

void CPLSFile::ForEachItem(const std::function<bool(Item&)>& visit) const {
    std::optional<std::vector<std::string>> lines =
        songcore::ProfileGetSection(GetPathName(), kSection);
    if (!lines) {
        return;
    }
    int count = GetItemCount();
    uint32_t last = count > 0 ? static_cast<uint32_t>(count) : static_cast<uint32_t>(INT_MAX);
    // Which line holds which key of which entry; sorted by entry, then by
    // kind, with the first line of a name first, as a key lookup finds it.
    struct KeyLine {
        uint32_t number;
        KeyKind kind;
        uint32_t line;
        bool operator<(const KeyLine& other) const {
            return number != other.number ? number < other.number
                   : kind != other.kind   ? kind < other.kind
                                          : line < other.line;
        }
    };
    std::vector<KeyLine> keys;
    for (size_t i = 0; i < lines->size(); ++i) {
        std::string_view line = (*lines)[i];
        uint32_t number = 0;
        KeyKind kind = EntryKey(songcore::Trim(line.substr(0, line.find('='))), number);
        if (kind != kOtherKey && number >= 1 && number <= last) {
            keys.push_back({number, kind, static_cast<uint32_t>(i)});
        }
    }
    std::sort(keys.begin(), keys.end());
    auto valueOf = [&](const KeyLine& key) {
        const std::string& line = (*lines)[key.line];
        return songcore::Trim(std::string_view(line).substr(line.find('=') + 1));
    };
    std::string folder = songcore::AbsoluteFolderOf(GetPathName());
    Item item;
    for (size_t at = 0; at < keys.size();) {
        uint32_t number = keys[at].number;
        const KeyLine* found[3] = {nullptr, nullptr, nullptr};
        for (; at < keys.size() && keys[at].number == number; ++at) {
            if (found[keys[at].kind] == nullptr) {
                found[keys[at].kind] = &keys[at];
            }
        }
        std::string entry = found[kFileKey] ? valueOf(*found[kFileKey]) : std::string();
        if (entry.empty()) {
            continue;
        }
        item.index = static_cast<int>(number - 1);
        item.file = songcore::ResolveListEntry(entry, folder);
        SplitTitle(found[kTitleKey] ? valueOf(*found[kTitleKey]) : std::string(), item.file,
                   item.artist, item.title);
        item.length = found[kLengthKey] ? TextToInt(valueOf(*found[kLengthKey])) : 0;
        if (!visit(item)) {
            return;
        }
    }
}

namespace songcore {
namespace {

// Values stay on their line, as the INI writer keeps them.
void AppendValue(std::string& out, std::string_view value) {
    std::string flat = Trim(value);
    for (char& c : flat) {
        if (c == '\r' || c == '\n' || c == '\0') {
            c = ' ';
        }
    }
    out += Trim(flat);
}

// The lines of an older file that are not its play list, each ending in LF.
std::string OtherSections(const std::string& path) {
    std::string old;
    std::string error;
    if (!ReadSmallFile(path, 1024u * 1024u * 1024u, old, error)) {
        return {};
    }
    std::string_view text = old;
    while (text.substr(0, 3) == "\xEF\xBB\xBF") {
        text.remove_prefix(3);
    }
    std::string kept;
    bool inList = false;
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        while (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        std::string trimmed = Trim(line);
        if (!trimmed.empty() && trimmed[0] == '[') {
            std::string_view name = std::string_view(trimmed).substr(1);
            name = name.substr(0, name.find(']'));
            inList = FoldProfileName(Trim(name)) == FoldProfileName(kSection);
        }
        if (!inList) {
            kept.append(line);
            kept += '\n';
        }
    }
    return kept;
}

}  // namespace

PlsWriter::PlsWriter() = default;
PlsWriter::~PlsWriter() = default;

bool PlsWriter::Open(const std::string& path) {
    error_.clear();
    count_ = 0;
    out_ = std::make_unique<SafeFileReplace>(path);
    // Other sections of an older file (rare in a play list, but not ours to
    // drop) stay in front of the new list.
    std::string head = OtherSections(path) + "[" + kSection + "]\n";
    if (!out_->begin() || !out_->append(head.data(), head.size())) {
        error_ = out_->error();
        out_.reset();
        return false;
    }
    return true;
}

bool PlsWriter::Put(const std::string& text) {
    if (!out_->append(text.data(), text.size())) {
        error_ = out_->error();
        return false;
    }
    return true;
}

bool PlsWriter::Add(const std::string& artist, const std::string& title, const std::string& file,
                    int length) {
    if (!out_ || !error_.empty()) {
        return false;
    }
    std::string number = std::to_string(count_ + 1);
    std::string lines = "File" + number + "=";
    AppendValue(lines, file);
    lines += "\nTitle" + number + "=";
    AppendValue(lines, artist + " - " + title);
    lines += "\nLength" + number + "=" + std::to_string(length) + "\n";
    if (!Put(lines)) {
        return false;
    }
    ++count_;
    return true;
}

bool PlsWriter::Commit() {
    if (!out_ || !error_.empty()) {
        if (error_.empty()) {
            error_ = "the list was not opened";
        }
        out_.reset();
        return false;
    }
    bool ok = Put("NumberOfEntries=" + std::to_string(count_) + "\nVersion=2\n");
    if (ok && !out_->commit()) {
        error_ = out_->error();
        ok = false;
    }
    out_.reset();
    return ok;
}

}  // namespace songcore
