#include "plugins/plugin_list.h"

std::vector<std::string> ParsePluginList(const std::string& bytes) {
  std::vector<std::string> paths;
  size_t end = bytes.find('\x1A');
  if (end == std::string::npos) end = bytes.size();
  size_t start = 0;
  while (start < end) {
    size_t stop = start;
    while (stop < end && bytes[stop] != '\r' && bytes[stop] != '\n') ++stop;
    if (stop > start && bytes[start] != '#') paths.push_back(bytes.substr(start, stop - start));
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
