#include "velhook/ImapFoldersPermissions_win32.h"

#include <algorithm>
#include <cstring>

#include "velhook/Accounts_win32.h"
#include "velhook/ImapFoldersModel.h"
#include "velhook/RuntimeBinding_win32.h"

namespace velor::velhook {

std::unique_ptr<AccountSettings> AccountSettingsNamed(const std::string& account) {
    RegistryKey key;
    std::unique_ptr<AccountSettings> settings;
    if (account.empty() || !FindAccount(account.c_str(), nullptr, &key) ||
        ReadAccountSettings(key.get(), &settings) != S_OK)
        return nullptr;
    return settings;
}

std::unique_ptr<PermissionCache> ReadPermissions(HWND owner, const std::string& account,
                                                 const std::vector<std::string>& paths) {
    std::unique_ptr<AccountSettings> settings = AccountSettingsNamed(account);
    if (!settings) return nullptr;
    std::vector<std::unique_ptr<FolderRights>> lists;
    std::vector<FolderAclRequest> requests;
    std::vector<std::string> asked;
    for (const std::string& path : paths) {
        if (!FitsFolderField(path) || std::find(asked.begin(), asked.end(), path) != asked.end()) continue;
        lists.push_back(std::make_unique<FolderRights>());
        FolderAclRequest request{};
        std::memcpy(request.folder, path.c_str(), path.size() + 1);
        request.result = static_cast<std::int32_t>(E_FAIL);  // what an untouched request means
        request.acl = &lists.back()->acl;
        requests.push_back(request);
        asked.push_back(path);
    }
    FolderAclRequests all{requests.data(), static_cast<std::uint32_t>(requests.size())};
    const HRESULT status = Runtime().GetAcl(owner, settings.get(), &all);
    auto cache = std::make_unique<PermissionCache>();
    for (std::size_t i : FoldersRead(requests)) (*cache)[asked[i]] = std::move(lists[i]);
    if (cache->empty() && status != S_OK) return nullptr;
    return cache;
}

}  // namespace velor::velhook
