#include "songcore/settings/ProfileDocument.h"

#include <span>

#include "songcore/util/Text.h"

namespace songcore {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view TrimView(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

bool IsSectionHeader(std::string_view trimmed) {
    return !trimmed.empty() && trimmed[0] == '[';
}

std::string SectionNameOf(std::string_view trimmed) {
    trimmed.remove_prefix(1);
    size_t close = trimmed.find(']');
    if (close != std::string_view::npos) {
        trimmed = trimmed.substr(0, close);
    }
    return std::string(TrimView(trimmed));
}

// The value of a key line: the text after the first "=", without the white
// space around it.
std::string ValueOf(const std::string& line) {
    size_t equals = line.find('=');
    return std::string(TrimView(std::string_view(line).substr(equals + 1)));
}

bool HasLineBreakOrNul(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// A value must stay on its line: line breaks and NULs become spaces.
std::string FlattenValue(std::string_view value) {
    std::string flat(TrimView(value));
    for (char& c : flat) {
        if (c == '\r' || c == '\n' || c == '\0') {
            c = ' ';
        }
    }
    return flat;
}

}  // namespace

std::string FoldProfileName(std::string_view name) {
    bool ascii = true;
    for (char c : name) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (!ascii) {
        return FoldCase(name);
    }
    std::string folded(name);
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return folded;
}

bool ProfileDocument::IsValidSectionName(std::string_view name) {
    return !HasLineBreakOrNul(name) && name.find(']') == std::string_view::npos &&
           TrimView(name) == name;
}

bool ProfileDocument::IsValidKeyName(std::string_view name) {
    std::string_view trimmed = TrimView(name);
    return !trimmed.empty() && trimmed == name && !HasLineBreakOrNul(name) &&
           name.find('=') == std::string_view::npos && name[0] != '[' && name[0] != ';';
}

ProfileDocument::Line ProfileDocument::MakeLine(std::string text) {
    Line line;
    std::string_view trimmed = TrimView(text);
    size_t equals = trimmed.find('=');
    if (!trimmed.empty() && trimmed[0] != ';' && equals != std::string_view::npos && equals > 0) {
        std::string_view key = TrimView(trimmed.substr(0, equals));
        if (!key.empty()) {
            line.key = FoldProfileName(key);
        }
    }
    line.text = std::move(text);
    return line;
}

const std::unordered_map<std::string, size_t>& ProfileDocument::Section::Index() const {
    if (!indexed) {
        index.clear();
        for (size_t i = 0; i < lines.size(); ++i) {
            if (!lines[i].key.empty()) {
                index.emplace(lines[i].key, i);  // the first of a name wins
            }
        }
        indexed = true;
    }
    return index;
}

ProfileDocument ProfileDocument::Parse(std::string_view text) {
    ProfileDocument doc;
    // Byte order marks are not text: every one before the first line goes,
    // or a second mark would come back as the start of that line and hide a
    // section header behind it until the file is read again.
    auto dropMarks = [](std::string_view& view) {
        while (view.substr(0, 3) == "\xEF\xBB\xBF") {
            view.remove_prefix(3);
        }
    };
    dropMarks(text);
    std::string decoded;
    if (text.substr(0, 2) == "\xFF\xFE" || text.substr(0, 2) == "\xFE\xFF") {
        auto units = std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text.data()) + 2,
                                              text.size() - 2);
        decoded = text[0] == '\xFF' ? Utf16LeToUtf8(units) : Utf16BeToUtf8(units);
        text = decoded;
        dropMarks(text);
    }
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view raw = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        // Every CR before the LF: a stray one would otherwise come back as a
        // line end of its own on the next reading.
        while (!raw.empty() && raw.back() == '\r') {
            raw.remove_suffix(1);
        }
        std::string_view trimmed = TrimView(raw);
        if (IsSectionHeader(trimmed)) {
            Section section;
            section.header = std::string(raw);
            section.name = SectionNameOf(trimmed);
            section.folded = FoldProfileName(section.name);
            doc.sections_.push_back(std::move(section));
        } else if (doc.sections_.empty()) {
            doc.preamble_.emplace_back(raw);
        } else {
            doc.sections_.back().lines.push_back(MakeLine(std::string(raw)));
        }
    }
    doc.RebuildSectionIndex();
    return doc;
}

void ProfileDocument::RebuildSectionIndex() {
    sectionIndex_.clear();
    for (size_t i = 0; i < sections_.size(); ++i) {
        sectionIndex_.emplace(sections_[i].folded, i);
    }
}

std::string ProfileDocument::Serialize() const {
    std::string out;
    for (const std::string& line : preamble_) {
        out += line;
        out += '\n';
    }
    for (const Section& section : sections_) {
        out += section.header;
        out += '\n';
        for (const Line& line : section.lines) {
            out += line.text;
            out += '\n';
        }
    }
    return out;
}

ProfileDocument::Section* ProfileDocument::Find(std::string_view section) {
    auto it = sectionIndex_.find(FoldProfileName(section));
    return it == sectionIndex_.end() ? nullptr : &sections_[it->second];
}

const ProfileDocument::Section* ProfileDocument::Find(std::string_view section) const {
    auto it = sectionIndex_.find(FoldProfileName(section));
    return it == sectionIndex_.end() ? nullptr : &sections_[it->second];
}

ProfileDocument::Section& ProfileDocument::Add(std::string_view name) {
    // A blank line before a new section keeps the file readable.
    if (!sections_.empty()) {
        std::vector<Line>& last = sections_.back().lines;
        if (last.empty() || !TrimView(last.back().text).empty()) {
            last.push_back(Line{});
        }
    } else if (!preamble_.empty() && !TrimView(preamble_.back()).empty()) {
        preamble_.emplace_back();
    }
    Section section;
    section.name = std::string(name);
    section.header = "[" + section.name + "]";
    section.folded = FoldProfileName(name);
    sections_.push_back(std::move(section));
    sectionIndex_.emplace(sections_.back().folded, sections_.size() - 1);
    return sections_.back();
}

std::optional<std::string> ProfileDocument::Get(std::string_view section,
                                                std::string_view key) const {
    const Section* found = Find(section);
    if (found == nullptr) {
        return std::nullopt;
    }
    const auto& index = found->Index();
    auto it = index.find(FoldProfileName(TrimView(key)));
    if (it == index.end()) {
        return std::nullopt;
    }
    return ValueOf(found->lines[it->second].text);
}

bool ProfileDocument::Set(std::string_view section, std::string_view key, std::string_view value,
                          bool* changed) {
    if (changed) {
        *changed = false;
    }
    if (!IsValidSectionName(section) || !IsValidKeyName(key)) {
        return false;
    }
    std::string text = std::string(key) + "=" + FlattenValue(value);
    Section* found = Find(section);
    if (found == nullptr) {
        found = &Add(section);
    }
    const auto& index = found->Index();
    auto it = index.find(FoldProfileName(key));
    if (it != index.end()) {
        Line& line = found->lines[it->second];
        if (ValueOf(line.text) == ValueOf(text)) {
            return true;  // also keeps the stored spelling of the key
        }
        line = MakeLine(std::move(text));
    } else {
        // After the section's last non-blank line, so trailing blank lines
        // keep separating it from the next section.
        size_t at = found->lines.size();
        while (at > 0 && TrimView(found->lines[at - 1].text).empty()) {
            --at;
        }
        found->lines.insert(found->lines.begin() + static_cast<ptrdiff_t>(at),
                            MakeLine(std::move(text)));
        // Only blank lines follow the new one, so every other key keeps its
        // place in the index: no rebuild (a list writer adds thousands).
        found->index.emplace(found->lines[at].key, at);
    }
    if (changed) {
        *changed = true;
    }
    return true;
}

bool ProfileDocument::DeleteKey(std::string_view section, std::string_view key) {
    Section* found = Find(section);
    if (found == nullptr) {
        return false;
    }
    std::string folded = FoldProfileName(TrimView(key));
    bool removed = false;
    for (size_t i = found->lines.size(); i-- > 0;) {
        if (found->lines[i].key == folded) {
            found->lines.erase(found->lines.begin() + static_cast<ptrdiff_t>(i));
            removed = true;
        }
    }
    found->indexed = false;
    return removed;
}

bool ProfileDocument::DeleteSection(std::string_view section) {
    std::string folded = FoldProfileName(section);
    size_t before = sections_.size();
    std::erase_if(sections_, [&](const Section& s) { return s.folded == folded; });
    RebuildSectionIndex();
    return sections_.size() != before;
}

bool ProfileDocument::ReplaceSection(std::string_view section,
                                     const std::vector<std::string>& lines) {
    if (!IsValidSectionName(section)) {
        return false;
    }
    Section* found = Find(section);
    if (found == nullptr) {
        found = &Add(section);
    }
    found->lines.clear();
    for (const std::string& line : lines) {
        std::string_view trimmed = TrimView(line);
        // A line that would open a section or break the file is not taken.
        if (trimmed.empty() || IsSectionHeader(trimmed) || HasLineBreakOrNul(line)) {
            continue;
        }
        found->lines.push_back(MakeLine(std::string(trimmed)));
    }
    found->indexed = false;
    return true;
}

std::vector<std::string> ProfileDocument::SectionNames() const {
    std::vector<std::string> names;
    names.reserve(sections_.size());
    for (const Section& section : sections_) {
        names.push_back(section.name);
    }
    return names;
}

std::optional<std::vector<std::string>> ProfileDocument::SectionLines(
    std::string_view section) const {
    const Section* found = Find(section);
    if (found == nullptr) {
        return std::nullopt;
    }
    std::vector<std::string> lines;
    for (const Line& line : found->lines) {
        if (!line.key.empty()) {
            lines.emplace_back(TrimView(line.text));
        }
    }
    return lines;
}

}  // namespace songcore
