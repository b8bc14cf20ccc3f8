// VlMailRules: the user's Sieve script fetched, shown as rules, and stored again when the user
// accepted a changed list (see Velcore.def).
#include <winsock2.h>  // before windows.h, which would bring the old winsock.h

#include "shared/AccountSettings.h"
#include "velcore/protocol/ExportGuard.h"
#include "velcore/protocol/ScriptTransfer_win32.h"
#include "velcore/protocol/Status.h"
#include "velcore/protocol/TextConversion.h"
#include "velcore/rules/FetchedScript.h"
#include "velcore/rules/RulesWindow_win32.h"
#include "velcore/rules/ScriptEditor_win32.h"
#include "velcore/rules/SieveReader.h"

#include <windows.h>

using velor::AccountSettings;

namespace velor::rules {
namespace {

std::int32_t EditRules(HWND owner, AccountSettings& account) {
    std::string ansi, utf8;
    std::int32_t result = FetchRulesScript(owner, account, ansi, &utf8);
    if (result != status::kOk) return result;

    ResourceRuleTexts texts;
    RulesContext context;
    context.account = &account;
    context.catalogue = RuleCatalogue::Shared(texts);
    if (context.catalogue == nullptr) return status::kFail;
    context.texts = DescriptionTexts::Load(texts);

    bool mustStore = false;
    CommandListPtr rules;
    FetchedScript fetched;
    ParseOutcome outcome = ReadScript(ansi);
    if (outcome.ok) {
        rules = std::move(outcome.commands);
        fetched.Keep(utf8, rules.get(), [](std::string_view text) { return Utf8ToAnsi(text); });
    } else {
        std::string repaired;
        std::int32_t repair = RepairFetchedScript(owner, context, ansi, outcome.line, outcome.message, repaired, rules);
        if (repair != status::kOk) return repair;
        // The repaired script replaces the server's invalid one even when the window is cancelled.
        mustStore = true;
    }

    SieveCommand* head = rules.release();
    INT_PTR closed = RunRulesWindow(owner, context, &head);
    rules.reset(head);
    if (closed == IDOK || mustStore) {
        std::string script = fetched.Compose(rules.get(), [](std::string_view text) { return AnsiToUtf8(text); });
        result = StoreRulesScriptWithRetry(owner, account, script);
    }
    return result;
}

}  // namespace
}  // namespace velor::rules

extern "C" HRESULT WINAPI VlMailRules(HWND owner, AccountSettings* account) {
    return velor::Guarded([&]() -> HRESULT {
        if (!account) return velor::status::kInvalidArg;
        velor::CurrentAccountScope current(account);
        return velor::rules::EditRules(owner, *account);
    });
}
