#include "viewer/texts.h"

std::string GroupDigits(int64_t n) {
  // Group the digits only, so a sign never gets a comma of its own; the
  // magnitude is unsigned, so INT64_MIN has one too.
  const uint64_t magnitude = n < 0 ? 0 - static_cast<uint64_t>(n) : static_cast<uint64_t>(n);
  std::string digits = std::to_string(magnitude);
  std::string out = n < 0 ? "-" : "";
  const size_t length = digits.size();
  for (size_t i = 1; i <= length; ++i) {
    out.push_back(digits[i - 1]);
    if ((length - i) % 3 == 0 && i != length) out.push_back(',');
  }
  return out;
}

std::string SizeText(int32_t n) {
  if (n < 1024) return std::to_string(n) + " bytes";
  int64_t size = n;
  const char* unit;
  int64_t v;
  if (size >= 1073741824) {
    unit = " GB";
    v = size / 1024 / 1024 * 100 / 1024;
  } else if (size >= 1048576) {
    unit = " MB";
    v = size / 1024 * 100 / 1024;
  } else {
    unit = " KB";
    v = size * 100 / 1024;
  }
  std::string d = std::to_string(v);
  std::string text;
  if (v >= 10000)
    text = std::to_string(v / 100);
  else if (v >= 1000)
    text = d.substr(0, 2) + "." + d.substr(2, 1);
  else
    text = d.substr(0, 1) + "." + d.substr(1, 2);
  return text + unit;
}
