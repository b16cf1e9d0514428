// ASF (Windows Media) tags: the content description and the extended content
// description of the header object, and the codec named in the codec list.
#include <cmath>

#include "songcore/tags/AsfHeader.h"
#include "songcore/tags/AsfObjects.h"
#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/StreamProperties.h"
#include "songcore/tags/ContentWriter.h"
#include "songcore/util/Text.h"

using songcore::AsfContentDescription;
using songcore::AsfDescriptor;
using songcore::AsfExtendedContentDescription;
using songcore::AsfHeader;
namespace asfguid = songcore::asfguid;

namespace {

// Headers hold pictures, but never anything near this; a larger size is
// damage, and would only make us allocate for nothing.
constexpr uint64_t kMaxHeaderSize = 64u << 20;
// The writer keeps to files whose offsets all fit the low 32 bits.
constexpr uint64_t kMaxWritableFileSize = 0xFFFFFFFF;

constexpr const char* kSdkVersion = "WMFSDKVersion";
constexpr const char* kSdkNeeded = "WMFSDKNeeded";

// Descriptors that hold the fields the writer writes: the writer's own names
// and the other names the reader takes the same fields from. A rewrite
// replaces them all; keeping an old "GENRE" beside a new "WM/GENRE" would
// bring the old value back on the next read.
constexpr const char* kTagDescriptorNames[] = {
    "WM/ALBUMARTIST",    "ARTIST",      "WM/ALBUMTITLE", "ALBUM",     "WM/GENRE", "GENRE",
    "WM/TRACKNUMBER",    "TRACKNUMBER", "WM/YEAR",       "YEAR",      "DATE",     "WM/PromotionURL",
    "WM/OriginalArtist", "WM/Composer", "WM/EncodedBy",  "WM/Lyrics", "Lyrics"};

bool IsTagDescriptor(const std::string& name) {
    for (const char* known : kTagDescriptorNames) {
        if (songcore::EqualsIgnoreCaseAscii(name, known)) {
            return true;
        }
    }
    return false;
}

bool IsSdkDescriptor(const std::string& name) {
    return songcore::EqualsIgnoreCaseAscii(name, kSdkVersion) ||
           songcore::EqualsIgnoreCaseAscii(name, kSdkNeeded);
}

struct LoadedHeader {
    std::vector<uint8_t> bytes;
    AsfHeader layout;
};

// why, when given, receives the reason for a failure in plain words.
std::optional<LoadedHeader> LoadHeader(CSongFile& file, std::string* why = nullptr) {
    auto fail = [why](const char* reason) -> std::optional<LoadedHeader> {
        if (why) {
            *why = reason;
        }
        return std::nullopt;
    };
    std::vector<uint8_t> preamble;
    if (!file.ReadExact(0, AsfHeader::kPreambleSize, preamble)) {
        return fail("the file is too short to hold an ASF header");
    }
    std::optional<uint64_t> size = AsfHeader::ParseSize(preamble);
    if (!size) {
        return fail("the file does not start with an ASF header object");
    }
    if (*size > kMaxHeaderSize) {
        return fail("the ASF header claims to be larger than 64 MiB");
    }
    LoadedHeader header;
    if (!file.ReadExact(0, static_cast<size_t>(*size), header.bytes)) {
        return fail("the ASF header runs past the end of the file");
    }
    std::optional<AsfHeader> layout = AsfHeader::Parse(header.bytes);
    if (!layout) {
        return fail("the ASF header is damaged: an object in it is cut short or runs past its end");
    }
    header.layout = std::move(*layout);
    return header;
}

// The leading decimal number of a text, as track numbers are written
// ("5", "5/12"); 0 when it does not start with a digit.
uint32_t LeadingNumber(std::string_view text) {
    size_t pos = 0;
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) {
        ++pos;
    }
    uint64_t value = 0;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
        value = std::min<uint64_t>(value * 10 + static_cast<uint64_t>(text[pos] - '0'), UINT32_MAX);
    }
    return static_cast<uint32_t>(value);
}

}  // namespace

void CSongFileInfo::ApplyASFDescriptor(const std::string& name, const std::string& value) {
    auto is = [&name](const char* known) { return songcore::EqualsIgnoreCaseAscii(name, known); };
    if (is("WM/ALBUMARTIST") || is("ARTIST")) {
        if (artist_.empty()) {
            artist_ = value;
        }
    } else if (is("WM/ALBUMTITLE") || is("ALBUM")) {
        if (album_.empty()) {
            album_ = value;
        }
    } else if (is("WM/GENRE") || is("GENRE")) {
        SetGenre(value.c_str());
    } else if (is("WM/TRACKNUMBER") || is("TRACKNUMBER")) {
        trackNum_ = LeadingNumber(value);
    } else if (is("WM/TRACK")) {
        // The old zero-based track number.
        if (trackNum_ == 0) {
            uint32_t zeroBased = LeadingNumber(value);
            trackNum_ = zeroBased == UINT32_MAX ? zeroBased : zeroBased + 1;
        }
    } else if (is("WM/YEAR") || is("YEAR") || is("DATE")) {
        if (year_.empty()) {
            year_ = value;
        }
    } else if (is("WM/PromotionURL")) {
        url_ = value;
    } else if (is("WM/OriginalArtist")) {
        origArtist_ = value;
    } else if (is("WM/Composer")) {
        composer_ = value;
    } else if (is("WM/EncodedBy")) {
        encodedBy_ = value;
    } else if (is("WM/Lyrics") || is("Lyrics")) {
        lyrics_ = value;
    }
}

int CSongFileInfo::GetASFInfo() {
    Init();
    std::optional<LoadedHeader> header = LoadHeader(*this);
    if (!header) {
        return 0;
    }
    for (const AsfHeader::Object& object : header->layout.objects) {
        std::span<const uint8_t> body = object.Body(header->bytes);
        if (object.guid == asfguid::kContentDescription) {
            std::optional<AsfContentDescription> content = AsfContentDescription::Parse(body);
            if (!content) {
                return 0;
            }
            for (auto [field, text] : {std::pair{&title_, &content->title},
                                       {&artist_, &content->author},
                                       {&copyright_, &content->copyright},
                                       {&comment_, &content->description}}) {
                if (field->empty()) {
                    *field = songcore::Trim(*text);
                }
            }
        } else if (object.guid == asfguid::kExtendedContentDescription) {
            std::optional<AsfExtendedContentDescription> extended =
                AsfExtendedContentDescription::Parse(body);
            if (!extended) {
                return 0;
            }
            for (const AsfDescriptor& descriptor : extended->descriptors) {
                if (std::optional<std::string> text = descriptor.AsText()) {
                    ApplyASFDescriptor(descriptor.name, songcore::Trim(*text));
                }
            }
        } else if (object.guid == asfguid::kCodecList) {
            auto entries = songcore::ParseAsfCodecList(body);
            if (!entries) {
                return 0;
            }
            for (const songcore::AsfCodecEntry& entry : *entries) {
                if (entry.type == songcore::AsfCodecEntry::kAudio) {
                    codecType_ = entry.type;
                    codec_ =
                        songcore::Trim(entry.name) + "\r\n" + songcore::Trim(entry.description);
                }
            }
        }
    }
    tagKind_ = TAG_ASF;
    return 1;
}

int CSongFileInfo::RewriteASFHeader(bool withTags) {
    uint64_t length = GetLength();
    if (length == kBadLength) {
        return 0;  // the reason is the stream's
    }
    if (length > kMaxWritableFileSize) {
        return Refuse("the file is larger than 4 GiB, beyond the offsets the ASF writer handles");
    }
    std::string why;
    std::optional<LoadedHeader> header = LoadHeader(*this, &why);
    if (!header) {
        return Refuse(why);
    }
    if (!header->layout.exact) {
        return Refuse(
            "the ASF header is damaged: its objects do not fill it or are not as many as it says");
    }
    // Gather what the rewrite keeps of the old descriptions.
    std::vector<AsfDescriptor> kept;
    std::string sdkVersion, sdkNeeded;
    std::optional<std::vector<uint8_t>> rating;
    bool hadTags = false;
    for (const AsfHeader::Object& object : header->layout.objects) {
        std::span<const uint8_t> body = object.Body(header->bytes);
        if (object.guid == asfguid::kContentDescription) {
            std::optional<AsfContentDescription> content = AsfContentDescription::Parse(body);
            if (!content) {
                return Refuse("the ASF content description is damaged");
            }
            if (!rating) {
                rating = content->rating;
            }
            hadTags = true;
        } else if (object.guid == asfguid::kExtendedContentDescription) {
            std::optional<AsfExtendedContentDescription> extended =
                AsfExtendedContentDescription::Parse(body);
            if (!extended) {
                return Refuse("the ASF extended content description is damaged");
            }
            for (AsfDescriptor& descriptor : extended->descriptors) {
                if (IsTagDescriptor(descriptor.name)) {
                    hadTags = true;
                } else if (withTags && IsSdkDescriptor(descriptor.name)) {
                    // Written again in front, from the file's own values.
                    bool version = songcore::EqualsIgnoreCaseAscii(descriptor.name, kSdkVersion);
                    (version ? sdkVersion : sdkNeeded) =
                        songcore::Trim(descriptor.AsText().value_or(""));
                } else {
                    kept.push_back(std::move(descriptor));
                }
            }
        }
    }
    if (!withTags && !hadTags) {
        return 1;  // nothing to remove; leave the file alone
    }

    AsfExtendedContentDescription extended;
    std::vector<uint8_t> newContent;
    if (withTags) {
        const std::pair<const char*, std::string> written[] = {
            {kSdkVersion, sdkVersion},
            {kSdkNeeded, sdkNeeded},
            {"WM/ALBUMARTIST", artist_},
            {"WM/ALBUMTITLE", album_},
            {"WM/YEAR", year_},
            {"WM/OriginalArtist", origArtist_},
            {"WM/GENRE", GetGenreString()},
            {"WM/TRACKNUMBER", std::to_string(trackNum_)},
            {"WM/PromotionURL", url_},
            {"WM/Composer", composer_},
            {"WM/EncodedBy", encodedBy_},
            {"WM/Lyrics", lyrics_},
        };
        for (const auto& [name, value] : written) {
            if (!value.empty()) {
                extended.descriptors.push_back(AsfDescriptor::Text(name, value));
            }
        }
        AsfContentDescription content;
        content.title = title_;
        content.author = artist_;
        content.copyright = copyright_;
        content.description = comment_;
        content.rating = rating.value_or(std::vector<uint8_t>{});
        std::optional<std::vector<uint8_t>> built = content.Build();
        if (!built) {
            return Refuse("a text is longer than an ASF header allows (65535 bytes in UTF-16)");
        }
        newContent = std::move(*built);
    }
    for (AsfDescriptor& descriptor : kept) {
        extended.descriptors.push_back(std::move(descriptor));
    }
    std::vector<uint8_t> newExtended;
    if (!extended.descriptors.empty()) {
        std::optional<std::vector<uint8_t>> built = extended.Build();
        if (!built) {
            return Refuse(
                "a text is longer than an ASF header allows (65535 bytes in UTF-16), or there "
                "are more than 65535 descriptors");
        }
        newExtended = std::move(*built);
    }

    uint64_t oldSize = header->layout.size;
    std::optional<std::vector<uint8_t>> newHeader =
        header->layout.Rebuild(header->bytes, newExtended, newContent, length - oldSize);
    if (!newHeader || newHeader->size() + (length - oldSize) > kMaxWritableFileSize) {
        return Refuse("the rewritten file would be larger than 4 GiB");
    }
    header.reset();  // the old header is no longer needed while the data streams
    return ReplaceContents([&](songcore::ContentWriter& replace) {
        return replace.append(*newHeader) && CopyRange(replace, oldSize, length - oldSize);
    });
}

int CSongFileInfo::WriteASFInfo() {
    return RewriteASFHeader(true);
}

int CSongFileInfo::RemoveASFInfo() {
    return RewriteASFHeader(false);
}

void songcore::AddASFStreamProperties(CSongFileInfo& song, StreamProperties& out) {
    std::optional<LoadedHeader> header = LoadHeader(song);
    if (!header) {
        return;
    }
    std::optional<AsfCodecEntry> codec;
    std::optional<AsfFileProperties> file;
    std::optional<AsfAudioFormat> audio;
    for (const AsfHeader::Object& object : header->layout.objects) {
        std::span<const uint8_t> body = object.Body(header->bytes);
        if (object.guid == asfguid::kCodecList) {
            if (auto entries = ParseAsfCodecList(body)) {
                for (const AsfCodecEntry& entry : *entries) {
                    if (entry.type == AsfCodecEntry::kAudio) {
                        codec = entry;
                    }
                }
            }
        } else if (object.guid == asfguid::kFileProperties && !file) {
            file = AsfFileProperties::Parse(body);
        } else if (object.guid == asfguid::kStreamProperties && !audio) {
            audio = AsfAudioFormat::Parse(body);
        }
    }
    if (file) {
        out.add("length_seconds", file->LengthSeconds());
        out.add("bitrate_kbps",
                static_cast<int64_t>(std::ceil(static_cast<double>(file->maxBitrate) / 1000)));
    }
    if (audio) {
        out.add("sample_rate", static_cast<int64_t>(audio->sampleRate));
        out.add("channels", static_cast<int64_t>(audio->channels));
    }
    if (codec) {
        out.add("codec", Trim(codec->name));
        out.add("codec_description", Trim(codec->description));
        out.add("codec_type", static_cast<int64_t>(codec->type));
    }
}
