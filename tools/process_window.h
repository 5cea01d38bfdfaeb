#pragma once
// How the timing programs and the screenshot tool find the window of a
// program they started: its first visible top-level window, of this class
// and with this caption when they are given.
#include <windows.h>

namespace process_window {

struct Search {
  DWORD process;
  const char* className;
  const char* title;
  HWND found;
};

inline BOOL CALLBACK Match(HWND window, LPARAM p) {
  auto* s = reinterpret_cast<Search*>(p);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process != s->process || !IsWindowVisible(window)) return TRUE;
  char text[256] = {};
  if (s->className && (GetClassNameA(window, text, sizeof text), lstrcmpA(text, s->className) != 0)) return TRUE;
  if (s->title && (GetWindowTextA(window, text, sizeof text), lstrcmpA(text, s->title) != 0)) return TRUE;
  s->found = window;
  return FALSE;
}

}  // namespace process_window

inline HWND FindProcessWindow(DWORD process, const char* className = nullptr, const char* title = nullptr) {
  process_window::Search search{process, className, title, nullptr};
  EnumWindows(process_window::Match, reinterpret_cast<LPARAM>(&search));
  return search.found;
}
