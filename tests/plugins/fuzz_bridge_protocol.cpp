// Whatever the other side of the 32-bit helper's channel writes: a request
// the helper reads, a reply the viewer reads (to each kind of call), and the
// first bytes of a DLL whose width is asked. Nothing is read outside the
// bytes, and what is accepted is written back to the same bytes' meaning.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "plugins/bridge_protocol.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Copied so that the bounds are the input's own.
  std::vector<uint8_t> bytes(data, data + size);
  const uint8_t* in = bytes.data();
  if (size >= kBridgeRequestHeaderSize && RequestPayloadBytes(in) > kBridgeRequestPayload) __builtin_trap();
  if (size >= kBridgeReplyHeaderSize && ReplyPayloadBytes(in) > kBridgeReplyPayload) __builtin_trap();

  TBridgeCall call;
  if (DecodeCall(in, size, call)) {
    std::vector<uint8_t> again(kBridgeRequestArea);
    const size_t n = EncodeCall(call, again.data(), again.size());
    TBridgeCall back;
    if (n == 0 || !DecodeCall(again.data(), n, back) || back.Name != call.Name || back.Header != call.Header ||
        back.Returns != call.Returns)
      __builtin_trap();
  }
  for (uint32_t op = 1; op <= kBridgeOpLast; ++op) {
    TBridgeCall asked;
    asked.Op = static_cast<TBridgeOp>(op);
    asked.Sequence = size >= 12 ? static_cast<uint32_t>(in[8] | in[9] << 8 | in[10] << 16 | in[11] << 24) : 0;
    TBridgeAnswer answer;
    if (!DecodeAnswer(in, size, asked, answer)) continue;
    if (answer.Text.size() > kBridgeTextMax || answer.Header.size() > kBridgeHeaderMax ||
        answer.BlockSize > kBridgeBlockMax || (answer.Block == 0) != (answer.BlockSize == 0) ||
        (answer.Block == 0) != (answer.BlockId == 0))
      __builtin_trap();
    std::vector<uint8_t> again(kBridgeReplyArea);
    if (EncodeAnswer(answer, again.data(), again.size()) == 0) __builtin_trap();
  }
  PeMachine(in, size);
  return 0;
}
