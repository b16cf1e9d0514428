#include "songcore/util/CharsetDetector.h"

#include <memory>

#include "songcore/util/IcuLibrary.h"

namespace songcore {

std::vector<CharsetGuess> DetectCharsets(std::string_view bytes) {
    std::vector<CharsetGuess> guesses;
    const IcuLibrary* icu = IcuLibrary::Get();
    // ICU only looks at the first few kilobytes anyway.
    constexpr size_t kMaxBytes = 64 * 1024;
    if (!icu || bytes.empty()) {
        return guesses;
    }
    bytes = bytes.substr(0, kMaxBytes);
    UErrorCode status = U_ZERO_ERROR;
    auto close = [icu](UCharsetDetector* detector) { icu->closeDetector(detector); };
    std::unique_ptr<UCharsetDetector, decltype(close)> detector(icu->openDetector(&status), close);
    if (U_FAILURE(status) || !detector) {
        return guesses;
    }
    // The detector keeps a pointer to the text; bytes outlives it here.
    icu->setDetectorText(detector.get(), bytes.data(), static_cast<int32_t>(bytes.size()), &status);
    int32_t count = 0;
    const UCharsetMatch** matches = icu->detectAll(detector.get(), &count, &status);
    if (U_FAILURE(status) || !matches) {
        return guesses;
    }
    for (int32_t i = 0; i < count; ++i) {
        UErrorCode matchStatus = U_ZERO_ERROR;
        const char* name = icu->matchName(matches[i], &matchStatus);
        int32_t confidence = icu->matchConfidence(matches[i], &matchStatus);
        if (U_FAILURE(matchStatus) || !name) {
            continue;
        }
        std::string_view text(name);
        if (text.starts_with("UTF-16") || text.starts_with("UTF-32")) {
            continue;
        }
        guesses.push_back({std::string(text), confidence});
    }
    return guesses;
}

}  // namespace songcore
