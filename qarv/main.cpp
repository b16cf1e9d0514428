// qarv: the Tunemoss desktop program.
#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QTranslator>

#include "qarv/AppInfo.h"
#include "qarv/MainWindow.h"
#include "songcore/util/WriteJournal.h"

namespace {

QIcon AppIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256}) {
        icon.addFile(QStringLiteral(":/qarv/%1.png").arg(size), QSize(size, size));
    }
    return QIcon::fromTheme(QStringLiteral("tunemoss"), icon);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("qarv"));
    QApplication::setApplicationDisplayName(AppInfo::Name());
    QApplication::setApplicationVersion(QStringLiteral(TUNEMOSS_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("tunemoss-qarv"));
    QApplication::setWindowIcon(AppIcon());

    // Qt's own texts (standard buttons, file dialogs) in the user's language.
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(&qtTranslator);
    }

    // Tag writes that a crash cut short are undone before the song tree
    // reads those songs again.
    songcore::RecoverInterruptedWrites();

    MainWindow window;
    if (!window.IsCreated()) {
        QMessageBox::critical(nullptr, QObject::tr("Failed"),
                              QObject::tr("The player (libmpv) could not be started."));
        return 1;
    }
    window.show();
    QStringList paths = QApplication::arguments();
    paths.removeFirst();
    window.OpenPaths(paths);
    return QApplication::exec();
}
