// Placeholder of the interface merge dialog: closes at once without pairing.
#include "wizard/interface_merge_dialog.h"

#include "convert/interface_pairing.h"

InterfaceMergeDialog::InterfaceMergeDialog(InterfacePairing& pairing, QWidget* parent)
    : QDialog(parent), pairing_(pairing) {
    setWindowTitle(QStringLiteral("Merge Interfaces"));
}

InterfaceMergeDialog::~InterfaceMergeDialog() = default;
