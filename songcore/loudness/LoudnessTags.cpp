#include "songcore/loudness/LoudnessTags.h"

#include <cmath>

#include "songcore/loudness/LoudnessAnalysis.h"
#include "songcore/loudness/ReplayGainText.h"
#include "songcore/tags/SongFileInfo.h"

namespace songcore {

namespace {

std::string KeyIn(uint32_t kind, const std::string& name) {
    switch (kind) {
        case TAG_ID3V2:
            return "TXXX:" + name;
        case TAG_MP4:
            return "----:com.apple.iTunes:" + name;
        default:
            return name;
    }
}

void Put(TagItemEdits& edits, uint32_t kind, const std::string& name, std::string value = {}) {
    TagItemEdit edit{KeyIn(kind, name), {}};
    if (!value.empty()) {
        edit.values.push_back(std::move(value));
    }
    edits.push_back(std::move(edit));
}

void PutReplayGain(TagItemEdits& edits, uint32_t kind, const char* scope, const Loudness& loudness,
                   double reference) {
    const std::string prefix = std::string("REPLAYGAIN_") + scope;
    if (std::isfinite(loudness.integrated)) {
        Put(edits, kind, prefix + "_GAIN",
            ReplayGainText(GainToReference(loudness.integrated, reference)));
    }
    Put(edits, kind, prefix + "_PEAK", ReplayGainPeakText(loudness.peak));
}

void PutR128(TagItemEdits& edits, uint32_t kind, const char* scope, const Loudness& loudness) {
    if (std::isfinite(loudness.integrated)) {
        Put(edits, kind, std::string("R128_") + scope + "_GAIN",
            std::to_string(R128Gain(loudness.integrated)));
    }
}

}  // namespace

TagItemEdits LoudnessItemEdits(uint32_t kind, bool opus, const LoudnessTagValues& values) {
    TagItemEdits edits;
    const bool removing = values.track == nullptr && values.album == nullptr;
    if (removing || opus) {
        // REPLAYGAIN items in an Opus file were made for another gain rule;
        // players that read both would apply the stale one.
        for (const char* name : {"REPLAYGAIN_TRACK_GAIN", "REPLAYGAIN_TRACK_PEAK",
                                 "REPLAYGAIN_ALBUM_GAIN", "REPLAYGAIN_ALBUM_PEAK"}) {
            Put(edits, kind, name);
        }
    }
    if (removing) {
        if (opus) {
            Put(edits, kind, "R128_TRACK_GAIN");
            Put(edits, kind, "R128_ALBUM_GAIN");
        }
        return edits;
    }
    for (auto [scope, loudness] :
         {std::pair{"TRACK", values.track}, std::pair{"ALBUM", values.album}}) {
        if (loudness == nullptr) {
            continue;
        }
        if (opus) {
            PutR128(edits, kind, scope, *loudness);
        } else {
            PutReplayGain(edits, kind, scope, *loudness, values.reference);
        }
    }
    return edits;
}

SongEditResult WriteLoudnessTags(const std::string& path, const LoudnessTagValues& values) {
    return EditSongItemsFor(path, [&values](const CSongFileInfo& song) {
        const uint32_t kind = song.GetExtrasTagKind();
        const bool opus = kind == TAG_OGG && song.GetOggCodec() == OggCodec::kOpus;
        return LoudnessItemEdits(kind, opus, values);
    });
}

}  // namespace songcore
