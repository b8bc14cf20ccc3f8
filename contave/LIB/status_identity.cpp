#include "contave/LIB/md5.h"
#include "contave/LIB/status_codec.h"
#include "contave/LIB/status_file.h"
#include "contave/LIB/text_compare.h"

namespace contave {
namespace {

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = FoldAscii(c);
  return lower;
}

// Whether the digest was taken over this DN in any of the spellings it is stored in. The digest
// is over the DN's exact characters, while a DN names the same folder in any letter case: the
// default folder is stored as "fn=Contacts,fn=Personal,fn=ContactRoot", a folder picked from the
// list with the fixed part in lower case. Both spellings of the fixed part, and the whole DN in
// lower case, are taken for the same folder.
bool SameFolder(const Md5Digest& digest, std::string_view folderDn) {
  if (digest == Md5Of(folderDn) || digest == Md5Of(Lower(folderDn))) return true;
  static constexpr std::string_view kSpellings[][2] = {
      {"fn=personal,fn=contactroot", "fn=Personal,fn=ContactRoot"},
      {"fn=public,fn=contactroot", "fn=Public,fn=ContactRoot"},
  };
  const std::string lower = Lower(folderDn);
  for (const auto& spelling : kSpellings) {
    const std::string_view suffix = spelling[0];
    if (lower.size() < suffix.size() || lower.compare(lower.size() - suffix.size(), suffix.size(), suffix) != 0)
      continue;
    const std::string_view head = folderDn.substr(0, folderDn.size() - suffix.size());
    for (const std::string_view& tail : spelling) {
      if (digest == Md5Of(std::string(head) + std::string(tail))) return true;
    }
  }
  return false;
}

}  // namespace

Status CheckFolderIdentity(const std::string& path, std::string_view folderDn, bool folderFlag, FileSystem& files,
                           bool& consistent) {
  consistent = false;
  std::unique_ptr<InputFile> file;
  Status status = files.OpenRead(path, file);
  if (IsMissingFile(status)) {
    consistent = true;
    return kOk;
  }
  if (Failed(status)) return status;

  StatusReader reader(*file);
  std::int32_t count = 0;
  if (status = ReadHeader(reader, count); Failed(status)) return status;
  SessionBlock session;
  if (status = ReadSession(reader, session); Failed(status)) return status;
  consistent = SameFolder(session.folderDigest, folderDn) && session.folderFlag == folderFlag;
  return kOk;
}

}  // namespace contave
