#include "state/rights.h"

#include <algorithm>

namespace velor::mailserver {

std::optional<std::string> normaliseRights(const std::string& letters) {
  for (char c : letters)
    if (std::string_view(kAllRights).find(c) == std::string_view::npos) return std::nullopt;
  std::string out;
  for (const char* p = kAllRights; *p; ++p)
    if (letters.find(*p) != std::string::npos) out += *p;
  return out;
}

bool isGroupIdentifier(const std::string& identifier) {
  return identifier.size() > 2 && identifier.front() == '[' && identifier.back() == ']';
}

std::string rightsOf(const Folder& folder, const User& user) {
  std::string held;
  for (const auto& entry : folder.acl) {
    bool applies = entry.identifier == user.name || entry.identifier == "anyone";
    if (!applies && isGroupIdentifier(entry.identifier)) {
      const std::string group = entry.identifier.substr(1, entry.identifier.size() - 2);
      applies = std::find(user.groups.begin(), user.groups.end(), group) != user.groups.end();
    }
    if (applies) held += entry.rights;
  }
  return normaliseRights(held).value_or("");
}

void placeOwnerFirst(Folder& folder) {
  auto it = std::find_if(folder.acl.begin(), folder.acl.end(),
                         [&](const AclEntry& e) { return e.identifier == folder.owner; });
  AclEntry owner{folder.owner, kAllRights};
  if (it != folder.acl.end()) {
    owner = *it;
    folder.acl.erase(it);
  }
  folder.acl.insert(folder.acl.begin(), owner);
}

}  // namespace velor::mailserver
