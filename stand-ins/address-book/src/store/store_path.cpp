#include "store/store_path.h"

#include "store/handles.h"

#include <windows.h>
#include <shlobj.h>

#include <vector>

namespace wabstand {

namespace {

std::string RegisteredStorePath() {
  UniqueKey key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kWabFileNameKey, 0, KEY_READ, key.put()) != ERROR_SUCCESS)
    return {};
  char value[MAX_PATH * 2] = {};
  DWORD size = sizeof value - 1, type = 0;
  if (RegQueryValueExA(key.get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value),
                       &size) != ERROR_SUCCESS)
    return {};
  if (type == REG_EXPAND_SZ) {
    char expanded[MAX_PATH * 2];
    DWORD n = ExpandEnvironmentStringsA(value, expanded, sizeof expanded);
    return n && n <= sizeof expanded ? std::string(expanded) : std::string();
  }
  return type == REG_SZ ? std::string(value) : std::string();
}

}  // namespace

std::string DefaultStorePath() {
  char appData[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData)))
    GetTempPathA(MAX_PATH, appData);
  char user[257] = "Main Identity";
  DWORD size = sizeof user;
  if (!GetUserNameA(user, &size)) lstrcpyA(user, "Main Identity");
  std::string path = appData;
  if (!path.empty() && path.back() != '\\') path += '\\';
  return path + "Microsoft\\Address Book\\" + user + ".wab";
}

std::string ResolveStorePath(const char* requested) {
  if (requested && *requested) return requested;
  std::string registered = RegisteredStorePath();
  return registered.empty() ? DefaultStorePath() : registered;
}

}  // namespace wabstand
