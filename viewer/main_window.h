#pragma once
// The one top-level window of the viewer.

#include <windows.h>

#include <cstdint>

#include "framework/sform.h"

class TMainWindow : public TSForm {
public:
  using TSForm::TSForm;

  void WndProc(TMsgRec& message) override;
  void Paint();
  void SetBorder(bool show);

  WINDOWPLACEMENT SavedPlacement{};
  DWORD SavedStyle = 0;
  bool IsFullScreen = false;
  bool ShowBorder = false;
  HCURSOR HandOpenCursor = nullptr;
  HCURSOR HandHoldCursor = nullptr;
  int32_t DragX = 0;
  int32_t DragY = 0;
};
