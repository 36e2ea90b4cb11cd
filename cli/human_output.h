// Where upgrade-cli's human text goes: the mirrored log, the summaries, the lint lines and the
// command's own lines go to standard output, except under --json, where standard output carries only
// the JSON object (json_output.h) and all of that text goes to standard error. The commands write
// through humanOut() and complain(); nothing else decides between the two streams.
//
// The complaints ("upgrade-cli COMMAND: TEXT" on standard error) are remembered, the last one being
// the reason a failed command gives in its JSON object when it has no better one.
//
// Process-wide state, set once before a command runs; then used from the command's threads under the
// callers' own locks (PhaseTerminalUi holds one for its output).
#pragma once

#include <iosfwd>
#include <string>
#include <string_view>

namespace cli {

// Standard output; standard error once humanToStandardError() was called.
std::ostream& humanOut();
void humanToStandardError();
bool humanOnStandardError();

// "upgrade-cli COMMAND: TEXT" on standard error, flushed; text is remembered as the last complaint.
void complain(std::string_view command, std::string_view text);
// Remembers text as the last complaint of a command that wrote it to standard error itself.
void noteComplaint(std::string_view text);
const std::string& lastComplaint();

}  // namespace cli
