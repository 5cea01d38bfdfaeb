#pragma once
// What a long session must not pile up, read from inside the process: its
// GDI and USER objects and its private bytes.
//
// GetGuiResources gives the object counts on Windows; Wine answers 0 for
// both. There the counts come from Wine's own handle tables instead: every
// GDI handle is an index below 0x10000 that GetObjectType accepts without the
// upper word, and every USER handle (windows, menus, icons and cursors,
// accelerator tables) is 0x20 + 2 * index, accepted the same way by the call
// that checks its kind. Windows of other processes share that table and are
// left out by their process id; the other kinds are only ever this process's.
// Hooks and the like are not probed; nothing the viewer does creates them.

#include <windows.h>

#include <cstdint>

struct TGuiObjects {
  DWORD Gdi = 0;
  DWORD User = 0;
  bool Probed = false;  // counted through the handle tables, not GetGuiResources
};

TGuiObjects CountGuiObjects();

// The process's committed private memory: PrivateUsage where the system
// fills it, else PagefileUsage (Wine leaves PrivateUsage 0 and gives the
// resident anonymous memory there, which grows as fresh memory is touched).
uint64_t PrivateBytes();
