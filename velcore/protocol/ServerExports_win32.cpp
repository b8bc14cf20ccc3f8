// The access-control and mapping exports (see Velcore.def): argument checks and the current
// account here, the work in AclCommands and MappingCommands.
#include <winsock2.h>  // before windows.h, which would bring the old winsock.h

#include "shared/AccountSettings.h"
#include "shared/ServerRecords.h"
#include "velcore/protocol/AclCommands.h"
#include "velcore/protocol/ExportGuard.h"
#include "velcore/protocol/FolderNames.h"
#include "velcore/protocol/MappingCommands.h"
#include "velcore/protocol/Prompts_win32.h"
#include "velcore/protocol/ResourceModule_win32.h"
#include "velcore/protocol/Status.h"
#include "velcore/protocol/WinsockTransport_win32.h"
#include "velcore/res/resource.h"

#include <windows.h>

#include <cstring>
#include <vector>

using velor::AccountSettings;

namespace {

// A text argument as Velhook passes it: the address of a text object's character pointer.
bool textArgument(char* const* text, std::string_view& out) {
    if (!text || !*text) return false;
    out = *text;
    return true;
}

}  // namespace

// Reads the ACL of every requested folder over one connection; each request's result is the
// status of its own GETACL.
extern "C" HRESULT WINAPI VlGetACL(HWND owner, AccountSettings* account, velor::FolderAclRequests* requests) {
    return velor::Guarded([&]() -> HRESULT {
        if (!account || !requests) return velor::status::kInvalidArg;
        velor::CurrentAccountScope current(account);
        velor::WinsockTransport transport(*account);
        velor::WindowsPrompts prompts(owner);
        return velor::GetAcls(transport, *account, prompts, velor::ResourceFolderNames(), *requests);
    });
}

// The ACL as one line of text. Returns the bytes the text needs with its terminating zero and,
// when buffer is not null, copies it there: the caller asks with a null buffer first.
extern "C" int WINAPI VlAclToString(const velor::AclList* acl, char* buffer) {
    try {
        std::string text;
        if (acl) text = velor::RenderAcl(*acl, velor::LoadResourceString(IDS_ACL_ALL_RIGHTS));
        if (buffer) std::memcpy(buffer, text.c_str(), text.size() + 1);
        return static_cast<int>(text.size() + 1);
    } catch (...) {
        return 0;  // no text could be made: not even room for the zero is claimed
    }
}

// Lists the folder mappings and reports each to the callback once the connection is closed.
extern "C" HRESULT WINAPI VlGetAliases(AccountSettings* account, velor::FolderMappingCallback callback,
                                       void* context) {
    return velor::Guarded([&]() -> HRESULT {
        if (!account || !callback) return velor::status::kInvalidArg;
        std::vector<velor::FolderMapping> mappings;
        HRESULT result;
        {
            velor::CurrentAccountScope current(account);
            velor::WinsockTransport transport(*account);
            velor::WindowsPrompts prompts;
            result = velor::ListMappings(transport, *account, prompts, velor::ResourceFolderNames(), mappings);
        }
        if (result != S_OK) return result;
        for (const velor::FolderMapping& mapping : mappings)
            callback(mapping.kind, &mapping.folder, &mapping.alias, context);
        return S_OK;
    });
}

extern "C" HRESULT WINAPI VlAddAlias(AccountSettings* account, char* const* folder, char* const* alias) {
    return velor::Guarded([&]() -> HRESULT {
        std::string_view folderText, aliasText;
        if (!account || !textArgument(folder, folderText) || !textArgument(alias, aliasText))
            return velor::status::kInvalidArg;
        velor::CurrentAccountScope current(account);
        velor::WinsockTransport transport(*account);
        velor::WindowsPrompts prompts;
        return velor::AddMapping(transport, *account, prompts, velor::ResourceFolderNames(), folderText, aliasText);
    });
}

extern "C" HRESULT WINAPI VlRemoveAlias(AccountSettings* account, char* const* alias) {
    return velor::Guarded([&]() -> HRESULT {
        std::string_view aliasText;
        if (!account || !textArgument(alias, aliasText)) return velor::status::kInvalidArg;
        velor::CurrentAccountScope current(account);
        velor::WinsockTransport transport(*account);
        velor::WindowsPrompts prompts;
        return velor::RemoveMapping(transport, *account, prompts, aliasText);
    });
}
