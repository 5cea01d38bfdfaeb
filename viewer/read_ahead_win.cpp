// Who runs what:
// - The window's thread plans after each picture is installed and painted
//   (Plan), takes a finished result at a page turn (Take), opens a file
//   itself when there is none (under TForegroundOpen), and stops the worker
//   when the window closes (Stop). It alone installs, shows and reports.
// - The worker, made here, loads the planned sources one at a time
//   (LoadPictureSource), keeps each outcome in results_ for the window's
//   thread, and sleeps when there is nothing to do.
// - Plug-ins are called from both, one operation at a time, under the
//   plug-in lock (plugins/plugin_lock_win.h).
// - Nothing is ever killed: the worker asks between steps whether to go on.
#include "viewer/read_ahead_win.h"

#include <process.h>

#include <algorithm>
#include <chrono>
#include <utility>

TReadAhead* ReadAhead = nullptr;

namespace {

// Plug-ins decoding large pictures may need a deep stack; the window's thread
// has the program's reserve, so the worker gets as much.
constexpr unsigned kWorkerStack = 16u << 20;

// A failure for want of memory may pass once the read-ahead blocks are freed:
// the window's thread tries such a file itself.
bool ForWantOfMemory(const TLoadedPicture& loaded) {
  return loaded.Result == ERROR_NOT_ENOUGH_MEMORY || loaded.Result == ERROR_OUTOFMEMORY ||
         (loaded.Result == -1 && loaded.Error == 4);
}

// A picture, or an archive, ends a walk's search in its direction.
bool EndsTheSearch(const TLoadedPicture& loaded) {
  return loaded.Result == 0 || loaded.Result == kArchiveOpened;
}

}  // namespace

TReadAhead::TReadAhead(uint64_t budget) : budget_(budget) {}

TReadAhead::~TReadAhead() { Stop(); }

TReadAhead::TForegroundOpen::TForegroundOpen(TReadAhead* readAhead) : readAhead_(readAhead) {
  if (readAhead_) ++readAhead_->foreground_;
}

TReadAhead::TForegroundOpen::~TForegroundOpen() {
  if (!readAhead_) return;
  {
    std::lock_guard<std::mutex> lock(readAhead_->mutex_);
    --readAhead_->foreground_;
  }
  readAhead_->changed_.notify_all();
}

const TLoadedPicture* TReadAhead::ResultOf(const TPictureSource& source) const {
  for (const TResult& r : results_)
    if (SameSource(r.Source, source)) return &r.Loaded;
  return nullptr;
}

bool TReadAhead::Wanted(const TPictureSource& source) const {
  // A job needs its candidates up to the first not loaded yet or the first
  // that ends its search; what lies beyond would only hold memory.
  for (const TReadAheadJob& job : jobs_) {
    for (const TPictureSource& candidate : job.Candidates) {
      if (SameSource(candidate, source)) return true;
      const TLoadedPicture* loaded = ResultOf(candidate);
      if (!loaded || EndsTheSearch(*loaded)) break;
    }
  }
  return false;
}

bool TReadAhead::GoOn() const { return !stopping_ && foreground_ == 0 && !dropWorking_; }

void TReadAhead::Plan(std::vector<TReadAheadJob> jobs, std::vector<TPlugin*> catalogue) {
  std::vector<TResult> unwanted;
  bool start = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    jobs_ = std::move(jobs);
    catalogue_ = std::move(catalogue);
    for (auto it = results_.begin(); it != results_.end();) {
      if (Wanted(it->Source)) {
        ++it;
      } else {
        unwanted.push_back(std::move(*it));
        it = results_.erase(it);
      }
    }
    dropWorking_ = working_ && !Wanted(*working_);
    start = !thread_ && !jobs_.empty();
  }
  changed_.notify_all();
  if (start) {
    // No thread, no read-ahead: every open is the window's own, as without it.
    thread_ = reinterpret_cast<HANDLE>(
        _beginthreadex(nullptr, kWorkerStack, &ThreadMain, this, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr));
  }
}

bool TReadAhead::Take(const TPictureSource& source, TLoadedPicture& loaded) {
  TLoadedPicture found;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    // The one being decoded is waited for, never decoded twice. Messages
    // other threads send to the window's (a plug-in's box owned by it, say)
    // are handled meanwhile, so that the worker never waits on this thread.
    const auto done = [&] { return !working_ || !SameSource(*working_, source); };
    while (!changed_.wait_for(lock, std::chrono::milliseconds(20), done)) {
      lock.unlock();
      MSG message;
      PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
      lock.lock();
    }
    // The user has moved on: nothing more is started until the picture the
    // window's thread opens now is shown and its neighbours are planned.
    jobs_.clear();
    auto it = std::find_if(results_.begin(), results_.end(),
                           [&](const TResult& r) { return SameSource(r.Source, source); });
    if (it == results_.end()) return false;
    found = std::move(it->Loaded);
    results_.erase(it);
  }
  // A file that changed since it was read is read again.
  if (!SameStamp(StampOf(source.Path), found.Stamp)) return false;
  loaded = std::move(found);
  return true;
}

void TReadAhead::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  if (thread_) {
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    thread_ = nullptr;
  }
  std::vector<TResult> freed;
  std::lock_guard<std::mutex> lock(mutex_);
  freed.swap(results_);
  jobs_.clear();
  working_.reset();
  stopping_ = false;
}

size_t TReadAhead::HeldResults() {
  std::lock_guard<std::mutex> lock(mutex_);
  return results_.size();
}

bool TReadAhead::Idle() {
  std::lock_guard<std::mutex> lock(mutex_);
  return !working_ && (foreground_ > 0 || !NextSource());
}

std::optional<TPictureSource> TReadAhead::NextSource() {
  size_t pictures = 0;
  for (const TResult& r : results_) pictures += r.Loaded.Result == 0;
  for (const TReadAheadJob& job : jobs_) {
    for (const TPictureSource& candidate : job.Candidates) {
      const TLoadedPicture* loaded = ResultOf(candidate);
      if (!loaded) {
        if (pictures >= kReadAheadPictures) return std::nullopt;
        return candidate;
      }
      if (EndsTheSearch(*loaded)) break;
    }
  }
  return std::nullopt;
}

void TReadAhead::Keep(const TPictureSource& source, TLoadedPicture&& loaded) {
  if (loaded.Result == kLoadGivenUp || ForWantOfMemory(loaded)) {
    // Too large to read ahead: the walk's search stops there, and the
    // window's thread opens it when the user gets there.
    jobs_.erase(std::remove_if(jobs_.begin(), jobs_.end(),
                               [&](const TReadAheadJob& job) {
                                 return std::any_of(job.Candidates.begin(), job.Candidates.end(),
                                                    [&](const TPictureSource& c) { return SameSource(c, source); });
                               }),
                jobs_.end());
    return;
  }
  results_.push_back({source, std::move(loaded)});
}

unsigned __stdcall TReadAhead::ThreadMain(void* self) {
  static_cast<TReadAhead*>(self)->Run();
  return 0;
}

void TReadAhead::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  while (!stopping_) {
    std::optional<TPictureSource> source;
    if (foreground_ == 0) source = NextSource();
    if (!source) {
      changed_.wait(lock);
      continue;
    }
    working_ = source;
    dropWorking_ = false;
    const std::vector<TPlugin*> catalogue = catalogue_;
    uint64_t held = 0;
    for (const TResult& r : results_) held += static_cast<uint64_t>(std::max(r.Loaded.Picture.BitsSize, 0));
    lock.unlock();

    TLoadedPicture loaded;
    const TLoadLimits limits{[this] { return GoOn(); }, held < budget_ ? budget_ - held : 0};
    LoadPictureSource(*source, catalogue, limits, loaded);
    // Given up because it was asked to (not because it would not fit): it is
    // tried again when the way is clear, if it is still wanted.
    const bool interrupted = loaded.Result == kLoadGivenUp && !GoOn();

    lock.lock();
    working_.reset();
    if (!interrupted && Wanted(*source)) Keep(*source, std::move(loaded));
    changed_.notify_all();
    // What is not kept is freed here, before the next load.
    loaded.Release();
  }
}
