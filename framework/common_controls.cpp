#include "framework/common_controls.h"

#include <windows.h>

void LoadCommonControls() {
  // Loaded by name, not imported: an import would load the library, and with
  // it version 6 of the controls, at every start. Loading it registers the
  // controls for the manifest's version; it stays loaded for the process.
  static const HMODULE controls = LoadLibraryA("comctl32.dll");
  (void)controls;
}
