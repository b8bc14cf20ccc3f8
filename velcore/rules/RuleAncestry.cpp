// Nested commands carry no state of their own that counts: a rule is on or off as a whole.
#include "velcore/rules/SieveTree.h"

namespace velor::rules {

bool IsTopLevelAncestorEnabled(const SieveCommand* command) {
    if (command == nullptr) {
        return false;
    }
    while (command->parent != nullptr) {
        command = command->parent;
    }
    return command->enabled != 0;
}

}  // namespace velor::rules
