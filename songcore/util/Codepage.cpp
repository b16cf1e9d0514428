#include "songcore/util/Codepage.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "songcore/util/IcuLibrary.h"
#include "songcore/util/Text.h"

namespace songcore {
namespace {

// Lower case without '-' and '_', so that "ISO_8859-1" and "iso88591" meet.
std::string NameKey(std::string_view name) {
    std::string key;
    for (char c : name) {
        if (c != '-' && c != '_') {
            key += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
        }
    }
    return key;
}

bool IsUtf8Name(std::string_view encoding) {
    return NameKey(encoding) == "utf8";
}

struct ConverterCloser {
    const IcuLibrary* icu;
    void operator()(UConverter* converter) const { icu->closeConverter(converter); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

// A converter that stops at the first sequence it cannot convert; null when
// ICU or the encoding is missing.
Converter OpenStrict(const IcuLibrary* icu, std::string_view encoding) {
    if (!icu) {
        return Converter(nullptr, ConverterCloser{icu});
    }
    UErrorCode status = U_ZERO_ERROR;
    Converter converter(icu->openConverter(std::string(encoding).c_str(), &status),
                        ConverterCloser{icu});
    if (U_FAILURE(status) || !converter) {
        return Converter(nullptr, ConverterCloser{icu});
    }
    icu->setToUnicodeCallback(converter.get(), icu->stopToUnicode, nullptr, nullptr, nullptr,
                              &status);
    icu->setFromUnicodeCallback(converter.get(), icu->stopFromUnicode, nullptr, nullptr, nullptr,
                                &status);
    if (U_FAILURE(status)) {
        return Converter(nullptr, ConverterCloser{icu});
    }
    return converter;
}

// Runs a conversion into a buffer of room units, once more with the room it
// asked for when that was too small. Nothing when the conversion fails.
template <typename Unit, typename Call>
std::optional<std::basic_string<Unit>> Convert(size_t room, const Call& call) {
    for (int round = 0; round < 2; ++round) {
        std::basic_string<Unit> out(std::max<size_t>(room, 1), Unit{});
        UErrorCode status = U_ZERO_ERROR;
        int32_t length = call(out.data(), static_cast<int32_t>(out.size()), &status);
        if (status == U_BUFFER_OVERFLOW_ERROR && length > 0) {
            room = static_cast<size_t>(length) + 1;
            continue;
        }
        if (U_FAILURE(status) || length < 0) {
            return std::nullopt;
        }
        out.resize(static_cast<size_t>(length));
        return out;
    }
    return std::nullopt;
}

struct Setting {
    std::mutex mutex;
    std::string encoding{kLatin1Encoding};
    // Read without the lock on the common path.
    std::atomic<bool> latin1{true};
};

Setting& TheSetting() {
    static Setting setting;
    return setting;
}

}  // namespace

bool IsLatin1Name(std::string_view encoding) {
    std::string key = NameKey(encoding);
    return key == "iso88591" || key == "latin1" || key == "l1";
}

std::optional<std::string> DecodeCodepage(std::string_view bytes, std::string_view encoding) {
    if (IsLatin1Name(encoding)) {
        return Latin1ToUtf8(bytes);
    }
    if (IsUtf8Name(encoding)) {
        return IsValidUtf8(bytes) ? std::optional<std::string>(bytes) : std::nullopt;
    }
    const IcuLibrary* icu = IcuLibrary::Get();
    Converter converter = OpenStrict(icu, encoding);
    if (!converter || bytes.size() > (1u << 28)) {
        return std::nullopt;
    }
    std::optional<std::u16string> units =
        Convert<char16_t>(bytes.size() + 16, [&](char16_t* out, int32_t room, UErrorCode* status) {
            return icu->toUChars(converter.get(), out, room, bytes.data(),
                                 static_cast<int32_t>(bytes.size()), status);
        });
    if (!units) {
        return std::nullopt;
    }
    std::optional<std::string> text =
        Convert<char>(units->size() * 3 + 16, [&](char* out, int32_t room, UErrorCode* status) {
            int32_t length = 0;
            icu->toUtf8(out, room, &length, units->data(), static_cast<int32_t>(units->size()),
                        status);
            return length;
        });
    // A code page may map a byte to NUL; tag text never holds one.
    if (text && text->find('\0') != std::string::npos) {
        return std::nullopt;
    }
    return text;
}

std::optional<std::string> EncodeCodepage(std::string_view text, std::string_view encoding) {
    if (!IsValidUtf8(text)) {
        return std::nullopt;
    }
    if (IsLatin1Name(encoding)) {
        bool lossless = false;
        std::string bytes = Utf8ToLatin1(text, &lossless);
        return lossless ? std::optional<std::string>(std::move(bytes)) : std::nullopt;
    }
    if (IsUtf8Name(encoding)) {
        return std::string(text);
    }
    const IcuLibrary* icu = IcuLibrary::Get();
    Converter converter = OpenStrict(icu, encoding);
    if (!converter || text.size() > (1u << 28)) {
        return std::nullopt;
    }
    std::optional<std::u16string> units =
        Convert<char16_t>(text.size() + 16, [&](char16_t* out, int32_t room, UErrorCode* status) {
            int32_t length = 0;
            icu->fromUtf8(out, room, &length, text.data(), static_cast<int32_t>(text.size()),
                          0xFFFD, nullptr, status);
            return length;
        });
    if (!units) {
        return std::nullopt;
    }
    return Convert<char>(units->size() * 4 + 16, [&](char* out, int32_t room, UErrorCode* status) {
        return icu->fromUChars(converter.get(), out, room, units->data(),
                               static_cast<int32_t>(units->size()), status);
    });
}

bool IsKnownEncoding(std::string_view encoding) {
    if (encoding.empty()) {
        return false;
    }
    if (IsLatin1Name(encoding) || IsUtf8Name(encoding)) {
        return true;
    }
    const IcuLibrary* icu = IcuLibrary::Get();
    return OpenStrict(icu, encoding) != nullptr;
}

std::string LegacyEncoding() {
    Setting& setting = TheSetting();
    if (setting.latin1.load()) {
        return std::string(kLatin1Encoding);
    }
    std::lock_guard lock(setting.mutex);
    return setting.encoding;
}

void SetLegacyEncoding(std::string encoding) {
    Setting& setting = TheSetting();
    std::lock_guard lock(setting.mutex);
    const bool latin1 = encoding.empty() || IsLatin1Name(encoding);
    setting.encoding = latin1 ? std::string(kLatin1Encoding) : std::move(encoding);
    setting.latin1.store(latin1);
}

std::string DecodeLegacyText(std::string_view bytes) {
    if (TheSetting().latin1.load()) {
        return Latin1ToUtf8(bytes);
    }
    std::optional<std::string> text = DecodeCodepage(bytes, LegacyEncoding());
    return text ? std::move(*text) : Latin1ToUtf8(bytes);
}

std::string UnicodeTagText(std::string_view bytes, bool& legacy) {
    legacy = !IsValidUtf8(bytes);
    return legacy ? DecodeLegacyText(bytes) : std::string(bytes);
}

std::string EncodeLegacyText(std::string_view text, bool* lossless) {
    if (TheSetting().latin1.load()) {
        return Utf8ToLatin1(text, lossless);
    }
    return EncodeReplacing(text, LegacyEncoding(), lossless);
}

std::string EncodeReplacing(std::string_view text, std::string_view encoding, bool* lossless) {
    if (IsLatin1Name(encoding)) {
        return Utf8ToLatin1(text, lossless);
    }
    if (std::optional<std::string> bytes = EncodeCodepage(text, encoding)) {
        if (lossless) {
            *lossless = true;
        }
        return std::move(*bytes);
    }
    // Character by character, so that only those the code page lacks are lost.
    std::string out;
    bool whole = true;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t next = pos + 1;
        while (next < text.size() && (static_cast<uint8_t>(text[next]) & 0xC0) == 0x80) {
            ++next;
        }
        std::optional<std::string> bytes = EncodeCodepage(text.substr(pos, next - pos), encoding);
        whole = whole && bytes.has_value();
        out += bytes ? *bytes : "?";
        pos = next;
    }
    if (lossless) {
        *lossless = whole;
    }
    return out;
}

bool FitsLegacyFrame(std::string_view text) {
    if (TheSetting().latin1.load()) {
        return FitsLatin1(text);
    }
    for (char c : text) {
        if (static_cast<uint8_t>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

}  // namespace songcore
