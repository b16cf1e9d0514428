#include "qarv/AppInfo.h"

#ifndef TUNEMOSS_VERSION
#define TUNEMOSS_VERSION "0.0.0"
#endif
#ifndef TUNEMOSS_APP_ID
#define TUNEMOSS_APP_ID "io.github.tunemoss.tunemoss"
#endif

namespace AppInfo {

QString Name() {
    return QStringLiteral("Tunemoss");
}

QString Id() {
    return QStringLiteral(TUNEMOSS_APP_ID);
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
