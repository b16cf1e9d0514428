#pragma once
// The About box: the program's name and version, its makers and links.

#include <QDialog>

class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);
    static QString CreditsText();
};
