#include "songcore/views/PlsEntries.h"

#include <algorithm>
#include <charconv>

#include "songcore/lists/PLSFile.h"
#include "songcore/util/Text.h"

namespace songcore {

std::vector<int> PlsEntryIndices(const CPLSFile& list) {
    int count = list.GetItemCount();
    std::vector<int> indices;
    if (count <= 0) {
        return indices;
    }
    std::vector<std::string> keys;
    list.GetKeyNames("PlayList", &keys);
    for (const std::string& key : keys) {
        if (key.size() <= 4 || !EqualsIgnoreCaseAscii(std::string_view(key).substr(0, 4), "file")) {
            continue;
        }
        int number = 0;
        const char* first = key.data() + 4;
        const char* last = key.data() + key.size();
        auto [end, error] = std::from_chars(first, last, number);
        if (error == std::errc() && end == last && number >= 1 && number <= count) {
            indices.push_back(number - 1);
        }
    }
    std::sort(indices.begin(), indices.end());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    return indices;
}

}  // namespace songcore
