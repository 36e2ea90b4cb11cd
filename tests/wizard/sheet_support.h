// What the wizard's tests share: two simulated firewalls on loopback (an old 5.x one holding the 5.x
// sample configuration and a few companion files, a new KF6.0 one holding an initial 6.0
// configuration), a sheet aimed at a scratch working area whose messages are recorded instead of
// shown, and the steps of driving it (filling a login, pressing a button as a person would, waiting
// for a phase with the event loop running). Window thread only.
#pragma once

#include <QStringList>

#include <filesystem>
#include <string>
#include <vector>

#include "sim/launcher.h"
#include "support/scratch_dir.h"
#include "wizard/sheet_page.h"

class FirewallLoginPage;
class PhasePage;
class WizardSheet;

namespace wizardtest {

inline const std::string kSamples = std::string(PROJECT_SOURCE_DIR) + "/data/samples/";
inline const std::string kTemplate = std::string(PROJECT_SOURCE_DIR) + "/data/5xTo60.tpl";
inline constexpr const char* kPassword = "pw";

// A scratch area: the firewalls' roots and the owner-only folder where the working directories go.
class Firewalls {
public:
    Firewalls();

    // Starts the old firewall (version 5.5) with these further fwsim arguments; false with *error.
    bool startOld(std::string* error, const std::vector<std::string>& extra = {});
    // Starts the new firewall (version KF6.0) holding the sample initConfig (a file of data/samples).
    bool startNew(std::string* error, const std::string& initConfig = "init-60.conf",
                  const std::vector<std::string>& extra = {});

    int oldPort() const { return oldSim_.port(); }
    int newPort() const { return newSim_.port(); }
    const std::filesystem::path& work() const { return work_; }
    // The configuration the new firewall now runs.
    std::string newFirewallConfig() const;
    // The only working directory made so far (ending in '/'); empty when there is none.
    std::string workingDirectory() const;

private:
    bool start(fwsim::FwsimProcess& sim, const std::string& name, const std::string& version,
               std::vector<std::string> extra, std::string* error);

    testsupport::ScratchDir scratch_{"wizard_test"};
    std::filesystem::path work_;
    fwsim::FwsimProcess oldSim_;
    fwsim::FwsimProcess newSim_;
};

// Aims sheet at the template script and the working area, and records its messages in messages.
void prepareSheet(WizardSheet& sheet, const std::filesystem::path& work, QStringList* messages);

// Types a firewall's login into a login page.
void fillLogin(FirewallLoginPage* page, int port, const QString& host = QStringLiteral("127.0.0.1"));

// Presses a button of the sheet as a person would: nothing happens when it is disabled or hidden.
void press(WizardSheet& sheet, int which);
// The buttons the sheet offers now, as a mask of kBackButton, kNextButton and kFinishButton: each
// one visible and enabled.
int offeredButtons(WizardSheet& sheet);

// Runs the event loop until page's phase has ended (or the time is up); false when it did not end.
bool waitUntilDone(PhasePage* page, int milliseconds = 60'000);

// The text of a page's log box.
QString logText(PhasePage* page);

// The message text of a string-table id.
QString stringText(int id);

}  // namespace wizardtest
