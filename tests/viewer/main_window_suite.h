#pragma once
// One shown main window for all the tests of a suite: making a window for
// every test is slow under Wine. A suite opens it from its SetUpTestSuite
// with its own caption; suites run one after another, so they share the slot.

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "viewer/main_window.h"

class MainWindowSuite : public ::testing::Test {
protected:
  static void OpenWindow(const std::string& caption) {
    window_ = CreateMainWindow(caption).release();
    window_->Show();
  }
  static void TearDownTestSuite() {
    DestroyWindow(window_->Handle);
    delete window_;
    window_ = nullptr;
  }

  static inline TMainWindow* window_ = nullptr;
};
