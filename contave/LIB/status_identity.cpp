#include "contave/LIB/md5.h"
#include "contave/LIB/status_codec.h"
#include "contave/LIB/status_file.h"

namespace contave {

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
  // The digest is over the DN's exact characters: the same DN in other letter case is another
  // folder as far as the status is concerned.
  consistent = session.folderDigest == Md5Of(folderDn) && session.folderFlag == folderFlag;
  return kOk;
}

}  // namespace contave
