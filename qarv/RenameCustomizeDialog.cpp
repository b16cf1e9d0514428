#include "qarv/RenameCustomizeDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QVBoxLayout>

#include "songcore/rename/NameTokens.h"
#include "songcore/settings/AppRegKey.h"

QString RenameCustomizeDialog::TokensText() {
    return QStringLiteral(
               "%TITLE => Song's Title\n%ARTIST => Song's Artist\n%ALBUM => Song's Ablum\n"
               "%GENRE => Song's Genre\n%YEAR => Song's Year\n") +
           QString::fromUtf8(songcore::kNameTokensHelp);
}

RenameCustomizeDialog::RenameCustomizeDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("Rename Customize"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    variant_ =
        new QLineEdit(QString::fromStdString(CAppRegKey().GetRenameAsCustomizeString()), this);
    variant_->setMinimumWidth(320);
    form->addRow(tr("&Variant:"), variant_);
    auto* tokens = new QLabel(TokensText(), this);
    tokens->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form->addRow(QString(), tokens);
    layout->addLayout(form);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        // A mistyped token is told now, not once per song after the run.
        std::string problem = songcore::NamePatternProblem(Pattern().toStdString());
        if (!problem.empty()) {
            QMessageBox::warning(this, windowTitle(), QString::fromStdString(problem));
            return;
        }
        Store();
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

QString RenameCustomizeDialog::Pattern() const {
    return variant_->text().trimmed();
}

void RenameCustomizeDialog::Store() {
    CAppRegKey().SetRenameAsCustomizeString(Pattern().toStdString().c_str());
}
