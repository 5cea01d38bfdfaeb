#pragma once
// Names the system code page cannot spell (a "♥" under code page 1252, a
// Korean or Cyrillic file name under 932) travel through the program as text
// of their own kind: the marker byte kWideNameMark, then the name's UTF-8.
// Every other name is the code page's bytes, exactly as the system's ANSI
// functions give and take them. No path or name the system gives holds the
// marker byte (a control character), so the two kinds never meet by chance.
// Text built from a marked name and ASCII text is marked text; code-page
// text joins it through JoinText (names_win.h).

#include <string>
#include <string_view>

constexpr char kWideNameMark = '\x01';

inline bool IsWideName(std::string_view text) { return !text.empty() && text[0] == kWideNameMark; }

// The part of text from pos on, of text's own kind: a marked text's tail is
// marked (pos counts the marker).
inline std::string TailOf(const std::string& text, size_t pos) {
  if (!IsWideName(text) || pos == 0) return text.substr(pos);
  return kWideNameMark + text.substr(pos);
}

// The UTF-8 of marked text; code-page text as it is.
inline std::string_view MarkedBody(std::string_view text) { return IsWideName(text) ? text.substr(1) : text; }
