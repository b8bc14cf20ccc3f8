#include "core/description.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace oestand {
namespace {

std::string Trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
  return s.substr(b, e - b);
}

bool Expand(const std::string& value,
            const std::function<std::optional<std::string>(const std::string&)>& lookup,
            std::string* out) {
  out->clear();
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '$' && i + 1 < value.size() && value[i + 1] == '{') {
      size_t end = value.find('}', i + 2);
      if (end == std::string::npos) return false;
      auto found = lookup(value.substr(i + 2, end - i - 2));
      if (found) *out += *found;
      i = end;
    } else {
      *out += value[i];
    }
  }
  return true;
}

bool ParseNumber(const std::string& s, unsigned long* n) {
  if (s.empty()) return false;
  char* end = nullptr;
  unsigned long v = std::strtoul(s.c_str(), &end, 0);
  if (*end != '\0' || s[0] == '-') return false;
  *n = v;
  return true;
}

}  // namespace

bool ParseHex(const std::string& text, std::vector<unsigned char>* bytes) {
  bytes->clear();
  int high = -1;
  for (char c : text) {
    if (std::isspace(static_cast<unsigned char>(c))) continue;
    int v;
    if (c >= '0' && c <= '9') v = c - '0';
    else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
    else return false;
    if (high < 0) {
      high = v;
    } else {
      bytes->push_back(static_cast<unsigned char>(high * 16 + v));
      high = -1;
    }
  }
  return high < 0;
}

bool ParseDescription(const std::string& text,
                      const std::function<std::optional<std::string>(const std::string&)>& lookup,
                      Description* out, std::string* error) {
  *out = Description();
  std::istringstream in(text);
  std::string line, section;
  int lineNo = 0;
  auto fail = [&](const std::string& what) {
    *error = "line " + std::to_string(lineNo) + ": " + what;
    return false;
  };
  while (std::getline(in, line)) {
    ++lineNo;
    std::string t = Trim(line);
    if (t.empty() || t[0] == '#' || t[0] == ';') continue;
    if (t.front() == '[') {
      if (t.back() != ']') return fail("unclosed section header");
      section = Trim(t.substr(1, t.size() - 2));
      if (section == "account") {
        AccountDescription a;
        char key[16];
        std::snprintf(key, sizeof key, "%08u", static_cast<unsigned>(out->accounts.size() + 1));
        a.key = key;
        out->accounts.push_back(a);
      } else if (section == "identity") {
        out->identityId = "{8C9E9E31-7B4F-4E0A-9A1B-5D6C7E8F9012}";
      } else if (section != "outlook-express") {
        return fail("unknown section '" + section + "'");
      }
      continue;
    }
    size_t eq = t.find('=');
    if (eq == std::string::npos) return fail("expected key = value");
    std::string key = Trim(t.substr(0, eq)), value;
    if (!Expand(Trim(t.substr(eq + 1)), lookup, &value)) return fail("unclosed ${ in value");
    auto number = [&](std::optional<unsigned long>* slot) {
      unsigned long n;
      if (!ParseNumber(value, &n)) return fail("'" + key + "' needs a number, not '" + value + "'");
      *slot = n;
      return true;
    };
    if (section == "outlook-express") {
      if (key == "install-root") out->installRoot = value;
      else if (key == "install-root-type") {
        if (value != "expand" && value != "sz") return fail("install-root-type is expand or sz");
        out->installRootType = value;
      } else if (key == "app-path") {
        if (value != "yes" && value != "no") return fail("app-path is yes or no");
        out->appPath = value == "yes";
      } else if (key == "mail-client") {
        if (value != "hklm" && value != "hkcu" && value != "both" && value != "none")
          return fail("mail-client is hklm, hkcu, both or none");
        out->mailClient = value;
      } else {
        return fail("unknown key '" + key + "'");
      }
    } else if (section == "identity") {
      if (key == "id") out->identityId = value;
      else if (key == "name") out->identityName = value;
      else return fail("unknown key '" + key + "'");
    } else if (section == "account") {
      AccountDescription& a = out->accounts.back();
      if (key == "key") a.key = value;
      else if (key == "name") a.name = value;
      else if (key == "type") {
        if (value != "imap" && value != "pop3") return fail("type is imap or pop3");
        a.type = value;
      } else if (key == "server") a.server = value;
      else if (key == "user") a.user = value;
      else if (key == "password") a.password = value;
      else if (key == "password-blob") {
        std::vector<unsigned char> bytes;
        if (!ParseHex(value, &bytes)) return fail("password-blob needs hexadecimal bytes");
        a.passwordBlob = value;
      } else if (key == "port") { if (!number(&a.port)) return false; }
      else if (key == "timeout") { if (!number(&a.timeout)) return false; }
      else if (key == "secure") { if (!number(&a.secure)) return false; }
      else if (key == "spa") { if (!number(&a.spa)) return false; }
      else if (key == "velor-ext") { if (!number(&a.velorExt)) return false; }
      else if (key == "smtp-server") a.smtpServer = value;
      else if (key == "email") a.email = value;
      else if (key == "display-name") a.displayName = value;
      else return fail("unknown key '" + key + "'");
    } else {
      return fail("key outside a section");
    }
  }
  for (size_t i = 0; i < out->accounts.size(); ++i) {
    const AccountDescription& a = out->accounts[i];
    if (a.name.empty() || a.type.empty()) {
      *error = "account " + std::to_string(i + 1) + " needs a name and a type";
      return false;
    }
    for (size_t j = 0; j < i; ++j) {
      if (out->accounts[j].key == a.key) {
        *error = "two accounts with the key '" + a.key + "'";
        return false;
      }
    }
  }
  return true;
}

}  // namespace oestand
