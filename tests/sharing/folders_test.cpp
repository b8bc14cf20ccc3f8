// VlImapFolders over the mail-server stand-in's demo seed: every subscribed folder in the
// server's order (INBOX, #public and #backup trees, \Noselect containers, non-ASCII names) with
// its picture, indentation, "shared" mark and permissions, all ACLs read over one connection; a
// double-click or the hint opens the Sharing page of the row's own folder.
#include "SharingTestSupport.h"
#include "WindowDriver.h"
#include "WireLog.h"

#include "shared/AccountSettings.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <algorithm>

using namespace velor::testing;
using velor::AccountSettings;
using Lines = std::vector<std::string>;

namespace {

constexpr int kList = 270, kHint = 271, kNames = 219;
constexpr char kTitle[] = "IMAP Folders";
constexpr char kCaption[] = "Velor Outlook Express Extensions";

using ImapFolders = HRESULT(WINAPI*)(AccountSettings*);

ImapFolders imapFolders() {
    static HMODULE velcore = LoadLibraryA("Velcore.dll");
    return velcore ? reinterpret_cast<ImapFolders>(reinterpret_cast<void*>(GetProcAddress(velcore, "VlImapFolders")))
                   : nullptr;
}

AccountSettings accountOn(const char* portVariable) {
    AccountSettings account;
    account.host = "127.0.0.1";
    account.port = static_cast<std::uint32_t>(std::stoul(Env(portVariable)));
    account.user = "anna";
    account.password = "demo";
    account.timeoutSeconds = 20;
    return account;
}

// "indent picture overlay label | permissions" for each row.
Lines describeRows(HWND list) {
    Lines rows;
    int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) {
        LVITEMA item{};
        item.mask = LVIF_IMAGE | LVIF_INDENT | LVIF_STATE;
        item.stateMask = LVIS_OVERLAYMASK;
        item.iItem = row;
        SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
        rows.push_back(std::to_string(item.iIndent) + " " + std::to_string(item.iImage) + " " +
                       std::to_string((item.state & LVIS_OVERLAYMASK) >> 8) + " " + ListCell(list, row, 0) + " | " +
                       ListCell(list, row, 1));
    }
    return rows;
}

int rowOf(HWND list, const std::string& label, int after = -1) {
    int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = after + 1; row < count; ++row)
        if (ListCell(list, row, 0) == label) return row;
    return -1;
}

// Waits for the sheet the window opens for a folder, reads the page's names and cancels it.
Lines pageNames(const std::string& folder) {
    HWND sheet = WaitForWindow(folder, 15000);
    if (!sheet) return {"<no sheet>"};
    Sleep(200);
    HWND page = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    Lines names;
    for (const auto& row : ListRows(GetDlgItem(page, kNames), 1)) names.push_back(row[0]);
    PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    for (int waited = 0; IsWindow(sheet) && waited < 5000; waited += 50) Sleep(50);
    return names;
}

// A click on the hint, as the mouse gives it to the link control.
void clickHint(HWND window) {
    HWND hint = GetDlgItem(window, kHint);
    PostMessageA(hint, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    PostMessageA(hint, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
}

// Waits for the folder's sheet, removes the page's second name and closes the sheet with OK.
bool removeSecondNameAndClose(const std::string& folder) {
    HWND sheet = WaitForWindow(folder, 15000);
    if (!sheet) return false;
    Sleep(200);
    HWND page = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    ListSelect(GetDlgItem(page, kNames), 1);
    Press(page, 221);
    bool asked = AnswerMessageBox(kCaption, IDYES) != kNoMessageBox;
    Sleep(200);
    PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    for (int waited = 0; IsWindow(sheet) && waited < 5000; waited += 50) Sleep(50);
    return asked && !IsWindow(sheet);
}

const Lines kDemoRows = {
#include "demo-folder-rows.inc"
};

TEST(ImapFoldersWindow, ShowsTheDemoFoldersAndOpensTheirPages) {
    ASSERT_NE(imapFolders(), nullptr);
    WireLog log(Env("VELOR_DEMO_LOG"));
    AccountSettings account = accountOn("VELOR_DEMO_PORT");
    struct {
        bool shown = false;
        Lines rows, salesPage, websitePage;
        std::string hint;
        bool sheetForContainer = false, sheetWithoutSelection = false, invoicesChanged = false;
        std::string invoicesRow;
        std::size_t connectionsOpening = 0;
    } seen;
    HRESULT result;
    {
        Driver driver([&] {
            HWND window = WaitForDialog(kTitle, kList, 20000);
            if (!window) return;
            seen.shown = true;
            Sleep(300);
            HWND list = GetDlgItem(window, kList);
            seen.rows = describeRows(list);
            seen.hint = ControlText(window, kHint);
            seen.connectionsOpening = log.Connections().size();
            if (!ScreenshotPath("").empty()) SaveScreenshot(window, ScreenshotPath("folders-demo.bmp"));
            // The hint without a selection, and a container, open nothing.
            clickHint(window);
            seen.sheetWithoutSelection = WaitForWindow("Inbox/Projects", 1000) != nullptr;
            int projects = rowOf(list, "Projects");
            ListClickRow(list, projects, true);
            seen.sheetForContainer = WaitForWindow("Inbox/Projects", 1000) != nullptr;
            // A folder below the container opens its own page, by double-click and by the hint.
            ListClickRow(list, rowOf(list, "Sales", projects), true);
            seen.salesPage = pageNames("Inbox/Projects/Sales");
            ListSelect(list, rowOf(list, "Website", projects));
            clickHint(window);
            seen.websitePage = pageNames("Inbox/Projects/Website");
            // What the page changes, the row shows when the sheet closes with OK.
            ListClickRow(list, rowOf(list, "Invoices"), true);
            seen.invoicesChanged = removeSecondNameAndClose("Inbox/Finance/Invoices");
            Sleep(300);
            std::string invoices = describeRows(list)[static_cast<std::size_t>(rowOf(list, "Invoices"))];
            seen.invoicesRow = invoices;
            Press(window, IDOK);
        });
        result = imapFolders()(&account);
    }
    ASSERT_TRUE(seen.shown);
    EXPECT_EQ(result, S_OK);
    EXPECT_EQ(seen.hint, "Double click folder to edit Sharing and Security...");
    EXPECT_EQ(seen.rows, kDemoRows);
    EXPECT_FALSE(seen.sheetWithoutSelection);
    EXPECT_FALSE(seen.sheetForContainer);
    EXPECT_EQ(seen.salesPage, (Lines{"anna", "sales"}));
    EXPECT_EQ(seen.websitePage, (Lines{"anna", "petr"}));
    EXPECT_TRUE(seen.invoicesChanged);
    EXPECT_EQ(seen.invoicesRow, "2 0 0 Invoices | ") << "lucie removed: no longer shared";
    // One connection for the list and one for every folder's ACL; then one for each page, and
    // for the changed page its write and the row's new ACL.
    auto connections = log.Connections();
    EXPECT_EQ(seen.connectionsOpening, 2u);
    ASSERT_EQ(connections.size(), 7u);
    EXPECT_EQ(std::count(connections[0].begin(), connections[0].end(), "LSUB \"\" \"*\""), 1);
    Lines reads;
    for (const std::string& command : connections[1])
        if (command.rfind("GETACL ", 0) == 0) reads.push_back(command);
    EXPECT_EQ(std::count(reads.begin(), reads.end(), "GETACL \"INBOX\""), 1);
    EXPECT_EQ(std::count(reads.begin(), reads.end(), "GETACL \"INBOX/Clients/M&APw-ller GmbH\""), 1);
    // Containers are not read.
    EXPECT_EQ(std::count(reads.begin(), reads.end(), "GETACL \"#public\""), 0);
    EXPECT_EQ(std::count(reads.begin(), reads.end(), "GETACL \"INBOX/Projects\""), 0);
    EXPECT_EQ(std::count(connections[2].begin(), connections[2].end(), "GETACL \"INBOX/Projects/Sales\""), 1);
    EXPECT_EQ(std::count(connections[3].begin(), connections[3].end(), "GETACL \"INBOX/Projects/Website\""), 1);
    EXPECT_EQ(std::count(connections[5].begin(), connections[5].end(), "DELETEACL \"INBOX/Finance/Invoices\" \"lucie\""), 1);
    EXPECT_EQ(std::count(connections[6].begin(), connections[6].end(), "GETACL \"INBOX/Finance/Invoices\""), 1);
}

TEST(ImapFoldersWindow, AServerWithoutAclAsksOnceAndListsTheFolders) {
    ASSERT_NE(imapFolders(), nullptr);
    AccountSettings account = accountOn("VELOR_NOACL_PORT");
    std::string first, second;
    Lines rows;
    {
        Driver driver([&] {
            first = AnswerMessageBox(kCaption, IDOK, 20000);
            HWND window = WaitForDialog(kTitle, kList, 20000);
            second = AnswerMessageBox(kCaption, IDOK, 1000);
            if (!window) return;
            rows = describeRows(GetDlgItem(window, kList));
            Press(window, IDOK);
        });
        EXPECT_EQ(imapFolders()(&account), S_OK);
    }
    EXPECT_EQ(first, "The server does not support required capability (ACL).");
    EXPECT_EQ(second, kNoMessageBox);
    EXPECT_EQ(rows, (Lines{"0 1 0 Inbox | ", "1 0 0 Team | ", "1 0 0 Refusing | ", "1 0 0 Quiet | ",
                           "0 0 0 Public Folders | ", "1 0 0 Notices | "}));
}

TEST(ImapFoldersWindow, AWindowWithoutAnAccountIsRefused) {
    ASSERT_NE(imapFolders(), nullptr);
    EXPECT_EQ(imapFolders()(nullptr), E_INVALIDARG);
}

}  // namespace
