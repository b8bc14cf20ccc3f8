// Writes the command tree as Sieve text. Script mode produces the stored script: a header line
// with each rule's name and state, switched-off rules commented out line by line. Inline mode
// writes one rule on one line, without header or comments, for the script editor.
#pragma once

#include <string>

#include "velcore/rules/SieveTree.h"

namespace velor::rules {

// Every rule of the list, in order. Throws std::bad_alloc only.
std::string WriteScript(const SieveCommand* rules);

// One rule alone, on one line.
std::string WriteRuleInline(const SieveCommand* rule);

// The recursive step, appending to `out`: `depth` 0 for a top-level command, `lineMode` on in
// script mode, `elsif` when the command is the sole if of an else block.
void WriteCommand(std::string& out, const SieveCommand* command, int depth, bool lineMode,
                  bool elsif);

void WriteTest(std::string& out, const SieveTest* test);
void WriteStringList(std::string& out, const SieveStringList* list);
void WriteQuotedString(std::string& out, const char* text);

}  // namespace velor::rules
