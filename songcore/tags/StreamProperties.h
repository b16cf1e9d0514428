#pragma once
// Stream properties (length, bit rate, sampling rate, ...) decoded for
// display, as an ordered list of named values. Each format decodes its own
// from the header bytes its reader kept; the programs only print the list.

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

class CSongFileInfo;

namespace songcore {

struct StreamProperty {
    std::string key;
    std::variant<int64_t, double, bool, std::string> value;
};

class StreamProperties {
public:
    void add(std::string key, int64_t value) { items_.push_back({std::move(key), value}); }
    void add(std::string key, double value) { items_.push_back({std::move(key), value}); }
    void add(std::string key, bool value) { items_.push_back({std::move(key), value}); }
    void add(std::string key, std::string value) {
        items_.push_back({std::move(key), std::move(value)});
    }
    void add(std::string key, const char* value) { add(std::move(key), std::string(value)); }
    const std::vector<StreamProperty>& items() const { return items_; }
    bool empty() const { return items_.empty(); }
    const StreamProperty* find(const std::string& key) const {
        for (const auto& item : items_) {
            if (item.key == key) {
                return &item;
            }
        }
        return nullptr;
    }

private:
    std::vector<StreamProperty> items_;
};

// The stream properties of the open song, after its reader has run. Keys:
// channels, sample_rate, bitrate_kbps, bits_per_sample, total_samples,
// serial, length_seconds, mpeg_version, layer, channel_mode, vbr, frames,
// copyright, crc, private, original, emphasis, codec, ...
StreamProperties ReadStreamProperties(CSongFileInfo& song);

// Why a song of a type whose stream is read has none: the file is not what
// its name says (text saved as .mp3, say), or its stream header is damaged.
// Empty when the stream was found, or when the type has none to find.
std::string MissingStreamProblem(CSongFileInfo& song, const StreamProperties& stream);

// One per format, in that format's source file.
void AddMpegStreamProperties(CSongFileInfo& song, StreamProperties& out);
void AddOggStreamProperties(CSongFileInfo& song, StreamProperties& out);
void AddFlacStreamProperties(CSongFileInfo& song, StreamProperties& out);
void AddMP4StreamProperties(CSongFileInfo& song, StreamProperties& out);
void AddASFStreamProperties(CSongFileInfo& song, StreamProperties& out);
void AddRMStreamProperties(CSongFileInfo& song, StreamProperties& out);
void AddAacStreamProperties(CSongFileInfo& song, StreamProperties& out);
// WAV and AIFF.
void AddIffStreamProperties(CSongFileInfo& song, StreamProperties& out);
void AddDsfStreamProperties(CSongFileInfo& song, StreamProperties& out);
void AddWavPackStreamProperties(CSongFileInfo& song, StreamProperties& out);
void AddMatroskaStreamProperties(CSongFileInfo& song, StreamProperties& out);

}  // namespace songcore
