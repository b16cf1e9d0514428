#include "cli/SongFields.h"

#include <algorithm>

namespace tunemoss {
namespace {

ShownField Text(std::string key, std::string label, std::string value) {
    bool present = !value.empty();
    return {std::move(key), std::move(label), false, std::move(value), 0, present};
}

ShownField Number(std::string key, std::string label, long long value, bool present) {
    return {std::move(key), std::move(label), true, std::to_string(value), value, present};
}

// "album-artist" as JSON spells keys.
std::string JsonKey(std::string_view key) {
    std::string json(key);
    std::replace(json.begin(), json.end(), '-', '_');
    return json;
}

}  // namespace

std::vector<ShownField> DescribeFields(const CSongFileInfo& info) {
    using songcore::FieldKind;
    using songcore::SongField;
    std::vector<ShownField> shown;
    for (const songcore::FieldInfo& field : songcore::FieldTable()) {
        std::string key = JsonKey(field.key);
        std::string label(field.label);
        if (field.kind == FieldKind::Number || field.kind == FieldKind::Total) {
            long long value = info.GetFields().Number(field.field);
            shown.push_back(Number(key, label, value, value != 0));
        } else if (field.field == SongField::Genre) {
            shown.push_back({key, label, false, info.GetGenreString(), 0,
                             info.GetFields().Has(SongField::Genre)});
            shown.push_back(Number("genre_id", "Genre id", info.GetGenre(), false));
        } else {
            shown.push_back(Text(key, label, info.GetText(field.field)));
        }
    }
    shown.push_back(Text("codec", "Codec", info.GetCodec()));
    shown.push_back(
        Number("codec_type", "Codec type", info.GetCodecType(), info.GetCodecType() != 0xFFFF));
    return shown;
}

}  // namespace tunemoss
