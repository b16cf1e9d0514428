#pragma once
// The file dialogs' filters of the views' commands, and the extension rule
// of Export.

#include <QString>

namespace FileFilters {

// Import and Export: the song database, M3U and PLS.
QString ListFiles();
enum ListKind { kSongDatabase = 1, kM3u = 2, kPls = 3 };
// The kind of a filter line of ListFiles() (what the dialog selected);
// kPls for anything else, as the commands read it.
ListKind KindOf(const QString& selectedFilter);
// The kind a file name's extension tells (.sdf, .m3u or .m3u8, .pls, in
// any case), else the kind of the filter chosen: a name typed with its
// extension is that kind of list whatever filter the dialog shows.
ListKind KindOfPath(const QString& path, ListKind filterKind);
// The name written for a chosen path: the kind's extension is appended
// unless the path already ends with a list's extension.
QString ExportPath(const QString& chosen, ListKind kind);

// Add Files: every song file the program reads.
QString SongFiles();

}  // namespace FileFilters
