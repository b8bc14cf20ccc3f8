#include "contave/LIB/error_text.h"

namespace contave {
namespace {

struct OwnText {
  Status code;
  const char* text;
};

constexpr OwnText kOwnTexts[] = {
    {kCveLdapInit, "Can't initialize LDAP library"},
    {kCveInaccessibleEntry, "Inaccessible LDAP entry"},
    {kCveCanceled, "Canceled by user"},
    {kCveNoWabFolder, "WAB folder doesn't exist"},
    {kCveInvalidStatusFile, "Invalid status file"},
    {kCveStatusVersion, "Invalid status file version"},
    {kCveStatusCorrupted, "Status file corrupted"},
    {kCveInconsistentStatus, "Inconsistent synchronization status"},
};

}  // namespace

const char* OwnErrorText(Status code) {
  for (const OwnText& entry : kOwnTexts) {
    if (entry.code == code) return entry.text;
  }
  return nullptr;
}

}  // namespace contave
