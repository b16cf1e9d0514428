#pragma once
// ICU's charset detector: the encodings a run of bytes may be in, by the
// byte patterns and letter frequencies of each language's usual code pages.

#include <string>
#include <string_view>
#include <vector>

namespace songcore {

struct CharsetGuess {
    std::string encoding;  // ICU's name: "windows-1251", "Shift_JIS", "GB18030"
    int confidence = 0;    // 0 to 100
};

// Most likely first; empty when ICU cannot be loaded. Only the encodings
// that an 8-bit tag field can hold: UTF-16 and UTF-32 guesses, which
// need NUL bytes, are left out.
std::vector<CharsetGuess> DetectCharsets(std::string_view bytes);

}  // namespace songcore
