#pragma once
// The host's end of the channel to the 32-bit plug-in helper (orvspi32.exe,
// beside the program), through which the 64-bit edition calls 32-bit
// plug-ins. The helper is started by the first call that needs it, with no
// window of its own, and ends with the viewer: it is put in a job that ends
// its processes when the viewer's handle to it closes, and it watches the
// viewer's process itself, for systems where the job cannot be had. A helper
// that ends, stays silent too long or breaks the protocol is ended, and the
// next call starts a new one.
//
// Callers hold PluginCallLock (plugin_lock_win.h): one call at a time.

#include <windows.h>

#include <cstdint>
#include <string>

#include "framework/handles.h"
#include "plugins/bridge_protocol.h"

enum class THelperOutcome {
  Answered,    // answer holds the helper's reply to the call
  NotStarted,  // no helper runs: it could not be started in this run
  NotSent,     // the call was not made: one is already in flight, or it breaks the protocol
  Ended,       // the helper ended during the call
  Hung,        // it did not answer in time and was ended
  Broken,      // its reply broke the protocol; it was ended
};

// Sends call (its Sequence is set here) to the helper, starting one when none
// runs, and waits for the answer (bridge_wait_win.h).
THelperOutcome CallHelper(TBridgeCall& call, TBridgeAnswer& answer);

// The running helper's number, different for every helper started in this
// run; 0 while none runs. Plug-ins loaded in one helper are loaded again in
// the next.
uint32_t HelperGeneration();

// Starts the helper when none runs; false when it cannot be started.
bool EnsureHelper();

// A new section holding a copy of data, given to the running helper: its
// handle value there (the helper closes it), or 0 when that failed.
uint64_t SendBlock(const uint8_t* data, size_t size);

// A view of size bytes of the section the helper lent under id and named by
// its handle value, private to this process (copy-on-write); null when the
// value names no section of at least that size. Once the view is unmapped,
// the next call gives the block back to the helper.
MappedView TakeBlock(uint64_t helperHandle, uint64_t size, uint32_t id);

// Tests: where the helper program is (by default orvspi32.exe in this
// program's folder; starting is tried again after it changes), how many
// milliseconds it may stay silent (30,000 by default), and its process id
// (0 when none runs).
void SetHelperProgram(const std::string& path);
void SetHelperPatience(DWORD milliseconds);
DWORD HelperProcessId();
