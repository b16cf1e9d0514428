// qarv: the Tunemoss desktop program.
#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QSessionManager>
#include <QTranslator>

#include <cstdio>

#include "qarv/AppInfo.h"
#include "qarv/CommandLine.h"
#include "qarv/MainWindow.h"
#include "qarv/Mpris.h"
#include "qarv/SignalNotifier.h"
#include "qarv/SingleInstance.h"
#include "songcore/util/AllocatorTuning.h"
#include "songcore/util/JournalRecovery.h"

namespace {

QIcon AppIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256}) {
        icon.addFile(QStringLiteral(":/qarv/%1.png").arg(size), QSize(size, size));
    }
    return QIcon::fromTheme(AppInfo::Id(), icon);
}

// Interrupted writes that were not undone, because their songs changed
// since, are told once: the user may want the old bytes that are kept.
void ShowJournalNotices(QWidget* parent, const std::vector<songcore::JournalNotice>& notices) {
    if (notices.empty()) {
        return;
    }
    QStringList lines;
    for (const songcore::JournalNotice& notice : notices) {
        lines << QString::fromStdString(notice.path + ": " + notice.message);
    }
    QMessageBox::warning(parent, QObject::tr("Failed"), lines.join(QStringLiteral("\n\n")));
}

}  // namespace

int main(int argc, char** argv) {
    songcore::KeepFreedBuffersForReuse();
    // Answered before the application is made, so that they need no display.
    if (std::optional<std::string> text =
            CommandLine::InfoRequest(std::vector<std::string>(argv + 1, argv + argc))) {
        std::fputs(text->c_str(), stdout);
        return 0;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("qarv"));
    QApplication::setApplicationDisplayName(AppInfo::Name());
    QApplication::setApplicationVersion(QStringLiteral(TUNEMOSS_VERSION));
    QApplication::setDesktopFileName(AppInfo::Id());
    QApplication::setWindowIcon(AppIcon());

    // Qt's own texts (standard buttons, file dialogs) in the user's language.
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(&qtTranslator);
    }

    // Tag writes that a crash cut short are undone before the song tree
    // reads those songs again.
    songcore::RecoveryReport recovery = songcore::RecoverInterruptedWrites();

    // A second start hands its files to the first and ends.
    QStringList paths = QApplication::arguments();
    paths.removeFirst();
    SingleInstance instance;
    if (instance.HandOver(paths)) {
        return 0;
    }

    MainWindow window;
    if (!window.IsCreated()) {
        QMessageBox::critical(nullptr, QObject::tr("Failed"),
                              QObject::tr("The player (libmpv) could not be started."));
        return 1;
    }
    window.show();
    ShowJournalNotices(&window, recovery.notices);
    window.OpenPaths(paths);
    StartMpris(window);
    instance.Listen([&window](const QStringList& handed) {
        window.showNormal();
        window.raise();
        window.activateWindow();
        window.OpenPaths(handed);
    });
    // A logout, SIGTERM or Ctrl+C saves as a normal exit does.
    SignalNotifier signalNotifier;
    QObject::connect(&signalNotifier, &SignalNotifier::quitRequested, &app, [&window] {
        window.EndSession();
        QApplication::quit();
    });
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window,
                     [&window](QSessionManager&) { window.SaveNow(); });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &window, [&window] {
        window.EndSession();
        // Entries set aside while songs were written are at least told.
        for (const songcore::JournalNotice& notice : songcore::TakeJournalNotices()) {
            std::fprintf(stderr, "qarv: %s: %s\n", notice.path.c_str(), notice.message.c_str());
        }
    });
    return QApplication::exec();
}
