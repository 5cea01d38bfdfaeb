#include "plugins/bridge_protocol.h"

#include <cstring>

namespace {

// Field offsets of the request header.
enum : size_t {
  kQMagic = 0,
  kQVersion = 4,
  kQSequence = 8,
  kQOp = 12,
  kQSlot = 16,
  kQFlags = 20,
  kQNameBytes = 24,
  kQHeaderBytes = 28,
  kQNumber = 32,
  kQReturns = 36,
  kQPosition = 40,
  kQWindow = 48,
  kQBlock = 56,
  kQBlockSize = 64,
};
static_assert(kQBlockSize + 8 <= kBridgeRequestHeaderSize);

// Field offsets of the reply header.
enum : size_t {
  kAMagic = 0,
  kAVersion = 4,
  kASequence = 8,
  kAOp = 12,
  kAEnd = 16,
  kACode = 20,
  kAFaultCode = 24,
  kAExports = 28,
  kASlot = 32,
  kAColorDepth = 36,
  kAFlags = 40,
  kATextBytes = 44,
  kAHeaderBytes = 48,
  kABlockId = 52,
  kABlock = 56,
  kABlockSize = 64,
};
static_assert(kABlockSize + 8 == kBridgeReplyHeaderSize);

constexpr uint32_t kWideFlag = 1;

template <typename T>
void Put(uint8_t* out, size_t at, T value) {
  std::memcpy(out + at, &value, sizeof value);
}

template <typename T>
T Get(const uint8_t* in, size_t at) {
  T value;
  std::memcpy(&value, in + at, sizeof value);
  return value;
}

bool NameCarried(TBridgeOp op) {
  return op == TBridgeOp::Load || op == TBridgeOp::Probe || op == TBridgeOp::List || op == TBridgeOp::Extract;
}

// No terminator inside: the helper adds the one the plug-in reads up to.
bool NameWithoutNul(const std::string& name, bool wide) {
  if (!wide) return name.find('\0') == std::string::npos;
  for (size_t i = 0; i + 1 < name.size(); i += 2)
    if (name[i] == '\0' && name[i + 1] == '\0') return false;
  return true;
}

// A block named by a handle and its size: both or neither.
bool BlockPair(uint64_t block, uint64_t size) { return (block == 0) == (size == 0) && size <= kBridgeBlockMax; }

bool ValidCall(const TBridgeCall& c) {
  const uint32_t op = static_cast<uint32_t>(c.Op);
  if (op < 1 || op > kBridgeOpLast || c.Slot >= kBridgeSlotMax) return false;
  // Plug-ins are loaded by their path in the system code page.
  if (c.Op == TBridgeOp::Load && c.WideName) return false;
  if (NameCarried(c.Op) != !c.Name.empty() || c.Name.size() > kBridgeNameMax) return false;
  if (c.WideName && (c.Name.size() % 2 != 0 || !NameCarried(c.Op))) return false;
  if (!NameWithoutNul(c.Name, c.WideName)) return false;
  if (c.Header.size() != (c.Op == TBridgeOp::Probe ? kBridgeProbeHeader : 0)) return false;
  if (c.Number != 0 && c.Op != TBridgeOp::Info && c.Op != TBridgeOp::Configure) return false;
  if (c.Position != 0 && c.Op != TBridgeOp::List && c.Op != TBridgeOp::Extract) return false;
  if (c.Window != 0 && c.Op != TBridgeOp::Configure) return false;
  if (c.Returns.size() > kBridgeReturnsMax) return false;
  for (uint32_t id : c.Returns)
    if (id == 0) return false;
  if (c.Op == TBridgeOp::Decode) return BlockPair(c.Block, c.BlockSize);
  return c.Block == 0 && c.BlockSize == 0;
}

bool ValidAnswer(const TBridgeAnswer& a, const TBridgeCall& asked) {
  const uint32_t end = static_cast<uint32_t>(a.End);
  if (a.Op != asked.Op || a.Sequence != asked.Sequence || end > kBridgeEndLast) return false;
  const bool returned = a.End == TBridgeEnd::Returned;
  if (!returned && a.Code != 0) return false;
  if ((a.End == TBridgeEnd::Faulted) != (a.FaultCode != 0)) return false;
  if (a.Op != TBridgeOp::Load && (a.Exports != 0 || a.Slot != 0)) return false;
  if ((a.Exports & ~uint32_t{kBridgeExportsKnown}) != 0 || a.Slot >= kBridgeSlotMax) return false;
  if (a.ColorDepth != 0 && (a.Op != TBridgeOp::Decode || a.ColorDepth < INT16_MIN || a.ColorDepth > INT16_MAX))
    return false;
  if (a.WideRecords && a.Op != TBridgeOp::List) return false;
  const bool texts = a.Op == TBridgeOp::Info || a.Op == TBridgeOp::Decode;
  if (a.Text.size() > (texts && returned ? kBridgeTextMax : 0)) return false;
  if (a.Header.size() > (a.Op == TBridgeOp::Decode && returned ? kBridgeHeaderMax : 0)) return false;
  const bool blocks = a.Op == TBridgeOp::Decode || a.Op == TBridgeOp::List || a.Op == TBridgeOp::Extract;
  if (!(blocks && returned && a.Code == 0) && (a.Block != 0 || a.BlockSize != 0)) return false;
  return BlockPair(a.Block, a.BlockSize) && (a.Block == 0) == (a.BlockId == 0);
}

}  // namespace

size_t EncodeCall(const TBridgeCall& call, uint8_t* out, size_t capacity) {
  if (!ValidCall(call)) return 0;
  const size_t returns = 4 * call.Returns.size();
  const size_t total = kBridgeRequestHeaderSize + call.Name.size() + call.Header.size() + returns;
  if (total > capacity || total > kBridgeRequestArea) return 0;
  std::memset(out, 0, kBridgeRequestHeaderSize);
  Put<uint32_t>(out, kQMagic, kBridgeMagic);
  Put<uint32_t>(out, kQVersion, kBridgeVersion);
  Put<uint32_t>(out, kQSequence, call.Sequence);
  Put<uint32_t>(out, kQOp, static_cast<uint32_t>(call.Op));
  Put<uint32_t>(out, kQSlot, call.Slot);
  Put<uint32_t>(out, kQFlags, call.WideName ? kWideFlag : 0);
  Put<uint32_t>(out, kQNameBytes, static_cast<uint32_t>(call.Name.size()));
  Put<uint32_t>(out, kQHeaderBytes, static_cast<uint32_t>(call.Header.size()));
  Put<int32_t>(out, kQNumber, call.Number);
  Put<uint32_t>(out, kQReturns, static_cast<uint32_t>(call.Returns.size()));
  Put<uint64_t>(out, kQPosition, call.Position);
  Put<uint64_t>(out, kQWindow, call.Window);
  Put<uint64_t>(out, kQBlock, call.Block);
  Put<uint64_t>(out, kQBlockSize, call.BlockSize);
  uint8_t* payload = out + kBridgeRequestHeaderSize;
  if (!call.Name.empty()) std::memcpy(payload, call.Name.data(), call.Name.size());
  if (!call.Header.empty()) std::memcpy(payload + call.Name.size(), call.Header.data(), call.Header.size());
  if (returns) std::memcpy(payload + call.Name.size() + call.Header.size(), call.Returns.data(), returns);
  return total;
}

bool PeekCall(const uint8_t* in, size_t size, uint32_t& sequence, uint32_t& op) {
  if (size < kBridgeRequestHeaderSize || Get<uint32_t>(in, kQMagic) != kBridgeMagic ||
      Get<uint32_t>(in, kQVersion) != kBridgeVersion)
    return false;
  sequence = Get<uint32_t>(in, kQSequence);
  op = Get<uint32_t>(in, kQOp);
  return true;
}

bool DecodeCall(const uint8_t* in, size_t size, TBridgeCall& call) {
  uint32_t sequence = 0, op = 0;
  if (!PeekCall(in, size, sequence, op)) return false;
  const uint32_t flags = Get<uint32_t>(in, kQFlags);
  const uint64_t nameBytes = Get<uint32_t>(in, kQNameBytes);
  const uint64_t headerBytes = Get<uint32_t>(in, kQHeaderBytes);
  const uint64_t returns = Get<uint32_t>(in, kQReturns);
  if ((flags & ~kWideFlag) != 0 || nameBytes > kBridgeNameMax || headerBytes > kBridgeProbeHeader ||
      returns > kBridgeReturnsMax || nameBytes + headerBytes + 4 * returns > size - kBridgeRequestHeaderSize)
    return false;
  // The reserved word is zero, so a later version's fields are never misread.
  if (Get<uint64_t>(in, 72) != 0) return false;
  TBridgeCall c;
  c.Op = static_cast<TBridgeOp>(op);
  c.Sequence = sequence;
  c.Slot = Get<uint32_t>(in, kQSlot);
  c.WideName = (flags & kWideFlag) != 0;
  const char* payload = reinterpret_cast<const char*>(in + kBridgeRequestHeaderSize);
  c.Name.assign(payload, static_cast<size_t>(nameBytes));
  c.Header.assign(payload + nameBytes, static_cast<size_t>(headerBytes));
  c.Returns.resize(static_cast<size_t>(returns));
  if (returns) std::memcpy(c.Returns.data(), payload + nameBytes + headerBytes, static_cast<size_t>(4 * returns));
  c.Number = Get<int32_t>(in, kQNumber);
  c.Position = Get<uint64_t>(in, kQPosition);
  c.Window = Get<uint64_t>(in, kQWindow);
  c.Block = Get<uint64_t>(in, kQBlock);
  c.BlockSize = Get<uint64_t>(in, kQBlockSize);
  if (!ValidCall(c)) return false;
  call = std::move(c);
  return true;
}

size_t EncodeAnswer(const TBridgeAnswer& answer, uint8_t* out, size_t capacity) {
  TBridgeCall asked;
  asked.Op = answer.Op;
  asked.Sequence = answer.Sequence;
  if (!ValidAnswer(answer, asked)) return 0;
  const size_t total = kBridgeReplyHeaderSize + answer.Text.size() + answer.Header.size();
  if (total > capacity) return 0;
  std::memset(out, 0, kBridgeReplyHeaderSize);
  Put<uint32_t>(out, kAMagic, kBridgeMagic);
  Put<uint32_t>(out, kAVersion, kBridgeVersion);
  Put<uint32_t>(out, kASequence, answer.Sequence);
  Put<uint32_t>(out, kAOp, static_cast<uint32_t>(answer.Op));
  Put<uint32_t>(out, kAEnd, static_cast<uint32_t>(answer.End));
  Put<int32_t>(out, kACode, answer.Code);
  Put<uint32_t>(out, kAFaultCode, answer.FaultCode);
  Put<uint32_t>(out, kAExports, answer.Exports);
  Put<uint32_t>(out, kASlot, answer.Slot);
  Put<int32_t>(out, kAColorDepth, answer.ColorDepth);
  Put<uint32_t>(out, kAFlags, answer.WideRecords ? kWideFlag : 0);
  Put<uint32_t>(out, kATextBytes, static_cast<uint32_t>(answer.Text.size()));
  Put<uint32_t>(out, kAHeaderBytes, static_cast<uint32_t>(answer.Header.size()));
  Put<uint32_t>(out, kABlockId, answer.BlockId);
  Put<uint64_t>(out, kABlock, answer.Block);
  Put<uint64_t>(out, kABlockSize, answer.BlockSize);
  uint8_t* payload = out + kBridgeReplyHeaderSize;
  if (!answer.Text.empty()) std::memcpy(payload, answer.Text.data(), answer.Text.size());
  if (!answer.Header.empty()) std::memcpy(payload + answer.Text.size(), answer.Header.data(), answer.Header.size());
  return total;
}

bool DecodeAnswer(const uint8_t* in, size_t size, const TBridgeCall& asked, TBridgeAnswer& answer) {
  if (size < kBridgeReplyHeaderSize || Get<uint32_t>(in, kAMagic) != kBridgeMagic ||
      Get<uint32_t>(in, kAVersion) != kBridgeVersion)
    return false;
  const uint32_t flags = Get<uint32_t>(in, kAFlags);
  const uint64_t textBytes = Get<uint32_t>(in, kATextBytes);
  const uint64_t headerBytes = Get<uint32_t>(in, kAHeaderBytes);
  if ((flags & ~kWideFlag) != 0 || textBytes > kBridgeTextMax ||
      headerBytes > kBridgeHeaderMax || textBytes + headerBytes > size - kBridgeReplyHeaderSize)
    return false;
  TBridgeAnswer a;
  a.Op = static_cast<TBridgeOp>(Get<uint32_t>(in, kAOp));
  a.Sequence = Get<uint32_t>(in, kASequence);
  a.End = static_cast<TBridgeEnd>(Get<uint32_t>(in, kAEnd));
  a.Code = Get<int32_t>(in, kACode);
  a.FaultCode = Get<uint32_t>(in, kAFaultCode);
  a.Exports = Get<uint32_t>(in, kAExports);
  a.Slot = Get<uint32_t>(in, kASlot);
  a.ColorDepth = Get<int32_t>(in, kAColorDepth);
  a.WideRecords = (flags & kWideFlag) != 0;
  const char* payload = reinterpret_cast<const char*>(in + kBridgeReplyHeaderSize);
  a.Text.assign(payload, static_cast<size_t>(textBytes));
  a.Header.assign(payload + textBytes, static_cast<size_t>(headerBytes));
  a.BlockId = Get<uint32_t>(in, kABlockId);
  a.Block = Get<uint64_t>(in, kABlock);
  a.BlockSize = Get<uint64_t>(in, kABlockSize);
  if (!ValidAnswer(a, asked)) return false;
  answer = std::move(a);
  return true;
}

size_t RequestPayloadBytes(const uint8_t* header) {
  const uint64_t name = Get<uint32_t>(header, kQNameBytes), probe = Get<uint32_t>(header, kQHeaderBytes);
  const uint64_t returns = Get<uint32_t>(header, kQReturns);
  if (Get<uint32_t>(header, kQMagic) != kBridgeMagic || name > kBridgeNameMax || probe > kBridgeProbeHeader ||
      returns > kBridgeReturnsMax)
    return 0;
  return static_cast<size_t>(name + probe + 4 * returns);
}

size_t ReplyPayloadBytes(const uint8_t* header) {
  const uint64_t text = Get<uint32_t>(header, kATextBytes), block = Get<uint32_t>(header, kAHeaderBytes);
  if (Get<uint32_t>(header, kAMagic) != kBridgeMagic || text > kBridgeTextMax || block > kBridgeHeaderMax) return 0;
  return static_cast<size_t>(text + block);
}

void WriteHello(uint8_t* replyArea) {
  std::memset(replyArea, 0, kBridgeReplyHeaderSize);
  Put<uint32_t>(replyArea, kAMagic, kBridgeMagic);
  Put<uint32_t>(replyArea, kAVersion, kBridgeVersion);
}

bool IsHello(const uint8_t* replyArea) {
  uint8_t hello[kBridgeReplyHeaderSize];
  WriteHello(hello);
  return std::memcmp(replyArea, hello, sizeof hello) == 0;
}

uint16_t PeMachine(const uint8_t* bytes, size_t size) {
  constexpr size_t kNewHeaderAt = 0x3C;
  if (size < kNewHeaderAt + 4 || bytes[0] != 'M' || bytes[1] != 'Z') return 0;
  const uint64_t at = Get<uint32_t>(bytes, kNewHeaderAt);
  if (at > size || size - at < 6 || std::memcmp(bytes + at, "PE\0\0", 4) != 0) return 0;
  return Get<uint16_t>(bytes, static_cast<size_t>(at) + 4);
}
