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

namespace {

// The kind of a list extension; 0 for any other.
int KindOfExtension(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == "sdf"                       ? kSongDatabase
           : suffix == "m3u" || suffix == "m3u8" ? kM3u
           : suffix == "pls"                     ? kPls
                                                 : 0;
}

}  // namespace

ListKind KindOfPath(const QString& path, ListKind filterKind) {
    const int kind = KindOfExtension(path);
    return kind != 0 ? static_cast<ListKind>(kind) : filterKind;
}

QString ExportPath(const QString& chosen, ListKind kind) {
    if (KindOfExtension(chosen) != 0) {
        return chosen;
    }
    return chosen + "." + (kind == kSongDatabase ? "sdf" : kind == kM3u ? "m3u" : "pls");
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
