// Feeds arbitrary bytes to the reader of dropped file lists, as a uri-list
// and as plain text, and checks that every path it gives back survives the
// trip through a uri-list of our own.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "songcore/views/DragDropFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const char* type : {songcore::kUriListMimeType, songcore::kPlainTextMimeType}) {
        CDragDropFiles drop;
        uint32_t count = drop.StartDropFiles(type, text);
        for (uint32_t i = 0; i < count; ++i) {
            const std::string path = drop.GetDropFile(i);
            if (path.empty() || path.find('\0') != std::string::npos) {
                std::abort();
            }
            if (path[0] == '/' && path.find_first_of("\r\n") == std::string::npos) {
                auto back = songcore::ParseDropPayload(songcore::kUriListMimeType,
                                                       songcore::MakeUriList({path}));
                if (back.size() != 1 || back[0] != path) {
                    std::abort();
                }
            }
        }
        drop.EndDropFiles();
    }
    return 0;
}
