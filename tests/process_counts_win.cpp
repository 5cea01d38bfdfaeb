#include "process_counts_win.h"

#include <psapi.h>

#include "framework/handles.h"

namespace {

constexpr uintptr_t kFirstUserHandle = 0x20;
constexpr uintptr_t kHandleLimit = 0x10000;

DWORD ProbeGdiObjects() {
  DWORD count = 0;
  for (uintptr_t i = 0; i < kHandleLimit; ++i)
    if (GetObjectType(reinterpret_cast<HGDIOBJ>(i))) ++count;
  return count;
}

bool IsOwnWindow(HWND window) {
  if (!IsWindow(window)) return false;
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  return process == GetCurrentProcessId();
}

// GetIconInfo hands out copies of the icon's bitmaps; they go at once, so
// the GDI count is the same before and after the probe.
bool IsIcon(HICON icon) {
  ICONINFO info{};
  if (!GetIconInfo(icon, &info)) return false;
  GdiHandle colour(info.hbmColor), mask(info.hbmMask);
  return true;
}

DWORD ProbeUserObjects() {
  DWORD count = 0;
  for (uintptr_t i = kFirstUserHandle; i < kHandleLimit; i += 2) {
    void* handle = reinterpret_cast<void*>(i);
    if (IsMenu(static_cast<HMENU>(handle)) || IsIcon(static_cast<HICON>(handle)) ||
        CopyAcceleratorTableA(static_cast<HACCEL>(handle), nullptr, 0) > 0 || IsOwnWindow(static_cast<HWND>(handle)))
      ++count;
  }
  return count;
}

}  // namespace

TGuiObjects CountGuiObjects() {
  TGuiObjects objects;
  objects.Gdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  objects.User = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
  // A process with a window always has objects of both kinds: zeros mean the
  // call is not implemented. GDI first: the USER probe makes and frees bitmaps.
  if (objects.Gdi == 0 && objects.User == 0) {
    objects.Gdi = ProbeGdiObjects();
    objects.User = ProbeUserObjects();
    objects.Probed = true;
  }
  return objects;
}

uint64_t PrivateBytes() {
  PROCESS_MEMORY_COUNTERS_EX counters{};
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                            sizeof counters))
    return 0;
  return counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
}
