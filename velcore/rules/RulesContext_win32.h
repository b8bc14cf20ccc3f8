// What every mail-rules window needs: the account (for the folder list of the Move dialog), the
// catalogues and texts in the current language, and the folder names' display form.
#pragma once

#include <windows.h>

#include <string>

#include "shared/AccountSettings.h"
#include "velcore/rules/RuleCatalogue.h"
#include "velcore/rules/RuleDescription.h"

namespace velor::rules {

// The rule texts from Velcore's string table (or its language library).
class ResourceRuleTexts final : public RuleTextSource {
public:
    std::string Text(unsigned id) override;
};

struct RulesContext {
    AccountSettings* account = nullptr;
    const RuleCatalogue* catalogue = nullptr;
    DescriptionTexts texts;

    // The folder of a fileinto (modified UTF-7, server form) as the user reads it, and back.
    std::string FolderForDisplay(const char* stored) const;
    std::string FolderForRule(const std::string& shown) const;
};

// A string of the table (a shortcut for the windows' texts).
std::string RulesText(unsigned id);

// A text of the window or control, however long.
std::string WindowString(HWND window);

// Chooses one e-mail address from the address book into `address`; false when the user
// cancelled or no address book is there. The people dialogs' "Address Book..." buttons call it.
bool ChooseAddressFromBook(HWND owner, std::string& address);

}  // namespace velor::rules
