// The mail accounts as Outlook Express keeps them: the accounts key of the current identity
// ("Last User ID"), or of an old Outlook Express without identities, and one subkey per account.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "common/unique_key.h"

namespace oestand {

struct Account {
  std::string key;     // subkey name
  std::string name;    // "Account Name"
  bool imap = false;   // has "IMAP Server"
  bool pop3 = false;   // has "POP3 Server"
  std::string server, user, password;
  DWORD port = 143, timeout = 60, secure = 0, spa = 0;
  std::string smtpServer, email, displayName;
};

// The accounts key: the identity's when "Last User ID" names one that has it, else the old key.
UniqueKey OpenAccountsKey(REGSAM access, std::string* identityId = nullptr);

// Every account in registry order, with its password from the protected store (empty when the
// store cannot give it).
std::vector<Account> ReadAccounts();

// A string or DWORD value of an open key; false when missing or of another type.
bool ReadString(HKEY key, const char* name, std::string* value);
bool ReadDword(HKEY key, const char* name, DWORD* value);

// Text conversions between the host's ANSI code page and UTF-8.
std::string Utf8ToAnsi(const std::string& utf8);
std::string AnsiToUtf8(const std::string& ansi);

}  // namespace oestand
