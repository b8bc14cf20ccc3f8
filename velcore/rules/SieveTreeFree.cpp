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

void FreeCommandList(SieveCommand* list) {
    while (list != nullptr) {
        SieveCommand* next = list->next;
        FreeTestList(list->test);
        FreeCommandList(list->thenBlock);
        FreeCommandList(list->elseBlock);
        FreeRecord(list);
        list = next;
    }
}

}  // namespace velor::rules
