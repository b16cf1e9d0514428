// The stream properties of a raw AAC (ADTS) song, read between its tags.
#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/StreamProperties.h"
#include "songcore/tags/TagExtents.h"
#include "songcore/tags/aac/AdtsStream.h"

namespace songcore {

void AddAacStreamProperties(CSongFileInfo& song, StreamProperties& out) {
    TagExtents extents;
    if (!FindTagExtents(song, extents)) {
        return;
    }
    ReadExactFn read = [&song](uint64_t offset, size_t count, std::vector<uint8_t>& bytes) {
        return song.ReadExact(offset, count, bytes);
    };
    std::optional<AdtsStream> stream = ScanAdts(read, extents.audioBegin(), extents.audioEnd());
    if (!stream) {
        return;
    }
    out.add("codec", AdtsProfileName(stream->first.profile));
    out.add("channels", static_cast<int64_t>(stream->first.channels));
    out.add("sample_rate", static_cast<int64_t>(stream->first.sampleRate));
    out.add("bitrate_kbps", static_cast<int64_t>(stream->BitrateKbps()));
    out.add("frames", static_cast<int64_t>(stream->frames));
    out.add("length_seconds", stream->LengthSeconds());
}

}  // namespace songcore
