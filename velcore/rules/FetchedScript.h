// The rules as the server sent them. A rule the user did not change is stored again as its own
// bytes, not written anew: the server's UTF-8 may hold characters that the ANSI code page cannot
// show (they read back as "?"), and the user's own layout and comments stay as they were.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "velcore/rules/SieveTree.h"

namespace velor::rules {

using TextConverter = std::function<std::string(std::string_view)>;

// Whether two rules say the same: kinds, texts, tests and blocks, and the state of the rule and
// of its elsif branches (nested commands follow their rule and are not compared for it).
bool SameRule(const SieveCommand* a, const SieveCommand* b);

class FetchedScript {
public:
    // Cuts the server's script into one piece per rule and keeps a copy of each rule's tree as
    // read. When a piece does not read back as its rule wherever it may come to stand, nothing
    // is kept and every rule is written anew.
    void Keep(std::string_view utf8Script, const SieveCommand* rules, const TextConverter& utf8ToAnsi);

    // The script to store, in UTF-8: each rule that equals a fetched one as its fetched piece,
    // every other rule as the writer writes it.
    std::string Compose(const SieveCommand* rules, const TextConverter& ansiToUtf8) const;

    std::size_t KeptRules() const { return pieces_.size(); }

private:
    struct Piece {
        CommandListPtr rule;
        std::string utf8;
    };
    std::vector<Piece> pieces_;
    std::string head_;  // what stands before the first rule: comments, blank lines
};

}  // namespace velor::rules
