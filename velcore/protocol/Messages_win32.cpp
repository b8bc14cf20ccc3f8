#include "velcore/protocol/Messages_win32.h"

#include "velcore/protocol/ResourceModule_win32.h"
#include "velcore/res/resource.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace velor {

int ShowMessage(HWND owner, UINT style, unsigned textId, ...) {
    std::string format = LoadResourceString(textId);
    va_list args;
    va_start(args, textId);
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, format.c_str(), copy);
    va_end(copy);
    std::vector<char> text(n > 0 ? static_cast<std::size_t>(n) + 1 : 1, '\0');
    if (n > 0) std::vsnprintf(text.data(), text.size(), format.c_str(), args);
    va_end(args);
    return MessageBoxA(owner, text.data(), LoadResourceString(IDS_CAPTION).c_str(), style);
}

}  // namespace velor
