#include "qarv/MprisRoot.h"

#include <QWidget>

#include "qarv/AppInfo.h"

MprisRoot::MprisRoot(QObject* host, QWidget& window)
    : QDBusAbstractAdaptor(host), window_(window) {}

QString MprisRoot::Identity() const {
    return AppInfo::Name();
}

QStringList MprisRoot::SupportedMimeTypes() const {
    return {QStringLiteral("audio/mpeg"), QStringLiteral("audio/flac"),
            QStringLiteral("audio/ogg"),  QStringLiteral("audio/opus"),
            QStringLiteral("audio/mp4"),  QStringLiteral("audio/x-ms-wma"),
            QStringLiteral("audio/aac")};
}

void MprisRoot::Raise() {
    window_.showNormal();
    window_.raise();
    window_.activateWindow();
}

void MprisRoot::Quit() {
    window_.close();
}
