// The "About Upgrade" box: the program's name and its version (string 102), opened from the sheet's
// About button. Modal, window thread.
#pragma once

#include <QDialog>

class QLabel;

class AboutDialog : public QDialog {
    Q_OBJECT

public:
    explicit AboutDialog(QWidget* parent = nullptr);

    // The version label's text.
    QString versionText() const;

private:
    QLabel* version_ = nullptr;
};
