#pragma once
// The program's name, version and addresses, as the window title, the tray
// tooltip, the welcome text and the About box show them.

#include <QString>

namespace AppInfo {

QString Name();
// The reverse-DNS id that names the desktop entry, the AppStream metadata
// and the icons.
QString Id();
// "Tunemoss 0.1.0"
QString NameWithVersion();
QString SupportUrl();
QString HomeUrl();
QString Maker();

}  // namespace AppInfo
