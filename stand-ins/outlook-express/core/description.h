// The seeding description: a small INI-like text that says which identity, accounts, passwords
// and program registration oetool writes into the registry (and removes again).
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace oestand {

struct AccountDescription {
  std::string key;          // registry subkey name, "00000001" when not given
  std::string name;         // "Account Name"
  std::string type;         // "imap" or "pop3"
  std::string server;
  std::string user;
  std::optional<std::string> password;
  std::optional<std::string> passwordBlob;  // raw "... Password2" bytes in hexadecimal (tests of bad blobs)
  std::optional<unsigned long> port, timeout, secure, spa, velorExt;
  std::string smtpServer, email, displayName;
};

struct Description {
  // Program registration.
  std::optional<std::string> installRoot;   // folder of msimn.exe; empty optional: oetool's default
  std::string installRootType = "expand";   // "expand" (REG_EXPAND_SZ) or "sz" (REG_SZ)
  bool appPath = true;
  std::string mailClient = "hklm";          // where "Software\Clients\Mail" names us: hklm, hkcu, both, none
  // Identity; without one the accounts go to the key of an old Outlook Express.
  std::optional<std::string> identityId;
  std::string identityName = "Main Identity";
  std::vector<AccountDescription> accounts;
};

// Parses the text. ${NAME} in a value is replaced by lookup(NAME) (empty when it gives nothing).
// On error returns false and says what and where in *error ("line 4: unknown key 'prot'").
bool ParseDescription(const std::string& text,
                      const std::function<std::optional<std::string>(const std::string&)>& lookup,
                      Description* out, std::string* error);

// Bytes from hexadecimal ("01 02 ff" or "0102ff"); false on anything else.
bool ParseHex(const std::string& text, std::vector<unsigned char>* bytes);

}  // namespace oestand
