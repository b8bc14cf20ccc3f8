// The IMAP Folders dialog's "Shared" and "Mappings" tabs inside the Outlook Express stand-in,
// started through the shell hook, against the mail-server stand-in (tests/with-mailserver-imap-folders
// gives its IMAP port in VELOR_IMAP_PORT and its wire log in VELOR_WIRE_LOG): the tabs follow the
// selected account's switch; the shared mark and the permissions come from the server's ACLs; a
// mapping added and removed reaches the server and refreshes the host's folder tree; "Backup
// Folders" maps to #backup whatever user name was typed. Screenshots of both tabs are saved.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "HostProcess.h"
#include "SharedProbe.h"
#include "tests/host_fixture.h"
#include "velhook/Accounts_win32.h"
#include "velhook/ShellExecuteHook_win32.h"

namespace velor::velhook::testing {
namespace {

using oestand::AgentClient;
using oestand::AgentReply;
using oestand::Words;
using oestand::testing::Control;
using oestand::testing::FindLine;
using oestand::testing::Seed;
using oestand::testing::WaitForWindow;

constexpr char kDialogTitle[] = "Show/Hide IMAP Folders, Sharing and Mapping Settings";
constexpr char kEnabledAccount[] = "Velor (anna)";
constexpr char kDisabledAccount[] = "Velor (bob)";
enum : int { kFolders = 2001, kShow = 2002, kAccounts = 2005, kTabs = 1016, kSharedList = 206, kLink = 209,
             kType = 211, kName = 212, kAdd = 213, kRemove = 214, kUser = 215, kMappingList = 216 };

std::string Description(const std::string& port) {
    return "[outlook-express]\napp-path = yes\nmail-client = hklm\n"
           "[identity]\nid = {6A1B2C3D-0000-4000-8000-00000000AB38}\nname = Velhook IMAP Folders\n"
           "[account]\nname = " + std::string(kEnabledAccount) + "\ntype = imap\nserver = 127.0.0.1\nport = " + port +
           "\nuser = anna\npassword = demo\nvelor-ext = 1\n"
           "[account]\nname = " + std::string(kDisabledAccount) + "\ntype = imap\nserver = 127.0.0.1\nport = " + port +
           "\nuser = bob\npassword = x\nvelor-ext = 0\n";
}

std::string Upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

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

HWND WindowOf(const std::string& hex) {
    return reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::strtoul(hex.c_str(), nullptr, 16)));
}

// What the server received so far: the wire log's "recv" records joined, escapes as written.
std::string Received() {
    const char* file = std::getenv("VELOR_WIRE_LOG");
    if (!file) return {};
    std::ifstream in(file, std::ios::binary);
    std::string line, all;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string connection, kind;
        words >> connection >> kind;
        if (kind == "recv") all += line.substr(line.find("recv ") + 5);
    }
    return all;
}

bool WaitReceived(const std::string& text, int timeoutMs = 15000) {
    for (DWORD end = GetTickCount() + timeoutMs;; Sleep(100)) {
        if (Received().find(text) != std::string::npos) return true;
        if (static_cast<LONG>(end - GetTickCount()) <= 0) return false;
    }
}

class ImapFoldersTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const char* port = std::getenv("VELOR_IMAP_PORT");
        ASSERT_TRUE(port && *port) << "run through tests/with-mailserver-imap-folders";
        ASSERT_TRUE(std::getenv("VELOR_WIRE_LOG")) << "run through tests/with-mailserver-imap-folders";
        CoInitialize(nullptr);
        probe_ = new SharedProbe;
        ASSERT_TRUE(probe_->loaded());
        CloseHosts();
        RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kSettingsKey);
        description_ = Description(port);
        ASSERT_TRUE(Seed("install", description_));
        SetInstallRoot();
        {
            // The welcome dialog was seen already.
            RegistryKey key = OpenAccountsKey();
            const DWORD one = 1;
            if (key) RegSetValueExA(key.get(), "VelorAccountsExt", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof one);
        }
        probe_->RemoveHookOfThisProcess();
        ASSERT_TRUE(StartHost());
        agent_->AskUntil("tree", [](const AgentReply& t) {
            return !FindLine(t, [](const std::vector<std::string>& x) { return x.size() > 4 && x[4] == "Solo"; }).empty();
        }, 20000);
        ASSERT_TRUE(agent_->Ask("tree-select \"" + std::string(kEnabledAccount) + "\"").ok);
        AgentReply main = agent_->Ask("main");
        ASSERT_TRUE(main.ok && !main.lines.empty());
        main_ = main.lines[0];
        ASSERT_TRUE(agent_->Ask("command " + main_ + " 40316").ok);
        dialog_ = WaitForWindow(*agent_, kDialogTitle);
        ASSERT_FALSE(dialog_.empty()) << "no IMAP Folders dialog with the added caption";
        // Wide enough for the mapping row's fields beside each other, as a user would size it.
        SetWindowPos(WindowOf(dialog_), nullptr, 40, 30, 1000, 640, SWP_NOZORDER);
    }
    static void TearDownTestSuite() {
        if (agent_ && !dialog_.empty()) agent_->Ask("click " + dialog_ + " 2");
        delete agent_;
        agent_ = nullptr;
        CloseHosts();
        if (probe_) {
            probe_->RemoveHookOfThisProcess();
            SharedState& s = probe_->state();
            s.active = 0;
            s.bannerBitmapId = 0;
            s.languageId = 0;
        }
        Seed("remove", description_);
        delete probe_;
        probe_ = nullptr;
        CoUninitialize();
    }

    static void SetInstallRoot() {
        HKEY key;
        const std::string root = BinFolder() + "outlook-express";
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Outlook Express", 0, nullptr, 0, KEY_WRITE, nullptr,
                            &key, nullptr) != ERROR_SUCCESS)
            return;
        RegSetValueExA(key, "InstallRoot", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(root.c_str()),
                       static_cast<DWORD>(root.size() + 1));
        RegCloseKey(key);
    }

    // Outlook Express started as the shell would, so the module's hook is inside it.
    static bool StartHost() {
        auto getClassObject = probe_->Export<HRESULT(WINAPI*)(REFCLSID, REFIID, void**)>("DllGetClassObject");
        IClassFactory* factory = nullptr;
        IShellExecuteHookA* hook = nullptr;
        if (!getClassObject || getClassObject(kShellExecuteHookClsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)) != S_OK)
            return false;
        factory->CreateInstance(nullptr, IID_IShellExecuteHookA, reinterpret_cast<void**>(&hook));
        factory->Release();
        if (!hook) return false;
        char agentFile[MAX_PATH], temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        GetTempFileNameA(temp, "vhi", 0, agentFile);
        DeleteFileA(agentFile);
        SetEnvironmentVariableA("OESTAND_AGENT", agentFile);
        const std::string program = Upper(BinFolder() + "outlook-express\\msimn.exe");
        SHELLEXECUTEINFOA info = {};
        info.cbSize = sizeof info;
        info.lpVerb = "Open";
        info.lpFile = program.c_str();
        info.nShow = SW_SHOWNORMAL;
        const HRESULT hr = hook->Execute(&info);
        hook->Release();
        SetEnvironmentVariableA("OESTAND_AGENT", nullptr);
        if (hr != S_OK) return false;
        agent_ = new AgentClient;
        return agent_->Attach(agentFile);
    }

    static std::string Item(int id) { return Control(*agent_, dialog_, id); }
    // The words of the line of a control in the dialog's "children" answer.
    static std::vector<std::string> Flags(int id) {
        AgentReply all = agent_->Ask("children " + dialog_);
        return Words(FindLine(all, [&](const std::vector<std::string>& x) { return x.size() > 2 && x[2] == std::to_string(id); }));
    }
    static bool Visible(int id) {
        auto w = Flags(id);
        return w.size() > 6 && w[5] == "visible";
    }
    static bool Enabled(int id) {
        auto w = Flags(id);
        return w.size() > 6 && w[6] == "enabled";
    }
    static std::vector<std::string> Tabs() {
        std::vector<std::string> names;
        AgentReply t = agent_->Ask("tabs " + Item(kTabs));
        for (std::size_t i = 1; i < t.lines.size(); ++i) names.push_back(Words(t.lines[i]).at(1));
        return names;
    }
    static int CurrentTab() {
        AgentReply t = agent_->Ask("tabs " + Item(kTabs));
        return t.ok && !t.lines.empty() ? std::atoi(Words(t.lines[0]).at(1).c_str()) : -1;
    }
    // The row of a list whose first text is label: its words (index, image, indent, selected,
    // texts), waited for up to timeoutMs; empty when it did not come.
    static std::vector<std::string> Row(int list, const std::string& label, int timeoutMs = 20000) {
        auto pick = [&](const AgentReply& r) {
            return FindLine(r, [&](const std::vector<std::string>& x) { return x.size() > 4 && x[0] != "columns" && x[4] == label; });
        };
        AgentReply r = agent_->AskUntil("list " + Item(list), [&](const AgentReply& all) { return !pick(all).empty(); }, timeoutMs);
        return Words(pick(r));
    }
    static bool RowGone(int list, const std::string& label) {
        AgentReply r = agent_->AskUntil("list " + Item(list), [&](const AgentReply& all) {
            return FindLine(all, [&](const std::vector<std::string>& x) { return x.size() > 4 && x[4] == label; }).empty();
        });
        return FindLine(r, [&](const std::vector<std::string>& x) { return x.size() > 4 && x[4] == label; }).empty();
    }
    static int Overlay(int list, const std::string& row) {
        AgentReply r = agent_->Ask("list-state " + Item(list) + " " + row);
        return r.ok && !r.lines.empty() ? std::atoi(Words(r.lines[0]).at(1).c_str()) : -1;
    }
    static void SelectAccount(const char* name) {
        std::vector<std::string> row = Row(kAccounts, name);
        ASSERT_FALSE(row.empty()) << name;
        ASSERT_TRUE(agent_->Ask("list-select " + Item(kAccounts) + " " + row[0]).ok);
    }
    static void ShowTab(const std::string& name) {
        std::vector<std::string> tabs = Tabs();
        for (std::size_t i = 0; i < tabs.size(); ++i)
            if (tabs[i] == name) {
                ASSERT_TRUE(agent_->Ask("tab " + Item(kTabs) + " " + std::to_string(i)).ok);
                return;
            }
        FAIL() << "no tab " << name;
    }
    static void Screenshot(const char* name) {
        const std::string shot = ScreenshotFile(name);
        if (shot.empty()) return;
        AgentReply saved = agent_->Ask("screenshot " + dialog_ + " " + shot);
        EXPECT_TRUE(saved.ok) << saved.error;
    }
    static std::string LastCommand() {
        AgentReply r = agent_->Ask("last-command");
        return r.ok && !r.lines.empty() ? Words(r.lines[0]).at(0) : std::string();
    }

    static SharedProbe* probe_;
    static AgentClient* agent_;
    static std::string description_, main_, dialog_;
};
SharedProbe* ImapFoldersTest::probe_;
AgentClient* ImapFoldersTest::agent_;
std::string ImapFoldersTest::description_, ImapFoldersTest::main_, ImapFoldersTest::dialog_;

TEST_F(ImapFoldersTest, TheAddedTabsComeAndGoWithTheAccountsSwitch) {
    ASSERT_FALSE(dialog_.empty());
    EXPECT_EQ(Tabs(), (std::vector<std::string>{"All", "Visible", "Shared", "Mappings"}));
    SelectAccount(kDisabledAccount);
    agent_->AskUntil("tabs " + Item(kTabs), [](const AgentReply& r) { return r.lines.size() == 3; });
    EXPECT_EQ(Tabs(), (std::vector<std::string>{"All", "Visible"})) << "an account without the extension";
    // From an added tab, a switched-off account returns to the first tab.
    SelectAccount(kEnabledAccount);
    agent_->AskUntil("tabs " + Item(kTabs), [](const AgentReply& r) { return r.lines.size() == 5; });
    ShowTab("Mappings");
    agent_->AskUntil("tabs " + Item(kTabs), [](const AgentReply&) { return CurrentTab() == 3; });
    SelectAccount(kDisabledAccount);
    agent_->AskUntil("tabs " + Item(kTabs), [](const AgentReply& r) { return r.lines.size() == 3; });
    EXPECT_EQ(CurrentTab(), 0);
    EXPECT_TRUE(Visible(kFolders));
    EXPECT_FALSE(Visible(kMappingList));
    EXPECT_TRUE(Enabled(kShow)) << "the host's buttons come back with its own tab";
    SelectAccount(kEnabledAccount);
    agent_->AskUntil("tabs " + Item(kTabs), [](const AgentReply& r) { return r.lines.size() == 5; });
    EXPECT_EQ(Tabs().size(), 4u);
}

TEST_F(ImapFoldersTest, SharedMarksFoldersWithTwoRightsEntriesAndShowsThePermissions) {
    ASSERT_FALSE(dialog_.empty());
    SelectAccount(kEnabledAccount);
    ShowTab("Shared");
    std::vector<std::string> team = Row(kSharedList, "Team");
    ASSERT_GT(team.size(), 5u) << "no Team row with its permissions";
    std::vector<std::string> solo = Row(kSharedList, "Solo");
    ASSERT_GT(solo.size(), 5u);
    EXPECT_EQ(team[5], "[staff] (lr)");
    EXPECT_EQ(solo[5], "") << "only the owner: nothing to show";
    EXPECT_EQ(Overlay(kSharedList, team[0]), 1) << "two entries: shared";
    EXPECT_EQ(Overlay(kSharedList, solo[0]), 0) << "the owner alone: not shared";
    EXPECT_EQ(team[2], "1") << "the host's indentation is kept";
    EXPECT_TRUE(WaitReceived("GETACL \"INBOX/Team\"")) << "the rights come from the server";
    EXPECT_FALSE(Visible(kFolders));
    EXPECT_TRUE(Visible(kSharedList));
    EXPECT_TRUE(Visible(kLink));
    EXPECT_FALSE(Enabled(kShow)) << "the host's buttons act on its own list only";
    Screenshot("velhook-imap-folders-shared.png");
}

// The sharing page from the link (Enter on it) and from a double click: Cancel leaves the list
// as it was; a user added and OK gives the folder a second entry, which the list shows at once.
TEST_F(ImapFoldersTest, TheSharingPageChangesTheListOnlyWhenAccepted) {
    ASSERT_FALSE(dialog_.empty());
    SelectAccount(kEnabledAccount);
    ShowTab("Shared");
    std::vector<std::string> solo = Row(kSharedList, "Solo");
    ASSERT_FALSE(solo.empty());
    auto sheetGone = [](const std::string& sheet) {
        agent_->AskUntil("windows", [&](const AgentReply& all) {
            return FindLine(all, [&](const std::vector<std::string>& x) { return !x.empty() && x[0] == sheet; }).empty();
        }, 20000);
    };

    ASSERT_TRUE(agent_->Ask("list-select " + Item(kSharedList) + " " + solo[0]).ok);
    agent_->Ask("ping");
    PostMessageA(WindowOf(Item(kLink)), WM_KEYDOWN, VK_RETURN, 0);
    std::string sheet = WaitForWindow(*agent_, "Solo Properties");
    ASSERT_FALSE(sheet.empty()) << "the link opened no sharing page";
    ASSERT_TRUE(agent_->Ask("click " + sheet + " 2").ok);
    sheetGone(sheet);
    EXPECT_EQ(Received().find("SETACL \"INBOX/Solo\""), std::string::npos);
    solo = Row(kSharedList, "Solo");
    ASSERT_FALSE(solo.empty()) << "the list lost its rows after Cancel";
    EXPECT_EQ(Overlay(kSharedList, solo[0]), 0);

    ASSERT_TRUE(agent_->Ask("list-activate " + Item(kSharedList) + " " + solo[0]).ok);
    sheet = WaitForWindow(*agent_, "Solo Properties");
    ASSERT_FALSE(sheet.empty()) << "a double click opened no sharing page";
    AgentReply current = agent_->Ask("sheet-page " + sheet);
    ASSERT_TRUE(current.ok && !current.lines.empty());
    ASSERT_TRUE(agent_->Ask("click " + current.lines[0] + " 220").ok);  // Add...
    std::string add;
    for (int i = 0; i < 100 && add.empty(); ++i, Sleep(100)) {
        for (const std::string& line : agent_->Ask("windows").lines) {
            auto x = Words(line);
            if (x.size() > 3 && x[1] == "#32770" && x[3] == "visible" && x[0] != sheet && x[0] != dialog_ &&
                !Control(*agent_, x[0], 231).empty())
                add = x[0];
        }
    }
    ASSERT_FALSE(add.empty()) << "no dialog to add a name";
    ASSERT_TRUE(agent_->Ask("set-text " + add + " 231 bob").ok);
    ASSERT_TRUE(agent_->Ask("click " + add + " 1").ok);
    sheetGone(add);
    ASSERT_TRUE(agent_->Ask("click " + sheet + " 1").ok);
    sheetGone(sheet);
    EXPECT_TRUE(WaitReceived("SETACL \"INBOX/Solo\" \"bob\" \"lr\"")) << Received();
    std::vector<std::string> after = Row(kSharedList, "Solo");
    agent_->AskUntil("list " + Item(kSharedList), [&](const AgentReply&) {
        after = Row(kSharedList, "Solo");
        return after.size() > 5 && after[5] == "bob (lr)";
    });
    ASSERT_GT(after.size(), 5u);
    EXPECT_EQ(after[5], "bob (lr)") << "the permissions were not read again";
    EXPECT_EQ(Overlay(kSharedList, after[0]), 1) << "two entries now: shared";
    EXPECT_EQ(after[3], "selected") << "the same row is selected again";
}

TEST_F(ImapFoldersTest, AMappingAddedAndRemovedReachesTheServerAndRefreshesTheTree) {
    ASSERT_FALSE(dialog_.empty());
    SelectAccount(kEnabledAccount);
    ShowTab("Mappings");
    std::vector<std::string> sales = Row(kMappingList, "sales");
    ASSERT_GT(sales.size(), 5u) << "the seeded mapping is not listed";
    EXPECT_NE(sales[5].find("INBOX/Team"), std::string::npos) << sales[5];
    EXPECT_FALSE(Enabled(kAdd)) << "no name yet";

    ASSERT_TRUE(agent_->Ask("combo-select " + dialog_ + " " + std::to_string(kType) + " 0").ok);  // Public Folders
    ASSERT_TRUE(agent_->Ask("set-text " + dialog_ + " " + std::to_string(kName) + " \"  news \"").ok);
    agent_->AskUntil("ping", [](const AgentReply&) { return Enabled(kAdd); }, 5000);
    ASSERT_TRUE(Enabled(kAdd));
    ASSERT_TRUE(agent_->Ask("click " + dialog_ + " " + std::to_string(kAdd)).ok);
    EXPECT_TRUE(WaitReceived("X-SETMAP \"news\" \"#public\"")) << Received();
    EXPECT_FALSE(Row(kMappingList, "news").empty()) << "the list was not read again";
    EXPECT_EQ(LastCommand().substr(0, 5), "40105") << "the host's folder tree was not refreshed";
    AgentReply name = agent_->Ask("text " + Item(kName));
    EXPECT_EQ(name.lines.at(0), "\"\"") << "the name field is cleared";

    std::vector<std::string> news = Row(kMappingList, "news");
    ASSERT_FALSE(news.empty());
    ASSERT_TRUE(agent_->Ask("list-select " + Item(kMappingList) + " " + news[0]).ok);
    agent_->AskUntil("ping", [](const AgentReply&) { return Enabled(kRemove); }, 5000);
    ASSERT_TRUE(Enabled(kRemove));
    ASSERT_TRUE(agent_->Ask("click " + dialog_ + " " + std::to_string(kRemove)).ok);
    EXPECT_TRUE(WaitReceived("X-DELETEMAP \"news\"")) << Received();
    EXPECT_TRUE(RowGone(kMappingList, "news"));
    EXPECT_FALSE(Row(kMappingList, "sales").empty());
}

TEST_F(ImapFoldersTest, BackupFoldersMapToBackupWhateverUserWasTyped) {
    ASSERT_FALSE(dialog_.empty());
    SelectAccount(kEnabledAccount);
    ShowTab("Mappings");
    ASSERT_FALSE(Row(kMappingList, "sales").empty());
    ASSERT_TRUE(agent_->Ask("combo-select " + dialog_ + " " + std::to_string(kType) + " 1").ok);  // Shared Folders
    agent_->AskUntil("ping", [](const AgentReply&) { return Visible(kUser); }, 5000);
    EXPECT_TRUE(Visible(kUser)) << "shared folders ask for the user";
    ASSERT_TRUE(agent_->Ask("set-text " + dialog_ + " " + std::to_string(kUser) + " petr").ok);
    ASSERT_TRUE(agent_->Ask("set-text " + dialog_ + " " + std::to_string(kName) + " old").ok);
    Screenshot("velhook-imap-folders-mappings.png");
    ASSERT_TRUE(agent_->Ask("combo-select " + dialog_ + " " + std::to_string(kType) + " 2").ok);  // Backup Folders
    agent_->AskUntil("ping", [](const AgentReply&) { return !Visible(kUser); }, 5000);
    EXPECT_FALSE(Visible(kUser));
    ASSERT_TRUE(Enabled(kAdd));
    ASSERT_TRUE(agent_->Ask("click " + dialog_ + " " + std::to_string(kAdd)).ok);
    EXPECT_TRUE(WaitReceived("X-SETMAP \"old\" \"#backup\"")) << Received();
    EXPECT_EQ(Received().find("X-SETMAP \"old\" \"~petr\""), std::string::npos);
    EXPECT_FALSE(Row(kMappingList, "old").empty());
}

}  // namespace
}  // namespace velor::velhook::testing
