// Linked into a test build of Velcore only (VelcoreFaults.dll): replaces operator new so that,
// while the environment variable VELOR_FAIL_ALLOCATIONS_FROM holds a size, every allocation of at
// least that many bytes throws std::bad_alloc, as in a 32-bit process out of address space.
#include <windows.h>

#include <cstdlib>
#include <new>

namespace {

std::size_t failFrom() {
    char value[32];
    DWORD n = GetEnvironmentVariableA("VELOR_FAIL_ALLOCATIONS_FROM", value, sizeof value);
    if (n == 0 || n >= sizeof value) return 0;
    return std::strtoul(value, nullptr, 10);
}

}  // namespace

void* operator new(std::size_t size) {
    const std::size_t limit = failFrom();
    if (limit != 0 && size >= limit) throw std::bad_alloc();
    if (void* memory = std::malloc(size ? size : 1)) return memory;
    throw std::bad_alloc();
}

void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
