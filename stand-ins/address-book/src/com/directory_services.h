// The LDAP directory services a user has set up. On Windows the address book lists the accounts
// of the Internet Account Manager that have an "LDAP Server" value beside its own folders; here
// too, so that a program which asks for the local folders only (WAB_LOCAL_CONTAINERS) is seen to
// need that flag. They can be listed and opened, not searched or written.
#pragma once

#include "store/prop_value.h"

#include <windows.h>

#include <string>
#include <vector>

namespace wabstand {

inline constexpr const char* kAccountsKey = "Software\\Microsoft\\Internet Account Manager\\Accounts";

struct DirectoryService {
  ULONG id;  // the account's number, the name of its key
  std::string name;
};

std::vector<DirectoryService> ListDirectoryServices();
bool FindDirectoryService(ULONG id, DirectoryService* service);
PropMap DirectoryProps(const DirectoryService& service, const GUID& uid);

}  // namespace wabstand
