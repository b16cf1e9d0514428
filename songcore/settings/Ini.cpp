#include "songcore/settings/Ini.h"

#include <charconv>
#include <cstring>

#include "songcore/settings/PrivateProfile.h"
#include "songcore/settings/ProfileDocument.h"
#include "songcore/util/Hex.h"
#include "songcore/util/Text.h"

using songcore::FillDoubleNulList;
using songcore::FoldProfileName;

namespace {

// Numbers are parsed from at most this many bytes of their value.
constexpr size_t kNumberField = 64;

int NormalBase(int base) {
    return base == 2 || base == 8 || base == 16 ? base : 10;
}

// The digit's value, or one that no base here accepts.
int DigitValue(char c) {
    int value = songcore::HexDigitValue(c);
    return value < 0 ? 99 : value;
}

// As a 32-bit strtoul: leading white space, a sign, "0x" in base 16, digits
// up to the first that does not belong; too large saturates; "-" negates in
// two's complement.
uint32_t ParseUnsigned32(std::string_view text, int base) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' ||
                               text[i] == '\n' || text[i] == '\v' || text[i] == '\f')) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (base == 16 && i + 1 < text.size() && text[i] == '0' &&
        (text[i + 1] == 'x' || text[i + 1] == 'X') && i + 2 < text.size() &&
        DigitValue(text[i + 2]) < 16) {
        i += 2;
    }
    uint64_t value = 0;
    bool overflow = false;
    for (; i < text.size() && DigitValue(text[i]) < base; ++i) {
        value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(DigitValue(text[i]));
        if (value > 0xFFFFFFFFull) {
            overflow = true;
            value = 0xFFFFFFFFull;
        }
    }
    if (overflow) {
        return 0xFFFFFFFFu;
    }
    uint32_t result = static_cast<uint32_t>(value);
    return negative ? static_cast<uint32_t>(0u - result) : result;
}

std::string FormatUnsigned(uint32_t value, int base) {
    if (base == 2) {
        std::string digits;
        do {
            digits.insert(digits.begin(), static_cast<char>('0' + (value & 1)));
            value >>= 1;
        } while (value != 0);
        return digits;
    }
    char text[40];
    auto result = std::to_chars(text, text + sizeof text, value, base);
    std::string out(text, result.ptr);
    if (base == 16) {
        out = songcore::ToUpperAscii(out);
    }
    return out;
}

std::string HexOf(const void* data, uint32_t size) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    std::string hex;
    hex.reserve(size_t{size} * 2);
    for (uint32_t i = 0; i < size; ++i) {
        songcore::AppendHexByte(hex, bytes[i]);
    }
    return hex;
}

bool IsTrimBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string TrimPiece(std::string_view piece) {
    while (!piece.empty() && IsTrimBlank(piece.front())) {
        piece.remove_prefix(1);
    }
    while (!piece.empty() && IsTrimBlank(piece.back())) {
        piece.remove_suffix(1);
    }
    return std::string(piece);
}

std::vector<std::string> SplitValue(const std::string& value, const char* delimiter, bool trim) {
    std::vector<std::string> pieces;
    if (value.empty()) {
        return pieces;
    }
    std::string delim = delimiter == nullptr ? "," : delimiter;
    if (delim.empty()) {
        pieces.push_back(value);
        return pieces;
    }
    size_t start = 0;
    for (;;) {
        size_t at = value.find(delim, start);
        std::string_view raw = std::string_view(value).substr(
            start, at == std::string::npos ? std::string::npos : at - start);
        std::string piece = trim ? TrimPiece(raw) : std::string(raw);
        if (!piece.empty()) {
            pieces.push_back(std::move(piece));
        }
        if (at == std::string::npos) {
            break;
        }
        start = at + delim.size();
    }
    return pieces;
}

uint32_t NeededListSize(const std::vector<std::string>& items) {
    size_t total = 0;
    for (const std::string& item : items) {
        total += item.size() + 1;
    }
    return static_cast<uint32_t>(std::min<size_t>(total, 0xFFFFFFF0u));
}

void StoreLE32(uint8_t* out, int32_t value) {
    auto v = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i) {
        out[i] = static_cast<uint8_t>(v >> (8 * i));
    }
}

int32_t LoadLE32(const uint8_t* in) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) {
        v |= static_cast<uint32_t>(in[i]) << (8 * i);
    }
    return static_cast<int32_t>(v);
}

}  // namespace

CIni::CIni(const char* path) {
    SetPathName(path);
}

void CIni::SetPathName(const char* path) {
    path_ = path ? path : "";
}

uint32_t CIni::GetPathName(char* buffer, uint32_t size) const {
    if (buffer != nullptr && size > 0) {
        size_t n = std::min<size_t>(path_.size(), size - 1);
        std::memcpy(buffer, path_.data(), n);
        buffer[n] = '\0';
    }
    return static_cast<uint32_t>(path_.size());
}

// --- strings ---

std::string CIni::GetString(const char* section, const char* key, const char* defaultValue) const {
    std::string fallback = defaultValue ? defaultValue : "";
    if (section == nullptr || key == nullptr || path_.empty()) {
        return fallback;
    }
    return songcore::ProfileGetString(path_, section, key).value_or(fallback);
}

uint32_t CIni::GetString(const char* section, const char* key, char* buffer, uint32_t size,
                         const char* defaultValue) const {
    std::string value = GetString(section, key, defaultValue);
    if (buffer == nullptr) {
        return static_cast<uint32_t>(value.size());
    }
    if (size == 0) {
        return 0;
    }
    size_t n = std::min<size_t>(value.size(), size - 1);
    std::memcpy(buffer, value.data(), n);
    buffer[n] = '\0';
    return static_cast<uint32_t>(n);
}

int CIni::WriteString(const char* section, const char* key, const char* value) const {
    if (section == nullptr || key == nullptr || path_.empty()) {
        return 0;
    }
    std::string text = value ? value : "";
    return songcore::ProfileWriteString(path_, section, key, &text) ? 1 : 0;
}

int CIni::AppendString(const char* section, const char* key, const char* text) const {
    if (text == nullptr) {
        return 0;
    }
    return WriteString(section, key, (GetString(section, key) + text).c_str());
}

// --- numbers and flags ---

std::string CIni::GetNumberText(const char* section, const char* key) const {
    std::string value = GetString(section, key);
    if (value.size() > kNumberField) {
        value.resize(kNumberField);
    }
    return value;
}

int CIni::GetInt(const char* section, const char* key, int defaultValue, int base) const {
    std::string text = GetNumberText(section, key);
    if (text.empty()) {
        return defaultValue;
    }
    return TextToInt(text, base);
}

int CIni::TextToInt(std::string_view text, int base) {
    return static_cast<int>(ParseUnsigned32(text.substr(0, kNumberField), NormalBase(base)));
}

uint32_t CIni::GetUInt(const char* section, const char* key, uint32_t defaultValue,
                       int base) const {
    std::string text = GetNumberText(section, key);
    if (text.empty()) {
        return defaultValue;
    }
    return ParseUnsigned32(text, NormalBase(base));
}

int CIni::WriteInt(const char* section, const char* key, int value, int base) const {
    base = NormalBase(base);
    std::string text =
        base == 10 ? std::to_string(value) : FormatUnsigned(static_cast<uint32_t>(value), base);
    return WriteString(section, key, text.c_str());
}

int CIni::WriteUInt(const char* section, const char* key, uint32_t value, int base) const {
    return WriteString(section, key, FormatUnsigned(value, NormalBase(base)).c_str());
}

int CIni::IncreaseInt(const char* section, const char* key, int delta, int base) const {
    int value = GetInt(section, key, 0, base);
    return WriteInt(section, key,
                    static_cast<int>(static_cast<uint32_t>(value) + static_cast<uint32_t>(delta)),
                    base);
}

int CIni::IncreaseUInt(const char* section, const char* key, uint32_t delta, int base) const {
    return WriteUInt(section, key, GetUInt(section, key, 0, base) + delta, base);
}

int CIni::StringToBool(const char* text, int defaultValue) {
    if (text == nullptr || *text == '\0') {
        return defaultValue;
    }
    if (songcore::EqualsIgnoreCaseAscii(text, "true") ||
        songcore::EqualsIgnoreCaseAscii(text, "yes")) {
        return 1;
    }
    return ParseUnsigned32(text, 10) != 0 ? 1 : 0;
}

int CIni::GetBool(const char* section, const char* key, int defaultValue) const {
    return StringToBool(GetNumberText(section, key).c_str(), defaultValue);
}

int CIni::WriteBool(const char* section, const char* key, int value) const {
    return WriteInt(section, key, value ? 1 : 0, 10);
}

int CIni::InvertBool(const char* section, const char* key) const {
    return WriteBool(section, key, !GetBool(section, key, 0));
}

double CIni::GetDouble(const char* section, const char* key, double defaultValue) const {
    std::string text = GetNumberText(section, key);
    if (text.empty()) {
        return defaultValue;
    }
    // Independent of the process locale, so "1.5" is 1.5 everywhere.
    std::string_view view = text;
    while (!view.empty() && (view.front() == ' ' || view.front() == '\t')) {
        view.remove_prefix(1);
    }
    if (!view.empty() && view.front() == '+') {
        view.remove_prefix(1);
    }
    double value = 0.0;
    std::from_chars(view.data(), view.data() + view.size(), value);
    return value;
}

int CIni::WriteDouble(const char* section, const char* key, double value, int precision) const {
    char text[512];
    int digits = precision > 0 ? std::min(precision, 100) : 6;
    auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, digits);
    if (result.ec != std::errc()) {
        return 0;
    }
    return WriteString(section, key, std::string(text, result.ptr).c_str());
}

int CIni::IncreaseDouble(const char* section, const char* key, double delta, int precision) const {
    return WriteDouble(section, key, GetDouble(section, key, 0.0) + delta, precision);
}

char CIni::GetChar(const char* section, const char* key, char defaultValue) const {
    std::string text = GetNumberText(section, key);
    return text.empty() ? defaultValue : text[0];
}

int CIni::WriteChar(const char* section, const char* key, char ch) const {
    return WriteString(section, key, std::string(1, ch).c_str());
}

// --- data blocks ---

uint32_t CIni::GetDataBlock(const char* section, const char* key, void* buffer, uint32_t size,
                            uint32_t offset) const {
    std::string value = GetString(section, key);
    size_t count = value.size() / 2;
    if (offset >= count) {
        return 0;
    }
    for (char c : value) {
        if (DigitValue(c) >= 16) {
            return 0;
        }
    }
    size_t available = count - offset;
    if (buffer == nullptr) {
        return static_cast<uint32_t>(available);
    }
    size_t n = std::min<size_t>(available, size);
    auto* out = static_cast<uint8_t*>(buffer);
    for (size_t i = 0; i < n; ++i) {
        size_t at = 2 * (offset + i);
        out[i] = static_cast<uint8_t>(DigitValue(value[at]) * 16 + DigitValue(value[at + 1]));
    }
    return static_cast<uint32_t>(n);
}

int CIni::WriteDataBlock(const char* section, const char* key, const void* data,
                         uint32_t size) const {
    if (data == nullptr && size > 0) {
        return 0;
    }
    return WriteString(section, key, HexOf(data, size).c_str());
}

int CIni::AppendDataBlock(const char* section, const char* key, const void* data,
                          uint32_t size) const {
    if (data == nullptr) {
        return 0;
    }
    return AppendString(section, key, HexOf(data, size).c_str());
}

CIni::POINT CIni::GetPoint(const char* section, const char* key, POINT defaultValue) const {
    uint8_t raw[8];
    if (GetDataBlock(section, key, nullptr, 0) != sizeof raw ||
        GetDataBlock(section, key, raw, sizeof raw) != sizeof raw) {
        return defaultValue;
    }
    return POINT{LoadLE32(raw), LoadLE32(raw + 4)};
}

int CIni::WritePoint(const char* section, const char* key, POINT value) const {
    uint8_t raw[8];
    StoreLE32(raw, value.x);
    StoreLE32(raw + 4, value.y);
    return WriteDataBlock(section, key, raw, sizeof raw);
}

CIni::RECT CIni::GetRect(const char* section, const char* key, RECT defaultValue) const {
    uint8_t raw[16];
    if (GetDataBlock(section, key, nullptr, 0) != sizeof raw ||
        GetDataBlock(section, key, raw, sizeof raw) != sizeof raw) {
        return defaultValue;
    }
    return RECT{LoadLE32(raw), LoadLE32(raw + 4), LoadLE32(raw + 8), LoadLE32(raw + 12)};
}

int CIni::WriteRect(const char* section, const char* key, RECT value) const {
    uint8_t raw[16];
    StoreLE32(raw, value.left);
    StoreLE32(raw + 4, value.top);
    StoreLE32(raw + 8, value.right);
    StoreLE32(raw + 12, value.bottom);
    return WriteDataBlock(section, key, raw, sizeof raw);
}

// --- arrays ---

uint32_t CIni::GetArray(const char* section, const char* key, char* buffer, uint32_t size,
                        const char* delimiter, int trim) const {
    std::vector<std::string> pieces = SplitValue(GetString(section, key), delimiter, trim != 0);
    if (buffer == nullptr) {
        return NeededListSize(pieces) + 1;
    }
    return FillDoubleNulList(pieces, buffer, size);
}

void CIni::GetArray(const char* section, const char* key, std::vector<std::string>* array,
                    const char* delimiter, int /*trim: this form always trims*/) const {
    if (array == nullptr) {
        return;
    }
    *array = SplitValue(GetString(section, key), delimiter, true);
}

int CIni::WriteArray(const char* section, const char* key, const std::vector<std::string>* array,
                     int count, const char* delimiter) const {
    if (array == nullptr) {
        return 0;
    }
    size_t n = count < 0 || static_cast<size_t>(count) >= array->size()
                   ? array->size()
                   : static_cast<size_t>(count);
    std::string delim = delimiter == nullptr || *delimiter == '\0' ? "," : delimiter;
    std::string joined;
    for (size_t i = 0; i < n; ++i) {
        if (i > 0) {
            joined += delim;
        }
        joined += (*array)[i];
    }
    return WriteString(section, key, joined.c_str());
}

// --- sections and keys ---

void CIni::GetSectionNames(std::vector<std::string>* array) const {
    if (array != nullptr) {
        *array =
            path_.empty() ? std::vector<std::string>{} : songcore::ProfileGetSectionNames(path_);
    }
}

uint32_t CIni::GetSectionNames(char* buffer, uint32_t size) const {
    std::vector<std::string> names;
    GetSectionNames(&names);
    if (buffer == nullptr) {
        return NeededListSize(names) + 2;
    }
    return FillDoubleNulList(names, buffer, size);
}

void CIni::GetKeyLines(const char* section, std::vector<std::string>* array) const {
    if (array == nullptr) {
        return;
    }
    array->clear();
    if (section != nullptr && !path_.empty()) {
        *array = songcore::ProfileGetSection(path_, section).value_or(std::vector<std::string>{});
    }
}

uint32_t CIni::GetKeyLines(const char* section, char* buffer, uint32_t size) const {
    if (section == nullptr) {
        return 0;
    }
    std::vector<std::string> lines;
    GetKeyLines(section, &lines);
    if (buffer == nullptr) {
        return NeededListSize(lines) + 2;
    }
    return FillDoubleNulList(lines, buffer, size);
}

void CIni::GetKeyNames(const char* section, std::vector<std::string>* array) const {
    if (array == nullptr) {
        return;
    }
    std::vector<std::string> lines;
    GetKeyLines(section, &lines);
    array->clear();
    for (const std::string& line : lines) {
        size_t equals = line.find('=');
        if (equals == std::string::npos || equals == 0) {
            continue;
        }
        array->push_back(TrimPiece(std::string_view(line).substr(0, equals)));
    }
}

uint32_t CIni::GetKeyNames(const char* section, char* buffer, uint32_t size) const {
    if (section == nullptr) {
        return 0;
    }
    std::vector<std::string> names;
    GetKeyNames(section, &names);
    if (buffer == nullptr) {
        return NeededListSize(names) + 1;
    }
    return FillDoubleNulList(names, buffer, size);
}

int CIni::IsSectionExist(const char* section) const {
    if (section == nullptr) {
        return 0;
    }
    std::vector<std::string> names;
    GetSectionNames(&names);
    std::string folded = FoldProfileName(section);
    for (const std::string& name : names) {
        if (FoldProfileName(name) == folded) {
            return 1;
        }
    }
    return 0;
}

int CIni::IsKeyExist(const char* section, const char* key) const {
    if (section == nullptr || key == nullptr || path_.empty()) {
        return 0;
    }
    return songcore::ProfileGetString(path_, section, key).has_value() ? 1 : 0;
}

int CIni::DeleteSection(const char* section) const {
    if (section == nullptr || path_.empty()) {
        return 0;
    }
    return songcore::ProfileDeleteSection(path_, section) ? 1 : 0;
}

int CIni::DeleteKey(const char* section, const char* key) const {
    if (section == nullptr || key == nullptr || path_.empty()) {
        return 0;
    }
    return songcore::ProfileWriteString(path_, section, key, nullptr) ? 1 : 0;
}

int CIni::CopySection(const char* source, const char* dest, int failIfExist) const {
    if (source == nullptr || dest == nullptr || path_.empty() ||
        FoldProfileName(source) == FoldProfileName(dest) || !IsSectionExist(source) ||
        (failIfExist && IsSectionExist(dest))) {
        return 0;
    }
    std::vector<std::string> lines;
    GetKeyLines(source, &lines);
    // One write of the file for both steps.
    songcore::ProfileWriteBatch batch(path_);
    songcore::ProfileDeleteSection(path_, dest);
    bool ok = songcore::ProfileWriteSection(path_, dest, lines);
    return ok && batch.Commit() ? 1 : 0;
}

int CIni::MoveSection(const char* source, const char* dest, int failIfExist) const {
    return CopySection(source, dest, failIfExist) && DeleteSection(source) ? 1 : 0;
}

int CIni::CopyKey(const char* sourceSection, const char* sourceKey, const char* destSection,
                  const char* destKey, int failIfExist) const {
    if (sourceSection == nullptr || sourceKey == nullptr || destKey == nullptr) {
        return 0;
    }
    if (destSection == nullptr) {
        destSection = sourceSection;
    }
    if (FoldProfileName(sourceSection) == FoldProfileName(destSection) &&
        FoldProfileName(sourceKey) == FoldProfileName(destKey)) {
        return 0;
    }
    if (!IsKeyExist(sourceSection, sourceKey) ||
        (failIfExist && IsKeyExist(destSection, destKey))) {
        return 0;
    }
    return WriteString(destSection, destKey, GetString(sourceSection, sourceKey).c_str());
}

int CIni::MoveKey(const char* sourceSection, const char* sourceKey, const char* destSection,
                  const char* destKey, int failIfExist) const {
    return CopyKey(sourceSection, sourceKey, destSection, destKey, failIfExist) &&
                   DeleteKey(sourceSection, sourceKey)
               ? 1
               : 0;
}

int CIni::ParseDNTString(const char* list, SubStrProc callback, void* userData) {
    if (list == nullptr || callback == nullptr) {
        return 0;
    }
    for (const char* item = list; *item != '\0'; item += std::strlen(item) + 1) {
        if (!callback(item, userData)) {
            return 0;
        }
    }
    return 1;
}
