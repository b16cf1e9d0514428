#pragma once
// CoverBox: the pictures of the song in the tag editor. It shows the front
// cover (or the first picture) and lets the user add or replace it from an
// image file (a button, or by dropping the file on it), remove it, or save it
// as a file. The changes are kept until the dialog's Update writes them.

#include <QGroupBox>
#include <functional>
#include <vector>

#include "songcore/tags/Picture.h"

class QLabel;
class QListWidget;
class QPushButton;

class CoverBox : public QGroupBox {
    Q_OBJECT
public:
    explicit CoverBox(QWidget* parent = nullptr);

    // The song's pictures as read; nothing changed yet. problem, when not
    // empty, says why they could not be read, and the box is disabled.
    void SetPictures(std::vector<songcore::Picture> pictures, const QString& problem = {});
    const std::vector<songcore::Picture>& Pictures() const { return pictures_; }
    bool IsChanged() const { return changed_; }
    // The picture shown: the one chosen in the list of pictures, else the
    // first front cover, else the first; -1 for none.
    int ShownIndex() const;
    // Every picture of the song with its role and description; choosing
    // one shows it, and Replace, Remove and Save As act on it.
    QListWidget* PictureList() const { return list_; }

    // The image file put in place of the shown picture, or added as the
    // front cover when there is none. False (and why) when it is no image.
    bool PutImageFile(const QString& path, QString* why = nullptr);
    void RemoveShown();
    bool SaveShownAs(const QString& path, QString* why = nullptr);
    QString Caption() const;

    // The file dialogs; the tests put their own answers in their place.
    std::function<QString()> askImageFile;
    std::function<QString(const QString& suggestion)> askSavePath;

Q_SIGNALS:
    void changed();

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void Show();
    void Report(const QString& text, const QString& why);

    std::vector<songcore::Picture> pictures_;
    bool changed_ = false;
    int chosen_ = -1;
    QLabel* image_ = nullptr;
    QLabel* caption_ = nullptr;
    QListWidget* list_ = nullptr;
    QPushButton* put_ = nullptr;
    QPushButton* remove_ = nullptr;
    QPushButton* save_ = nullptr;
};
