// Copy To and Rename As, run over the selection behind a progress dialog.
#include <QFileDialog>
#include <QLineEdit>
#include <algorithm>

#include "qarv/FileJobRunner.h"
#include "qarv/MainWindow.h"
#include "qarv/PlayerControl.h"
#include "qarv/RenameCustomizeDialog.h"
#include "qarv/RenamePreviewDialog.h"
#include "songcore/edit/EditHistory.h"
#include "songcore/rename/NameTokens.h"
#include "songcore/settings/AppRegKey.h"

QString MainWindow::AskFolder(const QString& title) {
    return QFileDialog::getExistingDirectory(
        this, title, QString::fromStdString(CAppRegKey().GetDefaultFolder()));
}

bool MainWindow::AskRenamePattern(QString& pattern) {
    RenameCustomizeDialog dialog(this);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    pattern = dialog.Pattern();
    return true;
}

void MainWindow::CollectCopyJobs(HTREEITEM item, const std::string& folder,
                                 std::vector<songcore::CopyJob>& jobs) const {
    if (tree_.GetItemKind(item) == CSongTreeCtrl::KIND_SONG) {
        if (tree_.GetItemType(item) & SONG_TYPE_LOCAL) {
            jobs.push_back({tree_.GetSongFile(item), folder});
        }
        return;
    }
    // A group becomes a folder of its name.
    const std::string below =
        songcore::JoinFolder(folder, songcore::FolderComponent(tree_.GetItemText(item)));
    for (HTREEITEM child = tree_.GetChildItem(item); child != nullptr;
         child = tree_.GetNextSiblingItem(child)) {
        CollectCopyJobs(child, below, jobs);
    }
}

void MainWindow::CopySelectedTo(bool fromTree) {
    std::vector<songcore::CopyJob> jobs;
    HTREEITEM item = fromTree ? SelectedTreeItem() : nullptr;
    if ((fromTree && item == nullptr) || (!fromTree && list_.GetSelectedRows().empty())) {
        return;
    }
    const QString folder = AskFolder(tr("Select a folder:"));
    if (folder.isEmpty()) {
        return;
    }
    CAppRegKey().SetDefaultFolder(folder.toStdString().c_str());
    if (fromTree) {
        CollectCopyJobs(item, folder.toStdString(), jobs);
    } else {
        for (int row : list_.GetSelectedRows()) {
            const std::string file = list_.GetFile(row);
            jobs.push_back({file, songcore::PlayListCopyFolder(folder.toStdString(), file,
                                                               list_.GetArtist(row))});
        }
    }
    const std::string pattern = CAppRegKey().GetCopyToFileNameFormat();
    auto results = RunFileJob(this, tr("Copy To"), jobs.size(), [&](const auto& callbacks) {
        return songcore::CopySongsTo(jobs, pattern, callbacks);
    });
    ReportFileFailures(tr("These songs were not copied:"), FileJobProblems(results));
}

void MainWindow::RenameSelectedAs(QString pattern) {
    HTREEITEM top = SelectedTreeItem();
    if (top == nullptr) {
        return;
    }
    // No preset: the user's own pattern, which an empty answer cancels.
    if (pattern.isEmpty() && (!AskRenamePattern(pattern) || pattern.isEmpty())) {
        return;
    }
    std::vector<std::string> files;
    for (HTREEITEM item : SongItemsBelow(top)) {
        if (tree_.GetItemType(item) & SONG_TYPE_LOCAL) {
            files.push_back(tree_.GetSongFile(item));
        }
    }
    const std::string text = pattern.toStdString();
    if (std::string problem = songcore::NamePatternProblem(text); !problem.empty()) {
        Inform(QString::fromStdString(problem), tr("Rename As"));
        return;
    }
    // The new names first, for the user to see before anything is renamed.
    auto planned = RunFileJob(this, tr("Rename As"), files.size(), [&](const auto& callbacks) {
        return songcore::RenameSongsAs(files, text, callbacks, true);
    });
    const bool stopped = std::any_of(planned.begin(), planned.end(), [](const auto& result) {
        return result.status == songcore::PatternJobStatus::Cancelled;
    });
    if (stopped) {
        return;
    }
    RenamePreviewDialog preview(planned, this);
    if (!RunSongsDialog(preview)) {
        return;
    }
    files = preview.Renamed();
    auto results = RunFileJob(this, tr("Rename As"), files.size(), [&](const auto& callbacks) {
        return songcore::RenameSongsAs(files, text, callbacks);
    });
    // The tree items, the play list rows and the edit history follow the
    // new names.
    std::vector<std::pair<std::string, std::string>> renamed;
    for (const songcore::PatternJobResult& result : results) {
        if (result.status != songcore::PatternJobStatus::Done) {
            continue;
        }
        renamed.emplace_back(result.source, result.destination);
        if (HTREEITEM item = tree_.FindPathInTree(result.source, tree_.GetRootItem())) {
            tree_.RenameSongFile(item, result.destination);
        }
    }
    QStringList problems = FileJobProblems(results);
    if (std::string error; !songcore::EditHistory().FollowRenames(renamed, error)) {
        problems << tr("The edit history does not follow the new names: %1")
                        .arg(QString::fromStdString(error));
    }
    control_->SetStatusText(
        tr("Rename As done: %1 of %2 songs renamed").arg(renamed.size()).arg(files.size()));
    ReportFileFailures(tr("These songs were not renamed:"), problems);
}
