// contave_sync_call: runs one folder pair of the engine under Windows against the address book
// registered in the registry and a directory server, answering the questions as told, and prints
// the FolderResult. The Wine tests drive it against the two stand-ins.
//
//   contave_sync_call HOST[:PORT] USER PASSWORD FOLDER_DN WAB_FOLDER DATA_FOLDER [options]
//     --store FILE        the address book file (set for this process only, through a private
//                         registry view; the library is the wab32stand.dll beside this program)
//     --one-way           server to address book only
//     --policy ask|server|local     collision method (default server)
//     --confirm           ask for confirmations (answered yes) instead of "Don't ask"
//     --answer-confirm yes|no       the answer to confirmations
//     --solution N        the answer to collisions (a solution bit; default the preselected one)
//     --reset yes|no      the answer to the status-file warning (default yes)
//     --mass yes|no       the answer to the mass-deletion question (default no)
//     --stop-at N         request Stop when the progress reaches position N of "Pass 1 of 2"
//     --faults TEXT       the address book's injected faults (WABSTAND_FAULTS)
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "contave/LIB/file_system.h"
#include "contave/LIB/folder_pair.h"
#include "contave/LIB/wab_proxy.h"

namespace {

using namespace contave;

class Answers final : public SyncQuestions, public StatusQuestion {
 public:
  ConfirmAnswer confirm = ConfirmAnswer::kYes;
  std::uint32_t solution = 0;
  bool reset = true;
  bool mass = false;

  ConfirmAnswer Confirm(OperationKind kind, const std::string& name) override {
    std::printf("confirm %d %s\n", static_cast<int>(kind), name.c_str());
    return confirm;
  }
  Solution DecideCollision(ConflictKind kind, const std::string& serverName, const std::string& localName,
                           std::uint32_t allowed, Solution preselected) override {
    std::printf("collision %d server=%s local=%s allowed=%u\n", static_cast<int>(kind), serverName.c_str(),
                localName.c_str(), allowed);
    return solution != 0 && (allowed & solution) != 0 ? static_cast<Solution>(solution) : preselected;
  }
  bool ConfirmMassDeletion(Side, std::uint32_t, const std::string& text) override {
    std::printf("mass %s\n", text.c_str());
    return mass;
  }
  bool AskReset(StatusWarning warning) override {
    std::printf("warning %d\n", static_cast<int>(warning));
    return reset;
  }
};

// Requests Stop once pass 1 reaches the given position.
class StoppingProgress final : public ProgressReporter {
 public:
  StoppingProgress(StopFlag& stop, int stopAt) : stop_(stop), stopAt_(stopAt) {}
  void ShowAction(const char* text) override { inPass1_ = std::strcmp(text, kActionPass1) == 0; }
  void EnableStop(bool) override {}
  void SetRange(std::int32_t) override {}
  void SetPosition(std::int32_t position) override {
    if (inPass1_ && stopAt_ > 0 && position >= stopAt_) stop_.Request();
  }

 private:
  StopFlag& stop_;
  int stopAt_;
  bool inPass1_ = false;
};

// The address book for this process only: HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER are mapped
// to private keys that name the stand-in and the store, so runs in parallel share nothing. The
// keys are removed again when the program ends.
class PrivateRegistry {
 public:
  ~PrivateRegistry() {
    if (parent_ == nullptr) return;
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    RegCloseKey(user_);
    RegCloseKey(machine_);
    RegCloseKey(parent_);
    RegDeleteTreeA(HKEY_CURRENT_USER, name_);
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\VelorTests");  // only when no other run uses it
  }

  bool Use(const std::string& store) {
    std::snprintf(name_, sizeof name_, "Software\\VelorTests\\sync-%lu", GetCurrentProcessId());
    if (RegCreateKeyExA(HKEY_CURRENT_USER, name_, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &parent_, nullptr) !=
            ERROR_SUCCESS ||
        RegCreateKeyExA(parent_, "machine", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &machine_, nullptr) !=
            ERROR_SUCCESS ||
        RegCreateKeyExA(parent_, "user", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &user_, nullptr) != ERROR_SUCCESS)
      return false;
    char module[MAX_PATH];
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    std::string dll = module;
    dll = dll.substr(0, dll.find_last_of('\\')) + "\\wab32stand.dll";
    return Set(machine_, kWabDllPathKey, dll) && Set(user_, "Software\\Microsoft\\WAB\\WAB4\\Wab File Name", store) &&
           RegOverridePredefKey(HKEY_LOCAL_MACHINE, machine_) == ERROR_SUCCESS &&
           RegOverridePredefKey(HKEY_CURRENT_USER, user_) == ERROR_SUCCESS;
  }

 private:
  static bool Set(HKEY root, const char* path, const std::string& text) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
      return false;
    const bool ok = RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                   static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
    RegCloseKey(key);
    return ok;
  }

  char name_[96] = {};
  HKEY parent_ = nullptr, machine_ = nullptr, user_ = nullptr;
};

int Usage() {
  std::fprintf(stderr, "usage: contave_sync_call HOST[:PORT] USER PASSWORD FOLDER_DN WAB_FOLDER DATA_FOLDER [options]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 7) return Usage();
  RunSettings settings;
  settings.login = {argv[1], argv[2], argv[3]};
  settings.sync = {true, CollisionMethod::kServerPreferred};
  settings.dataFolder = argv[6];
  FolderSettings pair;
  pair.enabled = true;
  pair.serverFolderDn = argv[4];
  pair.addressBookFolder = argv[5];
  Answers answers;
  int stopAt = 0;
  std::string store;
  for (int i = 7; i < argc; ++i) {
    const std::string option = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    if (option == "--one-way") {
      pair.oneWay = true;
    } else if (option == "--confirm") {
      settings.sync.noConfirmation = false;
    } else if (value == nullptr) {
      return Usage();
    } else {
      ++i;
      const std::string text = value;
      if (option == "--store") store = text;
      else if (option == "--policy")
        settings.sync.collisionMethod = text == "ask"     ? CollisionMethod::kAsk
                                        : text == "local" ? CollisionMethod::kLocalPreferred
                                                          : CollisionMethod::kServerPreferred;
      else if (option == "--answer-confirm") answers.confirm = text == "no" ? ConfirmAnswer::kNo : ConfirmAnswer::kYes;
      else if (option == "--solution") answers.solution = static_cast<std::uint32_t>(std::atoi(value));
      else if (option == "--reset") answers.reset = text != "no";
      else if (option == "--mass") answers.mass = text == "yes";
      else if (option == "--stop-at") stopAt = std::atoi(value);
      else if (option == "--faults") SetEnvironmentVariableA("WABSTAND_FAULTS", value);
      else return Usage();
    }
  }
  PrivateRegistry registry;
  if (!store.empty() && !registry.Use(store)) {
    std::fprintf(stderr, "cannot set up the private registry view\n");
    return 1;
  }

  SetUpDirectoryLibrary();
  AddressBook book;
  if (Status status = book.Load(); Failed(status)) {
    std::printf("load 0x%08X\n", StatusBits(status));
    return 1;
  }
  WabFolders folders(book);
  LdapFolders directory;
  StopFlag stop;
  StoppingProgress progress(stop, stopAt);
  FolderPairContext context{folders, directory, answers, answers, progress, nullptr, stop, PlatformFileSystem()};
  const FolderResult result = RunFolderPair(settings, pair, FolderPhase::kPrivate, context);
  const SyncStatistics& s = result.statistics;
  std::printf("result attempted=%d succeeded=%d code=0x%08X\n", result.attempted, result.succeeded,
              StatusBits(result.errorCode));
  if (!result.message.empty()) std::printf("message %s: %s\n", result.message.c_str(), result.errorDescription.c_str());
  std::printf("statistics server %u %u %u local %u %u %u failed %u canceled %u\n", s.serverCreated,
              s.serverModified, s.serverDeleted, s.localCreated, s.localModified, s.localDeleted, s.failed,
              s.canceled);
  book.Unload();
  return 0;
}
