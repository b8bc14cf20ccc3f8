// What the "Sharing and Security" page edits, without its window: the working copy of the
// folder's ACL, the rows of the names list, the selection, and what Apply is to send. The page's
// dialog procedure turns each click into one call here and shows the result.
//
// Entries the user removes stay in the copy with a flag until Apply: the identifier itself is
// never marked, because RFC 4314 servers report negative rights as identifiers that begin with
// "-", and a 127-character identifier has no room for a mark.
#pragma once

#include "shared/ServerRecords.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace velor {

// The letters of the permission rows, in row order: Lookup, Read, Write, Insert, Create, Delete,
// Admin.
inline constexpr char kPermissionLetters[] = {'l', 'r', 'w', 'i', 'c', 'd', 'a'};
inline constexpr std::size_t kPermissionRows = sizeof kPermissionLetters;

// The rights a new name gets.
inline constexpr char kNewEntryRights[] = "lr";

struct SharingEntry {
    AclEntry acl{};
    bool removed = false;   // removed by the user: DELETEACL at Apply when it is on the server
    bool onServer = false;  // the server has it: read from the server or written by an Apply
};

// What Apply sends: DELETEACL for each removal, then SETACL for each grant.
struct AclChanges {
    std::vector<AclEntry> removals;
    std::vector<AclEntry> grants;
};

class SharingPageState {
public:
    enum class AddResult {
        kAdded,          // a new row, selected
        kAlreadyListed,  // the name was there: its row is selected (when shown), nothing else
        kRefused,        // an empty name
    };

    // Takes the ACL the server gave; the owner's row is listed only when showOwner is set. The
    // first row is selected.
    void Load(const AclList& acl, bool showOwner);

    bool OwnerPresent() const { return ownerPresent_; }
    bool ShowOwner() const { return showOwner_; }
    bool Modified() const { return modified_; }

    // The names list: one row per shown entry, each naming its entry's position.
    std::size_t RowCount() const { return rows_.size(); }
    std::size_t RowEntry(std::size_t row) const { return rows_[row]; }
    const SharingEntry& Entry(std::size_t index) const { return entries_[index]; }
    std::string RowText(std::size_t row) const;
    int RowPicture(std::size_t row) const { return static_cast<int>(entries_[rows_[row]].acl.kind); }

    int SelectedRow() const { return selected_; }
    // Selecting a row that is not there clears the selection.
    void Select(int row);

    // The controls that follow the state.
    bool AddEnabled() const { return ownerPresent_; }
    bool RemoveEnabled() const { return editableSelection(); }
    bool PermissionsEnabled() const { return editableSelection(); }
    // The permission row's box: every box for the owner, the entry's letters for another, none
    // without a selection.
    bool Permitted(std::size_t permissionRow) const;

    // The name typed in the Add dialog (trimmed, at most 127 characters) as a user or a group.
    // A name the list holds with that kind (a user's name also as the owner) is only selected; a
    // removed entry of that name and kind is taken back; otherwise a new entry is appended. Both
    // get the rights "lr" and a row of their own.
    AddResult Add(std::string_view name, AclEntryKind kind);

    // Removes the selected row unless it is the owner's or the user is not the owner; the row at the same position, or the
    // new last row, is selected. False when nothing was removed.
    bool RemoveSelected();

    // Hides the owner's row, or shows it again at the top; the first row is selected.
    void ToggleShowOwner();

    // A permission box of the selected entry changed; false (nothing changed) for the owner,
    // without a selection or an owner, or when the rights already agree.
    bool SetPermission(std::size_t permissionRow, bool granted);

    // What Apply is to send: the removals of entries the server has, then every other entry
    // (the owner included) with its rights.
    AclChanges PendingChanges() const;
    // After Apply, whatever its outcome, nothing is pending; after a successful one the server
    // has what the copy holds.
    void Applied(bool written);

private:
    bool editableSelection() const;
    SharingEntry* selectedEntry();
    const SharingEntry* selectedEntry() const;

    std::vector<SharingEntry> entries_;
    std::vector<std::size_t> rows_;
    int selected_ = -1;
    bool ownerPresent_ = false;
    bool showOwner_ = true;
    bool modified_ = false;
};

}  // namespace velor
