// The ACL list is grown by Velcore and freed by Velhook: these tests pin the growth rule, the
// removal, and that its storage is the process heap's, which the other module can free.
#include "shared/ProcessHeap.h"
#include "shared/ServerRecords.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#endif

using namespace velor;

namespace {

AclEntry entry(const char* id) {
    AclEntry e{};
    std::strncpy(e.identifier, id, sizeof e.identifier - 1);
    std::strcpy(e.rights, "lr");
    e.kind = kAclUser;
    e.mask = 0x180;
    return e;
}

std::vector<std::string> ids(const AclList& list) {
    std::vector<std::string> out;
    for (std::uint32_t i = 0; i < list.count; ++i) out.emplace_back(list.entries[i].identifier);
    return out;
}

}  // namespace

TEST(AclList, GrowsToOneThenDoublesAndKeepsEveryEntry) {
    AclList list{};
    std::vector<std::uint32_t> capacities;
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(AclListAppend(list, entry(std::to_string(i).c_str())));
        capacities.push_back(list.capacity);
    }
    EXPECT_EQ(capacities, (std::vector<std::uint32_t>{1, 2, 4, 4, 8}));
    EXPECT_EQ(ids(list), (std::vector<std::string>{"0", "1", "2", "3", "4"}));
    EXPECT_STREQ(list.entries[4].rights, "lr");
    AclListClear(list);
    EXPECT_EQ(list.entries, nullptr);
    EXPECT_EQ(list.count, 0u);
    EXPECT_EQ(list.capacity, 0u);
    AclListClear(list);  // clearing an empty list is harmless
}

TEST(AclList, RemovingMovesTheFollowingEntriesDown) {
    AclList list{};
    for (const char* id : {"a", "b", "c", "d"}) ASSERT_TRUE(AclListAppend(list, entry(id)));
    AclListRemove(list, 1);
    EXPECT_EQ(ids(list), (std::vector<std::string>{"a", "c", "d"}));
    AclListRemove(list, 2);
    EXPECT_EQ(ids(list), (std::vector<std::string>{"a", "c"}));
    AclListRemove(list, 7);  // past the end: nothing happens
    EXPECT_EQ(ids(list), (std::vector<std::string>{"a", "c"}));
    EXPECT_EQ(list.capacity, 4u);
    AclListClear(list);
}

TEST(AclList, StorageIsTheProcessHeapsSoEitherModuleFreesIt) {
    AclList list{};
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(AclListAppend(list, entry("x")));
#if defined(_WIN32)
    // Velhook frees with HeapFree on the process heap; the block must be one of that heap's.
    SIZE_T size = HeapSize(GetProcessHeap(), 0, list.entries);
    ASSERT_NE(size, static_cast<SIZE_T>(-1));
    EXPECT_GE(size, list.capacity * sizeof(AclEntry));
    EXPECT_TRUE(HeapValidate(GetProcessHeap(), 0, list.entries));
#endif
    // Freed directly, as the other module does; under the sanitizers a wrong allocator shows.
    ProcessHeapFree(list.entries);
}

namespace {
std::uint32_t g_seenKind = 99;
std::string g_seenFolder, g_seenAlias;
std::int32_t VELOR_CALLBACK remember(std::uint32_t kind, const SharedString* folder, const SharedString* alias,
                                     void* context) {
    g_seenKind = kind;
    g_seenFolder = folder->c_str();
    // The callee reads a text object as the char* it is, the way Velhook's C code does.
    g_seenAlias = *reinterpret_cast<char* const*>(alias);
    *static_cast<int*>(context) += 1;
    return 0;
}
}  // namespace

TEST(FolderMappingCallback, ReceivesTheTextObjectsOfTheRecord) {
    FolderMapping mapping{kMappingOwnFolder, SharedString("INBOX/Sales"), SharedString("sales")};
    FolderMappingCallback callback = &remember;
    int calls = 0;
    callback(mapping.kind, &mapping.folder, &mapping.alias, &calls);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(g_seenKind, 1u);
    EXPECT_EQ(g_seenFolder, "INBOX/Sales");
    EXPECT_EQ(g_seenAlias, "sales");
}
