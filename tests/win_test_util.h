#pragma once
// Helpers for tests that touch real files and windows under Windows or Wine.

#include <windows.h>

#include <string>

// FindProcessWindow, for the windows of a program a test started.
#include "tools/process_window.h"

// A fresh folder under the temporary folder, removed with everything in it.
class TempDir {
public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The folder, ending in a backslash.
  const std::string& Path() const { return path_; }
  // Writes bytes to Path() + name (creating sub-folders named in it) and returns the full name.
  std::string Write(const std::string& name, const std::string& bytes) const;
  std::string MakeDir(const std::string& name) const;
  // Writes bytes to a file of a UTF-16 name in the folder; returns its full name.
  std::wstring WriteWide(const std::wstring& name, const std::string& bytes) const;

private:
  std::string path_;
};

// Why a test under code page 932 could not make a double-byte file name:
// Wine spells names in the host's locale, and without ja_JP.UTF-8 compiled
// it takes them as ASCII.
inline constexpr const char* kNoDoubleByteNames =
    "no double-byte file names: the host lacks the ja_JP.UTF-8 locale (tools/setup compiles it)";

// The whole content of a file; empty when it cannot be read.
std::string ReadFileBytes(const std::string& name);

#include <cstdint>
#include <vector>

// The painted client pixels of a window as 0x00RRGGBB, rows from the top.
// BitBlt from the window's DC returns what was painted, also under Wine.
std::vector<uint32_t> ReadClientPixels(HWND window, int& width, int& height);

// A process of the program under test, ended if it is still running at the end.
class ChildProcess {
public:
  explicit ChildProcess(const std::string& commandLine);
  // A command line with names the code page cannot spell.
  explicit ChildProcess(const std::wstring& commandLine);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool Started() const { return info_.hProcess != nullptr; }
  DWORD Id() const { return info_.dwProcessId; }
  // Ends it at once, as the task manager would.
  void Kill() { TerminateProcess(info_.hProcess, 99); }
  // The first visible top-level window of the process with this class, waited for.
  HWND WaitForWindow(const char* className, DWORD timeoutMs = 15000) const;
  // The exit code, or -1 when the process did not end in time.
  long WaitForExit(DWORD timeoutMs = 15000);

private:
  PROCESS_INFORMATION info_{};
};

// Real input, as the user's mouse and keyboard give it, through SendInput:
// it reaches whichever window is under the pointer or in the foreground.
void SendMouseMove(POINT screen);
// Button flags (MOUSEEVENTF_LEFTDOWN, ...) at the pointer, or a wheel turn
// with MOUSEEVENTF_WHEEL and the amount.
void SendMouse(DWORD flags, int32_t wheel = 0);
void SendKey(WORD vk, bool up);

// The program's path in a form the platform opens (a Linux path gets Wine's Z: drive).
std::string ProgramPath(const char* builtPath);
