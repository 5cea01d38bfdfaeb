#include <windows.h>

#include <limits>

#include "image/block_alloc.h"

static void* GlobalAlloc64(uint64_t size) {
  if (size == 0 || size > std::numeric_limits<SIZE_T>::max()) return nullptr;
  // GMEM_FIXED: the handle is the block's address and the block never moves.
  return GlobalAlloc(GMEM_FIXED, static_cast<SIZE_T>(size));
}

static void GlobalFree64(void* block) {
  if (block) GlobalFree(block);
}

const TBlockAllocator GlobalBlocks = {GlobalAlloc64, GlobalFree64};
