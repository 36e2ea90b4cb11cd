// The fixed file table of an upgrade.
#include "upgrade/upgrade_file_table.h"

#include "upgrade/file_names.h"

namespace {

constexpr const char* kMgmt = "/usr/local/etc/mgmt/";
constexpr const char* kUpgrade = "/usr/local/etc/mgmt/upgrade/";
constexpr const char* kEtc = "/usr/local/etc/";
constexpr const char* kTmp = "/tmp/";
constexpr int kNot = UpgradeFile::kNotTransferred;

}  // namespace

std::string UpgradeFile::savedName() const { return std::string(file) + kSavedSuffix; }

UpgradeFileTable::UpgradeFileTable()
    : rows_{{
          // optional, restore in place, binary, status, directory, file
          {false, false, false, kNot, kMgmt, "kestrane.conf"},
          {true, true, false, kNot, kUpgrade, "authlist.txt"},
          {true, true, false, kNot, kUpgrade, "extrafiles.txt"},
          {true, true, false, kNot, kMgmt, "tovad-authdb.save"},
          {true, true, false, kNot, kEtc, "fw-authdb.save"},
          {true, true, false, kNot, kMgmt, "pop3-authdb.save"},
          {true, false, false, kNot, kMgmt, "keys.conf"},
          {true, false, false, kNot, kEtc, "netperm-table"},
          {true, false, false, kNot, kEtc, "frequentcheck.ignore"},
          {true, false, false, kNot, kEtc, "securityalerts.ignore"},
          {true, false, true, kNot, kUpgrade, "kvpn_certs.tar"},
          {true, false, false, kNot, kUpgrade, "kvpn_cert_status.conf"},
          {true, false, true, kNot, kTmp, "full-backup.tar"},
      }} {}

void UpgradeFileTable::resetStatuses() {
    for (UpgradeFile& row : rows_) row.status = UpgradeFile::kNotTransferred;
}
