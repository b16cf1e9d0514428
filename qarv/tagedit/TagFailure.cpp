#include "qarv/tagedit/TagFailure.h"

#include <QMessageBox>

#include "qarv/MessageBoxWidth.h"

namespace {

TagFailureReporter& Reporter() {
    static TagFailureReporter reporter;
    return reporter;
}

void ShowBox(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text,
             const QString& detail) {
    if (Reporter()) {
        Reporter()(parent, text, detail);
        return;
    }
    QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
    FitTitle(box);
    // A long list (a batch's failures) shows its start; the rest is a
    // click away.
    const QStringList lines = detail.split('\n');
    constexpr int kShownLines = 10;
    if (lines.size() > kShownLines) {
        box.setInformativeText(lines.mid(0, kShownLines).join('\n') + "\n...");
        box.setDetailedText(detail);
    } else {
        box.setInformativeText(detail);
    }
    box.exec();
}

}  // namespace

void SetTagFailureReporter(TagFailureReporter reporter) {
    Reporter() = std::move(reporter);
}

void ReportTagFailure(QWidget* parent, const QString& text, const QString& detail) {
    ShowBox(parent, QMessageBox::Critical, QObject::tr("Failed"), text, detail);
}

void ReportTagWarning(QWidget* parent, const QString& text, const QString& detail) {
    ShowBox(parent, QMessageBox::Warning, QObject::tr("Not every field was written"), text, detail);
}
