// SYNCLIB: the directory side as the passes use it. LDAPPROXY implements it on a loaded server
// folder; tests implement it in memory.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "contave/LIB/contact_attribute.h"
#include "contave/LIB/status_codes.h"

namespace contave {

// One directory contact: "cn=" and its hexadecimal id, its revision, its name for the windows.
struct ServerContact {
  std::int32_t id = 0;
  std::uint32_t revision = 0;
  std::string dn;
  std::string displayName;  // local code page
};

// The text a contact created on the server carries until its values arrive.
inline constexpr char kNewContactName[] = "[NEW CONTACT]";

class DirectorySide {
 public:
  virtual ~DirectorySide() = default;

  // The folder's contacts in the order the server returned them.
  virtual std::span<const ServerContact> Contacts() const = 0;
  // Ids of entries the folder holds but that could not be read: they still exist.
  virtual std::span<const std::int32_t> UnreadableIds() const = 0;

  // The contact's values for every attribute of the map that it has, in map order.
  virtual Status LoadAttributes(const ServerContact& contact, AttributeList& attributes) = 0;
  virtual Status Delete(const ServerContact& contact) = 0;
  // Makes a new contact in the folder; on success created names it with its first revision.
  virtual Status Create(ServerContact& created) = 0;
  // Sends the marked attributes (delete, add, replace); on success the contact's revision is
  // the one read back afterwards.
  virtual Status Send(ServerContact& contact, const AttributeList& changes) = 0;
};

}  // namespace contave
