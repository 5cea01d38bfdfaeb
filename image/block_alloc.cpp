#include "image/block_alloc.h"

#include <cstdlib>
#include <limits>

static void* HeapAlloc64(uint64_t size) {
  if (size == 0 || size > std::numeric_limits<size_t>::max()) return nullptr;
  return std::malloc(static_cast<size_t>(size));
}

static void HeapFree64(void* block) { std::free(block); }

const TBlockAllocator HeapBlocks = {HeapAlloc64, HeapFree64};
