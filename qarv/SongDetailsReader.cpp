#include "qarv/SongDetailsReader.h"

#include <variant>

#include "songcore/songfile/SongType.h"
#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/StreamProperties.h"

SongDetailsReader::SongDetailsReader(std::vector<songcore::SongField> fields, QObject* parent)
    : QObject(parent),
      fields_(std::move(fields)),
      worker_(this, [this](CSongFileInfo& song, const QString& path) -> SongWorker::Reply {
          SongDetails details = Read(song, path.toStdString(), fields_);
          return [this, path, details] {
              // A read that Get or Forget overtook is not wanted any more.
              if (queued_.remove(path)) {
                  known_.insert(path, details);
                  emit detailsRead(path);
              }
          };
      }) {}

SongDetails SongDetailsReader::Read(CSongFileInfo& song, const std::string& path,
                                    const std::vector<songcore::SongField>& fields) {
    SongDetails details;
    if (IsInternetLocation(path) || !song.Open(path, 1, 0)) {
        return details;
    }
    if (song.GetSongInfo()) {
        // The number alone: an MP4 keeps its total in the same item.
        details.track = song.GetFields().Number(songcore::SongField::Track);
        for (songcore::SongField field : fields) {
            details.texts[field] = song.GetText(field);
        }
    }
    songcore::StreamProperties properties = songcore::ReadStreamProperties(song);
    // Seconds, as a fraction or (RealMedia) whole.
    if (const songcore::StreamProperty* length = properties.find("length_seconds")) {
        if (const double* seconds = std::get_if<double>(&length->value); seconds && *seconds >= 0) {
            details.lengthMs = static_cast<long>(*seconds * 1000);
        } else if (const int64_t* whole = std::get_if<int64_t>(&length->value);
                   whole && *whole >= 0) {
            details.lengthMs = static_cast<long>(*whole * 1000);
        }
    }
    return details;
}

std::optional<SongDetails> SongDetailsReader::Find(const QString& path) {
    auto found = known_.constFind(path);
    if (found != known_.constEnd()) {
        return *found;
    }
    if (!queued_.contains(path)) {
        queued_.insert(path);
        worker_.Read({path});
    }
    return std::nullopt;
}

SongDetails SongDetailsReader::Get(const QString& path) {
    auto found = known_.constFind(path);
    if (found != known_.constEnd()) {
        return *found;
    }
    queued_.remove(path);
    CSongFileInfo song;
    SongDetails details = Read(song, path.toStdString(), fields_);
    known_.insert(path, details);
    return details;
}

void SongDetailsReader::Forget(const QString& path) {
    known_.remove(path);
    queued_.remove(path);
}
