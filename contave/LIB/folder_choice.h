// CFG: what the Synchronization page's address-book lists hold and select when the window
// opens, from the address book's folders and the stored names.
#pragma once

#include <string>
#include <vector>

namespace contave {

struct FolderChoice {
  std::vector<std::string> entries;  // in the lists' sorted order
  std::size_t selected = 0;          // index into entries
  bool storeSelection = false;       // the selected name becomes the stored one
  std::string Selected() const { return entries.empty() ? std::string() : entries[selected]; }
};

// The lists sort without regard to case, as a sorted combo box does.
std::vector<std::string> SortedFolderNames(std::vector<std::string> names);

// The stored name when the address book has it; otherwise a stored name (or, with no folders at
// all, the empty one) is added and selected; otherwise the first folder, stored.
FolderChoice ChoosePrivateFolder(const std::vector<std::string>& folders, const std::string& stored);
// As the private list, except that with no stored name it proposes the second folder when the
// private list proposed the first and there is a second.
FolderChoice ChoosePublicFolder(const std::vector<std::string>& folders, const std::string& stored,
                                const FolderChoice& privateChoice);

// Whether a list showing current must be refilled with the folders only when it drops down.
bool NeedsRefill(const std::vector<std::string>& folders, const std::string& current);

// Status files of the data folder that no address-book folder names any more: files with the
// extension "CTV" whose names are not among kept (digest + ".CTV"), compared without regard to case.
std::vector<std::string> StaleStatusFiles(const std::vector<std::string>& files, const std::vector<std::string>& keptDigests);

}  // namespace contave
