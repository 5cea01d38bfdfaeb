#include "plugins/plugin_list.h"

#include <cstring>
#include <utility>

bool HasPluginSuffix(const std::string& path, const char* suffix) {
  if (!suffix) return false;
  const size_t n = std::strlen(suffix);
  return path.size() >= n && SameIgnoringAsciiCase(std::string_view(path).substr(path.size() - n), suffix);
}

std::vector<std::string> ParsePluginList(const std::string& bytes, const char* skippedSuffix) {
  std::vector<std::string> paths;
  size_t end = bytes.find('\x1A');
  if (end == std::string::npos) end = bytes.size();
  size_t start = 0;
  while (start < end) {
    size_t stop = start;
    while (stop < end && bytes[stop] != '\r' && bytes[stop] != '\n') ++stop;
    if (stop > start && bytes[start] != '#') {
      std::string path = bytes.substr(start, stop - start);
      if (!HasPluginSuffix(path, skippedSuffix)) paths.push_back(std::move(path));
    }
    start = stop;
    if (start < end && bytes[start] == '\r') ++start;
    if (start < end && bytes[start] == '\n') ++start;
  }
  return paths;
}

std::string PluginListText(const std::string& folder, const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) text += folder + name + "\r\n";
  return text;
}

std::vector<std::string> CatalogueNames(const std::vector<std::string>& own, const std::vector<std::string>& bridged) {
  // Both suffixes are four bytes: the base name is the rest.
  auto base = [](const std::string& name) { return std::string_view(name).substr(0, name.size() - 4); };
  std::vector<std::string> names = own;
  for (const std::string& name : bridged) {
    if (name.size() < 4) continue;
    bool twin = false;
    for (const std::string& mine : own)
      twin = twin || (mine.size() >= 4 && SameIgnoringAsciiCase(base(mine), base(name)));
    if (!twin) names.push_back(name);
  }
  return names;
}
