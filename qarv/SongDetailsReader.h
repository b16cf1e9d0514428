#pragma once
// SongDetailsReader: the play list's optional columns need more of a song
// than its row keeps (its other fields, and a length that can take a frame
// scan), so they are read on a worker thread when a row first shows them
// and kept until the song's tag changes.

#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>
#include <map>
#include <optional>
#include <string>

#include "qarv/SongWorker.h"
#include "songcore/tags/SongField.h"

class CSongFileInfo;

struct SongDetails {
    uint32_t track = 0;  // 0: none
    long lengthMs = -1;  // -1: unknown
    // The texts of the play list's field columns (PlayListModel::FieldOf).
    std::map<songcore::SongField, std::string> texts;
};

class SongDetailsReader : public QObject {
    Q_OBJECT
public:
    // fields: those whose texts are read besides the track and length.
    explicit SongDetailsReader(std::vector<songcore::SongField> fields, QObject* parent = nullptr);

    // What is known of the song; nothing yet means a read has been queued
    // (detailsRead follows).
    std::optional<SongDetails> Find(const QString& path);
    // The details at once, read here when not known yet: for sorting, which
    // needs every row's.
    SongDetails Get(const QString& path);
    // Forgets what was read of the song (its tag was written).
    void Forget(const QString& path);

    // The song's track number, length and the texts of fields; web
    // addresses are not downloaded for them and stay unknown.
    static SongDetails Read(CSongFileInfo& song, const std::string& path,
                            const std::vector<songcore::SongField>& fields);

Q_SIGNALS:
    void detailsRead(const QString& path);

private:
    std::vector<songcore::SongField> fields_;
    QHash<QString, SongDetails> known_;
    QSet<QString> queued_;
    SongWorker worker_;
};
