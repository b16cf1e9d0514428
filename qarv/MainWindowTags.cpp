// The tag editor as the main window opens it, and what follows an Update.
#include <QFileInfo>
#include <algorithm>
#include <set>

#include "qarv/CoverPane.h"
#include "qarv/MainWindow.h"
#include "qarv/PlayListModel.h"
#include "qarv/PlayerControl.h"
#include "qarv/SongTreeSortModel.h"
#include "qarv/tagedit/BatchEditDialog.h"
#include "qarv/tagedit/HistoryDialog.h"
#include "qarv/tagedit/LookupDialog.h"
#include "qarv/tagedit/LoudnessDialog.h"
#include "qarv/tagedit/RepairEncodingDialog.h"
#include "qarv/tagedit/TagEditor.h"
#include "qarv/tagedit/TagFromNameDialog.h"
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
    UpdateHistoryTexts();
}

void MainWindow::EditListSongTags() {
    std::string path = TaggableListSong();
    if (!path.empty() && EditSongTags(path)) {
        SongTagsChanged(path);
    }
    UpdateHistoryTexts();
}

void MainWindow::SongTagsChanged(const std::string& path) {
    if (path == coverPane_->Song()) {
        coverPane_->ShowSong(path, true);  // its pictures may have changed
    }
    HTREEITEM item = tree_.FindPathInTree(path, tree_.GetRootItem());
    if (item != nullptr) {
        // The tree's notices bring the play list rows of the song along.
        HTREEITEM now = tree_.RefreshSongItem(item);
        if (now != nullptr && tabs_->currentIndex() == kSongTreeTab) {
            SelectTreeItem(now);
        }
    } else {
        RefreshListRows(path);
    }
    UpdateCommands();
}

void MainWindow::RefreshListRows(const std::string& path) {
    PlayListModel::SongRow song;
    std::string error;
    if (!PlayListModel::ReadSongRow(path, song, error)) {
        return;
    }
    for (int row = 0; row < list_.GetItemCount(); ++row) {
        if (list_.GetFile(row) != path) {
            continue;
        }
        list_.SetArtist(row, song.artist.c_str());
        list_.SetAlbum(row, song.album.c_str());
        list_.SetTitle(row, song.title.c_str());
    }
}

void MainWindow::RereadSongs() {
    std::set<std::string> inTree;
    for (HTREEITEM item : SongItemsBelow(tree_.GetRootItem())) {
        std::string path = tree_.GetSongFile(item);
        // Songs on the internet have no tags of their own to read again.
        if (HasTagEditor(path)) {
            tree_.RefreshSongItem(item);
            inTree.insert(std::move(path));
        }
    }
    // The tree's notices brought the rows of its songs along.
    std::set<std::string> listed;
    for (int row = 0; row < list_.GetItemCount(); ++row) {
        const std::string path = list_.GetFile(row);
        if (HasTagEditor(path) && !inTree.count(path) && listed.insert(path).second) {
            RefreshListRows(path);
        }
    }
    UpdateCommands();
}

std::vector<std::string> MainWindow::SelectedSongs() const {
    std::vector<std::string> songs;
    if (tabs_->currentIndex() == kPlayListTab) {
        for (int row : list_.GetSelectedRows()) {
            std::string path = list_.GetFile(row);
            if (HasTagEditor(path)) {
                songs.push_back(std::move(path));
            }
        }
        return songs;
    }
    for (HTREEITEM item : SongItemsBelow(SelectedTreeItem())) {
        std::string path = tree_.GetSongFile(item);
        if (HasTagEditor(path)) {
            songs.push_back(std::move(path));
        }
    }
    return songs;
}

std::vector<HTREEITEM> MainWindow::SongItemsBelow(HTREEITEM top) const {
    std::vector<HTREEITEM> songs;
    if (top == nullptr) {
        return songs;
    }
    // The subtree in the order the tree shows it.
    std::vector<HTREEITEM> stack{top};
    while (!stack.empty()) {
        HTREEITEM item = stack.back();
        stack.pop_back();
        if (tree_.GetItemKind(item) == CSongTreeCtrl::KIND_SONG) {
            songs.push_back(item);
            continue;
        }
        std::vector<HTREEITEM> children = treeSort_->ChildrenShown(item);
        stack.insert(stack.end(), children.rbegin(), children.rend());
    }
    return songs;
}

bool MainWindow::RunSongsDialog(QDialog& dialog) {
    return dialog.exec() == QDialog::Accepted;
}

void MainWindow::EditSelectedSongs(SongsDialog kind) {
    std::vector<std::string> songs = SelectedSongs();
    if (songs.empty()) {
        return;
    }
    const songcore::BatchOutcome* outcome = nullptr;
    std::unique_ptr<QDialog> dialog;
    if (kind == SongsDialog::BatchEdit) {
        auto form = std::make_unique<BatchEditDialog>(songs, this);
        outcome = &form->Outcome();
        dialog = std::move(form);
    } else if (kind == SongsDialog::TagFromNames) {
        auto names = std::make_unique<TagFromNameDialog>(songs, this);
        outcome = &names->Outcome();
        dialog = std::move(names);
    } else if (kind == SongsDialog::RepairEncoding) {
        auto repair = std::make_unique<RepairEncodingDialog>(songs, this);
        outcome = &repair->Outcome();
        dialog = std::move(repair);
    } else if (kind == SongsDialog::Loudness) {
        auto loudness = std::make_unique<LoudnessDialog>(songs, this);
        outcome = &loudness->Outcome();
        dialog = std::move(loudness);
    } else {
        auto lookup = std::make_unique<LookupDialog>(songs, this);
        outcome = &lookup->Outcome();
        dialog = std::move(lookup);
    }
    if (!RunSongsDialog(*dialog)) {
        return;
    }
    // A lookup writes a song more than once (fields, cover, identifiers).
    const std::vector<std::string> written = outcome->operation.Paths();
    for (const std::string& path : written) {
        SongTagsChanged(path);
    }
    UpdateHistoryTexts();
    control_->SetStatusText(tr("%1 of %2 songs written%3")
                                .arg(written.size())
                                .arg(songs.size())
                                .arg(outcome->cancelled ? tr("; cancelled") : QString()));
}

void MainWindow::StepEditHistory(bool undo) {
    ShowHistoryStep(undo ? songcore::EditHistory().Undo() : songcore::EditHistory().Redo(), undo);
}

void MainWindow::ShowHistoryStep(const songcore::HistoryOutcome& outcome, bool undo, bool tell) {
    for (const std::string& path : outcome.restored) {
        SongTagsChanged(path);
    }
    UpdateHistoryTexts();
    if (outcome.label.empty()) {
        control_->SetStatusText(QString::fromStdString(outcome.error));
        return;
    }
    std::vector<std::string> refused;
    for (const auto& entry : outcome.refused) {
        if (std::find(refused.begin(), refused.end(), entry.first) == refused.end()) {
            refused.push_back(entry.first);
        }
    }
    const size_t total = outcome.restored.size() + refused.size();
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
    if (tell && !problems.isEmpty()) {
        Inform((undo ? tr("Some files were not undone:") : tr("Some files were not redone:")) +
                   "\n" + problems.join('\n'),
               undo ? tr("Undo") : tr("Redo"));
    }
}

void MainWindow::UpdateHistoryTexts() {
    std::vector<songcore::EditOperation> undo, redo;
    std::string error;
    songcore::EditHistory().List(undo, redo, error);
    auto name = [](const std::vector<songcore::EditOperation>& list) {
        return list.empty() ? tr("Tag Edit")
                            : QString::fromStdString(list.front().Describe()).replace('&', "&&");
    };
    actions_.undo->setText(tr("&Undo %1\tCtrl+Z").arg(name(undo)));
    actions_.redo->setText(tr("&Redo %1\tCtrl+Shift+Z").arg(name(redo)));
}

void MainWindow::RunHistoryDialog(QDialog& dialog) {
    dialog.exec();
}

void MainWindow::OpenEditHistory() {
    HistoryDialog dialog(this);
    connect(&dialog, &HistoryDialog::stepDone, this,
            [this](const songcore::HistoryOutcome& outcome) {
                // The window itself names what it could not undo.
                ShowHistoryStep(outcome, true, false);
            });
    RunHistoryDialog(dialog);
}
