// The WAV and AIFF chunk walk, their format chunks, the INFO list (which
// must write back to what it read) and the ID3 chunk over arbitrary bytes.
#include <cstdint>
#include <vector>

#include "songcore/tags/id3/Id3v2Tag.h"
#include "songcore/tags/iff/IffAudio.h"
#include "songcore/tags/iff/IffForm.h"
#include "songcore/tags/iff/RiffInfo.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::span<const uint8_t> bytes(data, size);
    songcore::ReadExactFn read = songcore::SpanReader(bytes);
    std::optional<songcore::IffForm> form = songcore::IffForm::Read(read, size);
    if (!form) {
        return 0;
    }
    std::vector<uint8_t> body;
    for (const songcore::IffChunk& chunk : form->chunks) {
        if (chunk.bodyOffset() + chunk.size > size || chunk.bodyOffset() + chunk.size > form->end) {
            __builtin_trap();
        }
        if (chunk.size > 1 << 20 || !read(chunk.bodyOffset(), chunk.size, body)) {
            continue;
        }
        if (chunk.id == "fmt ") {
            songcore::ParseWaveFormat(body, size);
        } else if (chunk.id == "COMM") {
            songcore::ParseAiffCommon(body, form->formType == "AIFC");
        } else if (chunk.id == "LIST") {
            if (std::optional<songcore::RiffInfo> info = songcore::RiffInfo::Parse(body)) {
                std::optional<songcore::RiffInfo> again =
                    songcore::RiffInfo::Parse(info->Serialize());
                if (!again || again->items.size() != info->items.size()) {
                    __builtin_trap();
                }
                songcore::SongValues fields = info->Fields();
                fields.SetText(songcore::SongField::Title, "fuzz");
                info->Update(fields);
                if (info->Fields().Text(songcore::SongField::Title) != "fuzz") {
                    __builtin_trap();
                }
            }
        } else if (chunk.id == "id3 " || chunk.id == "ID3 ") {
            songcore::Id3v2Tag::Parse(body);
        }
    }
    return 0;
}
