// The tag editor as the main window opens it, and what follows an Update.
#include <QFileInfo>

#include "qarv/MainWindow.h"
#include "qarv/PlayerControl.h"
#include "qarv/tagedit/TagEditor.h"
#include "songcore/edit/EditHistory.h"
#include "songcore/tags/SongFileInfo.h"

namespace {

bool HasTagEditor(const std::string& path) {
    const uint32_t type = GetSongType(path);
    return (type & SONG_TYPE_LOCAL) &&
           (type & (SONG_TYPE_TAGGED | SONG_TYPE_APE | SONG_TYPE_MPC)) != 0;
}

}  // namespace

bool MainWindow::EditSongTags(const std::string& path) {
    return OpenTagEditor(this, path);
}

std::string MainWindow::TaggableTreeSong() const {
    HTREEITEM item = SelectedTreeItem();
    if (item == nullptr || tree_.GetItemKind(item) != CSongTreeCtrl::KIND_SONG) {
        return {};
    }
    std::string path = tree_.GetSongFile(item);
    return HasTagEditor(path) ? path : std::string();
}

std::string MainWindow::TaggableListSong() const {
    const int row = list_.GetNextSelectedItem(-1);
    if (row < 0) {
        return {};
    }
    std::string path = list_.GetFile(row);
    return HasTagEditor(path) ? path : std::string();
}

void MainWindow::EditTreeSongTags() {
    std::string path = TaggableTreeSong();
    if (!path.empty() && EditSongTags(path)) {
        SongTagsChanged(path);
    }
}

void MainWindow::EditListSongTags() {
    std::string path = TaggableListSong();
    if (!path.empty() && EditSongTags(path)) {
        SongTagsChanged(path);
    }
}

void MainWindow::SongTagsChanged(const std::string& path) {
    HTREEITEM item = tree_.FindPathInTree(path, tree_.GetRootItem());
    if (item != nullptr) {
        // The tree's notices bring the play list rows of the song along.
        HTREEITEM now = tree_.RefreshSongItem(item);
        if (now != nullptr && tabs_->currentIndex() == kSongTreeTab) {
            SelectTreeItem(now);
        }
    } else {
        CSongFileInfo song;
        if (song.Open(path, 1, 0) && song.GetSongInfo()) {
            for (int row = 0; row < list_.GetItemCount(); ++row) {
                if (list_.GetFile(row) != path) {
                    continue;
                }
                list_.SetArtist(row, song.GetArtist().c_str());
                list_.SetAlbum(row, song.GetAlbum().c_str());
                list_.SetTitle(row, song.GetTitle().c_str());
            }
        }
    }
    UpdateCommands();
}

void MainWindow::StepEditHistory(bool undo) {
    songcore::HistoryOutcome outcome =
        undo ? songcore::EditHistory().Undo() : songcore::EditHistory().Redo();
    for (const std::string& path : outcome.restored) {
        SongTagsChanged(path);
    }
    if (outcome.label.empty()) {
        control_->SetStatusText(QString::fromStdString(outcome.error));
        return;
    }
    const size_t total = outcome.restored.size() + outcome.refused.size();
    control_->SetStatusText(
        (undo ? tr("Undone: %1, %2 of %3 files") : tr("Redone: %1, %2 of %3 files"))
            .arg(QString::fromStdString(outcome.label))
            .arg(outcome.restored.size())
            .arg(total));
    QStringList problems;
    for (const auto& [path, reason] : outcome.refused) {
        problems << QStringLiteral("%1: %2").arg(QString::fromStdString(path),
                                                 QString::fromStdString(reason));
    }
    if (!outcome.ok) {
        problems << QString::fromStdString(outcome.error);
    }
    if (!problems.isEmpty()) {
        Inform((undo ? tr("Some files were not undone:") : tr("Some files were not redone:")) +
                   "\n" + problems.join('\n'),
               undo ? tr("Undo") : tr("Redo"));
    }
}
