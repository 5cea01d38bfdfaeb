// Allocators for the tests: one that records what it handed out, so a test
// can tell a block came from the allocator it gave, and one that always fails.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <set>

#include "image/block_alloc.h"

struct TTrackedBlocks {
  static std::set<void*>& Live() {
    static std::set<void*> live;
    return live;
  }
  static void* Alloc(uint64_t size) {
    void* p = HeapBlocks.Alloc(size);
    if (p) Live().insert(p);
    return p;
  }
  static void Free(void* p) {
    if (p && Live().erase(p) == 0) std::abort();  // freed by the wrong allocator, or twice
    HeapBlocks.Free(p);
  }
  static constexpr TBlockAllocator Allocator = {Alloc, Free};
};

inline void* NoBlockAlloc(uint64_t) { return nullptr; }
inline void NoBlockFree(void*) {}
constexpr TBlockAllocator NoBlocks = {NoBlockAlloc, NoBlockFree};
