// velcore_server_call: drives Velcore's ACL, mapping and script operations from the command line
// the way Velhook and the windows do, and prints what came back. The exports are called through
// Velcore.dll; the ACL write and the script transfer, which the sharing and rules windows call
// inside Velcore, are linked in. Message boxes are answered with OK and their text printed.
//
//   velcore_server_call getacl HOST PORT USER PASSWORD FOLDER...
//   velcore_server_call setacl HOST PORT USER PASSWORD FOLDER KIND:IDENTIFIER:RIGHTS...  (KIND o, u or g)
//   velcore_server_call aliases|addalias FOLDER ALIAS|removealias ALIAS  (after HOST PORT USER PASSWORD)
//   velcore_server_call getscript|putscript HOST PORT USER PASSWORD FILE
// After a command's arguments, "+ COMMAND ARGUMENTS..." runs another one in the same process.
#include <winsock2.h>

#include "shared/AccountSettings.h"
#include "shared/ServerRecords.h"
#include "velcore/protocol/AclCommands.h"
#include "velcore/protocol/Prompts_win32.h"
#include "velcore/protocol/ResourceModule_win32.h"
#include "velcore/protocol/Runtime.h"
#include "velcore/protocol/ScriptTransfer_win32.h"
#include "velcore/protocol/WinsockTransport_win32.h"
#include "WindowDriver.h"

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

using namespace velor;

namespace {

HMODULE g_velcore = nullptr;

template <typename F>
F bind(const char* name) {
    auto f = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(g_velcore, name)));
    if (!f) {
        std::fprintf(stderr, "velcore_server_call: Velcore.dll has no export %s\n", name);
        std::exit(2);
    }
    return f;
}

// Answers every message box of Velcore while the call runs.
class MessageAnswerer {
public:
    MessageAnswerer()
        : thread_([this] {
              while (!done_) {
                  HWND box = testing::WaitForWindow("Velor Outlook Express Extensions", 200);
                  if (!box) continue;
                  // Printed before the box is closed, so it comes ahead of the call's own result.
                  std::string text = testing::MessageBoxText(box);
                  for (char& c : text) c = c == '\n' ? '|' : c;
                  std::printf("message: %s\n", text.c_str());
                  std::fflush(stdout);
                  testing::Press(box, IDOK);
                  while (IsWindow(box)) Sleep(20);
              }
          }) {}
    ~MessageAnswerer() {
        done_ = true;
        thread_.join();
    }

private:
    std::atomic<bool> done_{false};
    std::thread thread_;
};

int report(const char* what, std::int32_t status) {
    std::printf("%s: 0x%08lX\n", what, static_cast<unsigned long>(static_cast<std::uint32_t>(status)));
    std::fflush(stdout);
    return status == 0 ? 0 : 1;
}

std::int32_t WINAPI printMapping(std::uint32_t kind, const SharedString* folder, const SharedString* alias, void*) {
    std::printf("mapping %u %s -> %s\n", kind, alias->c_str(), folder->c_str());
    return 0;
}

std::string readFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

int run(const std::string& command, AccountSettings& account, int argc, char** argv) {
    if (command == "getacl") {
        std::vector<AclList> lists(static_cast<std::size_t>(argc));
        std::vector<FolderAclRequest> items(static_cast<std::size_t>(argc));
        for (int i = 0; i < argc; ++i) {
            std::strncpy(items[i].folder, argv[i], sizeof items[i].folder - 1);
            items[i].acl = &lists[i];
            items[i].result = 99;
        }
        FolderAclRequests requests{items.data(), static_cast<std::uint32_t>(argc)};
        std::int32_t result = bind<HRESULT(WINAPI*)(HWND, AccountSettings*, FolderAclRequests*)>("VlGetACL")(
            nullptr, &account, &requests);
        auto toString = bind<int(WINAPI*)(const AclList*, char*)>("VlAclToString");
        for (int i = 0; i < argc; ++i) {
            std::printf("folder %s: 0x%08lX\n", items[i].folder, static_cast<unsigned long>(items[i].result));
            for (std::uint32_t e = 0; e < lists[i].count; ++e) {
                const AclEntry& entry = lists[i].entries[e];
                std::printf("  %s %s %u %x\n", entry.identifier, entry.rights, entry.kind, entry.mask);
            }
            std::vector<char> text(static_cast<std::size_t>(toString(&lists[i], nullptr)));
            toString(&lists[i], text.data());
            std::printf("  text: %s\n", text.data());
            HeapFree(GetProcessHeap(), 0, lists[i].entries);  // as Velhook frees them
        }
        return report("VlGetACL", result);
    }
    if (command == "setacl" && argc >= 1) {
        AclList list{};
        for (int i = 1; i < argc; ++i) {
            std::string entryText = argv[i];
            std::size_t a = entryText.find(':'), b = entryText.rfind(':');
            AclEntry entry{};
            entry.kind = entryText[0] == 'o' ? kAclOwner : entryText[0] == 'g' ? kAclGroup : kAclUser;
            std::strncpy(entry.identifier, entryText.substr(a + 1, b - a - 1).c_str(), sizeof entry.identifier - 1);
            std::strncpy(entry.rights, entryText.substr(b + 1).c_str(), sizeof entry.rights - 1);
            entry.mask = AclMask(entry.rights);
            AclListAppend(list, entry);
        }
        WinsockTransport transport(account);
        WindowsPrompts prompts;
        ResourceStrings strings;
        FolderNames names(strings);
        std::int32_t result = SetFolderAcl(transport, account, prompts, names, argv[0], list);
        AclListClear(list);
        return report("SetFolderAcl", result);
    }
    if (command == "aliases") {
        return report("VlGetAliases",
                      bind<HRESULT(WINAPI*)(AccountSettings*, FolderMappingCallback, void*)>("VlGetAliases")(
                          &account, &printMapping, nullptr));
    }
    if (command == "addalias" && argc == 2) {
        SharedString folder(argv[0]), alias(argv[1]);
        return report("VlAddAlias", bind<HRESULT(WINAPI*)(AccountSettings*, char* const*, char* const*)>("VlAddAlias")(
                                        &account, reinterpret_cast<char* const*>(&folder),
                                        reinterpret_cast<char* const*>(&alias)));
    }
    if (command == "removealias" && argc == 1) {
        SharedString alias(argv[0]);
        return report("VlRemoveAlias", bind<HRESULT(WINAPI*)(AccountSettings*, char* const*)>("VlRemoveAlias")(
                                           &account, reinterpret_cast<char* const*>(&alias)));
    }
    if (command == "getscript" && argc == 1) {
        std::string script;
        std::int32_t result = FetchRulesScript(nullptr, account, script);
        std::ofstream(argv[0], std::ios::binary) << script;
        return report("FetchRulesScript", result);
    }
    if (command == "putscript" && argc == 1) {
        return report("StoreRulesScript", StoreRulesScript(nullptr, account, readFile(argv[0])));
    }
    std::fprintf(stderr, "velcore_server_call: unknown command or arguments: %s\n", command.c_str());
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 6) {
        std::fprintf(stderr, "usage: velcore_server_call COMMAND HOST PORT USER PASSWORD ARGUMENTS...\n");
        return 2;
    }
    g_velcore = LoadLibraryA("Velcore.dll");
    if (!g_velcore) {
        std::fprintf(stderr, "velcore_server_call: cannot load Velcore.dll (error %lu)\n", GetLastError());
        return 2;
    }
    TheRuntime().module = g_velcore;  // the linked-in parts take their texts from Velcore's resources
    AccountSettings account;
    account.host = argv[2];
    account.port = static_cast<unsigned>(std::strtoul(argv[3], nullptr, 10));
    account.user = argv[4];
    account.password = argv[5];
    int status;
    {
        MessageAnswerer answerer;
        TheRuntime().currentAccount = &account;
        // Further commands follow a "+", each on its own connection, in one process: Wine
        // starts slowly, and the account and the library stay the same.
        status = 0;
        std::string command = argv[1];
        int first = 6;
        for (int i = 6; i <= argc; ++i) {
            if (i < argc && std::strcmp(argv[i], "+") != 0) continue;
            status |= run(command, account, i - first, argv + first);
            if (i + 1 < argc) command = argv[i + 1];
            first = i + 2;
            ++i;
        }
        TheRuntime().currentAccount = nullptr;
    }
    FreeLibrary(g_velcore);
    return status;
}
