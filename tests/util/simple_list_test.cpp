#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "util/simple_list.h"
#include "util/sutil.h"

namespace {

int32_t CompareInts(const void* a, const void* b) {
  intptr_t x = reinterpret_cast<intptr_t>(a), y = reinterpret_cast<intptr_t>(b);
  return x < y ? -1 : x > y ? 1 : 0;
}

void* Item(intptr_t v) { return reinterpret_cast<void*>(v); }

}  // namespace

TEST(SimpleList, GrowsByFourThenSixteenThenAQuarter) {
  TSimpleList list;
  std::vector<int32_t> capacities;
  for (int i = 0; i < 100; ++i) {
    list.Add(Item(i));
    if (capacities.empty() || capacities.back() != list.Capacity) capacities.push_back(list.Capacity);
  }
  EXPECT_EQ(capacities, (std::vector<int32_t>{4, 8, 12, 28, 44, 60, 76, 95, 118}));
  EXPECT_EQ(list.Count, 100);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(list.Get(i), Item(i));
}

TEST(SimpleList, GetOutsideTheItemsGivesNone) {
  TSimpleList list;
  EXPECT_EQ(list.Get(0), nullptr);
  EXPECT_EQ(list.Add(Item(7)), 0);
  EXPECT_EQ(list.Add(Item(8)), 1);
  EXPECT_EQ(list.Get(-1), nullptr);
  EXPECT_EQ(list.Get(2), nullptr);
  EXPECT_EQ(list.Get(1), Item(8));
}

TEST(SimpleList, CapacityChangesThatWouldLoseItemsAreIgnored) {
  TSimpleList list;
  list.Clear();  // harmless when empty
  for (int i = 0; i < 5; ++i) list.Add(Item(i));
  list.SetCapacity(3);
  EXPECT_EQ(list.Capacity, 8);
  list.SetCapacity(0x20000000);
  EXPECT_EQ(list.Capacity, 8);
  list.SetCapacity(5);
  EXPECT_EQ(list.Capacity, 5);
  EXPECT_EQ(list.Get(4), Item(4));
  list.Clear();
  EXPECT_EQ(list.Count, 0);
  EXPECT_EQ(list.Capacity, 0);
  EXPECT_EQ(list.Items, nullptr);
}

TEST(SimpleList, SortOfEmptyListNeverCallsCompare) {
  TSimpleList list;
  list.Sort([](const void*, const void*) -> int32_t { ADD_FAILURE() << "compare called"; return 0; });
}

TEST(SimpleList, SortOrdersRandomAndHeavilyRepeatedKeys) {
  std::mt19937 random(12345);
  for (int keys : {1, 2, 3, 17, 1000}) {
    for (int count : {1, 2, 3, 10, 257, 5000}) {
      TSimpleList list;
      std::vector<intptr_t> expected;
      for (int i = 0; i < count; ++i) {
        intptr_t v = static_cast<intptr_t>(random() % keys);
        list.Add(Item(v));
        expected.push_back(v);
      }
      list.Sort(CompareInts);
      std::sort(expected.begin(), expected.end());
      for (int i = 0; i < count; ++i)
        ASSERT_EQ(list.Get(i), Item(expected[i])) << "keys " << keys << " count " << count << " at " << i;
    }
  }
}

TEST(SimpleList, SortOfSortedAndReversedInput) {
  for (bool reversed : {false, true}) {
    TSimpleList list;
    for (int i = 0; i < 3000; ++i) list.Add(Item(reversed ? 3000 - i : i));
    list.Sort(CompareInts);
    for (int i = 1; i < 3000; ++i) ASSERT_LT(list.Get(i - 1), list.Get(i));
  }
}

TEST(NumberText, PlainDecimalWithSign) {
  EXPECT_EQ(NumberText(-12), "-12");
  EXPECT_EQ(NumberText(0), "0");
  EXPECT_EQ(NumberText(1234567), "1234567");
  EXPECT_EQ(NumberText(INT32_MIN), "-2147483648");
}
