#include "contave/LIB/internal_failure.h"

#include <atomic>
#include <cstdlib>

namespace contave {
namespace {

std::atomic<InternalFailureHook> g_hook{nullptr};

}  // namespace

InternalFailureHook SetInternalFailureHook(InternalFailureHook hook) { return g_hook.exchange(hook); }

void InternalFailure(const char* moduleName, int line, Status code) {
  if (InternalFailureHook hook = g_hook.load()) hook(moduleName, line, code);
  std::abort();
}

}  // namespace contave
