// Freeing a list frees each member and everything it owns. Lists are walked in a loop; only
// nesting recurses, and the reader bounds nesting.
#include "velcore/rules/ReaderAllocation.h"
#include "velcore/rules/SieveTree.h"

namespace velor::rules {

void FreeStringList(SieveStringList* list) {
    while (list != nullptr) {
        SieveStringList* next = list->next;
        FreeRecord(list);  // the text is part of the item's record
        list = next;
    }
}

void FreeTestList(SieveTest* list) {
    while (list != nullptr) {
        SieveTest* next = list->next;
        FreeStringList(list->headers);
        FreeStringList(list->keys);
        FreeTestList(list->children);
        FreeRecord(list);
        list = next;
    }
}

namespace {

// A command's links lie 2 KB after its start, past its text buffers, and commands are far
// apart: asking for the next one's links and record header while this one is freed hides
// most of the waits for memory.
void Prefetch(const SieveCommand* command) {
#if defined(__GNUC__)
    if (command != nullptr) {
        __builtin_prefetch(&command->test);
        __builtin_prefetch(&command->next);
        __builtin_prefetch(reinterpret_cast<const char*>(command) - 1);
    }
#else
    (void)command;
#endif
}

}  // namespace

void FreeCommandList(SieveCommand* list) {
    while (list != nullptr) {
        SieveCommand* next = list->next;
        Prefetch(next);
        FreeTestList(list->test);
        FreeCommandList(list->thenBlock);
        FreeCommandList(list->elseBlock);
        FreeRecord(list);
        list = next;
    }
}

}  // namespace velor::rules
