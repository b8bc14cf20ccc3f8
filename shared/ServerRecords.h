// The records that Velcore fills and Velhook reads: access-control entries and their list, the
// per-folder request of VlGetACL, and the folder mappings that VlGetAliases reports. Both DLLs
// compile this one definition, so layout, allocator and calling convention are fixed here.
//
// Three things the two sides must agree on, settled here:
// - Storage. An AclList's entries come from the process heap (shared/ProcessHeap.h), as the
//   blocks of SharedString do: each DLL links its own C runtime, and the list that Velcore grows
//   is freed by Velhook. Grow, remove and clear a list only through the functions below; either
//   module may call them, on a list either module filled.
// - The mapping callback is __stdcall, like every export of Velcore.
// - The callback's texts are pointers to the text objects of the mapping record (SharedString,
//   whose object is its character pointer, so each is a char* const*), the same form VlAddAlias
//   and VlRemoveAlias take. They are valid during the call only; a callee that keeps a text
//   copies the SharedString, which shares the process-heap block instead of copying it.
#pragma once

#include "shared/SharedString.h"

#include <cstddef>
#include <cstdint>

#if defined(_WIN32)
#define VELOR_CALLBACK __stdcall
#else
#define VELOR_CALLBACK
#endif

namespace velor {

constexpr std::size_t kAclIdentifierSize = 128;  // 127 characters and the terminating zero
constexpr std::size_t kAclRightsSize = 16;       // 15 letters and the terminating zero
constexpr std::size_t kFolderPathSize = 260;

enum AclEntryKind : std::uint32_t {
    kAclOwner = 0,
    kAclUser = 1,
    kAclGroup = 2,
};

// An identifier that begins with this character is marked for deletion (the Sharing page sets it).
constexpr char kAclDeletionMark = '-';

struct AclEntry {
    char identifier[kAclIdentifierSize];  // user, or group without its brackets
    char rights[kAclRightsSize];          // letters as the server gave them, lower-cased
    std::uint32_t kind;                   // AclEntryKind
    std::uint16_t mask;                   // bits of the known letters in rights
};

struct AclList {
    AclEntry* entries;
    std::uint32_t count;
    std::uint32_t capacity;
};

// Appends a copy of the entry, doubling the capacity when the list is full (to 1 from 0).
// False, with the list unchanged, when no memory is left.
bool AclListAppend(AclList& list, const AclEntry& entry) noexcept;
// Removes entry i, moving the following entries down; an index past the end does nothing.
void AclListRemove(AclList& list, std::uint32_t i) noexcept;
// Releases the storage; count and capacity become 0.
void AclListClear(AclList& list) noexcept;

// One element of VlGetACL's work list: the caller owns the element and its list.
struct FolderAclRequest {
    char folder[kFolderPathSize];  // display form, zero-terminated
    std::int32_t result;           // set by VlGetACL: the status of this folder's GETACL
    AclList* acl;                  // receives the folder's entries
};

struct FolderAclRequests {
    FolderAclRequest* items;
    std::uint32_t count;
};

enum FolderMappingKind : std::uint32_t {
    kMappingPublicRoot = 0,  // the folder's wire name is exactly "#public"
    kMappingOwnFolder = 1,   // a folder of the user's own tree
    kMappingNamespace = 2,   // any other folder of a "#" namespace
};

struct FolderMapping {
    std::uint32_t kind;  // FolderMappingKind
    SharedString folder;  // display form (the user's own folders keep their wire first level)
    SharedString alias;
};

// Called by VlGetAliases once per mapping, after the connection is closed; its result is ignored.
using FolderMappingCallback = std::int32_t(VELOR_CALLBACK*)(std::uint32_t kind, const SharedString* folder,
                                                             const SharedString* alias, void* context);

static_assert(sizeof(AclEntry) == 152, "AclEntry: 128 + 16 + 4 + 2 bytes, padded to 4");
static_assert(offsetof(AclEntry, identifier) == 0 && offsetof(AclEntry, rights) == 128 &&
                  offsetof(AclEntry, kind) == 144 && offsetof(AclEntry, mask) == 148,
              "AclEntry field offsets");
static_assert(offsetof(AclList, entries) == 0 && offsetof(AclList, count) == sizeof(void*) &&
                  offsetof(AclList, capacity) == sizeof(void*) + 4 && sizeof(AclList) == sizeof(void*) + 8,
              "AclList: {entries, count, capacity}");
static_assert(offsetof(FolderAclRequest, folder) == 0 && offsetof(FolderAclRequest, result) == 260 &&
                  offsetof(FolderAclRequest, acl) == 264,
              "FolderAclRequest field offsets");
static_assert(offsetof(FolderAclRequests, items) == 0 && offsetof(FolderAclRequests, count) == sizeof(void*),
              "FolderAclRequests: {items, count}");
static_assert(offsetof(FolderMapping, kind) == 0 && offsetof(FolderMapping, folder) == sizeof(void*) &&
                  offsetof(FolderMapping, alias) == 2 * sizeof(void*),
              "FolderMapping: {kind, folder, alias}");
#if defined(_WIN32) && !defined(_WIN64)
// The 32-bit layout Velhook and Velcore exchange.
static_assert(sizeof(AclList) == 12 && sizeof(FolderAclRequest) == 268 && sizeof(FolderAclRequests) == 8 &&
                  sizeof(FolderMapping) == 12,
              "32-bit record sizes");
#endif

}  // namespace velor
