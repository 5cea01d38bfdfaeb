#pragma once
// Plug-ins are called from two threads: the window's, and the read-ahead
// worker's. Plug-ins are written for hosts that call them from one thread,
// and many keep state between calls, so no two calls into plug-ins ever run
// at once: every operation on the plug-in table (a load, a probe, a decode, an
// archive listing, an extraction, a description, a settings dialog) holds
// this one lock from its first call into a plug-in to its last. The table's
// records and the list of faulted modules are guarded by it too. (The fault a
// call met, until it is reported, is kept per thread.)
//
// The window's thread never waits for the worker while it holds the lock, and
// the worker gives way at its next step when the window's thread asks
// (TForegroundOpen in the read-ahead).

#include <mutex>

std::recursive_mutex& PluginCallLock();

using TPluginCallGuard = std::lock_guard<std::recursive_mutex>;
