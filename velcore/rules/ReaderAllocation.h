// The reader's own way of making records: carved from an arena that lives as long as the read,
// beside the tree's allocation functions. Records made either way are freed alike, one by one,
// by the tree's free functions; an arena block goes back to the heap when the read is over and
// its last record is freed.
#pragma once

#include <cstddef>
#include <string_view>

#include "velcore/rules/SieveTree.h"

namespace velor::rules {

class TreeArena {
public:
    struct Block;

    TreeArena() = default;
    TreeArena(const TreeArena&) = delete;
    TreeArena& operator=(const TreeArena&) = delete;
    // Stops carving; the blocks stay while records in them live.
    ~TreeArena();

    void* Allocate(std::size_t size);

private:
    void Close();

    Block* current_ = nullptr;
};

// As NewCommand (the same gate, freed by FreeCommandList), with the text buffers set to empty
// strings rather than cleared to their ends. A null arena takes a heap block.
SieveCommand* NewCommandForReader(CommandKind kind, TreeArena* arena);
SieveTest* NewTest(TestKind kind, TreeArena* arena);
SieveStringList* NewStringItem(std::string_view text, TreeArena* arena);

// The records' own allocation and release, shared by every way of making them.
void* AllocateRecord(TreeArena* arena, std::size_t size);
void FreeRecord(void* record);

}  // namespace velor::rules
