// The report panel.
#include "wizard/report_panel.h"

#include <QColor>
#include <QDesktopServices>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "report/report_files.h"
#include "report/report_summary.h"
#include "report/upgrade_report.h"

namespace {

QString fromLocal(const std::string& text) {
    return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}

// "Proxy rules 3 (2 converted, 1 dropped)" per kind with items, one line each.
QString countsText(const ReportSummary& summary) {
    QStringList lines;
    for (int kind = 0; kind < kItemKindCount; ++kind) {
        const KindCount& count = summary.counts[static_cast<std::size_t>(kind)];
        const std::size_t items = count.read + count.created;
        if (items == 0) continue;
        QStringList parts;
        if (count.converted != 0) parts << QStringLiteral("%1 converted").arg(count.converted);
        if (count.changed != 0) parts << QStringLiteral("%1 changed").arg(count.changed);
        if (count.dropped != 0) parts << QStringLiteral("%1 dropped").arg(count.dropped);
        if (count.created != 0) parts << QStringLiteral("%1 created").arg(count.created);
        const std::string_view title = itemKindTitle(static_cast<ItemKind>(kind));
        lines << QStringLiteral("%1 %2 (%3)")
                     .arg(QString::fromUtf8(title.data(), static_cast<qsizetype>(title.size())))
                     .arg(items)
                     .arg(parts.join(QStringLiteral(", ")));
    }
    return lines.join(QLatin1Char('\n'));
}

}  // namespace

ReportPanel::ReportPanel(QWidget* parent) : QGroupBox(QStringLiteral("Upgrade report"), parent) {
    setObjectName(QStringLiteral("reportPanel"));
    counts_ = new QLabel(this);
    counts_->setObjectName(QStringLiteral("reportCounts"));
    counts_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    findings_ = new QLabel(this);
    findings_->setObjectName(QStringLiteral("reportFindings"));
    findings_->setWordWrap(true);
    high_ = new QListWidget(this);
    high_->setObjectName(QStringLiteral("reportHighFindings"));
    high_->setWordWrap(true);
    high_->setSelectionMode(QAbstractItemView::NoSelection);
    open_ = new QPushButton(QStringLiteral("&Open the full report"), this);
    open_->setObjectName(QStringLiteral("reportOpen"));
    connect(open_, &QPushButton::clicked, this, &ReportPanel::openReport);

    counts_->setWordWrap(true);
    // The counts and the button on the left, the high findings taking the rest of the width.
    auto* left = new QVBoxLayout;
    left->addWidget(counts_);
    left->addWidget(findings_);
    left->addStretch(1);
    left->addWidget(open_, 0, Qt::AlignLeft);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 2);
    layout->addWidget(high_, 3);
    hide();
}

void ReportPanel::showReport(const UpgradeReport* report, const std::string& workingDirectory) {
    if (report == nullptr || workingDirectory.empty()) {
        hide();
        return;
    }
    const ReportSummary summary = summarize(*report, reportFilePath(workingDirectory, kReportHtmlName));
    url_ = QUrl::fromLocalFile(fromLocal(summary.htmlPath));
    // The totals fit the panel; each kind's counts are a hover away, and all of them in the report.
    KindCount total;
    for (const KindCount& count : summary.counts) {
        total.read += count.read;
        total.converted += count.converted;
        total.changed += count.changed;
        total.dropped += count.dropped;
        total.created += count.created;
    }
    counts_->setText(QStringLiteral("<b>%1 items:</b> %2 converted, %3 changed, %4 dropped, %5 created")
                         .arg(total.read + total.created)
                         .arg(total.converted)
                         .arg(total.changed)
                         .arg(total.dropped)
                         .arg(total.created));
    counts_->setToolTip(countsText(summary));
    findings_->setText(QStringLiteral("<b>Safety review:</b> %1 high, %2 medium, %3 for information")
                           .arg(summary.high)
                           .arg(summary.medium)
                           .arg(summary.info));
    high_->clear();
    for (const std::string& message : summary.highFindings) {
        auto* item = new QListWidgetItem(fromLocal(message), high_);
        item->setForeground(QColor(0xb0, 0x1c, 0x1c));
    }
    high_->setVisible(!summary.highFindings.empty());
    show();
}

void ReportPanel::openReport() {
    const bool opened = opener_ ? opener_(url_) : QDesktopServices::openUrl(url_);
    if (!opened) {
        QMessageBox::warning(this, QStringLiteral("Upgrade report"),
                             QStringLiteral("The report could not be opened in a browser. It is the file\n%1")
                                 .arg(url_.toLocalFile()));
    }
}
