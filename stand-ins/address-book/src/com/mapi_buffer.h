// The MAPI memory contract: a block from AllocateBuffer owns every block that AllocateMore links
// to it, and one FreeBuffer of the first releases them all. Whatever the address book hands a
// caller (property arrays, row sets, problem arrays, entry ids) is allocated here, so the caller
// frees it with IWABObject::FreeBuffer as on Windows.
#pragma once

#include <windows.h>

#include <string>

namespace wabstand {

SCODE BufferAllocate(ULONG size, void** buffer);
SCODE BufferAllocateMore(ULONG size, void* parent, void** buffer);
ULONG BufferFree(void* buffer);

// Copies bytes into a block linked to parent (or a new root block when parent is null).
SCODE BufferCopy(const std::string& bytes, void* parent, void** copy);

}  // namespace wabstand
