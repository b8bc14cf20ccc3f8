#include "ldap/request_decoder.h"

#include <ldap.h>

namespace velor::mailserver::ldap {
namespace {

constexpr int kMaxFilterDepth = 64;

std::string text(const berval& value) { return std::string(value.bv_val ? value.bv_val : "", value.bv_len); }

bool failed(ber_tag_t tag) { return tag == LBER_ERROR; }

// The values of a "W" conversion, freed here so that no caller holds liblber's memory.
std::vector<std::string> takeValues(BerVarray values) {
  std::vector<std::string> out;
  for (BerVarray v = values; v && v->bv_val; ++v) out.push_back(text(*v));
  ber_bvarray_free(values);
  return out;
}

bool decodeFilter(BerElement* ber, Filter& filter, int depth);

bool decodeFilterSet(BerElement* ber, Filter& filter, int depth) {
  ber_len_t length = 0;
  char* last = nullptr;
  for (ber_tag_t tag = ber_first_element(ber, &length, &last); tag != LBER_DEFAULT;
       tag = ber_next_element(ber, &length, last)) {
    Filter child;
    if (!decodeFilter(ber, child, depth + 1)) return false;
    filter.children.push_back(std::move(child));
  }
  return true;
}

bool decodeSubstrings(BerElement* ber, Filter& filter) {
  berval type{};
  if (failed(ber_scanf(ber, "{m", &type))) return false;
  filter.attribute = text(type);
  ber_len_t length = 0;
  char* last = nullptr;
  for (ber_tag_t tag = ber_first_element(ber, &length, &last); tag != LBER_DEFAULT;
       tag = ber_next_element(ber, &length, last)) {
    berval part{};
    if (failed(ber_scanf(ber, "m", &part))) return false;
    if (tag == LDAP_SUBSTRING_INITIAL) filter.initial = text(part);
    else if (tag == LDAP_SUBSTRING_ANY) filter.any.push_back(text(part));
    else if (tag == LDAP_SUBSTRING_FINAL) filter.final = text(part);
    else return false;
  }
  return !failed(ber_scanf(ber, "}"));
}

bool decodeFilter(BerElement* ber, Filter& filter, int depth) {
  if (depth > kMaxFilterDepth) return false;
  ber_len_t length = 0;
  const ber_tag_t tag = ber_peek_tag(ber, &length);
  berval type{}, value{};
  switch (tag) {
    case LDAP_FILTER_AND:
    case LDAP_FILTER_OR:
      filter.kind = tag == LDAP_FILTER_AND ? Filter::Kind::And : Filter::Kind::Or;
      return decodeFilterSet(ber, filter, depth);
    case LDAP_FILTER_NOT: {
      filter.kind = Filter::Kind::Not;
      if (ber_skip_tag(ber, &length) == LBER_DEFAULT) return false;
      Filter child;
      if (!decodeFilter(ber, child, depth + 1)) return false;
      filter.children.push_back(std::move(child));
      return true;
    }
    case LDAP_FILTER_EQUALITY:
      filter.kind = Filter::Kind::Equality;
      if (failed(ber_scanf(ber, "{mm}", &type, &value))) return false;
      filter.attribute = text(type);
      filter.value = text(value);
      return true;
    case LDAP_FILTER_PRESENT:
      filter.kind = Filter::Kind::Present;
      if (failed(ber_scanf(ber, "m", &type))) return false;
      filter.attribute = text(type);
      return true;
    case LDAP_FILTER_SUBSTRINGS:
      filter.kind = Filter::Kind::Substrings;
      return decodeSubstrings(ber, filter);
    case LDAP_FILTER_GE:
    case LDAP_FILTER_LE:
    case LDAP_FILTER_APPROX:
    case LDAP_FILTER_EXT:
      filter.kind = Filter::Kind::Unsupported;
      return !failed(ber_scanf(ber, "x"));
    default:
      return false;
  }
}

bool decodeBind(BerElement* ber, BindRequest& bind) {
  ber_int_t version = 0;
  berval name{};
  ber_tag_t method = 0;
  if (failed(ber_scanf(ber, "{imt", &version, &name, &method))) return false;
  bind.version = version;
  bind.name = text(name);
  bind.simple = method == LDAP_AUTH_SIMPLE;
  if (!bind.simple) return !failed(ber_scanf(ber, "x}"));
  berval password{};
  if (failed(ber_scanf(ber, "m}", &password))) return false;
  bind.password = text(password);
  return true;
}

bool decodeSearch(BerElement* ber, SearchRequest& search) {
  berval base{};
  ber_int_t scope = 0, deref = 0, sizeLimit = 0, timeLimit = 0, typesOnly = 0;
  if (failed(ber_scanf(ber, "{meeiib", &base, &scope, &deref, &sizeLimit, &timeLimit, &typesOnly))) return false;
  search.base = text(base);
  search.scope = scope;
  search.sizeLimit = sizeLimit;
  search.timeLimit = timeLimit;
  search.typesOnly = typesOnly != 0;
  if (!decodeFilter(ber, search.filter, 0)) return false;
  ber_len_t length = 0;
  char* last = nullptr;
  for (ber_tag_t tag = ber_first_element(ber, &length, &last); tag != LBER_DEFAULT;
       tag = ber_next_element(ber, &length, last)) {
    berval attribute{};
    if (failed(ber_scanf(ber, "m", &attribute))) return false;
    search.attributes.push_back(text(attribute));
  }
  return scope >= LDAP_SCOPE_BASE && scope <= LDAP_SCOPE_SUBTREE && sizeLimit >= 0 && timeLimit >= 0;
}

bool decodeAdd(BerElement* ber, AddRequest& add) {
  berval dn{};
  if (failed(ber_scanf(ber, "{m", &dn))) return false;
  add.dn = text(dn);
  ber_len_t length = 0;
  char* last = nullptr;
  for (ber_tag_t tag = ber_first_element(ber, &length, &last); tag != LBER_DEFAULT;
       tag = ber_next_element(ber, &length, last)) {
    berval type{};
    BerVarray values = nullptr;
    if (failed(ber_scanf(ber, "{m{W}}", &type, &values))) return false;
    add.attributes.push_back({text(type), takeValues(values)});
  }
  return true;
}

bool decodeModify(BerElement* ber, ModifyRequest& modify) {
  berval dn{};
  if (failed(ber_scanf(ber, "{m", &dn))) return false;
  modify.dn = text(dn);
  ber_len_t length = 0;
  char* last = nullptr;
  for (ber_tag_t tag = ber_first_element(ber, &length, &last); tag != LBER_DEFAULT;
       tag = ber_next_element(ber, &length, last)) {
    ber_int_t op = 0;
    berval type{};
    BerVarray values = nullptr;
    if (failed(ber_scanf(ber, "{e{m[W]}}", &op, &type, &values))) return false;
    if (op < 0 || op > 2) {
      ber_bvarray_free(values);
      return false;
    }
    modify.changes.push_back({static_cast<Modification::Op>(op), {text(type), takeValues(values)}});
  }
  return true;
}

}  // namespace

std::string operationName(Request::Kind kind) {
  switch (kind) {
    case Request::Kind::Bind: return "BIND";
    case Request::Kind::Search: return "SEARCH";
    case Request::Kind::Modify: return "MODIFY";
    case Request::Kind::Add: return "ADD";
    case Request::Kind::Delete: return "DELETE";
    case Request::Kind::Unbind: return "UNBIND";
    case Request::Kind::Abandon: return "ABANDON";
    case Request::Kind::Unsupported: return "OTHER";
  }
  return "";
}

std::optional<Request> decodeRequest(BerElement* ber) {
  Request request;
  ber_int_t id = 0;
  if (failed(ber_get_int(ber, &id)) || id < 0) return std::nullopt;
  request.messageId = id;
  ber_len_t length = 0;
  request.tag = ber_peek_tag(ber, &length);
  bool ok = true;
  switch (request.tag) {
    case LDAP_REQ_BIND:
      request.kind = Request::Kind::Bind;
      ok = decodeBind(ber, request.bind);
      break;
    case LDAP_REQ_UNBIND:
      request.kind = Request::Kind::Unbind;
      break;
    case LDAP_REQ_SEARCH:
      request.kind = Request::Kind::Search;
      ok = decodeSearch(ber, request.search);
      break;
    case LDAP_REQ_MODIFY:
      request.kind = Request::Kind::Modify;
      ok = decodeModify(ber, request.modify);
      break;
    case LDAP_REQ_ADD:
      request.kind = Request::Kind::Add;
      ok = decodeAdd(ber, request.add);
      break;
    case LDAP_REQ_DELETE: {
      request.kind = Request::Kind::Delete;
      berval dn{};
      ok = !failed(ber_scanf(ber, "m", &dn));
      request.deleteDn = text(dn);
      break;
    }
    case LDAP_REQ_ABANDON: {
      request.kind = Request::Kind::Abandon;
      ber_int_t abandoned = 0;
      ok = !failed(ber_scanf(ber, "i", &abandoned));
      request.abandonId = abandoned;
      break;
    }
    case LBER_DEFAULT:
      return std::nullopt;
    default:
      request.kind = Request::Kind::Unsupported;  // compare, modify DN, extended: answered in kind
      break;
  }
  if (!ok) return std::nullopt;
  return request;
}

}  // namespace velor::mailserver::ldap
