// LDAPPROXY: the directory side over OpenLDAP's client library. A server folder connects with
// protocol version 2, lists the contacts of one folder, loads a contact's attributes, creates,
// changes and deletes contacts; the folder list and the conversions between folder DNs and the
// paths shown to the user serve the settings windows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "contave/LIB/directory_side.h"
#include "contave/LIB/progress_reporter.h"
#include "contave/LIB/stop_flag.h"

typedef struct ldap LDAP;

namespace contave {

// How long a connection, a bind or any other request waits for the server before it fails.
inline constexpr int kDirectoryAnswerSeconds = 20;

// Once per process, before any connection; a second call is an internal failure.
void SetUpDirectoryLibrary();

// "host" or "host:port"; the port is 389 when absent. False for an empty host or a bad port.
bool SplitHostPort(const std::string& text, std::string& host, int& port);

struct DirectoryLogin {
  std::string host;  // "host" or "host:port"
  std::string user;  // the bind DN, exactly as configured
  std::string password;
};

class ServerFolder final : public DirectorySide {
 public:
  ServerFolder() = default;
  ServerFolder(const ServerFolder&) = delete;
  ServerFolder& operator=(const ServerFolder&) = delete;
  ~ServerFolder() override { Close(); }

  // Connects, binds and lists the folder's contacts; entries that cannot be read are skipped.
  Status Open(const DirectoryLogin& login, const std::string& folderDn, int timeLimitSeconds,
              ProgressReporter& progress, const StopFlag& stop);
  void Close();
  bool IsOpen() const { return ld_ != nullptr; }
  // Entries that were skipped, readable id or not.
  std::size_t SkippedCount() const { return skipped_; }
  // Requests answered by the server since the folder was opened.
  std::uint64_t RoundTrips() const { return roundTrips_; }

  std::span<const ServerContact> Contacts() const override { return contacts_; }
  std::span<const std::int32_t> UnreadableIds() const override { return unreadable_; }
  Status LoadAttributes(const ServerContact& contact, AttributeList& attributes) override;
  Status Delete(const ServerContact& contact) override;
  Status Create(ServerContact& created) override;
  Status Send(ServerContact& contact, const AttributeList& changes) override;

 private:
  Status Search(const std::string& folderDn, ProgressReporter& progress, const StopFlag& stop);
  Status WaitForChange(int messageId, int expectedType, bool limited);
  Status ReadRevision(const std::string& dn, std::uint32_t& revision);
  Status ErrorNumber() const;

  LDAP* ld_ = nullptr;
  std::string folderDn_;
  int timeLimit_ = 3;
  std::vector<ServerContact> contacts_;
  std::vector<std::int32_t> unreadable_;
  std::size_t skipped_ = 0;
  std::uint64_t roundTrips_ = 0;
};

// Every folder below "fn=Personal,fn=ContactRoot" or "fn=Public,fn=ContactRoot", depth first,
// in the order the server returns them.
Status ListFolders(const DirectoryLogin& login, bool publicFolders, std::vector<std::string>& dns);

// "fn=Shared,fn=Team,fn=Public,fn=ContactRoot" <-> "#public/Team/Shared", and private folders
// without the prefix. False when the text does not fit.
bool FolderDnToPath(const std::string& dn, std::string& path);
bool PathToFolderDn(const std::string& path, std::string& dn);

// The hexadecimal id of "cn=<hex>", the first component of a contact's DN; -1 is nobody's id.
bool ParseContactId(const std::string& component, std::int32_t& id);
// A whole decimal revision of at least 1 that fits 32 bits.
bool ParseRevision(const char* text, std::uint32_t& revision);

}  // namespace contave
