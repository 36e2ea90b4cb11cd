// The "Merge Interfaces" dialog: the administrator pairs each old physical interface with a new one
// when the addresses did not pair them. One row per old physical interface (its text "%s - %s - %s"
// of interface, address and location, an arrow, a drop-down of every new interface); OK checks the
// selections and pairs both ways through InterfacePairing::pair. Run modally on the window thread,
// between UpgradeWorkflow::mergeConfigs and postprocessConfigs (or between runUploadPhase and
// finishUploadPhase). The pairing view must outlive the dialog.
#pragma once

#include <QDialog>

class InterfacePairing;

class InterfaceMergeDialog : public QDialog {
    Q_OBJECT

public:
    InterfaceMergeDialog(InterfacePairing& pairing, QWidget* parent = nullptr);
    ~InterfaceMergeDialog() override;

private:
    InterfacePairing& pairing_;
};
