// The address book as the store keeps it: folders and entries in one id space, each with its own
// properties and its creation and modification times.
#pragma once

#include "store/prop_value.h"

#include <windows.h>

#include <map>
#include <string>
#include <vector>

namespace wabstand {

// What an entry identifier names. The numbers are part of the identifiers that clients keep (in
// status files, across runs), so they never change.
enum class Kind : ULONG {
  Root = 1,
  Folder = 2,
  MailUser = 3,
  DistList = 4,
  Directory = 5,         // an LDAP directory service, listed but not stored
  MailUserTemplate = 6,  // PR_DEF_CREATE_MAILUSER
  DistListTemplate = 7,  // PR_DEF_CREATE_DL
};

struct Record {
  ULONG id = 0;
  Kind kind = Kind::MailUser;
  ULONG folder = 0;  // the folder that holds an entry; 0 for a folder
  ULONGLONG created = 0;
  ULONGLONG modified = 0;
  PropMap props;  // only what callers set; the computed properties are derived, never stored
};

struct StoreData {
  GUID uid{};  // names this file's entry identifiers, so one from another file is not taken
  ULONGLONG generation = 0;  // raised by every write, so a reader sees another process's change
  ULONG nextId = 1;          // ids are never reused: a deleted contact's id stays dead
  ULONGLONG lastStamp = 0;   // the latest modification time handed out
  std::map<ULONG, Record> records;
  // Not stored: the ids that the change under way deleted, so that the store can write only
  // what changed.
  std::vector<ULONG> erased;
};

// The identity's own folder comes first and receives what is created in the root container.
inline constexpr const char* kIdentityFolderName = "Main Identity's Contacts";
inline constexpr const char* kSharedFolderName = "Shared Contacts";

}  // namespace wabstand
