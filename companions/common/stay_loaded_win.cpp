// Linked into every companion plug-in: once a host has loaded it, the DLL
// stays loaded until the process ends.
//
// MinGW's posix-threaded runtime cannot give back what it takes each time the
// DLL is loaded: on the 32-bit build a thread-local slot, an event and a
// thread handle, and on both builds the C++ runtime's emergency exception
// pool. Many hosts load and release a plug-in for every probe (Orv keeps each
// plug-in loaded, but ours must live in those hosts too), so after about a
// thousand loads the process would have no thread-local slot left and the
// runtime would end it. Pinned at its first load, the DLL pays that once. The
// host's loads and releases stay balanced; the last release simply does not
// unmap it.

#include <windows.h>

namespace {

struct TStayLoaded {
  TStayLoaded() {
    HMODULE self = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCSTR>(this), &self);
  }
};

const TStayLoaded stayLoaded;

}  // namespace
