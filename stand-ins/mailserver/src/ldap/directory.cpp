#include "ldap/directory.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "ldap/schema.h"

namespace velor::mailserver::ldap {
namespace {

std::size_t mapPosition(std::string_view name) {
  const auto& names = contactAttributes();
  return static_cast<std::size_t>(std::find(names.begin(), names.end(), name) - names.begin());
}

}  // namespace

Entry* Entry::child(const Rdn& rdn) const {
  const auto it = byKey_.find(rdnKey(rdn.type, rdn.value));
  return it == byKey_.end() ? nullptr : it->second;
}

Entry& Entry::adopt(std::unique_ptr<Entry> child) {
  child->parent = this;
  byKey_[rdnKey(child->rdn.type, child->rdn.value)] = child.get();
  children.push_back(std::move(child));
  return *children.back();
}

void Entry::remove(Entry* child) {
  byKey_.erase(rdnKey(child->rdn.type, child->rdn.value));
  children.erase(std::find_if(children.begin(), children.end(), [child](const auto& c) { return c.get() == child; }));
}

Attribute* Entry::find(std::string_view canonicalName) {
  for (auto& a : attributes)
    if (a.name == canonicalName) return &a;
  return nullptr;
}

const Attribute* Entry::find(std::string_view canonicalName) const {
  return const_cast<Entry*>(this)->find(canonicalName);
}

void Entry::store(Attribute attribute) {
  attributes.erase(std::remove_if(attributes.begin(), attributes.end(),
                                  [&](const Attribute& a) { return a.name == attribute.name; }),
                   attributes.end());
  if (attribute.values.empty()) return;
  const auto at = std::find_if(attributes.begin(), attributes.end(), [&](const Attribute& a) {
    return mapPosition(a.name) > mapPosition(attribute.name);
  });
  attributes.insert(at, std::move(attribute));
}

std::vector<Attribute> servedAttributes(const Entry& entry) {
  std::vector<Attribute> served;
  served.reserve(entry.attributes.size() + 3);
  served.push_back({kObjectClass, {entry.folder ? kFolderClass : kContactClass}});
  served.push_back({lowerAscii(entry.rdn.type), {entry.rdn.value}});
  if (!entry.folder) served.push_back({kRevId, {entry.revId}});
  served.insert(served.end(), entry.attributes.begin(), entry.attributes.end());
  return served;
}

// Counts on in decimal digits, however many: 4294967295 becomes 4294967296 and 9999999999 becomes
// 10000000000, as a directory with a wide revision counter would; a value that is not a number
// (a seeded broken revision) stays as it is.
void raiseRevision(Entry& entry) {
  std::string& digits = entry.revId;
  if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos) return;
  std::size_t i = digits.size();
  while (i > 0 && digits[i - 1] == '9') digits[--i] = '0';
  if (i == 0) digits.insert(digits.begin(), '1');
  else ++digits[i - 1];
}

std::unique_ptr<Entry> makeFolder(const std::string& name) {
  auto folder = std::make_unique<Entry>();
  folder->rdn = {kFolderNaming, name};
  folder->folder = true;
  return folder;
}

std::unique_ptr<Entry> makeContact(const std::string& id) {
  auto contact = std::make_unique<Entry>();
  contact->rdn = {std::string(kContactNaming), id};
  contact->revId = std::to_string(1);  // every contact starts at revision 1
  return contact;
}

std::optional<std::uint32_t> parseHexId(const std::string& text) {
  if (text.empty() || text.size() > 8 || text.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
    return std::nullopt;
  return static_cast<std::uint32_t>(std::stoul(text, nullptr, 16));
}

Entry& Directory::personal(const std::string& user) {
  auto& tree = personal_[user];
  if (!tree) {
    tree = makeFolder("Personal");
    tree->adopt(makeFolder("Contacts"));
  }
  return *tree;
}

Dn Directory::rootDn() { return {{kFolderNaming, "ContactRoot"}}; }

Dn Directory::dnOf(const Entry& entry) {
  Dn dn;
  for (const Entry* e = &entry; e; e = e->parent) dn.push_back(e->rdn);
  dn.push_back(rootDn().front());
  return dn;
}

Directory::Lookup Directory::find(const std::string& user, const Dn& dn) {
  Lookup result;
  if (dn.empty() || rdnKey(dn.back().type, dn.back().value) != "fn=contactroot") return result;
  if (dn.size() == 1) {
    result.root = result.found = true;
    return result;
  }
  result.matched = rootDn();
  const Rdn& top = dn[dn.size() - 2];
  const std::string topKey = rdnKey(top.type, top.value);
  Entry* at = topKey == "fn=personal" ? &personal(user) : topKey == "fn=public" ? public_.get() : nullptr;
  for (std::size_t i = dn.size() - 1; at; --i) {
    if (i == 1) {
      result.entry = at;
      result.found = true;
      return result;
    }
    result.matched = dnOf(*at);
    at = at->child(dn[i - 2]);
  }
  return result;
}

std::string Directory::newContactId() {
  char text[16];
  std::snprintf(text, sizeof text, "%X", nextId_++);
  return text;
}

void Directory::noteContactId(const std::string& hexId) {
  if (const auto id = parseHexId(hexId); id && *id >= nextId_) nextId_ = *id + 1;
}

void applyControlFile(const std::string& path, Directory& directory) {
  if (path.empty()) return;
  std::ifstream in(path);
  if (!in) return;
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string what, user, dnText, value;
    if (!(words >> what >> user >> dnText >> value) || what != "revId") continue;
    const auto dn = parseDn(dnText);
    if (!dn) continue;
    const Directory::Lookup lookup = directory.find(user, *dn);
    if (lookup.entry && !lookup.entry->folder) lookup.entry->revId = value;
  }
  in.close();
  std::remove(path.c_str());
}

}  // namespace velor::mailserver::ldap
