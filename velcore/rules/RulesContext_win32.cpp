#include "velcore/rules/RulesContext_win32.h"

#include <vector>

#include "velcore/protocol/FolderNames.h"
#include "velcore/protocol/ResourceModule_win32.h"

namespace velor::rules {

std::string ResourceRuleTexts::Text(unsigned id) { return LoadResourceString(id); }

std::string RulesText(unsigned id) { return LoadResourceString(id); }

std::string WindowString(HWND window) {
    int length = GetWindowTextLengthA(window);
    std::vector<char> text(static_cast<std::size_t>(length) + 2, '\0');
    GetWindowTextA(window, text.data(), length + 1);
    return text.data();
}

std::string RulesContext::FolderForDisplay(const char* stored) const {
    return ResourceFolderNames().WireToDisplay(stored);
}

std::string RulesContext::FolderForRule(const std::string& shown) const {
    return ResourceFolderNames().DisplayToWire(shown);
}

}  // namespace velor::rules
