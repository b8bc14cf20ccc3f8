#include "shared/ProcessHeap.h"
#include "shared/ServerRecords.h"

#include <cstring>

namespace velor {

bool AclListAppend(AclList& list, const AclEntry& entry) noexcept {
    if (list.count == list.capacity) {
        std::uint32_t capacity = list.capacity == 0 ? 1 : list.capacity * 2;
        if (capacity <= list.capacity || capacity > SIZE_MAX / sizeof(AclEntry)) return false;
        auto* grown = static_cast<AclEntry*>(ProcessHeapAlloc(capacity * sizeof(AclEntry)));
        if (!grown) return false;
        if (list.count) std::memcpy(grown, list.entries, list.count * sizeof(AclEntry));
        ProcessHeapFree(list.entries);
        list.entries = grown;
        list.capacity = capacity;
    }
    list.entries[list.count++] = entry;
    return true;
}

void AclListRemove(AclList& list, std::uint32_t i) noexcept {
    if (i >= list.count) return;
    std::memmove(list.entries + i, list.entries + i + 1, (list.count - i - 1) * sizeof(AclEntry));
    --list.count;
}

void AclListClear(AclList& list) noexcept {
    ProcessHeapFree(list.entries);
    list.entries = nullptr;
    list.count = 0;
    list.capacity = 0;
}

}  // namespace velor
