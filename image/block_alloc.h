// Who makes and frees a pixel block. The pure code is handed one of these so
// that a block is always released by the allocator that made it: on Windows
// the program's own blocks are fixed global memory (GlobalBlocks, in
// block_alloc_win.cpp), natively they come from the C heap.
#pragma once

#include <cstdint>

struct TBlockAllocator {
  // Returns null when the block cannot be had; sizes are 64-bit so that a
  // size computed from a file header never wraps on the way in.
  void* (*Alloc)(uint64_t size);
  void (*Free)(void* block);
};

// malloc/free, refusing sizes a size_t cannot hold.
extern const TBlockAllocator HeapBlocks;

#ifdef _WIN32
// GlobalAlloc(GMEM_FIXED)/GlobalFree: the kind FreeImg releases for blocks
// without a plug-in handle.
extern const TBlockAllocator GlobalBlocks;
#endif
