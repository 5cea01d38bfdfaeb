#pragma once
// Move-only owners for the platform's handles: each frees what it holds with
// the function that matches the allocator, exactly once.

#include <windows.h>
#include <shellapi.h>

#include <utility>

template <typename Traits>
class UniqueHandle {
public:
  using Handle = typename Traits::Handle;

  UniqueHandle() = default;
  explicit UniqueHandle(Handle h) : h_(h) {}
  ~UniqueHandle() { reset(); }
  UniqueHandle(UniqueHandle&& other) noexcept : h_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  Handle get() const { return h_; }
  explicit operator bool() const { return Traits::Valid(h_); }
  Handle release() { return std::exchange(h_, Traits::Invalid()); }
  void reset(Handle h = Traits::Invalid()) {
    Handle old = std::exchange(h_, h);
    if (Traits::Valid(old)) Traits::Close(old);
  }

private:
  Handle h_ = Traits::Invalid();
};

namespace handle_traits {

template <typename H>
struct NullIsInvalid {
  using Handle = H;
  static Handle Invalid() { return nullptr; }
  static bool Valid(Handle h) { return h != nullptr; }
};

struct File {
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static bool Valid(Handle h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
  static void Close(Handle h) { CloseHandle(h); }
};
struct Find {
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static bool Valid(Handle h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
  static void Close(Handle h) { FindClose(h); }
};
struct Module : NullIsInvalid<HMODULE> {
  static void Close(Handle h) { FreeLibrary(h); }
};
struct Local : NullIsInvalid<HLOCAL> {
  static void Close(Handle h) { LocalFree(h); }
};
struct Global : NullIsInvalid<HGLOBAL> {
  static void Close(Handle h) { GlobalFree(h); }
};
// A drop handed to the window: finishing it frees it.
struct Drop : NullIsInvalid<HDROP> {
  static void Close(Handle h) { DragFinish(h); }
};
struct Accel : NullIsInvalid<HACCEL> {
  static void Close(Handle h) { DestroyAcceleratorTable(h); }
};
struct Menu : NullIsInvalid<HMENU> {
  static void Close(Handle h) { DestroyMenu(h); }
};
struct Icon : NullIsInvalid<HICON> {
  static void Close(Handle h) { DestroyIcon(h); }
};
struct Gdi : NullIsInvalid<HGDIOBJ> {
  static void Close(Handle h) { DeleteObject(h); }
};
struct MemoryDc : NullIsInvalid<HDC> {
  static void Close(Handle h) { DeleteDC(h); }
};
struct RegKey : NullIsInvalid<HKEY> {
  static void Close(Handle h) { RegCloseKey(h); }
};
// Events, sections, processes, jobs: objects whose invalid value is null.
struct Kernel : NullIsInvalid<HANDLE> {
  static void Close(Handle h) { CloseHandle(h); }
};
// A view of a section, mapped with MapViewOfFile.
struct View : NullIsInvalid<void*> {
  static void Close(Handle h) { UnmapViewOfFile(h); }
};

}  // namespace handle_traits

using FileHandle = UniqueHandle<handle_traits::File>;
using FindHandle = UniqueHandle<handle_traits::Find>;
using ModuleHandle = UniqueHandle<handle_traits::Module>;
using LocalMemory = UniqueHandle<handle_traits::Local>;
using GlobalMemory = UniqueHandle<handle_traits::Global>;
using DropHandle = UniqueHandle<handle_traits::Drop>;
using AccelHandle = UniqueHandle<handle_traits::Accel>;
using MenuHandle = UniqueHandle<handle_traits::Menu>;
using IconHandle = UniqueHandle<handle_traits::Icon>;
using GdiHandle = UniqueHandle<handle_traits::Gdi>;
using MemoryDcHandle = UniqueHandle<handle_traits::MemoryDc>;
using RegKeyHandle = UniqueHandle<handle_traits::RegKey>;
using KernelHandle = UniqueHandle<handle_traits::Kernel>;
using MappedView = UniqueHandle<handle_traits::View>;

// A window DC taken with GetDC and given back with ReleaseDC.
class WindowDc {
public:
  explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
  ~WindowDc() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC get() const { return dc_; }

private:
  HWND window_;
  HDC dc_;
};

// Selects an object into a DC and puts the previous one back on scope exit.
class SelectGuard {
public:
  SelectGuard(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
  ~SelectGuard() {
    if (old_ && old_ != HGDI_ERROR) SelectObject(dc_, old_);
  }
  SelectGuard(const SelectGuard&) = delete;
  SelectGuard& operator=(const SelectGuard&) = delete;

private:
  HDC dc_;
  HGDIOBJ old_;
};

// A local memory handle locked for as long as the lock lives.
class LockedLocal {
public:
  explicit LockedLocal(HLOCAL h) : h_(h), p_(h ? ::LocalLock(h) : nullptr) {}
  ~LockedLocal() {
    if (p_) LocalUnlock(h_);
  }
  LockedLocal(const LockedLocal&) = delete;
  LockedLocal& operator=(const LockedLocal&) = delete;
  void* get() const { return p_; }

private:
  HLOCAL h_;
  void* p_;
};
