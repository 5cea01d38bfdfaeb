#include "config/settings.h"

#include <cstring>

namespace {

bool IsOn(const char* value) {
  return (value[0] == 'o' || value[0] == 'O') && (value[1] == 'n' || value[1] == 'N') && value[2] == '\0';
}

// A decimal number from 0 to 255, nothing else.
bool ReadLevel(const char* text, uint8_t& level) {
  if (!text[0] || std::strlen(text) > 3) return false;
  unsigned value = 0;
  for (const char* p = text; *p; ++p) {
    if (*p < '0' || *p > '9') return false;
    value = value * 10 + static_cast<unsigned>(*p - '0');
  }
  if (value > 255) return false;
  level = static_cast<uint8_t>(value);
  return true;
}

}  // namespace

TSettings ReadSettings(TConfFile& config, TSettings s) {
  while (config.Next()) {
    const TConfLine& line = config.Line;
    if (std::strcmp(line.Key, "KeepViewPosition") == 0) {
      s.KeepViewPosition = IsOn(line.Values[0]);
    } else if (std::strcmp(line.Key, "ReadAhead") == 0) {
      s.ReadAhead = IsOn(line.Values[0]);
    } else if (std::strcmp(line.Key, "Smoothing") == 0) {
      s.Smoothing = IsOn(line.Values[0]);
    } else if (std::strcmp(line.Key, "Background") == 0) {
      uint8_t rgb[3];
      if (line.Count == 3 && ReadLevel(line.Values[0], rgb[0]) && ReadLevel(line.Values[1], rgb[1]) &&
          ReadLevel(line.Values[2], rgb[2])) {
        s.PlainBackground = true;
        s.Red = rgb[0], s.Green = rgb[1], s.Blue = rgb[2];
      }
    }
  }
  return s;
}

bool ReadKeepViewPosition(TConfFile& config, bool current) {
  TSettings s;
  s.KeepViewPosition = current;
  return ReadSettings(config, s).KeepViewPosition;
}
