#include <gtest/gtest.h>

#include <vector>

#include "framework/sform.h"

namespace {

// Records which messages reached the object and whether Handle was set then.
class Probe : public TSForm {
public:
  using TSForm::TSForm;
  void WndProc(TMsgRec& message) override {
    if (message.Msg == WM_CREATE || message.Msg == WM_SIZE || message.Msg == WM_NCDESTROY) {
      seen.push_back(message.Msg);
      handleSet.push_back(Handle != nullptr);
    }
    if (message.Msg == WM_USER + 1) {
      message.Result = 1234;
      return;
    }
    if (message.Msg == WM_USER + 2) throw 1;
    TSForm::WndProc(message);
  }
  std::vector<UINT> seen;
  std::vector<bool> handleSet;
};

}  // namespace

TEST(SForm, ClassNameAndTitleComeFromTheCaption) {
  Probe form("OrvProbeA");
  EXPECT_EQ(form.WndClassName, "TOrvProbeAClass");
  form.CreateWnd(CW_USEDEFAULT, 0, 320, 240);
  ASSERT_NE(form.Handle, nullptr);
  char name[64] = {}, title[64] = {};
  GetClassNameA(form.Handle, name, sizeof name);
  GetWindowTextA(form.Handle, title, sizeof title);
  EXPECT_STREQ(name, "TOrvProbeAClass");
  EXPECT_STREQ(title, "OrvProbeA");
  RECT r;
  GetWindowRect(form.Handle, &r);
  EXPECT_EQ(r.right - r.left, 320);
  EXPECT_EQ(r.bottom - r.top, 240);
  DestroyWindow(form.Handle);
}

TEST(SForm, CreationMessagesReachTheObjectWithItsHandle) {
  Probe form("OrvProbeB");
  form.CreateWnd(0, 0, 200, 100);
  ASSERT_NE(form.Handle, nullptr);
  ASSERT_GE(form.seen.size(), 1u);
  EXPECT_EQ(form.seen[0], static_cast<UINT>(WM_CREATE));
  for (bool set : form.handleSet) EXPECT_TRUE(set);
  EXPECT_EQ(SendMessageA(form.Handle, WM_USER + 1, 0, 0), 1234);
  // A handler that throws ends only that message.
  EXPECT_EQ(SendMessageA(form.Handle, WM_USER + 2, 0, 0), 0);

  HWND window = form.Handle;
  DestroyWindow(window);
  EXPECT_EQ(GetPropA(window, "OBJECT"), nullptr);
  // WM_NCDESTROY removes the link before the object could see it.
  for (UINT m : form.seen) EXPECT_NE(m, static_cast<UINT>(WM_NCDESTROY));
}

TEST(SForm, StayOnTopBeforeTheWindowOnlyRecordsTheValue) {
  Probe form("OrvProbeC");
  form.SetStayOnTop(true);
  EXPECT_TRUE(form.StayOnTop);
  form.CreateWnd(0, 0, 100, 100);
  EXPECT_FALSE(GetWindowLongA(form.Handle, GWL_EXSTYLE) & WS_EX_TOPMOST);
  form.SetStayOnTop(true);
  EXPECT_TRUE(GetWindowLongA(form.Handle, GWL_EXSTYLE) & WS_EX_TOPMOST);
  form.SetStayOnTop(false);
  EXPECT_FALSE(GetWindowLongA(form.Handle, GWL_EXSTYLE) & WS_EX_TOPMOST);
  DestroyWindow(form.Handle);
}

TEST(SForm, ClassIsRegisteredOncePerObjectAndAFailedRegistrationLeavesNoWindow) {
  Probe first("OrvProbeD");
  first.CreateWnd(0, 0, 100, 100);
  ASSERT_TRUE(first.ClassRegistered);
  HWND a = first.Handle;
  first.CreateWnd(0, 0, 100, 100);  // second window of the same object: no new registration
  EXPECT_NE(first.Handle, nullptr);
  EXPECT_NE(first.Handle, a);
  DestroyWindow(a);
  DestroyWindow(first.Handle);

  Probe second("OrvProbeD");  // the class name is taken already
  second.CreateWnd(0, 0, 100, 100);
  EXPECT_FALSE(second.ClassRegistered);
  EXPECT_EQ(second.Handle, nullptr);
}
