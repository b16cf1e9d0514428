#include "qarv/AppInfo.h"

#ifndef TUNEMOSS_VERSION
#define TUNEMOSS_VERSION "0.0.0"
#endif

namespace AppInfo {

QString Name() {
    return QStringLiteral("Tunemoss");
}

QString NameWithVersion() {
    return Name() + QStringLiteral(" ") + QStringLiteral(TUNEMOSS_VERSION);
}

QString SupportUrl() {
    return QStringLiteral("https://github.com/tunemoss/tunemoss/issues");
}

QString HomeUrl() {
    return QStringLiteral("https://github.com/tunemoss/tunemoss");
}

QString Maker() {
    return QStringLiteral("The Tunemoss developers");
}

}  // namespace AppInfo
