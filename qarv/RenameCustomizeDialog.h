#pragma once
// "Rename Customize": the user's own Rename As pattern, with the tokens it
// may hold shown beside it. OK keeps it (trimmed) as the "RenameAs" setting.

#include <QDialog>

class QLineEdit;

class RenameCustomizeDialog : public QDialog {
    Q_OBJECT
public:
    explicit RenameCustomizeDialog(QWidget* parent = nullptr);
    QLineEdit* VariantEdit() const { return variant_; }
    // The pattern as OK stores it.
    QString Pattern() const;
    void Store();
    // The tokens, one a line.
    static QString TokensText();

private:
    QLineEdit* variant_;
};
