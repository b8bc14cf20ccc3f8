#include "velcore/rules/tests/support/TreeCompare.h"

#include <cstring>
#include <set>
#include <string_view>

namespace velor::rules::testing {
namespace {

std::string Quote(const char* text) {
    std::string quoted = "\"";
    quoted += text != nullptr ? text : "(null)";
    quoted += '"';
    return quoted;
}

bool CompareStrings(const SieveStringList* a, const SieveStringList* b, const std::string& path,
                    std::string& difference) {
    int index = 0;
    for (; a != nullptr && b != nullptr; a = a->next, b = b->next, ++index) {
        if (std::strcmp(a->text, b->text) != 0) {
            difference = path + "[" + std::to_string(index) + "]: " + Quote(a->text) + " vs " +
                         Quote(b->text);
            return false;
        }
    }
    if (a != nullptr || b != nullptr) {
        difference = path + ": lists differ in length at item " + std::to_string(index);
        return false;
    }
    return true;
}

bool CompareTests(const SieveTest* a, const SieveTest* b, const std::string& path,
                  std::string& difference) {
    int index = 0;
    for (; a != nullptr && b != nullptr; a = a->next, b = b->next, ++index) {
        std::string here = path + "[" + std::to_string(index) + "]";
        auto field = [&](const char* name, long x, long y) {
            if (x == y) {
                return true;
            }
            difference = here + "." + name + ": " + std::to_string(x) + " vs " + std::to_string(y);
            return false;
        };
        if (!field("kind", static_cast<long>(a->kind), static_cast<long>(b->kind)) ||
            !field("negated", a->negated, b->negated) ||
            !field("octetComparator", a->octetComparator, b->octetComparator) ||
            !field("addressPart", static_cast<long>(a->addressPart), static_cast<long>(b->addressPart)) ||
            !field("matchType", static_cast<long>(a->matchType), static_cast<long>(b->matchType)) ||
            !field("sizeUnder", a->sizeUnder, b->sizeUnder) ||
            !field("sizeLimit", a->sizeLimit, b->sizeLimit) ||
            !CompareStrings(a->headers, b->headers, here + ".headers", difference) ||
            !CompareStrings(a->keys, b->keys, here + ".keys", difference) ||
            !CompareTests(a->children, b->children, here + ".children", difference)) {
            return false;
        }
    }
    if (a != nullptr || b != nullptr) {
        difference = path + ": test lists differ in length at " + std::to_string(index);
        return false;
    }
    return true;
}

bool CompareCommands(const SieveCommand* a, const SieveCommand* b, const std::string& path,
                     const CompareOptions& options, std::string& difference) {
    int index = 0;
    for (; a != nullptr && b != nullptr; a = a->next, b = b->next, ++index) {
        std::string here = path + "[" + std::to_string(index) + "]";
        if (a->kind != b->kind) {
            difference = here + ".kind: " + std::to_string(static_cast<int>(a->kind)) + " vs " +
                         std::to_string(static_cast<int>(b->kind));
            return false;
        }
        bool nameIsData = a->kind == CommandKind::Notify || a->kind == CommandKind::Vacation;
        if (!options.ignoreStateAndRuleNames && a->enabled != b->enabled) {
            difference = here + ".enabled: " + std::to_string(a->enabled) + " vs " +
                         std::to_string(b->enabled);
            return false;
        }
        if ((nameIsData || !options.ignoreStateAndRuleNames) && std::strcmp(a->name, b->name) != 0) {
            difference = here + ".name: " + Quote(a->name) + " vs " + Quote(b->name);
            return false;
        }
        if (std::strcmp(a->days, b->days) != 0) {
            difference = here + ".days: " + Quote(a->days) + " vs " + Quote(b->days);
            return false;
        }
        if (std::strcmp(a->argument, b->argument) != 0) {
            difference = here + ".argument: " + Quote(a->argument) + " vs " + Quote(b->argument);
            return false;
        }
        if (a->editable != b->editable) {
            difference = here + ".editable differs";
            return false;
        }
        if (!CompareTests(a->test, b->test, here + ".test", difference) ||
            !CompareCommands(a->thenBlock, b->thenBlock, here + ".then", options, difference) ||
            !CompareCommands(a->elseBlock, b->elseBlock, here + ".else", options, difference)) {
            return false;
        }
    }
    if (a != nullptr || b != nullptr) {
        difference = path + ": command lists differ in length at " + std::to_string(index);
        return false;
    }
    return true;
}

void CollectTests(const SieveTest* test, std::set<const void*>& seen) {
    for (; test != nullptr; test = test->next) {
        seen.insert(test);
        for (const SieveStringList* s = test->headers; s != nullptr; s = s->next) {
            seen.insert(s);
            seen.insert(s->text);
        }
        for (const SieveStringList* s = test->keys; s != nullptr; s = s->next) {
            seen.insert(s);
            seen.insert(s->text);
        }
        CollectTests(test->children, seen);
    }
}

void CollectCommands(const SieveCommand* command, std::set<const void*>& seen) {
    for (; command != nullptr; command = command->next) {
        seen.insert(command);
        CollectTests(command->test, seen);
        CollectCommands(command->thenBlock, seen);
        CollectCommands(command->elseBlock, seen);
    }
}

}  // namespace

std::string DescribeDifference(const SieveCommand* expected, const SieveCommand* actual,
                               CompareOptions options) {
    std::string difference;
    CompareCommands(expected, actual, "rules", options, difference);
    return difference;
}

bool ParentLinksConsistent(const SieveCommand* list, const SieveCommand* parent) {
    for (; list != nullptr; list = list->next) {
        if (list->parent != parent || !ParentLinksConsistent(list->thenBlock, list) ||
            !ParentLinksConsistent(list->elseBlock, list)) {
            return false;
        }
    }
    return true;
}

bool SharesStorage(const SieveCommand* a, const SieveCommand* b) {
    std::set<const void*> first;
    std::set<const void*> second;
    CollectCommands(a, first);
    CollectCommands(b, second);
    for (const void* p : second) {
        if (first.count(p) != 0) {
            return true;
        }
    }
    return false;
}

}  // namespace velor::rules::testing
