// The texts the upgrade workflow shows in message boxes, by their string-table ids (the wizard's
// string table has the same ids). "%1" and "%2" in a text are filled by formatUpgradeString.
#pragma once

#include <string>
#include <string_view>

namespace upgrade_strings {
inline constexpr int kSharedInterfaceQuestion = 106;  // asked by the merge dialog and upgrade-cli
inline constexpr int kOldIsNew = 107;
inline constexpr int kNewIsNotNew = 108;
inline constexpr int kCannotCreateDirectory = 109;
inline constexpr int kPackFailed = 110;
inline constexpr int kCriticalDownload = 111;
inline constexpr int kNewConfigDownload = 112;
inline constexpr int kCriticalUpload = 113;
inline constexpr int kUnpackFailed = 114;
inline constexpr int kApplyFailed = 115;
inline constexpr int kLoginFailed = 118;
inline constexpr int kLockRefused = 119;
inline constexpr int kCriticalMissing = 120;
inline constexpr int kTimedOut = 121;
}  // namespace upgrade_strings

// The text of a string id of the workflow; empty for an id it does not use.
const char* upgradeString(int id);
// The text with every "%1" replaced by first and every "%2" by second.
std::string formatUpgradeString(int id, std::string_view first = {}, std::string_view second = {});
