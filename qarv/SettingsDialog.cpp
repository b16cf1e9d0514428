#include "qarv/SettingsDialog.h"

#include <algorithm>

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QVBoxLayout>

#include "songcore/cddb/CddbClient.h"
#include "songcore/rename/NameTokens.h"
#include "songcore/settings/AppRegKey.h"
#include "songcore/tags/OldPlayerTags.h"
#include "songcore/util/Codepage.h"

namespace {

// The code pages old taggers wrote 8-bit tags in, as ICU names them.
const std::pair<QString, const char*> kLegacyEncodings[] = {
    {QStringLiteral("ISO-8859-1"), "Western, as the tag formats define it"},
    {QStringLiteral("windows-1252"), "Western, Windows"},
    {QStringLiteral("windows-1250"), "Central European"},
    {QStringLiteral("windows-1251"), "Cyrillic"},
    {QStringLiteral("KOI8-R"), "Russian"},
    {QStringLiteral("windows-1253"), "Greek"},
    {QStringLiteral("windows-1254"), "Turkish"},
    {QStringLiteral("windows-1257"), "Baltic"},
    {QStringLiteral("GBK"), "Simplified Chinese"},
    {QStringLiteral("Big5"), "Traditional Chinese"},
    {QStringLiteral("Shift_JIS"), "Japanese"},
    {QStringLiteral("EUC-KR"), "Korean"},
};

}  // namespace

QString SettingsDialog::PatternTokensText() {
    return tr(
        "%TITLE: title, %ARTIST: artist, %ALBUM: album, %GENRE: genre, %YEAR: year, "
        "%ALBUMARTIST: album artist, %TRACK: track number in two digits (%TRACK1, "
        "%TRACK3: other widths), %DISC: disc number (%DISC2: two digits), "
        "%EXT: extension");
}

SettingsDialog::SettingsDialog(QWidget* parent, const std::vector<CMCIWnd::AudioDevice>& devices)
    : QDialog(parent) {
    setWindowTitle(tr("Settings"));
    CAppRegKey settings;
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    copyTo_ = new QLineEdit(QString::fromStdString(settings.GetCopyToFileNameFormat()), this);
    form->addRow(tr("<Copy To> filename format:"), copyTo_);
    auto* tokens = new QLabel(PatternTokensText(), this);
    tokens->setWordWrap(true);
    tokens->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form->addRow(QString(), tokens);
    audioOutput_ = new QComboBox(this);
    audioOutput_->addItem(tr("automatic"), QStringLiteral("auto"));
    for (const CMCIWnd::AudioDevice& device : devices) {
        if (device.name == "auto") {
            continue;
        }
        audioOutput_->addItem(
            QStringLiteral("%1 (%2)").arg(QString::fromStdString(device.description),
                                          QString::fromStdString(device.name)),
            QString::fromStdString(device.name));
    }
    const QString chosen = QString::fromStdString(settings.GetAudioDevice());
    int index = audioOutput_->findData(chosen);
    if (index < 0) {
        // A device that is not there now (unplugged) stays chosen.
        audioOutput_->addItem(tr("%1 (not available)").arg(chosen), chosen);
        index = audioOutput_->count() - 1;
    }
    audioOutput_->setCurrentIndex(index);
    form->addRow(tr("&Audio output:"), audioOutput_);
    replayGain_ = new QComboBox(this);
    replayGain_->addItem(tr("each song's own (track gain)"), QStringLiteral("track"));
    replayGain_->addItem(tr("the album's (album gain)"), QStringLiteral("album"));
    replayGain_->addItem(tr("as recorded (no gain)"), QStringLiteral("no"));
    replayGain_->setCurrentIndex(
        std::max(0, replayGain_->findData(QString::fromStdString(settings.GetReplayGain()))));
    form->addRow(tr("&Loudness (ReplayGain):"), replayGain_);
    legacyEncoding_ = new QComboBox(this);
    for (const auto& [name, label] : kLegacyEncodings) {
        legacyEncoding_->addItem(QStringLiteral("%1 (%2)").arg(name, tr(label)), name);
    }
    const QString encoding = QString::fromStdString(settings.GetLegacyEncoding());
    if (legacyEncoding_->findData(encoding) < 0) {
        legacyEncoding_->addItem(encoding, encoding);
    }
    legacyEncoding_->setCurrentIndex(legacyEncoding_->findData(encoding));
    legacyEncoding_->setToolTip(
        tr("The code page that ID3v1 tags and ID3v2 texts marked "
           "ISO-8859-1 are read and written in"));
    form->addRow(tr("&Legacy tag encoding:"), legacyEncoding_);
    oldPlayers_ =
        new QCheckBox(tr("&Write ID3v1 tags in this code page too, for old players"), this);
    oldPlayers_->setChecked(settings.GetOldPlayerTags() != 0);
    form->addRow(QString(), oldPlayers_);
    coverSize_ = new QComboBox(this);
    coverSize_->addItem(tr("500 pixels"), QStringLiteral("500"));
    coverSize_->addItem(tr("1200 pixels"), QStringLiteral("1200"));
    coverSize_->addItem(tr("as large as it is"), QStringLiteral("original"));
    coverSize_->addItem(tr("none"), QStringLiteral("none"));
    coverSize_->setCurrentIndex(
        std::max(0, coverSize_->findData(QString::fromStdString(settings.GetCoverSize()))));
    form->addRow(tr("Looked-up &cover size:"), coverSize_);
    cddbServer_ = new QLineEdit(QString::fromStdString(settings.GetCddbServer()), this);
    cddbServer_->setToolTip(tr("HOST or HOST:PORT of the CD database albums are looked up in"));
    form->addRow(tr("CD &database:"), cddbServer_);
    cddbEmail_ = new QLineEdit(QString::fromStdString(settings.GetCddbEmail()), this);
    cddbEmail_->setPlaceholderText(tr("you@example.org"));
    cddbEmail_->setToolTip(
        tr("The CD database is told this address; the public one answers "
           "no program without one"));
    form->addRow(tr("Your &e-mail for it:"), cddbEmail_);
    layout->addLayout(form);
    askWhenExit_ = new QCheckBox(tr("&Ask when exit application"), this);
    askWhenExit_->setChecked(settings.AskWhenExitApp() != 0);
    layout->addWidget(askWhenExit_);
    minimizeToTray_ = new QCheckBox(tr("&Minimize to system tray"), this);
    minimizeToTray_->setChecked(settings.MinimizeToTray() != 0);
    layout->addWidget(minimizeToTray_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        std::string problem = songcore::NamePatternProblem(copyTo_->text().toStdString());
        if (!problem.empty()) {
            QMessageBox::warning(this, windowTitle(), QString::fromStdString(problem));
            copyTo_->setFocus();
            return;
        }
        std::string user, host;
        const std::string email = cddbEmail_->text().trimmed().toStdString();
        if (!email.empty() && !songcore::SplitEmail(email, user, host)) {
            QMessageBox::warning(this, windowTitle(),
                                 tr("Not an e-mail address: %1").arg(cddbEmail_->text()));
            cddbEmail_->setFocus();
            return;
        }
        songcore::CddbEndpoint endpoint;
        if (!songcore::ParseCddbEndpoint(cddbServer_->text().trimmed().toStdString(), endpoint)) {
            QMessageBox::warning(this, windowTitle(),
                                 tr("Not HOST or HOST:PORT: %1").arg(cddbServer_->text()));
            cddbServer_->setFocus();
            return;
        }
        Store();
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

void SettingsDialog::ApplyTagEncodings() {
    CAppRegKey settings;
    const std::string encoding = settings.GetLegacyEncoding();
    songcore::SetLegacyEncoding(encoding);
    songcore::SetOldPlayerCodepage(
        settings.GetOldPlayerTags() ? std::optional<std::string>(encoding) : std::nullopt);
}

void SettingsDialog::Store() {
    CAppRegKey settings;
    settings.SetAskWhenExitApp(askWhenExit_->isChecked() ? 1 : 0);
    settings.SetMinimizeToTray(minimizeToTray_->isChecked() ? 1 : 0);
    settings.SetAudioDevice(audioOutput_->currentData().toString().toStdString().c_str());
    settings.SetReplayGain(replayGain_->currentData().toString().toStdString().c_str());
    settings.SetLegacyEncoding(legacyEncoding_->currentData().toString().toStdString().c_str());
    settings.SetOldPlayerTags(oldPlayers_->isChecked() ? 1 : 0);
    settings.SetCoverSize(coverSize_->currentData().toString().toStdString().c_str());
    settings.SetCddbServer(cddbServer_->text().trimmed().toStdString().c_str());
    settings.SetCddbEmail(cddbEmail_->text().trimmed().toStdString().c_str());
    ApplyTagEncodings();
    // An empty pattern would name every copy "", so it is not taken.
    QString pattern = copyTo_->text();
    if (!pattern.isEmpty()) {
        settings.SetCopyToFileNameFormat(pattern.toStdString().c_str());
    }
}
