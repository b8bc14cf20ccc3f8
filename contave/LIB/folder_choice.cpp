#include "contave/LIB/folder_choice.h"

#include <algorithm>

#include "contave/LIB/status_format.h"
#include "contave/LIB/text_compare.h"

namespace contave {
namespace {

bool LessNoCase(const std::string& a, const std::string& b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [](char x, char y) { return FoldAscii(x) < FoldAscii(y); });
}

bool FindNoCase(const std::vector<std::string>& names, const std::string& name, std::size_t& index) {
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (EqualsNoCase(names[i], name)) {
      index = i;
      return true;
    }
  }
  return false;
}

FolderChoice WithStored(const std::vector<std::string>& folders, const std::string& stored, bool& decided) {
  FolderChoice choice;
  choice.entries = SortedFolderNames(folders);
  decided = true;
  if (FindNoCase(choice.entries, stored, choice.selected)) return choice;
  if (!stored.empty() || choice.entries.empty()) {
    choice.entries.push_back(stored);
    choice.entries = SortedFolderNames(choice.entries);
    FindNoCase(choice.entries, stored, choice.selected);
    return choice;
  }
  decided = false;
  choice.storeSelection = true;
  return choice;
}

}  // namespace

std::vector<std::string> SortedFolderNames(std::vector<std::string> names) {
  std::stable_sort(names.begin(), names.end(), LessNoCase);
  return names;
}

FolderChoice ChoosePrivateFolder(const std::vector<std::string>& folders, const std::string& stored) {
  bool decided = false;
  FolderChoice choice = WithStored(folders, stored, decided);
  if (!decided) choice.selected = 0;
  return choice;
}

FolderChoice ChoosePublicFolder(const std::vector<std::string>& folders, const std::string& stored,
                                const FolderChoice& privateChoice) {
  bool decided = false;
  FolderChoice choice = WithStored(folders, stored, decided);
  if (!decided) {
    const bool privateTookFirst = privateChoice.selected == 0 && privateChoice.Selected() == choice.entries[0];
    choice.selected = privateTookFirst && choice.entries.size() > 1 ? 1 : 0;
  }
  return choice;
}

bool NeedsRefill(const std::vector<std::string>& folders, const std::string& current) {
  std::size_t index = 0;
  return !FindNoCase(folders, current, index);
}

std::vector<std::string> StaleStatusFiles(const std::vector<std::string>& files, const std::vector<std::string>& keptDigests) {
  const std::string extension = std::string(".") + kStatusFileExtension;
  std::vector<std::string> stale;
  for (const std::string& file : files) {
    if (file.size() < extension.size() ||
        !EqualsNoCase(std::string_view(file).substr(file.size() - extension.size()), extension))
      continue;
    const bool kept = std::any_of(keptDigests.begin(), keptDigests.end(),
                                  [&](const std::string& digest) { return EqualsNoCase(file, digest + extension); });
    if (!kept) stale.push_back(file);
  }
  return stale;
}

}  // namespace contave
