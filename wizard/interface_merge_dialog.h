// The "Merge Interfaces" dialog: the administrator pairs each old physical interface with a new one
// when the addresses did not pair them. One row per old physical interface (its text "%s - %s - %s"
// of interface, address and location, an arrow, a drop-down of every new interface); OK checks the
// selections and pairs both ways through InterfacePairing::pair. Run modally on the window thread,
// between UpgradeWorkflow::mergeConfigs and postprocessConfigs (or between runUploadPhase and
// finishUploadPhase). The pairing view must outlive the dialog.
//
// The rows sit in a scroll area: up to ten show at once, more are scrolled to, none is left out.
// Closing the dialog without OK (Escape, the window's close button) changes nothing further; the
// caller goes on the same way after either outcome.
#pragma once

#include <QDialog>
#include <QList>
#include <QString>
#include <functional>

class InterfacePairing;
class QComboBox;
class QPushButton;
class QScrollArea;

class InterfaceMergeDialog : public QDialog {
    Q_OBJECT

public:
    // Shows a text to the administrator (string 105).
    using InformFunction = std::function<void(const QString& text)>;
    // Asks a yes-or-no question (string 106); true for Yes.
    using AskFunction = std::function<bool(const QString& text)>;

    InterfaceMergeDialog(InterfacePairing& pairing, QWidget* parent = nullptr);
    ~InterfaceMergeDialog() override;

    // Replaces the message boxes the dialog shows, so that OK can be driven without a window waiting
    // for an answer. An empty function keeps the message box.
    void setMessageFunctions(InformFunction inform, AskFunction ask);

    // The drop-down of each row, in row order (one per old physical interface).
    const QList<QComboBox*>& newInterfaceChoices() const { return choices_; }
    QPushButton* okButton() const { return okButton_; }

private slots:
    // OK: pairs every row with its choice, then closes unless a choice is missing or the
    // administrator declines to give two old interfaces one partner.
    void pairAndClose();

private:
    void addRows(QWidget* rows);
    void sizeRowArea(QWidget* rows);
    bool sharesOnePartner() const;
    void inform(const QString& text);
    bool ask(const QString& text);

    InterfacePairing& pairing_;
    QList<QComboBox*> choices_;
    QScrollArea* scrollArea_ = nullptr;
    QPushButton* okButton_ = nullptr;
    InformFunction inform_;
    AskFunction ask_;
};
