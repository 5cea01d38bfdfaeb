#include "util/names_win.h"

#include <utility>
#include <vector>

namespace {

std::wstring Widen(UINT codePage, std::string_view text) {
  if (text.empty()) return std::wstring();
  const int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (n <= 0) return std::wstring();
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  return wide;
}

// Bytes of wide in codePage; usedDefault says whether any character had none.
std::string Narrow(UINT codePage, const wchar_t* wide, size_t length, bool* usedDefault) {
  if (length == 0) return std::string();
  BOOL defaulted = FALSE;
  // UTF-8 (also as the system's code page) takes neither flags nor a
  // default character, and spells every name.
  const bool utf8 = codePage == CP_UTF8 || (codePage == CP_ACP && GetACP() == CP_UTF8);
  const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
  BOOL* defaultedOut = utf8 ? nullptr : &defaulted;
  const int n = WideCharToMultiByte(codePage, flags, wide, static_cast<int>(length), nullptr, 0, nullptr, defaultedOut);
  if (n <= 0) {
    if (usedDefault) *usedDefault = true;
    return std::string();
  }
  std::string bytes(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(codePage, flags, wide, static_cast<int>(length), bytes.data(), n, nullptr, defaultedOut);
  if (usedDefault) *usedDefault = defaulted != FALSE;
  return bytes;
}

std::string Utf8Of(const std::string& text) {
  if (IsWideName(text)) return std::string(MarkedBody(text));
  const std::wstring wide = Widen(CP_ACP, text);
  return Narrow(CP_UTF8, wide.data(), wide.size(), nullptr);
}

}  // namespace

std::wstring WideOf(const std::string& name) {
  return IsWideName(name) ? Widen(CP_UTF8, MarkedBody(name)) : Widen(CP_ACP, name);
}

std::string NameOfWide(const wchar_t* wide, size_t length) {
  bool defaulted = false;
  std::string bytes = Narrow(CP_ACP, wide, length, &defaulted);
  // Best fit is off, yet a code page may still map two characters to one
  // byte sequence: only an exact way back keeps the code page's bytes.
  if (!defaulted && Widen(CP_ACP, bytes) == std::wstring(wide, length)) return bytes;
  return kWideNameMark + Narrow(CP_UTF8, wide, length, nullptr);
}

std::string NameOfWide(const std::wstring& wide) { return NameOfWide(wide.data(), wide.size()); }

std::string NameOfWide16(const std::u16string& wide) {
  static_assert(sizeof(char16_t) == sizeof(wchar_t));
  return NameOfWide(reinterpret_cast<const wchar_t*>(wide.data()), wide.size());
}

std::string PlainestName(const std::string& name) {
  if (!IsWideName(name)) return name;
  return NameOfWide(WideOf(name));
}

std::string JoinText(const std::string& a, const std::string& b) {
  if (!IsWideName(a) && !IsWideName(b)) return a + b;
  return kWideNameMark + Utf8Of(a) + Utf8Of(b);
}

std::string ProgramPath() {
  wchar_t path[MAX_PATH + 1] = {};
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH + 1);
  return NameOfWide(path, n > MAX_PATH ? 0 : n);
}

std::vector<std::string> ProgramArguments() {
  std::vector<std::string> arguments;
  int count = 0;
  LPWSTR* words = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!words) return arguments;
  for (int i = 1; i < count; ++i) arguments.push_back(NameOfWide(words[i], wcslen(words[i])));
  LocalFree(words);
  return arguments;
}

namespace {

ShortPathSource shortPathSource = nullptr;

}  // namespace

ShortPathSource SetShortPathSource(ShortPathSource source) { return std::exchange(shortPathSource, source); }

std::string SpellableShortPath(const std::string& path) {
  if (shortPathSource) return shortPathSource(path);
  const std::wstring wide = WideOf(path);
  const DWORD n = GetShortPathNameW(wide.c_str(), nullptr, 0);
  if (n == 0) return std::string();
  std::vector<wchar_t> buffer(n + 1, L'\0');
  const DWORD got = GetShortPathNameW(wide.c_str(), buffer.data(), n + 1);
  if (got == 0 || got > n) return std::string();
  const std::string name = NameOfWide(buffer.data(), got);
  return IsWideName(name) ? std::string() : name;
}

std::string SpellableStandIn(const std::string& name) {
  if (!IsWideName(name)) return name;
  std::string out;
  const std::wstring wide = WideOf(name);
  for (size_t i = 0; i < wide.size(); ++i) {
    // A surrogate pair is one character: one stand-in.
    const size_t units = (wide[i] >= 0xD800 && wide[i] <= 0xDBFF && i + 1 < wide.size()) ? 2 : 1;
    const std::string one = NameOfWide(wide.data() + i, units);
    out += IsWideName(one) ? std::string("_") : one;
    i += units - 1;
  }
  return out;
}
