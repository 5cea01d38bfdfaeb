#include "plugins/bridge_host_win.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "plugins/bridge_wait_win.h"
#include "util/sutil_win.h"

namespace {

constexpr const char* kHelperName = "orvspi32.exe";
constexpr DWORD kDefaultPatience = 30000;

// A block the helper lent, by the address of this process's view of it
// (null until it is mapped; a block never mapped goes back at once).
struct TLent {
  const void* View;
  uint32_t Id;
};

struct THelper {
  KernelHandle Process;
  KernelHandle Job;
  KernelHandle Section;
  KernelHandle Request;
  KernelHandle Reply;
  MappedView Channel;
  DWORD ProcessId = 0;
  uint32_t Generation = 0;
  std::vector<TLent> Lent;
};

// Blocks lent and given back: more than this stay with the viewer unreturned
// (the helper makes new ones).
constexpr size_t kLentMax = 256;

// The helper and what is known about starting one, guarded by PluginCallLock.
struct TBridgeState {
  std::unique_ptr<THelper> Running;
  uint32_t Generations = 0;
  uint32_t Sequence = 0;
  bool InCall = false;
  // A helper that could not be started, or ended before it was ready, is not
  // tried again in this run: the machine may run no 32-bit code at all.
  bool StartFailed = false;
  std::string Program;
  DWORD Patience = kDefaultPatience;
};

TBridgeState& State() {
  static auto* state = new TBridgeState;
  return *state;
}

std::string HelperProgram() {
  if (!State().Program.empty()) return State().Program;
  char module[MAX_PATH + 1] = {};
  GetModuleFileNameA(nullptr, module, MAX_PATH);
  return FolderOf(module) + kHelperName;
}

// Ends the running helper, if any, and forgets it.
void EndHelper() {
  std::unique_ptr<THelper> helper = std::move(State().Running);
  if (!helper) return;
  TerminateProcess(helper->Process.get(), 1);
  WaitForSingleObject(helper->Process.get(), 5000);
}

std::string HandleText(HANDLE h) {
  char text[24];
  std::snprintf(text, sizeof text, "%llx", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(h)));
  return text;
}

// A job that ends the helper when the viewer's last handle to it closes, as
// it does when the viewer ends however it ends. Systems that cannot nest jobs
// refuse it for a viewer that runs in a job; the helper's own watch remains.
KernelHandle EndingJob(HANDLE process) {
  KernelHandle job(CreateJobObjectA(nullptr, nullptr));
  if (!job) return job;
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  if (!SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits) ||
      !AssignProcessToJobObject(job.get(), process))
    job.reset();
  return job;
}

// The helper's start: the channel and its two events, inherited by the helper
// under the same values, which its command line names with the viewer's
// process (for the helper to watch).
bool StartHelper() {
  TBridgeState& state = State();
  if (state.StartFailed) return false;
  state.StartFailed = true;
  const std::string program = HelperProgram();
  if (GetFileAttributesA(program.c_str()) == INVALID_FILE_ATTRIBUTES) return false;

  auto helper = std::make_unique<THelper>();
  SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  helper->Section.reset(CreateFileMappingA(INVALID_HANDLE_VALUE, &inherited, PAGE_READWRITE, 0,
                                           static_cast<DWORD>(kBridgeChannelSize), nullptr));
  helper->Request.reset(CreateEventA(&inherited, FALSE, FALSE, nullptr));
  helper->Reply.reset(CreateEventA(&inherited, FALSE, FALSE, nullptr));
  HANDLE self = nullptr;
  DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self, SYNCHRONIZE, TRUE, 0);
  KernelHandle viewer(self);
  if (!helper->Section || !helper->Request || !helper->Reply || !viewer) return false;
  helper->Channel.reset(MapViewOfFile(helper->Section.get(), FILE_MAP_WRITE, 0, 0, kBridgeChannelSize));
  if (!helper->Channel) return false;
  std::memset(helper->Channel.get(), 0, kBridgeChannelSize);

  std::string commandLine = "\"" + program + "\" " + HandleText(helper->Section.get()) + " " +
                            HandleText(helper->Request.get()) + " " + HandleText(helper->Reply.get()) + " " +
                            HandleText(viewer.get());
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  // Started in its own folder, so that it holds no folder of the user's open.
  if (!CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                      CREATE_SUSPENDED | CREATE_NO_WINDOW, nullptr, FolderOf(program).c_str(), &startup, &info))
    return false;
  helper->Process.reset(info.hProcess);
  helper->ProcessId = info.dwProcessId;
  helper->Job = EndingJob(info.hProcess);
  ResumeThread(info.hThread);
  CloseHandle(info.hThread);
  viewer.reset();

  // Ready once it has mapped the channel and said hello; a helper that ends
  // first (a machine that runs no 32-bit code ends it at once) never is.
  const uint8_t* reply = static_cast<const uint8_t*>(helper->Channel.get()) + kBridgeReplyOffset;
  state.InCall = true;
  const THelperWait wait = WaitForHelper(helper->Reply.get(), helper->Process.get(), helper->ProcessId, state.Patience);
  state.InCall = false;
  if (wait != THelperWait::Answered || !IsHello(reply)) {
    TerminateProcess(helper->Process.get(), 1);
    return false;
  }
  helper->Generation = ++state.Generations;
  state.Running = std::move(helper);
  state.StartFailed = false;
  return true;
}

// Whether the view at address is no longer mapped: its address is free, or
// begins no mapped region. A view still mapped always begins one, so a block
// is never given back while the viewer still shows it.
bool Unmapped(const void* view) {
  MEMORY_BASIC_INFORMATION m;
  if (VirtualQuery(view, &m, sizeof m) != sizeof m) return true;
  return m.State == MEM_FREE || m.AllocationBase != view || m.Type != MEM_MAPPED;
}

// The ids of the lent blocks whose views are gone, for the next request.
std::vector<uint32_t> Returns(const THelper& helper) {
  std::vector<uint32_t> ids;
  for (const TLent& lent : helper.Lent)
    if (ids.size() < kBridgeReturnsMax && (!lent.View || Unmapped(lent.View))) ids.push_back(lent.Id);
  return ids;
}

void Forget(THelper& helper, const std::vector<uint32_t>& ids) {
  std::erase_if(helper.Lent, [&ids](const TLent& lent) {
    return std::find(ids.begin(), ids.end(), lent.Id) != ids.end();
  });
}

// Copies the reply out of the channel, header first, so that what is decoded
// cannot change under the decoder.
bool ReadReply(const uint8_t* area, const TBridgeCall& call, TBridgeAnswer& answer) {
  std::vector<uint8_t> copy(kBridgeReplyHeaderSize);
  std::memcpy(copy.data(), area, kBridgeReplyHeaderSize);
  const size_t payload = ReplyPayloadBytes(copy.data());
  copy.resize(kBridgeReplyHeaderSize + payload);
  std::memcpy(copy.data() + kBridgeReplyHeaderSize, area + kBridgeReplyHeaderSize, payload);
  return DecodeAnswer(copy.data(), copy.size(), call, answer);
}

}  // namespace

bool EnsureHelper() {
  // While one starts, a message sent to the viewer may lead back here.
  if (State().Running || State().InCall) return State().Running != nullptr;
  return StartHelper();
}

uint32_t HelperGeneration() { return State().Running ? State().Running->Generation : 0; }

THelperOutcome CallHelper(TBridgeCall& call, TBridgeAnswer& answer) {
  TBridgeState& state = State();
  // A message sent to the viewer while it waits may lead back here.
  if (state.InCall) return THelperOutcome::NotSent;
  if (!EnsureHelper()) return THelperOutcome::NotStarted;
  THelper& helper = *state.Running;
  uint8_t* channel = static_cast<uint8_t*>(helper.Channel.get());
  call.Sequence = ++state.Sequence;
  call.Returns = Returns(helper);
  if (EncodeCall(call, channel, kBridgeRequestArea) == 0) return THelperOutcome::NotSent;
  Forget(helper, call.Returns);

  state.InCall = true;
  SetEvent(helper.Request.get());
  const THelperWait wait = WaitForHelper(helper.Reply.get(), helper.Process.get(), helper.ProcessId, state.Patience);
  state.InCall = false;
  if (wait == THelperWait::Answered && ReadReply(channel + kBridgeReplyOffset, call, answer)) {
    if (answer.BlockId != 0) {
      if (helper.Lent.size() >= kLentMax) helper.Lent.erase(helper.Lent.begin());
      helper.Lent.push_back({nullptr, answer.BlockId});
    }
    return THelperOutcome::Answered;
  }
  EndHelper();
  if (wait == THelperWait::Hung) return THelperOutcome::Hung;
  return wait == THelperWait::Ended ? THelperOutcome::Ended : THelperOutcome::Broken;
}

uint64_t SendBlock(const uint8_t* data, size_t size) {
  if (size == 0 || size > kBridgeBlockMax || !EnsureHelper()) return 0;
  const uint64_t size64 = size;
  KernelHandle section(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE,
                                          static_cast<DWORD>(size64 >> 32), static_cast<DWORD>(size64), nullptr));
  if (!section) return 0;
  {
    MappedView view(MapViewOfFile(section.get(), FILE_MAP_WRITE, 0, 0, size));
    if (!view) return 0;
    std::memcpy(view.get(), data, size);
  }
  HANDLE theirs = nullptr;
  if (!DuplicateHandle(GetCurrentProcess(), section.get(), State().Running->Process.get(), &theirs, 0, FALSE,
                       DUPLICATE_SAME_ACCESS))
    return 0;
  return reinterpret_cast<uintptr_t>(theirs);
}

MappedView TakeBlock(uint64_t helperHandle, uint64_t size, uint32_t id) {
  if (!State().Running || helperHandle == 0 || helperHandle > UINT32_MAX || size == 0 || size > kBridgeBlockMax)
    return MappedView();
  THelper& helper = *State().Running;
  HANDLE mine = nullptr;
  if (!DuplicateHandle(State().Running->Process.get(), reinterpret_cast<HANDLE>(static_cast<uintptr_t>(helperHandle)),
                       GetCurrentProcess(), &mine, 0, FALSE, DUPLICATE_SAME_ACCESS))
    return MappedView();
  KernelHandle section(mine);
  // Copy-on-write: what the viewer writes stays its own, whatever the section
  // is backed by. A handle that is no section, or a smaller one, maps nothing.
  MappedView view(MapViewOfFile(section.get(), FILE_MAP_COPY, 0, 0, static_cast<SIZE_T>(size)));
  if (view) {
    for (TLent& lent : helper.Lent)
      if (lent.Id == id && !lent.View) lent.View = view.get();
  }
  return view;
}

void SetHelperProgram(const std::string& path) {
  EndHelper();
  State().Program = path;
  State().StartFailed = false;
}

void SetHelperPatience(DWORD milliseconds) { State().Patience = milliseconds ? milliseconds : kDefaultPatience; }

DWORD HelperProcessId() { return State().Running ? State().Running->ProcessId : 0; }
