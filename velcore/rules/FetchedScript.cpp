#include "velcore/rules/FetchedScript.h"

#include <cstring>

#include "velcore/rules/SieveReader.h"
#include "velcore/rules/SieveWriter.h"

namespace velor::rules {
namespace {

bool SameStrings(const SieveStringList* a, const SieveStringList* b) {
    for (; a != nullptr && b != nullptr; a = a->next, b = b->next) {
        if (std::strcmp(a->text ? a->text : "", b->text ? b->text : "") != 0) return false;
    }
    return a == nullptr && b == nullptr;
}

bool SameTests(const SieveTest* a, const SieveTest* b) {
    for (; a != nullptr && b != nullptr; a = a->next, b = b->next) {
        if (a->kind != b->kind || a->negated != b->negated || a->octetComparator != b->octetComparator ||
            a->addressPart != b->addressPart || a->matchType != b->matchType || a->sizeUnder != b->sizeUnder ||
            a->sizeLimit != b->sizeLimit || !SameStrings(a->headers, b->headers) || !SameStrings(a->keys, b->keys) ||
            !SameTests(a->children, b->children)) {
            return false;
        }
    }
    return a == nullptr && b == nullptr;
}

bool SameList(const SieveCommand* a, const SieveCommand* b);

bool IsElsif(const SieveCommand* block) {
    return block != nullptr && block->kind == CommandKind::If && block->next == nullptr;
}

// `compareState`: the command is a rule or one of its elsif branches, whose state is its own.
bool SameCommand(const SieveCommand* a, const SieveCommand* b, bool compareState) {
    if (a->kind != b->kind || (compareState && a->enabled != b->enabled) || std::strcmp(a->name, b->name) != 0 ||
        std::strcmp(a->days, b->days) != 0 || std::strcmp(a->argument, b->argument) != 0 ||
        !SameTests(a->test, b->test) || !SameList(a->thenBlock, b->thenBlock)) {
        return false;
    }
    if (IsElsif(a->elseBlock) && IsElsif(b->elseBlock)) return SameCommand(a->elseBlock, b->elseBlock, compareState);
    return SameList(a->elseBlock, b->elseBlock);
}

bool SameList(const SieveCommand* a, const SieveCommand* b) {
    for (; a != nullptr && b != nullptr; a = a->next, b = b->next) {
        if (!SameCommand(a, b, false)) return false;
    }
    return a == nullptr && b == nullptr;
}

}  // namespace

bool SameRule(const SieveCommand* a, const SieveCommand* b) {
    if (a == nullptr || b == nullptr) return a == b;
    return SameCommand(a, b, true);
}

// Each piece runs from its rule's header line (or keyword line) to the next rule's, so the
// comments and blank lines after a rule go with it. A piece is kept only when it reads back as
// its rule both after a rule that is on and after one that is off: a piece whose meaning hangs
// on what stood before it could lose its rule when the rules are reordered.
void FetchedScript::Keep(std::string_view utf8Script, const SieveCommand* rules, const TextConverter& utf8ToAnsi) {
    pieces_.clear();
    head_.clear();
    std::vector<std::size_t> starts = RuleStartOffsets(utf8Script);
    std::size_t count = 0;
    for (const SieveCommand* rule = rules; rule != nullptr; rule = rule->next) ++count;
    if (starts.size() != count || count == 0) return;
    std::vector<Piece> pieces;
    const SieveCommand* rule = rules;
    for (std::size_t i = 0; i < count; ++i, rule = rule->next) {
        const std::size_t end = i + 1 < count ? starts[i + 1] : utf8Script.size();
        if (end < starts[i]) return;
        Piece piece;
        piece.utf8.assign(utf8Script.substr(starts[i], end - starts[i]));
        const std::string ansi = utf8ToAnsi(piece.utf8);
        for (const char* before : {"", "keep;\n", "#!0 \n# keep;\n"}) {
            ParseOutcome read = ReadScript(before + ansi);
            const SieveCommand* alone = read.commands.get();
            if (alone != nullptr && before[0] != '\0') alone = alone->next;
            if (!read.ok || alone == nullptr || alone->next != nullptr || !SameRule(alone, rule)) return;
        }
        piece.rule.reset(CopyCommand(rule, true));
        if (piece.rule == nullptr) return;
        pieces.push_back(std::move(piece));
    }
    head_.assign(utf8Script.substr(0, starts[0]));
    pieces_ = std::move(pieces);
}

std::string FetchedScript::Compose(const SieveCommand* rules, const TextConverter& ansiToUtf8) const {
    std::vector<bool> used(pieces_.size(), false);
    std::string script = head_;
    // A piece that followed the previous one in the fetched script goes on as it stood there;
    // anything else starts on a line of its own.
    std::size_t previous = pieces_.size();
    auto startLine = [&script] {
        if (!script.empty() && script.back() != '\n') script += '\n';
    };
    for (const SieveCommand* rule = rules; rule != nullptr; rule = rule->next) {
        std::size_t kept = pieces_.size();
        for (std::size_t i = 0; i < pieces_.size(); ++i) {
            if (!used[i] && SameRule(pieces_[i].rule.get(), rule)) {
                kept = i;
                break;
            }
        }
        if (kept < pieces_.size()) {
            if (!(previous < pieces_.size() && kept == previous + 1)) startLine();
            used[kept] = true;
            script += pieces_[kept].utf8;
        } else {
            startLine();
            std::string written;
            WriteCommand(written, rule, 0, true, false);
            script += ansiToUtf8(written);
        }
        previous = kept;
    }
    return script;
}

}  // namespace velor::rules
