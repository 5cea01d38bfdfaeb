#include "companions/wic/decoder_names.h"

namespace {

std::string Ascii(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) {
    if (c > 0x20 && c < 0x7F) out += static_cast<char>(c);
  }
  return out;
}

}  // namespace

std::string FilterOfExtensions(const std::wstring& extensions) {
  std::string filter;
  size_t start = 0;
  while (start <= extensions.size()) {
    size_t end = extensions.find_first_of(L",;", start);
    if (end == std::wstring::npos) end = extensions.size();
    std::string extension = Ascii(extensions.substr(start, end - start));
    if (!extension.empty() && extension[0] == '.') extension.erase(0, 1);
    if (!extension.empty()) filter += (filter.empty() ? "*." : ";*.") + extension;
    start = end + 1;
  }
  return filter;
}

std::string FormatNameOf(const std::wstring& friendlyName) {
  std::wstring name = friendlyName;
  const std::wstring suffix = L" Decoder";
  if (name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0) {
    name.erase(name.size() - suffix.size());
  }
  std::string out;
  for (wchar_t c : name) out += c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?';
  return (out.empty() ? std::string("Other") : out) + " pictures";
}
