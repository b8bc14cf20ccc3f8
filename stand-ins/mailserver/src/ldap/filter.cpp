#include "ldap/filter.h"

#include "ldap/directory.h"
#include "ldap/dn.h"

namespace velor::mailserver::ldap {
namespace {

const Attribute* attributeNamed(const std::vector<Attribute>& attributes, const std::string& name) {
  const std::string wanted = lowerAscii(name);
  for (const auto& a : attributes)
    if (lowerAscii(a.name) == wanted) return &a;
  return nullptr;
}

bool substringsMatch(const Filter& f, const std::string& value) {
  const std::string v = foldValue(value);
  std::size_t at = 0;
  const std::string initial = foldValue(f.initial);
  if (v.compare(0, initial.size(), initial) != 0) return false;
  at = initial.size();
  for (const auto& part : f.any) {
    const std::string p = foldValue(part);
    const auto found = v.find(p, at);
    if (found == std::string::npos) return false;
    at = found + p.size();
  }
  const std::string final = foldValue(f.final);
  return v.size() - at >= final.size() && v.compare(v.size() - final.size(), final.size(), final) == 0;
}

Match fromBool(bool b) { return b ? Match::True : Match::False; }

}  // namespace

Match evaluate(const Filter& f, const std::vector<Attribute>& attributes) {
  switch (f.kind) {
    case Filter::Kind::And: {
      Match result = Match::True;
      for (const auto& c : f.children) {
        const Match m = evaluate(c, attributes);
        if (m == Match::False) return Match::False;
        if (m == Match::Undefined) result = Match::Undefined;
      }
      return result;
    }
    case Filter::Kind::Or: {
      Match result = Match::False;
      for (const auto& c : f.children) {
        const Match m = evaluate(c, attributes);
        if (m == Match::True) return Match::True;
        if (m == Match::Undefined) result = Match::Undefined;
      }
      return result;
    }
    case Filter::Kind::Not: {
      const Match m = f.children.empty() ? Match::Undefined : evaluate(f.children.front(), attributes);
      return m == Match::Undefined ? m : fromBool(m == Match::False);
    }
    case Filter::Kind::Present:
      return fromBool(attributeNamed(attributes, f.attribute) != nullptr);
    case Filter::Kind::Equality: {
      const Attribute* a = attributeNamed(attributes, f.attribute);
      if (!a) return Match::False;
      const std::string wanted = foldValue(f.value);
      for (const auto& v : a->values)
        if (foldValue(v) == wanted) return Match::True;
      return Match::False;
    }
    case Filter::Kind::Substrings: {
      const Attribute* a = attributeNamed(attributes, f.attribute);
      if (!a) return Match::False;
      for (const auto& v : a->values)
        if (substringsMatch(f, v)) return Match::True;
      return Match::False;
    }
    case Filter::Kind::Unsupported:
      return Match::Undefined;
  }
  return Match::Undefined;
}

}  // namespace velor::mailserver::ldap
