// Where the records of a tree come from. A script of many rules is thousands of records, each
// a separate heap block in the model; made one by one they cost the reader most of its time.
// The reader therefore takes them from an arena: blocks of about 64 KB cut into records, each
// block counting its live records and going back to the heap when the last of them is freed.
// Freeing stays exactly as the model has it (any record, any subtree, in any order, through
// the Free functions), and a record never moves.
#pragma once

#include <cstddef>
#include <string_view>

#include "velcore/rules/SieveTree.h"

namespace velor::rules {

class TreeArena {
public:
    TreeArena() = default;
    TreeArena(const TreeArena&) = delete;
    TreeArena& operator=(const TreeArena&) = delete;
    // Lets go of the block being cut; the records keep their blocks alive.
    ~TreeArena();

    // Room for one record of `size` bytes, or null when memory runs out.
    void* Allocate(std::size_t size);

    struct Block;  // the arena's blocks, known to the allocation code only

private:
    Block* block_ = nullptr;
    char* next_ = nullptr;
    char* end_ = nullptr;
};

// As NewCommand, NewTest and NewStringItem, from the arena. A command's text buffers are set
// to empty strings without clearing the rest of them: each is 2 KB at most, read only up to
// its terminator, and clearing them was the largest single cost of reading.
SieveCommand* NewCommandIn(TreeArena& arena, CommandKind kind);
SieveTest* NewTestIn(TreeArena& arena, TestKind kind);
SieveStringList* NewStringItemIn(TreeArena& arena, std::string_view text);

// Gives a record back, wherever it came from.
void ReleaseRecord(void* record);

}  // namespace velor::rules
