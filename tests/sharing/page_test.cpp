// The "Sharing and Security" page as Velhook will host it: VlCreatePageSecurity's page in a
// property sheet of the test's own (PropertySheetA), driven by control identifier from a second
// thread, against the mail-server stand-in (tests/sharing/sharing-seed.json). What Apply and OK
// sent is checked in the stand-in's wire log here, and what they left in its state file by
// tests/sharing/expected-state.py after the run.
#include "SharingTestSupport.h"
#include "WindowDriver.h"
#include "WireLog.h"

#include "shared/AccountSettings.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <functional>

using namespace velor::testing;
using velor::AccountSettings;
using Lines = std::vector<std::string>;

namespace {

constexpr int kNames = 219, kAdd = 220, kRemove = 221, kShowOwner = 201, kPermissionsFor = 246, kRights = 222;
constexpr int kAddKind = 256, kAddName = 231, kAddressBook = 129;
constexpr int kApplyButton = 0x3021;
constexpr char kSheetTitle[] = "Sharing test";
constexpr char kCaption[] = "Velor Outlook Express Extensions";
constexpr char kRemoveQuestion[] = "Are you sure you want to remove the selected item(s) ?";

using CreatePage = HRESULT(WINAPI*)(const char*, AccountSettings*, HPROPSHEETPAGE*);

CreatePage createPage() {
    static HMODULE velcore = LoadLibraryA("Velcore.dll");
    return velcore ? reinterpret_cast<CreatePage>(reinterpret_cast<void*>(GetProcAddress(velcore, "VlCreatePageSecurity")))
                   : nullptr;
}

AccountSettings accountOn(const char* portVariable) {
    AccountSettings account;
    account.host = "127.0.0.1";
    std::string port = Env(portVariable);
    account.port = port.empty() ? 0 : static_cast<std::uint32_t>(std::stoul(port));
    account.user = "anna";
    account.password = "demo";
    account.timeoutSeconds = 20;
    return account;
}

std::string rightsBoxes(HWND list) {
    std::string boxes;
    const char letters[] = "lrwicda";
    for (int row = 0; row < 7; ++row) {
        UINT state = static_cast<UINT>(SendMessageA(list, LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK));
        boxes += (state & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2) ? letters[row] : '-';
    }
    return boxes;
}

void setBox(HWND list, int row, bool checked) {
    LVITEMA item{};
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
    SendMessageA(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

Lines names(HWND page) {
    Lines out;
    for (const auto& row : ListRows(GetDlgItem(page, kNames), 1)) out.push_back(row[0]);
    return out;
}

int picture(HWND list, int row) {
    LVITEMA item{};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    return item.iImage;
}

bool enabled(HWND page, int id) { return IsWindowEnabled(GetDlgItem(page, id)) != FALSE; }
bool visible(HWND page, int id) { return IsWindowVisible(GetDlgItem(page, id)) != FALSE; }

// Opens the Add User/Group dialog from the page, lets the action fill it, and returns once it
// is gone.
template <typename Action>
bool inAddDialog(HWND page, Action action) {
    Press(page, kAdd);
    HWND dialog = WaitForDialog("Add User/Group", kAddName);
    if (!dialog) return false;
    action(dialog);
    for (int waited = 0; IsWindow(dialog) && waited < 10000; waited += 50) Sleep(50);
    return !IsWindow(dialog);
}

void addName(HWND page, const char* name, int kind = 0) {
    inAddDialog(page, [&](HWND dialog) {
        SendDlgItemMessageA(dialog, kAddKind, CB_SETCURSEL, kind, 0);
        SetDlgItemTextA(dialog, kAddName, name);
        Press(dialog, IDOK);
    });
}

void pressSheet(HWND sheet, int button) { PostMessageA(sheet, PSM_PRESSBUTTON, button, 0); }

// Waits until the window's enabled state is as wanted (the sheet handles posted clicks in its
// own time).
bool waitEnabled(HWND window, bool wanted) {
    for (int waited = 0; waited < 10000; waited += 50) {
        if ((IsWindowEnabled(window) != FALSE) == wanted) return true;
        Sleep(50);
    }
    return false;
}

class SharingPage : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(createPage(), nullptr); }

    // The folder's page alone in a sheet; the action gets the sheet and the page once the sheet
    // shows. The sheet's result, or -2 when the page could not be made.
    INT_PTR runSheet(const char* folder, AccountSettings& account, std::function<void(HWND, HWND)> action) {
        HPROPSHEETPAGE page = nullptr;
        if (createPage()(folder, &account, &page) != S_OK || !page) return -2;
        Driver driver([&] {
            HWND sheet = WaitForWindow(kSheetTitle, 20000);
            if (!sheet) return;
            shown = true;
            Sleep(200);  // drawn before it is read and pictured
            action(sheet, reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0)));
        });
        PROPSHEETHEADERA header{};
        header.dwSize = sizeof header;
        header.dwFlags = PSH_NOCONTEXTHELP;
        header.pszCaption = kSheetTitle;
        header.nPages = 1;
        header.phpage = &page;
        return PropertySheetA(&header);
    }

    ScratchRegistry registry;  // the address book the picker reads
    WireLog log{Env("VELOR_SHARING_LOG")};
    AccountSettings account = accountOn("VELOR_SHARING_PORT");
    bool shown = false;
};

TEST_F(SharingPage, EditsAreAppliedWithApplyAndOkSendsNothingMore) {
    struct {
        Lines names, namesAfterAdd, namesAfterRemove;
        std::string ownerBoxes, bobBoxes, bobBoxesAfter, permissionsFor, question, addKind, selectedAfterRemove;
        bool removeOnOwner = true, rightsOnOwner = true, removeOnBob = false, rightsOnBob = false;
        bool applyBefore = true, applyAfterEdit = false, applyAfterApply = true, captionShown = false, ownerBox = false;
        std::size_t connectionsBeforeOk = 0;
        int nameLimit = 0;
    } seen;
    INT_PTR result = runSheet("Inbox/Team", account, [&](HWND sheet, HWND page) {
        HWND rights = GetDlgItem(page, kRights), list = GetDlgItem(page, kNames);
        HWND apply = GetDlgItem(sheet, kApplyButton);
        seen.names = names(page);
        seen.ownerBoxes = rightsBoxes(rights);
        seen.removeOnOwner = enabled(page, kRemove);
        seen.rightsOnOwner = enabled(page, kRights);
        seen.permissionsFor = ControlText(page, kPermissionsFor);
        seen.captionShown = visible(page, kPermissionsFor);
        seen.ownerBox = visible(page, kShowOwner) && IsDlgButtonChecked(page, kShowOwner) == BST_CHECKED;
        seen.applyBefore = IsWindowEnabled(apply) != FALSE;
        if (!ScreenshotPath("").empty()) SaveScreenshot(sheet, ScreenshotPath("sharing-page-owner.bmp"));
        ListSelect(list, 1);
        seen.bobBoxes = rightsBoxes(rights);
        seen.removeOnBob = enabled(page, kRemove);
        seen.rightsOnBob = enabled(page, kRights);
        setBox(rights, 0, false);  // bob loses Lookup
        seen.bobBoxesAfter = rightsBoxes(rights);
        seen.applyAfterEdit = IsWindowEnabled(apply) != FALSE;
        inAddDialog(page, [&](HWND dialog) {
            seen.addKind = ControlText(dialog, kAddKind);
            seen.nameLimit = static_cast<int>(SendDlgItemMessageA(dialog, kAddName, EM_GETLIMITTEXT, 0, 0));
            if (!ScreenshotPath("").empty()) SaveScreenshot(dialog, ScreenshotPath("sharing-add.bmp"));
            SetDlgItemTextA(dialog, kAddName, "eve");
            Press(dialog, IDOK);
        });
        seen.namesAfterAdd = names(page);
        ListSelect(list, 2);  // [staff]
        Press(page, kRemove);
        seen.question = AnswerMessageBox(kCaption, IDYES);
        Sleep(200);
        seen.namesAfterRemove = names(page);
        int selected = ListSelectedRow(list);
        seen.selectedAfterRemove = selected < 0 ? "<none>" : ListCell(list, selected, 0);
        if (!ScreenshotPath("").empty()) SaveScreenshot(sheet, ScreenshotPath("sharing-page-edited.bmp"));
        pressSheet(sheet, PSBTN_APPLYNOW);
        seen.applyAfterApply = !waitEnabled(apply, false);
        seen.connectionsBeforeOk = log.Connections().size();
        pressSheet(sheet, PSBTN_OK);
    });
    ASSERT_TRUE(shown);
    EXPECT_GT(result, 0) << "OK";
    EXPECT_EQ(seen.names, (Lines{"anna", "bob", "staff"}));
    EXPECT_EQ(seen.ownerBoxes, "lrwicda");
    EXPECT_FALSE(seen.removeOnOwner);
    EXPECT_FALSE(seen.rightsOnOwner);
    EXPECT_EQ(seen.permissionsFor, "Permissions for anna");
    EXPECT_TRUE(seen.captionShown);
    EXPECT_TRUE(seen.ownerBox);
    EXPECT_FALSE(seen.applyBefore);
    EXPECT_EQ(seen.bobBoxes, "lr-----");
    EXPECT_TRUE(seen.removeOnBob);
    EXPECT_TRUE(seen.rightsOnBob);
    EXPECT_EQ(seen.bobBoxesAfter, "-r-----");
    EXPECT_TRUE(seen.applyAfterEdit);
    EXPECT_EQ(seen.addKind, "user");
    EXPECT_EQ(seen.nameLimit, 127) << "an identifier holds 127 characters";
    EXPECT_EQ(seen.namesAfterAdd, (Lines{"anna", "bob", "staff", "eve"}));
    EXPECT_EQ(seen.question, kRemoveQuestion);
    EXPECT_EQ(seen.namesAfterRemove, (Lines{"anna", "bob", "eve"}));
    EXPECT_EQ(seen.selectedAfterRemove, "eve");
    EXPECT_FALSE(seen.applyAfterApply);
    // Read once when the page opened, written once by Apply; OK found nothing left to send.
    EXPECT_EQ(seen.connectionsBeforeOk, 2u);
    EXPECT_EQ(log.Connections().size(), 2u);
    EXPECT_EQ(log.Commands(), (Lines{"GETACL \"INBOX/Team\"", "DELETEACL \"INBOX/Team\" \"[staff]\"",
                                     "SETACL \"INBOX/Team\" \"anna\" \"lrswipcda\"", "SETACL \"INBOX/Team\" \"bob\" \"r\"",
                                     "SETACL \"INBOX/Team\" \"eve\" \"lr\""}));
}

TEST_F(SharingPage, AFailedWriteIsToldAndTheSheetClosesAllTheSame) {
    std::string message;
    INT_PTR result = runSheet("Inbox/Refusing", account, [&](HWND sheet, HWND page) {
        addName(page, "nobody");  // no such user on the server: SETACL is refused
        pressSheet(sheet, PSBTN_OK);
        HWND box = WaitForWindow(kCaption);
        if (box && !ScreenshotPath("").empty()) SaveScreenshot(box, ScreenshotPath("sharing-failed.bmp"));
        message = AnswerMessageBox(kCaption, IDOK);
    });
    ASSERT_TRUE(shown);
    EXPECT_EQ(message, "Failed to set rights.");
    EXPECT_GT(result, 0) << "the sheet closed with OK";
    Lines commands = log.Commands();
    ASSERT_FALSE(commands.empty());
    EXPECT_EQ(commands.back(), "SETACL \"INBOX/Refusing\" \"nobody\" \"lr\"");
}

TEST_F(SharingPage, ANameThatIsListedIsSelectedAndAsAGroupItIsANewEntry) {
    struct {
        Lines afterUser, afterGroup;
        std::string selectedAfterUser;
        int groupPicture = -1;
    } seen;
    INT_PTR result = runSheet("Inbox/Quiet", account, [&](HWND sheet, HWND page) {
        HWND list = GetDlgItem(page, kNames);
        addName(page, "bob");
        seen.afterUser = names(page);
        int selected = ListSelectedRow(list);
        seen.selectedAfterUser = selected < 0 ? "<none>" : ListCell(list, selected, 0);
        addName(page, "bob", 1);
        seen.afterGroup = names(page);
        seen.groupPicture = picture(list, 3);
        pressSheet(sheet, PSBTN_CANCEL);
    });
    ASSERT_TRUE(shown);
    EXPECT_EQ(result, 0) << "cancelled";
    EXPECT_EQ(seen.afterUser, (Lines{"anna", "bob", "staff"}));
    EXPECT_EQ(seen.selectedAfterUser, "bob");
    EXPECT_EQ(seen.afterGroup, (Lines{"anna", "bob", "staff", "bob"}));
    EXPECT_EQ(seen.groupPicture, 2);
    EXPECT_EQ(log.Commands(), (Lines{"GETACL \"INBOX/Quiet\""})) << "Cancel writes nothing";
}

TEST_F(SharingPage, TheAddressBookFillsTheNameWithTheChosenAddress) {
    struct {
        std::string afterChoice, afterNoChoice;
        bool pickerShown = false;
    } seen;
    runSheet("Inbox/Quiet", account, [&](HWND sheet, HWND page) {
        inAddDialog(page, [&](HWND dialog) {
            SetDlgItemTextA(dialog, kAddName, "typed");
            Press(dialog, kAddressBook);
            HWND picker = WaitForDialog("Address Book", 262);
            if (picker) {
                seen.pickerShown = true;
                Press(picker, IDOK);  // nothing selected: the name stays
                for (int waited = 0; IsWindow(picker) && waited < 5000; waited += 50) Sleep(50);
            }
            seen.afterNoChoice = ControlText(dialog, kAddName);
            Press(dialog, kAddressBook);
            picker = WaitForDialog("Address Book", 262);
            if (picker) {
                HWND list = GetDlgItem(picker, 262);
                for (int row = 0; row < static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)); ++row)
                    if (ListCell(list, row, 0) == "Anna Novak") ListSelect(list, row);
                Press(picker, IDOK);
                for (int waited = 0; IsWindow(picker) && waited < 5000; waited += 50) Sleep(50);
            }
            seen.afterChoice = ControlText(dialog, kAddName);
            Press(dialog, IDCANCEL);
        });
        pressSheet(sheet, PSBTN_CANCEL);
    });
    ASSERT_TRUE(shown);
    EXPECT_TRUE(seen.pickerShown);
    EXPECT_EQ(seen.afterNoChoice, "typed");
    EXPECT_EQ(seen.afterChoice, "novak@firm.example");
}

TEST_F(SharingPage, TheOwnerRowCanBeHiddenAndLaterPagesOpenTheSameWay) {
    Lines hidden, nextPage, shownAgain;
    runSheet("Inbox/Quiet", account, [&](HWND sheet, HWND page) {
        Press(page, kShowOwner);
        Sleep(300);
        hidden = names(page);
        pressSheet(sheet, PSBTN_CANCEL);
    });
    ASSERT_TRUE(shown);
    bool checked = true;
    runSheet("Inbox/Quiet", account, [&](HWND sheet, HWND page) {
        nextPage = names(page);
        checked = IsDlgButtonChecked(page, kShowOwner) == BST_CHECKED;
        Press(page, kShowOwner);
        Sleep(300);
        shownAgain = names(page);
        pressSheet(sheet, PSBTN_CANCEL);
    });
    EXPECT_EQ(hidden, (Lines{"bob", "staff"}));
    EXPECT_EQ(nextPage, (Lines{"bob", "staff"}));
    EXPECT_FALSE(checked);
    EXPECT_EQ(shownAgain, (Lines{"anna", "bob", "staff"}));
}

TEST_F(SharingPage, AFolderTheUserDoesNotAdministerShowsAPageThatCannotEdit) {
    struct {
        bool names = true, add = true, rights = true, ownerBox = true;
    } seen;
    INT_PTR result = runSheet("Public Folders/Notices", account, [&](HWND sheet, HWND page) {
        seen.names = enabled(page, kNames);
        seen.add = enabled(page, kAdd);
        seen.rights = enabled(page, kRights);
        seen.ownerBox = visible(page, kShowOwner);
        pressSheet(sheet, PSBTN_OK);
    });
    ASSERT_TRUE(shown);
    EXPECT_GE(result, 0);
    EXPECT_FALSE(seen.names);
    EXPECT_FALSE(seen.add);
    EXPECT_FALSE(seen.rights);
    EXPECT_FALSE(seen.ownerBox);
    EXPECT_EQ(log.Commands(), (Lines{"GETACL \"#public/Notices\""}));
}

TEST_F(SharingPage, AServerWithoutAclSaysSoAndThePageStaysDisabled) {
    AccountSettings noAcl = accountOn("VELOR_NOACL_PORT");
    std::string message;
    bool namesEnabled = true, addEnabled = true;
    HPROPSHEETPAGE page = nullptr;
    ASSERT_EQ(createPage()("Inbox/Team", &noAcl, &page), S_OK);
    Driver driver([&] {
        message = AnswerMessageBox(kCaption, IDOK, 20000);
        HWND sheet = WaitForWindow(kSheetTitle, 20000);
        if (!sheet) return;
        HWND pageWindow = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
        namesEnabled = enabled(pageWindow, kNames);
        addEnabled = enabled(pageWindow, kAdd);
        Sleep(200);
        if (!ScreenshotPath("").empty()) SaveScreenshot(sheet, ScreenshotPath("sharing-page-no-acl.bmp"));
        pressSheet(sheet, PSBTN_CANCEL);
    });
    PROPSHEETHEADERA header{};
    header.dwSize = sizeof header;
    header.pszCaption = kSheetTitle;
    header.nPages = 1;
    header.phpage = &page;
    PropertySheetA(&header);
    EXPECT_EQ(message, "The server does not support required capability (ACL).");
    EXPECT_FALSE(namesEnabled);
    EXPECT_FALSE(addEnabled);
}

// Run by tests/with-dovecot-sharing, which then reads the folder's ACL with an IMAP client of its
// own: the page grants bert Lookup, Read and Write on anna's folder Team.
class SharingPageOnDovecot : public SharingPage {};

TEST_F(SharingPageOnDovecot, GrantsWhatTheUserTicked) {
    if (Env("VELOR_DOVECOT_PORT").empty()) GTEST_SKIP() << "run by tests/with-dovecot-sharing";
    AccountSettings dovecot = accountOn("VELOR_DOVECOT_PORT");
    dovecot.password = "secret";
    struct {
        Lines before, after;
        bool addEnabled = false;
        std::string message = kNoMessageBox;
    } seen;
    INT_PTR result = runSheet("Team", dovecot, [&](HWND sheet, HWND page) {
        seen.before = names(page);
        seen.addEnabled = enabled(page, kAdd);
        addName(page, "bert");
        setBox(GetDlgItem(page, kRights), 2, true);  // Write
        seen.after = names(page);
        if (!ScreenshotPath("").empty()) SaveScreenshot(sheet, ScreenshotPath("dovecot-page.bmp"));
        pressSheet(sheet, PSBTN_OK);
        seen.message = AnswerMessageBox(kCaption, IDOK, 3000);
    });
    ASSERT_TRUE(shown);
    EXPECT_GT(result, 0);
    EXPECT_EQ(seen.before, (Lines{"anna"}));
    EXPECT_TRUE(seen.addEnabled);
    EXPECT_EQ(seen.after, (Lines{"anna", "bert"}));
    EXPECT_EQ(seen.message, kNoMessageBox) << "the write succeeded";
}

TEST(SharingPageExport, RefusesMissingArgumentsAndFreesAPageNoSheetTook) {
    CreatePage create = createPage();
    ASSERT_NE(create, nullptr);
    AccountSettings account;
    HPROPSHEETPAGE page = nullptr;
    EXPECT_EQ(create(nullptr, &account, &page), E_INVALIDARG);
    EXPECT_EQ(create("Inbox", nullptr, &page), E_INVALIDARG);
    EXPECT_EQ(create("Inbox", &account, nullptr), E_INVALIDARG);
    EXPECT_EQ(page, nullptr);
    // A page the caller made and then dropped: the release callback frees its state.
    ASSERT_EQ(create("Inbox", &account, &page), S_OK);
    ASSERT_NE(page, nullptr);
    EXPECT_TRUE(DestroyPropertySheetPage(page));
}

}  // namespace
