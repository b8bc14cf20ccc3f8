// What the mail server knows: users with their folder trees, mappings and scripts, and the shared
// namespaces. Names are UTF-8 with "/" between levels; the IMAP side converts at its edge.
// Folders are held by unique_ptr so that a session may keep a pointer to its selected folder
// while other sessions add mappings or change ACLs (nothing ever deletes a folder).
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>


namespace velor::mailserver {

struct Message {
  std::uint32_t uid = 0;
  std::vector<std::string> flags;  // system flags in their canonical spelling, then keywords
};

struct AclEntry {
  std::string identifier;  // user name, "anyone", or a group written "[name]"
  std::string rights;      // letters of "lrswipcda", in that order
};

struct Folder {
  std::string name;  // full path: "INBOX/Projects", "#public/Handbook"
  bool subscribed = true;
  bool noselect = false;
  std::string owner;           // identifier whose entry leads the ACL and keeps its a right
  std::vector<AclEntry> acl;   // owner first
  std::vector<Message> messages;
  std::uint32_t uidValidity = 1;
  std::uint32_t uidNext = 1;
};

struct Mapping {
  std::string alias;
  std::string folder;  // "~INBOX/Sales" for the user's own folders, "#public/..." otherwise
};

struct Script {
  std::string name;
  std::string text;  // UTF-8, byte for byte as stored
};

struct User {
  std::string name;
  std::string password;
  std::vector<std::string> groups;
  std::vector<std::unique_ptr<Folder>> folders;  // INBOX first, parents before children
  std::vector<Mapping> mappings;
  std::optional<Script> script;
};

struct MailState {
  std::vector<std::unique_ptr<User>> users;
  std::vector<std::unique_ptr<Folder>> shared;  // #public and #backup trees
  // Seed keys this program does not read (the directory side's data, for one) are written back
  // unchanged, so a state file stays a valid seed for every listener.
  std::string passthrough = "{}";  // a JSON object, serialised

  // One lock for the whole state: commands are short and sessions few.
  mutable std::mutex mutex;

  User* findUser(const std::string& name) const;
};

// The first level "inbox" in any letter case means INBOX, as IMAP wants it.
std::string canonicalFolderName(const std::string& name);

// The folder a user reaches under this name: own tree for INBOX..., shared for #...
Folder* findFolder(const MailState& state, const User& user, const std::string& name);

// Parent path of a folder name, empty for a top-level name.
std::string parentName(const std::string& name);

}  // namespace velor::mailserver
