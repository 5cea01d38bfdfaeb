#include "companions/wic/wic_codecs_win.h"

#include <wincodec.h>

#include "companions/wic/com_win.h"
#include "companions/wic/decoder_names.h"

namespace {

template <typename Getter>
std::wstring InfoText(Getter get) {
  UINT length = 0;
  if (FAILED(get(0, nullptr, &length)) || length == 0) return std::wstring();
  std::wstring text(length, L'\0');
  if (FAILED(get(length, text.data(), &length))) return std::wstring();
  text.resize(wcsnlen(text.c_str(), text.size()));
  return text;
}

void AddPatterns(IWICBitmapDecoderInfo* info, std::vector<BytePattern>& patterns) {
  UINT count = 0, bytes = 0;
  if (FAILED(info->GetPatterns(0, nullptr, &count, &bytes)) || count == 0 || bytes == 0) return;
  // The patterns and the bytes they point to come in one block.
  std::vector<uint64_t> block((bytes + 7) / 8);
  auto* found = reinterpret_cast<WICBitmapPattern*>(block.data());
  if (FAILED(info->GetPatterns(bytes, found, &count, &bytes))) return;
  for (UINT i = 0; i < count; ++i) {
    // A pattern at the end of the file cannot be seen in its first bytes.
    if (found[i].EndOfStream || !found[i].Pattern || !found[i].Mask) continue;
    BytePattern p;
    p.Position = found[i].Position.QuadPart;
    p.Pattern.assign(found[i].Pattern, found[i].Pattern + found[i].Length);
    p.Mask.assign(found[i].Mask, found[i].Mask + found[i].Length);
    patterns.push_back(std::move(p));
  }
}

DecoderCatalogue Enumerate() {
  DecoderCatalogue catalogue;
  ComScope com;
  if (!com.Usable()) return catalogue;
  ComPtr<IWICImagingFactory> factory;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                              reinterpret_cast<void**>(factory.put())))) {
    return catalogue;
  }
  ComPtr<IEnumUnknown> decoders;
  if (FAILED(factory->CreateComponentEnumerator(WICDecoder, WICComponentEnumerateDefault, decoders.put()))) {
    return catalogue;
  }
  for (;;) {
    ComPtr<IUnknown> item;
    ULONG got = 0;
    if (decoders->Next(1, item.put(), &got) != S_OK || got == 0) break;
    ComPtr<IWICBitmapDecoderInfo> info;
    if (FAILED(item->QueryInterface(IID_IWICBitmapDecoderInfo, reinterpret_cast<void**>(info.put())))) continue;
    GUID container{};
    if (FAILED(info->GetContainerFormat(&container)) || container == GUID_ContainerFormatBmp) continue;
    const std::string filter =
        FilterOfExtensions(InfoText([&](UINT n, WCHAR* t, UINT* l) { return info->GetFileExtensions(n, t, l); }));
    if (filter.empty()) continue;
    const std::wstring name = InfoText([&](UINT n, WCHAR* t, UINT* l) { return info->GetFriendlyName(n, t, l); });
    catalogue.Filters.emplace_back(filter, FormatNameOf(name));
    AddPatterns(info.get(), catalogue.Patterns);
  }
  return catalogue;
}

}  // namespace

const DecoderCatalogue& InstalledDecoders() {
  static const DecoderCatalogue catalogue = Enumerate();
  return catalogue;
}
