// The boundary between Velcore and its host: no C++ exception may unwind into Outlook Express,
// whose frames know nothing of them. Every export runs its body through Guarded, and the account
// an export names is the current account only while it runs.
#pragma once

#include "velcore/protocol/Runtime.h"
#include "velcore/protocol/Status.h"

#include <cstdint>
#include <new>

namespace velor {

// The body's status, or E_OUTOFMEMORY when it ran out of memory and E_UNEXPECTED for any other
// exception; the host keeps running either way.
template <typename Body>
std::int32_t Guarded(Body&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return status::kOutOfMemory;
    } catch (...) {
        return status::kUnexpected;
    }
}

// Makes the account current for the lifetime of the object, and clears it again however the
// export ends, so no pointer to the caller's record outlives the call.
class CurrentAccountScope {
public:
    explicit CurrentAccountScope(AccountSettings* account) noexcept { TheRuntime().currentAccount = account; }
    ~CurrentAccountScope() { TheRuntime().currentAccount = nullptr; }
    CurrentAccountScope(const CurrentAccountScope&) = delete;
    CurrentAccountScope& operator=(const CurrentAccountScope&) = delete;
};

}  // namespace velor
