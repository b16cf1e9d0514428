// Files and folders handed to qarv when it starts.
#include <QFileInfo>
#include <QTabWidget>

#include "qarv/MainWindow.h"
#include "qarv/PlayListModel.h"
#include "qarv/SearchRules.h"
#include "qarv/SelectionMirror.h"

void MainWindow::OpenPaths(const QStringList& paths) {
    QStringList files;
    for (const QString& path : paths) {
        QFileInfo info(path);
        if (info.isDir()) {
            SearchIntoTree(info.absoluteFilePath(), SearchRules::AllExtensions());
        } else {
            files << info.absoluteFilePath();
        }
    }
    if (files.isEmpty()) {
        return;
    }
    const int first = list_.GetItemCount();
    if (PlayListModel::AddDroppedFiles(list_, files) == 0) {
        return;
    }
    tabs_->setCurrentIndex(kPlayListTab);
    // The songs just opened are the ones the next command is for.
    SelectListRowOnly(first);
    for (int row = first + 1; row < list_.GetItemCount(); ++row) {
        list_.SetSelected(row, true);
    }
    mirror_->ShowListSelection();
    UpdateCommands();
}
