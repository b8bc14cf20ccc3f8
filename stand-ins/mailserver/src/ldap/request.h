// One LDAP request as the session acts on it, decoded from its BER form (request_decoder).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "ldap/directory.h"
#include "ldap/filter.h"

namespace velor::mailserver::ldap {

struct BindRequest {
  int version = 0;
  std::string name;
  bool simple = true;  // false: SASL, which this server does not offer
  std::string password;
};

struct SearchRequest {
  std::string base;
  int scope = 0;  // LDAP_SCOPE_BASE, _ONELEVEL or _SUBTREE
  int sizeLimit = 0;
  int timeLimit = 0;
  bool typesOnly = false;
  Filter filter;
  std::vector<std::string> attributes;
};

struct AddRequest {
  std::string dn;
  std::vector<Attribute> attributes;  // names as the client wrote them
};

struct Modification {
  enum class Op { Add = 0, Delete = 1, Replace = 2 };
  Op op = Op::Add;
  Attribute attribute;
};

struct ModifyRequest {
  std::string dn;
  std::vector<Modification> changes;
};

struct Request {
  enum class Kind { Bind, Unbind, Search, Modify, Add, Delete, Abandon, Unsupported };
  int messageId = 0;
  Kind kind = Kind::Unsupported;
  unsigned long tag = 0;  // the protocol operation's BER tag, to answer an unsupported one in kind
  BindRequest bind;
  SearchRequest search;
  AddRequest add;
  ModifyRequest modify;
  std::string deleteDn;
  int abandonId = 0;
};

// The name fault rules use for the reply to a request: BIND, SEARCH, ADD, MODIFY, DELETE.
std::string operationName(Request::Kind kind);

}  // namespace velor::mailserver::ldap
