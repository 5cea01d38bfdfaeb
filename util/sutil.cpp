#include "util/sutil.h"

std::string NumberText(int32_t value) { return std::to_string(value); }

std::string WithTrailingBackslash(const std::string& folder, LeadByteTest isLeadByte) {
  bool endsInBackslash = false;
  for (size_t i = 0; i < folder.size(); ++i) {
    if (isLeadByte(static_cast<uint8_t>(folder[i])) && i + 1 < folder.size()) {
      ++i;
      endsInBackslash = false;
    } else {
      endsInBackslash = folder[i] == '\\';
    }
  }
  return endsInBackslash ? folder : folder + '\\';
}
