#include "qarv/tagedit/TextTransform.h"

#include <QCoreApplication>

namespace {

// Letters and digits make words; an apostrophe inside a word ("don't",
// "l'amour") does not end it.
bool InWord(const QString& text, qsizetype at) {
    const QChar c = text[at];
    if (c.isLetterOrNumber()) {
        return true;
    }
    const bool apostrophe = c == u'\'' || c == u'\u2019';
    return apostrophe && at > 0 && at + 1 < text.size() && text[at - 1].isLetterOrNumber() &&
           text[at + 1].isLetterOrNumber();
}

bool IsSmallWord(const QString& word) {
    static const QStringList small = {"a",   "an", "and", "as", "at",  "but", "by", "for", "in",
                                      "nor", "of", "on",  "or", "the", "to",  "vs", "via"};
    return small.contains(word.toLower());
}

// Whether the word starting at `at` follows a colon or a dash (not a
// hyphen inside a word: "Up-to-Date" keeps its small word).
bool AfterBreak(const QString& text, qsizetype at) {
    qsizetype before = at - 1;
    while (before >= 0 && text[before].isSpace()) {
        --before;
    }
    if (before < 0) {
        return false;
    }
    const QChar c = text[before];
    if (c == u':' || c == u'\u2013' || c == u'\u2014') {
        return true;
    }
    return c == u'-' && (before + 1 < at || (before > 0 && text[before - 1].isSpace()));
}

// Upper case for the first letter of each word, lower for the others; the
// small words all lower when smallWordsLower, but where a title starts.
QString TitleCase(const QString& text, bool smallWordsLower) {
    QString out;
    out.reserve(text.size());
    bool first = true;
    qsizetype at = 0;
    while (at < text.size()) {
        if (!InWord(text, at)) {
            out += text[at++];
            continue;
        }
        qsizetype end = at;
        while (end < text.size() && InWord(text, end)) {
            ++end;
        }
        const QString word = text.mid(at, end - at);
        bool last = true;
        for (qsizetype rest = end; rest < text.size() && last; ++rest) {
            last = !InWord(text, rest);
        }
        if (smallWordsLower && !first && !last && IsSmallWord(word) && !AfterBreak(text, at)) {
            out += word.toLower();
        } else {
            out += word.left(1).toUpper() + word.mid(1).toLower();
        }
        first = false;
        at = end;
    }
    return out;
}

// Lower case but for the first letter of the text and of each sentence
// after a full stop, question or exclamation mark.
QString SentenceCase(const QString& text) {
    QString out = text.toLower();
    bool sentenceStart = true;
    for (qsizetype at = 0; at < out.size(); ++at) {
        const QChar c = out[at];
        if (c.isLetter() && sentenceStart) {
            out.replace(at, 1, out.mid(at, 1).toUpper());
            sentenceStart = false;
        } else if (c == u'.' || c == u'!' || c == u'?') {
            sentenceStart = true;
        } else if (c.isLetterOrNumber()) {
            sentenceStart = false;
        }
    }
    return out;
}

}  // namespace

TextTransform::TextTransform(QString find, QString replace, bool regex, Case letterCase,
                             bool smallWordsLower)
    : find_(std::move(find)),
      replace_(std::move(replace)),
      regex_(regex),
      case_(letterCase),
      smallWordsLower_(smallWordsLower) {
    if (regex_) {
        expression_.setPattern(find_);
        expression_.setPatternOptions(QRegularExpression::UseUnicodePropertiesOption);
    }
}

QString TextTransform::Problem() const {
    if (!regex_ || find_.isEmpty() || expression_.isValid()) {
        return {};
    }
    return QCoreApplication::translate("TextTransform", "%1 (at character %2)")
        .arg(expression_.errorString())
        .arg(expression_.patternErrorOffset() + 1);
}

QString TextTransform::Apply(const QString& text) const {
    if (!Problem().isEmpty()) {
        return text;
    }
    QString out = text;
    if (!find_.isEmpty()) {
        if (regex_) {
            out.replace(expression_, replace_);
        } else {
            out.replace(find_, replace_, Qt::CaseSensitive);
        }
    }
    switch (case_) {
        case Case::kKeep:
            return out;
        case Case::kTitle:
            return TitleCase(out, smallWordsLower_);
        case Case::kLower:
            return out.toLower();
        case Case::kUpper:
            return out.toUpper();
        case Case::kSentence:
            return SentenceCase(out);
    }
    return out;
}

QStringList TextTransform::CaseNames() {
    auto tr = [](const char* text) { return QCoreApplication::translate("TextTransform", text); };
    return {tr("Keep case"), tr("Title Case"), tr("lower case"), tr("UPPER CASE"),
            tr("Sentence case")};
}
