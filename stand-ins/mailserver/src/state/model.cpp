#include "state/model.h"

#include <strings.h>

namespace velor::mailserver {

User* MailState::findUser(const std::string& name) const {
  for (const auto& user : users)
    if (user->name == name) return user.get();
  return nullptr;
}

std::string canonicalFolderName(const std::string& name) {
  const auto slash = name.find('/');
  const std::string first = name.substr(0, slash);
  if (first.size() == 5 && strncasecmp(first.c_str(), "INBOX", 5) == 0)
    return "INBOX" + (slash == std::string::npos ? std::string() : name.substr(slash));
  return name;
}

Folder* findFolder(const MailState& state, const User& user, const std::string& name) {
  const std::string wanted = canonicalFolderName(name);
  const auto& list = (!wanted.empty() && wanted[0] == '#') ? state.shared : user.folders;
  for (const auto& folder : list)
    if (folder->name == wanted) return folder.get();
  return nullptr;
}

std::string parentName(const std::string& name) {
  const auto slash = name.rfind('/');
  return slash == std::string::npos ? std::string() : name.substr(0, slash);
}

}  // namespace velor::mailserver
