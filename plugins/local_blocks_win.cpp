#include "plugins/local_blocks_win.h"

#include <cstddef>
#include <cstring>

#include "framework/handles.h"

std::string LocalText(HLOCAL handle) {
  LockedLocal lock(handle);
  if (!lock.get()) return std::string();
  const char* text = static_cast<const char*>(lock.get());
  return std::string(text, strnlen(text, LocalSize(handle)));
}

// Whether value is a local memory handle of this process. The system asks
// the memory around what it is given: before a fixed block (aligned to two
// pointers) its heap header, around a movable handle its entry in the handle
// table. So it is asked only where that memory is readable.
bool IsLocalHandle(uintptr_t value) {
  constexpr uintptr_t kWord = sizeof(void*);
  if (value % kWord != 0 || value < 2 * kWord || value > UINTPTR_MAX - 2 * kWord) return false;
  const bool fixedBlock = value % (2 * kWord) == 0;
  constexpr DWORD kReadable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                              PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
  for (uintptr_t probe : {value - (fixedBlock ? 2 * kWord : kWord), value + kWord - 1}) {
    MEMORY_BASIC_INFORMATION m;
    if (VirtualQuery(reinterpret_cast<void*>(probe), &m, sizeof m) != sizeof m || m.State != MEM_COMMIT ||
        !(m.Protect & kReadable) || (m.Protect & PAGE_GUARD))
      return false;
  }
  return LocalFlags(reinterpret_cast<HLOCAL>(value)) != LMEM_INVALID_HANDLE;
}

// The record's text handle. The 64-bit record has it at offset 24; some
// 64-bit plug-ins write it at 22 as the 32-bit record does. The record was
// zeroed before the call, so then the bytes at 24 are no handle and those at
// 22 are. Whatever the system does not know as a local memory handle is
// neither read nor freed.
HLOCAL TextHandleOf(const SpiPictureInfo& info) {
  constexpr size_t kOffsets[] = {offsetof(SpiPictureInfo, TextHandle), offsetof(SpiPictureInfo32, TextHandle)};
  uint8_t bytes[sizeof info];
  std::memcpy(bytes, &info, sizeof bytes);
  for (size_t i = 0; i < (kSpiWide ? 2 : 1); ++i) {
    uintptr_t value;
    static_assert(sizeof value == sizeof info.TextHandle);
    std::memcpy(&value, bytes + kOffsets[i], sizeof value);
    if (IsLocalHandle(value)) return reinterpret_cast<HLOCAL>(value);
  }
  return nullptr;
}

HLOCAL OwnedLocal(HLOCAL handle) {
  return handle && IsLocalHandle(reinterpret_cast<uintptr_t>(handle)) ? handle : nullptr;
}
