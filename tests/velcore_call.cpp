// velcore_call: calls one of Velcore's mailbox exports the way Velhook does, from the command
// line, and prints the status. Used by the tests against real servers and by the demo.
//
//   velcore_call VlSetAllRead|VlSetAllUnread|VlExpunge HOST PORT USER PASSWORD FOLDER [ssl]
#include "shared/AccountSettings.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    if (argc < 7) {
        std::fprintf(stderr, "usage: velcore_call VlSetAllRead|VlSetAllUnread|VlExpunge HOST PORT USER PASSWORD FOLDER [ssl]\n");
        return 2;
    }
    HMODULE velcore = LoadLibraryA("Velcore.dll");
    if (!velcore) {
        std::fprintf(stderr, "velcore_call: cannot load Velcore.dll (error %lu)\n", GetLastError());
        return 2;
    }
    using MailboxFn = HRESULT(WINAPI*)(velor::AccountSettings*, const char*);
    auto call = reinterpret_cast<MailboxFn>(reinterpret_cast<void*>(GetProcAddress(velcore, argv[1])));
    if (!call || std::strncmp(argv[1], "Vl", 2) != 0) {
        std::fprintf(stderr, "velcore_call: Velcore.dll has no export %s\n", argv[1]);
        return 2;
    }
    velor::AccountSettings account;
    account.host = argv[2];
    account.port = static_cast<unsigned>(std::strtoul(argv[3], nullptr, 10));
    account.user = argv[4];
    account.password = argv[5];
    account.useSsl = argc > 7 && std::strcmp(argv[7], "ssl") == 0;
    HRESULT result = call(&account, argv[6]);
    std::printf("%s: 0x%08lX\n", argv[1], static_cast<unsigned long>(result));
    FreeLibrary(velcore);
    return result == S_OK ? 0 : 1;
}
