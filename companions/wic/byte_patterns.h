#pragma once
// The signatures decoders register for the first bytes of their files, and
// matching a file's first bytes against them.

#include <cstddef>
#include <cstdint>
#include <vector>

struct BytePattern {
  uint64_t Position = 0;
  std::vector<uint8_t> Pattern;
  std::vector<uint8_t> Mask;  // as long as Pattern
};

// Whether the header matches one of the patterns: each masked byte equal at
// the pattern's position, all of it inside the header.
bool MatchesAnyPattern(const std::vector<BytePattern>& patterns, const uint8_t* header, size_t size);
