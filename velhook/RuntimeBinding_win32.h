// The runtime library Velcore, bound at run time: loaded from this module's folder at the first
// command that needs it, initialised once with VlInit after its version block has been found, and
// each export bound by name at its first use. A missing or wrong library is reported to the user
// (messages 130 and 131); after a failed load or initialisation the next command tries again.
#pragma once

#include <windows.h>
#include <prsht.h>

#include <string>
#include <vector>

#include "shared/AccountSettings.h"
#include "shared/ServerRecords.h"

namespace velor::velhook {

// The version this module was built with, which the library must answer to.
inline constexpr WORD kRequiredVersion[4] = {1, 0, 117, 0};
inline constexpr char kRuntimeFileName[] = "Velcore.dll";

struct FolderMappingEntry {
    std::uint32_t kind;
    std::string folder;
    std::string alias;
};

class RuntimeLibrary {
public:
    using LanguageSource = WORD (*)();
    RuntimeLibrary(std::string path, LanguageSource language);
    RuntimeLibrary(const RuntimeLibrary&) = delete;
    RuntimeLibrary& operator=(const RuntimeLibrary&) = delete;

    // 0 when the slot holds the export; a failure status (never 0) otherwise.
    HRESULT Bind(const char* name, void** slot);
    HMODULE handle() const { return library_; }
    // Unloads the library (the module's detach from a process that goes on running).
    void Free();

    // The wrappers: each binds its export and, when that fails, returns the status without calling.
    HRESULT About();
    HRESULT CreatePageSecurity(const char* folder, AccountSettings* settings, HPROPSHEETPAGE* page);
    HRESULT GetAcl(HWND owner, AccountSettings* settings, FolderAclRequests* requests);
    HRESULT GetAliases(AccountSettings* settings, std::vector<FolderMappingEntry>* list);
    HRESULT AddAlias(AccountSettings* settings, char* const* folder, char* const* alias);
    HRESULT RemoveAlias(AccountSettings* settings, char* const* alias);
    HRESULT AclToString(const AclList* acl, std::string* text);
    HRESULT SetAllRead(AccountSettings* settings, const char* folder);
    HRESULT SetAllUnread(AccountSettings* settings, const char* folder);
    HRESULT Expunge(AccountSettings* settings, const char* folder);
    // Finds the account by name, reads its settings and shows the rules window; nothing happens
    // when the account or its settings cannot be had.
    HRESULT MailRules(HWND owner, const char* accountName);

private:
    struct Slots {
        void* about = nullptr;
        void* createPageSecurity = nullptr;
        void* getAcl = nullptr;
        void* getAliases = nullptr;
        void* addAlias = nullptr;
        void* removeAlias = nullptr;
        void* aclToString = nullptr;
        void* setAllRead = nullptr;
        void* setAllUnread = nullptr;
        void* expunge = nullptr;
        void* mailRules = nullptr;
    };
    HRESULT Load();

    std::string path_;
    LanguageSource language_;
    HMODULE library_ = nullptr;
    Slots slots_;
};

// The process's library, beside this module, initialised with the host's language.
RuntimeLibrary& Runtime();
// At the module's detach from a process that goes on running.
void FreeRuntime();

// "%d.%02d.%04d.%d", as the messages show versions.
std::string RuntimeVersionText(WORD major, WORD minor, WORD build, WORD revision);
// The last Win32 error as a status: 0x8007xxxx for a positive error, the value itself otherwise.
HRESULT LastErrorStatus();

}  // namespace velor::velhook
