#include "songcore/tags/TagKinds.h"

namespace songcore {

const std::vector<TagKind>& TagKinds() {
    static const std::vector<TagKind> kinds = {
        {"id3v1", "ID3V1", TAG_ID3V1, &CSongFileInfo::GetID3V1Info, &CSongFileInfo::WriteID3V1Info,
         &CSongFileInfo::RemoveID3V1Info},
        {"id3v2", "ID3V2", TAG_ID3V2, &CSongFileInfo::GetID3V2Info, &CSongFileInfo::WriteID3V2Info,
         &CSongFileInfo::RemoveID3V2Info},
        {"ogg", "OGG", TAG_OGG, &CSongFileInfo::GetOGGInfo, &CSongFileInfo::WriteOGGInfo, nullptr},
        {"rm", "RM", TAG_RM, &CSongFileInfo::GetRMInfo, &CSongFileInfo::WriteRMInfo, nullptr},
        {"asf", "ASF", TAG_ASF, &CSongFileInfo::GetASFInfo, &CSongFileInfo::WriteASFInfo,
         &CSongFileInfo::RemoveASFInfo},
        {"ape", "APEV2", TAG_APEV2, &CSongFileInfo::GetAPEV2Info, &CSongFileInfo::WriteAPEV2Info,
         &CSongFileInfo::RemoveAPEV2Info},
        {"mp4", "MP4", TAG_MP4, &CSongFileInfo::GetMP4Info, &CSongFileInfo::WriteMP4Info, nullptr},
        {"flac", "FLAC", TAG_FLAC, &CSongFileInfo::GetFlacInfo, &CSongFileInfo::WriteFlacInfo,
         nullptr},
        {"mkv", "Matroska", TAG_MATROSKA, &CSongFileInfo::GetMatroskaInfo,
         &CSongFileInfo::WriteMatroskaInfo, &CSongFileInfo::RemoveMatroskaInfo},
    };
    return kinds;
}

const TagKind* FindTagKindByOption(const std::string& option) {
    for (const TagKind& kind : TagKinds()) {
        if (option == kind.option) {
            return &kind;
        }
    }
    return nullptr;
}

const TagKind* FindTagKindByMask(uint32_t mask) {
    uint32_t lowest = mask & (~mask + 1);
    for (const TagKind& kind : TagKinds()) {
        if (kind.mask == lowest && lowest != 0) {
            return &kind;
        }
    }
    return nullptr;
}

std::string TagKindOptions(bool removableOnly) {
    std::string list;
    for (const TagKind& kind : TagKinds()) {
        if (removableOnly && kind.remove == nullptr) {
            continue;
        }
        list += list.empty() ? "" : ", ";
        list += kind.option;
    }
    return list;
}

std::string OpenForWritingFailure(const CSongFileInfo& song) {
    std::string why = song.GetErrorMessage();
    return "cannot open for writing" + (why.empty() ? "" : ": " + why);
}

std::string TagWriteFailure(const TagKind& kind, const CSongFileInfo& song, bool removing) {
    std::string why = song.GetErrorMessage();
    return std::string(removing ? "could not remove the " : "could not write the ") + kind.label +
           " tag" + (why.empty() ? "" : ": " + why);
}

std::string FailureOf(const CSongFileInfo& song, const char* fallback) {
    std::string why = song.GetErrorMessage();
    return why.empty() ? fallback : why;
}

}  // namespace songcore
