#include "ldap/settings.h"

namespace velor::mailserver::ldap {

std::optional<AddMatched> parseAddMatched(const std::string& text) {
  if (text == "entry") return AddMatched::Entry;
  if (text == "none") return AddMatched::None;
  if (text == "folder") return AddMatched::Folder;
  if (text == "uid") return AddMatched::Uid;
  return std::nullopt;
}

std::string addMatchedName(AddMatched mode) {
  switch (mode) {
    case AddMatched::Entry: return "entry";
    case AddMatched::None: return "none";
    case AddMatched::Folder: return "folder";
    case AddMatched::Uid: return "uid";
  }
  return "entry";
}

}  // namespace velor::mailserver::ldap
