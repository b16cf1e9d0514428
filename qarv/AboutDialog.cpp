#include "qarv/AboutDialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "qarv/AppInfo.h"

QString AboutDialog::CreditsText() {
    return tr("<h3>%1</h3><p>A manager and tag editor for your music collection.</p>"
              "<p>%2</p><p>Support: <a href=\"%3\">%3</a><br>Home page: <a href=\"%4\">%4</a></p>"
              "<p>Built with Qt %5.</p>")
        .arg(AppInfo::NameWithVersion().toHtmlEscaped(), AppInfo::Maker().toHtmlEscaped(),
             AppInfo::SupportUrl(), AppInfo::HomeUrl(), QString::fromLatin1(qVersion()));
}

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("About") + QStringLiteral(" ") + AppInfo::NameWithVersion());
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    auto* icon = new QLabel(this);
    icon->setPixmap(windowIcon().pixmap(64, 64));
    icon->setAlignment(Qt::AlignTop);
    top->addWidget(icon);
    auto* text = new QLabel(CreditsText(), this);
    text->setOpenExternalLinks(true);
    text->setTextFormat(Qt::RichText);
    top->addWidget(text, 1);
    layout->addLayout(top);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}
