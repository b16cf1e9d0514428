#include "qarv/SongRowReader.h"

#include "qarv/PlayListModel.h"

SongRowReader::SongRowReader(QObject* parent)
    : QObject(parent),
      worker_(this, [this](CSongFileInfo& song, const QString& path) -> SongWorker::Reply {
          std::string error;
          PlayListModel::SongRow row;
          if (PlayListModel::ReadSongRow(song, path.toStdString(), row, error)) {
              return [this, path, row] {
                  emit rowRead(path, QString::fromStdString(row.artist),
                               QString::fromStdString(row.album),
                               QString::fromStdString(row.title));
              };
          }
          QString message = QStringLiteral("%1: %2").arg(path, QString::fromStdString(error));
          return [this, path, message] { emit readFailed(path, message); };
      }) {}
