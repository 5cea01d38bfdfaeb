#pragma once
// Process-wide state of the program, each set once during start-up.

#include <windows.h>

#include <string>

#include "framework/handles.h"
#include "util/simple_list.h"

class TKeyTable;
class TMainWindow;

extern bool KeepViewPosition;
// Key bindings and the accelerator table the message loop translates with.
extern TKeyTable* Keys;
extern UINT WheelMessage;
extern TMainWindow* MainWindow;
// The archive whose member is shown; empty for a plain picture file.
extern std::string CurrentArchive;
// The plug-in catalogue: heap-allocated zero-terminated paths, in the user's order.
extern TSimpleList* PluginFiles;
// The modeless Picture Information dialog; stays set after the dialog closes.
extern HWND InfoDialog;
// The icon the Picture Information dialog shows; the dialog's, freed when it
// is replaced and when the dialog goes away.
extern IconHandle InfoIcon;
