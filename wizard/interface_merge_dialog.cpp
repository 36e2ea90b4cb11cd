// The interface merge dialog: one row per old physical interface, a drop-down of the new interfaces in
// each, and OK pairing them through the view every front end shares.
#include "wizard/interface_merge_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>
#include <cstddef>
#include <utility>

#include "convert/interface_pairing.h"
#include "wizard/string_table.h"

namespace {

// Rows shown without scrolling; the dialog was laid out for this many.
constexpr int kRowsShownAtOnce = 10;

QString textOf(const InterfaceRecord& record) { return QString::fromStdString(interfaceLabel(record)); }

// The rows the dialog shows: the old physical interfaces that are really in the list.
int rowCount(const InterfacePairing& pairing) {
    const int listed = static_cast<int>(pairing.oldInterfaces().size());
    return std::clamp(pairing.physicalCount(), 0, listed);
}

// The scroll area of the rows asks for the room it was given as its minimum (ten rows at most), not
// for the room of all its rows, and for no less.
class RowArea final : public QScrollArea {
public:
    QSize sizeHint() const override { return minimumSize(); }
    QSize minimumSizeHint() const override { return minimumSize(); }
};

}  // namespace

InterfaceMergeDialog::InterfaceMergeDialog(InterfacePairing& pairing, QWidget* parent)
    : QDialog(parent), pairing_(pairing) {
    setWindowTitle(QStringLiteral("Merge Interfaces"));

    auto* explanation = new QLabel(loadString(strings::kMergeExplanation));
    explanation->setWordWrap(true);
    explanation->setObjectName(QStringLiteral("explanation"));
    // A wrapped label asks for little width; give it enough for lines that read comfortably.
    explanation->setMinimumWidth(explanation->fontMetrics().averageCharWidth() * 80);

    auto* rows = new QWidget;
    addRows(rows);

    scrollArea_ = new RowArea;
    scrollArea_->setObjectName(QStringLiteral("rows"));
    scrollArea_->setFocusPolicy(Qt::NoFocus);
    scrollArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scrollArea_->setFrameShape(QFrame::NoFrame);
    scrollArea_->setWidgetResizable(true);
    sizeRowArea(rows);
    scrollArea_->setWidget(rows);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    okButton_ = buttons->button(QDialogButtonBox::Ok);
    okButton_->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &InterfaceMergeDialog::pairAndClose);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(explanation);
    // The dialog may be made narrower than the text was laid out for, never so short that it is cut.
    explanation->setMinimumHeight(explanation->heightForWidth(explanation->minimumWidth()));
    const int gap = explanation->fontMetrics().height() / 2;
    layout->addSpacing(gap);
    layout->addWidget(scrollArea_, 1);
    layout->addSpacing(gap);
    layout->addWidget(buttons);

    // Tab goes down the drop-downs and then to OK; the old interfaces' boxes are only read.
    QWidget* previous = nullptr;
    for (QComboBox* choice : std::as_const(choices_)) {
        if (previous) setTabOrder(previous, choice);
        previous = choice;
    }
    if (previous) setTabOrder(previous, okButton_);
    if (!choices_.isEmpty()) choices_.front()->setFocus();
}

InterfaceMergeDialog::~InterfaceMergeDialog() = default;

void InterfaceMergeDialog::addRows(QWidget* rows) {
    auto* grid = new QGridLayout(rows);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(2, 1);

    const InterfaceList& oldList = pairing_.oldInterfaces();
    const InterfaceList& newList = pairing_.newInterfaces();
    QStringList newTexts;
    for (const InterfaceRecord& record : newList) newTexts.append(textOf(record));

    const int count = rowCount(pairing_);
    // As many new interfaces as old ones: offer each old one the new one in its place.
    const bool samePositions = static_cast<std::size_t>(pairing_.physicalCount()) == newList.size();
    for (int i = 0; i < count; ++i) {
        auto* oldText = new QLineEdit(textOf(oldList[static_cast<std::size_t>(i)]));
        oldText->setObjectName(QStringLiteral("oldInterface%1").arg(i));
        oldText->setReadOnly(true);
        oldText->setFocusPolicy(Qt::ClickFocus);
        oldText->setCursorPosition(0);
        oldText->setMinimumWidth(oldText->fontMetrics().horizontalAdvance(oldText->text()) +
                                 oldText->fontMetrics().averageCharWidth() * 3);

        auto* arrow = new QLabel(QStringLiteral("---->"));

        auto* choice = new QComboBox;
        choice->setObjectName(QStringLiteral("newInterface%1").arg(i));
        choice->addItems(newTexts);
        choice->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        choice->setCurrentIndex(newTexts.isEmpty() ? -1 : (samePositions ? i : 0));
        choices_.append(choice);

        grid->addWidget(oldText, i, 0);
        grid->addWidget(arrow, i, 1);
        grid->addWidget(choice, i, 2);
    }
    // Extra height goes below the rows, not between them.
    grid->setRowStretch(count, 1);
}

// All rows fit without scrolling when there are ten or fewer. More are framed, and the area is as tall
// as ten rows and wide enough for the scroll bar beside them.
void InterfaceMergeDialog::sizeRowArea(QWidget* rows) {
    auto* grid = static_cast<QGridLayout*>(rows->layout());
    const int count = static_cast<int>(choices_.size());
    if (count <= kRowsShownAtOnce) {
        scrollArea_->setMinimumSize(rows->sizeHint());
        return;
    }
    scrollArea_->setFrameShape(QFrame::StyledPanel);
    const int gap = grid->verticalSpacing();
    grid->setContentsMargins(gap, gap, gap, gap);
    const int rowHeight =
        std::max(choices_.front()->sizeHint().height(), grid->itemAtPosition(0, 0)->widget()->sizeHint().height());
    const int frame = 2 * scrollArea_->frameWidth();
    const int height = 2 * gap + kRowsShownAtOnce * rowHeight + (kRowsShownAtOnce - 1) * gap + frame;
    const int width = rows->sizeHint().width() + style()->pixelMetric(QStyle::PM_ScrollBarExtent) + frame;
    scrollArea_->setMinimumSize(width, height);
}

void InterfaceMergeDialog::setMessageFunctions(InformFunction inform, AskFunction ask) {
    inform_ = std::move(inform);
    ask_ = std::move(ask);
}

void InterfaceMergeDialog::pairAndClose() {
    for (int i = 0; i < choices_.size(); ++i) {
        QComboBox* choice = choices_[i];
        const int j = choice->currentIndex();
        if (j < 0) {
            inform(loadString(strings::kMergeNoSelection));
            scrollArea_->ensureWidgetVisible(choice);
            choice->setFocus();
            return;
        }
        pairing_.pair(i, j);
    }
    if (sharesOnePartner() && !ask(loadString(strings::kMergeSharedPartner))) return;
    accept();
}

// Both old interfaces of a firewall with two on each side went to the same new interface.
bool InterfaceMergeDialog::sharesOnePartner() const {
    const InterfaceList& oldList = pairing_.oldInterfaces();
    if (oldList.size() != 2 || pairing_.newInterfaces().size() != 2) return false;
    return oldList[0].counterpartIndex >= 0 && oldList[0].counterpartIndex == oldList[1].counterpartIndex;
}

void InterfaceMergeDialog::inform(const QString& text) {
    if (inform_) {
        inform_(text);
        return;
    }
    QMessageBox::warning(this, windowTitle(), text);
}

bool InterfaceMergeDialog::ask(const QString& text) {
    if (ask_) return ask_(text);
    return QMessageBox::question(this, windowTitle(), text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}
