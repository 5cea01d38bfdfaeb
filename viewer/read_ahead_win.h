#pragma once
// Read-ahead: while the user looks at a picture, one worker thread decodes
// the picture NextImage would show and then the one PrevImage would show, so
// that a page turn to either installs a finished picture at once.
//
// The window's thread plans (after each picture is installed and painted),
// takes results and stops the worker; the worker only loads (image/
// loading_win.h) and never touches a window, a list or the shown picture.
// What they share is in TReadAhead's "shared" block, under its mutex.

#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "image/loading_win.h"

// The read-ahead blocks one process may hold, besides the shown picture: a
// 32-bit process has 2 GB of address space in all.
constexpr uint64_t kReadAheadBudget = sizeof(void*) == 8 ? 3ull << 29 : 1ull << 29;
// Decoded neighbours held at most.
constexpr size_t kReadAheadPictures = 2;

// One direction's neighbours: the entries a walk would try, in its order; the
// first that loads is the neighbour, those that fail before it are kept as
// failures (a walk reports and skips them).
struct TReadAheadJob {
  std::vector<TPictureSource> Candidates;
};

class TReadAhead {
 public:
  explicit TReadAhead(uint64_t budget = kReadAheadBudget);
  ~TReadAhead();
  TReadAhead(const TReadAhead&) = delete;
  TReadAhead& operator=(const TReadAhead&) = delete;

  // Window's thread: read these ahead now, in order; every result that is
  // not among their candidates is freed. Starts the worker the first time.
  void Plan(std::vector<TReadAheadJob> jobs, std::vector<TPlugin*> catalogue);
  // Window's thread, at every open: source's result, read ahead for a file
  // that has not changed since; waits while it is being decoded. False when
  // there is none. Nothing new is read ahead until the next plan.
  bool Take(const TPictureSource& source, TLoadedPicture& loaded);
  // Window's thread: stops the worker at its next step, joins it and frees
  // every result. The object can plan again afterwards.
  void Stop();

  // While one lives, the window's thread is opening a file itself: the worker
  // gives up what it is loading at its next step and starts nothing new.
  class TForegroundOpen {
   public:
    explicit TForegroundOpen(TReadAhead* readAhead);
    ~TForegroundOpen();
    TForegroundOpen(const TForegroundOpen&) = delete;
    TForegroundOpen& operator=(const TForegroundOpen&) = delete;

   private:
    TReadAhead* readAhead_;
  };

  // For tests and the bench: results held, and whether the worker is idle.
  size_t HeldResults();
  bool Idle();

 private:
  struct TResult {
    TPictureSource Source;
    TLoadedPicture Loaded;
  };
  static unsigned __stdcall ThreadMain(void* self);
  void Run();
  // With mutex_ held: the next source to load, or none.
  std::optional<TPictureSource> NextSource();
  void Keep(const TPictureSource& source, TLoadedPicture&& loaded);
  const TLoadedPicture* ResultOf(const TPictureSource& source) const;
  bool Wanted(const TPictureSource& source) const;
  bool GoOn() const;

  const uint64_t budget_;
  HANDLE thread_ = nullptr;

  // Shared with the worker, all under mutex_ but the atomics, which the
  // worker reads between steps without it.
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<TReadAheadJob> jobs_;        // what is still to be read ahead
  std::vector<TPlugin*> catalogue_;        // the plug-ins to probe, as planned
  std::vector<TResult> results_;           // read ahead, not yet taken
  std::optional<TPictureSource> working_;  // being loaded by the worker
  std::atomic<bool> stopping_{false};
  std::atomic<bool> dropWorking_{false};   // the source being loaded is no longer wanted
  std::atomic<int> foreground_{0};         // TForegroundOpen alive
};

// The read-ahead of the running viewer; null when it is off.
extern TReadAhead* ReadAhead;
