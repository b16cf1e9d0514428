#include "qarv/tagedit/LookupDialog.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "qarv/ProgressRunner.h"
#include "qarv/tagedit/BatchRunner.h"
#include "songcore/cddb/CddbClient.h"
#include "songcore/cddb/DiscOfSongs.h"
#include "songcore/online/CoverArtArchive.h"
#include "songcore/online/MusicBrainz.h"
#include "songcore/settings/AppRegKey.h"

namespace {

enum Column { kName, kNow, kNew };
constexpr int kSongRole = Qt::UserRole;
constexpr int kFieldRole = Qt::UserRole + 1;

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

QString ReleaseLine(const songcore::MbRelease& release) {
    QString line = Text(release.title) + " / " + Text(release.artist);
    QStringList where;
    for (const std::string& part : {release.date, release.country}) {
        if (!part.empty()) {
            where << Text(part);
        }
    }
    if (!where.isEmpty()) {
        line += " (" + where.join(", ") + ")";
    }
    return line + ", " + QObject::tr("%n tracks", nullptr, release.trackCount);
}

QString DiscLine(const CCDDBQueryResult& disc) {
    return Text(disc.GetTitle()) + " / " + Text(disc.GetArtist()) + " (" +
           Text(disc.GetCategory()) + ")";
}

}  // namespace

LookupDialog::LookupDialog(const std::vector<std::string>& paths, QWidget* parent)
    : QDialog(parent), paths_(paths) {
    setWindowTitle(tr("Look Up Album Online"));
    auto* layout = new QVBoxLayout(this);
    auto* hint = new QLabel(tr("Finds the album of the %n selected songs and shows what it would "
                               "change. Nothing is written before Write Tags.",
                               nullptr, static_cast<int>(paths.size())),
                            this);
    hint->setWordWrap(true);
    layout->addWidget(hint);

    auto* form = new QFormLayout;
    source_ = new QComboBox(this);
    source_->addItems({tr("MusicBrainz"), tr("CD database (songs ripped from one CD)")});
    form->addRow(tr("&Source:"), source_);
    releases_ = new QComboBox(this);
    releases_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    form->addRow(tr("&Release:"), releases_);
    details_ = new QLabel(this);
    details_->setWordWrap(true);
    details_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form->addRow(QString(), details_);
    layout->addLayout(form);

    preview_ = new QTreeWidget(this);
    preview_->setColumnCount(3);
    preview_->setHeaderLabels({tr("Song / Field"), tr("Now"), tr("From MusicBrainz")});
    preview_->header()->setStretchLastSection(true);
    layout->addWidget(preview_, 1);

    auto* coverRow = new QHBoxLayout;
    coverImage_ = new QLabel(this);
    coverImage_->setFixedSize(72, 72);
    coverImage_->setAlignment(Qt::AlignCenter);
    coverChoice_ = new QCheckBox(this);
    coverRow->addWidget(coverImage_);
    coverRow->addWidget(coverChoice_, 1);
    layout->addLayout(coverRow);
    summary_ = new QLabel(this);
    summary_->setWordWrap(true);
    summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(summary_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    lookUp_ = buttons->addButton(tr("&Look Up"), QDialogButtonBox::ActionRole);
    write_ = buttons->addButton(tr("&Write Tags"), QDialogButtonBox::AcceptRole);
    lookUp_->setDefault(true);
    layout->addWidget(buttons);
    resize(860, 560);
    connect(lookUp_, &QPushButton::clicked, this, &LookupDialog::LookUp);
    connect(write_, &QPushButton::clicked, this, &LookupDialog::Write);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // Another source needs a search of its own before anything is written.
    connect(source_, &QComboBox::currentIndexChanged, this, [this] {
        Forget();
        ShowPreview();
    });
    connect(releases_, &QComboBox::currentIndexChanged, this, &LookupDialog::TakeRelease);
    Forget();
    ShowPreview();
}

void LookupDialog::Forget() {
    searchedSource_ = -1;
    found_.clear();
    discs_.clear();
    release_ = {};
    record_ = {};
    cover_.reset();
    coverWhy_.clear();
    plan_.clear();
    failure_.clear();
    releases_->clear();
}

void LookupDialog::LookUp() {
    Forget();
    const int source = source_->currentIndex();
    std::string failure;
    std::vector<songcore::MbRelease> found;
    std::vector<CCDDBQueryResult> discs;
    int best = -1;
    RunWithProgress(this, windowTitle(), 0, [&](ProgressState& state) {
        if (!songsRead_) {
            for (const std::string& path : paths_) {
                state.Report(0, path);
                songcore::LookupSong song;
                if (songcore::ReadLookupSong(path, song)) {
                    songs_.push_back(std::move(song));
                } else {
                    unreadable_.push_back(path);
                }
            }
            songsRead_ = true;
        }
        if (songs_.empty() || state.Cancelled()) {
            return;
        }
        state.Report(0, tr("Searching ...").toStdString());
        if (source == kMusicBrainz) {
            songcore::MusicBrainz service(songcore::MusicBrainz::ConfiguredServer(),
                                          [&state] { return !state.Cancelled(); });
            const songcore::AlbumQuery query = songcore::QueryForSongs(songs_);
            if (!service.SearchReleases(query.album, query.artist, query.trackCount, found,
                                        failure)) {
                return;
            }
            best = songcore::ChooseRelease(found, songs_.size());
            if (best < 0) {
                failure = "MusicBrainz knows no release of that album";
            }
            return;
        }
        songcore::CddbClient client;
        CCDDBSite site;
        failure = songcore::UseConfiguredCddb(client, site);
        if (!failure.empty()) {
            return;
        }
        std::vector<double> lengths;
        for (size_t index : DiscOrder()) {
            lengths.push_back(songs_[index].match.lengthSeconds);
        }
        std::vector<CCDDBTrackPosition> toc = songcore::TocFromLengths(lengths);
        if (toc.empty()) {
            failure = "the songs' lengths are not those of a CD";
            return;
        }
        const int matched = client.Query(site, client.ComputeDiscID(toc), toc, discs);
        if (!matched) {
            failure = client.GetLastError() != 0
                          ? site.GetHost() + ": " + songcore::CddbFailureText(client)
                          : "the CD database knows no disc of these songs' lengths";
            return;
        }
        best = 0;
    });
    searchedSource_ = source;
    failure_ = failure;
    found_ = std::move(found);
    discs_ = std::move(discs);
    {
        const QSignalBlocker quiet(releases_);
        for (const songcore::MbRelease& release : found_) {
            releases_->addItem(ReleaseLine(release));
        }
        for (const CCDDBQueryResult& disc : discs_) {
            releases_->addItem(DiscLine(disc));
        }
        releases_->setCurrentIndex(best);
    }
    if (best >= 0) {
        TakeRelease(best);
    } else {
        ShowPreview();
    }
}

void LookupDialog::TakeRelease(int index) {
    if (index < 0) {
        return;
    }
    plan_.clear();
    cover_.reset();
    coverWhy_.clear();
    failure_.clear();
    const bool fromDisc = searchedSource_ == kCdDatabase;
    const std::string coverSize = CAppRegKey().GetCoverSize();
    songcore::MbRelease release;
    CCDDBRecord record;
    std::optional<songcore::Picture> cover;
    std::string failure, coverWhy;
    RunWithProgress(this, windowTitle(), 0, [&](ProgressState& state) {
        auto keepGoing = [&state] { return !state.Cancelled(); };
        if (fromDisc) {
            songcore::CddbClient client;
            CCDDBSite site;
            failure = songcore::UseConfiguredCddb(client, site);
            const CCDDBQueryResult& disc = discs_[static_cast<size_t>(index)];
            if (failure.empty() &&
                !client.Read(site, disc.GetDiscID(), disc.GetCategory(), record)) {
                failure = site.GetHost() + ": " + songcore::CddbFailureText(client);
            }
            return;
        }
        songcore::MusicBrainz service(songcore::MusicBrainz::ConfiguredServer(), keepGoing);
        if (!service.LookupRelease(found_[static_cast<size_t>(index)].id, release, failure)) {
            return;
        }
        std::optional<songcore::CoverSize> size = songcore::ParseCoverSize(coverSize);
        songcore::Picture picture;
        if (!size) {
            coverWhy = "no cover is fetched (Cover Size under [Online] in the settings)";
        } else if (songcore::FetchFrontCover(CAppRegKey().GetCoverArtServer(), release.id, *size,
                                             picture, coverWhy, keepGoing)) {
            cover = std::move(picture);
        }
    });
    failure_ = failure;
    if (failure_.empty()) {
        if (fromDisc) {
            record_ = std::move(record);
            PlanFromDisc();
        } else {
            release_ = std::move(release);
            cover_ = std::move(cover);
            coverWhy_ = coverWhy;
            PlanFromRelease();
        }
    }
    ShowPreview();
}

void LookupDialog::PlanFromRelease() {
    plan_ = songcore::PlanLookupChanges(songs_, release_);
}

std::vector<size_t> LookupDialog::DiscOrder() const {
    std::vector<size_t> order(songs_.size());
    std::iota(order.begin(), order.end(), size_t{0});
    const bool numbered = std::all_of(songs_.begin(), songs_.end(),
                                      [](const auto& song) { return song.match.track > 0; });
    if (numbered) {
        std::stable_sort(order.begin(), order.end(), [this](size_t a, size_t b) {
            const songcore::SongToMatch& x = songs_[a].match;
            const songcore::SongToMatch& y = songs_[b].match;
            return std::make_pair(x.disc, x.track) < std::make_pair(y.disc, y.track);
        });
    }
    return order;
}

void LookupDialog::PlanFromDisc() {
    plan_.assign(songs_.size(), {});
    const std::vector<size_t> order = DiscOrder();
    for (size_t position = 0; position < order.size(); ++position) {
        if (position >= record_.GetTrackTitles().size()) {
            break;  // the disc has fewer tracks than there are songs
        }
        songcore::SongLookupChanges& song = plan_[order[position]];
        song.match = {0, static_cast<int>(position), 1.0};
        for (auto& [field, value] : songcore::FieldsFromCddbTrack(record_, position)) {
            if (songs_[order[position]].fields.Text(field) != value) {
                song.changes.emplace_back(field, std::move(value));
            }
        }
    }
}

void LookupDialog::ShowPreview() {
    const bool fromDisc = searchedSource_ == kCdDatabase;
    preview_->clear();
    preview_->setHeaderLabels({tr("Song / Field"), tr("Now"),
                               source_->currentIndex() == kCdDatabase ? tr("From the CD database")
                                                                      : tr("From MusicBrainz")});
    releases_->setEnabled(releases_->count() > 1);
    details_->clear();
    if (!plan_.empty() && !fromDisc) {
        details_->setText(
            tr("%1 — %2, released %3 in %4, %n tracks, %5", nullptr, release_.trackCount)
                .arg(Text(release_.title), Text(release_.artist),
                     release_.date.empty() ? tr("(no date)") : Text(release_.date),
                     release_.country.empty() ? tr("(no country)") : Text(release_.country),
                     Text(release_.id)));
    } else if (!plan_.empty()) {
        QStringList parts{Text(record_.GetTitle()) + " — " + Text(record_.GetArtist())};
        for (const std::string& part : {record_.GetYear(), record_.GetGenre()}) {
            if (!part.empty()) {
                parts << Text(part);
            }
        }
        parts << tr("%n tracks", nullptr, static_cast<int>(record_.GetTrackTitles().size()));
        details_->setText(parts.join(", "));
    }
    int matched = 0;
    for (size_t i = 0; i < plan_.size(); ++i) {
        const songcore::SongLookupChanges& song = plan_[i];
        auto* row = new QTreeWidgetItem(preview_);
        row->setText(kName, QFileInfo(Text(songs_[i].path)).fileName());
        row->setToolTip(kName, Text(songs_[i].path));
        row->setData(kName, kSongRole, static_cast<int>(i));
        if (song.match.medium < 0) {
            row->setText(kNow, tr("no track fits it; left alone"));
            row->setFlags(row->flags() & ~Qt::ItemIsEnabled);
            continue;
        }
        ++matched;
        const int confidence = static_cast<int>(std::lround(song.match.confidence * 100));
        row->setText(kNow, fromDisc ? tr("track %1 of the disc").arg(song.match.track + 1)
                                    : tr("%1% sure").arg(confidence));
        if (song.changes.empty()) {
            row->setText(kNew, tr("nothing to change"));
        }
        for (size_t f = 0; f < song.changes.size(); ++f) {
            const auto& [field, value] = song.changes[f];
            auto* change = new QTreeWidgetItem(row);
            change->setText(kName, tr(songcore::InfoOf(field).label));
            change->setText(kNow, Text(songs_[i].fields.Text(field)));
            change->setText(kNew, Text(value));
            change->setData(kName, kFieldRole, static_cast<int>(f));
            change->setFlags(change->flags() | Qt::ItemIsUserCheckable);
            change->setCheckState(kName, Qt::Checked);
        }
        // The song's box ticks and unticks all its fields.
        row->setFlags(row->flags() | Qt::ItemIsUserCheckable | Qt::ItemIsAutoTristate);
        row->setCheckState(kName, Qt::Checked);
    }
    preview_->expandAll();
    preview_->resizeColumnToContents(kName);
    preview_->resizeColumnToContents(kNow);
    ShowCover();

    QStringList lines;
    if (!failure_.empty()) {
        lines << Text(failure_);
    } else if (searchedSource_ < 0) {
        lines << tr("Press Look Up to search.");
    } else if (!plan_.empty()) {
        lines << tr("%1 of %2 songs matched; nothing is written before Write Tags.")
                     .arg(matched)
                     .arg(plan_.size());
    }
    for (const std::string& path : unreadable_) {
        lines << tr("%1: cannot read its tags; left out").arg(Text(path));
    }
    summary_->setText(lines.join('\n'));
    write_->setEnabled(matched > 0);
    (matched > 0 ? write_ : lookUp_)->setDefault(true);
}

void LookupDialog::ShowCover() {
    coverImage_->clear();
    coverChoice_->setEnabled(cover_.has_value());
    coverChoice_->setChecked(cover_.has_value());
    coverChoice_->setVisible(searchedSource_ == kMusicBrainz && !plan_.empty());
    coverImage_->setVisible(coverChoice_->isVisible());
    if (!cover_) {
        coverChoice_->setText(tr("No front cover: %1").arg(Text(coverWhy_)));
        return;
    }
    QPixmap image;
    if (image.loadFromData(reinterpret_cast<const uchar*>(cover_->data.data()),
                           static_cast<uint>(cover_->data.size()))) {
        coverImage_->setPixmap(
            image.scaled(coverImage_->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
    }
    coverChoice_->setText(tr("Write the release's front cover into every song (%1, %2 KB)")
                              .arg(Text(cover_->mime))
                              .arg(std::max<size_t>(1, cover_->data.size() / 1024)));
}

void LookupDialog::Write() {
    struct SongWrite {
        std::string path;
        songcore::LookupWrite write;
    };
    std::vector<SongWrite> writes;
    const bool withCover = cover_ && coverChoice_->isChecked();
    const bool fromDisc = searchedSource_ == kCdDatabase;
    for (int r = 0; r < preview_->topLevelItemCount(); ++r) {
        QTreeWidgetItem* row = preview_->topLevelItem(r);
        const size_t song = static_cast<size_t>(row->data(kName, kSongRole).toInt());
        const songcore::SongLookupChanges& plan = plan_[song];
        if (plan.match.medium < 0 || row->checkState(kName) == Qt::Unchecked) {
            continue;
        }
        songcore::LookupWrite write;
        for (int c = 0; c < row->childCount(); ++c) {
            QTreeWidgetItem* change = row->child(c);
            if (change->checkState(kName) == Qt::Checked) {
                write.changes.push_back(
                    plan.changes[static_cast<size_t>(change->data(kName, kFieldRole).toInt())]);
            }
        }
        if (!fromDisc) {
            write.cover = withCover ? &*cover_ : nullptr;
            write.release = &release_;
            write.medium = plan.match.medium;
            write.track = plan.match.track;
        }
        writes.push_back({songs_[song].path, std::move(write)});
    }
    std::vector<std::string> paths;
    for (const SongWrite& song : writes) {
        paths.push_back(song.path);
    }
    outcome_ = RunSongWritesWithProgress(
        this, windowTitle(), "Look Up Album Online", paths,
        [&writes](size_t index, songcore::EditOperation& operation) {
            std::string reason;
            for (const std::string& failure :
                 songcore::WriteLookupResult(writes[index].path, writes[index].write, operation)) {
                reason += (reason.empty() ? "" : "; ") + failure;
            }
            return reason;
        });
    accept();
}
