#pragma once
#include <cstdint>

#include "config/conf_syntax.h"

// The settings of config. Keys are matched exactly; every line of a known
// key sets its setting, so the last one wins; other keys are ignored.
struct TSettings {
  // "KeepViewPosition on": the first value "on" in any case turns it on, any
  // other value or none turns it off.
  bool KeepViewPosition = false;
  // "ReadAhead on" (the default) / "off", read as KeepViewPosition is:
  // decode the neighbouring pictures in the background.
  bool ReadAhead = true;
  // "Smoothing on" (the default) / "off", read as KeepViewPosition is.
  bool Smoothing = true;
  // "Background R,G,B": pictures with alpha over this colour instead of the
  // checkerboard. A line whose values are not three numbers from 0 to 255
  // is skipped.
  bool PlainBackground = false;
  uint8_t Red = 0, Green = 0, Blue = 0;
};

TSettings ReadSettings(TConfFile& config, TSettings settings = {});

// The KeepViewPosition setting alone, starting from current.
bool ReadKeepViewPosition(TConfFile& config, bool current);
