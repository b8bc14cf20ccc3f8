#include "contave/LIB/folder_pair.h"

#include <cstdio>

#include "contave/LIB/error_text.h"
#include "contave/LIB/status_file.h"

namespace contave {
namespace {

void Fail(FolderResult& result, std::string message, Status code) {
  result.succeeded = false;
  result.message = std::move(message);
  result.errorCode = code;
  result.errorDescription = ErrorTextOrCode(code);
}

std::string Format(const char* pattern, const std::string& argument) {
  const int length = std::snprintf(nullptr, 0, pattern, argument.c_str());
  std::string text(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
  std::snprintf(text.data(), text.size() + 1, pattern, argument.c_str());
  return text;
}

}  // namespace

Status LdapFolders::Open(const DirectoryLogin& login, const std::string& folderDn, int timeLimitSeconds,
                         ProgressReporter& progress, const StopFlag& stop, std::unique_ptr<DirectorySide>& folder) {
  auto opened = std::make_unique<ServerFolder>();
  if (Status status = opened->Open(login, folderDn, timeLimitSeconds, progress, stop); Failed(status)) return status;
  folder = std::move(opened);
  return kOk;
}

FolderResult RunFolderPair(const RunSettings& settings, const FolderSettings& pair, FolderPhase phase,
                           FolderPairContext& context) {
  FolderResult result;
  if (!pair.enabled) return result;
  result.attempted = true;
  if (context.phases != nullptr) context.phases->ShowFolderPhase(phase);

  std::unique_ptr<AddressBookStore> store;
  EntryId folderId;
  if (Status status = context.addressBook.Open(pair.addressBookFolder, store, folderId); Failed(status)) {
    Fail(result, Format(kMessageCantOpenWabFolder, pair.addressBookFolder), status);
    return result;
  }
  std::string statusPath;
  if (Status status = StatusFilePath(settings.dataFolder, folderId, statusPath); Failed(status)) {
    Fail(result, kMessageCantLoadWab, status);
    return result;
  }

  LocalFolder local;
  if (Status status = local.Load(*store, statusPath, pair.serverFolderDn, pair.folderFlag, context.files,
                                 context.progress, context.stop, context.statusQuestion);
      Failed(status)) {
    Fail(result, kMessageCantLoadWab, status);
    return result;
  }

  context.progress.SetRange(-1);
  std::unique_ptr<DirectorySide> server;
  if (Status status = context.directory.Open(settings.login, pair.serverFolderDn, settings.timeLimitSeconds,
                                             context.progress, context.stop, server);
      Failed(status)) {
    local.Unload();
    Fail(result, kMessageCantLoadLdap, status);
    return result;
  }

  SyncPasses passes(local, *server, context.questions, context.progress, context.stop, context.files, settings.sync);
  const Status saved =
      pair.oneWay ? passes.RunOneWay(result.statistics) : passes.RunTwoWay(result.statistics);
  result.succeeded = true;
  if (Failed(saved)) Fail(result, kMessageCantSaveStatus, saved);

  server.reset();
  local.Unload();
  return result;
}

}  // namespace contave
