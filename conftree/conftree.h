// Everything of the configuration tree in one include: nodes, the file reader and writer, the
// parsers, search templates, the process-wide tree state and the progress sink.
#pragma once

#include "conftree/branch.h"
#include "conftree/child_list.h"
#include "conftree/config_tree.h"
#include "conftree/leaf.h"
#include "conftree/line_reader.h"
#include "conftree/node.h"
#include "conftree/parse.h"
#include "conftree/progress.h"
#include "conftree/search_template.h"
#include "conftree/tree_state.h"
