#pragma once
// A long session in the real main window, for the leak checks of the tests
// and the bench: a folder that mixes bitmaps, pictures of the test plug-in
// and members of tar and ZIP archives, walked to its end and back over and
// over, with the Picture Information dialog open for every other step.

#include <memory>
#include <string>

#include "win_test_util.h"

class TMainWindow;
class TProgramState;
class TReadAhead;

// Options of a walk: copies of a test plug-in that claims none of the files,
// put ahead of the ones that do (each copy its own DLL, built with MinGW's
// thread runtime as plug-ins in the field often are), whether the
// information dialog comes and goes, and whether the neighbours are read
// ahead (as the program does by default).
struct TWalkOptions {
  int PluginsAhead = 0;
  bool Dialog = true;
  bool ReadAhead = true;
};

class TLongWalk {
 public:
  explicit TLongWalk(TWalkOptions options = {});
  ~TLongWalk();
  TLongWalk(const TLongWalk&) = delete;
  TLongWalk& operator=(const TLongWalk&) = delete;

  // Shows the folder's first picture, as the command line would.
  bool Start();
  // One step: NextImage, or PrevImage on the way back (the direction turns
  // at either end), each step showing another picture. Every even step opens
  // the dialog before it and closes it after it, so that the load refills
  // the open dialog. False when no picture comes next either way.
  bool Step();
  // Steps to the end of the folder and back: one pass, ending where it began.
  int StepsPerPass() const { return 2 * (pictures_ - 1); }

  // Where the walk stands: "archive/member" or the file's name.
  std::string Shown() const;
  // The bytes of the largest pixel block any of the pictures needs.
  size_t LargestPicture() const { return largest_; }

 private:
  void Pump();

  TWalkOptions options_;
  TempDir dir_;
  TempDir pluginDir_;
  std::unique_ptr<TMainWindow> window_;
  std::unique_ptr<TProgramState> state_;
  std::unique_ptr<TReadAhead> readAhead_;
  int pictures_ = 0;
  size_t largest_ = 0;
  int steps_ = 0;
  bool forward_ = true;
};
