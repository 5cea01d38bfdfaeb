#pragma once
// The 64-bit edition calls 32-bit plug-ins in a helper process of their width
// (orvspi32.exe). The two talk through one shared channel: the host writes a
// request, signals, and waits; the helper writes the reply and signals back.
// One call is in flight at a time. Each message is a fixed header followed by
// a payload (a file name, a probe's header bytes, a text, a picture's header
// block). Blocks too large for the channel (file images, pixels, members,
// archive records) travel in sections of shared memory of their own, named in
// the header by a handle value of the process that opens them. The helper
// lends its blocks' sections, each under an id; the host's requests give back
// the ids of those whose views it has let go, so that the helper fills them
// again rather than touching fresh pages (which cost more than the copy).
//
// Either side treats what the other wrote as untrusted input: a message is
// copied out of the channel first, then every field and length is checked
// here before anything is used. A message that breaks a rule is refused.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

constexpr uint32_t kBridgeMagic = 0x4256524F;  // "ORVB"
constexpr uint32_t kBridgeVersion = 1;

enum class TBridgeOp : uint32_t {
  Load = 1,   // load the DLL at Name: its slot and exports
  Info,       // GetPluginInfo(Number)
  Probe,      // IsSupported(Name, Header)
  Decode,     // GetPictureInfo and GetPicture on the image in Block
  List,       // GetArchiveInfo(Name, Position)
  Extract,    // GetFile(Name, Position) into memory
  Configure,  // ConfigurationDlg(Window, Number)
};
constexpr uint32_t kBridgeOpLast = static_cast<uint32_t>(TBridgeOp::Configure);

// How the helper's call ended.
enum class TBridgeEnd : uint32_t {
  Returned = 0,  // the export returned Code
  Faulted,       // the plug-in stopped with exception FaultCode
  Refused,       // it had faulted before and was not called again
  Failed,        // the helper could not make the call (no such DLL or slot,
                 // a section that did not open, memory it could not have)
};
constexpr uint32_t kBridgeEndLast = static_cast<uint32_t>(TBridgeEnd::Failed);

// The exports a loaded plug-in has (TBridgeAnswer::Exports). The wide twins
// take UTF-16 file names.
enum : uint32_t {
  kBridgeHasGetPluginInfo = 1u << 0,
  kBridgeHasIsSupported = 1u << 1,
  kBridgeHasGetPictureInfo = 1u << 2,
  kBridgeHasGetPicture = 1u << 3,
  kBridgeHasGetArchiveInfo = 1u << 4,
  kBridgeHasGetFile = 1u << 5,
  kBridgeHasConfigurationDlg = 1u << 6,
  kBridgeHasIsSupportedW = 1u << 7,
  kBridgeHasGetArchiveInfoW = 1u << 8,
  kBridgeHasGetFileW = 1u << 9,
  kBridgeExportsKnown = (1u << 10) - 1,
};

// Limits both sides hold the other to.
constexpr size_t kBridgeNameMax = 65534;      // bytes: 32,767 UTF-16 units, the longest path
constexpr size_t kBridgeProbeHeader = 2048;   // the probe's file header, exactly
constexpr size_t kBridgeTextMax = 65536;      // a text's bytes; longer texts are cut
constexpr size_t kBridgeHeaderMax = 1164;     // a picture's header block: V5 header, masks, 256 colours
constexpr uint64_t kBridgeBlockMax = INT32_MAX;  // a block's bytes, as sizes are held in 31 bits
constexpr uint32_t kBridgeSlotMax = 65536;    // plug-ins one helper holds
constexpr size_t kBridgeReturnsMax = 64;      // block ids given back in one request

// The channel: a request area, then a reply area, each a header and its payload.
constexpr size_t kBridgeRequestHeaderSize = 80;
constexpr size_t kBridgeReplyHeaderSize = 72;
constexpr size_t kBridgeRequestPayload = kBridgeNameMax + kBridgeProbeHeader + 4 * kBridgeReturnsMax;
constexpr size_t kBridgeReplyPayload = kBridgeTextMax + kBridgeHeaderMax;
constexpr size_t kBridgeRequestArea = kBridgeRequestHeaderSize + kBridgeRequestPayload;
constexpr size_t kBridgeReplyArea = kBridgeReplyHeaderSize + kBridgeReplyPayload;
constexpr size_t kBridgeReplyOffset = (kBridgeRequestArea + 63) / 64 * 64;
constexpr size_t kBridgeChannelSize = kBridgeReplyOffset + kBridgeReplyArea;

// A request, as the host sends it and the helper reads it.
struct TBridgeCall {
  TBridgeOp Op = TBridgeOp::Load;
  uint32_t Sequence = 0;  // answered in the reply, so a stale reply is never taken
  uint32_t Slot = 0;      // the plug-in, as Load answered; not used by Load
  bool WideName = false;  // Name is UTF-16LE rather than system code page bytes
  std::string Name;       // a path or file name, without a terminator
  std::string Header;     // Probe: the file's first bytes, kBridgeProbeHeader of them
  int32_t Number = 0;     // Info: the info number; Configure: the function
  uint64_t Position = 0;  // List: the offset; Extract: the member's position
  uint64_t Window = 0;    // Configure: the owner window
  uint64_t Block = 0;     // Decode: the file image's section, a handle of the helper
  uint64_t BlockSize = 0;
  std::vector<uint32_t> Returns;  // ids of lent blocks the host has let go (none 0)
};

// A reply, as the helper sends it and the host reads it.
struct TBridgeAnswer {
  TBridgeOp Op = TBridgeOp::Load;
  uint32_t Sequence = 0;
  TBridgeEnd End = TBridgeEnd::Failed;
  int32_t Code = 0;        // the export's answer, with Returned
  uint32_t FaultCode = 0;  // with Faulted
  uint32_t Exports = 0;    // Load: kBridgeHas* bits
  uint32_t Slot = 0;       // Load: the slot of the loaded plug-in
  int32_t ColorDepth = 0;  // Decode
  bool WideRecords = false;  // List: the records carry UTF-16 names
  std::string Text;        // Info: the text; Decode: the picture's text
  std::string Header;      // Decode: the picture's header block
  uint64_t Block = 0;      // Decode: pixels; List: records; Extract: the member.
  uint64_t BlockSize = 0;  // A section handle of the helper, or 0 with size 0.
  uint32_t BlockId = 0;    // the id the block is lent under; 0 exactly without a block
};

// Writes call into out (at most capacity bytes); returns the bytes written,
// 0 when the call breaks a rule or does not fit.
size_t EncodeCall(const TBridgeCall& call, uint8_t* out, size_t capacity);
// Reads a request from a private copy of size bytes; false when it breaks a rule.
bool DecodeCall(const uint8_t* in, size_t size, TBridgeCall& call);

size_t EncodeAnswer(const TBridgeAnswer& answer, uint8_t* out, size_t capacity);
// Reads a reply to asked from a private copy of size bytes; false when it is
// no valid reply to that request (another sequence or operation included).
bool DecodeAnswer(const uint8_t* in, size_t size, const TBridgeCall& asked, TBridgeAnswer& answer);

// The sequence and operation of a request that may break the rules, so that
// the helper can answer it with Failed; false when even those are unreadable.
bool PeekCall(const uint8_t* in, size_t size, uint32_t& sequence, uint32_t& op);

// The bytes of a payload that follow a header the sender wrote, as the header
// says, held to the limits; 0 for a header that is no message's. The reader
// copies the header, then this much, out of the channel before decoding.
size_t RequestPayloadBytes(const uint8_t* header);
size_t ReplyPayloadBytes(const uint8_t* header);

// The helper's first word, written into the reply area once it is ready: a
// reply header of this version answering no call.
void WriteHello(uint8_t* replyArea);
bool IsHello(const uint8_t* replyArea);

// The machine a PE file is built for (0x014C x86, 0x8664 x64) from its first
// size bytes; 0 when they are no PE file's or do not reach its header.
uint16_t PeMachine(const uint8_t* bytes, size_t size);
constexpr uint16_t kPeMachineI386 = 0x014C;
