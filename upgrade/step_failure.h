// Why a workflow step failed, as a value the front ends read after the step returned false: the
// string-table id of the message shown (0 when the message is a text of its own, such as a
// conversion's error text) and the text shown.
#pragma once

#include <string>

struct StepFailure {
    int stringId = 0;
    std::string text;
};
