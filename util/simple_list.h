#pragma once
// A growable array of untyped pointers with an in-place quicksort. It never
// owns what its items point to: owners free their blocks before the list.

#include <cstdint>

using TListCompare = int32_t (*)(const void* first, const void* second);

class TSimpleList {
public:
  TSimpleList() = default;
  virtual ~TSimpleList();
  TSimpleList(const TSimpleList&) = delete;
  TSimpleList& operator=(const TSimpleList&) = delete;

  int32_t Add(void* item);
  void* Get(int32_t index) const;
  void Clear();
  virtual void Grow();
  void SetCapacity(int32_t n);
  void Sort(TListCompare compare);

  void** Items = nullptr;
  int32_t Count = 0;
  int32_t Capacity = 0;
};

// Hoare-partitioned quicksort of slots[l..r]; recursion on the left part only,
// so the stack depth stays bounded by the left partitions.
void SortRange(void** slots, int32_t l, int32_t r, TListCompare compare);
