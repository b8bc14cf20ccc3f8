#include "state/seed.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <set>

#include "state/flags.h"
#include "state/mutf7.h"
#include "state/rights.h"

namespace velor::mailserver {
namespace {

using nlohmann::json;

[[noreturn]] void fail(const std::string& what) { throw SeedError(what); }

std::string text(const json& j, const char* key, const std::string& where) {
  if (!j.contains(key) || !j.at(key).is_string()) fail(where + ": \"" + key + "\" must be a string");
  const std::string value = j.at(key).get<std::string>();
  if (!isValidUtf8(value)) fail(where + ": \"" + key + "\" is not UTF-8");
  return value;
}

bool flag(const json& j, const char* key, bool fallback) {
  if (!j.contains(key)) return fallback;
  if (!j.at(key).is_boolean()) fail(std::string("\"") + key + "\" must be true or false");
  return j.at(key).get<bool>();
}

void checkFolderName(const std::string& name, const std::string& where) {
  if (name.empty() || name.front() == '/' || name.back() == '/' || name.find("//") != std::string::npos)
    fail(where + ": folder name '" + name + "' has an empty level");
  for (unsigned char c : name)
    if (c < 0x20 || c == 0x7F) fail(where + ": folder name '" + name + "' holds a control character");
}

std::vector<Message> readMessages(const json& j, Folder& folder, const std::string& where) {
  std::vector<Message> messages;
  if (!j.contains("messages")) return messages;
  const json& list = j.at("messages");
  if (list.is_number_unsigned()) {
    // A plain count stands for that many unflagged messages, which is all a demo folder needs.
    for (std::size_t i = 0; i < list.get<std::size_t>(); ++i) messages.push_back({folder.uidNext++, {}});
    return messages;
  }
  if (!list.is_array()) fail(where + ": \"messages\" must be a count or a list");
  for (const json& m : list) {
    Message message;
    message.uid = m.contains("uid") ? m.at("uid").get<std::uint32_t>() : folder.uidNext;
    if (message.uid < folder.uidNext) fail(where + ": message uids must rise");
    folder.uidNext = message.uid + 1;
    for (const json& f : m.value("flags", json::array())) {
      const auto canonical = canonicalFlag(f.get<std::string>());
      if (!canonical) fail(where + ": unknown flag " + f.get<std::string>());
      message.flags.push_back(*canonical);
    }
    messages.push_back(std::move(message));
  }
  return messages;
}

std::unique_ptr<Folder> readFolder(const json& j, const std::string& owner, const std::string& where) {
  if (!j.is_object()) fail(where + ": a folder must be an object");
  auto folder = std::make_unique<Folder>();
  folder->name = canonicalFolderName(text(j, "name", where));
  const std::string here = where + " '" + folder->name + "'";
  checkFolderName(folder->name, here);
  folder->subscribed = flag(j, "subscribed", true);
  folder->noselect = flag(j, "noselect", false);
  folder->uidValidity = j.value("uid_validity", 1u);
  folder->messages = readMessages(j, *folder, here);
  if (folder->noselect && !folder->messages.empty()) fail(here + ": a \\Noselect folder holds no messages");
  for (const json& e : j.value("acl", json::array())) {
    const std::string id = text(e, "id", here);
    const auto rights = normaliseRights(text(e, "rights", here));
    if (id.empty() || !rights) fail(here + ": bad ACL entry for '" + id + "'");
    folder->acl.push_back({id, *rights});
  }
  folder->owner = owner;
  if (folder->owner.empty()) {
    if (j.contains("owner")) folder->owner = text(j, "owner", here);
    else if (!folder->acl.empty()) folder->owner = folder->acl.front().identifier;
    else fail(here + ": a shared folder needs an \"owner\" or an ACL");
  }
  placeOwnerFirst(*folder);
  return folder;
}

// Orders a tree so that every folder follows its parent, siblings in seed order, and checks
// that each parent exists: the folder list is answered in this order.
void orderTree(std::vector<std::unique_ptr<Folder>>& folders, const std::string& where) {
  std::map<std::string, std::vector<Folder*>> children;
  std::set<std::string> names;
  for (const auto& f : folders)
    if (!names.insert(f->name).second) fail(where + ": folder '" + f->name + "' is given twice");
  for (const auto& f : folders) {
    const std::string parent = parentName(f->name);
    if (!parent.empty() && !names.count(parent))
      fail(where + ": folder '" + f->name + "' has no parent '" + parent + "' in the seed");
    children[parent].push_back(f.get());
  }
  std::vector<Folder*> order;
  std::function<void(const std::string&)> walk = [&](const std::string& parent) {
    for (Folder* f : children[parent]) {
      order.push_back(f);
      walk(f->name);
    }
  };
  walk("");
  std::vector<std::unique_ptr<Folder>> sorted;
  for (Folder* f : order)
    for (auto& owned : folders)
      if (owned.get() == f) sorted.push_back(std::move(owned));
  folders = std::move(sorted);
}

void readImapSettings(const json& j, ImapSettings& settings) {
  if (j.contains("greeting")) settings.greeting = j.at("greeting").get<std::string>();
  if (settings.greeting != "OK" && settings.greeting != "NO" && settings.greeting != "BAD" && settings.greeting != "BYE")
    fail("imap: \"greeting\" must be OK, NO, BAD or BYE");
  settings.aclCapability = flag(j, "acl_capability", settings.aclCapability);
  if (j.contains("capabilities")) settings.capabilities = j.at("capabilities").get<std::string>();
  settings.aclOneLine = flag(j, "acl_one_line", settings.aclOneLine);
  for (const json& f : j.value("faults", json::array())) {
    try {
      settings.faults.push_back(faultFromJson(f));
    } catch (const std::exception& e) {
      fail(std::string("imap: ") + e.what());
    }
  }
}

std::unique_ptr<Folder> readSharedFolder(const json& j) {
  auto folder = readFolder(j, "", "shared folder");
  const std::string top = folder->name.substr(0, folder->name.find('/'));
  if (top != "#public" && top != "#backup") fail("shared folder '" + folder->name + "' is outside #public and #backup");
  return folder;
}

std::unique_ptr<User> readUser(const json& u, const MailState& state) {
  auto user = std::make_unique<User>();
  user->name = text(u, "name", "user");
  const std::string where = "user '" + user->name + "'";
  if (user->name.empty() || state.findUser(user->name)) fail(where + ": empty or given twice");
  user->password = text(u, "password", where);
  for (const json& g : u.value("groups", json::array())) user->groups.push_back(g.get<std::string>());
  for (const json& f : u.value("folders", json::array())) {
    auto folder = readFolder(f, user->name, where);
    if (folder->name != "INBOX" && folder->name.rfind("INBOX/", 0) != 0)
      fail(where + ": folder '" + folder->name + "' is outside INBOX");
    user->folders.push_back(std::move(folder));
  }
  if (!findFolder(state, *user, "INBOX")) {
    auto inbox = std::make_unique<Folder>();
    inbox->name = "INBOX";
    inbox->owner = user->name;
    placeOwnerFirst(*inbox);
    user->folders.insert(user->folders.begin(), std::move(inbox));
  }
  orderTree(user->folders, where);
  if (u.contains("script") && !u.at("script").is_null()) {
    const json& s = u.at("script");
    if (s.is_string()) user->script = Script{"main", text(u, "script", where)};
    else user->script = Script{s.value("name", std::string("main")), text(s, "text", where)};
  }
  return user;
}

void readMappings(const json& u, const MailState& state, User& user) {
  for (const json& m : u.value("mappings", json::array())) {
    Mapping mapping{text(m, "alias", "mapping"), text(m, "folder", "mapping")};
    const bool own = !mapping.folder.empty() && mapping.folder[0] == '~';
    const std::string name = own ? mapping.folder.substr(1) : mapping.folder;
    if (mapping.alias.empty() || name.empty() || own == (name[0] == '#') || !findFolder(state, user, name))
      fail("user '" + user.name + "': mapping '" + mapping.alias + "' names no folder of the seed");
    if (own) mapping.folder = "~" + canonicalFolderName(name);
    user.mappings.push_back(mapping);
  }
}

json folderToJson(const Folder& f, bool shared) {
  json j = {{"name", f.name}};
  if (!f.subscribed) j["subscribed"] = false;
  if (f.noselect) j["noselect"] = true;
  if (shared) j["owner"] = f.owner;
  if (f.uidValidity != 1) j["uid_validity"] = f.uidValidity;
  json acl = json::array();
  for (const auto& e : f.acl) acl.push_back({{"id", e.identifier}, {"rights", e.rights}});
  j["acl"] = acl;
  json messages = json::array();
  for (const auto& m : f.messages) messages.push_back({{"uid", m.uid}, {"flags", m.flags}});
  j["messages"] = messages;
  return j;
}

}  // namespace

void loadSeed(const json& seed, MailState& state, ImapSettings& settings) {
  if (!seed.is_object()) fail("the seed must be a JSON object");
  try {
    json passthrough = json::object();
    for (auto it = seed.begin(); it != seed.end(); ++it)
      if (it.key() != "imap" && it.key() != "users" && it.key() != "shared") passthrough[it.key()] = it.value();
    state.passthrough = passthrough.dump();
    if (seed.contains("imap")) readImapSettings(seed.at("imap"), settings);
    for (const json& s : seed.value("shared", json::array())) state.shared.push_back(readSharedFolder(s));
    orderTree(state.shared, "shared");
    for (const json& u : seed.value("users", json::array())) state.users.push_back(readUser(u, state));
    // Mappings last: their folders may lie in the shared trees read above.
    std::size_t index = 0;
    for (const json& u : seed.value("users", json::array())) readMappings(u, state, *state.users[index++]);
  } catch (const json::exception& e) {
    fail(std::string("seed: ") + e.what());
  }
}

void loadSeedFile(const std::string& path, MailState& state, ImapSettings& settings) {
  std::ifstream in(path, std::ios::binary);
  if (!in) fail("cannot read seed file " + path);
  json seed;
  try {
    seed = json::parse(in);
  } catch (const json::exception& e) {
    fail(path + ": " + e.what());
  }
  loadSeed(seed, state, settings);
}

json saveState(const MailState& state, const ImapSettings& settings) {
  json out = json::parse(state.passthrough);
  json imap = {{"greeting", settings.greeting}, {"acl_capability", settings.aclCapability},
               {"acl_one_line", settings.aclOneLine}};
  if (settings.capabilities) imap["capabilities"] = *settings.capabilities;
  json faults = json::array();
  for (const auto& rule : settings.faults) faults.push_back(faultToJson(rule));
  imap["faults"] = faults;
  out["imap"] = imap;

  json shared = json::array();
  for (const auto& f : state.shared) shared.push_back(folderToJson(*f, true));
  out["shared"] = shared;

  json users = json::array();
  for (const auto& u : state.users) {
    json j = {{"name", u->name}, {"password", u->password}, {"groups", u->groups}};
    json folders = json::array();
    for (const auto& f : u->folders) folders.push_back(folderToJson(*f, false));
    j["folders"] = folders;
    json mappings = json::array();
    for (const auto& m : u->mappings) mappings.push_back({{"alias", m.alias}, {"folder", m.folder}});
    j["mappings"] = mappings;
    j["script"] = u->script ? json{{"name", u->script->name}, {"text", u->script->text}} : json();
    users.push_back(j);
  }
  out["users"] = users;
  return out;
}

void saveStateFile(const std::string& path, const MailState& state, const ImapSettings& settings) {
  const std::string temporary = path + ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out) throw std::runtime_error("cannot write " + temporary);
    out << saveState(state, settings).dump(2) << '\n';
    if (!out.flush()) throw std::runtime_error("cannot write " + temporary);
  }
  if (std::rename(temporary.c_str(), path.c_str()) != 0) throw std::runtime_error("cannot rename to " + path);
}

}  // namespace velor::mailserver
