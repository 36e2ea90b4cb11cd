// The thirteen files an upgrade carries from the old firewall to the new one: the old configuration
// (the one critical file) and its companions (user databases, certificate packages, a backup). Each
// row says where the file lives on the firewall, whether it goes back to the same place on the new
// firewall or beside the upgrade files, whether it travels as binary, and whether this upgrade has it
// (status). The rows and their order are fixed; only the statuses change.
//
// Plain value; one thread at a time (the workflow's).
#pragma once

#include <array>
#include <cstddef>
#include <string>

struct UpgradeFile {
    static constexpr int kTransferred = 2;
    static constexpr int kNotTransferred = 3;

    bool optional;        // false only for the old configuration
    bool restoreInPlace;  // uploaded to directory + file (else beside the upgrade files)
    bool binary;          // transferred in binary mode
    int status;           // kTransferred or kNotTransferred
    const char* directory;
    const char* file;

    // directory + file: the file's path on the firewall.
    std::string remotePath() const { return std::string(directory) + file; }
    // file + ".PRE60UPGRADE": the file's name in the working directory.
    std::string savedName() const;
};

class UpgradeFileTable {
public:
    static constexpr std::size_t kRows = 13;

    UpgradeFileTable();

    std::array<UpgradeFile, kRows>& rows() { return rows_; }
    const std::array<UpgradeFile, kRows>& rows() const { return rows_; }
    UpgradeFile& operator[](std::size_t i) { return rows_[i]; }
    const UpgradeFile& operator[](std::size_t i) const { return rows_[i]; }

    // Every row back to kNotTransferred.
    void resetStatuses();

private:
    std::array<UpgradeFile, kRows> rows_;
};

// Where a file that is not restored in place is put on the new firewall ("%s" is the file's name).
inline constexpr const char* kUploadedCopyPattern = "/usr/local/etc/mgmt/upgrade/%s.PRE60UPGRADE";
// Where the final configuration is sent, for the new firewall's configuration update to install.
inline constexpr const char* kNewConfigRemotePath = "/usr/local/etc/mgmt/kestrane.conf.new";
// The new firewall's configuration, fetched as the new initial configuration.
inline constexpr const char* kFirewallConfigRemotePath = "/usr/local/etc/mgmt/kestrane.conf";
