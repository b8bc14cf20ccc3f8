// The host's view of an IMAP account's folders: LSUB and LIST answers read, names decoded from
// modified UTF-7, the server's top-level folders shown by their display names, and the list
// nested into the tree the folder pane shows.
#pragma once

#include <string>
#include <vector>

namespace oestand {

struct ListEntry {
  std::vector<std::string> flags;  // as sent, for example "\Noselect"
  char delimiter = '/';            // 0 when the server sent NIL
  std::string name;                // as sent on the wire (modified UTF-7)
};

// One untagged "* LSUB ..." or "* LIST ..." line (without its line end; a literal already put in
// place as a quoted string). False when the line is not such an answer or is malformed.
bool ParseListLine(const std::string& line, ListEntry* entry);

// Modified UTF-7 to UTF-8; false on a malformed name (which the caller shows as sent).
bool DecodeModifiedUtf7(const std::string& in, std::string* utf8);

// One folder of the tree, in the order the pane shows them (parents before their children).
struct FolderNode {
  std::string label;     // display label of this level, UTF-8
  std::string path;      // display path from the account down, levels joined with "/"
  std::string wireName;  // the name as the server knows it; empty for a level the server did not list
  int depth = 0;         // 0 for the top level below the account
  bool noselect = false;
};

// Nests the answers into a tree. Top-level INBOX (any case), #public and #backup are labelled
// "Inbox", "Public Folders" and "Backup Folders"; levels the server did not list itself appear as
// containers; the server's order is kept among siblings, INBOX first.
std::vector<FolderNode> BuildFolderTree(const std::vector<ListEntry>& entries);

}  // namespace oestand
