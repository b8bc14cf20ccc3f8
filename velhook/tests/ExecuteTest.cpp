// The shell hook's Execute under Wine, called as the shell calls it, against the Outlook Express
// stand-in: the requests it declines and leaves everything alone for; the launches it handles,
// with the hook, banner and language it leaves in the shared section; the unlisted version's
// warning answered each way; and, inside the started host, the subclasses at work: the banner on
// the splash screen, the account icons, the module pinned, the pop-up menu import replaced and
// the shared fields cleared when the main window closes.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>

#include "HostProcess.h"
#include "SharedProbe.h"
#include "velhook/Accounts_win32.h"
#include "tests/host_fixture.h"
#include "velhook/ShellExecuteHook_win32.h"
#include "velhook/res/Resource.h"

namespace velor::velhook::testing {
namespace {

using oestand::AgentClient;
using oestand::AgentReply;
using oestand::Words;
using oestand::testing::FindLine;
using oestand::testing::Seed;

constexpr char kOutlookExpressKey[] = "Software\\Microsoft\\Outlook Express";
constexpr char kAppPathKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\msimn.exe";
constexpr char kClientsMailKey[] = "Software\\Clients\\Mail";

std::string Description() {
    return "[outlook-express]\n"
           "app-path = yes\n"
           "mail-client = hklm\n"
           "[identity]\n"
           "id = {6A1B2C3D-0000-4000-8000-00000000AB18}\n"
           "name = Velhook Test\n"
           // Nothing listens on port 9 here: the host shows each IMAP account with its Inbox only.
           "[account]\nname = Velor (anna)\ntype = imap\nserver = 127.0.0.1\nport = 9\nuser = anna\npassword = demo\n"
           "velor-ext = 1\n"
           "[account]\nname = Velor (petr)\ntype = imap\nserver = 127.0.0.1\nport = 9\nuser = petr\npassword = demo\n"
           "velor-ext = 0\n"
           "[account]\nname = Home mail\ntype = pop3\nserver = pop.home.example\nuser = anna.home\npassword = x\n";
}

std::string Program(const char* folder = "outlook-express") {
    return BinFolder() + folder + "\\msimn.exe";
}

std::string Upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

void SetValue(HKEY root, const char* path, const char* name, DWORD type, const void* data, DWORD size) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr), ERROR_SUCCESS);
    RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
}
void SetDword(HKEY root, const char* path, const char* name, DWORD value) {
    SetValue(root, path, name, REG_DWORD, &value, sizeof value);
}
void SetText(HKEY root, const char* path, const char* name, const std::string& text, DWORD type = REG_SZ) {
    SetValue(root, path, name, type, text.c_str(), static_cast<DWORD>(text.size() + 1));
}
std::optional<DWORD> GetDword(HKEY root, const char* path, const char* name) {
    DWORD value = 0, size = sizeof value, type = 0;
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
    LONG e = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    if (e != ERROR_SUCCESS || type != REG_DWORD) return std::nullopt;
    return value;
}
std::optional<std::string> GetText(HKEY root, const char* path, const char* name) {
    char buffer[512] = {};
    DWORD size = sizeof buffer - 1, type = 0;
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
    LONG e = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    if (e != ERROR_SUCCESS) return std::nullopt;
    return std::string(buffer);
}
void ClearSettings() {
    RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kSettingsKey);
}

// Watches this process for the version warning and answers it: the dialog's text, its check
// box's label, and whether one came at all.
class WarningAnswer {
public:
    WarningAnswer(int button, bool tick) : button_(button), tick_(tick), thread_([this] { Run(); }) {}
    ~WarningAnswer() {
        stop_ = true;
        thread_.join();
    }
    bool seen() const { return seen_; }
    const std::string& text() const { return text_; }
    const std::string& checkBox() const { return checkBox_; }

private:
    static BOOL CALLBACK Find(HWND w, LPARAM p) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        char cls[16] = {};
        GetClassNameA(w, cls, sizeof cls);
        if (pid == GetCurrentProcessId() && lstrcmpA(cls, "#32770") == 0 && IsWindowVisible(w)) {
            *reinterpret_cast<HWND*>(p) = w;
            return FALSE;
        }
        return TRUE;
    }
    void Run() {
        while (!stop_) {
            HWND dialog = nullptr;
            EnumWindows(Find, reinterpret_cast<LPARAM>(&dialog));
            if (!dialog) {
                Sleep(50);
                continue;
            }
            char text[4096] = {}, label[256] = {};
            GetDlgItemTextA(dialog, IDC_VERSION_WARNING_TEXT, text, sizeof text);
            GetDlgItemTextA(dialog, IDC_VERSION_WARNING_DONT_SHOW, label, sizeof label);
            text_ = text;
            checkBox_ = label;
            if (tick_) SendDlgItemMessageA(dialog, IDC_VERSION_WARNING_DONT_SHOW, BM_CLICK, 0, 0);
            seen_ = true;
            PostMessageA(dialog, WM_COMMAND, button_, 0);
            while (IsWindow(dialog) && !stop_) Sleep(20);
        }
    }
    int button_;
    bool tick_;
    std::atomic<bool> stop_{false}, seen_{false};
    std::string text_, checkBox_;
    std::thread thread_;
};

// Where screenshots go (build/screenshots), as the host sees the path; empty when not asked for.
std::string ScreenshotFile(const char* name) {
    char folder[MAX_PATH] = {};
    if (!GetEnvironmentVariableA("VELHOOK_SCREENSHOTS", folder, sizeof folder)) return {};
    std::string path = folder;
    if (!path.empty() && path[0] == '/') path = "Z:" + path;
    for (char& ch : path)
        if (ch == '/') ch = '\\';
    CreateDirectoryA(path.c_str(), nullptr);
    return path + "\\" + name;
}

// Runs shellrun.exe with the arguments and returns its output once it has ended.
std::string ShellRun(const std::string& args, DWORD* exitCode, HANDLE* running = nullptr) {
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    HANDLE read = nullptr, write = nullptr;
    CreatePipe(&read, &write, &sa, 0);
    SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = write;
    si.hStdError = write;
    PROCESS_INFORMATION pi = {};
    std::string program = BinFolder() + "shellrun.exe", line = "shellrun " + args;
    std::string output;
    if (!CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
        CloseHandle(read);
        CloseHandle(write);
        return "cannot start shellrun";
    }
    CloseHandle(write);
    CloseHandle(pi.hThread);
    if (running) {
        // The caller ends it; the output is read then.
        *running = pi.hProcess;
        CloseHandle(read);
        return {};
    }
    DWORD end = GetTickCount() + 60000;
    for (bool exited = false; !exited;) {
        exited = WaitForSingleObject(pi.hProcess, 50) == WAIT_OBJECT_0 || static_cast<LONG>(end - GetTickCount()) <= 0;
        DWORD avail = 0, n = 0;
        char buffer[512];
        while (PeekNamedPipe(read, nullptr, 0, nullptr, &avail, nullptr) && avail &&
               ReadFile(read, buffer, sizeof buffer, &n, nullptr) && n)
            output.append(buffer, n);
    }
    CloseHandle(read);
    GetExitCodeProcess(pi.hProcess, exitCode);
    CloseHandle(pi.hProcess);
    return output;
}

struct Result {
    HRESULT hr;
    INT_PTR instance;
};

class ExecuteTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        CoInitialize(nullptr);
        probe_ = new SharedProbe;
        ASSERT_TRUE(probe_->loaded());
        CloseHosts();
        ClearSettings();
        ASSERT_TRUE(Seed("install", Description()));
        SetText(HKEY_LOCAL_MACHINE, kOutlookExpressKey, "InstallRoot", BinFolder() + "outlook-express", REG_EXPAND_SZ);
        SetEnvironmentVariableA("OESTAND_AGENT", nullptr);
    }
    static void TearDownTestSuite() {
        CloseHosts();
        probe_->RemoveHookOfThisProcess();
        SharedState& s = probe_->state();
        s.active = 0;
        s.bannerBitmapId = 0;
        s.languageId = 0;
        ClearSettings();
        Seed("remove", Description());
        delete probe_;
        probe_ = nullptr;
        CoUninitialize();
    }
    void TearDown() override { EXPECT_TRUE(CloseHosts()); }

    static Result Execute(const char* file, const char* verb = nullptr, const char* parameters = nullptr,
                          ULONG mask = 0, void* idList = nullptr) {
        auto getClassObject = probe_->Export<HRESULT(WINAPI*)(REFCLSID, REFIID, void**)>("DllGetClassObject");
        IClassFactory* factory = nullptr;
        IShellExecuteHookA* hook = nullptr;
        if (!getClassObject || getClassObject(kShellExecuteHookClsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)) != S_OK)
            return {E_UNEXPECTED, 0};
        factory->CreateInstance(nullptr, IID_IShellExecuteHookA, reinterpret_cast<void**>(&hook));
        factory->Release();
        if (!hook) return {E_UNEXPECTED, 0};
        SHELLEXECUTEINFOA info = {};
        info.cbSize = sizeof info;
        info.fMask = mask;
        info.lpVerb = verb;
        info.lpFile = file;
        info.lpParameters = parameters;
        info.lpIDList = idList;
        info.nShow = SW_SHOWNORMAL;
        HRESULT hr = hook->Execute(&info);
        hook->Release();
        return {hr, reinterpret_cast<INT_PTR>(info.hInstApp)};
    }

    SharedState& shared() { return probe_->state(); }
    // Marks the fields, so a test sees whether a declined request changed any.
    void Mark() {
        shared().active = 1;
        shared().bannerBitmapId = 202;
        shared().languageId = 0x123;
    }
    void ExpectUnchanged(const char* what) {
        EXPECT_EQ(shared().active, 1) << what;
        EXPECT_EQ(shared().bannerBitmapId, 202u) << what;
        EXPECT_EQ(shared().languageId, 0x123) << what;
    }

    static SharedProbe* probe_;
};
SharedProbe* ExecuteTest::probe_;

void HoldCtrl(bool down) {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CONTROL] = down ? 0x80 : 0;
    keys[VK_LCONTROL] = down ? 0x80 : 0;
    SetKeyboardState(keys);
}

TEST_F(ExecuteTest, CtrlAndTheEnabledSettingsSwitchTheExtensionOffForAnyRequest) {
    Mark();
    HoldCtrl(true);
    Result r = Execute("notepad.exe");
    HoldCtrl(false);
    EXPECT_EQ(r.hr, S_FALSE);
    EXPECT_EQ(shared().active, 0) << "Ctrl clears active even for another program";

    struct Case {
        const char* name;
        std::optional<DWORD> user, machine;
        bool userAsText;
        bool enabled;
    } cases[] = {
        {"user 0, machine 1", 0u, 1u, false, false},
        {"user 1, machine 0", 1u, 0u, false, false},
        {"absent in both", std::nullopt, std::nullopt, false, true},
        {"user 0 as a string", 0u, std::nullopt, true, true},
    };
    for (const Case& c : cases) {
        ClearSettings();
        if (c.user && c.userAsText) SetText(HKEY_CURRENT_USER, kSettingsKey, kEnabledValue, "0");
        else if (c.user) SetDword(HKEY_CURRENT_USER, kSettingsKey, kEnabledValue, *c.user);
        if (c.machine) SetDword(HKEY_LOCAL_MACHINE, kSettingsKey, kEnabledValue, *c.machine);
        shared().active = 1;
        EXPECT_EQ(Execute("notepad.exe").hr, S_FALSE) << c.name;
        EXPECT_EQ(shared().active, c.enabled ? 1 : 0) << c.name;
    }
    ClearSettings();
}

TEST_F(ExecuteTest, DeclinedRequestsChangeNothingAndStartNothing) {
    const std::string program = Program();
    Mark();
    {
        HANDLE mutex = CreateMutexA(nullptr, FALSE, "Local\\OutlookExpress_InstanceMutex_101897");
        ASSERT_NE(mutex, nullptr);
        EXPECT_EQ(Execute(program.c_str()).hr, S_FALSE) << "Outlook Express is running";
        CloseHandle(mutex);
    }
    EXPECT_EQ(Execute(program.c_str(), "edit").hr, S_FALSE);
    EXPECT_EQ(Execute((BinFolder() + "oetool.exe").c_str()).hr, S_FALSE);
    EXPECT_EQ(Execute("").hr, S_FALSE);
    ExpectUnchanged("declined requests");

    // App Paths pointing elsewhere: the short name is not Outlook Express then.
    SetText(HKEY_LOCAL_MACHINE, kAppPathKey, nullptr, "C:\\Elsewhere\\msimn.exe");
    EXPECT_EQ(Execute("msimn").hr, S_FALSE);
    SetText(HKEY_LOCAL_MACHINE, kAppPathKey, nullptr, program);

    // The e-mail item while another program is the user's mail client.
    SetText(HKEY_CURRENT_USER, kClientsMailKey, nullptr, "Other Mail");
    LPITEMIDLIST item = nullptr;
    IShellFolder* desktop = nullptr;
    ASSERT_EQ(SHGetDesktopFolder(&desktop), S_OK);
    wchar_t name[] = L"::{2559a1f5-21d7-11d4-bdaf-00c04f60b9f0}";
    ASSERT_EQ(desktop->ParseDisplayName(nullptr, nullptr, name, nullptr, &item, nullptr), S_OK);
    desktop->Release();
    EXPECT_EQ(Execute("", nullptr, nullptr, SEE_MASK_IDLIST, item).hr, S_FALSE);
    RegDeleteTreeA(HKEY_CURRENT_USER, kClientsMailKey);
    CoTaskMemFree(item);

    // InstallRoot missing, or of another type.
    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kOutlookExpressKey, "InstallRoot");
    EXPECT_EQ(Execute(program.c_str()).hr, S_FALSE);
    SetDword(HKEY_LOCAL_MACHINE, kOutlookExpressKey, "InstallRoot", 1);
    EXPECT_EQ(Execute(program.c_str()).hr, S_FALSE);
    SetText(HKEY_LOCAL_MACHINE, kOutlookExpressKey, "InstallRoot", BinFolder() + "outlook-express", REG_EXPAND_SZ);
    ExpectUnchanged("declined requests");
    Sleep(500);
    EXPECT_EQ(FindWindowA("Outlook Express Browser Class", nullptr), nullptr) << "a declined request started the host";
    EXPECT_EQ(FindWindowA("CIESplashScreen", nullptr), nullptr) << "a declined request started the host";
}

TEST_F(ExecuteTest, SupportedVersionInstallsTheHookAndActsInsideTheHost) {
    probe_->RemoveHookOfThisProcess();
    // The folder's name through an environment variable, as an installation may keep it.
    SetEnvironmentVariableA("VELHOOK_TEST_BIN", BinFolder().c_str());
    SetText(HKEY_LOCAL_MACHINE, kOutlookExpressKey, "InstallRoot", "%VELHOOK_TEST_BIN%outlook-express", REG_EXPAND_SZ);
    SetDword(HKEY_CURRENT_USER, kSettingsKey, kLanguageValue, 0x405);
    SetDword(HKEY_LOCAL_MACHINE, kSettingsKey, kLanguageValue, 0x407);
    shared().active = 0;
    shared().bannerBitmapId = 0;
    // The identity has not seen the welcome dialog yet.
    {
        RegistryKey accounts = OpenAccountsKey();
        ASSERT_TRUE(accounts);
        RegDeleteValueA(accounts.get(), "VelorAccountsExt");
    }
    char agentFile[MAX_PATH], temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    GetTempFileNameA(temp, "vha", 0, agentFile);
    DeleteFileA(agentFile);
    SetEnvironmentVariableA("OESTAND_AGENT", agentFile);
    SetEnvironmentVariableA("OESTAND_SPLASH_MS", "3000");

    Result r = Execute(Upper(Program()).c_str(), "Open");
    SetEnvironmentVariableA("OESTAND_AGENT", nullptr);
    SetEnvironmentVariableA("OESTAND_SPLASH_MS", nullptr);
    SetText(HKEY_LOCAL_MACHINE, kOutlookExpressKey, "InstallRoot", BinFolder() + "outlook-express", REG_EXPAND_SZ);
    ClearSettings();
    ASSERT_EQ(r.hr, S_OK);
    EXPECT_EQ(r.instance, 33);
    EXPECT_EQ(shared().active, 1);
    EXPECT_EQ(shared().bannerBitmapId, 203u);
    EXPECT_EQ(shared().languageId, 0x407) << "the machine's Language wins";
    EXPECT_NE(probe_->hook(), nullptr);
    EXPECT_EQ(probe_->hookOwner(), GetCurrentProcessId());

    AgentClient agent;
    ASSERT_TRUE(agent.Attach(agentFile));
    // The splash is up with the banner under it: a bitmap static owned by the splash.
    AgentReply windows = agent.AskUntil("windows", [](const AgentReply& w) {
        return !FindLine(w, [](const std::vector<std::string>& x) { return x.size() > 3 && x[1] == "Static" && x[3] == "visible"; }).empty();
    }, 10000);
    std::string splash = FindLine(windows, [](const std::vector<std::string>& x) { return x.size() > 1 && x[1] == "CIESplashScreen"; });
    std::string banner = FindLine(windows, [](const std::vector<std::string>& x) { return x.size() > 3 && x[1] == "Static" && x[3] == "visible"; });
    ASSERT_FALSE(splash.empty()) << "the splash is gone before the test saw it";
    ASSERT_FALSE(banner.empty()) << "no banner under the splash";
    AgentReply splashRect = agent.Ask("rect " + Words(splash)[0]), bannerRect = agent.Ask("rect " + Words(banner)[0]);
    ASSERT_TRUE(splashRect.ok && bannerRect.ok);
    auto s = Words(splashRect.lines.at(0)), b = Words(bannerRect.lines.at(0));
    ASSERT_EQ(s.size(), 4u);
    ASSERT_EQ(b.size(), 4u);
    EXPECT_EQ(b[0], s[0]) << "the banner starts at the splash's left edge";
    EXPECT_EQ(b[1], s[3]) << "the banner hangs under the splash's bottom edge";
    EXPECT_EQ(std::atoi(b[2].c_str()) - std::atoi(b[0].c_str()), 400);
    EXPECT_EQ(std::atoi(b[3].c_str()) - std::atoi(b[1].c_str()), 60);
    std::string shot = ScreenshotFile("velhook-splash-banner.png");
    // A path without spaces goes as one word; quoted texts would take its backslashes for escapes.
    if (!shot.empty()) {
        AgentReply saved = agent.Ask("screenshot desktop " + shot);
        EXPECT_TRUE(saved.ok) << saved.error;
    }

    // The main window is subclassed and named in the shared section.
    AgentReply main = agent.Ask("main");
    ASSERT_TRUE(main.ok);
    HWND mainWindow = reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::strtoul(main.lines.at(0).c_str(), nullptr, 16)));
    EXPECT_EQ(shared().mainWindow, mainWindow);
    EXPECT_EQ(SendMessageA(mainWindow, RegisterWindowMessageA("_Velor_OE_Extensions_Subclass_Info_Message_"), 1, 0), 1);
    EXPECT_EQ(SendMessageA(mainWindow, RegisterWindowMessageA("_Velor_OE_Extensions_Subclass_Info_Message_"), 0, 0), 0);

    // Enabled accounts carry the extension's picture, appended to the tree's images; others keep theirs.
    AgentReply tree = agent.AskUntil("tree", [](const AgentReply& t) {
        return !FindLine(t, [](const std::vector<std::string>& x) { return x.size() > 4 && x[4] == "Home mail"; }).empty();
    }, 20000);
    ASSERT_FALSE(tree.lines.empty());
    int images = std::atoi(Words(tree.lines[0])[1].c_str());
    EXPECT_EQ(images, 25) << "the stand-in's 24 pictures and ours";
    auto account = [&](const char* name) {
        auto w = Words(FindLine(tree, [&](const std::vector<std::string>& x) { return x.size() > 4 && x[4] == name; }));
        return w.size() > 4 ? w[0] + " " + w[1] + " " + w[2] : std::string("missing");
    };
    EXPECT_EQ(account("Velor (anna)"), "1 24 24");
    EXPECT_EQ(account("Velor (petr)"), "1 19 19");
    EXPECT_EQ(account("Home mail"), "1 18 18");
    // Folders below an enabled account keep their pictures.
    std::string inbox;
    for (std::size_t i = 0; i + 1 < tree.lines.size(); ++i)
        if (Words(tree.lines[i]).size() > 4 && Words(tree.lines[i])[4] == "Velor (anna)") inbox = tree.lines[i + 1];
    ASSERT_FALSE(inbox.empty());
    EXPECT_NE(Words(inbox)[1], "24");
    agent.AskUntil("windows", [](const AgentReply& w) {
        return FindLine(w, [](const std::vector<std::string>& x) { return x.size() > 1 && x[1] == "CIESplashScreen"; }).empty();
    }, 10000);
    shot = ScreenshotFile("velhook-main-accounts.png");
    if (!shot.empty()) {
        AgentReply saved = agent.Ask("screenshot " + main.lines.at(0) + " " + shot);
        EXPECT_TRUE(saved.ok) << saved.error;
    }

    // The main window's first showing brings the welcome dialog, with the IMAP accounts; Cancel
    // closes it, and it is not due again.
    auto welcomeLine = [](const AgentReply& w) {
        return FindLine(w, [](const std::vector<std::string>& x) {
            return x.size() > 3 && x[2] == "Velor Outlook Express Extensions" && x[3] == "visible";
        });
    };
    AgentReply welcome = agent.AskUntil("windows", [&](const AgentReply& w) { return !welcomeLine(w).empty(); }, 15000);
    const std::string welcomeWindow = welcomeLine(welcome);
    ASSERT_FALSE(welcomeWindow.empty()) << "no welcome dialog in the host";
    AgentReply rows = agent.Ask("children " + Words(welcomeWindow)[0]);
    EXPECT_FALSE(FindLine(rows, [](const std::vector<std::string>& x) { return x.size() > 3 && x[2] == "206" && x[3] == "SysListView32"; }).empty());
    shot = ScreenshotFile("velhook-welcome-host.png");
    if (!shot.empty()) {
        AgentReply saved = agent.Ask("screenshot desktop " + shot);
        EXPECT_TRUE(saved.ok) << saved.error;
    }
    ASSERT_TRUE(agent.Ask("click " + Words(welcomeWindow)[0] + " 2").ok);
    agent.AskUntil("windows", [&](const AgentReply& w) { return welcomeLine(w).empty(); }, 10000);
    {
        RegistryKey accounts = OpenAccountsKey();
        DWORD shown = 0, size = sizeof shown;
        ASSERT_TRUE(accounts);
        EXPECT_EQ(RegQueryValueExA(accounts.get(), "VelorAccountsExt", nullptr, nullptr, reinterpret_cast<BYTE*>(&shown), &size),
                  ERROR_SUCCESS);
        EXPECT_EQ(shown, 1u);
    }

    // The Tools pop-up gains the rules and synchronisation submenus, each with the enabled account
    // only, at their places; the synchronisation submenu is grayed while no tool is registered.
    // Help gains About. Opening Tools again rebuilds the entries rather than adding more.
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Velor\\Contave");
    const std::string mainHex = main.lines.at(0);
    auto entry = [](const AgentReply& menu, const std::string& id) {
        return Words(FindLine(menu, [&](const std::vector<std::string>& x) { return x.size() > 4 && x[2] == id; }));
    };
    auto named = [](const AgentReply& menu, const std::string& text) {
        int n = 0;
        for (const std::string& line : menu.lines) n += Words(line).size() > 4 && Words(line)[4] == text;
        return n;
    };
    AgentReply tools = agent.Ask("menu-popup " + mainHex + " 3");
    ASSERT_TRUE(tools.ok) << tools.error;
    tools = agent.Ask("menu-popup " + mainHex + " 3");
    std::vector<std::string> rules = entry(tools, "45000"), sync = entry(tools, "45258");
    ASSERT_EQ(rules.size(), 5u) << "no rules submenu";
    ASSERT_EQ(sync.size(), 5u) << "no synchronisation submenu";
    EXPECT_EQ(rules[0], "0");
    EXPECT_EQ(rules[4], "Velor Outlook Express Rules");
    EXPECT_EQ(sync[4], "Velor Address book synchronization");
    EXPECT_NE(sync[3].find("grayed"), std::string::npos) << "no tool registered, yet " << sync[3];
    EXPECT_EQ(std::atoi(sync[1].c_str()), std::atoi(entry(tools, "40196")[1].c_str()) + 1) << "not after Synchronize All";
    EXPECT_EQ(named(tools, "Velor (anna)"), 2) << "one entry in each submenu";
    EXPECT_EQ(named(tools, "Velor (petr)"), 0) << "a disabled account listed";
    EXPECT_EQ(entry(tools, "45258").size(), 5u);
    AgentReply help = agent.Ask("menu-popup " + mainHex + " 5");
    EXPECT_EQ(named(help, "About Velor Outlook Express Extensions"), 1);

    // With the recording stand-in registered as the tool, its entry starts it with the account's
    // values.
    const std::string toolFolder = std::string(temp) + "velhook exec " + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(toolFolder.c_str(), nullptr);
    ASSERT_TRUE(CopyFileA((BinFolder() + "contave-recorder.exe").c_str(), (toolFolder + "Contave.exe").c_str(), FALSE));
    SetText(HKEY_LOCAL_MACHINE, "Software\\Velor\\Contave", nullptr, toolFolder + "Contave.exe");
    tools = agent.Ask("menu-popup " + mainHex + " 3");
    sync = entry(tools, "45258");
    ASSERT_EQ(sync.size(), 5u);
    EXPECT_EQ(sync[3].find("grayed"), std::string::npos) << sync[3];
    ASSERT_TRUE(agent.Ask("command " + mainHex + " 45258").ok);
    std::string record;
    for (int i = 0; i < 200 && record.find("end\n") == std::string::npos; ++i) {
        Sleep(50);
        HANDLE file = CreateFileA((toolFolder + "contave-args.txt").c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) continue;
        char buffer[2048] = {};
        DWORD n = 0;
        ReadFile(file, buffer, sizeof buffer - 1, &n, nullptr);
        CloseHandle(file);
        record.assign(buffer, n);
    }
    EXPECT_NE(record.find(" /host=127.0.0.1 /user=anna /pass=demo\n"), std::string::npos) << record;
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Velor\\Contave");
    DeleteFileA((toolFolder + "contave-args.txt").c_str());
    DeleteFileA((toolFolder + "Contave.exe").c_str());
    RemoveDirectoryA(toolFolder.c_str());

    // The module is in the host, and msoe.dll's pop-up import leads into it.
    HANDLE host = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, agent.processId());
    ASSERT_NE(host, nullptr);
    RemoteModule velhook = FindRemoteModule(agent.processId(), "Velhook.dll");
    RemoteModule msoe = FindRemoteModule(agent.processId(), "msoe.dll");
    EXPECT_NE(velhook.base, nullptr) << "Velhook is not loaded in the host";
    void* popup = ReadRemoteImport(host, msoe, BinFolder() + "outlook-express\\msoe.dll", "user32.dll", "TrackPopupMenu");
    EXPECT_TRUE(velhook.contains(popup)) << "msoe.dll's TrackPopupMenu import is not ours";
    CloseHandle(host);
    // The replacement hands the choice on: the host's context menu still carries out its command.
    ASSERT_TRUE(agent.Ask("tree-context \"Velor (anna)/Inbox\"").ok);
    AgentReply popupMenu = agent.AskUntil("popup", [](const AgentReply&) { return true; }, 10000);
    ASSERT_TRUE(popupMenu.ok) << popupMenu.error;
    AgentReply picked = agent.Ask("popup-pick 40101");
    ASSERT_TRUE(picked.ok) << picked.error;
    AgentReply last = agent.AskUntil("last-command", [](const AgentReply& l) {
        return !l.lines.empty() && l.lines[0].find("40101") != std::string::npos;
    }, 5000);
    ASSERT_FALSE(last.lines.empty());
    EXPECT_NE(last.lines[0].find("40101 Velor (anna)/Inbox"), std::string::npos) << last.lines[0];

    // The context menu of an enabled account's folder carries the extension's items after the
    // host's landmarks; of a disabled account only the switch; of a POP3 account nothing.
    auto openContext = [&](const std::string& path) {
        EXPECT_TRUE(agent.Ask("tree-context \"" + path + "\"").ok) << path;
        return agent.AskUntil("popup", [](const AgentReply& p) { return p.ok; }, 10000);
    };
    AgentReply context = openContext("Velor (anna)/Inbox");
    ASSERT_TRUE(context.ok) << context.error;
    std::vector<std::string> enable = entry(context, "101");
    ASSERT_EQ(enable.size(), 5u) << "no Enable Velor Extensions";
    EXPECT_EQ(enable[3], "checked");
    EXPECT_EQ(std::atoi(enable[1].c_str()), std::atoi(entry(context, "40286")[1].c_str()) + 1);
    EXPECT_EQ(named(context, "Velor Outlook Express Rules..."), 1);
    EXPECT_EQ(std::atoi(entry(context, "103")[1].c_str()), std::atoi(entry(context, "40107")[1].c_str()) + 2)
        << "Mark All Read is not after New Folder and a separator";
    EXPECT_EQ(named(context, "Mark All Unread"), 1);
    EXPECT_EQ(named(context, "Remove Deleted Messages"), 1);
    ASSERT_TRUE(agent.Ask("popup-cancel").ok);
    agent.AskUntil("popup", [](const AgentReply& p) { return !p.ok; }, 5000);

    context = openContext("Home mail");
    EXPECT_TRUE(entry(context, "101").empty()) << "a POP3 account offered the switch";
    ASSERT_TRUE(agent.Ask("popup-cancel").ok);
    agent.AskUntil("popup", [](const AgentReply& p) { return !p.ok; }, 5000);

    // The switch on a disabled account enables it, with its picture at once; again, disables it.
    auto petr = [&] {
        DWORD enabled = 99;
        return FindAccount("Velor (petr)", &enabled, nullptr) ? enabled : 77;
    };
    for (DWORD want : {1u, 0u}) {
        context = openContext("Velor (petr)");
        enable = entry(context, "101");
        ASSERT_EQ(enable.size(), 5u);
        EXPECT_EQ(enable[3], want ? "-" : "checked");
        EXPECT_EQ(named(context, "Mark All Read"), want ? 0 : 1);
        ASSERT_TRUE(agent.Ask("popup-pick 101").ok);
        for (int i = 0; i < 100 && petr() != want; ++i) Sleep(50);
        EXPECT_EQ(petr(), want);
        for (int i = 0; i < 50; ++i, Sleep(100)) {
            tree = agent.Ask("tree");
            if (account("Velor (petr)") == (want ? "1 24 24" : "1 19 19")) break;
        }
        EXPECT_EQ(account("Velor (petr)"), want ? "1 24 24" : "1 19 19");
    }

    // An account's properties carry the extension's switch on the first page, showing "Velor Ext".
    // Apply stores what the box shows and the tree's picture follows; Cancel stores nothing; the
    // box's place in the tab order is right after the page's own check box.
    auto windowTitled = [&](const std::string& title) {
        AgentReply w = agent.AskUntil("windows", [&](const AgentReply& all) {
            return !FindLine(all, [&](const std::vector<std::string>& x) { return x.size() > 3 && x[2] == title && x[3] == "visible"; }).empty();
        }, 15000);
        auto words = Words(FindLine(w, [&](const std::vector<std::string>& x) { return x.size() > 3 && x[2] == title && x[3] == "visible"; }));
        return words.empty() ? std::string() : words[0];
    };
    auto gone = [&](const std::string& hwnd) {
        agent.AskUntil("windows", [&](const AgentReply& all) {
            return FindLine(all, [&](const std::vector<std::string>& x) { return !x.empty() && x[0] == hwnd; }).empty();
        }, 10000);
    };
    auto firstPage = [&](const std::string& sheet) {
        AgentReply page = agent.Ask("sheet-page " + sheet);
        return page.ok && !page.lines.empty() ? page.lines[0] : std::string();
    };
    auto openAccountSheet = [&](const std::string& account) {
        context = openContext(account);
        EXPECT_TRUE(agent.Ask("popup-pick 40122").ok);
        return windowTitled(account + " Properties");
    };
    auto pictureOf = [&](const char* name) {
        tree = agent.Ask("tree");
        return account(name);
    };
    std::string sheet = openAccountSheet("Velor (petr)");
    ASSERT_FALSE(sheet.empty()) << "no properties sheet for Velor (petr)";
    std::string page = firstPage(sheet);
    AgentReply controls = agent.Ask("children " + page);
    auto control = [&](const std::string& id) {
        return Words(FindLine(controls, [&](const std::vector<std::string>& x) { return x.size() > 5 && x[2] == id; }));
    };
    ASSERT_GE(control("203").size(), 6u) << "no switch on the account page";
    EXPECT_EQ(control("203")[4], "Enable Velor Outlook Express Extensions for this account");
    EXPECT_EQ(control("209")[4], "Learn more about Velor Outlook Express Extensions.") << "the link keeps its markers";
    EXPECT_EQ(control("203")[1], page) << "the switch is not on the page itself";
    {
        // Tab order: the page's children in Z-order; ours follow the page's own box 2018.
        int include = -1, ours = -1;
        for (std::size_t i = 0; i < controls.lines.size(); ++i) {
            auto x = Words(controls.lines[i]);
            if (x.size() > 2 && x[1] == page && x[2] == "2018") include = static_cast<int>(i);
            if (x.size() > 2 && x[1] == page && x[2] == "203") ours = static_cast<int>(i);
        }
        EXPECT_GT(ours, include);
        EXPECT_GE(include, 0);
    }
    EXPECT_EQ(agent.Ask("checked " + page + " 203").lines.at(0), "0");
    shot = ScreenshotFile("velhook-account-sheet.png");
    if (!shot.empty()) EXPECT_TRUE(agent.Ask("screenshot " + sheet + " " + shot).ok);
    // Two clicks bring the box back; Apply then stores its state as it shows (off).
    ASSERT_TRUE(agent.Ask("click " + page + " 203").ok);
    ASSERT_TRUE(agent.Ask("click " + page + " 203").ok);
    ASSERT_TRUE(agent.Ask("click " + sheet + " " + std::to_string(0x3021)).ok);
    agent.Ask("ping");
    EXPECT_EQ(petr(), 0u);
    ASSERT_TRUE(agent.Ask("click " + page + " 203").ok);
    ASSERT_TRUE(agent.Ask("click " + sheet + " " + std::to_string(0x3021)).ok);
    for (int i = 0; i < 100 && petr() != 1; ++i) Sleep(50);
    EXPECT_EQ(petr(), 1u) << "Apply did not store the switch";
    EXPECT_EQ(pictureOf("Velor (petr)"), "1 24 24");
    // Switched off again, but cancelled: nothing is stored.
    ASSERT_TRUE(agent.Ask("click " + page + " 203").ok);
    ASSERT_TRUE(agent.Ask("click " + sheet + " 2").ok);
    gone(sheet);
    EXPECT_EQ(petr(), 1u) << "Cancel stored the switch";
    // Opened again, from the accounts dialog this time: checked; off and OK stores it.
    ASSERT_TRUE(agent.Ask("command " + mainHex + " 40203").ok);
    std::string accountsDialog = windowTitled("Internet Accounts");
    ASSERT_FALSE(accountsDialog.empty()) << "no accounts dialog";
    AgentReply accountRows = agent.Ask("children " + accountsDialog);
    std::string accountList = Words(FindLine(accountRows, [](const std::vector<std::string>& x) { return x.size() > 2 && x[2] == "2022"; }))[0];
    AgentReply rowsOfAccounts = agent.Ask("list " + accountList);
    int petrRow = -1;
    for (std::size_t i = 0; i < rowsOfAccounts.lines.size(); ++i)
        if (rowsOfAccounts.lines[i].find("\"Velor (petr)\"") != std::string::npos)
            petrRow = std::atoi(Words(rowsOfAccounts.lines[i])[0].c_str());
    ASSERT_GE(petrRow, 0) << "Velor (petr) is not listed";
    ASSERT_TRUE(agent.Ask("list-select " + accountList + " " + std::to_string(petrRow)).ok);
    agent.Ask("ping");
    ASSERT_TRUE(agent.Ask("click " + accountsDialog + " 2021").ok);
    sheet = windowTitled("Velor (petr) Properties");
    ASSERT_FALSE(sheet.empty()) << "no sheet from the accounts dialog";
    page = firstPage(sheet);
    EXPECT_EQ(agent.Ask("checked " + page + " 203").lines.at(0), "1");
    ASSERT_TRUE(agent.Ask("click " + page + " 203").ok);
    ASSERT_TRUE(agent.Ask("click " + sheet + " 1").ok);
    gone(sheet);
    for (int i = 0; i < 100 && petr() != 0; ++i) Sleep(50);
    EXPECT_EQ(petr(), 0u) << "OK did not store the switch";
    EXPECT_EQ(pictureOf("Velor (petr)"), "1 19 19");
    ASSERT_TRUE(agent.Ask("close " + accountsDialog).ok);
    gone(accountsDialog);
    // A POP3 account's sheet stays the host's own; so does a local folder's.
    sheet = openAccountSheet("Home mail");
    ASSERT_FALSE(sheet.empty());
    controls = agent.Ask("children " + firstPage(sheet));
    EXPECT_TRUE(control("203").empty()) << "a POP3 account got the switch";
    ASSERT_TRUE(agent.Ask("click " + sheet + " 2").ok);
    gone(sheet);

    // The context-menu key opens the menu for the selected folder, wherever the cursor is; the
    // maintenance items are there for it, and its Properties name it.
    ASSERT_TRUE(agent.Ask("tree-context-key \"Velor (anna)/Inbox\"").ok);
    context = agent.AskUntil("popup", [](const AgentReply& p) { return p.ok; }, 10000);
    ASSERT_TRUE(context.ok) << context.error;
    EXPECT_EQ(named(context, "Mark All Read"), 1) << "the keyboard's menu is not the selected folder's";
    EXPECT_EQ(named(context, "Sharing and Security..."), 1);
    ASSERT_TRUE(agent.Ask("popup-cancel").ok);
    agent.AskUntil("popup", [](const AgentReply& p) { return !p.ok; }, 5000);

    // Closing the main window clears the shared fields.
    agent.Quit();
    EXPECT_EQ(shared().mainWindow, nullptr);
    EXPECT_EQ(shared().languageId, 0);
}

// Run by tests/with-mailserver-commands, which starts the mail-server stand-in (its IMAP port in
// VELOR_IMAP_PORT) and afterwards checks its state: every message of Inbox/Projects seen.
TEST_F(ExecuteTest, AgainstTheServerMarkAllReadFromTheContextMenu) {
    const char* port = std::getenv("VELOR_IMAP_PORT");
    ASSERT_TRUE(port && *port) << "run through tests/with-mailserver-commands";
    const std::string accounts = "[identity]\nid = {6A1B2C3D-0000-4000-8000-00000000AB19}\nname = Velhook Server\n"
                                 "[account]\nname = Velor (server)\ntype = imap\nserver = 127.0.0.1\nport = " +
                                 std::string(port) + "\nuser = anna\npassword = demo\nvelor-ext = 1\n";
    ASSERT_TRUE(Seed("install", accounts));
    {
        RegistryKey key = OpenAccountsKey();
        const DWORD one = 1;
        if (key) RegSetValueExA(key.get(), "VelorAccountsExt", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof one);
    }
    probe_->RemoveHookOfThisProcess();
    char agentFile[MAX_PATH], temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    GetTempFileNameA(temp, "vha", 0, agentFile);
    DeleteFileA(agentFile);
    SetEnvironmentVariableA("OESTAND_AGENT", agentFile);
    Result r = Execute(Upper(Program()).c_str(), "Open");
    SetEnvironmentVariableA("OESTAND_AGENT", nullptr);
    ASSERT_EQ(r.hr, S_OK);
    AgentClient agent;
    ASSERT_TRUE(agent.Attach(agentFile));
    AgentReply tree = agent.AskUntil("tree", [](const AgentReply& t) {
        return !FindLine(t, [](const std::vector<std::string>& x) { return x.size() > 4 && x[4] == "Projects"; }).empty();
    }, 20000);
    ASSERT_FALSE(FindLine(tree, [](const std::vector<std::string>& x) { return x.size() > 4 && x[4] == "Projects"; }).empty())
        << "the server's folders are not in the tree";
    ASSERT_TRUE(agent.Ask("tree-context \"Velor (server)/Inbox/Projects\"").ok);
    AgentReply context = agent.AskUntil("popup", [](const AgentReply& p) { return p.ok; }, 10000);
    ASSERT_TRUE(context.ok) << context.error;
    ASSERT_TRUE(agent.Ask("popup-pick 103").ok);
    // The command runs on the host's thread, which answers the agent only once it is done.
    agent.AskUntil("popup", [](const AgentReply& p) { return !p.ok; }, 5000);
    EXPECT_TRUE(agent.AskUntil("ping", [](const AgentReply& p) { return p.ok; }, 30000).ok);

    // "Sharing and Security..." opens the folder's properties on the runtime's sharing page; the
    // group sales is added (reading, the rights a new entry starts with) and applied. The script
    // checks the ACL in the server's state afterwards.
    auto windowTitled = [&](const std::string& title) {
        auto line = [&](const AgentReply& all) {
            return FindLine(all, [&](const std::vector<std::string>& x) { return x.size() > 3 && x[2] == title && x[3] == "visible"; });
        };
        AgentReply w = agent.AskUntil("windows", [&](const AgentReply& all) { return !line(all).empty(); }, 20000);
        auto words = Words(line(w));
        return words.empty() ? std::string() : words[0];
    };
    auto childId = [&](const std::string& window, const std::string& id) {
        AgentReply all = agent.Ask("children " + window);
        auto words = Words(FindLine(all, [&](const std::vector<std::string>& x) { return x.size() > 2 && x[2] == id; }));
        return words.empty() ? std::string() : words[0];
    };
    auto tabCount = [&](const std::string& sheet) {
        std::string tabs = childId(sheet, std::to_string(0x3020));
        AgentReply t = agent.Ask("tabs " + tabs);
        return t.ok ? static_cast<int>(t.lines.size()) - 1 : -1;
    };
    ASSERT_TRUE(agent.Ask("tree-context \"Velor (server)/Inbox/Projects\"").ok);
    context = agent.AskUntil("popup", [](const AgentReply& p) { return p.ok; }, 10000);
    ASSERT_TRUE(context.ok) << context.error;
    ASSERT_TRUE(agent.Ask("popup-pick 102").ok);
    std::string sheet = windowTitled("Projects Properties");
    ASSERT_FALSE(sheet.empty()) << "no properties for Inbox/Projects";
    std::string page = agent.Ask("sheet-page " + sheet).lines.at(0);
    EXPECT_FALSE(childId(page, "219").empty()) << "the sharing page is not the one shown first";
    EXPECT_EQ(tabCount(sheet), 2);
    ASSERT_TRUE(agent.Ask("click " + page + " 220").ok);
    std::string add;
    for (int i = 0; i < 100 && add.empty(); ++i, Sleep(100)) {
        AgentReply all = agent.Ask("windows");
        for (const std::string& line : all.lines) {
            auto x = Words(line);
            if (x.size() > 3 && x[1] == "#32770" && x[3] == "visible" && x[0] != sheet && !childId(x[0], "231").empty()) add = x[0];
        }
    }
    ASSERT_FALSE(add.empty()) << "no dialog to add a name";
    ASSERT_TRUE(agent.Ask("combo-select " + add + " 256 1").ok);
    ASSERT_TRUE(agent.Ask("set-text " + add + " 231 sales").ok);
    ASSERT_TRUE(agent.Ask("click " + add + " 1").ok);
    agent.AskUntil("windows", [&](const AgentReply& all) {
        return FindLine(all, [&](const std::vector<std::string>& x) { return !x.empty() && x[0] == add; }).empty();
    }, 10000);
    std::string shot = ScreenshotFile("velhook-folder-sharing-page.png");
    if (!shot.empty()) EXPECT_TRUE(agent.Ask("screenshot " + sheet + " " + shot).ok);
    ASSERT_TRUE(agent.Ask("click " + sheet + " " + std::to_string(0x3021)).ok);
    agent.Ask("ping");
    ASSERT_TRUE(agent.Ask("click " + sheet + " 1").ok);
    agent.AskUntil("windows", [&](const AgentReply& all) {
        return FindLine(all, [&](const std::vector<std::string>& x) { return !x.empty() && x[0] == sheet; }).empty();
    }, 20000);
    // Properties opens the same sheet on its first page, the sharing page beside it.
    ASSERT_TRUE(agent.Ask("tree-context \"Velor (server)/Inbox/Projects\"").ok);
    context = agent.AskUntil("popup", [](const AgentReply& p) { return p.ok; }, 10000);
    ASSERT_TRUE(agent.Ask("popup-pick 40122").ok);
    sheet = windowTitled("Projects Properties");
    ASSERT_FALSE(sheet.empty());
    page = agent.Ask("sheet-page " + sheet).lines.at(0);
    EXPECT_TRUE(childId(page, "219").empty()) << "Properties did not open on the first page";
    EXPECT_EQ(tabCount(sheet), 2) << "no sharing page beside the first";
    ASSERT_TRUE(agent.Ask("click " + sheet + " 2").ok);
    agent.AskUntil("windows", [&](const AgentReply& all) {
        return FindLine(all, [&](const std::vector<std::string>& x) { return !x.empty() && x[0] == sheet; }).empty();
    }, 20000);

    // The account has its entry in the Tools pop-up's rules submenu.
    const std::string mainHex = agent.Ask("main").lines.at(0);
    AgentReply tools = agent.Ask("menu-popup " + mainHex + " 3");
    EXPECT_NE(std::find(tools.lines.begin(), tools.lines.end(), "1 0 45000 - \"Velor (server)\""), tools.lines.end());
    // Its entry opens the rules window with the account's script (the script checks X-GETSCRIPT on
    // the wire); Help's entry opens the About box.
    for (const auto& [command, title] : {std::pair<const char*, const char*>{"45000", "Velor MailServer Rules"},
                                         {"45257", "About Velor Outlook Express Extensions"}}) {
        ASSERT_TRUE(agent.Ask("command " + mainHex + " " + command).ok);
        std::string window = windowTitled(title);
        if (window.empty()) {
            AgentReply all = agent.Ask("windows");
            std::string shown;
            for (const std::string& line : all.lines) shown += "\n  " + line;
            ADD_FAILURE() << "command " << command << " showed no \"" << title << "\"; windows:" << shown;
        }
        if (window.empty()) continue;
        ASSERT_TRUE(agent.Ask("close " + window).ok);
        agent.AskUntil("windows", [&](const AgentReply& all) {
            return FindLine(all, [&](const std::vector<std::string>& x) { return !x.empty() && x[0] == window; }).empty();
        }, 20000);
    }
    agent.Quit();
    Seed("remove", accounts);
}

TEST_F(ExecuteTest, ShortNameThroughAppPathsAndASecondLaunchKeepTheHook) {
    LONGLONG before = InterlockedCompareExchange64(&shared().cbtHook, 0, 0);
    ASSERT_NE(HookHandleOf(before), nullptr) << "the previous test left no hook";
    Result r = Execute("MSIMN.EXE");
    EXPECT_EQ(r.hr, S_OK);
    EXPECT_EQ(InterlockedCompareExchange64(&shared().cbtHook, 0, 0), before) << "a second hook was installed";
    EXPECT_EQ(shared().languageId, 0x409) << "without a setting, the program's own language";
    ASSERT_NE(WaitForHostMainWindow(), nullptr);
    EXPECT_TRUE(CloseHosts());
    EXPECT_EQ(Execute("msimn").hr, S_OK);
    ASSERT_NE(WaitForHostMainWindow(), nullptr);
}

TEST_F(ExecuteTest, StartMenuMailItemIsOutlookExpressWhenItIsTheMailClient) {
    LPITEMIDLIST item = nullptr;
    IShellFolder* desktop = nullptr;
    ASSERT_EQ(SHGetDesktopFolder(&desktop), S_OK);
    wchar_t name[] = L"::{2559a1f5-21d7-11d4-bdaf-00c04f60b9f0}";
    ASSERT_EQ(desktop->ParseDisplayName(nullptr, nullptr, name, nullptr, &item, nullptr), S_OK);
    desktop->Release();
    Result r = Execute("", nullptr, nullptr, SEE_MASK_IDLIST, item);
    CoTaskMemFree(item);
    EXPECT_EQ(r.hr, S_OK);
    EXPECT_EQ(r.instance, 33);
    EXPECT_NE(WaitForHostMainWindow(), nullptr);
}

TEST_F(ExecuteTest, UnlistedVersionIsAskedAboutAndEachAnswerHolds) {
    SetText(HKEY_LOCAL_MACHINE, kOutlookExpressKey, "InstallRoot", BinFolder() + "outlook-express-5.0", REG_SZ);
    const std::string program = Program("outlook-express-5.0");
    LONGLONG hook = InterlockedCompareExchange64(&shared().cbtHook, 0, 0);
    {
        shared().bannerBitmapId = 0;
        WarningAnswer answer(IDOK, false);
        Result r = Execute(program.c_str());
        EXPECT_EQ(r.hr, S_OK);
        ASSERT_TRUE(answer.seen());
        EXPECT_EQ(answer.text().rfind("The Outlook Express Version 5.0.2920.0 is NOT supported.\n\n", 0), 0u) << answer.text();
        EXPECT_NE(answer.text().find("6.0.2800.1106 (IE 6.0 SP 1)\n6.0.2800.1123 (IE 6.0 SP 1, Security Update)\n"),
                  std::string::npos);
        EXPECT_NE(answer.text().find("Press Cancel to disable the extension"), std::string::npos);
        EXPECT_EQ(answer.text().find("CHECKBOX"), std::string::npos) << "the check box is a real one";
        EXPECT_EQ(answer.checkBox(), "Don't show this message again");
        EXPECT_EQ(shared().bannerBitmapId, 202u);
        EXPECT_EQ(shared().active, 1);
        EXPECT_FALSE(GetText(HKEY_CURRENT_USER, kSettingsKey, kAcceptedVersionValue)) << "nothing remembered unticked";
        ASSERT_NE(WaitForHostMainWindow(), nullptr);
        EXPECT_TRUE(CloseHosts());
    }
    {
        shared().bannerBitmapId = 0;
        WarningAnswer answer(IDCANCEL, false);
        Result r = Execute(program.c_str());
        EXPECT_EQ(r.hr, S_OK) << "the program starts after Cancel too";
        EXPECT_TRUE(answer.seen());
        EXPECT_EQ(shared().active, 0) << "Cancel disables the extension for this launch";
        EXPECT_EQ(shared().bannerBitmapId, 0u) << "no banner chosen after Cancel";
        EXPECT_EQ(GetDword(HKEY_CURRENT_USER, kSettingsKey, kEnabledValue), 0u) << "the choice is recorded";
        EXPECT_EQ(InterlockedCompareExchange64(&shared().cbtHook, 0, 0), hook);
        ASSERT_NE(WaitForHostMainWindow(), nullptr);
        EXPECT_TRUE(CloseHosts());
        // Disabled from now on: the next request is declined before anything is asked.
        WarningAnswer none(IDOK, false);
        EXPECT_EQ(Execute(program.c_str()).hr, S_FALSE);
        Sleep(300);
        EXPECT_FALSE(none.seen());
        ClearSettings();
    }
    {
        WarningAnswer answer(IDOK, true);
        EXPECT_EQ(Execute(program.c_str()).hr, S_OK);
        EXPECT_TRUE(answer.seen());
        EXPECT_EQ(GetText(HKEY_CURRENT_USER, kSettingsKey, kAcceptedVersionValue), "5.0.2920.0");
        ASSERT_NE(WaitForHostMainWindow(), nullptr);
        EXPECT_TRUE(CloseHosts());
    }
    {
        WarningAnswer answer(IDCANCEL, false);
        shared().active = 0;
        EXPECT_EQ(Execute(program.c_str()).hr, S_OK);
        EXPECT_FALSE(answer.seen()) << "asked again after 'Don't show this message again'";
        EXPECT_EQ(shared().active, 1);
        ASSERT_NE(WaitForHostMainWindow(), nullptr);
    }
    ClearSettings();
    SetText(HKEY_LOCAL_MACHINE, kOutlookExpressKey, "InstallRoot", BinFolder() + "outlook-express", REG_EXPAND_SZ);
}

TEST_F(ExecuteTest, ProgramWithoutVersionBlockStartsWithTheExtensionInactive) {
    probe_->RemoveHookOfThisProcess();
    SetText(HKEY_LOCAL_MACHINE, kOutlookExpressKey, "InstallRoot", BinFolder() + "outlook-express-noversion", REG_SZ);
    shared().active = 0;
    shared().bannerBitmapId = 0;
    shared().languageId = 0x123;
    Result r = Execute(Program("outlook-express-noversion").c_str());
    SetText(HKEY_LOCAL_MACHINE, kOutlookExpressKey, "InstallRoot", BinFolder() + "outlook-express", REG_EXPAND_SZ);
    EXPECT_EQ(r.hr, S_OK);
    EXPECT_EQ(probe_->hook(), nullptr);
    EXPECT_EQ(shared().active, 0);
    EXPECT_EQ(shared().bannerBitmapId, 0u);
    EXPECT_EQ(shared().languageId, 0x123);
    HWND main = WaitForHostMainWindow();
    ASSERT_NE(main, nullptr);
    Sleep(500);
    EXPECT_EQ(shared().mainWindow, nullptr) << "an inactive extension subclassed the main window";
}

TEST_F(ExecuteTest, HookOfAnEndedInstallerCountsAsAbsent) {
    // A process that has ended, whose id the stale field names.
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, sizeof system);
    std::string tool = std::string(system) + "\\cmd.exe", line = "cmd.exe /c exit 0";
    ASSERT_TRUE(CreateProcessA(tool.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    WaitForSingleObject(pi.hProcess, 10000);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    probe_->RemoveHookOfThisProcess();
    HHOOK stale = reinterpret_cast<HHOOK>(0x12340);
    InterlockedExchange64(&shared().cbtHook, HookPair(stale, pi.dwProcessId));
    auto canUnload = probe_->Export<HRESULT(WINAPI*)()>("DllCanUnloadNow");
    EXPECT_EQ(canUnload(), S_OK) << "a dead installer's hook keeps the module";

    EXPECT_EQ(Execute(Program().c_str()).hr, S_OK);
    EXPECT_NE(probe_->hook(), stale);
    EXPECT_NE(probe_->hook(), nullptr);
    EXPECT_EQ(probe_->hookOwner(), GetCurrentProcessId());
    EXPECT_EQ(canUnload(), S_FALSE);
    EXPECT_NE(WaitForHostMainWindow(), nullptr);
}

TEST_F(ExecuteTest, ThroughTheShellStandInTheRegisteredHookStartsTheHost) {
    auto call = [&](const char* name) { return probe_->Export<HRESULT(WINAPI*)()>(name)(); };
    ASSERT_EQ(call("DllRegisterServer"), S_OK);
    probe_->RemoveHookOfThisProcess();
    const std::string program = Program();

    // Ctrl held: the hook declines and the shell starts the program itself, without the extension.
    DWORD code = 1;
    std::string out = ShellRun("--ctrl \"" + program + "\"", &code);
    EXPECT_EQ(code, 0u) << out;
    EXPECT_NE(out.find(std::string("hook ") + kShellExecuteHookClsidText + " answered 0x00000001"), std::string::npos) << out;
    EXPECT_NE(out.find("started "), std::string::npos) << out;
    EXPECT_EQ(shared().active, 0);
    ASSERT_NE(WaitForHostMainWindow(), nullptr);
    Sleep(500);
    EXPECT_EQ(shared().mainWindow, nullptr);
    EXPECT_TRUE(CloseHosts());

    // Without Ctrl the hook starts it, and the hook lives in the shell's process.
    char agentFile[MAX_PATH], temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    GetTempFileNameA(temp, "vha", 0, agentFile);
    DeleteFileA(agentFile);
    SetEnvironmentVariableA("OESTAND_AGENT", agentFile);
    HANDLE shell = nullptr;
    ShellRun("--stay 120 \"" + program + "\"", &code, &shell);
    SetEnvironmentVariableA("OESTAND_AGENT", nullptr);
    ASSERT_NE(shell, nullptr);
    AgentClient agent;
    ASSERT_TRUE(agent.Attach(agentFile));
    EXPECT_EQ(shared().active, 1);
    DWORD shellId = GetProcessId(shell);
    EXPECT_EQ(probe_->hookOwner(), shellId) << "the hook is not the shell's";
    AgentReply tree = agent.AskUntil("tree", [](const AgentReply& t) {
        return !FindLine(t, [](const std::vector<std::string>& x) { return x.size() > 4 && x[4] == "Home mail"; }).empty();
    }, 20000);
    EXPECT_NE(FindLine(tree, [](const std::vector<std::string>& x) { return x.size() > 4 && x[4] == "Velor (anna)" && x[1] == "24"; }),
              "") << "no account icon";
    AgentReply main = agent.Ask("main");
    ASSERT_TRUE(main.ok);
    EXPECT_EQ(reinterpret_cast<UINT_PTR>(shared().mainWindow), std::strtoul(main.lines.at(0).c_str(), nullptr, 16));
    agent.Quit();
    EXPECT_EQ(shared().mainWindow, nullptr);

    // The shell stays while the hook is installed; told to stop, it ends and its hook with it.
    EXPECT_EQ(WaitForSingleObject(shell, 500), static_cast<DWORD>(WAIT_TIMEOUT)) << "the shell did not wait for its hook";
    HANDLE stop = OpenEventA(EVENT_MODIFY_STATE, FALSE, "Local\\VelorShellRunStop");
    ASSERT_NE(stop, nullptr);
    SetEvent(stop);
    CloseHandle(stop);
    EXPECT_EQ(WaitForSingleObject(shell, 20000), static_cast<DWORD>(WAIT_OBJECT_0));
    CloseHandle(shell);
    EXPECT_EQ(probe_->Export<HRESULT(WINAPI*)()>("DllCanUnloadNow")(), S_OK) << "the ended shell's hook still counts";
    EXPECT_EQ(call("DllUnregisterServer"), S_OK);
}

}  // namespace
}  // namespace velor::velhook::testing
