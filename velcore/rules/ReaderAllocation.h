// The reader's own way of making commands, beside the tree's allocation functions.
#pragma once

#include "velcore/rules/SieveTree.h"

namespace velor::rules {

// As NewCommand (the same gate, freed by FreeCommandList), with the text buffers set to empty
// strings rather than cleared to their ends.
SieveCommand* NewCommandForReader(CommandKind kind);

}  // namespace velor::rules
