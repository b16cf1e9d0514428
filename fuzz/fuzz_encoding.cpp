// Telling the encoding of misread tag text, over arbitrary bytes: the first
// byte picks the legacy code page, the rest is fields (split at '\n') of
// songs (split at NUL). Every candidate must decode what it claims to, and
// an ID3v1 tag in that code page must read back what it wrote.
#include <array>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "songcore/edit/EncodingGuess.h"
#include "songcore/tags/id3/Id3v1Tag.h"
#include "songcore/util/Codepage.h"
#include "songcore/util/Text.h"

using namespace songcore;

namespace {

constexpr std::array<std::string_view, 6> kCodepages = {"ISO-8859-1", "windows-1251", "GBK",
                                                        "Shift_JIS",  "Big5",         "UTF-8"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The texts of an album's tags are a few kilobytes; a larger input only
    // repeats what they exercise, at the cost of every code page's decoder.
    constexpr size_t kMaxInput = 1024;
    if (size == 0 || size > kMaxInput) {
        return 0;
    }
    std::string_view codepage = kCodepages[data[0] % kCodepages.size()];
    std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::vector<std::vector<MisreadField>> songs(1);
    size_t start = 0;
    for (size_t pos = 0; pos <= rest.size(); ++pos) {
        if (pos < rest.size() && rest[pos] != '\n' && rest[pos] != '\0') {
            continue;
        }
        std::string bytes(rest.substr(start, pos - start));
        songs.back().push_back({SongField::Title, SanitizeUtf8(bytes), bytes});
        if (pos < rest.size() && rest[pos] == '\0') {
            songs.emplace_back();
        }
        start = pos + 1;
    }
    for (const EncodingCandidate& candidate : RankEncodings(songs)) {
        if (candidate.changes.size() != songs.size() || !DecodeAllAs(songs, candidate.encoding)) {
            std::abort();
        }
        for (const FieldValues& song : candidate.changes) {
            for (const auto& [field, text] : song) {
                if (!IsValidUtf8(text)) {
                    std::abort();
                }
            }
        }
    }
    SetLegacyEncoding(std::string(codepage));
    if (rest.size() >= Id3v1Tag::kSize) {
        auto block = std::span(reinterpret_cast<const uint8_t*>(rest.data()), Id3v1Tag::kSize);
        if (std::optional<Id3v1Tag> tag = Id3v1Tag::Parse(block)) {
            std::optional<Id3v1Tag> again = Id3v1Tag::Parse(tag->Serialize());
            if (!again || (tag->HoldsTextsWhole() && again->title != tag->title)) {
                std::abort();
            }
        }
    }
    SetLegacyEncoding(std::string(kLatin1Encoding));
    return 0;
}
