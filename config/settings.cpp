#include "config/settings.h"

#include <cstring>

namespace {

bool IsOn(const char* value) {
  return (value[0] == 'o' || value[0] == 'O') && (value[1] == 'n' || value[1] == 'N') && value[2] == '\0';
}

}  // namespace

void ReadSettings(TConfFile& config, TSettings& settings) {
  while (config.Next()) {
    const char* key = config.Line.Key;
    if (std::strcmp(key, "KeepViewPosition") == 0) settings.KeepViewPosition = IsOn(config.Line.Values[0]);
    if (std::strcmp(key, "ReadAhead") == 0) settings.ReadAhead = IsOn(config.Line.Values[0]);
  }
}

bool ReadKeepViewPosition(TConfFile& config, bool current) {
  TSettings settings;
  settings.KeepViewPosition = current;
  ReadSettings(config, settings);
  return settings.KeepViewPosition;
}
