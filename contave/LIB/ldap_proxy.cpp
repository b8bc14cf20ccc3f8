// LDAPPROXY: the server folder over OpenLDAP's client library. Every wait is a wait on the
// connection (ldap_result with a time-out), so no answer costs more than its round trip.
#include "contave/LIB/ldap_proxy.h"

#include <ldap.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <memory>

#include "contave/LIB/attribute_map.h"
#include "contave/LIB/codepage.h"
#include "contave/LIB/internal_failure.h"
#include "contave/LIB/text_compare.h"

namespace contave {
namespace {

std::atomic<bool> g_setUp{false};

constexpr char kContactFilter[] = "(objectClass=velorOrgPerson)";
constexpr char kFolderFilter[] = "(objectClass=container)";
constexpr int kDefaultPort = 389;
// How often a running search looks at Stop.
constexpr long kStopPollMicroseconds = 50000;
// LDAP's time-out result, which the passes report for a change that got no answer in time.
constexpr int kTimeLimitCode = 85;
constexpr int kAddLimitFactor = 20;

struct MessageDeleter {
  void operator()(LDAPMessage* message) const { ldap_msgfree(message); }
};
using Message = std::unique_ptr<LDAPMessage, MessageDeleter>;

struct ValuesDeleter {
  void operator()(char** values) const { ldap_value_free(values); }
};
using Values = std::unique_ptr<char*, ValuesDeleter>;

struct MemoryDeleter {
  void operator()(char* text) const { ldap_memfree(text); }
};
using LdapText = std::unique_ptr<char, MemoryDeleter>;

// The components of a DN; empty when the library cannot split it.
std::vector<std::string> Explode(const std::string& dn) {
  std::vector<std::string> parts;
  Values exploded(ldap_explode_dn(dn.c_str(), 0));
  if (!exploded) return parts;
  for (char** part = exploded.get(); *part != nullptr; ++part) parts.emplace_back(*part);
  return parts;
}

bool StartsWithNoCase(const std::string& text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsNoCase(std::string_view(text).substr(0, prefix.size()), prefix);
}

// Whether dn names an entry directly below the folder.
bool IsDirectChild(const std::string& dn, const std::string& folderDn) {
  const std::vector<std::string> child = Explode(dn);
  const std::vector<std::string> folder = Explode(folderDn);
  if (child.size() != folder.size() + 1 || folder.empty()) return false;
  for (std::size_t i = 0; i < folder.size(); ++i) {
    if (!EqualsNoCase(child[i + 1], folder[i])) return false;
  }
  return true;
}

timeval Seconds(int seconds) {
  timeval limit{};
  limit.tv_sec = seconds;
  return limit;
}

Status Connect(const DirectoryLogin& login, LDAP*& ld) {
  if (!g_setUp.load()) CONTAVE_INTERNAL_FAILURE(module::kLdapproxy, kUnexpected);
  std::string host;
  int port = 0;
  if (!SplitHostPort(login.host, host, port)) return kCveLdapInit;
  // A simple bind without a password is an anonymous bind: the folder would look empty and the
  // passes would take every contact for deleted.
  if (login.password.empty()) return LdapStatus(LDAP_INVALID_CREDENTIALS);
  ld = ldap_init(host.c_str(), port);
  if (ld == nullptr) return kCveLdapInit;
  const int code = ldap_simple_bind_s(ld, login.user.c_str(), login.password.c_str());
  if (code != LDAP_SUCCESS) {
    ldap_unbind(ld);
    ld = nullptr;
    return LdapStatus(code);
  }
  return kOk;
}

// The server's errors on one connection.
Status ConnectionError(LDAP* ld) {
  int code = LDAP_OTHER;
  ldap_get_option(ld, LDAP_OPT_RESULT_CODE, &code);
  return LdapStatus(code == LDAP_SUCCESS ? LDAP_OTHER : code);
}

}  // namespace

void SetUpDirectoryLibrary() {
  if (g_setUp.exchange(true)) CONTAVE_INTERNAL_FAILURE(module::kLdapproxy, kUnexpected);
  int version = LDAP_VERSION2;
  ldap_set_option(nullptr, LDAP_OPT_PROTOCOL_VERSION, &version);
  // Every connection made afterwards gives up on a server that takes the connection and then
  // says nothing: the connect, the bind and the folder list would otherwise wait for ever, with
  // the window's Stop and Close waiting behind them.
  timeval limit = Seconds(kDirectoryAnswerSeconds);
  ldap_set_option(nullptr, LDAP_OPT_NETWORK_TIMEOUT, &limit);
  ldap_set_option(nullptr, LDAP_OPT_TIMEOUT, &limit);
}

bool SplitHostPort(const std::string& text, std::string& host, int& port) {
  const std::size_t colon = text.rfind(':');
  if (colon == std::string::npos) {
    host = text;
    port = kDefaultPort;
    return !host.empty();
  }
  host = text.substr(0, colon);
  const std::string digits = text.substr(colon + 1);
  if (host.empty() || digits.empty() || digits.size() > 5) return false;
  for (char c : digits) {
    if (c < '0' || c > '9') return false;
  }
  port = std::atoi(digits.c_str());
  return port >= 1 && port <= 65535;
}

bool ParseContactId(const std::string& component, std::int32_t& id) {
  if (!StartsWithNoCase(component, "cn=")) return false;
  const std::string hex = component.substr(3);
  if (hex.empty() || hex.size() > 8) return false;
  std::uint32_t value = 0;
  for (char c : hex) {
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      return false;
    }
    value = value * 16 + static_cast<std::uint32_t>(digit);
  }
  // -1 is what the address book stores for "no link": an entry with that id cannot be linked.
  if (value == 0xFFFFFFFFu) return false;
  id = static_cast<std::int32_t>(value);
  return true;
}

bool ParseRevision(const char* text, std::uint32_t& revision) {
  if (text == nullptr || *text == '\0') return false;
  std::uint64_t value = 0;
  for (const char* c = text; *c != '\0'; ++c) {
    if (*c < '0' || *c > '9') return false;
    value = value * 10 + static_cast<std::uint64_t>(*c - '0');
    if (value > 0xFFFFFFFFu) return false;
  }
  if (value == 0) return false;
  revision = static_cast<std::uint32_t>(value);
  return true;
}

Status ServerFolder::Open(const DirectoryLogin& login, const std::string& folderDn, int timeLimitSeconds,
                          ProgressReporter& progress, const StopFlag& stop) {
  Close();
  progress.ShowAction(kActionConnectingLdap);
  progress.EnableStop(false);
  if (Status status = Connect(login, ld_); Failed(status)) return status;
  ++roundTrips_;
  folderDn_ = folderDn;
  timeLimit_ = timeLimitSeconds > 0 ? timeLimitSeconds : 3;
  const Status status = Search(folderDn, progress, stop);
  if (Failed(status)) Close();
  return status;
}

void ServerFolder::Close() {
  if (ld_ != nullptr) ldap_unbind(ld_);
  ld_ = nullptr;
  contacts_.clear();
  unreadable_.clear();
  skipped_ = 0;
}

Status ServerFolder::ErrorNumber() const { return ConnectionError(ld_); }

Status ServerFolder::Search(const std::string& folderDn, ProgressReporter& progress, const StopFlag& stop) {
  progress.ShowAction(kActionLoadingLdapContent);
  char revId[] = "revId";
  char commonName[] = "commonName";
  char* attributes[] = {revId, commonName, nullptr};
  const int messageId = ldap_search(ld_, folderDn.c_str(), LDAP_SCOPE_ONELEVEL, kContactFilter, attributes, 0);
  if (messageId < 0) return ErrorNumber();
  ++roundTrips_;
  progress.EnableStop(true);
  progress.SetRange(100);
  int polls = 0;
  for (;;) {
    timeval wait{};
    wait.tv_usec = kStopPollMicroseconds;
    LDAPMessage* raw = nullptr;
    const int type = ldap_result(ld_, messageId, LDAP_MSG_ONE, &wait, &raw);
    Message message(raw);
    if (type < 0) return ErrorNumber();
    if (stop.Requested()) {
      ldap_abandon(ld_, messageId);
      contacts_.clear();
      return kCveCanceled;
    }
    if (type == 0) {
      progress.SetPosition(++polls % 100);
      continue;
    }
    if (type == LDAP_RES_SEARCH_RESULT) {
      const int code = ldap_result2error(ld_, message.release(), 1);
      if (code != LDAP_SUCCESS) {
        contacts_.clear();
        unreadable_.clear();
        return LdapStatus(code);
      }
      return kOk;
    }
    if (type != LDAP_RES_SEARCH_ENTRY) {
      ldap_abandon(ld_, messageId);
      contacts_.clear();
      return LdapStatus(LDAP_PROTOCOL_ERROR);
    }
    for (LDAPMessage* entry = ldap_first_entry(ld_, message.get()); entry != nullptr;
         entry = ldap_next_entry(ld_, entry)) {
      ServerContact contact;
      LdapText dn(ldap_get_dn(ld_, entry));
      const std::vector<std::string> parts = dn ? Explode(dn.get()) : std::vector<std::string>();
      if (parts.empty() || !ParseContactId(parts[0], contact.id)) {
        ++skipped_;
        continue;
      }
      Values revision(ldap_get_values(ld_, entry, "revId"));
      Values name(ldap_get_values(ld_, entry, "commonName"));
      if (!revision || !ParseRevision(revision.get()[0], contact.revision) || !name || name.get()[0] == nullptr) {
        // It exists even though it cannot be read: its local contact must not be taken for deleted.
        ++skipped_;
        unreadable_.push_back(contact.id);
        continue;
      }
      contact.dn = dn.get();
      contact.displayName = Utf8ToLocal(name.get()[0]);
      contacts_.push_back(std::move(contact));
    }
  }
}

Status ServerFolder::WaitForChange(int messageId, int expectedType, bool limited) {
  if (messageId < 0) return ErrorNumber();
  ++roundTrips_;
  // An add is given far longer and never abandoned: the server may still make the entry, and an
  // entry made after the client gave up is found as a leftover by the next run.
  timeval limit = Seconds(limited ? timeLimit_ : timeLimit_ * kAddLimitFactor);
  LDAPMessage* raw = nullptr;
  const int type = ldap_result(ld_, messageId, LDAP_MSG_ONE, &limit, &raw);
  if (type < 0) return ErrorNumber();
  if (type == 0) {
    if (limited) ldap_abandon(ld_, messageId);
    return LdapStatus(kTimeLimitCode);
  }
  if (type != expectedType) {
    ldap_msgfree(raw);
    ldap_abandon(ld_, messageId);
    return LdapStatus(LDAP_PROTOCOL_ERROR);
  }
  const int code = ldap_result2error(ld_, raw, 1);
  return code == LDAP_SUCCESS ? kOk : LdapStatus(code);
}

Status ServerFolder::ReadRevision(const std::string& dn, std::uint32_t& revision) {
  char revId[] = "revId";
  char* attributes[] = {revId, nullptr};
  timeval limit = Seconds(timeLimit_);
  LDAPMessage* raw = nullptr;
  const int code = ldap_search_st(ld_, dn.c_str(), LDAP_SCOPE_BASE, kContactFilter, attributes, 0, &limit, &raw);
  Message message(raw);
  ++roundTrips_;
  if (code != LDAP_SUCCESS) return LdapStatus(code);
  LDAPMessage* entry = ldap_first_entry(ld_, message.get());
  if (entry == nullptr) return kCveInaccessibleEntry;
  Values values(ldap_get_values(ld_, entry, "revId"));
  if (!values || !ParseRevision(values.get()[0], revision)) return kCveInaccessibleEntry;
  return kOk;
}

Status ServerFolder::LoadAttributes(const ServerContact& contact, AttributeList& attributes) {
  if (ld_ == nullptr) CONTAVE_INTERNAL_FAILURE(module::kLdapproxy, kUnexpected);
  std::array<char*, AttributeMap::kRowCount + 1> names{};
  for (std::size_t i = 0; i < AttributeMap::Count(); ++i) names[i] = const_cast<char*>(AttributeMap::Row(i).name);
  timeval limit = Seconds(timeLimit_);
  LDAPMessage* raw = nullptr;
  const int code =
      ldap_search_st(ld_, contact.dn.c_str(), LDAP_SCOPE_BASE, kContactFilter, names.data(), 0, &limit, &raw);
  Message message(raw);
  ++roundTrips_;
  if (code != LDAP_SUCCESS) return LdapStatus(code);
  if (ldap_count_entries(ld_, message.get()) != 1) return kCveInaccessibleEntry;
  LDAPMessage* entry = ldap_first_entry(ld_, message.get());
  attributes.clear();
  for (std::size_t i = 0; i < AttributeMap::Count(); ++i) {
    Values values(ldap_get_values(ld_, entry, AttributeMap::Row(i).name));
    if (!values) continue;
    ContactAttribute attribute(AttributeMap::Row(i).name);
    attribute.TakeDirectoryValues(values.get());
    attributes.push_back(std::move(attribute));
  }
  return kOk;
}

Status ServerFolder::Delete(const ServerContact& contact) {
  if (ld_ == nullptr) CONTAVE_INTERNAL_FAILURE(module::kLdapproxy, kUnexpected);
  return WaitForChange(ldap_delete(ld_, contact.dn.c_str()), LDAP_RES_DELETE, true);
}

Status ServerFolder::Create(ServerContact& created) {
  if (ld_ == nullptr) CONTAVE_INTERNAL_FAILURE(module::kLdapproxy, kUnexpected);
  char name[] = "commonName";
  char placeholder[sizeof kNewContactName];
  std::copy(std::begin(kNewContactName), std::end(kNewContactName), placeholder);
  char* values[] = {placeholder, nullptr};
  LDAPMod mod{};
  mod.mod_op = LDAP_MOD_ADD;
  mod.mod_type = name;
  mod.mod_values = values;
  LDAPMod* mods[] = {&mod, nullptr};
  if (Status status = WaitForChange(ldap_add(ld_, folderDn_.c_str(), mods), LDAP_RES_ADD, false); Failed(status))
    return status;
  char* matched = nullptr;
  ldap_get_option(ld_, LDAP_OPT_MATCHED_DN, &matched);
  LdapText matchedDn(matched);
  if (!matchedDn || *matchedDn == '\0') return kCveInaccessibleEntry;
  ServerContact contact;
  contact.dn = matchedDn.get();
  contact.displayName = kNewContactName;
  const std::vector<std::string> parts = Explode(contact.dn);
  const bool child = IsDirectChild(contact.dn, folderDn_);
  Status status = kOk;
  if (!child || parts.empty() || !ParseContactId(parts[0], contact.id)) {
    status = kCveInaccessibleEntry;
  } else {
    status = ReadRevision(contact.dn, contact.revision);
  }
  if (Failed(status)) {
    // Only an entry of this folder is ours to take back; anything else the server named stays.
    if (child) WaitForChange(ldap_delete(ld_, contact.dn.c_str()), LDAP_RES_DELETE, true);
    return status;
  }
  created = std::move(contact);
  return kOk;
}

Status ServerFolder::Send(ServerContact& contact, const AttributeList& changes) {
  if (ld_ == nullptr) CONTAVE_INTERNAL_FAILURE(module::kLdapproxy, kUnexpected);
  if (changes.empty()) return kOk;
  std::vector<DirectoryValues> values;
  std::vector<LDAPMod> mods(changes.size());
  std::vector<LDAPMod*> pointers;
  values.reserve(changes.size());
  for (std::size_t i = 0; i < changes.size(); ++i) {
    const ContactAttribute& change = changes[i];
    LDAPMod& mod = mods[i];
    mod.mod_type = const_cast<char*>(change.Name().c_str());
    switch (change.Mark()) {
      case ChangeMark::kDelete:
        mod.mod_op = LDAP_MOD_DELETE;
        mod.mod_values = nullptr;
        break;
      case ChangeMark::kAdd:
      case ChangeMark::kReplace:
        mod.mod_op = change.Mark() == ChangeMark::kAdd ? LDAP_MOD_ADD : LDAP_MOD_REPLACE;
        values.push_back(change.BuildDirectoryValues());
        mod.mod_values = values.back().Values();
        break;
      default:
        CONTAVE_INTERNAL_FAILURE(module::kLdapproxy, kInvalidArg);
    }
    pointers.push_back(&mod);
  }
  pointers.push_back(nullptr);
  const Status status = WaitForChange(ldap_modify(ld_, contact.dn.c_str(), pointers.data()), LDAP_RES_MODIFY, true);
  if (Failed(status)) return status;
  std::uint32_t revision = 0;
  if (!Failed(ReadRevision(contact.dn, revision))) contact.revision = revision;
  return kOk;
}

namespace {

Status ListBelow(LDAP* ld, const std::string& base, std::vector<std::string>& dns, int depth) {
  // A deeper tree is not a folder tree the server makes; it ends the listing instead of the stack.
  if (depth > 64) return kCveInaccessibleEntry;
  char objectClass[] = "objectClass";
  char* attributes[] = {objectClass, nullptr};
  timeval limit{};
  limit.tv_sec = 10;
  limit.tv_usec = 500000;
  LDAPMessage* raw = nullptr;
  const int code = ldap_search_st(ld, base.c_str(), LDAP_SCOPE_ONELEVEL, kFolderFilter, attributes, 0, &limit, &raw);
  Message message(raw);
  if (code != LDAP_SUCCESS) return LdapStatus(code);
  std::vector<std::string> children;
  for (LDAPMessage* entry = ldap_first_entry(ld, message.get()); entry != nullptr; entry = ldap_next_entry(ld, entry)) {
    LdapText dn(ldap_get_dn(ld, entry));
    if (dn) children.emplace_back(dn.get());
  }
  for (const std::string& child : children) {
    dns.push_back(child);
    if (Status status = ListBelow(ld, child, dns, depth + 1); Failed(status)) return status;
  }
  return kOk;
}

}  // namespace

Status ListFolders(const DirectoryLogin& login, bool publicFolders, std::vector<std::string>& dns) {
  LDAP* ld = nullptr;
  if (Status status = Connect(login, ld); Failed(status)) return status;
  const Status status =
      ListBelow(ld, publicFolders ? "fn=Public,fn=ContactRoot" : "fn=Personal,fn=ContactRoot", dns, 0);
  ldap_unbind(ld);
  return status;
}

bool FolderDnToPath(const std::string& dn, std::string& path) {
  const std::vector<std::string> parts = Explode(dn);
  if (parts.size() < 3 || !EqualsNoCase(parts.back(), "fn=ContactRoot")) return false;
  const std::string& top = parts[parts.size() - 2];
  const bool isPublic = EqualsNoCase(top, "fn=Public");
  if (!isPublic && !EqualsNoCase(top, "fn=Personal")) return false;
  std::string text = isPublic ? "#public/" : "";
  for (std::size_t i = parts.size() - 2; i-- > 0;) {
    if (!StartsWithNoCase(parts[i], "fn=")) return false;
    text += parts[i].substr(3);
    if (i != 0) text += '/';
  }
  path = Utf8ToLocal(text.c_str());
  return true;
}

bool PathToFolderDn(const std::string& path, std::string& dn) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t slash = path.find('/', start);
    const std::size_t end = slash == std::string::npos ? path.size() : slash;
    if (end > start) parts.push_back(path.substr(start, end - start));
    if (slash == std::string::npos) break;
    start = slash + 1;
  }
  const bool isPublic = !parts.empty() && EqualsNoCase(parts[0], "#public");
  if (isPublic ? parts.size() < 2 : parts.empty()) return false;
  std::string text;
  for (std::size_t i = parts.size(); i-- > (isPublic ? 1u : 0u);) text += "fn=" + parts[i] + ",";
  text += isPublic ? "fn=public,fn=contactroot" : "fn=personal,fn=contactroot";
  if (text.size() >= 1024) return false;
  dn = LocalToUtf8(text.c_str());
  return true;
}

}  // namespace contave
