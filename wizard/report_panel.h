// ReportPanel: the upgrade report at a glance, in a panel of its own under a page's described texts
// (the download status page and the upgrade summary): the items per kind, the findings by severity
// with every high one spelled out, and a button that opens report.html in the desktop's browser.
// Hidden until a report is shown. Window thread.
#pragma once

#include <QGroupBox>
#include <QString>
#include <QUrl>

#include <functional>
#include <string>

class QLabel;
class QListWidget;
class QPushButton;
struct UpgradeReport;

class ReportPanel : public QGroupBox {
    Q_OBJECT

public:
    explicit ReportPanel(QWidget* parent);

    // Shows report (its files in workingDirectory); null hides the panel.
    void showReport(const UpgradeReport* report, const std::string& workingDirectory);

    // How the button opens a file; by default QDesktopServices::openUrl. Tests replace it.
    void setOpener(std::function<bool(const QUrl&)> opener) { opener_ = std::move(opener); }

    QLabel* countsLabel() const { return counts_; }
    QLabel* findingsLabel() const { return findings_; }
    QListWidget* highFindings() const { return high_; }
    QPushButton* openButton() const { return open_; }
    const QUrl& reportUrl() const { return url_; }

private:
    void openReport();

    QLabel* counts_ = nullptr;
    QLabel* findings_ = nullptr;
    QListWidget* high_ = nullptr;
    QPushButton* open_ = nullptr;
    QUrl url_;
    std::function<bool(const QUrl&)> opener_;
};
