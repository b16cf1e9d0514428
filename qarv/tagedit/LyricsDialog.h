#pragma once
// The lyrics of a song, edited apart from its tag dialog: loaded from and
// saved to text files (or a text file dropped on the edit), cleared, and put
// back as they were. Accepting hands the text to the tag dialog, which writes
// it with the tag.

#include <QDialog>
#include <QString>

class QPlainTextEdit;
class QPushButton;

class LyricsDialog : public QDialog {
    Q_OBJECT
public:
    LyricsDialog(const QString& lyrics, QWidget* parent);
    QString Lyrics() const;
    QPlainTextEdit* Editor() const { return edit_; }

    // Loads a text file into the edit; false with the message shown when it
    // cannot be read. Also used for a dropped file.
    bool Load(const QString& path);
    bool Save(const QString& path);

private:
    void UpdateButtons();

    QString original_;
    QPlainTextEdit* edit_ = nullptr;
    QPushButton* save_ = nullptr;
    QPushButton* clear_ = nullptr;
};
