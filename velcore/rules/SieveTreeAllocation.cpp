// Every record of the tree is made here, so that one gate can refuse allocations and the
// out-of-memory paths of the copy and the reader can be exercised.
//
// Each record has a header in front of it naming the arena block it was cut from, or none
// when it was allocated on its own; freeing reads it to know where the record goes back.
#include <atomic>
#include <cstring>
#include <new>

#include "velcore/rules/SieveTree.h"
#include "velcore/rules/SieveTreeArena.h"

#if defined(__SANITIZE_ADDRESS__)
#define VELOR_ARENA_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VELOR_ARENA_ASAN 1
#endif
#endif
#if defined(VELOR_ARENA_ASAN)
#include <sanitizer/asan_interface.h>
// A freed record stays in its block until the block goes; the sanitizer is told, so that a
// use after free is still caught.
#define VELOR_POISON(address, size) ASAN_POISON_MEMORY_REGION(address, size)
#define VELOR_UNPOISON(address, size) ASAN_UNPOISON_MEMORY_REGION(address, size)
#else
#define VELOR_POISON(address, size) ((void)(address), (void)(size))
#define VELOR_UNPOISON(address, size) ((void)(address), (void)(size))
#endif

namespace velor::rules {

struct TreeArena::Block {
    // The records cut from the block and not yet freed, and one more while an arena cuts it.
    // Atomic: a tree may be freed on another thread than the one that read it.
    std::atomic<std::size_t> live{1};
};

namespace {

AllocationGate g_gate = nullptr;

bool AllocationAllowed() {
    return g_gate == nullptr || g_gate();
}

constexpr std::size_t kAlignment = alignof(std::max_align_t);
constexpr std::size_t RoundUp(std::size_t size) {
    return (size + kAlignment - 1) / kAlignment * kAlignment;
}

// Below the size from which the C library maps memory of its own, so that the blocks of one
// reading are reused by the next instead of being mapped and faulted in anew.
constexpr std::size_t kBlockSize = 64 * 1024 - 64;

struct RecordHeader {
    TreeArena::Block* block;  // null: allocated on its own
    std::size_t size;         // of the record, for the sanitizer
};
constexpr std::size_t kHeaderSize = RoundUp(sizeof(RecordHeader));
constexpr std::size_t kBlockHeaderSize = RoundUp(sizeof(std::atomic<std::size_t>));

RecordHeader* HeaderOf(void* record) {
    return reinterpret_cast<RecordHeader*>(static_cast<char*>(record) - kHeaderSize);
}

void DropBlock(TreeArena::Block* block) {
    if (block->live.fetch_sub(1, std::memory_order_acq_rel) == 1) {
        VELOR_UNPOISON(block, kBlockSize);
        block->~Block();
        ::operator delete(block);
    }
}

void* AllocateAlone(std::size_t size) {
    void* memory = ::operator new(kHeaderSize + size, std::nothrow);
    if (memory == nullptr) {
        return nullptr;
    }
    auto* header = static_cast<RecordHeader*>(memory);
    header->block = nullptr;
    header->size = size;
    return static_cast<char*>(memory) + kHeaderSize;
}

void InitCommand(SieveCommand* command, CommandKind kind) {
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
}

char* CopyText(std::string_view text) {
    char* copy = new (std::nothrow) char[text.size() + 1];
    if (copy == nullptr) {
        return nullptr;
    }
    if (!text.empty()) {
        std::memcpy(copy, text.data(), text.size());
    }
    copy[text.size()] = '\0';
    return copy;
}

}  // namespace

TreeArena::~TreeArena() {
    if (block_ != nullptr) {
        VELOR_POISON(next_, static_cast<std::size_t>(end_ - next_));
        DropBlock(block_);
    }
}

void* TreeArena::Allocate(std::size_t size) {
    const std::size_t needed = kHeaderSize + RoundUp(size);
    if (needed > kBlockSize - kBlockHeaderSize) {
        return AllocateAlone(size);
    }
    if (block_ == nullptr || static_cast<std::size_t>(end_ - next_) < needed) {
        void* memory = ::operator new(kBlockSize, std::nothrow);
        if (memory == nullptr) {
            return nullptr;
        }
        if (block_ != nullptr) {
            VELOR_POISON(next_, static_cast<std::size_t>(end_ - next_));
            DropBlock(block_);
        }
        block_ = new (memory) Block;
        next_ = static_cast<char*>(memory) + kBlockHeaderSize;
        end_ = static_cast<char*>(memory) + kBlockSize;
        VELOR_POISON(next_, static_cast<std::size_t>(end_ - next_));
    }
    VELOR_UNPOISON(next_, needed);
    auto* header = reinterpret_cast<RecordHeader*>(next_);
    header->block = block_;
    header->size = size;
    block_->live.fetch_add(1, std::memory_order_relaxed);
    void* record = next_ + kHeaderSize;
    next_ += needed;
    return record;
}

void ReleaseRecord(void* record) {
    if (record == nullptr) {
        return;
    }
    RecordHeader* header = HeaderOf(record);
    TreeArena::Block* block = header->block;
    if (block == nullptr) {
        ::operator delete(header);
        return;
    }
    VELOR_POISON(header, kHeaderSize + header->size);
    DropBlock(block);
}

void SetAllocationGate(AllocationGate gate) {
    g_gate = gate;
}

SieveCommand* NewCommand(CommandKind kind) {
    if (!AllocationAllowed()) {
        return nullptr;
    }
    void* memory = AllocateAlone(sizeof(SieveCommand));
    if (memory == nullptr) {
        return nullptr;
    }
    // Made by the windows one at a time: cleared as a whole, as it always was.
    SieveCommand* command = new (memory) SieveCommand;
    command->kind = kind;
    return command;
}

SieveCommand* NewCommandIn(TreeArena& arena, CommandKind kind) {
    if (!AllocationAllowed()) {
        return nullptr;
    }
    void* memory = arena.Allocate(sizeof(SieveCommand));
    if (memory == nullptr) {
        return nullptr;
    }
    // The record's storage is taken as a command as it is (a plain aggregate) and every field
    // is set; only the unused tails of the text buffers keep whatever the memory held.
    auto* command = static_cast<SieveCommand*>(memory);
    InitCommand(command, kind);
    return command;
}

SieveTest* NewTest(TestKind kind) {
    if (!AllocationAllowed()) {
        return nullptr;
    }
    void* memory = AllocateAlone(sizeof(SieveTest));
    if (memory == nullptr) {
        return nullptr;
    }
    SieveTest* test = new (memory) SieveTest;
    test->kind = kind;
    return test;
}

SieveTest* NewTestIn(TreeArena& arena, TestKind kind) {
    if (!AllocationAllowed()) {
        return nullptr;
    }
    void* memory = arena.Allocate(sizeof(SieveTest));
    if (memory == nullptr) {
        return nullptr;
    }
    SieveTest* test = new (memory) SieveTest;
    test->kind = kind;
    return test;
}

namespace {

SieveStringList* NewStringItemFrom(TreeArena* arena, std::string_view text) {
    if (!AllocationAllowed()) {
        return nullptr;
    }
    // The text is a heap string of its own, as the model has it: whoever holds the item may
    // replace it.
    char* copy = CopyText(text);
    if (copy == nullptr) {
        return nullptr;
    }
    if (!AllocationAllowed()) {
        delete[] copy;
        return nullptr;
    }
    void* memory = arena != nullptr ? arena->Allocate(sizeof(SieveStringList))
                                    : AllocateAlone(sizeof(SieveStringList));
    if (memory == nullptr) {
        delete[] copy;
        return nullptr;
    }
    SieveStringList* item = new (memory) SieveStringList;
    item->text = copy;
    return item;
}

}  // namespace

SieveStringList* NewStringItem(std::string_view text) {
    return NewStringItemFrom(nullptr, text);
}

SieveStringList* NewStringItemIn(TreeArena& arena, std::string_view text) {
    return NewStringItemFrom(&arena, text);
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
