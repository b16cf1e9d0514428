#include "songcore/edit/MisreadText.h"

#include <algorithm>
#include <optional>

#include "songcore/tags/SongFileInfo.h"
#include "songcore/util/Codepage.h"
#include "songcore/util/Text.h"

namespace songcore {
namespace {

bool HasHighBytes(std::string_view bytes) {
    return std::any_of(bytes.begin(), bytes.end(),
                       [](char c) { return static_cast<uint8_t>(c) >= 0x80; });
}

// The UTF-8 bytes that a Unicode text was wrongly made of, when it was:
// the text's ISO-8859-1 or windows-1252 bytes are UTF-8 beyond ASCII.
std::optional<std::string> DoubleEncodedBytes(const std::string& text) {
    for (std::string_view encoding : {kLatin1Encoding, std::string_view("windows-1252")}) {
        std::optional<std::string> bytes = EncodeCodepage(text, encoding);
        if (bytes && HasHighBytes(*bytes) && IsValidUtf8(*bytes)) {
            return bytes;
        }
    }
    return std::nullopt;
}

bool MayBeMisread(const FieldInfo& info) {
    return info.editable && info.field != SongField::Url &&
           (info.kind == FieldKind::Text || info.kind == FieldKind::List);
}

}  // namespace

std::vector<MisreadField> MisreadFieldsOf(const CSongFileInfo& info) {
    std::vector<MisreadField> fields;
    for (const FieldInfo& field : FieldTable()) {
        if (!MayBeMisread(field)) {
            continue;
        }
        std::string text = info.GetText(field.field);
        if (!HasHighBytes(text)) {
            continue;
        }
        if (!IsValidUtf8(text)) {
            // An APEv2 or Vorbis value in a code page, kept as its bytes.
            fields.push_back({field.field, SanitizeUtf8(text), text});
        } else if (info.IsLegacyText(field.field)) {
            bool lossless = false;
            std::string bytes = EncodeLegacyText(text, &lossless);
            if (lossless) {
                fields.push_back({field.field, text, std::move(bytes)});
            }
        } else if (std::optional<std::string> bytes = DoubleEncodedBytes(text)) {
            fields.push_back({field.field, text, std::move(*bytes)});
        }
    }
    return fields;
}

}  // namespace songcore
