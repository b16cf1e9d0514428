#include "songcore/cddb/DiscOfSongs.h"

#include <cmath>
#include <string>

namespace songcore {
namespace {

// Longer than any disc: no sum of frames can overflow.
constexpr double kMaxDiscSeconds = 24 * 3600;

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

bool IsVariousArtists(const std::string& artist) {
    return artist.starts_with("Various");
}

}  // namespace

std::vector<CCDDBTrackPosition> TocFromLengths(const std::vector<double>& seconds) {
    std::vector<CCDDBTrackPosition> positions;
    double total = 0;
    for (double length : seconds) {
        if (!std::isfinite(length) || length <= 0) {
            return {};
        }
        total += length;
    }
    if (seconds.empty() || total > kMaxDiscSeconds) {
        return {};
    }
    uint32_t frame = kCdLeadInFrames;
    for (double length : seconds) {
        positions.push_back(CCDDBTrackPosition::FromFrames(frame));
        frame += static_cast<uint32_t>(std::lround(length * CCDDBTrackPosition::kFramesPerSecond));
    }
    positions.push_back(CCDDBTrackPosition::FromFrames(frame));
    return positions;
}

FieldValues FieldsFromCddbTrack(const CCDDBRecord& record, size_t track) {
    const std::vector<std::string>& titles = record.GetTrackTitles();
    FieldValues fields;
    std::string title = track < titles.size() ? titles[track] : std::string();
    std::string artist = record.GetArtist();
    // A compilation names each track's artist in its title.
    const size_t slash = title.find(" / ");
    if (IsVariousArtists(artist) && slash != std::string::npos) {
        artist = Trimmed(title.substr(0, slash));
        title = Trimmed(title.substr(slash + 3));
    }
    PutFieldValue(fields, SongField::Title, title);
    PutFieldValue(fields, SongField::Artist, artist);
    PutFieldValue(fields, SongField::Album, record.GetTitle());
    if (!record.GetYear().empty()) {
        PutFieldValue(fields, SongField::Year, record.GetYear());
    }
    if (!record.GetGenre().empty()) {
        PutFieldValue(fields, SongField::Genre, record.GetGenre());
    }
    PutFieldValue(fields, SongField::Track, std::to_string(track + 1));
    PutFieldValue(fields, SongField::TrackTotal, std::to_string(titles.size()));
    return fields;
}

}  // namespace songcore
