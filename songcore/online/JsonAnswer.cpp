#include "songcore/online/JsonAnswer.h"

namespace songcore::JsonAnswer {

namespace {

// Answers are small; anything nested deeper than this is not one, and is
// refused before the recursive parser could run out of stack on it.
constexpr int kMaxDepth = 64;

bool NestingFits(const std::string& text) {
    int depth = 0;
    bool inString = false;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (inString) {
            if (c == '\\') {
                ++i;
            } else if (c == '"') {
                inString = false;
            }
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > kMaxDepth) {
                return false;
            }
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return true;
}

}  // namespace

bool Parse(const std::string& text, Json& out, std::string& why) {
    if (!NestingFits(text)) {
        why = "the answer is nested too deeply";
        return false;
    }
    out = Json::parse(text, nullptr, false);
    if (out.is_discarded() || !out.is_object()) {
        why = "the answer is not a JSON object";
        return false;
    }
    return true;
}

std::string Text(const Json& object, const char* key) {
    auto it = object.find(key);
    return it != object.end() && it->is_string() ? it->get<std::string>() : std::string();
}

long long Number(const Json& object, const char* key) {
    auto it = object.find(key);
    if (it == object.end()) {
        return 0;
    }
    if (it->is_number_integer()) {
        return it->get<long long>();
    }
    // A search's score and a few counts come as text in older answers.
    if (it->is_string()) {
        try {
            return std::stoll(it->get<std::string>());
        } catch (...) {
            return 0;
        }
    }
    return 0;
}

const Json& Array(const Json& object, const char* key) {
    static const Json empty = Json::array();
    auto it = object.find(key);
    return it != object.end() && it->is_array() ? *it : empty;
}

}  // namespace songcore::JsonAnswer
