#include "contave/LIB/internal_failure.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace contave {
namespace {

std::atomic<InternalFailureHook> g_hook{nullptr};

}  // namespace

InternalFailureHook SetInternalFailureHook(InternalFailureHook hook) { return g_hook.exchange(hook); }

void InternalFailure(const char* moduleName, int line, Status code) {
  if (InternalFailureHook hook = g_hook.load()) hook(moduleName, line, code);
  // Without a hook, or after one that returned, the report still reaches the error stream, so the
  // end of the process is never silent.
  std::fprintf(stderr, "Contave - Internal Error: module %s, line %d, code 0x%08X\n", moduleName, line,
               static_cast<unsigned>(StatusBits(code)));
  std::fflush(stderr);
  std::abort();
}

}  // namespace contave
