#include "qarv/FileFilters.h"

#include <QFileInfo>
#include <QStringList>

#include "qarv/SearchRules.h"

namespace FileFilters {
namespace {

const char* const kSongDatabaseFilter = "Song DB Files (*.sdf)";
const char* const kM3uFilter = "M3U Playlist (*.m3u)";
const char* const kPlsFilter = "PLS Playlist (*.pls)";

}  // namespace

QString ListFiles() {
    return QStringLiteral("%1;;%2;;%3").arg(kSongDatabaseFilter, kM3uFilter, kPlsFilter);
}

ListKind KindOf(const QString& selectedFilter) {
    if (selectedFilter == kSongDatabaseFilter) {
        return kSongDatabase;
    }
    return selectedFilter == kM3uFilter ? kM3u : kPls;
}

QString ExportPath(const QString& chosen, ListKind kind) {
    const QString extension = kind == kSongDatabase ? "sdf" : kind == kM3u ? "m3u" : "pls";
    if (QFileInfo(chosen).suffix().compare(extension, Qt::CaseInsensitive) == 0) {
        return chosen;
    }
    return chosen + "." + extension;
}

QString SongFiles() {
    // Every extension, upper and lower case: the dialog matches case.
    QStringList patterns;
    for (const QString& extension : SearchRules::AllExtensions().split(';', Qt::SkipEmptyParts)) {
        patterns << "*." + extension.toLower() << "*." + extension;
    }
    return QStringLiteral("All support files (%1);;All Files (*)").arg(patterns.join(' '));
}

}  // namespace FileFilters
