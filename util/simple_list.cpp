#include "util/simple_list.h"

#include <cstdlib>

TSimpleList::~TSimpleList() { Clear(); }

int32_t TSimpleList::Add(void* item) {
  if (Count == Capacity) Grow();
  // A failed growth leaves no free slot; refusing the item beats writing past the array.
  if (Count == Capacity) return -1;
  Items[Count] = item;
  return Count++;
}

void* TSimpleList::Get(int32_t index) const {
  if (index < 0 || index >= Count) return nullptr;
  return Items[index];
}

void TSimpleList::Clear() {
  Count = 0;
  SetCapacity(0);
}

void TSimpleList::Grow() {
  int32_t delta;
  if (Capacity > 64)
    delta = Capacity / 4;
  else if (Capacity > 8)
    delta = 16;
  else
    delta = 4;
  SetCapacity(Capacity + delta);
}

void TSimpleList::SetCapacity(int32_t n) {
  if (n < Count || n > 0x1FFFFFFF || n == Capacity) return;
  if (n == 0) {
    std::free(Items);
    Items = nullptr;
  } else {
    void* grown = std::realloc(Items, static_cast<size_t>(n) * sizeof(void*));
    if (!grown) return;  // out of memory: keep the old slots and capacity
    Items = static_cast<void**>(grown);
  }
  Capacity = n;
}

void TSimpleList::Sort(TListCompare compare) {
  if (Items && Count > 0) SortRange(Items, 0, Count - 1, compare);
}

void SortRange(void** slots, int32_t l, int32_t r, TListCompare compare) {
  int32_t i, j;
  do {
    i = l;
    j = r;
    void* pivot = slots[static_cast<uint32_t>(l + r) >> 1];
    do {
      while (compare(slots[i], pivot) < 0) ++i;
      while (compare(slots[j], pivot) > 0) --j;
      if (i <= j) {
        void* t = slots[i];
        slots[i] = slots[j];
        slots[j] = t;
        ++i;
        --j;
      }
    } while (i <= j);
    if (l < j) SortRange(slots, l, j, compare);
    l = i;
  } while (i < r);
}
