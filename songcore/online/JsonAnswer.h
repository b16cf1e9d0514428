#pragma once
// The JSON answers of the web services, read defensively: an answer nested
// deeper than any real one is refused before the recursive parser could run
// out of stack on it, and a value of the wrong type reads as none.

#include <string>

#include <nlohmann/json.hpp>

namespace songcore::JsonAnswer {

using Json = nlohmann::json;

// The answer as a JSON object; false, with why, when it is none.
bool Parse(const std::string& text, Json& out, std::string& why);
// A member's text, number (also from a text of digits) and array; empty,
// 0 and an empty array when it is missing or of another type.
std::string Text(const Json& object, const char* key);
long long Number(const Json& object, const char* key);
const Json& Array(const Json& object, const char* key);

}  // namespace songcore::JsonAnswer
