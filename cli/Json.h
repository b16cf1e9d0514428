#pragma once
// Writes one JSON object on one line. Strings are always valid JSON: control
// characters are escaped and bytes that are not UTF-8 become U+FFFD.

#include <cstdint>
#include <string>

namespace tunemoss {

std::string JsonString(const std::string& text);

class JsonObject {
public:
    JsonObject& add(const std::string& key, const std::string& value);
    JsonObject& add(const std::string& key, const char* value) {
        return add(key, std::string(value));
    }
    JsonObject& add(const std::string& key, int64_t value);
    JsonObject& add(const std::string& key, double value);
    JsonObject& add(const std::string& key, bool value);
    JsonObject& addNull(const std::string& key);
    // value is already JSON (a nested object).
    JsonObject& addRaw(const std::string& key, const std::string& json);
    std::string str() const { return "{" + body_ + "}"; }
    bool empty() const { return body_.empty(); }

private:
    void key(const std::string& name);
    std::string body_;
};

}  // namespace tunemoss
