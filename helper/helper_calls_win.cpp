#include "helper/helper_calls_win.h"

#include <cstddef>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "framework/common_controls.h"
#include "framework/handles.h"
#include "plugins/local_blocks_win.h"
#include "plugins/spi_api.h"
#include "plugins/spi_records.h"

namespace {

// The wide twins of the exports that take a file name.
using SpiIsSupportedWProc = int(__stdcall*)(LPCWSTR fileName, void* header);
using SpiGetArchiveInfoWProc = int(__stdcall*)(LPCWSTR archive, LONG_PTR offset, unsigned flag, HLOCAL* entries);
using SpiGetFileWProc = int(__stdcall*)(LPCWSTR archive, LONG_PTR position, LPWSTR destination, unsigned flag,
                                        SpiProgressProc progress, LONG_PTR data);

// The viewer never cancels a decode.
int __stdcall KeepGoing(int, int, LONG_PTR) { return 0; }

// A name as the export takes it, with its terminator.
std::string NarrowName(const TBridgeCall& call) {
  if (!call.WideName) return call.Name;
  // Asked for the wide form of a plug-in that has only the narrow export: the
  // name in the system code page, as near as it comes.
  const std::wstring wide = std::wstring(reinterpret_cast<const wchar_t*>(call.Name.data()), call.Name.size() / 2);
  const int n = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), static_cast<int>(wide.size()), nullptr, 0, nullptr,
                                    nullptr);
  std::string narrow(n > 0 ? static_cast<size_t>(n) : 0, '\0');
  if (n > 0) WideCharToMultiByte(CP_ACP, 0, wide.c_str(), static_cast<int>(wide.size()), narrow.data(), n, nullptr,
                                 nullptr);
  return narrow;
}

std::wstring WideName(const TBridgeCall& call) {
  std::wstring wide(call.Name.size() / 2, L'\0');
  std::memcpy(wide.data(), call.Name.data(), wide.size() * 2);
  return wide;
}

// How a call into the plug-in ended, into the answer.
bool Returned(HMODULE module, TCallOutcome outcome, int32_t code, TBridgeAnswer& answer) {
  if (outcome == TCallOutcome::Returned) {
    answer.End = TBridgeEnd::Returned;
    answer.Code = code;
    return true;
  }
  answer.End = TBridgeEnd::Refused;
  if (outcome == TCallOutcome::Faulted) {
    const TPluginFault* fault = PluginFaultOf(module);
    answer.End = TBridgeEnd::Faulted;
    // A fault whose code is 0 is still a fault.
    answer.FaultCode = fault && fault->Code ? fault->Code : EXCEPTION_NONCONTINUABLE_EXCEPTION;
  }
  return false;
}

// Calls an export of module through the fault guard; true when it returned,
// its code then in the answer.
template <typename Proc, typename... Args>
bool Call(HMODULE module, TBridgeAnswer& answer, Proc proc, Args... args) {
  int32_t code = 0;
  const TCallOutcome outcome = CallPlugin(module, proc, code, args...);
  return Returned(module, outcome, code, answer);
}

}  // namespace

struct THelperCalls::TSlot {
  HMODULE Module = nullptr;
  SpiGetPluginInfoProc GetPluginInfo = nullptr;
  SpiIsSupportedProc IsSupported = nullptr;
  SpiIsSupportedWProc IsSupportedW = nullptr;
  SpiGetPictureInfoProc GetPictureInfo = nullptr;
  SpiGetPictureProc GetPicture = nullptr;
  SpiGetArchiveInfoProc GetArchiveInfo = nullptr;
  SpiGetArchiveInfoWProc GetArchiveInfoW = nullptr;
  SpiGetFileProc GetFile = nullptr;
  SpiGetFileWProc GetFileW = nullptr;
  SpiConfigurationDlgProc ConfigurationDlg = nullptr;

  uint32_t Exports() const {
    uint32_t bits = 0;
    const std::pair<bool, uint32_t> has[] = {
        {GetPluginInfo != nullptr, kBridgeHasGetPluginInfo},
        {IsSupported != nullptr, kBridgeHasIsSupported},
        {GetPictureInfo != nullptr, kBridgeHasGetPictureInfo},
        {GetPicture != nullptr, kBridgeHasGetPicture},
        {GetArchiveInfo != nullptr, kBridgeHasGetArchiveInfo},
        {GetFile != nullptr, kBridgeHasGetFile},
        {ConfigurationDlg != nullptr, kBridgeHasConfigurationDlg},
        {IsSupportedW != nullptr, kBridgeHasIsSupportedW},
        {GetArchiveInfoW != nullptr, kBridgeHasGetArchiveInfoW},
        {GetFileW != nullptr, kBridgeHasGetFileW},
    };
    for (const auto& [present, bit] : has)
      if (present) bits |= bit;
    return bits;
  }
};

TBridgeAnswer THelperCalls::Serve(const TBridgeCall& call) {
  TakeBack(call.Returns);
  if (call.Op == TBridgeOp::Load) return Load(call);
  // The file image's section is this call's alone, whatever becomes of it.
  KernelHandle input(call.Op == TBridgeOp::Decode ? reinterpret_cast<HANDLE>(static_cast<uintptr_t>(call.Block))
                                                  : nullptr);
  TBridgeAnswer answer;
  answer.Op = call.Op;
  answer.Sequence = call.Sequence;
  answer.End = TBridgeEnd::Failed;
  if (call.Slot >= slots_.size()) return answer;
  const TSlot& slot = *slots_[call.Slot];
  switch (call.Op) {
    case TBridgeOp::Info: Info(slot, call, answer); break;
    case TBridgeOp::Probe: Probe(slot, call, answer); break;
    case TBridgeOp::Decode: Decode(slot, call, input.get(), answer); break;
    case TBridgeOp::List: List(slot, call, answer); break;
    case TBridgeOp::Extract: Extract(slot, call, answer); break;
    case TBridgeOp::Configure: Configure(slot, call, answer); break;
    case TBridgeOp::Load: break;
  }
  return answer;
}

TBridgeAnswer THelperCalls::Load(const TBridgeCall& call) {
  TBridgeAnswer answer;
  answer.Op = call.Op;
  answer.Sequence = call.Sequence;
  answer.End = TBridgeEnd::Failed;
  if (slots_.size() >= kBridgeSlotMax) return answer;
  ModuleHandle dll = LoadPluginModule(call.Name);
  if (!dll) return answer;
  auto slot = std::make_unique<TSlot>();
  slot->Module = dll.release();
  slot->GetPluginInfo = GetExport<SpiGetPluginInfoProc>(slot->Module, "GetPluginInfo");
  slot->IsSupported = GetExport<SpiIsSupportedProc>(slot->Module, "IsSupported");
  slot->IsSupportedW = GetExport<SpiIsSupportedWProc>(slot->Module, "IsSupportedW");
  slot->GetPictureInfo = GetExport<SpiGetPictureInfoProc>(slot->Module, "GetPictureInfo");
  slot->GetPicture = GetExport<SpiGetPictureProc>(slot->Module, "GetPicture");
  slot->GetArchiveInfo = GetExport<SpiGetArchiveInfoProc>(slot->Module, "GetArchiveInfo");
  slot->GetArchiveInfoW = GetExport<SpiGetArchiveInfoWProc>(slot->Module, "GetArchiveInfoW");
  slot->GetFile = GetExport<SpiGetFileProc>(slot->Module, "GetFile");
  slot->GetFileW = GetExport<SpiGetFileWProc>(slot->Module, "GetFileW");
  slot->ConfigurationDlg = GetExport<SpiConfigurationDlgProc>(slot->Module, "ConfigurationDlg");
  answer.End = TBridgeEnd::Returned;
  answer.Exports = slot->Exports();
  answer.Slot = static_cast<uint32_t>(slots_.size());
  slots_.push_back(slot.release());
  return answer;
}

void THelperCalls::Info(const TSlot& slot, const TBridgeCall& call, TBridgeAnswer& answer) {
  if (!slot.GetPluginInfo) return;
  // Large buffers: some plug-ins write nothing into short ones.
  const size_t size = call.Number == 0 ? kSpiVersionBufferSize : kSpiDescriptionBufferSize;
  std::unique_ptr<char[]> text(new (std::nothrow) char[size]());
  if (!text) return;
  if (Call(slot.Module, answer, slot.GetPluginInfo, call.Number, text.get(), static_cast<int>(size)))
    answer.Text.assign(text.get(), strnlen(text.get(), size));
  answer.Code = 0;  // GetPluginInfo's answer is a length, of no use to the viewer
}

void THelperCalls::Probe(const TSlot& slot, const TBridgeCall& call, TBridgeAnswer& answer) {
  // The plug-in gets its own copy of the header, as in the viewer.
  uint8_t header[kBridgeProbeHeader];
  std::memcpy(header, call.Header.data(), sizeof header);
  if (call.WideName && slot.IsSupportedW) {
    const std::wstring name = WideName(call);
    Call(slot.Module, answer, slot.IsSupportedW, name.c_str(), static_cast<void*>(header));
  } else if (slot.IsSupported) {
    const std::string name = NarrowName(call);
    Call(slot.Module, answer, slot.IsSupported, name.c_str(), static_cast<void*>(header));
  }
}

void THelperCalls::Decode(const TSlot& slot, const TBridgeCall& call, HANDLE input, TBridgeAnswer& answer) {
  // The file image the viewer sent, mapped copy-on-write: a plug-in that
  // writes into its input changes nothing the viewer sees.
  MappedView image;
  if (input) {
    image.reset(MapViewOfFile(input, FILE_MAP_COPY, 0, 0, static_cast<SIZE_T>(call.BlockSize)));
    if (!image) return;
  }
  if (!slot.GetPictureInfo || !slot.GetPicture) return;
  LPCSTR data = static_cast<LPCSTR>(image.get());
  const LONG_PTR length = static_cast<LONG_PTR>(call.BlockSize);

  // Zeroed first: some plug-ins fill only some fields. After a fault nothing
  // the plug-in wrote is used or freed.
  SpiPictureInfo info{};
  if (!Call(slot.Module, answer, slot.GetPictureInfo, data, length, kSpiInputMemory, &info) || answer.Code != 0)
    return;
  std::string text;
  if (HLOCAL handle = TextHandleOf(info)) {
    LocalMemory owned(handle);
    text = LocalText(owned.get());
    if (text.size() > kBridgeTextMax) text.resize(kBridgeTextMax);
  }

  HLOCAL infoHandle = nullptr;
  HLOCAL bitsHandle = nullptr;
  if (!Call(slot.Module, answer, slot.GetPicture, data, length, kSpiInputMemory, &infoHandle, &bitsHandle, KeepGoing,
            LONG_PTR{0}) ||
      answer.Code != 0)
    return;
  // Both blocks are checked before either is locked or freed: one handle
  // given as both is freed once, and the picture refused.
  LocalMemory infoBlock(OwnedLocal(infoHandle));
  LocalMemory bitsBlock(bitsHandle != infoHandle ? OwnedLocal(bitsHandle) : nullptr);
  answer.Code = kSpiBrokenData;
  if (!infoBlock || !bitsBlock) return;
  LockedLocal header(infoBlock.get());
  LockedLocal bits(bitsBlock.get());
  answer.Code = kSpiMemoryError;
  if (!header.get() || !bits.get()) return;
  // Bytes past the longest header block play no part in the viewer.
  const SIZE_T headerSize = LocalSize(infoBlock.get());
  answer.Header.assign(static_cast<const char*>(header.get()), headerSize < kBridgeHeaderMax ? headerSize
                                                                                             : kBridgeHeaderMax);
  answer.Code = kSpiNoMemory;
  if (!Share(bits.get(), LocalSize(bitsBlock.get()), answer)) {
    answer.Header.clear();
    return;
  }
  answer.Code = 0;
  answer.ColorDepth = info.ColorDepth;
  answer.Text = std::move(text);
}

void THelperCalls::List(const TSlot& slot, const TBridgeCall& call, TBridgeAnswer& answer) {
  HLOCAL handle = nullptr;
  int32_t code;
  TCallOutcome outcome;
  const LONG_PTR offset = static_cast<LONG_PTR>(call.Position);
  if (call.WideName && slot.GetArchiveInfoW) {
    const std::wstring name = WideName(call);
    outcome = CallPlugin(slot.Module, slot.GetArchiveInfoW, code, name.c_str(), offset, kSpiInputFile, &handle);
    answer.WideRecords = true;
  } else if (slot.GetArchiveInfo) {
    const std::string name = NarrowName(call);
    outcome = CallPlugin(slot.Module, slot.GetArchiveInfo, code, name.c_str(), offset, kSpiInputFile, &handle);
  } else {
    return;
  }
  if (!Returned(slot.Module, outcome, code, answer) || code != 0) {
    answer.WideRecords = false;
    return;
  }
  // A block that is no local memory handle, or cannot be locked, lists
  // nothing: success without records.
  LocalMemory block(OwnedLocal(handle));
  LockedLocal lock(block.get());
  if (lock.get() && !Share(lock.get(), LocalSize(block.get()), answer)) answer.Code = kSpiNoMemory;
  if (answer.Code != 0) answer.WideRecords = false;
}

void THelperCalls::Extract(const TSlot& slot, const TBridgeCall& call, TBridgeAnswer& answer) {
  HLOCAL handle = nullptr;
  int32_t code;
  TCallOutcome outcome;
  const LONG_PTR position = static_cast<LONG_PTR>(call.Position);
  if (call.WideName && slot.GetFileW) {
    const std::wstring name = WideName(call);
    outcome = CallPlugin(slot.Module, slot.GetFileW, code, name.c_str(), position, reinterpret_cast<LPWSTR>(&handle),
                         kSpiOutputMemory, nullptr, LONG_PTR{0});
  } else if (slot.GetFile) {
    const std::string name = NarrowName(call);
    outcome = CallPlugin(slot.Module, slot.GetFile, code, name.c_str(), position, reinterpret_cast<LPSTR>(&handle),
                         kSpiOutputMemory, nullptr, LONG_PTR{0});
  } else {
    return;
  }
  if (!Returned(slot.Module, outcome, code, answer) || code != 0) return;
  LocalMemory block(OwnedLocal(handle));
  answer.Code = kSpiBrokenData;
  if (!block) return;
  LockedLocal lock(block.get());
  answer.Code = kSpiMemoryError;
  if (!lock.get()) return;
  answer.Code = Share(lock.get(), LocalSize(block.get()), answer) ? 0 : kSpiNoMemory;
}

void THelperCalls::Configure(const TSlot& slot, const TBridgeCall& call, TBridgeAnswer& answer) {
  if (!slot.ConfigurationDlg) return;
  // The plug-in's dialog may use the common controls too.
  LoadCommonControls();
  // Window handles have 32 significant bits in either width.
  HWND owner = reinterpret_cast<HWND>(static_cast<uintptr_t>(call.Window));
  Call(slot.Module, answer, slot.ConfigurationDlg, owner, call.Number);
  answer.Code = 0;  // ignored, as in the viewer
}

bool THelperCalls::Share(const void* data, size_t size, TBridgeAnswer& answer) {
  if (size == 0) return true;
  if (size > kBridgeBlockMax) return false;
  // The smallest free section that fits and is not more than twice as large.
  TShared* fill = nullptr;
  for (TShared& shared : shared_)
    if (!shared.Lent && shared.Size >= size && shared.Size / 2 <= size && (!fill || shared.Size < fill->Size))
      fill = &shared;
  if (!fill) {
    TShared made;
    made.Section = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, static_cast<DWORD>(size),
                                      nullptr);
    if (!made.Section) return false;
    made.Size = size;
    try {
      shared_.push_back(made);
    } catch (const std::bad_alloc&) {
      CloseHandle(made.Section);
      return false;
    }
    fill = &shared_.back();
  }
  if (!fill->View) fill->View = MapViewOfFile(fill->Section, FILE_MAP_WRITE, 0, 0, fill->Size);
  if (!fill->View) return false;
  std::memcpy(fill->View, data, size);
  fill->Lent = true;
  fill->Id = ++lastId_ ? lastId_ : ++lastId_;
  answer.Block = reinterpret_cast<uintptr_t>(fill->Section);
  answer.BlockSize = size;
  answer.BlockId = fill->Id;
  Trim();
  return true;
}

void THelperCalls::TakeBack(const std::vector<uint32_t>& ids) {
  for (uint32_t id : ids)
    for (TShared& shared : shared_)
      if (shared.Lent && shared.Id == id) shared.Lent = false;
  Trim();
}

void THelperCalls::Trim() {
  // Free sections kept for filling again, and the address space the
  // helper's own views may take (a 32-bit process has 2 GB in all). A lent
  // section given up stays the viewer's for as long as it maps it.
  constexpr size_t kFreeKept = 4;
  constexpr size_t kLentKept = 256;
  constexpr uint64_t kViewBudget = 256u << 20;
  size_t free = 0, lent = 0;
  uint64_t viewed = 0;
  for (size_t i = shared_.size(); i-- > 0;) {
    TShared& shared = shared_[i];
    const bool keep = shared.Lent ? ++lent <= kLentKept : ++free <= kFreeKept;
    if (keep && shared.View && viewed + shared.Size > kViewBudget) {
      UnmapViewOfFile(shared.View);
      shared.View = nullptr;
    }
    if (shared.View) viewed += shared.Size;
    if (keep) continue;
    if (shared.View) UnmapViewOfFile(shared.View);
    CloseHandle(shared.Section);
    shared_.erase(shared_.begin() + static_cast<std::ptrdiff_t>(i));
  }
}
