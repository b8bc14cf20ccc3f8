#include "com/directory_services.h"

#include "store/computed.h"
#include "store/entry_id.h"
#include "store/handles.h"

#include <mapidefs_shim.h>

#include <cstdlib>

namespace wabstand {

namespace {

// Directory containers share the hierarchy table with folders; their instance keys must not
// collide with a folder's record id.
constexpr ULONG kDirectoryKeyBit = 0x80000000;

std::string ReadText(HKEY key, const char* name) {
  char value[512] = {};
  DWORD size = sizeof value - 1, type = 0;
  if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) !=
          ERROR_SUCCESS ||
      type != REG_SZ)
    return {};
  return value;
}

}  // namespace

std::vector<DirectoryService> ListDirectoryServices() {
  std::vector<DirectoryService> services;
  UniqueKey accounts;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kAccountsKey, 0, KEY_READ, accounts.put()) != ERROR_SUCCESS)
    return services;
  char name[256];
  for (DWORD i = 0;; ++i) {
    DWORD size = sizeof name;
    if (RegEnumKeyExA(accounts.get(), i, name, &size, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    char* end;
    ULONG id = std::strtoul(name, &end, 10);
    if (*end || !*name) continue;  // account keys are numbers
    UniqueKey account;
    if (RegOpenKeyExA(accounts.get(), name, 0, KEY_READ, account.put()) != ERROR_SUCCESS) continue;
    std::string server = ReadText(account.get(), "LDAP Server");
    if (server.empty()) continue;
    std::string title = ReadText(account.get(), "Account Name");
    services.push_back({id, title.empty() ? server : title});
  }
  return services;
}

bool FindDirectoryService(ULONG id, DirectoryService* service) {
  for (const DirectoryService& s : ListDirectoryServices()) {
    if (s.id == id) {
      *service = s;
      return true;
    }
  }
  return false;
}

PropMap DirectoryProps(const DirectoryService& service, const GUID& uid) {
  PropMap props;
  std::string eid = MakeEntryId(uid, Kind::Directory, service.id);
  Put(props, MakeString(PR_DISPLAY_NAME_A, service.name));
  Put(props, MakeBinary(PR_ENTRYID, eid));
  Put(props, MakeBinary(PR_RECORD_KEY, eid));
  Put(props, MakeBinary(PR_INSTANCE_KEY, InstanceKey(service.id | kDirectoryKeyBit)));
  Put(props, MakeLong(PR_OBJECT_TYPE, MAPI_ABCONT));
  Put(props, MakeLong(PR_DISPLAY_TYPE, DT_NOT_SPECIFIC));
  Put(props, MakeLong(PR_CONTAINER_FLAGS, AB_RECIPIENTS | AB_UNMODIFIABLE));
  Put(props, MakeLong(PR_DEPTH, 1));
  return props;
}

}  // namespace wabstand
