#include "ldap/directory_seed.h"

#include <nlohmann/json.hpp>

#include "ldap/schema.h"
#include "state/mutf7.h"
#include "state/seed.h"

namespace velor::mailserver::ldap {
namespace {

using nlohmann::json;

[[noreturn]] void fail(const std::string& what) { throw SeedError("contacts: " + what); }

std::vector<std::string> valuesOf(const json& j, const std::string& where) {
  std::vector<std::string> values;
  if (j.is_string()) values.push_back(j.get<std::string>());
  else if (j.is_array())
    for (const json& v : j) {
      if (!v.is_string()) fail(where + ": values must be strings");
      values.push_back(v.get<std::string>());
    }
  else fail(where + ": a value must be a string or a list of strings");
  for (const auto& v : values)
    if (!isValidUtf8(v)) fail(where + ": value is not UTF-8");
  return values;
}

std::unique_ptr<Entry> readContact(const json& j, Directory& directory, const std::string& where) {
  if (!j.is_object()) fail(where + ": a contact must be an object");
  std::unique_ptr<Entry> contact;
  if (j.contains("rdn")) {
    const auto dn = parseDn(j.at("rdn").get<std::string>());
    if (!dn || dn->size() != 1) fail(where + ": \"rdn\" must be one DN component");
    contact = makeContact(dn->front().value);
    contact->rdn.type = dn->front().type;
  } else {
    const std::string id = j.contains("id") && j.at("id").is_string() ? j.at("id").get<std::string>() : "";
    if (!parseHexId(id)) fail(where + ": \"id\" must be a hexadecimal string");
    contact = makeContact(id);
    directory.noteContactId(id);
  }
  const std::string here = where + " '" + formatRdn(contact->rdn) + "'";
  if (j.contains("revId")) {
    const json& rev = j.at("revId");
    if (rev.is_number_unsigned()) contact->revId = std::to_string(rev.get<std::uint64_t>());
    else if (rev.is_string()) contact->revId = rev.get<std::string>();
    else fail(here + ": \"revId\" must be a number or a string");
  }
  for (auto it = j.begin(); it != j.end(); ++it) {
    if (it.key() == "id" || it.key() == "rdn" || it.key() == "revId") continue;
    const auto name = contactAttribute(it.key());
    if (!name || *name != it.key()) fail(here + ": unknown attribute " + it.key());
    auto values = valuesOf(it.value(), here + " " + *name);
    if (values.size() > 1 && !isMultiValued(*name)) fail(here + ": " + *name + " holds one value");
    contact->store({*name, std::move(values)});
  }
  return contact;
}

void readFolders(const json& list, Entry& parent, Directory& directory, const std::string& where) {
  if (!list.is_array()) fail(where + ": folders must be a list");
  for (const json& f : list) {
    if (!f.is_object() || !f.contains("name") || !f.at("name").is_string()) fail(where + ": a folder needs a \"name\"");
    const std::string name = f.at("name").get<std::string>();
    const std::string here = where + "/" + name;
    if (name.empty() || !isValidUtf8(name)) fail(here + ": bad folder name");
    if (parent.child({kFolderNaming, name})) fail(here + ": given twice");
    Entry& folder = parent.adopt(makeFolder(name));
    for (const json& c : f.value("contacts", json::array())) {
      auto contact = readContact(c, directory, here);
      if (folder.child(contact->rdn)) fail(here + ": contact " + formatRdn(contact->rdn) + " given twice");
      folder.adopt(std::move(contact));
    }
    readFolders(f.value("folders", json::array()), folder, directory, here);
  }
}

void readSettings(const json& j, LdapSettings& settings) {
  if (j.contains("add_matched")) {
    const auto mode = parseAddMatched(j.at("add_matched").get<std::string>());
    if (!mode) fail("ldap: \"add_matched\" must be entry, none, folder or uid");
    settings.addMatched = *mode;
  }
  for (const json& f : j.value("faults", json::array())) {
    FaultRule rule;
    try {
      rule = faultFromJson(f);
    } catch (const std::exception& e) {
      throw SeedError(std::string("ldap: ") + e.what());
    }
    if (rule.kind == FaultRule::Kind::Alert || rule.kind == FaultRule::Kind::Reply || rule.kind == FaultRule::Kind::Status)
      throw SeedError("ldap: alerts, replies and statuses are IMAP's");
    settings.faults.push_back(rule);
  }
  for (const json& r : j.value("results", json::array())) {
    ResultFault fault;
    fault.on = r.value("on", std::string());
    fault.nth = r.value("nth", 0);
    fault.code = r.value("code", 80);
    fault.wrongType = r.value("wrong_type", false);
    if (fault.on != "SEARCH" && fault.on != "ADD" && fault.on != "MODIFY" && fault.on != "DELETE")
      throw SeedError("ldap: a result's \"on\" must be SEARCH, ADD, MODIFY or DELETE");
    settings.results.push_back(fault);
  }
}

json contactToJson(const Entry& contact) {
  json j = json::object();
  if (contact.rdn.type == kContactNaming && parseHexId(contact.rdn.value)) j["id"] = contact.rdn.value;
  else j["rdn"] = formatRdn(contact.rdn);
  // Numbers up to 19 digits are written as numbers; longer ones, and text, as strings.
  const bool decimal = !contact.revId.empty() && contact.revId.size() < 20 &&
                       contact.revId.find_first_not_of("0123456789") == std::string::npos;
  j["revId"] = decimal ? json(std::stoull(contact.revId)) : json(contact.revId);
  for (const auto& a : contact.attributes)
    j[a.name] = isMultiValued(a.name) ? json(a.values) : json(a.values.front());
  return j;
}

json foldersToJson(const Entry& parent) {
  json list = json::array();
  for (const auto& child : parent.children) {
    if (!child->folder) continue;
    json folder = {{"name", child->rdn.value}};
    json contacts = json::array();
    for (const auto& c : child->children)
      if (!c->folder) contacts.push_back(contactToJson(*c));
    folder["contacts"] = contacts;
    folder["folders"] = foldersToJson(*child);
    list.push_back(folder);
  }
  return list;
}

}  // namespace

void loadDirectorySeed(const MailState& state, Directory& directory, LdapSettings& settings) {
  const json kept = json::parse(state.passthrough);
  try {
    if (kept.contains("ldap")) readSettings(kept.at("ldap"), settings);
    json contacts = kept.value("contacts", json::object());
    if (!contacts.is_object()) fail("must be an object");
    if (contacts.contains("personal")) {
      for (auto it = contacts.at("personal").begin(); it != contacts.at("personal").end(); ++it) {
        if (!state.findUser(it.key())) fail("personal: no user '" + it.key() + "'");
        Entry& tree = directory.personal(it.key());
        tree.remove(tree.children.front().get());  // the default folder; the seed says what there is
        readFolders(it.value(), tree, directory, it.key());
      }
    }
    if (contacts.contains("public")) readFolders(contacts.at("public"), directory.publicTree(), directory, "#public");
    if (contacts.contains("next_id")) directory.setNextId(std::max(directory.nextId(), contacts.at("next_id").get<std::uint32_t>()));
    for (const char* known : {"personal", "public", "next_id"}) contacts.erase(known);
    directory.passthrough = contacts.dump();
  } catch (const json::exception& e) {
    fail(e.what());
  }
  for (const auto& user : state.users) directory.personal(user->name);
}

void storeDirectoryState(MailState& state, const Directory& directory, const LdapSettings& settings) {
  json kept = json::parse(state.passthrough);
  json contacts = json::parse(directory.passthrough);
  json personal = json::object();
  for (const auto& [user, tree] : directory.personalTrees()) personal[user] = foldersToJson(*tree);
  contacts["personal"] = personal;
  contacts["public"] = foldersToJson(directory.publicTree());
  contacts["next_id"] = directory.nextId();
  kept["contacts"] = contacts;
  json faults = json::array();
  for (const auto& rule : settings.faults) faults.push_back(faultToJson(rule));
  json results = json::array();
  for (const auto& r : settings.results)
    results.push_back({{"on", r.on}, {"nth", r.nth}, {"code", r.code}, {"wrong_type", r.wrongType}});
  kept["ldap"] = {{"add_matched", addMatchedName(settings.addMatched)}, {"faults", faults}, {"results", results}};
  state.passthrough = kept.dump();
}

}  // namespace velor::mailserver::ldap
