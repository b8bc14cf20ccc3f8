// RFC 2086 rights: the nine letters, their order, and who holds what in a folder.
#pragma once

#include <optional>
#include <string>

#include "state/model.h"

namespace velor::mailserver {

inline constexpr char kAllRights[] = "lrswipcda";

// The letters in canonical order, or nothing when a letter is not one of the nine.
std::optional<std::string> normaliseRights(const std::string& letters);

// Rights of a user in a folder: the union of the entries naming the user, "anyone", and the
// groups the user belongs to.
std::string rightsOf(const Folder& folder, const User& user);

inline bool hasRight(const std::string& rights, char letter) {
  return rights.find(letter) != std::string::npos;
}

bool isGroupIdentifier(const std::string& identifier);

// Puts the owner's entry first, creating it with all rights when the ACL lacks it.
void placeOwnerFirst(Folder& folder);

}  // namespace velor::mailserver
