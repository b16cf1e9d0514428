#include "songcore/cddb/CddbResponse.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "songcore/util/Hex.h"
#include "songcore/util/Text.h"

namespace songcore::cddb {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool Contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

std::string_view TrimView(std::string_view text) {
    while (!text.empty() && (IsBlank(text.front()) || text.front() == '\r')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (IsBlank(text.back()) || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

std::vector<std::string_view> SplitWords(std::string_view text) {
    std::vector<std::string_view> words;
    size_t pos = 0;
    while (pos < text.size()) {
        while (pos < text.size() && IsBlank(text[pos])) {
            ++pos;
        }
        size_t start = pos;
        while (pos < text.size() && !IsBlank(text[pos])) {
            ++pos;
        }
        if (pos > start) {
            words.push_back(text.substr(start, pos - start));
        }
    }
    return words;
}

// The leading number of a text, as atoi reads it (blanks, a sign, digits),
// held within the range of an int.
int LeadingInt(std::string_view text) {
    size_t pos = 0;
    while (pos < text.size() && IsBlank(text[pos])) {
        ++pos;
    }
    bool negative = false;
    if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) {
        negative = text[pos] == '-';
        ++pos;
    }
    long long value = 0;
    for (; pos < text.size() && IsDigit(text[pos]); ++pos) {
        value = std::min<long long>(value * 10 + (text[pos] - '0'), INT_MAX);
    }
    return static_cast<int>(negative ? -value : value);
}

// A whole unsigned decimal number that fits 32 bits.
bool ParseDecimal(std::string_view text, uint32_t& value) {
    if (text.empty() || text.size() > 10 || !std::all_of(text.begin(), text.end(), IsDigit)) {
        return false;
    }
    unsigned long long number = std::strtoull(std::string(text).c_str(), nullptr, 10);
    if (number > UINT32_MAX) {
        return false;
    }
    value = static_cast<uint32_t>(number);
    return true;
}

// Up to eight leading hexadecimal digits; false when there is none.
bool ParseLeadingHex(std::string_view text, uint32_t& value, size_t* used = nullptr) {
    uint32_t number = 0;
    size_t count = 0;
    while (count < text.size() && count < 8 && HexDigitValue(text[count]) >= 0) {
        number = number * 16 + static_cast<uint32_t>(HexDigitValue(text[count]));
        ++count;
    }
    if (count == 0) {
        return false;
    }
    value = number;
    if (used) {
        *used = count;
    }
    return true;
}

// "Artist / Title": the xmcd separator is " / ", but some entries write a
// bare "/". Splitting at the spaced form first keeps names such as "AC/DC"
// whole.
void SplitDiscTitle(std::string_view text, std::string& artist, std::string& title) {
    SplitArtistTitle(text, " / ", "/", artist, title);
}

bool IsComment(std::string_view line) {
    return !line.empty() && line.front() == '#';
}
std::string_view CommentText(std::string_view line) {
    return TrimView(line.substr(1));
}
bool IsEmptyComment(std::string_view line) {
    return line.size() <= 2 || CommentText(line).empty();
}

// Splits "KEY=value" at its first "="; false when there is no "=".
bool SplitKeyword(std::string_view line, std::string_view& key, std::string_view& value) {
    size_t eq = line.find('=');
    if (eq == std::string_view::npos) {
        return false;
    }
    key = TrimView(line.substr(0, eq));
    value = line.substr(eq + 1);
    return true;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

bool ParseCoordinate(std::string_view text, char positive, char negative, bool& isPositive,
                     int& minutes) {
    if (text.size() != 7 || (text[0] != positive && text[0] != negative) || text[4] != '.' ||
        !IsDigit(text[1]) || !IsDigit(text[2]) || !IsDigit(text[3]) || !IsDigit(text[5]) ||
        !IsDigit(text[6])) {
        return false;
    }
    int degrees = (text[1] - '0') * 100 + (text[2] - '0') * 10 + (text[3] - '0');
    minutes = degrees * 60 + (text[5] - '0') * 10 + (text[6] - '0');
    isPositive = text[0] == positive;
    return true;
}

// The lines of a body after its code line, or nothing when the code is not
// one of a list.
bool ListLines(std::string_view body, std::vector<std::string_view>& lines) {
    if (!IsListCode(ResponseCode(body))) {
        return false;
    }
    lines = SplitLines(body);
    lines.erase(lines.begin());
    return true;
}

}  // namespace

std::string_view ResponseBody(std::string_view response, bool* found) {
    size_t end = response.find("\r\n\r\n");
    if (found) {
        *found = end != std::string_view::npos;
    }
    if (end == std::string_view::npos) {
        return {};
    }
    return response.substr(end + 4);
}

int ResponseCode(std::string_view body) {
    if (body.size() < 3 || !IsDigit(body[0]) || !IsDigit(body[1]) || !IsDigit(body[2])) {
        return -1;
    }
    return (body[0] - '0') * 100 + (body[1] - '0') * 10 + (body[2] - '0');
}

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        lines.push_back(line);
        pos = end + 1;
    }
    return lines;
}

std::string UnescapeValue(std::string_view value) {
    // One pass, so an escaped backslash followed by "n" stays a backslash and
    // a letter instead of turning into a line break.
    std::string text;
    text.reserve(value.size());
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) {
            char next = value[i + 1];
            if (next == 'n' || next == 't' || next == '\\') {
                text += next == 'n' ? '\n' : next == 't' ? '\t' : '\\';
                ++i;
                continue;
            }
        }
        text += value[i];
    }
    return text;
}

bool ParseSiteLine(std::string_view line, CCDDBSite& site) {
    std::vector<std::string_view> words = SplitWords(line);
    if (words.size() < 6 || !EqualsIgnoreCaseAscii(words[1], "http")) {
        return false;
    }
    uint32_t port = 0;
    if (!ParseDecimal(words[2], port) || port == 0 || port > 65535) {
        return false;
    }
    bool north = true, east = true;
    int latitude = 0, longitude = 0;
    if (!ParseCoordinate(words[4], 'N', 'S', north, latitude) ||
        !ParseCoordinate(words[5], 'E', 'W', east, longitude)) {
        return false;
    }
    // The description is the rest of the line after the longitude.
    size_t rest = static_cast<size_t>(words[5].data() - line.data()) + words[5].size();
    site.SetHost(std::string(words[0]));
    site.SetPort(static_cast<int>(port));
    site.SetAddress(std::string(words[3]));
    site.SetNorth(north);
    site.SetLatitude(latitude);
    site.SetEast(east);
    site.SetLongitude(longitude);
    site.SetDescription(Trim(line.substr(rest)));
    return true;
}

bool ParseSites(std::string_view body, std::vector<CCDDBSite>& sites) {
    std::vector<std::string_view> lines;
    if (!ListLines(body, lines)) {
        return false;
    }
    for (std::string_view line : lines) {
        CCDDBSite site;
        if (ParseSiteLine(line, site)) {
            sites.push_back(std::move(site));
        }
    }
    return true;
}

bool ParseCategories(std::string_view body, std::vector<std::string>& categories) {
    std::vector<std::string_view> lines;
    if (!ListLines(body, lines)) {
        return false;
    }
    for (std::string_view line : lines) {
        std::string_view name = TrimView(line);
        if (!name.empty()) {
            categories.emplace_back(name);
        }
    }
    return true;
}

bool ParseStatus(std::string_view body, CCDDBStatus& status) {
    std::vector<std::string_view> lines;
    if (!ListLines(body, lines)) {
        return false;
    }
    enum class List { None, Categories, Pending } list = List::None;
    // The code line went with ListLines; the "Server status:" line goes here.
    for (size_t i = 1; i < lines.size(); ++i) {
        std::string_view line = lines[i];
        size_t colon = line.find(':');
        std::string_view key = TrimView(line.substr(0, colon));
        std::string_view value =
            colon == std::string_view::npos ? std::string_view() : TrimView(line.substr(colon + 1));
        if (list != List::None && !line.empty() && IsBlank(line.front())) {
            if (colon != std::string_view::npos && !key.empty()) {
                if (list == List::Categories) {
                    status.AddCategoryEntries(std::string(key), LeadingInt(value));
                } else {
                    status.AddPendingFiles(std::string(key), LeadingInt(value));
                }
            }
            continue;
        }
        list = List::None;
        if (colon == std::string_view::npos) {
            continue;
        }
        if (EqualsIgnoreCaseAscii(key, "Database entries by category")) {
            list = List::Categories;
            continue;
        }
        if (EqualsIgnoreCaseAscii(key, "Pending File transmissions")) {
            list = List::Pending;
            continue;
        }
        static const std::pair<const char*, void (CCDDBStatus::*)(int)> kNumbers[] = {
            {"current proto", &CCDDBStatus::SetCurrentProtocol},
            {"max proto", &CCDDBStatus::SetMaximumProtocol},
            {"current users", &CCDDBStatus::SetCurrentUsers},
            {"max users", &CCDDBStatus::SetMaximumUsers},
            {"Database entries", &CCDDBStatus::SetDatabaseEntries}};
        static const std::pair<const char*, void (CCDDBStatus::*)(bool)> kFlags[] = {
            {"gets", &CCDDBStatus::SetGets},
            {"updates", &CCDDBStatus::SetUpdates},
            {"posting", &CCDDBStatus::SetPosting},
            {"quotes", &CCDDBStatus::SetQuotes},
            {"strip ext", &CCDDBStatus::SetStripExtendedData}};
        for (const auto& [name, set] : kNumbers) {
            if (EqualsIgnoreCaseAscii(key, name)) {
                (status.*set)(LeadingInt(value));
            }
        }
        for (const auto& [name, set] : kFlags) {
            if (!EqualsIgnoreCaseAscii(key, name)) {
                continue;
            }
            if (EqualsIgnoreCaseAscii(value, "yes")) {
                (status.*set)(true);
            } else if (EqualsIgnoreCaseAscii(value, "no")) {
                (status.*set)(false);
            } else {
                return false;
            }
        }
    }
    return true;
}

bool ParseQueryLine(std::string_view text, CCDDBQueryResult& result) {
    std::vector<std::string_view> words = SplitWords(text);
    if (words.size() < 2) {
        return false;
    }
    uint32_t id = 0;
    size_t used = 0;
    if (!ParseLeadingHex(words[1], id, &used) || used != words[1].size()) {
        return false;
    }
    size_t rest = static_cast<size_t>(words[1].data() - text.data()) + words[1].size();
    std::string_view names = text.substr(rest);
    names = names.substr(0, names.find_first_of("\r\n"));
    std::string artist, title;
    SplitDiscTitle(names, artist, title);
    result.SetCategory(std::string(words[0]));
    result.SetDiscID(id);
    result.SetArtist(std::move(artist));
    result.SetTitle(std::move(title));
    return true;
}

QueryOutcome ParseQuery(std::string_view body, std::vector<CCDDBQueryResult>& results) {
    int code = ResponseCode(body);
    if (code == 202) {
        return QueryOutcome::NoMatch;
    }
    if (code == 200) {
        std::vector<std::string_view> lines = SplitLines(body);
        CCDDBQueryResult result;
        if (lines.empty() || lines[0].size() < 4 || !ParseQueryLine(lines[0].substr(4), result)) {
            return QueryOutcome::Bad;
        }
        results.push_back(std::move(result));
        return QueryOutcome::Matches;
    }
    std::vector<std::string_view> lines;
    if (!ListLines(body, lines)) {
        return QueryOutcome::Bad;
    }
    size_t before = results.size();
    for (std::string_view line : lines) {
        CCDDBQueryResult result;
        if (ParseQueryLine(line, result)) {
            results.push_back(std::move(result));
        }
    }
    return results.size() > before ? QueryOutcome::Matches : QueryOutcome::Bad;
}

bool ParseRecord(std::string_view body, CCDDBRecord& record) {
    std::vector<std::string_view> lines;
    if (!ListLines(body, lines)) {
        return false;
    }
    size_t i = 0;
    const size_t n = lines.size();
    // The header comments come in a fixed order; a keyword line before the
    // one looked for means the record is not a complete xmcd entry.
    auto nextComment = [&](std::string_view marker) -> bool {
        for (; i < n && IsComment(lines[i]); ++i) {
            if (Contains(lines[i], marker)) {
                return true;
            }
        }
        return false;
    };
    if (i >= n || !IsComment(lines[i]) || !Contains(lines[i], "xmcd")) {
        return false;
    }
    ++i;
    if (!nextComment("Track frame offsets:")) {
        return false;
    }
    std::vector<uint32_t> offsets;
    for (++i;; ++i) {
        if (i >= n || !IsComment(lines[i])) {
            return false;
        }
        if (IsEmptyComment(lines[i])) {
            break;
        }
        uint32_t offset = 0;
        if (!ParseDecimal(CommentText(lines[i]), offset)) {
            return false;
        }
        offsets.push_back(offset);
    }
    if (!nextComment("Disc length:")) {
        return false;
    }
    std::string_view text = CommentText(lines[i]);
    record.SetDiscLength(static_cast<uint32_t>(
        std::max(0, LeadingInt(text.substr(std::min<size_t>(13, text.size()))))));
    ++i;
    record.SetRevision(0);
    for (;; ++i) {
        if (i >= n || !IsComment(lines[i])) {
            return false;
        }
        text = CommentText(lines[i]);
        if (Contains(text, "Revision:")) {
            record.SetRevision(text.size() >= 11 ? LeadingInt(text.substr(9)) : 0);
        } else if (Contains(text, "Submitted via:")) {
            break;
        }
    }
    std::vector<std::string_view> client =
        SplitWords(text.substr(std::min<size_t>(14, text.size())));
    client.resize(std::max<size_t>(client.size(), 3));
    record.SetClientName(std::string(client[0]));
    record.SetClientVersion(std::string(client[1]));
    record.SetClientComments(std::string(client[2]));
    record.SetTrackOffsets(std::move(offsets));

    std::string_view key, value;
    for (++i; i < n && !Contains(lines[i], "DISCID="); ++i) {
    }
    if (i >= n || !SplitKeyword(lines[i], key, value) || value.size() <= 7) {
        return false;
    }
    uint32_t id = 0;
    if (!ParseLeadingHex(TrimView(value), id)) {
        return false;
    }
    record.SetDiscID(id);

    // A long title is carried on several lines with the same keyword.
    ++i;
    std::string discTitle;
    bool haveTitle = false;
    for (; i < n && SplitKeyword(lines[i], key, value) && key == "DTITLE"; ++i) {
        discTitle += UnescapeValue(value);
        haveTitle = true;
    }
    if (!haveTitle) {
        return false;
    }
    std::string artist, title;
    SplitDiscTitle(discTitle, artist, title);
    record.SetArtist(std::move(artist));
    record.SetTitle(std::move(title));

    std::vector<std::string> trackTitles, extendedTracks;
    std::string extendedDisc;
    std::string_view previousKey;
    bool havePlayOrder = false;
    for (; i < n && !havePlayOrder; ++i) {
        if (!SplitKeyword(lines[i], key, value)) {
            continue;
        }
        bool continues = key == previousKey;
        previousKey = key;
        if (StartsWith(key, "TTITLE")) {
            if (continues && !trackTitles.empty()) {
                trackTitles.back() += UnescapeValue(value);
            } else {
                trackTitles.push_back(UnescapeValue(value));
            }
        } else if (key == "DYEAR") {
            record.SetYear(std::string(TrimView(UnescapeValue(value))));
        } else if (key == "DGENRE") {
            record.SetGenre(std::string(TrimView(UnescapeValue(value))));
        } else if (key == "EXTD") {
            extendedDisc += UnescapeValue(value);
        } else if (StartsWith(key, "EXTT")) {
            if (continues && !extendedTracks.empty()) {
                extendedTracks.back() += UnescapeValue(value);
            } else {
                extendedTracks.push_back(UnescapeValue(value));
            }
        } else if (key == "PLAYORDER") {
            havePlayOrder = true;
            std::vector<uint32_t> order;
            std::string_view list = value;
            while (!list.empty()) {
                size_t comma = list.find(',');
                uint32_t number = 0;
                if (ParseDecimal(TrimView(list.substr(0, comma)), number)) {
                    order.push_back(number);
                }
                list =
                    comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
            }
            record.SetPlayOrder(std::move(order));
        }
    }
    if (!havePlayOrder) {
        return false;
    }
    std::vector<std::string> discLines;
    size_t pos = 0;
    while (pos < extendedDisc.size()) {
        size_t end = extendedDisc.find('\n', pos);
        if (end == std::string::npos) {
            end = extendedDisc.size();
        }
        discLines.push_back(extendedDisc.substr(pos, end - pos));
        pos = end + 1;
    }
    record.SetTrackTitles(std::move(trackTitles));
    record.SetExtendedDiscData(std::move(discLines));
    record.SetExtendedTrackData(std::move(extendedTracks));
    return true;
}

bool ParseMessageOfTheDay(std::string_view body, std::string& text) {
    if (!IsListCode(ResponseCode(body))) {
        return false;
    }
    size_t end = body.find('\n');
    text = end == std::string_view::npos ? std::string() : std::string(body.substr(end + 1));
    return true;
}

}  // namespace songcore::cddb
