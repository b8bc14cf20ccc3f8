// The writer's output is read back by the reader into an equal tree; every choice of spacing
// here is what stored scripts have always looked like, so it is kept byte for byte.
#include "velcore/rules/SieveWriter.h"

#include <array>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

namespace velor::rules {
namespace {

constexpr const char* kHeaderStart = "#!";
constexpr const char* kCommentPrefix = "# ";
constexpr const char* kOctetComparatorTag = ":comparator \"i;octet\" ";

// The characters a quoted string holds as they are: all but its terminator and the escaped.
constexpr auto kStandsForItself = [] {
    std::array<bool, 256> table{};
    for (int c = 1; c < 256; ++c) {
        table[static_cast<std::size_t>(c)] = c != '\'' && c != '"' && c != '\\' && c != '\r' && c != '\n' && c != '\t';
    }
    return table;
}();

// A command's fields lie far apart in its record (the text buffers are 2 KB); asking for the
// next command's parts while this one is written hides most of the waits for memory.
void Prefetch(const SieveCommand* command) {
#if defined(__GNUC__)
    if (command != nullptr) {
        __builtin_prefetch(command);
        __builtin_prefetch(command->days);
        __builtin_prefetch(command->argument);
        __builtin_prefetch(&command->test);
    }
#else
    (void)command;
#endif
}

void PrefetchLines(const void* at, std::size_t size) {
#if defined(__GNUC__)
    const char* bytes = static_cast<const char*>(at);
    __builtin_prefetch(bytes);
    __builtin_prefetch(bytes + size - 1);
#else
    (void)at;
    (void)size;
#endif
}

// The records of the rules a few places ahead of the writer, asked for a level at a time.
// Written in turn, every record of a rule waits for memory on its own (a command alone spans
// 2 KB of text buffers, and records lie wherever they were made), and the links that lead to
// the next record are in the record itself. So each rule is taken up kDistance rules before
// it is written; at every rule written, the records asked for at the previous one have
// arrived, and their links name the next level to ask for. The waits of many rules and levels
// then overlap instead of following one another.
class Lookahead {
public:
    explicit Lookahead(const SieveCommand* rules) : scout_(rules) {
        frontier_.reserve(256);
        next_.reserve(256);
        Add(scout_, Kind::Rule, frontier_);
        for (int i = 1; i < kDistance; ++i) {
            TakeUpRule();
        }
    }

    // One rule has been written.
    void Step() {
        next_.clear();
        for (const Node& node : frontier_) {
            Expand(node);
        }
        frontier_.swap(next_);
        TakeUpRule();
    }

private:
    // Rules ahead of the writer: more than the levels of a typical rule, few enough that what
    // is asked for is still in the cache when it is written.
    static constexpr int kDistance = 16;
    // A bound on the records asked for at once; beyond it a level is left to the writer.
    static constexpr std::size_t kMostNodes = 4096;

    enum class Kind : std::uint8_t { Rule, Command, Test, String };
    struct Node {
        const void* record;
        Kind kind;
    };

    void TakeUpRule() {
        if (scout_ == nullptr) {
            return;
        }
        // The scout's links were asked for when it was taken up, a step ago.
        scout_ = scout_->next;
        Add(scout_, Kind::Rule, frontier_);
    }

    void Add(const void* record, Kind kind, std::vector<Node>& to) {
        if (record == nullptr || to.size() >= kMostNodes) {
            return;
        }
        switch (kind) {
        case Kind::Rule:
        case Kind::Command: {
            // Its kind, state and the start of its name, and its links; the text buffers wait
            // for its kind to be known.
            const auto* command = static_cast<const SieveCommand*>(record);
            PrefetchLines(command, 32);
            PrefetchLines(&command->test, sizeof(SieveCommand) - offsetof(SieveCommand, test));
            break;
        }
        case Kind::Test:
            PrefetchLines(record, sizeof(SieveTest));
            break;
        case Kind::String:
            // The text follows the item in the same record.
            PrefetchLines(record, sizeof(SieveStringList) + 24);
            break;
        }
        to.push_back({record, kind});
    }

    void Expand(const Node& node) {
        switch (node.kind) {
        case Kind::Rule:
        case Kind::Command: {
            const auto* command = static_cast<const SieveCommand*>(node.record);
            switch (command->kind) {
            case CommandKind::Vacation:
                PrefetchLines(command->days, 8);
                PrefetchLines(command->argument, 128);
                break;
            case CommandKind::Reject:
            case CommandKind::Fileinto:
            case CommandKind::Redirect:
            case CommandKind::Notify:
                PrefetchLines(command->argument, 64);
                break;
            default:
                break;
            }
            Add(command->test, Kind::Test, next_);
            Add(command->thenBlock, Kind::Command, next_);
            Add(command->elseBlock, Kind::Command, next_);
            // The next rule is the scout's to take up.
            if (node.kind == Kind::Command) {
                Add(command->next, Kind::Command, next_);
            }
            break;
        }
        case Kind::Test: {
            const auto* test = static_cast<const SieveTest*>(node.record);
            Add(test->headers, Kind::String, next_);
            Add(test->keys, Kind::String, next_);
            Add(test->children, Kind::Test, next_);
            Add(test->next, Kind::Test, next_);
            break;
        }
        case Kind::String:
            Add(static_cast<const SieveStringList*>(node.record)->next, Kind::String, next_);
            break;
        }
    }

    const SieveCommand* scout_;
    std::vector<Node> frontier_;  // asked for at the last step, to be expanded at the next
    std::vector<Node> next_;
};

// The text of a script is made in a buffer kept for the next one and handed over as a copy
// of its exact size: a script of many rules does not grow its string by doubling (each larger
// block is fresh memory to fault in, and the text is copied each time), and its length need
// not be estimated by a walk over all its rules first. A buffer busy on another thread is not
// waited for; the writer then makes its own.
constexpr std::size_t kLargestKeptText = 16 * 1024 * 1024;

struct KeptText {
    std::mutex lock;
    std::string text;
};

KeptText& Kept() {
    static KeptText* kept = new KeptText;  // never destroyed: scripts may be written at exit
    return *kept;
}

void Indent(std::string& out, int depth) {
    out.append(static_cast<std::size_t>(depth) * 2, ' ');
}

// A name stands on the header line; a line break in it would end the header early and turn
// the rest of the name into script.
void AppendHeaderName(std::string& out, const char* name) {
    const std::size_t start = out.size();
    out += name;
    for (std::size_t i = start; i < out.size(); ++i) {
        if (out[i] == '\r' || out[i] == '\n') {
            out[i] = ' ';
        }
    }
}

const char* AddressPartTag(AddressPart part) {
    switch (part) {
    case AddressPart::Localpart: return ":localpart";
    case AddressPart::Domain: return ":domain";
    default: return ":all";
    }
}

const char* MatchTypeTag(MatchType type) {
    switch (type) {
    case MatchType::Contains: return ":contains";
    case MatchType::Matches: return ":matches";
    default: return ":is";
    }
}

void WriteTestList(std::string& out, const SieveTest* children) {
    out += '(';
    if (children == nullptr) {
        // "()" cannot be read back; an allof of nothing is what "(void)" reads as.
        WriteTest(out, nullptr);
    }
    for (const SieveTest* child = children; child != nullptr; child = child->next) {
        if (child != children) {
            out += ", ";
        }
        WriteTest(out, child);
    }
    out += ") ";
}

class CommandWriter {
public:
    CommandWriter(std::string& out, bool lineMode) : out_(out), lineMode_(lineMode) {}

    // `ownerOff`: the rule (or the depth-0 elsif) that the command's lines belong to is
    // switched off.
    void Write(const SieveCommand* command, int depth, bool elsif, bool ownerOff);

private:
    void Prefix(bool off) {
        if (lineMode_ && off) {
            out_ += kCommentPrefix;
        }
    }
    void LineEnd() {
        if (lineMode_) {
            out_ += '\n';
        }
    }
    void WriteBlock(const SieveCommand* block, int depth, bool off);
    void WriteIf(const SieveCommand* command, int depth, bool elsif, bool off);

    std::string& out_;
    bool lineMode_;
};

// The on/off state of a line is decided by the command that heads its group of lines: the
// rule, or an elsif that has its own header line. A nested command's own flag never decides
// it: the reader knows a rule's state only from header lines, so a nested "# " line inside a
// live rule would be read back as a plain comment, and a live line inside a switched-off rule
// would turn the following "# " lines into comments, losing the commands on them.
void CommandWriter::Write(const SieveCommand* command, int depth, bool elsif, bool ownerOff) {
    if (command->kind == CommandKind::None || static_cast<int>(command->kind) < 0 ||
        command->kind > CommandKind::If) {
        return;
    }
    bool off = depth == 0 ? (ownerOff || !command->enabled) : ownerOff;
    if (lineMode_) {
        if (depth == 0 && (off || command->name[0] != '\0')) {
            out_ += kHeaderStart;
            out_ += off ? '0' : '1';
            out_ += ' ';
            AppendHeaderName(out_, command->name);
            out_ += '\n';
        }
        Prefix(off);
    }
    Indent(out_, depth);
    switch (command->kind) {
    case CommandKind::Keep:
        out_ += "keep;";
        break;
    case CommandKind::Reject:
        out_ += "reject ";
        WriteQuotedString(out_, command->argument);
        out_ += ';';
        break;
    case CommandKind::Discard:
        out_ += "discard;";
        break;
    case CommandKind::Fileinto:
        out_ += "fileinto ";
        WriteQuotedString(out_, command->argument);
        out_ += ';';
        break;
    case CommandKind::Stop:
        out_ += "stop;";
        break;
    case CommandKind::Redirect:
        out_ += "redirect ";
        WriteQuotedString(out_, command->argument);
        out_ += ';';
        break;
    case CommandKind::Notify:
        out_ += "notify";
        if (command->name[0] != '\0') {
            out_ += " :options ";
            WriteQuotedString(out_, command->name);
        }
        if (command->argument[0] != '\0') {
            out_ += " :message ";
            WriteQuotedString(out_, command->argument);
        }
        out_ += ';';
        break;
    case CommandKind::Vacation:
        out_ += "vacation";
        // :days only when it says something: the reader supplies the default itself, so
        // scripts that never had :days are written as they always were.
        if (command->days[0] != '\0' && std::strcmp(command->days, kDefaultVacationDays) != 0) {
            out_ += " :days ";
            WriteQuotedString(out_, command->days);
        }
        if (command->name[0] != '\0') {
            out_ += " :subject ";
            WriteQuotedString(out_, command->name);
        }
        out_ += ' ';
        WriteQuotedString(out_, command->argument);
        out_ += ';';
        break;
    case CommandKind::If:
        WriteIf(command, depth, elsif, off);
        return;
    default:
        break;
    }
    LineEnd();
}

void CommandWriter::WriteBlock(const SieveCommand* block, int depth, bool off) {
    for (const SieveCommand* member = block; member != nullptr; member = member->next) {
        Prefetch(member->next);
        Write(member, depth, false, off);
    }
}

void CommandWriter::WriteIf(const SieveCommand* command, int depth, bool elsif, bool off) {
    if (elsif) {
        out_ += "els";
    }
    out_ += "if ";
    WriteTest(out_, command->test);
    if (lineMode_) {
        out_ += '\n';
        Prefix(off);
        Indent(out_, depth);
    }
    out_ += " {";
    LineEnd();
    WriteBlock(command->thenBlock, depth + 1, off);
    Prefix(off);
    Indent(out_, depth);
    out_ += '}';
    LineEnd();
    const SieveCommand* elseBlock = command->elseBlock;
    if (elseBlock == nullptr) {
        return;
    }
    if (elseBlock->kind == CommandKind::If && elseBlock->next == nullptr) {
        Write(elseBlock, depth, true, off);
        return;
    }
    Prefix(off);
    Indent(out_, depth);
    out_ += "else {";
    LineEnd();
    WriteBlock(elseBlock, depth + 1, off);
    Prefix(off);
    Indent(out_, depth);
    out_ += '}';
    LineEnd();
}

}  // namespace

void WriteQuotedString(std::string& out, const char* text) {
    out += '"';
    for (const char* c = text; c != nullptr;) {
        // Runs of characters that stand for themselves go out whole.
        const char* run = c;
        // Four at a step: the terminator stands for nothing, so no step reads past it.
        for (;;) {
            if (!kStandsForItself[static_cast<unsigned char>(c[0])]) {
                break;
            }
            if (!kStandsForItself[static_cast<unsigned char>(c[1])]) {
                c += 1;
                break;
            }
            if (!kStandsForItself[static_cast<unsigned char>(c[2])]) {
                c += 2;
                break;
            }
            if (!kStandsForItself[static_cast<unsigned char>(c[3])]) {
                c += 3;
                break;
            }
            c += 4;
        }
        out.append(run, static_cast<std::size_t>(c - run));
        if (*c == '\0') {
            break;
        }
        switch (*c) {
        case '\'': out += "\\'"; break;
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        default: break;
        }
        ++c;
    }
    out += '"';
}

void WriteStringList(std::string& out, const SieveStringList* list) {
    if (list == nullptr) {
        out += "\"\" ";
        return;
    }
    if (list->next == nullptr) {
        WriteQuotedString(out, list->text);
        out += ' ';
        return;
    }
    out += '[';
    for (const SieveStringList* item = list; item != nullptr; item = item->next) {
        if (item != list) {
            out += ", ";
        }
        WriteQuotedString(out, item->text);
    }
    out += "] ";
}

void WriteTest(std::string& out, const SieveTest* test) {
    if (test == nullptr) {
        out += "void ";
        return;
    }
    if (test->negated) {
        out += "not ";
    }
    switch (test->kind) {
    case TestKind::Allof:
        out += "allof ";
        WriteTestList(out, test->children);
        break;
    case TestKind::Anyof:
        out += "anyof ";
        WriteTestList(out, test->children);
        break;
    case TestKind::Exists:
        out += "exists ";
        WriteStringList(out, test->headers);
        break;
    case TestKind::False:
        out += "false ";
        break;
    case TestKind::True:
        out += "true ";
        break;
    case TestKind::Address:
        out += "address ";
        out += AddressPartTag(test->addressPart);
        out += ' ';
        out += MatchTypeTag(test->matchType);
        out += ' ';
        if (test->octetComparator) {
            out += kOctetComparatorTag;
        }
        WriteStringList(out, test->headers);
        WriteStringList(out, test->keys);
        break;
    case TestKind::Header:
        out += "header ";
        out += MatchTypeTag(test->matchType);
        out += ' ';
        if (test->octetComparator) {
            out += kOctetComparatorTag;
        }
        WriteStringList(out, test->headers);
        WriteStringList(out, test->keys);
        break;
    case TestKind::Size: {
        out += "size :";
        out += test->sizeUnder ? "under" : "over";
        out += ' ';
        // Written as the unsigned value whose bits it holds, so that 2G and above read back.
        char number[16];
        std::snprintf(number, sizeof number, "%lu",
                      static_cast<unsigned long>(static_cast<std::uint32_t>(test->sizeLimit)));
        out += number;
        break;
    }
    case TestKind::Spamtest:
        out += "spamtest ";
        break;
    }
}

void WriteCommand(std::string& out, const SieveCommand* command, int depth, bool lineMode,
                  bool elsif) {
    if (command == nullptr) {
        return;
    }
    bool ownerOff = depth > 0 && !IsTopLevelAncestorEnabled(command);
    CommandWriter(out, lineMode).Write(command, depth, elsif, ownerOff);
}

std::string WriteScript(const SieveCommand* rules) {
    KeptText& kept = Kept();
    std::unique_lock<std::mutex> guard(kept.lock, std::try_to_lock);
    std::string own;
    std::string& text = guard.owns_lock() ? kept.text : own;
    text.clear();
    CommandWriter writer(text, true);
    Lookahead lookahead(rules);
    for (const SieveCommand* rule = rules; rule != nullptr; rule = rule->next) {
        writer.Write(rule, 0, false, false);
        lookahead.Step();
    }
    std::string out(text);
    if (text.capacity() > kLargestKeptText) {
        std::string().swap(text);
    }
    return out;
}

std::string WriteRuleInline(const SieveCommand* rule) {
    std::string out;
    if (rule != nullptr) {
        CommandWriter(out, false).Write(rule, 0, false, false);
    }
    return out;
}

}  // namespace velor::rules
