// The wizard's string table: the texts of its message boxes, captions and labels by the same ids as
// the program's string table. The workflow's own texts (107 to 121) come from the workflow, so the two
// cannot drift apart.
#pragma once

#include <QString>

namespace strings {
inline constexpr int kAboutMenuItem = 101;   // "&About Upgrade..."
inline constexpr int kVersion = 102;         // the version label
inline constexpr int kNoSockets = 103;       // unused here: no socket start-up on this platform
inline constexpr int kMergeExplanation = 104;
inline constexpr int kMergeNoSelection = 105;
inline constexpr int kMergeSharedPartner = 106;
inline constexpr int kCaption = 116;
inline constexpr int kIntroTitle = 117;
}  // namespace strings

// The text of a string id, empty for an unknown one. "%1" and "%2" are left for QString::arg.
QString loadString(int id);
