#include "qarv/tagedit/TagFailure.h"

#include <QMessageBox>

namespace {

TagFailureReporter& Reporter() {
    static TagFailureReporter reporter;
    return reporter;
}

}  // namespace

void SetTagFailureReporter(TagFailureReporter reporter) {
    Reporter() = std::move(reporter);
}

void ReportTagFailure(QWidget* parent, const QString& text, const QString& detail) {
    if (Reporter()) {
        Reporter()(parent, text, detail);
        return;
    }
    QMessageBox box(QMessageBox::Critical, QObject::tr("Failed"), text, QMessageBox::Ok, parent);
    box.setInformativeText(detail);
    box.exec();
}
