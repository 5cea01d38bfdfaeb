#pragma once
// Waiting for the 32-bit plug-in helper to answer a call.
//
// A thread that has windows (the viewer's window thread) goes on painting
// them and answering the messages other threads and processes send them (a
// plug-in's dialog owned by the viewer's window sends it some), so the viewer
// stays drawn while a plug-in works or shows a box of its own. It takes no
// input and no posted message while it waits: keys, clicks, menu commands
// and the read-ahead's notices stay in the queue and are handled after the
// call, as they would be after a call made in the process, so no command runs
// in the middle of a call. A thread without windows (the read-ahead worker)
// just waits.

#include <windows.h>

enum class THelperWait {
  Answered,  // the reply event was set
  Ended,     // the helper process ended
  Hung,      // it stayed silent for the whole patience, with no window shown
};

// Waits for reply while the helper process lives. The patience (milliseconds)
// counts only while no window of the helper's process is visible: a plug-in
// waiting for the user in its own dialog or box is not hung.
THelperWait WaitForHelper(HANDLE reply, HANDLE process, DWORD processId, DWORD patience);
