#include "songcore/tags/id3/Id3v2Downgrade.h"

#include <algorithm>

#include "songcore/tags/FieldText.h"
#include "songcore/util/ByteWriter.h"

namespace songcore {

namespace {

constexpr uint8_t kUtf16 = 1;

bool IsUnicodeOnlyIn24(uint8_t encoding) {
    return encoding == 2 || encoding == 3;
}

// 2.4's status flags (tag alter, file alter, read only: 0x4000, 0x2000,
// 0x1000) sit one bit lower than 2.3's; the format flags go, as the frame's
// content is written plain.
uint16_t FlagsFor23(uint16_t flags) {
    return static_cast<uint16_t>((flags & 0x7000) << 1);
}

// The encoding 2.3 stores text in: ISO-8859-1 where it holds the text.
uint8_t EncodingFor23(const std::string& text) {
    return ChooseId3v2Encoding(text, 3);
}

void PutString(ByteWriter& out, uint8_t encoding, const std::string& text, bool terminate) {
    out.bytes(EncodeId3v2String(encoding, text, terminate));
}

// A text frame's values, or a people list's names and roles, in one
// encoding; joined into one text unless kept apart (IPLS keeps its pairs).
std::optional<std::vector<uint8_t>> TextFor23(std::span<const uint8_t> content, bool apart) {
    std::optional<std::vector<std::string>> values = DecodeId3v2Values(content);
    if (!values) {
        return std::nullopt;
    }
    if (!apart) {
        *values = {JoinValues(*values)};
    }
    std::string all;
    for (const std::string& value : *values) {
        all += value;
    }
    const uint8_t encoding = EncodingFor23(all);
    ByteWriter out;
    out.u8(encoding);
    for (size_t i = 0; i < values->size(); ++i) {
        PutString(out, encoding, (*values)[i], i + 1 < values->size());
    }
    return out.take();
}

// TXXX, WXXX, COMM, USLT and APIC: a description in the frame's encoding
// between fixed parts (COMM's and USLT's language, APIC's MIME type and
// role) and the rest (a text in the same encoding, a URL or image bytes in
// their own form).
std::optional<std::vector<uint8_t>> DescribedFor23(const std::string& id,
                                                   std::span<const uint8_t> content) {
    const uint8_t encoding = content[0];
    size_t fixed = 1;
    if (id == "COMM" || id == "USLT") {
        fixed = 4;
    } else if (id == "APIC") {
        auto mimeEnd = std::find(content.begin() + 1, content.end(), uint8_t{0});
        if (mimeEnd == content.end() || mimeEnd + 1 == content.end()) {
            return std::nullopt;
        }
        fixed = static_cast<size_t>(mimeEnd - content.begin()) + 2;  // NUL and role
    }
    if (content.size() < fixed) {
        return std::nullopt;
    }
    auto description = DecodeId3v2String(encoding, content.subspan(fixed));
    if (!description) {
        return std::nullopt;
    }
    std::span<const uint8_t> rest = content.subspan(fixed + description->second);
    const bool restIsText = id == "TXXX" || id == "COMM" || id == "USLT";
    std::string restText;
    if (restIsText) {
        std::vector<uint8_t> values{encoding};
        values.insert(values.end(), rest.begin(), rest.end());
        std::optional<std::vector<std::string>> decoded = DecodeId3v2Values(values);
        if (!decoded) {
            return std::nullopt;
        }
        restText = JoinValues(*decoded);
    }
    const uint8_t newEncoding = EncodingFor23(description->first + restText);
    ByteWriter out;
    out.u8(newEncoding);
    out.bytes(content.subspan(1, fixed - 1));
    PutString(out, newEncoding, description->first, true);
    if (restIsText) {
        PutString(out, newEncoding, restText, false);
    } else {
        out.bytes(rest);
    }
    return out.take();
}

// TDRC's "YYYY-MM-DDTHH:MM:SS" (any tail may be missing) as TYER, TDAT
// (DDMM) and TIME (HHMM).
void AddRecordingTime(const std::string& time, std::vector<Id3v2Frame>& out, uint16_t flags) {
    auto frame = [&](const char* id, const std::string& text) {
        ByteWriter data;
        data.u8(0);
        data.text(text);
        out.push_back({id, flags, data.take()});
    };
    if (time.size() >= 4) {
        frame("TYER", time.substr(0, 4));
    }
    if (time.size() >= 10) {
        frame("TDAT", time.substr(8, 2) + time.substr(5, 2));
    }
    if (time.size() >= 16) {
        frame("TIME", time.substr(11, 2) + time.substr(14, 2));
    }
}

}  // namespace

std::optional<Id3v2Tag> Id3v2As23(const Id3v2Tag& tag) {
    if (tag.major != 4) {
        return tag;
    }
    Id3v2Tag older;
    older.major = 3;
    older.padding = tag.padding;
    for (const Id3v2Frame& frame : tag.frames) {
        std::optional<std::vector<uint8_t>> content = tag.Content(frame);
        if (!content) {
            return std::nullopt;
        }
        const uint16_t flags = FlagsFor23(frame.flags);
        const bool text = frame.id[0] == 'T' && frame.id != "TXXX";
        if (frame.id == "TDRC" || frame.id == "TDOR") {
            std::optional<std::string> time = DecodeId3v2Text(*content);
            if (!time) {
                return std::nullopt;
            }
            if (frame.id == "TDRC") {
                AddRecordingTime(*time, older.frames, flags);
            } else if (time->size() >= 4) {
                older.frames.push_back({"TORY", flags, {0}});
                older.frames.back().data.insert(older.frames.back().data.end(), time->begin(),
                                                time->begin() + 4);
            }
            continue;
        }
        std::optional<std::vector<uint8_t>> data = content;
        std::string id = frame.id;
        if (frame.id == "TIPL" || frame.id == "TMCL") {
            id = "IPLS";
            data = content->empty() ? content : TextFor23(*content, true);
        } else if (content->empty() || !IsUnicodeOnlyIn24((*content)[0])) {
            // ISO-8859-1 and UTF-16 texts mean the same in 2.3.
            data = text ? TextFor23(*content, false) : content;
        } else if (text) {
            data = TextFor23(*content, false);
        } else if (frame.id == "TXXX" || frame.id == "WXXX" || frame.id == "COMM" ||
                   frame.id == "USLT" || frame.id == "APIC") {
            data = DescribedFor23(frame.id, *content);
        } else if (frame.id[0] != 'W' && frame.id != "UFID" && frame.id != "PRIV" &&
                   frame.id != "POPM" && frame.id != "PCNT" && frame.id != "MCDI" &&
                   frame.id != "RVA2") {
            // SYLT, GEOB, USER, OWNE, COMR...: text in a layout not converted.
            return std::nullopt;
        }
        if (!data) {
            return std::nullopt;
        }
        older.frames.push_back({std::move(id), flags, std::move(*data)});
    }
    // IPLS may stand once; TIPL and TMCL together would make two.
    if (std::count_if(older.frames.begin(), older.frames.end(),
                      [](const Id3v2Frame& frame) { return frame.id == "IPLS"; }) > 1) {
        return std::nullopt;
    }
    return older;
}

}  // namespace songcore
