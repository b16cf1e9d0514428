#include "qarv/MprisRoot.h"

#include <QWidget>

#include "qarv/AppInfo.h"

MprisRoot::MprisRoot(QObject* host, QWidget& window)
    : QDBusAbstractAdaptor(host), window_(window) {}

QString MprisRoot::Identity() const {
    return AppInfo::Name();
}

// The desktop entry's name without ".desktop": the application's id.
QString MprisRoot::DesktopEntry() const {
    return AppInfo::Id();
}

// The types the desktop entry declares (the build gives both the same list).
QStringList MprisRoot::SupportedMimeTypes() const {
    return QStringLiteral(QARV_MIME_TYPES).split(QLatin1Char(','));
}

void MprisRoot::Raise() {
    window_.showNormal();
    window_.raise();
    window_.activateWindow();
}

void MprisRoot::Quit() {
    window_.close();
}
