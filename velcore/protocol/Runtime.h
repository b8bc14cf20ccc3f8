// The few settings that live for the whole time Velcore is loaded: its own module and the
// language its resources are loaded in. Everything else is made and released by each call.
#pragma once

#include <cstdint>

namespace velor {

struct AccountSettings;

struct Runtime {
    void* module = nullptr;                    // Velcore's own module handle
    std::uint16_t language = 0;                // 0: Velcore's own resources
    AccountSettings* currentAccount = nullptr;  // set by every export that contacts the server
};

Runtime& TheRuntime();

}  // namespace velor
