// WavPack files: their tag is the APEv2 tag at the end (Ape.cpp), with an
// ID3v1 tag read when there is none; the stream is described by the first
// block's header and metadata sub-blocks.
#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/StreamProperties.h"
#include "songcore/tags/TagExtents.h"
#include "songcore/tags/wavpack/WavPackBlock.h"

namespace {

// The first block is looked for this far into the audio (past junk a
// broken writer left), and this much of it is read: its sub-blocks that
// describe the stream come first.
constexpr uint64_t kSearchLength = 64 * 1024;
constexpr uint64_t kBlockPrefix = 64 * 1024;

}  // namespace

void songcore::AddWavPackStreamProperties(CSongFileInfo& song, StreamProperties& out) {
    TagExtents extents;
    if (!FindTagExtents(song, extents)) {
        return;
    }
    uint64_t begin = extents.audioBegin();
    uint64_t end = extents.audioEnd();
    std::vector<uint8_t> bytes;
    uint64_t search = std::min(kSearchLength, end - begin);
    if (search < WavPackBlock::kHeaderSize || !song.ReadExact(begin, search, bytes)) {
        return;
    }
    std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    size_t at = text.find("wvpk");
    if (at == std::string_view::npos) {
        return;
    }
    uint64_t blockStart = begin + at;
    if (!song.ReadExact(blockStart, std::min(kBlockPrefix, end - blockStart), bytes)) {
        return;
    }
    std::optional<WavPackStream> stream = WavPackBlock::ParseFirst(bytes);
    if (!stream || stream->sampleRate == 0) {
        return;
    }
    std::string codec = stream->dsd ? "WavPack DSD" : "WavPack";
    if (stream->hybrid) {
        codec += " (hybrid)";
    } else if (stream->floatingPoint) {
        codec += " (float)";
    }
    out.add("codec", codec);
    out.add("channels", static_cast<int64_t>(stream->channels));
    out.add("sample_rate", static_cast<int64_t>(stream->sampleRate));
    out.add("bits_per_sample", static_cast<int64_t>(stream->bitsPerSample));
    out.add("version", static_cast<int64_t>(stream->version));
    if (!stream->totalSamples) {
        return;
    }
    out.add("total_samples", static_cast<int64_t>(*stream->totalSamples));
    double seconds = static_cast<double>(*stream->totalSamples) / stream->sampleRate;
    out.add("length_seconds", seconds);
    if (seconds > 0) {
        out.add("bitrate_kbps", static_cast<int64_t>((end - blockStart) * 8 / seconds / 1000));
    }
}
