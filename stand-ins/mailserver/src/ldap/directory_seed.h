// The seed's "contacts" section (the directory) and "ldap" block (its settings), read from the
// keys the IMAP side passed over, and written back into them for the state file.
//
//   "ldap": {"add_matched": "entry", "faults": [{"delay_ms": 5000, "on": "MODIFY"}]},
//   "contacts": {
//     "next_id": 256,
//     "personal": {"anna": [{"name": "Contacts", "contacts": [...], "folders": [...]}]},
//     "public": [{"name": "Team", "folders": [{"name": "Shared"}]}]
//   }
//
// A contact is {"id": "1A", "revId": 3, "commonName": "...", "email": ["...", "..."], ...}
// with any of the attribute map's attributes; "rdn" in place of "id" names it otherwise
// ("cn=xyz"), and revId may be any number or string, so that entries of the wrong form can be
// served on purpose. Keys of "contacts" other than these are kept as they are.
#pragma once

#include <nlohmann/json_fwd.hpp>

#include "ldap/directory.h"
#include "ldap/settings.h"
#include "state/model.h"

namespace velor::mailserver::ldap {

// Throws SeedError. Every user of the mail state gets a private tree, by default one empty
// "Contacts" folder.
void loadDirectorySeed(const MailState& state, Directory& directory, LdapSettings& settings);

// The caller holds both locks.
void storeDirectoryState(MailState& state, const Directory& directory, const LdapSettings& settings);

}  // namespace velor::mailserver::ldap
