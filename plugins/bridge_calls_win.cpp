#include "plugins/bridge_calls_win.h"

#include <cstring>

#include "framework/message_box.h"
#include "image/block_alloc.h"
#include "image/bmp_header.h"
#include "image/bmp_reader.h"
#include "plugins/bridge_host_win.h"
#include "plugins/bridge_protocol.h"
#include "plugins/plugin_lock_win.h"
#include "plugins/spi_util.h"
#include "util/names_win.h"
#include "util/sutil_win.h"

static_assert(kBridgeHeaderMax == kDibHeaderBlockMax, "the helper sends as much of a header block as is read");

namespace {

// How a call to a bridged plug-in ended, for the record-level operations.
enum class TAsked {
  Returned,     // the export returned: the answer holds its code
  Faulted,      // it faulted now or before, or the helper failed it: kSpiFault
  Unavailable,  // it could not be asked: as a missing export (-1)
};

// Marks the record as stopped by code; the calls the viewer reports
// (decode, listing, extraction) hand the fault on to the box.
TAsked Stop(TPlugin& plugin, uint32_t code, bool report) {
  plugin.State = TPluginState::Faulted;
  plugin.Link.Fault = {NameOf(plugin.Path), code};
  if (report) SetUnreportedFault(&plugin.Link.Fault);
  return TAsked::Faulted;
}

// One exchange with the helper about the plug-in, loaded there already.
TAsked Exchange(TPlugin& plugin, TBridgeCall& call, TBridgeAnswer& answer, bool report) {
  switch (CallHelper(call, answer)) {
    case THelperOutcome::Answered:
      break;
    case THelperOutcome::NotStarted:
    case THelperOutcome::NotSent:
      return TAsked::Unavailable;
    case THelperOutcome::Hung:
      return Stop(plugin, kHelperHungFault, report);
    case THelperOutcome::Ended:
    case THelperOutcome::Broken:
      return Stop(plugin, kHelperEndedFault, report);
  }
  switch (answer.End) {
    case TBridgeEnd::Returned:
      return TAsked::Returned;
    case TBridgeEnd::Faulted:
      return Stop(plugin, answer.FaultCode, report);
    case TBridgeEnd::Refused:
      // Another line of the catalogue named the same DLL, which faulted
      // through that line: this one is stopped too, with nothing to report.
      plugin.State = TPluginState::Faulted;
      return TAsked::Faulted;
    case TBridgeEnd::Failed:
      break;
  }
  return TAsked::Unavailable;
}

// Loads the plug-in into the running helper (starting one when none runs)
// unless it is loaded there already.
TAsked Attach(TPlugin& plugin, bool report) {
  if (plugin.Link.Generation != 0 && plugin.Link.Generation == HelperGeneration()) return TAsked::Returned;
  TBridgeCall call;
  call.Op = TBridgeOp::Load;
  call.Name = plugin.Path;
  TBridgeAnswer answer;
  const TAsked asked = Exchange(plugin, call, answer, report);
  if (asked != TAsked::Returned) return asked;
  plugin.Link.Loaded = true;
  plugin.Link.Exports = answer.Exports;
  plugin.Link.Slot = answer.Slot;
  plugin.Link.Generation = HelperGeneration();
  return TAsked::Returned;
}

// Asks the plug-in, whose DLL a helper has loaded (a Faulted one is not
// called again).
TAsked Ask(TPlugin& plugin, TBridgeCall& call, TBridgeAnswer& answer, bool report) {
  if (plugin.State == TPluginState::Faulted) return TAsked::Faulted;
  if (!plugin.Link.Loaded) return TAsked::Unavailable;
  const TAsked attached = Attach(plugin, report);
  if (attached != TAsked::Returned) return attached;
  call.Slot = plugin.Link.Slot;
  return Exchange(plugin, call, answer, report);
}

bool Has(const TPlugin& plugin, uint32_t exports) { return (plugin.Link.Exports & exports) == exports; }

// 0 when the plug-in may be called through the exports named; else what the
// call answers without asking the helper.
int32_t Refusal(const TPlugin& plugin, uint32_t exports) {
  SetUnreportedFault(nullptr);
  if (plugin.State == TPluginState::Faulted) return kSpiFault;
  return plugin.State == TPluginState::Loaded && Has(plugin, exports) ? 0 : kSpiMissingExport;
}

// The name as the call takes it: UTF-16 for the wide twin, else the code
// page's bytes; false when a name the code page cannot spell has no short
// path to go by (standIn: the name with those characters replaced will do).
bool Named(TBridgeCall& call, const std::string& name, bool wide, bool standIn) {
  if (wide) {
    const std::wstring utf16 = WideOf(name);
    call.WideName = true;
    call.Name.assign(reinterpret_cast<const char*>(utf16.data()), utf16.size() * sizeof(wchar_t));
    return true;
  }
  call.Name = name;
  if (!IsWideName(name)) return true;
  call.Name = SpellableShortPath(name);
  if (call.Name.empty() && standIn) call.Name = SpellableStandIn(name);
  return !call.Name.empty();
}

// A plug-in's own code; the host's fault code is not one it may give.
int32_t OwnCode(int32_t code) { return code == kSpiFault ? kSpiMissingExport : code; }

int32_t CodeOf(TAsked asked, const TBridgeAnswer& answer) {
  if (asked == TAsked::Faulted) return kSpiFault;
  if (asked == TAsked::Unavailable) return kSpiMissingExport;
  return OwnCode(answer.Code);
}

std::string InfoText(TPlugin& plugin, int32_t number) {
  TBridgeCall call;
  call.Op = TBridgeOp::Info;
  call.Number = number;
  TBridgeAnswer answer;
  return Ask(plugin, call, answer, false) == TAsked::Returned ? answer.Text : std::string();
}

// The picture from the helper's answer: its header block read under the
// bitmap reader's rules against the pixel block's size, the pixels held in
// their shared view as they lie, or built from it into a block of the
// program's where GDI cannot draw them as they lie.
int32_t HoldAnswer(const TBridgeAnswer& answer, TDecodedPicture& picture) {
  TBmpLayout layout;
  const int32_t status = ReadPluginLayout(reinterpret_cast<const uint8_t*>(answer.Header.data()),
                                          answer.Header.size(), answer.BlockSize, layout);
  if (status != 0) return status;
  MappedView view = TakeBlock(answer.Block, answer.BlockSize, answer.BlockId);
  if (!view) return kSpiBrokenData;
  if (layout.Pixels == TBmpPixels::Copy) {
    picture.Info = layout.Info;
    picture.Bits = view.release();
    picture.BitsMapped = true;
    picture.BitsSize = static_cast<int32_t>(layout.BlockSize);
  } else {
    TDecodedPicture built;
    const int built_status = BuildBmpPixels(layout, static_cast<const uint8_t*>(view.get()),
                                            static_cast<size_t>(layout.PixelSize), GlobalBlocks, built);
    if (built_status != kDecodeOk) return built_status;
    picture.Info = built.Info;
    picture.Bits = built.Bits;
    picture.BitsSize = built.BitsSize;
  }
  picture.ColorBits = answer.ColorDepth;
  picture.TextInfo = answer.Text;
  return 0;
}

}  // namespace

bool IsBridgedPlugin(const std::string& path) {
  if (!kSpiWide || !IsFullPluginPath(path)) return false;
  FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  uint8_t head[4096];
  DWORD got = 0;
  if (!file || !ReadFile(file.get(), head, sizeof head, &got, nullptr)) return false;
  return PeMachine(head, got) == kPeMachineI386;
}

bool BridgeLoadPlugin(TPlugin& plugin) {
  TPluginCallGuard guard(PluginCallLock());
  plugin.Bridged = true;
  plugin.State = TPluginState::FailedToLoad;
  if (Attach(plugin, false) != TAsked::Returned || !Has(plugin, kBridgeHasGetPluginInfo)) return false;
  plugin.State = TPluginState::Loaded;
  TBridgeCall call;
  call.Op = TBridgeOp::Info;
  TBridgeAnswer answer;
  const TAsked asked = Ask(plugin, call, answer, false);
  if (asked == TAsked::Unavailable) plugin.State = TPluginState::FailedToLoad;
  if (asked != TAsked::Returned) return false;
  plugin.Kind = PluginKind(answer.Text);
  return true;
}

int32_t BridgeProbePlugin(TPlugin& plugin, const std::string& fileName, const uint8_t (&header)[kSpiHeaderSize]) {
  TPluginCallGuard guard(PluginCallLock());
  if (plugin.State != TPluginState::Loaded || plugin.Kind == kPluginNone || !Has(plugin, kBridgeHasIsSupported))
    return kPluginNone;
  TBridgeCall call;
  call.Op = TBridgeOp::Probe;
  Named(call, fileName, IsWideName(fileName) && Has(plugin, kBridgeHasIsSupportedW), true);
  call.Header.assign(reinterpret_cast<const char*>(header), sizeof header);
  TBridgeAnswer answer;
  if (Ask(plugin, call, answer, false) != TAsked::Returned || answer.Code == 0) return kPluginNone;
  // One that lacks the calls of its kind could not read the file it claims.
  const uint32_t needed = plugin.Kind == kPluginPicture ? kBridgeHasGetPictureInfo | kBridgeHasGetPicture
                                                        : kBridgeHasGetArchiveInfo | kBridgeHasGetFile;
  return Has(plugin, needed) ? plugin.Kind : kPluginNone;
}

int32_t BridgeDecodePicture(TPlugin& plugin, const uint8_t* image, size_t length, TDecodedPicture& picture) {
  TPluginCallGuard guard(PluginCallLock());
  picture = TDecodedPicture{};
  if (const int32_t refusal = Refusal(plugin, kBridgeHasGetPictureInfo | kBridgeHasGetPicture)) return refusal;
  // Loaded first: the image goes to the helper that will decode it.
  const TAsked attached = Attach(plugin, true);
  if (attached != TAsked::Returned) return CodeOf(attached, TBridgeAnswer{});
  TBridgeCall call;
  call.Op = TBridgeOp::Decode;
  call.Block = SendBlock(image, length);
  call.BlockSize = call.Block ? length : 0;
  if (length != 0 && call.Block == 0) return kSpiNoMemory;
  TBridgeAnswer answer;
  const int32_t code = CodeOf(Ask(plugin, call, answer, true), answer);
  return code != 0 ? code : HoldAnswer(answer, picture);
}

int32_t BridgeReadArchiveEntries(TPlugin& plugin, const std::string& archive, std::unique_ptr<FileEntry[]>& entries) {
  TPluginCallGuard guard(PluginCallLock());
  entries.reset();
  if (const int32_t refusal = Refusal(plugin, kBridgeHasGetArchiveInfo)) return refusal;
  TBridgeCall call;
  call.Op = TBridgeOp::List;
  // Wide records whenever the plug-in has them, as in this process.
  if (!Named(call, archive, Has(plugin, kBridgeHasGetArchiveInfoW), false)) return kSpiNoNameRoad;
  TBridgeAnswer answer;
  const int32_t code = CodeOf(Ask(plugin, call, answer, true), answer);
  if (code != 0 || answer.Block == 0) return code;
  MappedView view = TakeBlock(answer.Block, answer.BlockSize, answer.BlockId);
  if (!view) return 0;
  const auto* records = static_cast<const uint8_t*>(view.get());
  const size_t size = static_cast<size_t>(answer.BlockSize);
  // The helper says which records it sends only for a wide call.
  if (answer.WideRecords && call.WideName)
    return ConvertWideArchiveEntries<SpiArchiveEntryW32>(records, size, entries, NameOfWide16);
  return ConvertArchiveEntries<SpiArchiveEntry32>(records, size, entries);
}

int32_t BridgeExtractMember(TPlugin& plugin, const std::string& archive, SpiPosition position, TMemberBlock& data) {
  TPluginCallGuard guard(PluginCallLock());
  data.clear();
  if (const int32_t refusal = Refusal(plugin, kBridgeHasGetFile)) return refusal;
  TBridgeCall call;
  call.Op = TBridgeOp::Extract;
  if (!Named(call, archive, IsWideName(archive) && Has(plugin, kBridgeHasGetFileW), false)) return kSpiNoNameRoad;
  call.Position = position;
  TBridgeAnswer answer;
  const int32_t code = CodeOf(Ask(plugin, call, answer, true), answer);
  if (code != 0 || answer.Block == 0) return code;
  MappedView view = TakeBlock(answer.Block, answer.BlockSize, answer.BlockId);
  if (!view) return kSpiBrokenData;
  data.Adopt(std::move(view), static_cast<size_t>(answer.BlockSize));
  return 0;
}

std::string BridgeGetPluginDescription(TPlugin& plugin) {
  TPluginCallGuard guard(PluginCallLock());
  return InfoText(plugin, 1);
}

bool BridgePluginFound(const TPlugin& plugin) { return plugin.Link.Loaded && Has(plugin, kBridgeHasGetPluginInfo); }

void BridgeShowPluginConfig(HWND owner, TPlugin& plugin) {
  TPluginFault fault;
  bool faulted = false;
  {
    TPluginCallGuard guard(PluginCallLock());
    // A DLL without GetPluginInfo is no plug-in, yet its settings dialog is
    // still its own to show.
    if (!plugin.Link.Loaded) return;
    if (plugin.State != TPluginState::Faulted && Has(plugin, kBridgeHasConfigurationDlg)) {
      TBridgeCall call;
      call.Op = TBridgeOp::Configure;
      call.Window = reinterpret_cast<uintptr_t>(owner);
      call.Number = 1;
      TBridgeAnswer answer;
      const TAsked asked = Ask(plugin, call, answer, false);
      if (asked == TAsked::Returned || asked == TAsked::Unavailable) return;
      // The dialog went with the helper and left its owner disabled.
      if (owner && !IsWindowEnabled(owner)) EnableWindow(owner, TRUE);
    }
    fault = plugin.Link.Fault;
    faulted = plugin.State == TPluginState::Faulted;
  }
  // The boxes are shown without the lock: their message loops may last.
  if (faulted && fault.Code != 0)
    ShowWarning(owner, PluginFaultText(plugin.Path, fault.Name, fault.Code));
  else if (!faulted)
    ShowMessageBox(owner, "Configuration Dialog is not implemented.", "Plug-in Setting", MB_OK | MB_ICONINFORMATION);
}
