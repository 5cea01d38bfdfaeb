// Configuration text of any shape: lines, quotes, commas, blanks, includes;
// and the settings read from it.
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>

#include "config/conf_syntax.h"
#include "config/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::string content;
  int depth = 0;
  // Every include reads the same bytes again, as a self-including file would;
  // kept shallow, since each include line multiplies the work.
  std::function<void(const std::string&)> include = [&](const std::string&) {
    if (++depth < 3) AppendConfLines(bytes, content, include);
    --depth;
  };
  AppendConfLines(bytes, content, include);

  TConfFile file(content, 0);
  while (file.Next()) {
    if (std::strlen(file.Line.Key) > static_cast<size_t>(kConfMaxLine)) __builtin_trap();
    if (file.Line.Count < 0 || file.Line.Count > kConfMaxValues) __builtin_trap();
    for (const char* value : file.Line.Values)
      if (std::strlen(value) > static_cast<size_t>(kConfMaxLine)) __builtin_trap();
  }
  // The settings read from the same lines: a Background line is taken only
  // with three levels.
  TConfFile settings(content, 0);
  const TSettings s = ReadSettings(settings);
  if (!s.PlainBackground && (s.Red || s.Green || s.Blue)) __builtin_trap();
  return 0;
}
