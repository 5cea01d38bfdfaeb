#pragma once
#include <windows.h>

#include <functional>
#include <string>

// The program's icon as a number, for boxes that show it.
constexpr WORD kProgramIconId = 1;

// Every message box of the program goes through here, so tests can read the
// text instead of blocking on a modal box. With MB_USERICON the box shows the
// program's icon (kProgramIconId of the program's module).
int ShowMessageBox(HWND owner, const std::string& text, const std::string& caption, UINT type);

// The common case: a warning captioned "Orv".
int ShowWarning(HWND owner, const std::string& text);

using MessageBoxHook = std::function<int(HWND owner, const std::string& text, const std::string& caption, UINT type)>;
// Replaces the real box until reset with an empty hook; returns the previous hook.
MessageBoxHook SetMessageBoxHook(MessageBoxHook hook);
