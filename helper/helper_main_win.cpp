// orvspi32.exe: the 32-bit helper through which the 64-bit edition of Orv
// calls 32-bit plug-ins (plugins/bridge_host_win.h starts it). Its command
// line names, as handle values it inherited, the channel's section, the
// request and reply events, and the viewer's process. It answers one request
// at a time until the viewer ends, and ends with it.

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "framework/handles.h"
#include "helper/helper_calls_win.h"
#include "plugins/bridge_protocol.h"

namespace {

HANDLE viewer = nullptr;

// Ends the helper when the viewer has ended, whatever the helper is doing
// (a plug-in may never return).
DWORD WINAPI WatchViewer(LPVOID) {
  WaitForSingleObject(viewer, INFINITE);
  TerminateProcess(GetCurrentProcess(), 0);
  return 0;
}

// A fault outside every guard (a DLL's entry point faulting while it loads)
// ends the helper at once, without a crash report: the viewer sees it end.
LONG WINAPI EndQuietly(EXCEPTION_POINTERS* pointers) {
  TerminateProcess(GetCurrentProcess(), pointers->ExceptionRecord->ExceptionCode);
  return EXCEPTION_EXECUTE_HANDLER;
}

// The request, copied out of the channel (header, then as much payload as it
// names) so that nothing changes under the decoder.
std::vector<uint8_t> CopyRequest(const uint8_t* area) {
  std::vector<uint8_t> copy(area, area + kBridgeRequestHeaderSize);
  const size_t payload = RequestPayloadBytes(copy.data());
  copy.insert(copy.end(), area + kBridgeRequestHeaderSize, area + kBridgeRequestHeaderSize + payload);
  return copy;
}

void Reply(uint8_t* area, TBridgeAnswer answer) {
  if (EncodeAnswer(answer, area, kBridgeReplyArea) != 0) return;
  // An answer that breaks the rules would be refused: it never leaves.
  TBridgeAnswer failed;
  failed.Op = answer.Op;
  failed.Sequence = answer.Sequence;
  failed.End = TBridgeEnd::Failed;
  EncodeAnswer(failed, area, kBridgeReplyArea);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  SetUnhandledExceptionFilter(EndQuietly);
  unsigned long long values[4] = {};
  if (std::sscanf(commandLine, "%llx %llx %llx %llx", &values[0], &values[1], &values[2], &values[3]) != 4) return 2;
  auto handle = [](unsigned long long value) { return reinterpret_cast<HANDLE>(static_cast<uintptr_t>(value)); };
  KernelHandle section(handle(values[0])), request(handle(values[1])), reply(handle(values[2]));
  viewer = handle(values[3]);
  MappedView channel(MapViewOfFile(section.get(), FILE_MAP_WRITE, 0, 0, kBridgeChannelSize));
  if (!channel) return 3;
  KernelHandle watch(CreateThread(nullptr, 0, WatchViewer, nullptr, 0, nullptr));
  if (!watch) return 4;

  uint8_t* requestArea = static_cast<uint8_t*>(channel.get());
  uint8_t* replyArea = requestArea + kBridgeReplyOffset;
  WriteHello(replyArea);
  SetEvent(reply.get());

  THelperCalls calls;
  for (;;) {
    if (WaitForSingleObject(request.get(), INFINITE) != WAIT_OBJECT_0) return 5;
    const std::vector<uint8_t> copy = CopyRequest(requestArea);
    TBridgeCall call;
    if (DecodeCall(copy.data(), copy.size(), call)) {
      Reply(replyArea, calls.Serve(call));
    } else {
      // Refused, under the request's own number where it can be read.
      TBridgeAnswer failed;
      uint32_t sequence = 0, op = 0;
      PeekCall(copy.data(), copy.size(), sequence, op);
      failed.Op = static_cast<TBridgeOp>(op);
      failed.Sequence = sequence;
      Reply(replyArea, failed);
    }
    SetEvent(reply.get());
  }
}
