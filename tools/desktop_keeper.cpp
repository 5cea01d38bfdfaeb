// Keeps Wine's desktop open for a whole session of tests or timings.
//
// Wine closes the desktop a few seconds after the last program with a window
// ends, and the next program that makes a window starts explorer.exe again,
// handing it its own standard error. CTest reads a test's output to its end,
// so that test then waits for explorer to end, which under a steady stream of
// tests is never: a passed test timed out. With this program holding a window
// from the start, the desktop is started once (by tools/winenv.sh, with its
// output going nowhere) and stays. The window is never shown.
#include <windows.h>

int main() {
  HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  if (!window) return 1;
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
  return 0;
}
