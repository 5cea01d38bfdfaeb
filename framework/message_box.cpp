#include "framework/message_box.h"

#include "framework/common_controls.h"

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
  if ((type & MB_ICONMASK) != MB_USERICON) return MessageBoxA(owner, text.c_str(), caption.c_str(), type);
  MSGBOXPARAMSA box = {};
  box.cbSize = sizeof box;
  box.hwndOwner = owner;
  box.hInstance = GetModuleHandleA(nullptr);
  box.lpszText = text.c_str();
  box.lpszCaption = caption.c_str();
  box.dwStyle = type;
  box.lpszIcon = MAKEINTRESOURCEA(kProgramIconId);
  box.dwLanguageId = MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT);
  return MessageBoxIndirectA(&box);
}

int ShowWarning(HWND owner, const std::string& text) {
  return ShowMessageBox(owner, text, "Orv", MB_OK | MB_ICONWARNING);
}

MessageBoxHook SetMessageBoxHook(MessageBoxHook hook) {
  MessageBoxHook previous = std::move(Hook());
  Hook() = std::move(hook);
  return previous;
}
