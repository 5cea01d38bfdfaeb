#include <gtest/gtest.h>

#include <cstdint>

#include "viewer/texts.h"

TEST(GroupDigits, CommasBetweenGroupsOfThree) {
  struct Case {
    int64_t n;
    const char* text;
  } cases[] = {{0, "0"},         {100, "100"},         {999, "999"},         {1000, "1,000"},
               {123456, "123,456"}, {16777216, "16,777,216"}, {INT32_MAX, "2,147,483,647"},
               {int64_t{1} << 31, "2,147,483,648"}, {INT64_MIN, "-9,223,372,036,854,775,808"},
               {-100, "-100"},   {-1000, "-1,000"}};
  for (const auto& c : cases) EXPECT_EQ(GroupDigits(c.n), c.text) << c.n;
}

TEST(SizeText, ThreeSignificantDigitsTruncated) {
  struct Case {
    int32_t n;
    const char* text;
  } cases[] = {
      {0, "0 bytes"},          {1023, "1023 bytes"},    {1024, "1.00 KB"},      {1535, "1.49 KB"},
      {10239, "9.99 KB"},      {10240, "10.0 KB"},      {102399, "99.9 KB"},    {102400, "100 KB"},
      {1048575, "1023 KB"},    {1048576, "1.00 MB"},    {5767168, "5.50 MB"},   {1073741823, "1023 MB"},
      {1073741824, "1.00 GB"}, {2147483647, "1.99 GB"},
  };
  for (const auto& c : cases) EXPECT_EQ(SizeText(c.n), c.text) << c.n;
}
