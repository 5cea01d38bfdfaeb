#pragma once
#include "config/conf_syntax.h"

// The one setting of config: every "KeepViewPosition" line sets the flag, so
// the last one wins; its key is matched exactly, its value "on" in any case.
bool ReadKeepViewPosition(TConfFile& config, bool current);
