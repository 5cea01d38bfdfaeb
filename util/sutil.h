#pragma once
// Small helpers shared across the program: number text and the final
// backslash of a folder here; the path and rectangle helpers, which need the
// platform, are in sutil_win.h.

#include <cstdint>
#include <string>
#include <string_view>

// Equal but for the case of ASCII letters. Command names, key names and
// plug-in suffixes are ASCII, so this is all the case-blindness they need, and
// it does not change with the user's locale.
constexpr bool SameIgnoringAsciiCase(std::string_view a, std::string_view b) {
  constexpr auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (lower(a[i]) != lower(b[i])) return false;
  return true;
}

// Decimal text, "-" for negatives, no grouping.
std::string NumberText(int32_t value);

// Whether a byte is the first of a double-byte character in the code page
// the text is in (the system's, for the program's paths).
using LeadByteTest = bool (*)(uint8_t byte);

// Index of the last "\" that is a character of its own; npos when none.
// Characters are walked from the start: in double-byte code pages a second
// byte may equal "\", and a byte before the last may itself be a second byte
// that looks like a lead byte.
size_t LastBackslash(const std::string& path, LeadByteTest isLeadByte);

// The folder ending in a backslash that is a character of its own: a "\"
// that is the second byte of a double-byte character does not count, so one
// more is appended.
std::string WithTrailingBackslash(const std::string& folder, LeadByteTest isLeadByte);
