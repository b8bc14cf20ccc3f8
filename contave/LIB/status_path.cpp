#include "contave/LIB/md5.h"
#include "contave/LIB/status_file.h"
#include "contave/LIB/status_format.h"

namespace contave {
namespace {

#ifdef _WIN32
constexpr char kPathSeparator = '\\';
#else
constexpr char kPathSeparator = '/';
#endif

}  // namespace

std::string StatusFileName(const EntryId& folderId) {
  return Md5Hex(Md5Of(folderId.Data(), folderId.Size())) + "." + kStatusFileExtension;
}

Status StatusFilePath(std::string_view dataFolder, const EntryId& folderId, std::string& path) {
  std::string candidate(dataFolder);
  candidate += kPathSeparator;
  candidate += StatusFileName(folderId);
  // A longer path would be cut short by the system, and a cut name is another folder's status.
  if (candidate.size() > kStatusMaxPathLength) return SystemStatus(kErrorFilenameExcedRange);
  path = std::move(candidate);
  return kOk;
}

}  // namespace contave
