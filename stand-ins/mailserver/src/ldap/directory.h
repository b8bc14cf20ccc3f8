// The contact directory: for each user a private tree "fn=Personal,fn=ContactRoot", and one
// tree "fn=Public,fn=ContactRoot" that every user sees. Folders are entries of class container
// named "fn="; contacts are entries of class velorOrgPerson named "cn=" and a hexadecimal id,
// directly below a folder, with a decimal revId that every change raises.
//
// "fn=ContactRoot" itself is not stored: it is the same for everyone and a lookup answers it.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "ldap/dn.h"

namespace velor::mailserver::ldap {

struct Attribute {
  std::string name;  // the schema's spelling
  std::vector<std::string> values;
};

struct Entry {
  Rdn rdn;
  bool folder = false;
  std::string revId;                  // contacts: as served; a seed may hold a broken one on purpose
  std::vector<Attribute> attributes;  // contacts: the attribute map's attributes, in its order
  Entry* parent = nullptr;
  std::vector<std::unique_ptr<Entry>> children;  // in the order they were made

  Entry* child(const Rdn& rdn) const;
  Entry& adopt(std::unique_ptr<Entry> child);
  void remove(Entry* child);
  Attribute* find(std::string_view canonicalName);
  const Attribute* find(std::string_view canonicalName) const;
  // Places a changed attribute back in map order, or drops it once it has no values left.
  void store(Attribute attribute);

 private:
  std::unordered_map<std::string, Entry*> byKey_;  // rdnKey of each child
};

// Every attribute of the entry as a search answers it: objectClass, the naming attribute,
// revId for a contact, then the contact attributes.
std::vector<Attribute> servedAttributes(const Entry& entry);

// revId plus one; a revId that is not a decimal number (seeded so on purpose) is left alone.
void raiseRevision(Entry& entry);

std::unique_ptr<Entry> makeFolder(const std::string& name);
std::unique_ptr<Entry> makeContact(const std::string& id);

class Directory;

// Applies a test's control file when it exists ("revId USER DN VALUE" per line) and removes it;
// the caller holds the directory's lock.
void applyControlFile(const std::string& path, Directory& directory);

class Directory {
 public:
  struct Lookup {
    Entry* entry = nullptr;  // the entry named, when it exists and is stored
    bool root = false;       // the DN named fn=ContactRoot itself
    bool found = false;
    Dn matched;              // the longest existing ancestor when not found
  };

  // The user's private tree; made with an empty "Contacts" folder the first time it is asked for.
  Entry& personal(const std::string& user);
  Entry& publicTree() { return *public_; }
  const Entry& publicTree() const { return *public_; }
  const std::map<std::string, std::unique_ptr<Entry>>& personalTrees() const { return personal_; }

  Lookup find(const std::string& user, const Dn& dn);
  static Dn dnOf(const Entry& entry);
  static Dn rootDn();

  // A fresh id in upper-case hexadecimal, above every id the directory has held.
  std::string newContactId();
  // Keeps fresh ids above one that a seed or a client chose.
  void noteContactId(const std::string& hexId);
  std::uint32_t nextId() const { return nextId_; }
  void setNextId(std::uint32_t next) { nextId_ = next; }

  // Keys of the seed's "contacts" section that the directory does not read, kept for the state.
  std::string passthrough = "{}";

  // One lock for the whole directory, as for the mail state.
  std::mutex mutex;

 private:
  std::map<std::string, std::unique_ptr<Entry>> personal_;
  std::unique_ptr<Entry> public_ = makeFolder("Public");
  std::uint32_t nextId_ = 1;
};

// Whole-string hexadecimal number, none otherwise.
std::optional<std::uint32_t> parseHexId(const std::string& text);

}  // namespace velor::mailserver::ldap
