#pragma once
// Small helpers shared across the program: number text here; the path and
// rectangle helpers, which need the platform, are in sutil_win.h.

#include <cstdint>
#include <string>

// Decimal text, "-" for negatives, no grouping.
std::string NumberText(int32_t value);
