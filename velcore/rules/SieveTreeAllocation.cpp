// Every record of the tree is made here, so that one gate can refuse allocations and the
// out-of-memory paths of the copy and the reader can be exercised.
#include <cstring>
#include <mutex>
#include <new>

#include "velcore/rules/ReaderAllocation.h"
#include "velcore/rules/SieveTree.h"

// Under the address sanitizer the arena marks what it has not handed out, and what was freed,
// as poisoned, with a gap after each record, so that the fuzzers and tests still catch an
// overrun into a neighbour or a use after free inside a block.
#if defined(__SANITIZE_ADDRESS__)
#define VELOR_ARENA_POISON 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VELOR_ARENA_POISON 1
#endif
#endif
#if defined(VELOR_ARENA_POISON)
#include <sanitizer/asan_interface.h>
#define VELOR_POISON(address, size) ASAN_POISON_MEMORY_REGION(address, size)
#define VELOR_UNPOISON(address, size) ASAN_UNPOISON_MEMORY_REGION(address, size)
#else
#define VELOR_POISON(address, size) ((void)(address), (void)(size))
#define VELOR_UNPOISON(address, size) ((void)(address), (void)(size))
#endif

namespace velor::rules {
namespace {

AllocationGate g_gate = nullptr;

bool AllocationAllowed() {
    return g_gate == nullptr || g_gate();
}

// Every record is preceded by a header that names the arena block it was carved from, or null
// when it has a heap block of its own. Freeing a record therefore works the same for both, in
// any order, whatever the record's neighbours.
struct alignas(8) RecordHeader {
    TreeArena::Block* block;
#if defined(VELOR_ARENA_POISON)
    std::size_t size;  // the record's bytes after the header, poisoned again when freed
#endif
};

#if defined(VELOR_ARENA_POISON)
constexpr std::size_t kGap = 16;
#else
constexpr std::size_t kGap = 0;
#endif

// Records larger than this (long string texts) get heap blocks of their own.
constexpr std::size_t kLargestArenaRecord = 8 * 1024;
constexpr std::size_t kBlockSize = 64 * 1024;

std::size_t Rounded(std::size_t size) {
    return (size + alignof(RecordHeader) - 1) & ~(alignof(RecordHeader) - 1);
}

}  // namespace

// The block's bookkeeping, followed by the records carved from it.
struct alignas(RecordHeader) TreeArena::Block {
    std::size_t live = 0;   // records carved from this block and not freed yet
    bool open = true;       // the arena may still carve from it
    std::size_t used = 0;   // bytes carved so far, after the bookkeeping

    unsigned char* Bytes() { return reinterpret_cast<unsigned char*>(this + 1); }
};

namespace {

constexpr std::size_t kBlockCapacity = kBlockSize - sizeof(TreeArena::Block);

void* HeapRecord(std::size_t size) {
    void* memory = ::operator new(sizeof(RecordHeader) + size, std::nothrow);
    if (memory == nullptr) {
        return nullptr;
    }
    static_cast<RecordHeader*>(memory)->block = nullptr;
    return static_cast<RecordHeader*>(memory) + 1;
}

// Freed blocks are kept for the next read, up to a bound: a script is typically read again
// soon (the rules window reads it on every opening and after each edit of the whole text),
// and memory handed back to the system costs a page fault per page when it is taken again.
// Every command carries 2 KB of text buffers, so a script of 10,000 rules takes about 90 MB;
// the bound keeps such a tree, and only a tree that large is ever kept that large.
constexpr std::size_t kKeptBlocks = 128 * 1024 * 1024 / kBlockSize;

struct KeptBlocks {
    std::mutex lock;
    TreeArena::Block* blocks[kKeptBlocks];
    std::size_t count = 0;
};

KeptBlocks& Kept() {
    static KeptBlocks* kept = new KeptBlocks;  // never destroyed: blocks may be freed at exit
    return *kept;
}

void* TakeBlock() {
    KeptBlocks& kept = Kept();
    {
        std::lock_guard<std::mutex> guard(kept.lock);
        if (kept.count != 0) {
            return kept.blocks[--kept.count];
        }
    }
    void* memory = ::operator new(kBlockSize, std::nothrow);
    if (memory != nullptr) {
        VELOR_POISON(static_cast<unsigned char*>(memory) + sizeof(TreeArena::Block), kBlockCapacity);
    }
    return memory;
}

void FreeBlock(TreeArena::Block* block) {
    block->~Block();
    VELOR_POISON(block->Bytes(), kBlockCapacity);
    KeptBlocks& kept = Kept();
    {
        std::lock_guard<std::mutex> guard(kept.lock);
        if (kept.count < kKeptBlocks) {
            kept.blocks[kept.count++] = block;
            return;
        }
    }
    VELOR_UNPOISON(block->Bytes(), kBlockCapacity);
    ::operator delete(block);
}

}  // namespace

TreeArena::~TreeArena() {
    Close();
}

void TreeArena::Close() {
    if (current_ != nullptr) {
        current_->open = false;
        if (current_->live == 0) {
            FreeBlock(current_);
        }
        current_ = nullptr;
    }
}

void* TreeArena::Allocate(std::size_t size) {
    const std::size_t needed = sizeof(RecordHeader) + Rounded(size) + kGap;
    if (needed > kLargestArenaRecord) {
        return HeapRecord(size);
    }
    if (current_ == nullptr || kBlockCapacity - current_->used < needed) {
        void* memory = TakeBlock();
        if (memory == nullptr) {
            return nullptr;
        }
        Close();
        current_ = new (memory) Block;
    }
    auto* header = reinterpret_cast<RecordHeader*>(current_->Bytes() + current_->used);
    VELOR_UNPOISON(header, sizeof(RecordHeader) + size);
#if defined(VELOR_ARENA_POISON)
    header->size = size;
#endif
    current_->used += needed;
    ++current_->live;
    header->block = current_;
    return header + 1;
}

void* AllocateRecord(TreeArena* arena, std::size_t size) {
    if (!AllocationAllowed()) {
        return nullptr;
    }
    return arena != nullptr ? arena->Allocate(size) : HeapRecord(size);
}

void FreeRecord(void* record) {
    if (record == nullptr) {
        return;
    }
    RecordHeader* header = static_cast<RecordHeader*>(record) - 1;
    TreeArena::Block* block = header->block;
    if (block == nullptr) {
        ::operator delete(header);
    } else {
#if defined(VELOR_ARENA_POISON)
        VELOR_POISON(header, sizeof(RecordHeader) + header->size);
#endif
        if (--block->live == 0 && !block->open) {
            FreeBlock(block);
        }
    }
}

void SetAllocationGate(AllocationGate gate) {
    g_gate = gate;
}

SieveCommand* NewCommand(CommandKind kind) {
    void* memory = AllocateRecord(nullptr, sizeof(SieveCommand));
    if (memory == nullptr) {
        return nullptr;
    }
    SieveCommand* command = new (memory) SieveCommand;
    command->kind = kind;
    return command;
}

SieveCommand* NewCommandForReader(CommandKind kind, TreeArena* arena) {
    // The storage is taken as a command as it is (a plain aggregate) and every field is set;
    // only the unused tails of the text buffers keep whatever the memory held. Clearing the
    // 2 KB of each record was the largest single cost of reading a script of many rules, and
    // every buffer is read only up to its terminator.
    auto* command = static_cast<SieveCommand*>(AllocateRecord(arena, sizeof(SieveCommand)));
    if (command == nullptr) {
        return nullptr;
    }
    command->kind = kind;
    command->enabled = 1;
    command->name[0] = '\0';
    command->days[0] = '\0';
    command->argument[0] = '\0';
    command->test = nullptr;
    command->thenBlock = nullptr;
    command->elseBlock = nullptr;
    command->parent = nullptr;
    command->next = nullptr;
    command->editable = 1;
    return command;
}

SieveTest* NewTest(TestKind kind, TreeArena* arena) {
    void* memory = AllocateRecord(arena, sizeof(SieveTest));
    if (memory == nullptr) {
        return nullptr;
    }
    SieveTest* test = new (memory) SieveTest;
    test->kind = kind;
    return test;
}

SieveTest* NewTest(TestKind kind) {
    return NewTest(kind, nullptr);
}

// The item and its text are one record: the text follows the item.
SieveStringList* NewStringItem(std::string_view text, TreeArena* arena) {
    void* memory = AllocateRecord(arena, sizeof(SieveStringList) + text.size() + 1);
    if (memory == nullptr) {
        return nullptr;
    }
    SieveStringList* item = new (memory) SieveStringList;
    char* copy = reinterpret_cast<char*>(item + 1);
    if (!text.empty()) {
        std::memcpy(copy, text.data(), text.size());
    }
    copy[text.size()] = '\0';
    item->text = copy;
    return item;
}

SieveStringList* NewStringItem(std::string_view text) {
    return NewStringItem(text, nullptr);
}

void SetText(char* buffer, std::size_t size, std::string_view text) {
    if (size == 0) {
        return;
    }
    std::size_t length = text.size() < size - 1 ? text.size() : size - 1;
    if (length != 0) {
        std::memmove(buffer, text.data(), length);
    }
    buffer[length] = '\0';
}

}  // namespace velor::rules
