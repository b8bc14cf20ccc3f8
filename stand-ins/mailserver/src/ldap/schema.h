// The directory's schema: the contact attributes that the synchronisation tool's attribute map
// names, in that map's order, and the attributes the server keeps itself. Attribute names are
// matched without regard to letter case and always answered in the spelling given here.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velor::mailserver::ldap {

inline constexpr const char* kObjectClass = "objectClass";
inline constexpr const char* kRevId = "revId";
inline constexpr const char* kContactClass = "velorOrgPerson";
inline constexpr const char* kFolderClass = "container";
inline constexpr const char* kContactNaming = "cn";  // a contact's hexadecimal id
inline constexpr const char* kFolderNaming = "fn";   // a folder's name

// The thirty-one contact attributes, in the attribute map's order.
const std::vector<std::string>& contactAttributes();

// The schema's spelling of a contact attribute, none for a name the schema does not know.
std::optional<std::string> contactAttribute(std::string_view name);

// Every contact attribute holds one value, but for the list of e-mail addresses.
bool isMultiValued(std::string_view canonicalName);

}  // namespace velor::mailserver::ldap
