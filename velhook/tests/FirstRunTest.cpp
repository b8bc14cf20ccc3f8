// The welcome dialog, the hint and the start of the synchronisation tool under Wine, with the
// accounts the stand-in's tool writes: the dialog driven from a second thread by control
// identifier, the tool started through the shell as the recording stand-in.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "WindowDriver.h"
#include "contave/LIB/command_line.h"
#include "tests/host_fixture.h"
#include "velhook/Accounts_win32.h"
#include "velhook/FirstRun_win32.h"
#include "velhook/res/Resource.h"

namespace velor::velhook::testing {
namespace {

using namespace velor::testing;
using oestand::testing::BinFolder;
using oestand::testing::Seed;

constexpr char kIdentity[] = "[identity]\nid = {6A1B2C3D-0000-4000-8000-00000000F1E5}\nname = First Run Test\n";
constexpr char kAccounts[] =
    "[account]\nname = Velor (anna)\ntype = imap\nserver = imap.example\nuser = anna\npassword = a\n"
    "[account]\nname = Home\ntype = pop3\nserver = pop.example\nuser = home\n"
    "[account]\nname = Projects\ntype = imap\nserver = projects.example\nuser = tom\n";
constexpr char kWelcome[] = "Velor Outlook Express Extensions";

void Shot(HWND window, const std::string& name) {
    const char* folder = std::getenv("VELHOOK_SCREENSHOTS");
    if (!folder || !*folder || !window) return;
    std::string path = std::string("Z:") + folder + "/" + name + ".bmp";
    for (char& c : path)
        if (c == '/') c = '\\';
    SaveScreenshot(window, path);
}

DWORD Enabled(const char* account) {
    DWORD enabled = 99;
    return FindAccount(account, &enabled, nullptr) ? enabled : 77;
}

DWORD FirstRunFlag() {
    RegistryKey key = OpenAccountsKey();
    DWORD value = 0, size = sizeof value;
    if (!key || RegQueryValueExA(key.get(), "VelorAccountsExt", nullptr, nullptr, reinterpret_cast<BYTE*>(&value),
                                 &size) != ERROR_SUCCESS)
        return 0;
    return value;
}

std::string RowText(HWND list, int row, int column) {
    char text[128] = {};
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
    return text;
}

class FirstRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        description_ = std::string(kIdentity) + kAccounts;
        ASSERT_TRUE(Seed("install", description_));
    }
    void TearDown() override { Seed("remove", description_); }
    std::string description_;
};

TEST_F(FirstRunTest, WelcomeListsTheImapAccountsCheckedAndOkWritesEachOnce) {
    ASSERT_EQ(FirstRunFlag(), 0u);
    std::string problems;
    {
        Driver driver([&] {
            HWND dialog = WaitForWindow(kWelcome, 15000);
            if (!dialog) {
                problems += "no welcome dialog; ";
                return;
            }
            HWND list = GetDlgItem(dialog, IDC_WELCOME_ACCOUNTS);
            if (SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) != 2) problems += "not two rows; ";
            if (RowText(list, 0, 0) != "Velor (anna)" || RowText(list, 0, 1) != "imap.example" ||
                RowText(list, 0, 2) != "anna" || RowText(list, 1, 0) != "Projects")
                problems += "rows: " + RowText(list, 0, 0) + "/" + RowText(list, 0, 1) + "/" + RowText(list, 1, 0) + "; ";
            for (int row = 0; row < 2; ++row)
                if (!ListView_GetCheckState(list, row)) problems += "a row starts unchecked; ";
            if (ControlText(dialog, IDC_WELCOME_LINK) != "Learn more about Velor Outlook Express Extensions.")
                problems += "link text: " + ControlText(dialog, IDC_WELCOME_LINK) + "; ";
            Shot(dialog, "velhook-welcome");
            ListView_SetCheckState(list, 1, FALSE);
            Sleep(100);
            Press(dialog, IDOK);
        });
        ShowWelcomeIfDue(nullptr);
    }
    EXPECT_EQ(problems, "");
    EXPECT_EQ(Enabled("Velor (anna)"), 1u);
    EXPECT_EQ(Enabled("Projects"), 0u);
    EXPECT_EQ(FirstRunFlag(), 1u);
    // Once shown, never again for this identity.
    bool shown = false;
    {
        Driver driver([&] { shown = WaitForWindow(kWelcome, 1500) != nullptr; });
        ShowWelcomeIfDue(nullptr);
    }
    EXPECT_FALSE(shown);
}

TEST_F(FirstRunTest, CancelledWelcomeWritesNoAccountButDoesNotComeBack) {
    {
        Driver driver([] {
            HWND dialog = WaitForWindow(kWelcome, 15000);
            if (dialog) Press(dialog, IDCANCEL);
        });
        ShowWelcomeIfDue(nullptr);
    }
    DWORD enabled = 5;
    ASSERT_TRUE(FindAccount("Velor (anna)", &enabled, nullptr));
    EXPECT_EQ(enabled, 0u) << "Cancel wrote Velor Ext";
    EXPECT_EQ(FirstRunFlag(), 1u);
}

TEST_F(FirstRunTest, HintClosesWithOk) {
    bool seen = false;
    {
        Driver driver([&] {
            HWND hint = WaitForWindow("Velor MailServer Rules", 15000);
            seen = hint != nullptr;
            Shot(hint, "velhook-hint");
            if (hint) Press(hint, IDOK);
        });
        ShowHint(nullptr);
    }
    EXPECT_TRUE(seen);
}

// HKLM\Software\Velor\Contave for the length of a test, as it was before afterwards.
class ToolKey {
public:
    ToolKey() {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Velor\\Contave", 0, KEY_READ, &key) == ERROR_SUCCESS) {
            char value[300] = {};
            DWORD size = sizeof value - 1;
            had_ = RegQueryValueExA(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size) == ERROR_SUCCESS;
            before_ = value;
            RegCloseKey(key);
        }
    }
    ~ToolKey() {
        if (had_) Set(before_);
        else RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Velor\\Contave");
    }
    void Set(const std::string& value) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Velor\\Contave", 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                                  nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>(value.size() + 1));
        RegCloseKey(key);
    }

private:
    bool had_ = false;
    std::string before_;
};

TEST(SyncToolLaunch, TheToolGetsTheAccountsValuesIntactAndIsMissedWhenItsFileIsGone) {
    ToolKey key;
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Velor\\Contave");
    EXPECT_FALSE(IsSyncToolInstalled());

    // A copy of the recording stand-in, in a folder whose name holds a space.
    char temp[MAX_PATH] = {};
    GetTempPathA(sizeof temp, temp);
    const std::string folder = std::string(temp) + "velhook sync " + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string tool = folder + "Contave.exe", record = folder + "record.txt";
    ASSERT_TRUE(CopyFileA((BinFolder() + "contave-recorder.exe").c_str(), tool.c_str(), FALSE));
    SetEnvironmentVariableA("VELOR_CONTAVE_RECORD", record.c_str());
    key.Set("  " + tool + " \r\n");
    EXPECT_TRUE(IsSyncToolInstalled());

    const char* const password = "pa\"ss word\\";
    StartSyncTool(nullptr, "mail.example", "Anna\r\nSmith", password);
    std::string text;
    for (int i = 0; i < 200 && text.find("end\n") == std::string::npos; ++i) {
        Sleep(50);
        std::ifstream file(record, std::ios::binary);
        std::stringstream content;
        content << file.rdbuf();
        text = content.str();
    }
    const std::size_t at = text.find("cmdline ");
    ASSERT_NE(at, std::string::npos) << "the tool did not start: " << text;
    const std::string line = text.substr(at + 8, text.find('\n', at) - at - 8);
    const contave::CommandLine parsed = contave::ParseCommandLine(contave::SplitCommandLine(line));
    EXPECT_EQ(parsed.host.value_or("?"), "mail.example") << line;
    EXPECT_EQ(parsed.user.value_or("?"), "Anna Smith") << line;
    EXPECT_EQ(parsed.password.value_or("?"), password) << line;

    DeleteFileA(tool.c_str());
    EXPECT_FALSE(IsSyncToolInstalled()) << "the value is there but the file is gone";
    DeleteFileA(record.c_str());
    RemoveDirectoryA(folder.c_str());
    SetEnvironmentVariableA("VELOR_CONTAVE_RECORD", nullptr);
}

}  // namespace
}  // namespace velor::velhook::testing
