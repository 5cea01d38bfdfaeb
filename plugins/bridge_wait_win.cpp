#include "plugins/bridge_wait_win.h"

namespace {

// How often the helper's windows are looked for while it is silent.
constexpr DWORD kWindowCheck = 500;

struct TWindowSearch {
  DWORD ProcessId;
  bool Found;
};

BOOL CALLBACK FindVisibleWindow(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<TWindowSearch*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == search->ProcessId && IsWindowVisible(window)) {
    search->Found = true;
    return FALSE;
  }
  return TRUE;
}

bool ShowsWindow(DWORD processId) {
  TWindowSearch search{processId, false};
  EnumWindows(FindVisibleWindow, reinterpret_cast<LPARAM>(&search));
  return search.Found;
}

BOOL CALLBACK NoteWindow(HWND, LPARAM param) {
  *reinterpret_cast<bool*>(param) = true;
  return FALSE;
}

// Whether the calling thread has windows of its own to keep painted.
bool HasWindows() {
  bool found = false;
  EnumThreadWindows(GetCurrentThreadId(), NoteWindow, reinterpret_cast<LPARAM>(&found));
  return found;
}

// Paints what needs painting. Messages sent to this thread's windows are
// handled by the peek itself; nothing else is taken from the queue. A window
// that never validates itself gets a bounded number of turns.
void Paint() {
  MSG msg;
  for (int turns = 0; turns < 64 && PeekMessageA(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE); ++turns)
    DispatchMessageA(&msg);
}

}  // namespace

THelperWait WaitForHelper(HANDLE reply, HANDLE process, DWORD processId, DWORD patience) {
  const HANDLE handles[] = {reply, process};
  const bool pumps = HasWindows();
  DWORD silentSince = GetTickCount();
  DWORD lastCheck = silentSince;
  for (;;) {
    const DWORD r = pumps ? MsgWaitForMultipleObjectsEx(2, handles, kWindowCheck, QS_PAINT | QS_SENDMESSAGE, 0)
                          : WaitForMultipleObjects(2, handles, FALSE, kWindowCheck);
    // A reply set just before the helper ended still counts: it comes first.
    if (r == WAIT_OBJECT_0) return THelperWait::Answered;
    if (r == WAIT_OBJECT_0 + 1 || r == WAIT_FAILED) return THelperWait::Ended;
    if (r == WAIT_OBJECT_0 + 2) Paint();
    const DWORD now = GetTickCount();
    if (now - lastCheck < kWindowCheck) continue;
    lastCheck = now;
    if (ShowsWindow(processId))
      silentSince = now;
    else if (now - silentSince >= patience)
      return THelperWait::Hung;
  }
}
