// The 32-bit helper's protocol: what one side writes the other reads back
// whole, and every message that breaks a rule is refused, whichever field.
#include "plugins/bridge_protocol.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "plugins/plugin_list.h"

namespace {

TBridgeCall ProbeCall() {
  TBridgeCall c;
  c.Op = TBridgeOp::Probe;
  c.Sequence = 7;
  c.Slot = 3;
  c.Name = "C:\\pictures\\a.jpg";
  c.Header.assign(kBridgeProbeHeader, 'h');
  return c;
}

TBridgeAnswer DecodeReply(const TBridgeCall& asked) {
  TBridgeAnswer a;
  a.Op = asked.Op;
  a.Sequence = asked.Sequence;
  a.End = TBridgeEnd::Returned;
  a.ColorDepth = 24;
  a.Text = "comment";
  a.Header.assign(40, 'b');
  a.Block = 0x1234;
  a.BlockSize = 4096;
  a.BlockId = 17;
  return a;
}

std::vector<uint8_t> Encoded(const TBridgeAnswer& a) {
  std::vector<uint8_t> bytes(kBridgeReplyArea);
  bytes.resize(EncodeAnswer(a, bytes.data(), bytes.size()));
  return bytes;
}

template <typename T>
void Poke(std::vector<uint8_t>& bytes, size_t at, T value) {
  std::memcpy(bytes.data() + at, &value, sizeof value);
}

}  // namespace

TEST(BridgeProtocol, CallsOfEveryKindReadBackWhole) {
  TBridgeCall decode;
  decode.Op = TBridgeOp::Decode;
  decode.Block = 0x88;
  decode.BlockSize = 1 << 20;
  TBridgeCall wide = ProbeCall();
  wide.WideName = true;
  wide.Name = std::string("C\0:\0\\\0\x3A\x26", 8);  // "C:\☺" in UTF-16LE
  TBridgeCall configure;
  configure.Op = TBridgeOp::Configure;
  configure.Window = 0xFFFFFFFF80001234ull;
  configure.Number = 1;
  TBridgeCall extract;
  extract.Op = TBridgeOp::Extract;
  extract.Name = "C:\\a.zip";
  extract.Position = 5ull << 32;
  extract.Returns = {3, 4, 0xFFFFFFFF};
  for (const TBridgeCall& c : {ProbeCall(), wide, decode, configure, extract}) {
    SCOPED_TRACE(static_cast<int>(c.Op));
    std::vector<uint8_t> bytes(kBridgeRequestArea);
    const size_t n = EncodeCall(c, bytes.data(), bytes.size());
    ASSERT_GT(n, 0u);
    EXPECT_EQ(RequestPayloadBytes(bytes.data()), n - kBridgeRequestHeaderSize);
    TBridgeCall back;
    ASSERT_TRUE(DecodeCall(bytes.data(), n, back));
    EXPECT_EQ(back.Op, c.Op);
    EXPECT_EQ(back.Sequence, c.Sequence);
    EXPECT_EQ(back.Slot, c.Slot);
    EXPECT_EQ(back.WideName, c.WideName);
    EXPECT_EQ(back.Name, c.Name);
    EXPECT_EQ(back.Header, c.Header);
    EXPECT_EQ(back.Number, c.Number);
    EXPECT_EQ(back.Position, c.Position);
    EXPECT_EQ(back.Window, c.Window);
    EXPECT_EQ(back.Block, c.Block);
    EXPECT_EQ(back.BlockSize, c.BlockSize);
    EXPECT_EQ(back.Returns, c.Returns);
    EXPECT_FALSE(DecodeCall(bytes.data(), n - 1, back)) << "a payload cut short";
  }
}

TEST(BridgeProtocol, CallsThatBreakARuleAreNeitherWrittenNorRead) {
  const std::vector<std::pair<const char*, std::function<void(TBridgeCall&)>>> broken = {
      {"no operation", [](TBridgeCall& c) { c.Op = static_cast<TBridgeOp>(0); }},
      {"an operation past the last", [](TBridgeCall& c) { c.Op = static_cast<TBridgeOp>(kBridgeOpLast + 1); }},
      {"no name", [](TBridgeCall& c) { c.Name.clear(); }},
      {"a name past the limit", [](TBridgeCall& c) { c.Name.assign(kBridgeNameMax + 2, 'n'); }},
      {"a NUL inside the name", [](TBridgeCall& c) { c.Name[3] = '\0'; }},
      {"an odd wide name", [](TBridgeCall& c) { c.WideName = true; }},
      {"a header too short", [](TBridgeCall& c) { c.Header.pop_back(); }},
      {"a slot past the limit", [](TBridgeCall& c) { c.Slot = kBridgeSlotMax; }},
      {"block id 0 given back", [](TBridgeCall& c) { c.Returns = {5, 0}; }},
      {"more blocks given back than the limit", [](TBridgeCall& c) { c.Returns.assign(kBridgeReturnsMax + 1, 9); }},
      {"a window for a probe", [](TBridgeCall& c) { c.Window = 1; }},
      {"a block for a probe", [](TBridgeCall& c) { c.Block = 1, c.BlockSize = 1; }},
      {"a wide path to load", [](TBridgeCall& c) { c.Op = TBridgeOp::Load, c.Header.clear(), c.WideName = true; }},
      {"a block without its size", [](TBridgeCall& c) { c.Op = TBridgeOp::Decode, c.Name.clear(), c.Header.clear(), c.Block = 9; }},
      {"a block past 31 bits",
       [](TBridgeCall& c) { c.Op = TBridgeOp::Decode, c.Name.clear(), c.Header.clear(), c.Block = 9, c.BlockSize = 1ull << 31; }},
  };
  for (const auto& [what, breakIt] : broken) {
    SCOPED_TRACE(what);
    TBridgeCall c = ProbeCall();
    breakIt(c);
    std::vector<uint8_t> bytes(kBridgeRequestArea + 8);
    EXPECT_EQ(EncodeCall(c, bytes.data(), bytes.size()), 0u);
  }
  // The same rules read: each field of a good request made bad in place.
  std::vector<uint8_t> good(kBridgeRequestArea);
  good.resize(EncodeCall(ProbeCall(), good.data(), good.size()));
  const std::vector<std::pair<size_t, uint32_t>> pokes = {
      {0, 0x42424242},  // magic
      {4, 2},           // version
      {12, 99},         // operation
      {20, 2},          // a flag no version knows
      {24, 0xFFFFFFF0}, // name bytes past the payload
      {28, 2047},       // header bytes
      {36, 1},          // a block given back past the payload
      {72, 1},          // reserved
  };
  for (const auto& [at, value] : pokes) {
    SCOPED_TRACE(at);
    std::vector<uint8_t> bytes = good;
    Poke(bytes, at, value);
    TBridgeCall back;
    EXPECT_FALSE(DecodeCall(bytes.data(), bytes.size(), back));
  }
}

TEST(BridgeProtocol, AnswersReadBackOnlyAsTheAnswerToTheirCall) {
  const TBridgeCall asked = []{
    TBridgeCall c;
    c.Op = TBridgeOp::Decode;
    c.Sequence = 41;
    c.Block = 5;
    c.BlockSize = 100;
    return c;
  }();
  const std::vector<uint8_t> good = Encoded(DecodeReply(asked));
  ASSERT_FALSE(good.empty());
  EXPECT_EQ(ReplyPayloadBytes(good.data()), good.size() - kBridgeReplyHeaderSize);
  TBridgeAnswer back;
  ASSERT_TRUE(DecodeAnswer(good.data(), good.size(), asked, back));
  EXPECT_EQ(back.Text, "comment");
  EXPECT_EQ(back.Header, std::string(40, 'b'));
  EXPECT_EQ(back.ColorDepth, 24);
  EXPECT_EQ(back.Block, 0x1234u);
  EXPECT_EQ(back.BlockSize, 4096u);
  EXPECT_EQ(back.BlockId, 17u);

  TBridgeCall other = asked;
  other.Sequence = 40;
  EXPECT_FALSE(DecodeAnswer(good.data(), good.size(), other, back)) << "a stale reply";
  other = asked;
  other.Op = TBridgeOp::Extract;
  EXPECT_FALSE(DecodeAnswer(good.data(), good.size(), other, back)) << "another operation's reply";
  EXPECT_FALSE(DecodeAnswer(good.data(), good.size() - 1, asked, back)) << "a payload cut short";

  // Each field a helper could get wrong, in place.
  const std::vector<std::pair<size_t, uint32_t>> pokes = {
      {16, 4},           // an ending past the last
      {28, 1},           // exports in a decode's answer
      {36, 0x10000},     // a colour depth past 16 bits
      {40, 1},           // wide records in a decode's answer
      {44, 0x7FFFFFFF},  // text bytes past the payload
      {48, 5000},        // header bytes past the limit
      {52, 0},           // a block without its id
  };
  for (const auto& [at, value] : pokes) {
    SCOPED_TRACE(at);
    std::vector<uint8_t> bytes = good;
    Poke(bytes, at, value);
    EXPECT_FALSE(DecodeAnswer(bytes.data(), bytes.size(), asked, back));
  }
  const std::vector<std::pair<const char*, std::function<void(TBridgeAnswer&)>>> broken = {
      {"a fault without its code", [](TBridgeAnswer& a) { a.End = TBridgeEnd::Faulted, a.Text.clear(), a.Header.clear(), a.Block = 0, a.BlockSize = 0; }},
      {"a code with a refusal", [](TBridgeAnswer& a) { a.End = TBridgeEnd::Refused, a.Code = 2, a.Text.clear(), a.Header.clear(), a.Block = 0, a.BlockSize = 0; }},
      {"a block with an error code", [](TBridgeAnswer& a) { a.Code = 3; }},
      {"a block without its size", [](TBridgeAnswer& a) { a.BlockSize = 0; }},
      {"an id without a block", [](TBridgeAnswer& a) { a.Block = 0, a.BlockSize = 0; }},
      {"a block past 31 bits", [](TBridgeAnswer& a) { a.BlockSize = 1ull << 31; }},
      {"a text past the limit", [](TBridgeAnswer& a) { a.Text.assign(kBridgeTextMax + 1, 't'); }},
      {"a header past the limit", [](TBridgeAnswer& a) { a.Header.assign(kBridgeHeaderMax + 1, 'h'); }},
      {"a slot in a decode's answer", [](TBridgeAnswer& a) { a.Slot = 1; }},
  };
  for (const auto& [what, breakIt] : broken) {
    SCOPED_TRACE(what);
    TBridgeAnswer a = DecodeReply(asked);
    breakIt(a);
    EXPECT_TRUE(Encoded(a).empty());
  }
  // The helper's hello answers no call.
  std::vector<uint8_t> hello(kBridgeReplyHeaderSize);
  WriteHello(hello.data());
  EXPECT_TRUE(IsHello(hello.data()));
  EXPECT_FALSE(IsHello(good.data()));
  EXPECT_FALSE(DecodeAnswer(hello.data(), hello.size(), asked, back));
}

TEST(PeMachine, TheWidthOfADllFromItsHeaders) {
  auto pe = [](uint32_t at, uint16_t machine, size_t size) {
    std::string bytes(size, '\0');
    bytes[0] = 'M', bytes[1] = 'Z';
    std::memcpy(bytes.data() + 0x3C, &at, 4);
    if (at + 6 <= size) {
      std::memcpy(bytes.data() + at, "PE\0\0", 4);
      std::memcpy(bytes.data() + at + 4, &machine, 2);
    }
    return bytes;
  };
  const struct {
    const char* what;
    std::string bytes;
    uint16_t machine;
  } cases[] = {
      {"32-bit", pe(0x80, 0x014C, 512), kPeMachineI386},
      {"64-bit", pe(0xF8, 0x8664, 512), 0x8664},
      {"headers at the very end", pe(506, 0x014C, 512), kPeMachineI386},
      {"headers past the bytes read", pe(508, 0x014C, 512), 0},
      {"an offset past everything", pe(0xFFFFFFF0, 0x014C, 512), 0},
      {"no MZ", "XZ" + pe(0x80, 0x014C, 512).substr(2), 0},
      {"too short for the offset", "MZ", 0},
      {"a text file", std::string(512, 'a'), 0},
  };
  for (const auto& c : cases)
    EXPECT_EQ(PeMachine(reinterpret_cast<const uint8_t*>(c.bytes.data()), c.bytes.size()), c.machine) << c.what;
}

TEST(CatalogueNames, ThisWidthFirstThenTheOtherWithoutTwins) {
  EXPECT_EQ(CatalogueNames({"b.sph", "A.sph"}, {"c.spi", "a.SPI", "B.spi", "d.spi"}),
            (std::vector<std::string>{"b.sph", "A.sph", "c.spi", "d.spi"}));
  EXPECT_EQ(CatalogueNames({}, {"x.spi"}), std::vector<std::string>{"x.spi"});
  EXPECT_EQ(CatalogueNames({"x.sph"}, {}), std::vector<std::string>{"x.sph"});
  // Lines of both widths are kept in the 64-bit edition's catalogue.
  EXPECT_EQ(ParsePluginList("C:\\a.spi\r\nC:\\b.sph\r\n", nullptr),
            (std::vector<std::string>{"C:\\a.spi", "C:\\b.sph"}));
}
