#include "util/sutil.h"

#include "util/names.h"

std::string NumberText(int32_t value) { return std::to_string(value); }

size_t LastBackslash(const std::string& path, LeadByteTest isLeadByte) {
  // In UTF-8 no byte of a longer character is a "\": marked names have no
  // lead bytes to step over.
  const bool codePage = !IsWideName(path);
  size_t last = std::string::npos;
  for (size_t i = 0; i < path.size(); ++i) {
    if (codePage && isLeadByte(static_cast<uint8_t>(path[i])) && i + 1 < path.size())
      ++i;
    else if (path[i] == '\\')
      last = i;
  }
  return last;
}

std::string WithTrailingBackslash(const std::string& folder, LeadByteTest isLeadByte) {
  const bool endsInBackslash = !folder.empty() && LastBackslash(folder, isLeadByte) == folder.size() - 1;
  return endsInBackslash ? folder : folder + '\\';
}
