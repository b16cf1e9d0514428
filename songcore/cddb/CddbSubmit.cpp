#include "songcore/cddb/CddbSubmit.h"

#include <algorithm>
#include <cstdio>

namespace songcore::cddb {
namespace {

// Where to cut text so that a piece holds at most room bytes without
// splitting a UTF-8 character; always at least one byte, so cutting ends.
size_t CutPoint(std::string_view text, size_t room) {
    if (text.size() <= room) {
        return text.size();
    }
    size_t cut = room;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) {
        --cut;
    }
    return cut > 0 ? cut : std::max<size_t>(room, 1);
}

// key=value lines of at most limit bytes (key included) before escaping.
// endOfValue is put after the last piece only: a reader joins the pieces,
// so a marker on every piece would split the value.
void AppendCut(std::string& body, const std::string& key, std::string_view value, size_t limit,
               std::string_view endOfValue) {
    size_t room = limit > key.size() ? limit - key.size() : 1;
    do {
        size_t cut = CutPoint(value, room);
        body += key;
        body += EscapeValue(value.substr(0, cut));
        value.remove_prefix(cut);
        if (value.empty()) {
            body += endOfValue;
        }
        body += "\r\n";
    } while (!value.empty());
}

// Comment lines carry no escapes: a line break would end the comment.
std::string OneLine(std::string_view text) {
    std::string line(text);
    std::replace_if(
        line.begin(), line.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    return line;
}

}  // namespace

std::string EscapeValue(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\\') {
            escaped += "\\\\";
        } else if (c == '\n') {
            escaped += "\\n";
        } else if (c == '\r') {
            // CR LF is one line break; a bare CR would end the line for the server.
            if (i + 1 >= text.size() || text[i + 1] != '\n') {
                escaped += "\\n";
            }
        } else if (c == '\t') {
            escaped += "\\t";
        } else {
            escaped += c;
        }
    }
    return escaped;
}

std::string BuildSubmitBody(const CCDDBRecord& record) {
    char line[64];
    std::string body = "# xmcd\r\n";
    body += "# Copyright (C) the operator of this CDDB database. All rights reserved.\r\n";
    body += "#\r\n# Track frame offsets:\r\n";
    for (uint32_t offset : record.GetTrackOffsets()) {
        std::snprintf(line, sizeof line, "# %u\r\n", offset);
        body += line;
    }
    std::snprintf(line, sizeof line, "#\r\n# Disc length: %u seconds\r\n#\r\n",
                  record.GetDiscLength());
    body += line;
    std::snprintf(line, sizeof line, "#\r\n# Revision: %d\r\n", record.GetRevision());
    body += line;
    body += "# Submitted via: " + OneLine(record.GetClientName()) + " " +
            OneLine(record.GetClientVersion()) + " " + OneLine(record.GetClientComments()) +
            "\r\n#\r\n";
    std::snprintf(line, sizeof line, "DISCID=%08x\r\n", record.GetDiscID());
    body += line;
    if (record.GetArtist().empty()) {
        body += "DTITLE=" + EscapeValue(record.GetTitle()) + "\r\n";
    } else {
        body += "DTITLE=" + EscapeValue(record.GetArtist()) + " / " +
                EscapeValue(record.GetTitle()) + "\r\n";
    }
    const auto& titles = record.GetTrackTitles();
    for (size_t i = 0; i < titles.size(); ++i) {
        body += "TTITLE" + std::to_string(i) + "=" + EscapeValue(titles[i]) + "\r\n";
    }
    if (record.GetExtendedDiscData().empty()) {
        body += "EXTD=\r\n";
    }
    for (const std::string& text : record.GetExtendedDiscData()) {
        AppendCut(body, "EXTD=", text, 78, "\\n");
    }
    const auto& tracks = record.GetExtendedTrackData();
    for (size_t i = 0; i < tracks.size(); ++i) {
        AppendCut(body, "EXTT" + std::to_string(i) + "=", tracks[i], 80, "");
    }
    body += "PLAYORDER=";
    return body;
}

}  // namespace songcore::cddb
