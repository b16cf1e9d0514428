// The views' file commands: Add Files, Import and Export.
#include <QFileDialog>
#include <QFileInfo>
#include <algorithm>
#include <chrono>
#include <mutex>
#include <thread>
#include <unordered_set>

#include "qarv/FileFilters.h"
#include "qarv/MainWindow.h"
#include "qarv/PlayListModel.h"
#include "qarv/ProgressRunner.h"
#include "qarv/SearchRules.h"
#include "songcore/search/LocalSongSearch.h"
#include "songcore/settings/AppRegKey.h"

QStringList MainWindow::AskOpenFiles(const QString& title, const QString& filters,
                                     QString& selectedFilter) {
    return QFileDialog::getOpenFileNames(this, title,
                                         QString::fromStdString(CAppRegKey().GetDefaultFolder()),
                                         filters, &selectedFilter);
}

QString MainWindow::AskSaveFile(const QString& title, const QString& filters,
                                QString& selectedFilter) {
    return QFileDialog::getSaveFileName(this, title,
                                        QString::fromStdString(CAppRegKey().GetDefaultFolder()),
                                        filters, &selectedFilter);
}

namespace {

// The next dialog starts where this one ended.
void RememberFolder(const QString& file) {
    CAppRegKey().SetDefaultFolder(QFileInfo(file).absolutePath().toStdString().c_str());
}

}  // namespace

void MainWindow::ReportFileFailures(const QString& what, const QStringList& failures) {
    if (!failures.isEmpty()) {
        Inform(what + "\n" + failures.join('\n'), tr("Failed"));
    }
}

void MainWindow::AddFiles(bool toTree) {
    QString filter;
    const QStringList files = AskOpenFiles(tr("Add Files"), FileFilters::SongFiles(), filter);
    if (files.isEmpty()) {
        return;
    }
    RememberFolder(files.front());
    QStringList failures;
    if (toTree) {
        for (const QString& file : files) {
            if (!tree_.InsertSongFile(file.toStdString())) {
                failures << tr("%1: it cannot be read").arg(file);
            }
        }
    } else {
        PlayListModel::AddSongFiles(list_, files, failures);
    }
    ReportFileFailures(tr("These files could not be added:"), failures);
}

void MainWindow::ImportList(bool toTree) {
    QString filter;
    const QStringList files = AskOpenFiles(tr("Import"), FileFilters::ListFiles(), filter);
    if (files.isEmpty()) {
        return;
    }
    RememberFolder(files.front());
    const FileFilters::ListKind chosen = FileFilters::KindOf(filter);
    auto import = [&](FileFilters::ListKind kind, const std::string& path) {
        if (toTree) {
            if (kind == FileFilters::kSongDatabase) {
                return tree_.LoadFromFile(path) != 0;
            }
            kind == FileFilters::kM3u ? tree_.ReadM3UList(path.c_str())
                                      : tree_.ReadPLSList(path.c_str());
            return true;
        }
        return (kind == FileFilters::kSongDatabase ? list_.ReadFromSDF(path.c_str())
                : kind == FileFilters::kM3u        ? list_.ReadM3UList(path.c_str())
                                                   : list_.ReadPLSList(path.c_str())) != 0;
    };
    QStringList failures;
    for (const QString& file : files) {
        const std::string path = file.toStdString();
        // Read as its extension says; a list whose name does not tell its
        // kind is read by the filter chosen.
        const FileFilters::ListKind named = FileFilters::KindOfPath(file, chosen);
        bool read = import(named, path);
        if (!read && named != chosen) {
            read = import(chosen, path);
        }
        if (!read) {
            failures << tr("%1: it is not a list of that kind, or cannot be read").arg(file);
        }
    }
    ReportFileFailures(tr("These lists could not be imported:"), failures);
}

void MainWindow::ExportList(bool fromTree) {
    QString filter;
    const QString chosen = AskSaveFile(tr("Export"), FileFilters::ListFiles(), filter);
    if (chosen.isEmpty()) {
        return;
    }
    RememberFolder(chosen);
    // A name typed with a list's extension is written as that kind.
    const FileFilters::ListKind kind = FileFilters::KindOfPath(chosen, FileFilters::KindOf(filter));
    const QString path = FileFilters::ExportPath(chosen, kind);
    const std::string file = path.toStdString();
    int written = 0;
    if (fromTree) {
        HTREEITEM item = SelectedTreeItem();
        written = kind == FileFilters::kSongDatabase ? tree_.SaveToFile(file)
                  : kind == FileFilters::kM3u        ? tree_.WriteM3UList(file.c_str(), item)
                                                     : tree_.WritePLSList(file.c_str(), item);
    } else {
        written = kind == FileFilters::kSongDatabase ? list_.WriteToSDF(file.c_str())
                  : kind == FileFilters::kM3u        ? list_.WriteM3UList(file.c_str())
                                                     : list_.WritePLSList(file.c_str());
    }
    if (!written) {
        ReportFileFailures(tr("The list could not be exported:"),
                           {tr("%1: it cannot be written").arg(path)});
    }
}

namespace {

// The song files a folder walk finds, for the play list's Add Folder.
class FolderSongs : public CLocalSongSearch {
public:
    ~FolderSongs() override {
        Stop();
        Wait();
    }
    std::vector<std::string> Take() {
        std::lock_guard<std::mutex> guard(lock_);
        std::sort(files_.begin(), files_.end());
        return std::move(files_);
    }

protected:
    void MusicFile(const std::string& path) override {
        std::lock_guard<std::mutex> guard(lock_);
        files_.push_back(path);
    }

private:
    std::mutex lock_;
    std::vector<std::string> files_;
};

}  // namespace

void MainWindow::AddFolderToList() {
    const QString folder = AskFolder(tr("Select a folder:"));
    if (folder.isEmpty()) {
        return;
    }
    CAppRegKey().SetDefaultFolder(folder.toStdString().c_str());
    // The folder and everything below, in path order, read off the window's
    // thread; the rows go into the list a batch at a time, so a folder of
    // thousands of songs shows them coming and the window stays alive.
    std::unordered_set<std::string> listed;
    for (int row = 0; row < list_.GetItemCount(); ++row) {
        listed.insert(list_.GetFile(row));
    }
    struct Found {
        PlayListModel::SongRow row;
        std::string file;
    };
    std::vector<Found> batch;
    auto addBatch = [&] {
        QMetaObject::invokeMethod(
            this,
            [&] {
                for (const Found& song : batch) {
                    list_.Add(list_.GetItemCount(), song.row.artist, song.row.album, song.row.title,
                              song.file);
                }
            },
            Qt::BlockingQueuedConnection);
        batch.clear();
    };
    RunWithProgress(this, tr("Add Folder"), 0, [&](ProgressState& state) {
        FolderSongs walk;
        walk.Search(SearchRules::AllExtensions().toStdString(), folder.toStdString());
        while (walk.IsSearching()) {
            if (state.Cancelled()) {
                walk.Stop();
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        walk.Wait();
        const std::vector<std::string> files = walk.Take();
        state.SetTotal(files.size());
        for (size_t i = 0; i < files.size() && !state.Cancelled(); ++i) {
            state.Report(i, files[i]);
            if (!listed.insert(files[i]).second) {
                continue;
            }
            Found song{{}, files[i]};
            std::string error;
            if (PlayListModel::ReadSongRow(files[i], song.row, error)) {
                batch.push_back(std::move(song));
            }
            if (batch.size() >= kAddFolderBatch) {
                addBatch();
            }
        }
        if (!batch.empty()) {
            addBatch();
        }
    });
}
