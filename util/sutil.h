#pragma once
// Small helpers shared across the program: number text and the final
// backslash of a folder here; the path and rectangle helpers, which need the
// platform, are in sutil_win.h.

#include <cstdint>
#include <string>

// Decimal text, "-" for negatives, no grouping.
std::string NumberText(int32_t value);

// Whether a byte is the first of a double-byte character in the code page
// the text is in (the system's, for the program's paths).
using LeadByteTest = bool (*)(uint8_t byte);

// The folder ending in a backslash that is a character of its own: a "\"
// that is the second byte of a double-byte character does not count, so one
// more is appended. Characters are walked from the start, because a byte
// before the last may itself be a second byte that looks like a lead byte.
std::string WithTrailingBackslash(const std::string& folder, LeadByteTest isLeadByte);
