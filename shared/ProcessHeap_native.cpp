#include "shared/ProcessHeap.h"

#include <cstdlib>

namespace velor {

void* ProcessHeapAlloc(std::size_t bytes) noexcept { return std::malloc(bytes); }

void ProcessHeapFree(void* block) noexcept { std::free(block); }

}  // namespace velor
