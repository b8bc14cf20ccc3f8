// The host as the integration module meets it, driven through its agent: start-up order, the
// instance mutex, the folder tree from the registry and the server, the menus and their
// identifiers, the folder context menu through the imported pop-up function, and the dialogs.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdlib>

#include "common/oe_ids.h"
#include "core/agent_text.h"
#include "tests/host_fixture.h"

namespace oestand::testing {
namespace {

std::string Description() {
  return "[outlook-express]\n"
         "install-root-type = expand\n"
         "[identity]\n"
         "id = {6A1B2C3D-0000-4000-8000-00000000AB01}\n"
         "name = Host Test\n"
         "[account]\nname = Velor (anna)\ntype = imap\nserver = 127.0.0.1\nport = ${VELOR_IMAP_PORT}\n"
         "user = anna\npassword = demo\ntimeout = 20\n"
         "[account]\nname = Velor (petr)\ntype = imap\nserver = 127.0.0.1\nport = ${VELOR_IMAP_PORT}\n"
         "user = petr\npassword = demo\n"
         "[account]\nname = Home mail\ntype = pop3\nserver = pop.home.example\nuser = anna.home\npassword = x\n";
}

class HostTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    ASSERT_NE(std::getenv("VELOR_IMAP_PORT"), nullptr) << "run through tests/with-mailserver";
    ASSERT_TRUE(Seed("install", Description()));
    agent_ = new AgentClient;
    // A long splash, so that the test sees it before the main window shows.
    ASSERT_TRUE(agent_->Launch(HostProgram(), {"OESTAND_SPLASH_MS=2500"}, "velor-oe-host,1100x720"));
    startWindows_ = agent_->Ask("windows");
    main_ = agent_->Ask("main").lines.at(0);
    // The tree is filled once WM_CREATE has returned; wait for the server's folders and for the
    // main window to show.
    agent_->AskUntil("tree", [](const AgentReply& r) { return r.lines.size() > 12; }, 30000);
    agent_->AskUntil("windows", [](const AgentReply& r) {
      return !FindLine(r, [](const std::vector<std::string>& w) {
        return w.size() > 3 && w[1] == kBrowserClass && w[3] == "visible";
      }).empty();
    }, 30000);
  }
  static void TearDownTestSuite() {
    delete agent_;
    agent_ = nullptr;
    Seed("remove", Description());
  }
  AgentClient& agent() { return *agent_; }

  static AgentClient* agent_;
  static AgentReply startWindows_;
  static std::string main_;
};
AgentClient* HostTest::agent_;
AgentReply HostTest::startWindows_;
std::string HostTest::main_;

bool Visible(const AgentReply& windows, const std::string& className) {
  return !FindLine(windows, [&](const std::vector<std::string>& w) {
    return w.size() > 3 && w[1] == className && w[3] == "visible";
  }).empty();
}
bool Exists(const AgentReply& windows, const std::string& className) {
  return !FindLine(windows, [&](const std::vector<std::string>& w) { return w.size() > 1 && w[1] == className; }).empty();
}

std::string MutexName() { return std::string("Local\\") + kInstanceMutex; }

TEST_F(HostTest, SplashShowsFirstThenMainWindowAndMutexIsHeld) {
  // At the agent's start the main window exists, hidden, while the splash shows.
  EXPECT_TRUE(Visible(startWindows_, kSplashClass));
  EXPECT_TRUE(Exists(startWindows_, kBrowserClass));
  EXPECT_FALSE(Visible(startWindows_, kBrowserClass));
  AgentReply later = agent().AskUntil("windows", [](const AgentReply& r) {
    return Visible(r, kBrowserClass) && !Exists(r, kSplashClass);
  });
  EXPECT_TRUE(Visible(later, kBrowserClass));
  EXPECT_FALSE(Exists(later, kSplashClass)) << "the splash stays after the main window shows";

  HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, MutexName().c_str());
  EXPECT_NE(mutex, nullptr) << "no instance mutex while the host runs";
  if (mutex) CloseHandle(mutex);

  // A second start finds the first one and ends at once.
  STARTUPINFOA si = {sizeof si};
  PROCESS_INFORMATION pi = {};
  std::string program = HostProgram(), line = "\"" + program + "\"";
  ASSERT_TRUE(CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
  EXPECT_EQ(WaitForSingleObject(pi.hProcess, 30000), WAIT_OBJECT_0);
  DWORD code = 1;
  GetExitCodeProcess(pi.hProcess, &code);
  EXPECT_EQ(code, 0u);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  EXPECT_TRUE(agent().Ask("ping").ok) << "the first instance went away";
}

TEST_F(HostTest, PaneIsADescendantWhoseFirstChildIsTheTree) {
  AgentReply children = agent().Ask("children " + main_);
  std::string pane = FindLine(children, [](const std::vector<std::string>& w) { return w.size() > 3 && w[3] == kFolderPaneClass; });
  ASSERT_FALSE(pane.empty());
  // The first child listed under the pane is the tree view.
  std::string paneHandle = Words(pane)[0];
  std::string first = FindLine(children, [&](const std::vector<std::string>& w) { return w.size() > 1 && w[1] == paneHandle; });
  ASSERT_FALSE(first.empty());
  EXPECT_EQ(Words(first)[3], "SysTreeView32");
}

TEST_F(HostTest, TreeHoldsRootAccountsAndServerFolders) {
  AgentReply tree = agent().Ask("tree");
  ASSERT_TRUE(tree.ok);
  ASSERT_FALSE(tree.lines.empty());
  EXPECT_GE(std::atoi(Words(tree.lines[0])[1].c_str()), 20) << tree.lines[0];
  std::vector<std::string> got;
  for (size_t i = 1; i < tree.lines.size(); ++i) {
    auto w = Words(tree.lines[i]);
    got.push_back(w[0] + " " + w[1] + " " + w[4]);
  }
  // Local folders first, then the accounts in registry order, each IMAP account with its
  // subscribed folders as the server lists them, nested by path.
  std::vector<std::string> want = {
      "0 0 Outlook Express", "1 1 Local Folders", "2 4 Inbox", "2 5 Outbox", "2 6 Sent Items",
      "2 7 Deleted Items", "2 8 Drafts",
      "1 19 Velor (anna)", "2 4 Inbox", "3 2 Projects", "4 2 Sales", "3 2 Gr\xFC\xDF" "e", "3 6 Sent Items",
      "2 12 Public Folders", "3 2 Notices",
      "1 19 Velor (petr)", "2 4 Inbox", "2 12 Public Folders", "3 2 Notices",
      "1 18 Home mail"};
  EXPECT_EQ(got, want);
  // Exactly one root item.
  EXPECT_EQ(std::count_if(got.begin(), got.end(), [](const std::string& s) { return s[0] == '0'; }), 1);
}

TEST_F(HostTest, MenusCarryTheCommandIdentifiers) {
  AgentReply menu = agent().Ask("menu " + main_);
  ASSERT_TRUE(menu.ok);
  // Tools pop-up: depth-0 "&Tools", its items at depth 1.
  auto has = [&](int depth, int id) {
    return !FindLine(menu, [&](const std::vector<std::string>& w) {
      return w.size() > 2 && w[0] == std::to_string(depth) && w[2] == std::to_string(id);
    }).empty();
  };
  for (int id : {kCmdAddressBook, kCmdSynchronizeAll, kCmdAccounts, kCmdImapFolders, kCmdHelpContents, kCmdProperties})
    EXPECT_TRUE(has(1, id)) << id;
  EXPECT_TRUE(has(2, kCmdRulesMail));
  // The rules submenu starts with 40442, and sits in the pop-up that holds 40204.
  AgentReply tools = agent().Ask("menu-popup " + main_ + " 3");
  ASSERT_TRUE(tools.ok);
  bool rulesFirst = false, sync = false, address = false;
  for (size_t i = 0; i < tools.lines.size(); ++i) {
    auto w = Words(tools.lines[i]);
    if (w[0] == "0" && w[3].find("popup") != std::string::npos && i + 1 < tools.lines.size())
      rulesFirst |= Words(tools.lines[i + 1])[2] == std::to_string(kCmdRulesMail);
    sync |= w[0] == "0" && w[2] == std::to_string(kCmdSynchronizeAll);
    address |= w[0] == "0" && w[2] == std::to_string(kCmdAddressBook);
  }
  EXPECT_TRUE(rulesFirst && sync && address);
  AgentReply help = agent().Ask("menu-popup " + main_ + " 5");
  EXPECT_EQ(Words(help.lines.at(0))[2], std::to_string(kCmdHelpContents));
}

// The pop-up menu function must reach msoe.dll through its import table, by name.
TEST_F(HostTest, MsoeImportsTrackPopupMenuByName) {
  HMODULE msoe = LoadLibraryExA((BinFolder() + "outlook-express\\msoe.dll").c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
  ASSERT_NE(msoe, nullptr);
  auto* base = reinterpret_cast<BYTE*>(msoe);
  auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
  auto& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  bool found = false;
  for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); d->Name; ++d) {
    if (lstrcmpiA(reinterpret_cast<char*>(base + d->Name), "user32.dll") != 0) continue;
    for (auto* t = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->OriginalFirstThunk); t->u1.AddressOfData; ++t) {
      if (IMAGE_SNAP_BY_ORDINAL(t->u1.Ordinal)) continue;
      auto* name = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + t->u1.AddressOfData);
      found |= lstrcmpA(reinterpret_cast<char*>(name->Name), "TrackPopupMenu") == 0;
    }
  }
  FreeLibrary(msoe);
  EXPECT_TRUE(found);
}

TEST_F(HostTest, ContextMenuRunsTheChosenCommandOnTheClickedItem) {
  ASSERT_TRUE(agent().Ask("tree-context \"Velor (anna)/Inbox/Projects\"").ok);
  AgentReply popup = agent().AskUntil("popup", [](const AgentReply&) { return true; });
  ASSERT_TRUE(popup.ok) << popup.error;
  std::vector<int> ids;
  for (const std::string& l : popup.lines) ids.push_back(std::atoi(Words(l)[2].c_str()));
  for (int id : {kCmdSetDefaultAccount, kCmdResetList, kCmdNewFolder, kCmdProperties})
    EXPECT_NE(std::find(ids.begin(), ids.end(), id), ids.end()) << id;
  ASSERT_TRUE(agent().Ask("popup-pick " + std::to_string(kCmdFind)).ok);
  AgentReply last = agent().AskUntil("last-command", [](const AgentReply& r) { return r.lines.at(0) != "\"\""; });
  EXPECT_EQ(Words(last.lines.at(0))[0], std::to_string(kCmdFind) + " Velor (anna)/Inbox/Projects");

  // Properties from the context menu of a folder: the folder's property sheet.
  ASSERT_TRUE(agent().Ask("tree-context \"Velor (anna)/Inbox/Projects/Sales\"").ok);
  ASSERT_TRUE(agent().AskUntil("popup", [](const AgentReply&) { return true; }).ok);
  ASSERT_TRUE(agent().Ask("popup-pick " + std::to_string(kCmdProperties)).ok);
  std::string sheet = WaitForWindow(agent(), "Sales Properties");
  ASSERT_FALSE(sheet.empty());
  std::string page = agent().Ask("sheet-page " + sheet).lines.at(0);
  EXPECT_EQ(Words(agent().Ask("text " + Control(agent(), page, kIdcFolderName)).lines.at(0))[0], "Sales");
  agent().Ask("click " + sheet + " 2");
  agent().AskUntil("windows", [](const AgentReply& r) {
    return FindLine(r, [](const std::vector<std::string>& w) { return w.size() > 2 && w[2] == "Sales Properties"; }).empty();
  });
}

TEST_F(HostTest, AccountsDialogOpensTheAccountSheet) {
  ASSERT_TRUE(agent().Ask("command " + main_ + " " + std::to_string(kCmdAccounts)).ok);
  std::string dialog = WaitForWindow(agent(), "Internet Accounts");
  ASSERT_FALSE(dialog.empty());
  std::string list = Control(agent(), dialog, kIdcAccountsList);
  ASSERT_FALSE(list.empty());
  EXPECT_FALSE(Control(agent(), dialog, kIdcAccountsTab).empty());
  EXPECT_FALSE(Control(agent(), dialog, kIdcAccountsProperties).empty());
  AgentReply rows = agent().Ask("list " + list);
  ASSERT_EQ(rows.lines.size(), 5u) << "columns, images and three accounts";
  // Sorted by name: Home mail, Velor (anna), Velor (petr).
  EXPECT_EQ(Words(rows.lines[3])[4], "Velor (anna)");
  agent().Ask("list-select " + list + " 1");
  agent().AskUntil("list " + list, [](const AgentReply& r) { return Words(r.lines.at(3))[3] == "selected"; });
  ASSERT_TRUE(agent().Ask("click " + dialog + " " + std::to_string(kIdcAccountsProperties)).ok);
  std::string sheet = WaitForWindow(agent(), "Velor (anna) Properties");
  ASSERT_FALSE(sheet.empty());
  std::string page = agent().Ask("sheet-page " + sheet).lines.at(0);
  EXPECT_FALSE(Control(agent(), page, kIdcIncludeAccount).empty()) << "no control 2018 on the first page";
  // Room below 2018 for a block placed 270 pixels from the page's top, 44 dialog units high.
  auto rect = Words(agent().Ask("rect " + page).lines.at(0));
  EXPECT_GE(std::atoi(rect[3].c_str()) - std::atoi(rect[1].c_str()), 340);
  agent().Ask("click " + sheet + " 2");
  agent().Ask("click " + dialog + " 2");
  agent().AskUntil("windows", [](const AgentReply& r) {
    return FindLine(r, [](const std::vector<std::string>& w) { return w.size() > 2 && w[2] == "Internet Accounts"; }).empty();
  });
  // The dialog's list shared the folder pictures; closing it must leave them to the tree.
  EXPECT_GE(std::atoi(Words(agent().Ask("tree").lines.at(0))[1].c_str()), 20);
}

TEST_F(HostTest, ImapFoldersDialogRefillsOnEveryTabChange) {
  ASSERT_TRUE(agent().Ask("tree-select \"Velor (anna)/Inbox\"").ok);
  ASSERT_TRUE(agent().Ask("command " + main_ + " " + std::to_string(kCmdImapFolders)).ok);
  std::string dialog = WaitForWindow(agent(), "Show/Hide IMAP Folders");
  ASSERT_FALSE(dialog.empty());
  for (int id : {kIdcImapAccounts, kIdcImapFolderList, kIdcImapTabs, kIdcImapReset, kIdcImapShow, kIdcImapHide,
                 kIdcImapSearch, kIdcImapGoTo})
    EXPECT_FALSE(Control(agent(), dialog, id).empty()) << id;
  std::string folders = Control(agent(), dialog, kIdcImapFolderList), tabs = Control(agent(), dialog, kIdcImapTabs);
  AgentReply all = agent().Ask("list " + folders);
  ASSERT_GE(all.lines.size(), 2u) << all.error;
  EXPECT_GE(std::atoi(Words(all.lines.at(1))[1].c_str()), 21) << "folder list images: " << all.lines[0] << " | " << all.lines[1] << " " << folders;
  auto labels = [](const AgentReply& r) {
    std::vector<std::string> out;
    for (size_t i = 2; i < r.lines.size(); ++i) {
      auto w = Words(r.lines[i]);
      out.push_back(w[2] + " " + w[4]);
    }
    return out;
  };
  // "All" lists the unsubscribed folder too, "Visible" does not; each change refills the list.
  auto allLabels = labels(all);
  EXPECT_NE(std::find(allLabels.begin(), allLabels.end(), "1 Old Stuff"), allLabels.end());
  agent().Ask("tab " + tabs + " 1");
  AgentReply visible = agent().AskUntil("list " + folders, [&](const AgentReply& r) { return labels(r) != allLabels; });
  auto visibleLabels = labels(visible);
  EXPECT_EQ(std::find(visibleLabels.begin(), visibleLabels.end(), "1 Old Stuff"), visibleLabels.end());
  EXPECT_NE(std::find(visibleLabels.begin(), visibleLabels.end(), "1 Projects"), visibleLabels.end());
  agent().Ask("tab " + tabs + " 0");
  EXPECT_EQ(labels(agent().AskUntil("list " + folders, [&](const AgentReply& r) { return labels(r) == allLabels; })),
            allLabels);
  // Typing into the filter narrows the list to the matching folders, shown flat.
  ASSERT_TRUE(agent().Ask("set-text " + dialog + " " + std::to_string(kIdcImapSearch) + " Sal").ok);
  EXPECT_EQ(labels(agent().AskUntil("list " + folders, [&](const AgentReply& r) { return r.lines.size() == 3; })),
            std::vector<std::string>{"0 Sales"});
  agent().Ask("click " + dialog + " 2");
}

TEST_F(HostTest, ScreenshotOfTheMainWindow) {
  char full[MAX_PATH];
  GetFullPathNameA((BinFolder() + "..\\..\\screenshots").c_str(), sizeof full, full, nullptr);
  CreateDirectoryA(full, nullptr);
  ASSERT_TRUE(agent().Ask("tree-select \"Velor (anna)/Inbox/Projects\"").ok);
  std::string file = std::string(full) + "\\outlook-express-main.png";
  AgentReply shot = agent().Ask("screenshot " + main_ + " " + Quote(file));
  EXPECT_TRUE(shot.ok) << shot.error;
  EXPECT_NE(GetFileAttributesA(file.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(HostTest, ZMutexGoesWithTheProcess) {
  agent().Quit();
  HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, MutexName().c_str());
  EXPECT_EQ(mutex, nullptr);
  if (mutex) CloseHandle(mutex);
}

}  // namespace
}  // namespace oestand::testing
