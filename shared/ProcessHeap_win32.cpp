#include "shared/ProcessHeap.h"

#include <windows.h>

namespace velor {

void* ProcessHeapAlloc(std::size_t bytes) noexcept { return HeapAlloc(GetProcessHeap(), 0, bytes); }

void ProcessHeapFree(void* block) noexcept {
    if (block) HeapFree(GetProcessHeap(), 0, block);
}

}  // namespace velor
