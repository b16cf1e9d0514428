#pragma once
// "Repair Text Encoding": finds the selected songs' tag text that was read
// in the wrong encoding (a Cyrillic ID3v1 tag shown as "Çâåçäà", UTF-8
// shown as "Ã©") and writes it again as Unicode. The songs are judged by
// folder; each folder offers its candidate encodings, most likely first,
// and the preview shows every field before and after before anything is
// written. The repair is one edit of the history, undone as one.

#include <QDialog>
#include <string>
#include <vector>

#include "songcore/edit/EncodingRepair.h"

class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;

class RepairEncodingDialog : public QDialog {
    Q_OBJECT
public:
    RepairEncodingDialog(const std::vector<std::string>& paths, QWidget* parent);

    // One box per folder whose songs have text in doubt, in folder order.
    const std::vector<QComboBox*>& EncodingBoxes() const { return boxes_; }
    QTableWidget* Preview() const { return preview_; }
    QPushButton* ApplyButton() const { return apply_; }
    // The edits Apply writes: the fields each folder's choice changes.
    const std::vector<songcore::BatchItem>& Items() const { return items_; }
    const songcore::BatchOutcome& Outcome() const { return outcome_; }
    void Apply();

private:
    void UpdatePreview();

    std::vector<songcore::RepairFolder> folders_;  // those with a box
    std::vector<QComboBox*> boxes_;
    QTableWidget* preview_ = nullptr;
    QLabel* summary_ = nullptr;
    QPushButton* apply_ = nullptr;
    std::vector<songcore::BatchItem> items_;
    songcore::BatchOutcome outcome_;
};
