// The switch between standard output and standard error for human text.
#include "cli/human_output.h"

#include <iostream>

namespace cli {
namespace {

bool toStandardError = false;

std::string& lastComplaintText() {
    static std::string text;
    return text;
}

}  // namespace

std::ostream& humanOut() { return toStandardError ? std::cerr : std::cout; }

void humanToStandardError() {
    std::cout.flush();
    toStandardError = true;
}

bool humanOnStandardError() { return toStandardError; }

void complain(std::string_view command, std::string_view text) {
    std::cerr << "upgrade-cli " << command << ": " << text << '\n' << std::flush;
    noteComplaint(text);
}

void noteComplaint(std::string_view text) { lastComplaintText().assign(text); }

const std::string& lastComplaint() { return lastComplaintText(); }

}  // namespace cli
