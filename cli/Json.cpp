#include "cli/Json.h"

#include <cmath>
#include <cstdio>

#include "songcore/util/Text.h"

namespace tunemoss {

std::string JsonString(const std::string& text) {
    std::string clean = songcore::SanitizeUtf8(text);
    std::string out = "\"";
    for (char c : clean) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x",
                                  static_cast<unsigned char>(c));
                    out += escaped;
                } else {
                    out += c;
                }
        }
    }
    return out + "\"";
}

void JsonObject::key(const std::string& name) {
    if (!body_.empty()) {
        body_ += ", ";
    }
    body_ += JsonString(name) + ": ";
}

JsonObject& JsonObject::add(const std::string& name, const std::string& value) {
    key(name);
    body_ += JsonString(value);
    return *this;
}

JsonObject& JsonObject::add(const std::string& name, int64_t value) {
    key(name);
    body_ += std::to_string(value);
    return *this;
}

JsonObject& JsonObject::add(const std::string& name, double value) {
    key(name);
    if (!std::isfinite(value)) {
        body_ += "null";
        return *this;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", value);
    body_ += text;
    return *this;
}

JsonObject& JsonObject::add(const std::string& name, bool value) {
    key(name);
    body_ += value ? "true" : "false";
    return *this;
}

JsonObject& JsonObject::addNull(const std::string& name) {
    key(name);
    body_ += "null";
    return *this;
}

JsonObject& JsonObject::addRaw(const std::string& name, const std::string& json) {
    key(name);
    body_ += json;
    return *this;
}

}  // namespace tunemoss
