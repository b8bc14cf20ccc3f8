#include "com/mapi_buffer.h"

#include <mapidefs_shim.h>

#include <cstring>

namespace wabstand {

namespace {

// Each block is preceded by this header; 16 bytes keep the caller's part 8-byte aligned.
struct BlockHeader {
  BlockHeader* next;  // the next block of the same chain
  DWORD signature;
  DWORD reserved[2];
};
static_assert(sizeof(BlockHeader) == 16);

constexpr DWORD kRootSignature = 0x42464F52;  // 'ROFB'
constexpr DWORD kMoreSignature = 0x42464F4D;  // 'MOFB'

BlockHeader* HeaderOf(void* buffer) { return static_cast<BlockHeader*>(buffer) - 1; }

BlockHeader* NewBlock(ULONG size, DWORD signature) {
  if (size > 0x7FFFFFF0) return nullptr;
  auto* header =
      static_cast<BlockHeader*>(HeapAlloc(GetProcessHeap(), 0, sizeof(BlockHeader) + size));
  if (!header) return nullptr;
  header->next = nullptr;
  header->signature = signature;
  return header;
}

}  // namespace

SCODE BufferAllocate(ULONG size, void** buffer) {
  if (!buffer) return MAPI_E_INVALID_PARAMETER;
  *buffer = nullptr;
  BlockHeader* header = NewBlock(size, kRootSignature);
  if (!header) return MAPI_E_NOT_ENOUGH_MEMORY;
  *buffer = header + 1;
  return S_OK;
}

SCODE BufferAllocateMore(ULONG size, void* parent, void** buffer) {
  if (!buffer || !parent) return MAPI_E_INVALID_PARAMETER;
  *buffer = nullptr;
  BlockHeader* root = HeaderOf(parent);
  if (root->signature != kRootSignature) return MAPI_E_INVALID_PARAMETER;
  BlockHeader* header = NewBlock(size, kMoreSignature);
  if (!header) return MAPI_E_NOT_ENOUGH_MEMORY;
  header->next = root->next;
  root->next = header;
  *buffer = header + 1;
  return S_OK;
}

ULONG BufferFree(void* buffer) {
  if (!buffer) return S_OK;
  BlockHeader* header = HeaderOf(buffer);
  // Only a root block may be freed; its chain goes with it.
  if (header->signature != kRootSignature) return static_cast<ULONG>(MAPI_E_INVALID_PARAMETER);
  while (header) {
    BlockHeader* next = header->next;
    header->signature = 0;
    HeapFree(GetProcessHeap(), 0, header);
    header = next;
  }
  return S_OK;
}

SCODE BufferCopy(const std::string& bytes, void* parent, void** copy) {
  ULONG size = static_cast<ULONG>(bytes.size());
  SCODE sc = parent ? BufferAllocateMore(size ? size : 1, parent, copy)
                    : BufferAllocate(size ? size : 1, copy);
  if (FAILED(sc)) return sc;
  if (size) std::memcpy(*copy, bytes.data(), size);
  return S_OK;
}

}  // namespace wabstand
