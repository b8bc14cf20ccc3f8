// How the IMAP side presents itself on this run: greeting, capability list, ACL reply layout
// and faults. Set from the seed's "imap" block, then overridden by the command line.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "faults.h"

namespace velor::mailserver {

struct ImapSettings {
  std::string greeting = "OK";  // OK, NO, BAD or BYE
  bool aclCapability = true;
  std::optional<std::string> capabilities;  // replaces the whole list when given
  bool aclOneLine = false;  // RFC 2086's single ACL line with every pair, instead of one per line
  std::vector<FaultRule> faults;

  std::string capabilityList() const {
    if (capabilities) return *capabilities;
    return aclCapability ? "IMAP4rev1 LITERAL+ ACL" : "IMAP4rev1 LITERAL+";
  }
};

}  // namespace velor::mailserver
