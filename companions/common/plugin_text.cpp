#include "companions/common/plugin_text.h"

#include <cstring>

int32_t CopyPluginText(const std::string& text, char* buffer, int32_t size) {
  if (!buffer || size <= 0) return 0;
  const size_t n = text.size() < static_cast<size_t>(size) - 1 ? text.size() : static_cast<size_t>(size) - 1;
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
  return static_cast<int32_t>(n);
}

std::string PluginInfoText(int32_t infoNumber, const std::string& version, const std::string& description,
                           const std::vector<std::pair<std::string, std::string>>& filters) {
  if (infoNumber == 0) return version;
  if (infoNumber == 1) return description;
  if (infoNumber < 2) return std::string();
  const size_t pair = static_cast<size_t>(infoNumber - 2) / 2;
  if (pair >= filters.size()) return std::string();
  return infoNumber % 2 == 0 ? filters[pair].first : filters[pair].second;
}
