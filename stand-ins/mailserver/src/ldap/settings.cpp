#include "ldap/settings.h"

#include <map>
#include <mutex>

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

std::optional<ResultFault> takeResultFault(const LdapSettings& settings, const std::string& operation) {
  if (settings.results.empty()) return std::nullopt;
  // Requests are counted per operation across all connections of the server's run.
  static std::mutex mutex;
  static std::map<std::string, int> seen;
  std::lock_guard<std::mutex> lock(mutex);
  const int n = ++seen[operation];
  for (const ResultFault& fault : settings.results)
    if (fault.on == operation && (fault.nth == 0 || fault.nth == n)) return fault;
  return std::nullopt;
}

}  // namespace velor::mailserver::ldap
