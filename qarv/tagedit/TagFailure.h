#pragma once
// How the tag editor tells of a failure: a message box with the error icon,
// titled "Failed", whose text says what failed ("Update ID3v2 tag failed!")
// and whose detail says on which file and why. Tests put a recorder in the
// place of the box.

#include <QString>
#include <functional>

class QWidget;

using TagFailureReporter =
    std::function<void(QWidget* parent, const QString& text, const QString& detail)>;

// An empty reporter puts the message box back.
void SetTagFailureReporter(TagFailureReporter reporter);
void ReportTagFailure(QWidget* parent, const QString& text, const QString& detail);
// The same for an outcome that is not a failure: every file was written, but
// something the user asked for had no place. The box has the warning icon
// and says so in its title.
void ReportTagWarning(QWidget* parent, const QString& text, const QString& detail);
