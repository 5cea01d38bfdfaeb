#pragma once
#include <windows.h>

// The "Plug-in List" box owned by owner: every catalogue entry with the
// description its DLL gives, "(not found)" for one that does not load or
// exports no GetPluginInfo. A DLL not loaded yet is loaded now, and stays so.
void ShowPluginList(HWND owner);
