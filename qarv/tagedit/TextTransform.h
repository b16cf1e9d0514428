#pragma once
// TextTransform: a change made to a field's value in many songs at once:
// every match of a text (or of a regular expression, whose replacement may
// name its groups as \1, \2, ...) replaced, then the letter case changed.
// Unicode throughout: "élan vital" in Title Case is "Élan Vital". Title
// Case may keep English small words ("of", "the", ...) in lower case, as
// titles are usually written: "Songs of the Sea".

#include <QRegularExpression>
#include <QString>

class TextTransform {
public:
    enum class Case { kKeep, kTitle, kLower, kUpper, kSentence };

    TextTransform() = default;
    // smallWordsLower: in Title Case, the small words stay lower case but
    // for the first and the last word and a word after a colon or a dash.
    TextTransform(QString find, QString replace, bool regex, Case letterCase,
                  bool smallWordsLower = false);

    // Why the expression cannot be used (with where it fails); empty when
    // it can.
    QString Problem() const;
    // Changes nothing at all.
    bool IsNone() const { return find_.isEmpty() && case_ == Case::kKeep; }
    // The text changed; text itself while Problem() is not empty.
    QString Apply(const QString& text) const;

    // The names of the case changes, in the order of Case.
    static QStringList CaseNames();

private:
    QString find_;
    QString replace_;
    bool regex_ = false;
    Case case_ = Case::kKeep;
    bool smallWordsLower_ = false;
    QRegularExpression expression_;
};
