#pragma once
#include "config/conf_syntax.h"

// The settings of config. Every line of a setting's key sets it, so the last
// one wins; keys are matched exactly, the value "on" in any case means on and
// any other value off.
struct TSettings {
  bool KeepViewPosition = false;  // keep the scroll position for a picture of the same size
  bool ReadAhead = true;          // decode the neighbouring pictures in the background
};

// Reads every line of config into settings, which holds the defaults.
void ReadSettings(TConfFile& config, TSettings& settings);

// KeepViewPosition alone, starting from current.
bool ReadKeepViewPosition(TConfFile& config, bool current);
