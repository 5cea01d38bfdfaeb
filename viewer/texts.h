#pragma once
// Number and size texts of the information the viewer shows.

#include <cstdint>
#include <string>

// Decimal text with "," between groups of three digits: 16777216 -> "16,777,216".
// 64-bit, so that a colour count of 2^31 has its own text.
std::string GroupDigits(int64_t n);
// Bytes below 1024, else KB, MB or GB to three significant digits, truncated.
std::string SizeText(int32_t n);
