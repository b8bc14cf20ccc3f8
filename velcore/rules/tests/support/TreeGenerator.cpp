#include "velcore/rules/tests/support/TreeGenerator.h"

#include <cstring>
#include <string>

namespace velor::rules::testing {
namespace {

constexpr int kMaxDepth = 3;
// Characters that stress the quoting and the comment handling, besides plain text.
constexpr char kAlphabet[] = "aZ09 _-.@\"\\'\t#{}[]();,:/*!$\xE9";
constexpr CommandKind kCommandKinds[] = {
    CommandKind::Keep,     CommandKind::Reject, CommandKind::Discard,
    CommandKind::Fileinto, CommandKind::Stop,   CommandKind::Redirect,
    CommandKind::Notify,   CommandKind::Vacation, CommandKind::If,
};
constexpr TestKind kTestKinds[] = {
    TestKind::Allof, TestKind::Anyof,  TestKind::Exists, TestKind::False,    TestKind::True,
    TestKind::Address, TestKind::Header, TestKind::Size, TestKind::Spamtest,
};

}  // namespace

void TreeGenerator::Text(char* buffer, std::size_t size, std::size_t maxLength, bool lineBreaks) {
    std::size_t length = static_cast<std::size_t>(Pick(static_cast<int>(maxLength) + 1));
    if (Chance(3)) {
        length = size - 1;  // the longest text the buffer holds
    }
    std::string text;
    for (std::size_t i = 0; i < length; ++i) {
        if (lineBreaks && Chance(5)) {
            text += Chance(50) ? '\n' : '\r';
        } else {
            text += kAlphabet[Pick(sizeof kAlphabet - 1)];
        }
    }
    SetText(buffer, size, text);
}

SieveStringList* TreeGenerator::Strings() {
    SieveStringList* head = nullptr;
    SieveStringList** tail = &head;
    int count = 1 + Pick(3);
    for (int i = 0; i < count; ++i) {
        char text[64];
        Text(text, sizeof text, 20, true);
        *tail = NewStringItem(text);
        tail = &(*tail)->next;
    }
    return head;
}

SieveTest* TreeGenerator::Test(int depth) {
    TestKind kind = kTestKinds[Pick(sizeof kTestKinds / sizeof kTestKinds[0])];
    if (depth >= kMaxDepth && (kind == TestKind::Allof || kind == TestKind::Anyof)) {
        kind = TestKind::True;
    }
    SieveTest* test = NewTest(kind);
    test->negated = Chance(30) ? 1 : 0;
    switch (kind) {
    case TestKind::Allof:
    case TestKind::Anyof: {
        SieveTest** tail = &test->children;
        int count = 1 + Pick(3);
        for (int i = 0; i < count; ++i) {
            *tail = Test(depth + 1);
            tail = &(*tail)->next;
        }
        break;
    }
    case TestKind::Exists:
        test->headers = Strings();
        break;
    case TestKind::Address:
        test->addressPart = static_cast<AddressPart>(Pick(3));
        [[fallthrough]];
    case TestKind::Header:
        test->matchType = static_cast<MatchType>(Pick(3));
        test->octetComparator = Chance(30) ? 1 : 0;
        test->headers = Strings();
        test->keys = Strings();
        break;
    case TestKind::Size:
        test->sizeUnder = Chance(50) ? 1 : 0;
        test->sizeLimit = static_cast<std::int32_t>(static_cast<std::uint32_t>(random_()));
        break;
    default:
        break;
    }
    return test;
}

// A block of one to three commands, or an empty block (one command of kind none).
SieveCommand* TreeGenerator::Block(int depth, bool off, SieveCommand* parent) {
    if (Chance(10)) {
        SieveCommand* empty = NewCommand(CommandKind::None);
        empty->enabled = off ? 0 : 1;
        empty->parent = parent;
        return empty;
    }
    SieveCommand* head = nullptr;
    SieveCommand** tail = &head;
    int count = 1 + Pick(3);
    for (int i = 0; i < count; ++i) {
        *tail = Command(depth, off, parent, false);
        tail = &(*tail)->next;
    }
    return head;
}

void TreeGenerator::FillIf(SieveCommand* command, int depth, bool off) {
    command->test = Chance(10) ? nullptr : Test(0);
    command->thenBlock = Block(depth + 1, off, command);
    int shape = Pick(3);
    if (shape == 1) {
        command->elseBlock = Block(depth + 1, off, command);
    } else if (shape == 2 && depth < kMaxDepth) {
        // An elsif. At the top it heads lines of its own, with its own header line: it may be
        // named and, in a live rule, switched off by itself.
        SieveCommand* elsif = NewCommand(CommandKind::If);
        elsif->parent = command;
        bool elsifOff = off;
        if (depth == 0) {
            elsifOff = off || Chance(30);
            if (Chance(40)) {
                Text(elsif->name, sizeof elsif->name, 30, false);
            }
        }
        elsif->enabled = elsifOff ? 0 : 1;
        FillIf(elsif, depth, elsifOff);
        command->elseBlock = elsif;
    }
}

SieveCommand* TreeGenerator::Command(int depth, bool off, SieveCommand* parent, bool named) {
    CommandKind kind = kCommandKinds[Pick(sizeof kCommandKinds / sizeof kCommandKinds[0])];
    if (depth >= kMaxDepth && kind == CommandKind::If) {
        kind = CommandKind::Keep;
    }
    SieveCommand* command = NewCommand(kind);
    command->enabled = off ? 0 : 1;
    command->parent = parent;
    if (named && Chance(60)) {
        Text(command->name, sizeof command->name, 40, false);
    }
    switch (kind) {
    case CommandKind::Reject:
    case CommandKind::Fileinto:
    case CommandKind::Redirect:
        Text(command->argument, sizeof command->argument, 60, true);
        break;
    case CommandKind::Notify:
        // The name is :options here. An empty message stands for the default text, which the
        // reader fills in, so a written notify always has one.
        Text(command->name, sizeof command->name, 30, true);
        do {
            Text(command->argument, sizeof command->argument, 60, true);
        } while (command->argument[0] == '\0');
        break;
    case CommandKind::Vacation:
        Text(command->name, sizeof command->name, 30, true);
        if (Chance(50)) {
            SetText(command->days, kDefaultVacationDays);
        } else {
            do {
                Text(command->days, sizeof command->days, 5, true);
            } while (command->days[0] == '\0');
        }
        Text(command->argument, sizeof command->argument, 60, true);
        break;
    case CommandKind::If:
        FillIf(command, depth, off);
        break;
    default:
        break;
    }
    return command;
}

SieveCommand* TreeGenerator::Rule() {
    return Command(0, Chance(35), nullptr, true);
}

CommandListPtr TreeGenerator::Script(int maxRules) {
    SieveCommand* head = nullptr;
    SieveCommand** tail = &head;
    int count = 1 + Pick(maxRules);
    for (int i = 0; i < count; ++i) {
        *tail = Rule();
        tail = &(*tail)->next;
    }
    return CommandListPtr(head);
}

}  // namespace velor::rules::testing
