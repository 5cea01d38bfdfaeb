#include "config/settings.h"

#include <cstring>

namespace {

bool IsOn(const char* value) {
  return (value[0] == 'o' || value[0] == 'O') && (value[1] == 'n' || value[1] == 'N') && value[2] == '\0';
}

}  // namespace

bool ReadKeepViewPosition(TConfFile& config, bool current) {
  while (config.Next())
    if (std::strcmp(config.Line.Key, "KeepViewPosition") == 0) current = IsOn(config.Line.Values[0]);
  return current;
}
