// The seed most tests run against, and a helper that starts a server on it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "imap_client.h"
#include "server_process.h"

namespace velor::mailserver::test {

// alice (secret, group staff) owns a small INBOX tree with a \Noselect folder, an unsubscribed
// one and one named in German; bob (two words, staff) has only INBOX; carol's password holds a
// quote and a backslash. #public/Handbook belongs to admin, staff may read it; #public/Team is
// alice's to administer; #backup/Mail is admin's alone.
inline const char* kSeed = R"JSON({
  "users": [
    {"name": "alice", "password": "secret", "groups": ["staff"],
     "folders": [
       {"name": "INBOX", "messages": [{"flags": ["\\Seen"]}, {"flags": []}, {"flags": ["\\Deleted", "\\Seen"]}]},
       {"name": "INBOX/Projects", "messages": 2},
       {"name": "INBOX/Sent Items"},
       {"name": "INBOX/Archive", "noselect": true},
       {"name": "INBOX/Archive/2025", "messages": [{"flags": ["\\Deleted"]}, {"flags": ["\\Deleted"]}, {"flags": ["\\Flagged"]}]},
       {"name": "INBOX/Übersicht & Co", "acl": [{"id": "alice", "rights": "lrswipcda"}, {"id": "[staff]", "rights": "lr"}]},
       {"name": "INBOX/Old", "subscribed": false},
       {"name": "INBOX/Empty"},
       {"name": "INBOX/Sales"}
     ],
     "mappings": [{"alias": "sales", "folder": "~INBOX/Sales"}, {"alias": "handbook", "folder": "#public/Handbook"}],
     "script": {"name": "rules", "text": "#!1 Büro\nif header :contains \"Subject\" \"report\"\n {\n  fileinto \"INBOX/Projects\";\n}\n"}},
    {"name": "bob", "password": "two words", "groups": ["staff"]},
    {"name": "carol", "password": "q\"uo\\te", "script": null},
    {"name": "admin", "password": "root"}
  ],
  "shared": [
    {"name": "#public", "noselect": true, "owner": "admin", "acl": [{"id": "anyone", "rights": "l"}]},
    {"name": "#public/Handbook", "owner": "admin", "acl": [{"id": "[staff]", "rights": "lr"}], "messages": 1},
    {"name": "#public/Team", "owner": "alice", "acl": [{"id": "alice", "rights": "lrswipcda"}, {"id": "bob", "rights": "lrs"}]},
    {"name": "#backup", "noselect": true, "owner": "admin", "acl": [{"id": "anyone", "rights": "l"}]},
    {"name": "#backup/Mail", "owner": "admin"}
  ],
  "contacts": {"kept": "for the directory side"}
})JSON";

struct Running {
  TempDir dir;
  std::unique_ptr<ServerProcess> server;
};

// Starts a server on kSeed (or the given seed) with extra arguments.
inline std::unique_ptr<Running> startServer(const std::vector<std::string>& extra = {}, const std::string& seed = kSeed) {
  auto r = std::make_unique<Running>();
  std::vector<std::string> args{"--seed", r->dir.write("seed.json", seed)};
  args.insert(args.end(), extra.begin(), extra.end());
  r->server = std::make_unique<ServerProcess>(args);
  return r;
}

}  // namespace velor::mailserver::test
