// Reads a script in the rules' Sieve dialect (rule names and switched-off rules in comments)
// into the command tree, or reports the first error with its line.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "velcore/rules/SieveTokenizer.h"
#include "velcore/rules/SieveTree.h"

namespace velor::rules {

// Reads the tokenizer's script. On success `*commands` is the list of rules (null for an empty
// script); on failure it is null, nothing built is left behind, and the tokenizer holds the
// error's `line` and `message`.
bool ParseScript(SieveTokenizer& tokenizer, SieveCommand** commands);

struct ParseOutcome {
    bool ok = false;
    CommandListPtr commands;
    int line = 0;          // on failure: the line where reading stopped
    std::string message;   // on failure: the first error
};

ParseOutcome ReadScript(std::string_view script);

// Where each top-level command of the script begins: its header line, or the line of its keyword.
// Empty when the script cannot be read.
std::vector<std::size_t> RuleStartOffsets(std::string_view script);

}  // namespace velor::rules
