#pragma once
// Pixels for the resampling timings: the same noise in every program and
// run, so no zoom meets a pattern that happens to average fast.
#include <cstdint>
#include <cstring>
#include <vector>

inline void FillNoise(std::vector<uint8_t>& bytes) {
  uint64_t x = 88172645463325252ull;
  for (size_t i = 0; i + 8 <= bytes.size(); i += 8) {
    x ^= x << 13, x ^= x >> 7, x ^= x << 17;
    std::memcpy(&bytes[i], &x, 8);
  }
}
