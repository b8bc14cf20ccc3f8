// The writer's output is read back by the reader into an equal tree; every choice of spacing
// here is what stored scripts have always looked like, so it is kept byte for byte.
#include "velcore/rules/SieveWriter.h"

#include <array>
#include <cstdio>
#include <cstring>

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
    // Room for rules of ordinary length at once: growing a script of many rules by doubling
    // copies it several times over, and each larger buffer is fresh memory to fault in.
    constexpr std::size_t kTypicalRuleLength = 256;
    std::size_t ruleCount = 0;
    for (const SieveCommand* rule = rules; rule != nullptr; rule = rule->next) {
        ++ruleCount;
    }
    std::string out;
    out.reserve(ruleCount * kTypicalRuleLength);
    CommandWriter writer(out, true);
    for (const SieveCommand* rule = rules; rule != nullptr; rule = rule->next) {
        Prefetch(rule->next);
        Prefetch(rule->thenBlock);
        writer.Write(rule, 0, false, false);
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
