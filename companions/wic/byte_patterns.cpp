#include "companions/wic/byte_patterns.h"

bool MatchesAnyPattern(const std::vector<BytePattern>& patterns, const uint8_t* header, size_t size) {
  for (const BytePattern& p : patterns) {
    if (p.Pattern.empty() || p.Mask.size() != p.Pattern.size()) continue;
    if (p.Position > size || p.Pattern.size() > size - p.Position) continue;
    bool same = true;
    for (size_t i = 0; i < p.Pattern.size() && same; ++i) {
      same = ((header[p.Position + i] ^ p.Pattern[i]) & p.Mask[i]) == 0;
    }
    if (same) return true;
  }
  return false;
}
