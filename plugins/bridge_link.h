#pragma once
// What the plug-in table keeps about a 32-bit plug-in that the 64-bit edition
// calls in its helper process (bridge_calls_win.h).

#include <cstdint>

#include "plugins/spi_api.h"

struct TBridgeLink {
  bool Loaded = false;      // its DLL loaded in a helper once: Exports are known
  uint32_t Exports = 0;     // kBridgeHas* bits (bridge_protocol.h)
  uint32_t Generation = 0;  // the helper it is loaded in now (HelperGeneration()); 0: none
  uint32_t Slot = 0;        // its slot in that helper
  TPluginFault Fault;       // what stopped it, once its record is Faulted
};
