#include "songcore/tags/StreamText.h"

#include <cstdio>
#include <string_view>

#include "songcore/mpeg/MpegStreamInfo.h"
#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/StreamProperties.h"
#include "songcore/util/Text.h"

namespace songcore {
namespace {

int64_t Number(const StreamProperties& properties, const char* key) {
    const StreamProperty* property = properties.find(key);
    if (property == nullptr) {
        return 0;
    }
    if (const auto* number = std::get_if<int64_t>(&property->value)) {
        return *number;
    }
    if (const auto* real = std::get_if<double>(&property->value)) {
        return static_cast<int64_t>(*real);
    }
    return 0;
}

bool Flag(const StreamProperties& properties, const char* key) {
    const StreamProperty* property = properties.find(key);
    const bool* flag = property ? std::get_if<bool>(&property->value) : nullptr;
    return flag != nullptr && *flag;
}

std::string Line(std::string_view label, int64_t value, std::string_view unit = "") {
    return std::string(label) + std::to_string(value) + std::string(unit) + "\n";
}

std::string WithoutCarriageReturns(std::string text) {
    std::erase(text, '\r');
    return text;
}

std::string OggText(const CSongFileInfo& song, const StreamProperties& p, uint64_t size) {
    return Line("File size: ", size, " bytes") +
           Line("Nominal bitrate: ", Number(p, "bitrate_kbps"), " kbps") +
           Line("Channels: ", Number(p, "channels")) +
           Line("Sampling rate: ", Number(p, "sample_rate"), "Hz") +
           Line("Serial number: ", Number(p, "serial")) + Line("Version: ", Number(p, "version")) +
           "\nVendor:\n" + song.GetVendor() + "\n";
}

std::string OpusText(const CSongFileInfo& song, const StreamProperties& p, uint64_t size) {
    const StreamProperty* length = p.find("length_seconds");
    const int64_t ms = length ? static_cast<int64_t>(std::get<double>(length->value) * 1000) : 0;
    const StreamProperty* gain = p.find("output_gain_db");
    char gainText[32] = "0.00";
    if (gain) {
        std::snprintf(gainText, sizeof gainText, "%.2f", std::get<double>(gain->value));
    }
    return Line("File size: ", size, " bytes") + "Length: " + std::to_string(ms / 60000) + ":" +
           std::to_string((ms / 1000) % 60) + "." + std::to_string(ms % 1000) + "\n" +
           Line("Channels: ", Number(p, "channels")) +
           Line("Input sampling rate: ", Number(p, "sample_rate"), "Hz") +
           Line("Pre-skip: ", Number(p, "pre_skip"), " samples") + "Output gain: " + gainText +
           " dB\n" + Line("Serial number: ", Number(p, "serial")) +
           Line("Version: ", Number(p, "version")) + "\nVendor:\n" + song.GetVendor() + "\n";
}

std::string FlacText(const CSongFileInfo& song, const StreamProperties& p, uint64_t size) {
    // The total is shown as the 32-bit count it always was.
    const int64_t total = Number(p, "total_samples") & 0xFFFFFFFF;
    return Line("File size: ", size, " bytes") + Line("Channels: ", Number(p, "channels")) +
           Line("Sampling rate: ", Number(p, "sample_rate"), "Hz") +
           Line("Bits per sample: ", Number(p, "bits_per_sample")) +
           Line("Total samples: ", total) + "\nVendor:\n" + song.GetVendor() + "\n";
}

std::string SampledText(const StreamProperties& p, uint64_t size) {
    const StreamProperty* codec = p.find("codec");
    const StreamProperty* length = p.find("length_seconds");
    const int64_t ms = length ? static_cast<int64_t>(std::get<double>(length->value) * 1000) : 0;
    return Line("File size: ", size, " bytes") + "Length: " + std::to_string(ms / 60000) + ":" +
           std::to_string((ms / 1000) % 60) + "." + std::to_string(ms % 1000) + "\n" +
           "Codec: " + (codec ? std::get<std::string>(codec->value) : std::string()) + "\n" +
           Line("Channels: ", Number(p, "channels")) +
           Line("Sampling rate: ", Number(p, "sample_rate"), "Hz") +
           Line("Bits per sample: ", Number(p, "bits_per_sample")) +
           Line("Bitrate: ", Number(p, "bitrate_kbps"), " kbps");
}

std::string Mp4Text(const StreamProperties& p, uint64_t size) {
    const int64_t scale = Number(p, "time_scale");
    const int64_t duration = Number(p, "duration");
    // Milliseconds; a huge duration is capped before it can overflow.
    const int64_t ms =
        scale <= 0 ? 0
                   : (duration > INT64_MAX / 1000 ? INT64_MAX / scale : duration * 1000 / scale);
    return Line("File size: ", size, " bytes") + "Length: " + std::to_string(ms / 60000) + ":" +
           std::to_string((ms / 1000) % 60) + "." + std::to_string(ms % 1000);
}

std::string AsfText(const CSongFileInfo& song, const StreamProperties& p, uint64_t size) {
    // The codec description reads "Name\r\nquality, rate, others".
    const std::string codec = song.GetCodec();
    size_t lineEnd = codec.find("\r\n");
    std::string name = codec.substr(0, lineEnd);
    std::string rest = lineEnd == std::string::npos ? "" : codec.substr(lineEnd + 2);
    size_t comma = rest.find(',');
    std::string quality = rest.substr(0, comma);
    std::string rate, others;
    if (comma != std::string::npos) {
        size_t second = rest.find(',', comma + 1);
        rate = rest.substr(comma + 1,
                           second == std::string::npos ? std::string::npos : second - comma - 1);
        others = second == std::string::npos ? "" : Trim(rest.substr(second + 1));
    }
    // Encoders that leave the description empty (ffmpeg's) still wrote
    // the stream's properties.
    if (Trim(quality).empty() && Number(p, "bitrate_kbps") > 0) {
        quality = std::to_string(Number(p, "bitrate_kbps")) + " kbps";
    }
    if (Trim(rate).empty() && Number(p, "sample_rate") > 0) {
        rate = std::to_string(Number(p, "sample_rate")) + " Hz";
    }
    if (others.empty() && Number(p, "channels") > 0) {
        const int64_t channels = Number(p, "channels");
        others = channels == 1   ? "mono"
                 : channels == 2 ? "stereo"
                                 : std::to_string(channels) + " channels";
    }
    const uint16_t type = song.GetCodecType();
    const char* typeName = type == 1 ? "Video" : type == 2 ? "Audio" : "Unknow";
    return Line("File size: ", size) + "Codec:" + name + "\nType: " + typeName +
           "\nQuality: " + quality + "\nSampling rate: " + rate + "\nOthers: " + others;
}

std::string AacText(const StreamProperties& p, uint64_t size) {
    const StreamProperty* length = p.find("length_seconds");
    const double* seconds = length ? std::get_if<double>(&length->value) : nullptr;
    const int64_t ms = seconds && *seconds > 0 && *seconds < 1e12 ? int64_t(*seconds * 1000) : 0;
    const StreamProperty* codec = p.find("codec");
    const std::string* profile = codec ? std::get_if<std::string>(&codec->value) : nullptr;
    return Line("File size: ", size, " bytes") + "Length: " + std::to_string(ms / 60000) + ":" +
           std::to_string((ms / 1000) % 60) + "." + std::to_string(ms % 1000) + "\n" +
           "Profile: " + (profile ? *profile : std::string()) + "\n" +
           Line("Channels: ", Number(p, "channels")) +
           Line("Sampling rate: ", Number(p, "sample_rate"), "Hz") +
           Line("Bitrate: ", Number(p, "bitrate_kbps"), " kbps");
}

std::string RmText(const StreamProperties& p, uint64_t size) {
    auto onOff = [&](const char* key) { return std::string(Flag(p, key) ? "on" : "off"); };
    return Line("File size: ", size, " bytes") +
           Line("Length: ", Number(p, "length_seconds"), " seconds") +
           Line("Quality: ", Number(p, "bitrate_kbps"), "kbps") +
           Line("Stream num: ", Number(p, "streams")) +
           "Allow download: " + onOff("saving_allowed") +
           "\nAllow recording: " + onOff("recording_allowed") +
           "\nPerfect play: " + (Flag(p, "perfect_play") ? "enabled" : "Disabled") + "\n";
}

}  // namespace

std::string StreamText(CSongFileInfo& song, uint64_t fileSize) {
    const uint32_t type = song.GetSongType();
    if (type & SONG_TYPE_MPA) {
        return WithoutCarriageReturns(MpegStreamText(song.GetFileName()));
    }
    if (type & SONG_TYPE_ASF) {
        return AsfText(song, ReadStreamProperties(song), fileSize);
    }
    StreamProperties properties = ReadStreamProperties(song);
    if (properties.empty()) {
        return {};
    }
    if (type & SONG_TYPE_OGG) {
        switch (song.GetOggCodec()) {
            case OggCodec::kOpus:
                return OpusText(song, properties, fileSize);
            case OggCodec::kFlac:
                return FlacText(song, properties, fileSize);
            default:
                return OggText(song, properties, fileSize);
        }
    }
    if (type & SONG_TYPE_FLAC) {
        return FlacText(song, properties, fileSize);
    }
    if (type & SONG_TYPE_MP4) {
        return Mp4Text(properties, fileSize);
    }
    if (type & SONG_TYPE_RM) {
        return RmText(properties, fileSize);
    }
    if (type & SONG_TYPE_AAC) {
        return AacText(properties, fileSize);
    }
    if (type &
        (SONG_TYPE_WAV | SONG_TYPE_AIFF | SONG_TYPE_DSF | SONG_TYPE_WAVPACK | SONG_TYPE_MATROSKA)) {
        return SampledText(properties, fileSize);
    }
    return {};
}

}  // namespace songcore
