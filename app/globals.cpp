#include "app/globals.h"

bool KeepViewPosition = false;
TKeyTable* Keys = nullptr;
UINT WheelMessage = 0;
TMainWindow* MainWindow = nullptr;
std::string CurrentArchive;
TSimpleList* PluginFiles = nullptr;
HWND InfoDialog = nullptr;
IconHandle InfoIcon;
