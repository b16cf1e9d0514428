#pragma once
// The text of one INI file held in memory: sections of "key=value" lines,
// with section and key names matched without regard to letter case. Lines
// the document does not understand (comments, text without "=") are kept as
// they stand, so rewriting a file changes only the values that were set.

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace songcore {

class ProfileDocument {
public:
    // UTF-16 text with a byte order mark (either order) is read too; the
    // document is UTF-8 from then on.
    static ProfileDocument Parse(std::string_view text);
    // LF line ends; the lines that were never touched keep their text.
    std::string Serialize() const;

    // The value of the first key of that name in the first section of that
    // name; nothing when either is missing.
    std::optional<std::string> Get(std::string_view section, std::string_view key) const;
    // Sets a value, adding the section and the key as needed. False when a
    // name cannot be stored in an INI line. changed tells whether the text
    // differs afterwards.
    bool Set(std::string_view section, std::string_view key, std::string_view value,
             bool* changed = nullptr);
    bool DeleteKey(std::string_view section, std::string_view key);
    bool DeleteSection(std::string_view section);
    // Replaces the section's lines (adding the section when missing).
    bool ReplaceSection(std::string_view section, const std::vector<std::string>& lines);

    std::vector<std::string> SectionNames() const;
    // Every "key=value" line of the section as stored; nothing when the
    // section is missing.
    std::optional<std::vector<std::string>> SectionLines(std::string_view section) const;

    bool empty() const { return sections_.empty() && preamble_.empty(); }

    // Names the file format cannot carry: line breaks, NULs, "]" in a
    // section name, "=" in a key, a key that would read as a section header
    // or a comment.
    static bool IsValidSectionName(std::string_view name);
    static bool IsValidKeyName(std::string_view name);

private:
    struct Line {
        std::string text;
        std::string key;  // folded; empty for lines that hold no key
    };
    struct Section {
        std::string header;  // the "[name]" line as stored
        std::string name;
        std::string folded;
        std::vector<Line> lines;
        // Folded key -> index of its first line; rebuilt after removals.
        mutable std::unordered_map<std::string, size_t> index;
        mutable bool indexed = false;
        const std::unordered_map<std::string, size_t>& Index() const;
    };

    Section* Find(std::string_view section);
    const Section* Find(std::string_view section) const;
    Section& Add(std::string_view section);
    void RebuildSectionIndex();
    static Line MakeLine(std::string text);

    std::vector<std::string> preamble_;
    std::vector<Section> sections_;
    std::unordered_map<std::string, size_t> sectionIndex_;
};

// Folds a section or key name for comparison (Unicode-aware; a fast path for
// plain ASCII names).
std::string FoldProfileName(std::string_view name);

}  // namespace songcore
