// The recursive reader over the tokenizer. Each construct reports its own "premature end" and
// "bad token" messages; only the first error of a parse is kept.
#include "velcore/rules/SieveReader.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "velcore/rules/ReaderAllocation.h"
#include "velcore/rules/ReaderMessages.h"
#include "velcore/rules/RuleList.h"

namespace velor::rules {
namespace {

struct CommandName {
    std::string_view keyword;
    CommandKind kind;
};

constexpr CommandName kCommandNames[] = {
    {"keep", CommandKind::Keep},         {"reject", CommandKind::Reject},
    {"discard", CommandKind::Discard},   {"fileinto", CommandKind::Fileinto},
    {"stop", CommandKind::Stop},         {"redirect", CommandKind::Redirect},
    {"notify", CommandKind::Notify},     {"vacation", CommandKind::Vacation},
    {"if", CommandKind::If},
};

constexpr std::string_view kElse = "else";
constexpr std::string_view kElsif = "elsif";
constexpr std::string_view kNot = "not";
constexpr std::string_view kVoid = "void";
constexpr std::string_view kOctetComparator = "i;octet";
constexpr std::string_view kNotifyMethodMail = "mail";

class Reader {
public:
    explicit Reader(SieveTokenizer& tokenizer) : t_(tokenizer) {}

    bool ReadScript(SieveCommand** commands, std::vector<std::size_t>* ruleStarts = nullptr);

private:
    bool Is(std::string_view keyword) const { return t_.TextIs(keyword); }
    bool IsToken(TokenRead read, TokenKind kind) const {
        return read == TokenRead::Token && t_.tokenKind == kind;
    }

    SieveCommand* MakeCommand(CommandKind kind, SieveCommand* parent);
    SieveTest* MakeTest(TestKind kind);
    bool Enter();
    void Leave() { --depth_; }

    SieveCommand* ReadCommand(SieveCommand* parent);
    bool ReadSemicolon();
    bool ReadArgument(SieveCommand* command);
    bool ReadNotify(SieveCommand* command);
    bool ReadVacation(SieveCommand* command);
    SieveCommand* ReadIf(SieveCommand* parent);
    bool ReadBlock(SieveCommand* owner, SieveCommand** block);
    bool ReadTest(SieveTest** out);
    bool ReadTestBody(SieveTest** out);
    bool ReadSize(SieveTest* test);
    bool ReadMatchTags(SieveTest* test, bool address);
    bool ReadTestList(SieveTest** list);
    bool ReadStringList(SieveStringList** list);

    SieveTokenizer& t_;
    int depth_ = 0;
    std::vector<std::size_t>* ruleStarts_ = nullptr;
    TreeArena arena_;  // the records of this read; they outlive it
};

bool Reader::Enter() {
    if (++depth_ > kMaxNestingDepth) {
        t_.Fail("%s", msg::kNestingTooDeep);
        --depth_;
        return false;
    }
    return true;
}

// A new command takes the name of the header line before it and the state of its keyword's
// line. For notify and vacation the name field holds :options and :subject, so a header name
// is not taken there: it would be written back as a notification address or a subject.
SieveCommand* Reader::MakeCommand(CommandKind kind, SieveCommand* parent) {
    SieveCommand* command = NewCommandForReader(kind, &arena_);
    if (command == nullptr) {
        t_.Fail("%s", msg::kOutOfMemory);
        return nullptr;
    }
    if (kind != CommandKind::Notify && kind != CommandKind::Vacation) {
        SetText(command->name, t_.pendingName);
    }
    t_.pendingName[0] = '\0';
    command->enabled = t_.enabled;
    command->parent = parent;
    return command;
}

SieveTest* Reader::MakeTest(TestKind kind) {
    SieveTest* test = NewTest(kind, &arena_);
    if (test == nullptr) {
        t_.Fail("%s", msg::kOutOfMemory);
    }
    return test;
}

bool Reader::ReadScript(SieveCommand** commands, std::vector<std::size_t>* ruleStarts) {
    ruleStarts_ = ruleStarts;
    SieveCommand* head = nullptr;
    SieveCommand** tail = &head;
    while (SieveCommand* command = ReadCommand(nullptr)) {
        // An elsif has a header line of its own, but the window switches a rule as a whole: a
        // branch whose state differed from its rule's would stay off under a rule shown on.
        // Done as each rule is read, while its records are still in the cache; a second walk
        // over a large script afterwards waits for memory at every rule.
        SetRuleEnabled(command, command->enabled != 0);
        *tail = command;
        tail = &command->next;
    }
    if (t_.failed) {
        FreeCommandList(head);
        *commands = nullptr;
        return false;
    }
    *commands = head;
    return true;
}

// Null at the end of the text, and when the command failed.
SieveCommand* Reader::ReadCommand(SieveCommand* parent) {
    TokenRead read = t_.Next();
    if (read == TokenRead::End) {
        return nullptr;
    }
    // A stray "}" or an unreadable character must not end the script quietly: whatever
    // follows it would be lost when the rules are written back.
    if (read == TokenRead::Bad || t_.tokenKind != TokenKind::Identifier) {
        t_.Fail("%s", msg::kKeywordExpected);
        return nullptr;
    }
    if (parent == nullptr && ruleStarts_ != nullptr) {
        ruleStarts_->push_back(t_.CommandStart());
    }
    const CommandName* found = nullptr;
    for (const CommandName& name : kCommandNames) {
        if (Is(name.keyword)) {
            found = &name;
            break;
        }
    }
    if (found == nullptr) {
        t_.Fail(msg::kInvalidCommand, t_.text);
        return nullptr;
    }
    if (found->kind == CommandKind::If) {
        return ReadIf(parent);
    }
    SieveCommand* command = MakeCommand(found->kind, parent);
    if (command == nullptr) {
        return nullptr;
    }
    bool ok = false;
    switch (found->kind) {
    case CommandKind::Keep:
    case CommandKind::Discard:
    case CommandKind::Stop:
        ok = ReadSemicolon();
        break;
    case CommandKind::Reject:
    case CommandKind::Fileinto:
    case CommandKind::Redirect:
        ok = ReadArgument(command);
        break;
    case CommandKind::Notify:
        ok = ReadNotify(command);
        break;
    case CommandKind::Vacation:
        ok = ReadVacation(command);
        break;
    default:
        break;
    }
    if (!ok) {
        FreeCommandList(command);
        return nullptr;
    }
    return command;
}

bool Reader::ReadSemicolon() {
    TokenRead read = t_.Next();
    if (read != TokenRead::Token) {
        t_.Fail("%s", msg::kSemicolonEnd);
        return false;
    }
    if (t_.tokenKind != TokenKind::Semicolon) {
        t_.Fail("%s", msg::kSemicolonBad);
        return false;
    }
    return true;
}

bool Reader::ReadArgument(SieveCommand* command) {
    TokenRead read = t_.Next();
    if (read != TokenRead::Token) {
        t_.Fail("%s", msg::kArgumentEnd);
        return false;
    }
    if (t_.tokenKind != TokenKind::String) {
        t_.Fail("%s", msg::kArgumentBad);
        return false;
    }
    SetText(command->argument, t_.Text());
    return ReadSemicolon();
}

bool Reader::ReadNotify(SieveCommand* command) {
    SetText(command->argument, kDefaultNotifyMessage);
    for (;;) {
        TokenRead read = t_.Next();
        if (read != TokenRead::Token || t_.tokenKind == TokenKind::Semicolon) {
            return true;
        }
        if (t_.tokenKind != TokenKind::Tag) {
            t_.Fail("%s", msg::kOptionBad);
            return false;
        }
        enum { kMethod, kOptions, kMessage } option;
        if (Is("method")) {
            option = kMethod;
        } else if (Is("options")) {
            option = kOptions;
        } else if (Is("message")) {
            option = kMessage;
        } else {
            t_.Fail("%s", msg::kNotifyOptionUnknown);
            return false;
        }
        if (t_.Next() != TokenRead::Token) {
            t_.Fail("%s", msg::kStringEnd);
            return false;
        }
        switch (option) {
        case kMethod:
            if (!Is(kNotifyMethodMail)) {
                t_.Fail("%s", msg::kNotifyMethodUnknown);
                return false;
            }
            break;
        case kOptions:
            SetText(command->name, t_.Text());
            break;
        case kMessage:
            SetText(command->argument, t_.Text());
            break;
        }
    }
}

bool Reader::ReadVacation(SieveCommand* command) {
    SetText(command->days, kDefaultVacationDays);
    for (;;) {
        TokenRead read = t_.Next();
        if (read != TokenRead::Token) {
            t_.Fail("%s", msg::kStringEnd);
            return false;
        }
        if (t_.tokenKind == TokenKind::Semicolon) {
            return true;
        }
        if (t_.tokenKind != TokenKind::Tag) {
            if (t_.tokenKind != TokenKind::String) {
                t_.Fail("%s", msg::kStringBad);
                return false;
            }
            SetText(command->argument, t_.Text());
            return ReadSemicolon();
        }
        char* field;
        std::size_t size;
        if (Is("days")) {
            field = command->days;
            size = sizeof command->days;
        } else if (Is("subject")) {
            field = command->name;
            size = sizeof command->name;
        } else {
            t_.Fail("%s", msg::kVacationOptionUnknown);
            return false;
        }
        read = t_.Next();
        if (read != TokenRead::Token) {
            t_.Fail("%s", msg::kStringEnd);
            return false;
        }
        if (t_.tokenKind != TokenKind::String) {
            t_.Fail("%s", msg::kStringBad);
            return false;
        }
        SetText(field, size, t_.Text());
    }
}

// After "if" or "elsif". A test that fails leaves the test null and the error recorded; the
// block is still read, and when it is well-formed the if is kept and reading goes on.
SieveCommand* Reader::ReadIf(SieveCommand* parent) {
    if (!Enter()) {
        return nullptr;
    }
    SieveCommand* command = MakeCommand(CommandKind::If, parent);
    if (command == nullptr) {
        Leave();
        return nullptr;
    }
    ReadTest(&command->test);
    bool ok = ReadBlock(command, &command->thenBlock);
    if (ok) {
        TokenRead read = t_.Next();
        if (IsToken(read, TokenKind::Identifier) && Is(kElse)) {
            ok = ReadBlock(command, &command->elseBlock);
        } else if (IsToken(read, TokenKind::Identifier) && Is(kElsif)) {
            command->elseBlock = ReadIf(command);
            ok = command->elseBlock != nullptr;
        } else if (read == TokenRead::Token) {
            t_.PushBack();
        }
    }
    Leave();
    if (!ok) {
        FreeCommandList(command);
        return nullptr;
    }
    return command;
}

bool Reader::ReadBlock(SieveCommand* owner, SieveCommand** block) {
    TokenRead read = t_.Next();
    if (read != TokenRead::Token) {
        t_.Fail("%s", msg::kBlockStartEnd);
        return false;
    }
    if (t_.tokenKind != TokenKind::OpenBrace) {
        t_.Fail("%s", msg::kBlockStartBad);
        return false;
    }
    SieveCommand** tail = block;
    for (;;) {
        read = t_.Next();
        if (read != TokenRead::Token) {
            t_.Fail("%s", msg::kBlockEnd);
            return false;
        }
        if (t_.tokenKind == TokenKind::CloseBrace) {
            break;
        }
        t_.PushBack();
        SieveCommand* command = ReadCommand(owner);
        if (command == nullptr) {
            return false;
        }
        *tail = command;
        tail = &command->next;
    }
    if (*block == nullptr) {
        // An empty block still gets a member, so that an if always has a then-block.
        *block = MakeCommand(CommandKind::None, owner);
        return *block != nullptr;
    }
    return true;
}

// False when the test failed; `*out` is then null. A `void` test is null without failing.
bool Reader::ReadTest(SieveTest** out) {
    *out = nullptr;
    if (!Enter()) {
        return false;
    }
    bool ok = ReadTestBody(out);
    Leave();
    return ok;
}

bool Reader::ReadTestBody(SieveTest** out) {
    TokenRead read = t_.Next();
    if (read != TokenRead::Token) {
        t_.Fail("%s", msg::kTestEnd);
        return false;
    }
    if (t_.tokenKind != TokenKind::Identifier) {
        t_.Fail("%s", msg::kTestKeywordBad);
        return false;
    }
    if (Is(kNot)) {
        if (!ReadTest(out)) {
            return false;
        }
        if (*out != nullptr) {
            (*out)->negated ^= 1;
        }
        return true;
    }
    if (Is(kVoid)) {
        return true;
    }
    struct TestName {
        std::string_view keyword;
        TestKind kind;
    };
    static constexpr TestName kTestNames[] = {
        {"allof", TestKind::Allof},   {"anyof", TestKind::Anyof},
        {"exists", TestKind::Exists}, {"false", TestKind::False},
        {"true", TestKind::True},     {"address", TestKind::Address},
        {"header", TestKind::Header}, {"size", TestKind::Size},
        {"spamtest", TestKind::Spamtest},
    };
    const TestName* found = nullptr;
    for (const TestName& name : kTestNames) {
        if (Is(name.keyword)) {
            found = &name;
            break;
        }
    }
    if (found == nullptr) {
        t_.Fail(msg::kTestKeywordInvalid, t_.text);
        return false;
    }
    SieveTest* test = MakeTest(found->kind);
    if (test == nullptr) {
        return false;
    }
    bool ok = true;
    switch (found->kind) {
    case TestKind::Allof:
    case TestKind::Anyof:
        ok = ReadTestList(&test->children);
        break;
    case TestKind::Size:
        ok = ReadSize(test);
        break;
    case TestKind::Exists:
        ok = ReadStringList(&test->headers);
        break;
    case TestKind::Header:
    case TestKind::Address:
        ok = ReadMatchTags(test, found->kind == TestKind::Address) &&
             ReadStringList(&test->headers) && ReadStringList(&test->keys);
        break;
    default:
        break;
    }
    if (!ok) {
        FreeTestList(test);
        return false;
    }
    *out = test;
    return true;
}

bool Reader::ReadSize(SieveTest* test) {
    TokenRead read = t_.Next();
    if (read != TokenRead::Token) {
        t_.Fail("%s", msg::kSizeTagEnd);
        return false;
    }
    if (t_.tokenKind != TokenKind::Tag) {
        t_.Fail("%s", msg::kSizeTagBad);
        return false;
    }
    if (Is("over")) {
        test->sizeUnder = 0;
    } else if (Is("under")) {
        test->sizeUnder = 1;
    } else {
        t_.Fail(msg::kSizeTagUnknown, t_.text);
        return false;
    }
    read = t_.Next();
    if (read != TokenRead::Token) {
        t_.Fail("%s", msg::kNumberEnd);
        return false;
    }
    if (t_.tokenKind != TokenKind::Number) {
        t_.Fail("%s", msg::kNumberBad);
        return false;
    }
    // The tokenizer keeps numbers within 32 bits; 2G and above keep their bits as they are.
    test->sizeLimit = static_cast<std::int32_t>(
        static_cast<std::uint32_t>(std::strtoul(t_.text, nullptr, 10)));
    return true;
}

bool Reader::ReadMatchTags(SieveTest* test, bool address) {
    for (;;) {
        TokenRead read = t_.Next();
        if (read != TokenRead::Token) {
            t_.Fail("%s", address ? msg::kAddressTagEnd : msg::kHeaderTagEnd);
            return false;
        }
        if (t_.tokenKind != TokenKind::Tag) {
            t_.PushBack();
            return true;
        }
        if (Is("is")) {
            test->matchType = MatchType::Is;
        } else if (Is("contains")) {
            test->matchType = MatchType::Contains;
        } else if (Is("matches")) {
            test->matchType = MatchType::Matches;
        } else if (Is("comparator")) {
            read = t_.Next();
            if (read != TokenRead::Token) {
                t_.Fail("%s", address ? msg::kAddressComparatorEnd : msg::kHeaderComparatorEnd);
                return false;
            }
            if (t_.tokenKind != TokenKind::String) {
                t_.Fail("%s", msg::kComparatorBad);
                return false;
            }
            test->octetComparator = Is(kOctetComparator) ? 1 : 0;
        } else if (address && Is("all")) {
            test->addressPart = AddressPart::All;
        } else if (address && Is("localpart")) {
            test->addressPart = AddressPart::Localpart;
        } else if (address && Is("domain")) {
            test->addressPart = AddressPart::Domain;
        } else {
            t_.Fail(address ? msg::kAddressTagInvalid : msg::kHeaderTagInvalid, t_.text);
            return false;
        }
    }
}

bool Reader::ReadTestList(SieveTest** list) {
    TokenRead read = t_.Next();
    if (read != TokenRead::Token) {
        t_.Fail("%s", msg::kTestListEnd);
        return false;
    }
    if (t_.tokenKind != TokenKind::OpenParen) {
        t_.PushBack();
        return ReadTest(list);
    }
    SieveTest** tail = list;
    for (;;) {
        SieveTest* test = nullptr;
        if (!ReadTest(&test)) {
            FreeTestList(*list);
            *list = nullptr;
            return false;
        }
        if (test != nullptr) {
            *tail = test;
            tail = &test->next;
        }
        read = t_.Next();
        bool ok = true;
        if (read != TokenRead::Token) {
            t_.Fail("%s", msg::kListSeparatorEnd);
            ok = false;
        } else if (t_.tokenKind == TokenKind::CloseParen) {
            return true;
        } else if (t_.tokenKind != TokenKind::Comma) {
            t_.Fail("%s", msg::kCommaBad);
            ok = false;
        }
        if (!ok) {
            FreeTestList(*list);
            *list = nullptr;
            return false;
        }
    }
}

bool Reader::ReadStringList(SieveStringList** list) {
    TokenRead read = t_.Next();
    if (read != TokenRead::Token) {
        t_.Fail("%s", msg::kStringListEnd);
        return false;
    }
    if (t_.tokenKind == TokenKind::String) {
        *list = NewStringItem(t_.Text(), &arena_);
        if (*list == nullptr) {
            t_.Fail("%s", msg::kOutOfMemory);
            return false;
        }
        return true;
    }
    if (t_.tokenKind != TokenKind::OpenBracket) {
        t_.Fail("%s", msg::kStringListBad);
        return false;
    }
    SieveStringList** tail = list;
    const char* failure = nullptr;
    for (;;) {
        read = t_.Next();
        if (read != TokenRead::Token) {
            failure = msg::kStringListItemEnd;
            break;
        }
        if (t_.tokenKind != TokenKind::String) {
            failure = msg::kStringListItemBad;
            break;
        }
        SieveStringList* item = NewStringItem(t_.Text(), &arena_);
        if (item == nullptr) {
            failure = msg::kOutOfMemory;
            break;
        }
        *tail = item;
        tail = &item->next;
        read = t_.Next();
        if (read != TokenRead::Token) {
            failure = msg::kListSeparatorEnd;
            break;
        }
        if (t_.tokenKind == TokenKind::CloseBracket) {
            return true;
        }
        if (t_.tokenKind != TokenKind::Comma) {
            failure = msg::kCommaBad;
            break;
        }
    }
    t_.Fail("%s", failure);
    FreeStringList(*list);
    *list = nullptr;
    return false;
}

}  // namespace

bool ParseScript(SieveTokenizer& tokenizer, SieveCommand** commands) {
    Reader reader(tokenizer);
    return reader.ReadScript(commands);
}

std::vector<std::size_t> RuleStartOffsets(std::string_view script) {
    std::vector<std::size_t> starts;
    SieveTokenizer tokenizer(script);
    SieveCommand* commands = nullptr;
    if (!Reader(tokenizer).ReadScript(&commands, &starts)) starts.clear();
    FreeCommandList(commands);
    return starts;
}

ParseOutcome ReadScript(std::string_view script) {
    ParseOutcome outcome;
    SieveTokenizer tokenizer(script);
    SieveCommand* commands = nullptr;
    outcome.ok = ParseScript(tokenizer, &commands);
    outcome.commands.reset(commands);
    if (!outcome.ok) {
        outcome.line = tokenizer.line;
        outcome.message = tokenizer.message;
    }
    return outcome;
}

}  // namespace velor::rules
