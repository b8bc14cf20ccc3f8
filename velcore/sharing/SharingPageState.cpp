#include "velcore/sharing/SharingPageState.h"

#include "velcore/protocol/AclCommands.h"

#include <algorithm>
#include <cstring>

namespace velor {
namespace {

std::string_view textOf(const char* field, std::size_t size) {
    const void* zero = std::memchr(field, '\0', size);
    return std::string_view(field, zero ? static_cast<const char*>(zero) - field : size);
}

std::string_view identifierOf(const AclEntry& entry) { return textOf(entry.identifier, sizeof entry.identifier); }
std::string_view rightsOf(const AclEntry& entry) { return textOf(entry.rights, sizeof entry.rights); }

void setRights(AclEntry& entry, std::string_view rights) {
    std::memset(entry.rights, 0, sizeof entry.rights);
    std::memcpy(entry.rights, rights.data(), std::min(rights.size(), sizeof entry.rights - 1));
    entry.mask = AclMask(entry.rights);
}

std::string_view trimmed(std::string_view text) {
    const char* space = " \t\r\n";
    std::size_t first = text.find_first_not_of(space);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(space) - first + 1);
}

// A user's name matches the owner too: adding oneself as a user would otherwise set the owner's
// rights to "lr" at Apply.
bool sameKind(AclEntryKind listed, AclEntryKind added) {
    if (added == kAclUser) return listed == kAclUser || listed == kAclOwner;
    return listed == added;
}

}  // namespace

void SharingPageState::Load(const AclList& acl, bool showOwner) {
    entries_.clear();
    rows_.clear();
    ownerPresent_ = false;
    showOwner_ = showOwner;
    modified_ = false;
    for (std::uint32_t i = 0; i < acl.count; ++i) {
        SharingEntry entry;
        entry.acl = acl.entries[i];
        entry.onServer = true;
        entries_.push_back(entry);
        bool owner = entry.acl.kind == kAclOwner;
        ownerPresent_ = ownerPresent_ || owner;
        if (!owner || showOwner_) rows_.push_back(entries_.size() - 1);
    }
    Select(0);
}

std::string SharingPageState::RowText(std::size_t row) const {
    return std::string(identifierOf(entries_[rows_[row]].acl));
}

void SharingPageState::Select(int row) {
    selected_ = row >= 0 && static_cast<std::size_t>(row) < rows_.size() ? row : -1;
}

const SharingEntry* SharingPageState::selectedEntry() const {
    return selected_ < 0 ? nullptr : &entries_[rows_[static_cast<std::size_t>(selected_)]];
}

SharingEntry* SharingPageState::selectedEntry() {
    return selected_ < 0 ? nullptr : &entries_[rows_[static_cast<std::size_t>(selected_)]];
}

bool SharingPageState::editableSelection() const {
    const SharingEntry* entry = selectedEntry();
    return ownerPresent_ && entry && entry->acl.kind != kAclOwner;
}

bool SharingPageState::Permitted(std::size_t permissionRow) const {
    const SharingEntry* entry = selectedEntry();
    if (!entry || permissionRow >= kPermissionRows) return false;
    if (entry->acl.kind == kAclOwner) return true;
    return rightsOf(entry->acl).find(kPermissionLetters[permissionRow]) != std::string_view::npos;
}

SharingPageState::AddResult SharingPageState::Add(std::string_view typed, AclEntryKind kind) {
    std::string_view name = trimmed(typed).substr(0, kAclIdentifierSize - 1);
    if (name.empty()) return AddResult::kRefused;
    std::size_t taken = entries_.size();
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        const SharingEntry& entry = entries_[i];
        if (!sameKind(static_cast<AclEntryKind>(entry.acl.kind), kind) || identifierOf(entry.acl) != name) continue;
        if (!entry.removed) {
            auto row = std::find(rows_.begin(), rows_.end(), i);
            if (row != rows_.end()) Select(static_cast<int>(row - rows_.begin()));
            return AddResult::kAlreadyListed;
        }
        if (taken == entries_.size()) taken = i;
    }
    if (taken == entries_.size()) {
        SharingEntry fresh;
        fresh.acl.kind = kind;
        std::memcpy(fresh.acl.identifier, name.data(), name.size());
        entries_.push_back(fresh);
    }
    SharingEntry& entry = entries_[taken];
    entry.removed = false;
    setRights(entry.acl, kNewEntryRights);
    rows_.push_back(taken);
    Select(static_cast<int>(rows_.size() - 1));
    modified_ = true;
    return AddResult::kAdded;
}

bool SharingPageState::RemoveSelected() {
    if (!editableSelection()) return false;
    selectedEntry()->removed = true;
    std::size_t row = static_cast<std::size_t>(selected_);
    rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(row));
    if (rows_.empty()) selected_ = -1;
    else Select(static_cast<int>(std::min(row, rows_.size() - 1)));
    modified_ = true;
    return true;
}

void SharingPageState::ToggleShowOwner() {
    if (showOwner_) {
        std::erase_if(rows_, [&](std::size_t i) { return entries_[i].acl.kind == kAclOwner; });
    } else {
        auto owner = std::find_if(entries_.begin(), entries_.end(),
                                  [](const SharingEntry& e) { return e.acl.kind == kAclOwner; });
        if (owner != entries_.end()) rows_.insert(rows_.begin(), static_cast<std::size_t>(owner - entries_.begin()));
    }
    showOwner_ = !showOwner_;
    Select(0);
}

bool SharingPageState::SetPermission(std::size_t permissionRow, bool granted) {
    if (!editableSelection() || permissionRow >= kPermissionRows) return false;
    SharingEntry& entry = *selectedEntry();
    const char letter = kPermissionLetters[permissionRow];
    std::string rights(rightsOf(entry.acl));
    bool has = rights.find(letter) != std::string::npos;
    if (has == granted) return false;
    if (granted) {
        if (rights.size() >= kAclRightsSize - 1) return false;
        rights += letter;
    } else {
        std::erase(rights, letter);
    }
    setRights(entry.acl, rights);
    modified_ = true;
    return true;
}

AclChanges SharingPageState::PendingChanges() const {
    AclChanges changes;
    for (const SharingEntry& entry : entries_) {
        if (entry.removed && entry.onServer) changes.removals.push_back(entry.acl);
    }
    for (const SharingEntry& entry : entries_) {
        if (!entry.removed) changes.grants.push_back(entry.acl);
    }
    return changes;
}

void SharingPageState::Applied(bool written) {
    modified_ = false;
    if (!written) return;
    for (SharingEntry& entry : entries_) entry.onServer = !entry.removed;
}

}  // namespace velor
