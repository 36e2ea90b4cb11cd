// The verb table: the fixed list of words a template script line may begin with.
//
// Thirty-three rows searched front to back, each a verb code (its row number), the name as the log
// shows it and the member function that handles it. The two section words "[PREPROCESS]" and
// "[POSTPROCESS]" have no handler: dispatching them only logs the line. The table is constant data;
// any thread may read it.
#pragma once

#include <span>

#include "template/template_processor.h"

using VerbHandler = int (TemplateProcessor::*)(ConfigTree& tree, char* text);

struct VerbRow {
    int code;
    const char* name;
    VerbHandler handler;  // null for a section word
};

inline constexpr int kVerbCount = 33;

// All rows in table order.
std::span<const VerbRow> verbTable();

// The first row whose name equals verb ignoring (ASCII) letter case, or null.
const VerbRow* findVerb(const char* verb);
