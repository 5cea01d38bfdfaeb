// A text cut at its CR LF line breaks, as the dialogs and boxes show it.
#pragma once

#include <string>
#include <vector>

inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t at; (at = text.find("\r\n", start)) != std::string::npos; start = at + 2)
    lines.push_back(text.substr(start, at - start));
  lines.push_back(text.substr(start));
  return lines;
}
