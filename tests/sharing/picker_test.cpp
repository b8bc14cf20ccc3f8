// The address-book picker (dialog 4114) over the address book stand-in that the script seeded
// with wabtool: five contacts whose names sort one way by the user's collation and another by
// bytes, one contact without an address, and a distribution list that must not show. The picker
// is linked into this program with Velcore's own resources, so it runs as Velcore runs it.
#include "SharingTestSupport.h"
#include "WindowDriver.h"

#include "velcore/protocol/Runtime.h"
#include "velcore/sharing/AddressBookPicker_win32.h"

#include <gtest/gtest.h>

#include <windows.h>

using namespace velor::testing;
using Rows = std::vector<std::vector<std::string>>;

namespace {

constexpr int kList = 262;
constexpr char kTitle[] = "Address Book";

const Rows kByName = {{"Anna Novak", "novak@firm.example"},
                      {"bob Marley", "bob@music.example"},
                      {"\xC9mile Dupont", "emile@lit.example"},
                      {"Frank Zappa", ""},
                      {"zoe quinn", "quinn@zz.example"}};
const Rows kByAddress = {{"Frank Zappa", ""},
                         {"bob Marley", "bob@music.example"},
                         {"\xC9mile Dupont", "emile@lit.example"},
                         {"Anna Novak", "novak@firm.example"},
                         {"zoe quinn", "quinn@zz.example"}};

Rows reversed(Rows rows) { return Rows(rows.rbegin(), rows.rend()); }

// What the driving thread saw of the picker.
struct Seen {
    bool shown = false;
    std::vector<Rows> orders;             // the rows after opening and after each header click
    std::vector<std::pair<int, int>> marks;  // the two headers' sort marks at the same moments
    int selectedAtStart = -2;
};

class AddressBookPicker : public ::testing::Test {
protected:
    void SetUp() override { velor::TheRuntime().module = GetModuleHandleA(nullptr); }

    // Runs the picker while the action drives it; true when it ended with a choice.
    template <typename Action>
    bool pick(Action action) {
        Driver driver([&] {
            HWND dialog = WaitForDialog(kTitle, kList);
            if (!dialog) return;
            seen.shown = true;
            action(dialog, GetDlgItem(dialog, kList));
        });
        return velor::PickAddress(nullptr, chosen);
    }

    void record(HWND list) {
        seen.orders.push_back(ListRows(list, 2));
        seen.marks.emplace_back(HeaderSortMark(list, 0), HeaderSortMark(list, 1));
    }

    ScratchRegistry registry;
    Seen seen;
    velor::ChosenAddress chosen{"unchanged", "unchanged@example"};
};

TEST_F(AddressBookPicker, ListsTheMailUsersAndSortsByEitherColumn) {
    bool picked = pick([&](HWND dialog, HWND list) {
        seen.selectedAtStart = ListSelectedRow(list);
        record(list);
        std::string shot = ScreenshotPath("picker-by-name.bmp");
        if (!shot.empty()) SaveScreenshot(dialog, shot);
        ClickHeader(list, 0);  // ascending, so now descending
        record(list);
        ClickHeader(list, 0);  // ascending again
        record(list);
        ClickHeader(list, 1);  // another column: ascending
        record(list);
        ClickHeader(list, 1);
        record(list);
        if (!ScreenshotPath("").empty()) SaveScreenshot(dialog, ScreenshotPath("picker-by-address-descending.bmp"));
        ListSelect(list, 2);  // descending by address: bob, Frank are last; row 2 is Emile
        Press(dialog, IDOK);
    });
    ASSERT_TRUE(seen.shown);
    EXPECT_EQ(seen.selectedAtStart, -1);
    ASSERT_EQ(seen.orders.size(), 5u);
    EXPECT_EQ(seen.orders[0], kByName) << "by name, in the user's collation (\xC9 with E, case aside)";
    EXPECT_EQ(seen.orders[1], reversed(kByName));
    EXPECT_EQ(seen.orders[2], kByName);
    EXPECT_EQ(seen.orders[3], kByAddress);
    EXPECT_EQ(seen.orders[4], reversed(kByAddress));
    const std::vector<std::pair<int, int>> marks = {{1, 0}, {-1, 0}, {1, 0}, {0, 1}, {0, -1}};
    EXPECT_EQ(seen.marks, marks);
    EXPECT_TRUE(picked);
    EXPECT_EQ(chosen.name, "\xC9mile Dupont");
    EXPECT_EQ(chosen.address, "emile@lit.example");
}

TEST_F(AddressBookPicker, DoubleClickOnARowChoosesIt) {
    bool picked = pick([&](HWND, HWND list) { ListClickRow(list, 3, true); });
    ASSERT_TRUE(seen.shown);
    EXPECT_TRUE(picked);
    EXPECT_EQ(chosen.name, "Frank Zappa");
    EXPECT_EQ(chosen.address, "");
}

TEST_F(AddressBookPicker, OkWithoutASelectionAndCancelChooseNothing) {
    EXPECT_FALSE(pick([&](HWND dialog, HWND) { Press(dialog, IDOK); }));
    EXPECT_TRUE(seen.shown);
    seen = Seen();
    EXPECT_FALSE(pick([&](HWND dialog, HWND list) {
        ListSelect(list, 0);
        Press(dialog, IDCANCEL);
    }));
    EXPECT_TRUE(seen.shown);
    EXPECT_EQ(chosen.name, "unchanged");
    EXPECT_EQ(chosen.address, "unchanged@example");
}

TEST_F(AddressBookPicker, WithoutAnAddressBookTheListIsEmpty) {
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\WAB\\DLLPath");
    EXPECT_FALSE(pick([&](HWND dialog, HWND list) {
        record(list);
        Press(dialog, IDCANCEL);
    }));
    ASSERT_EQ(seen.orders.size(), 1u);
    EXPECT_TRUE(seen.orders[0].empty());
}

// Resizing gives the list the room and keeps the buttons in the corner.
TEST_F(AddressBookPicker, GrowsWithItsWindow) {
    RECT before{}, after{}, okBefore{}, okAfter{};
    pick([&](HWND dialog, HWND list) {
        GetWindowRect(list, &before);
        GetWindowRect(GetDlgItem(dialog, IDOK), &okBefore);
        RECT frame;
        GetWindowRect(dialog, &frame);
        SetWindowPos(dialog, nullptr, 0, 0, frame.right - frame.left + 120, frame.bottom - frame.top + 80,
                     SWP_NOMOVE | SWP_NOZORDER);
        GetWindowRect(list, &after);
        GetWindowRect(GetDlgItem(dialog, IDOK), &okAfter);
        Press(dialog, IDCANCEL);
    });
    ASSERT_TRUE(seen.shown);
    EXPECT_EQ((after.right - after.left) - (before.right - before.left), 120);
    EXPECT_EQ((after.bottom - after.top) - (before.bottom - before.top), 80);
    EXPECT_EQ(okAfter.left - okBefore.left, 120);
    EXPECT_EQ(okAfter.top - okBefore.top, 80);
}

}  // namespace
