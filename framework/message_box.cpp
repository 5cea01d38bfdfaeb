#include "framework/message_box.h"

#include "framework/common_controls.h"
#include "util/names_win.h"

namespace {

MessageBoxHook& Hook() {
  static MessageBoxHook hook;
  return hook;
}

}  // namespace

int ShowMessageBox(HWND owner, const std::string& text, const std::string& caption, UINT type) {
  if (Hook()) return Hook()(owner, text, caption, type);
  // A box's buttons are common controls under the manifest too.
  LoadCommonControls();
  // Through UTF-16: the text may name a file the code page cannot spell.
  const std::wstring wideText = WideOf(text), wideCaption = WideOf(caption);
  if ((type & MB_ICONMASK) != MB_USERICON) return MessageBoxW(owner, wideText.c_str(), wideCaption.c_str(), type);
  MSGBOXPARAMSW box = {};
  box.cbSize = sizeof box;
  box.hwndOwner = owner;
  box.hInstance = GetModuleHandleW(nullptr);
  box.lpszText = wideText.c_str();
  box.lpszCaption = wideCaption.c_str();
  box.dwStyle = type;
  box.lpszIcon = MAKEINTRESOURCEW(kProgramIconId);
  box.dwLanguageId = MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT);
  return MessageBoxIndirectW(&box);
}

int ShowWarning(HWND owner, const std::string& text) {
  return ShowMessageBox(owner, text, "Orv", MB_OK | MB_ICONWARNING);
}

MessageBoxHook SetMessageBoxHook(MessageBoxHook hook) {
  MessageBoxHook previous = std::move(Hook());
  Hook() = std::move(hook);
  return previous;
}
