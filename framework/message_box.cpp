#include "framework/message_box.h"

namespace {

MessageBoxHook& Hook() {
  static MessageBoxHook hook;
  return hook;
}

}  // namespace

int ShowMessageBox(HWND owner, const std::string& text, const std::string& caption, UINT type) {
  if (Hook()) return Hook()(owner, text, caption, type);
  return MessageBoxA(owner, text.c_str(), caption.c_str(), type);
}

int ShowWarning(HWND owner, const std::string& text) {
  return ShowMessageBox(owner, text, "Orv", MB_OK | MB_ICONWARNING);
}

MessageBoxHook SetMessageBoxHook(MessageBoxHook hook) {
  MessageBoxHook previous = std::move(Hook());
  Hook() = std::move(hook);
  return previous;
}
