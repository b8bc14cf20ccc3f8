// Memory that any module of the process may free: the process heap on Windows, malloc natively.
#pragma once

#include <cstddef>

namespace velor {

void* ProcessHeapAlloc(std::size_t bytes) noexcept;
void ProcessHeapFree(void* block) noexcept;

}  // namespace velor
