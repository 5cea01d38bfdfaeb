#include "companions/zip/zip_entries.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string_view>
#include <utility>

namespace {

// A character's value: bytes from 0 to 255, UTF-16 units from 0 to 0xFFFF.
template <typename Char>
uint32_t Unit(Char c) {
  return static_cast<std::make_unsigned_t<Char>>(c);
}

template <typename Field>
Field Saturated(uint64_t value) {
  constexpr uint64_t top = static_cast<uint64_t>(std::numeric_limits<Field>::max());
  return static_cast<Field>(value > top ? top : value);
}

template <typename Char, size_t N>
void FillText(Char (&field)[N], const std::basic_string<Char>& text) {
  std::fill_n(field, N, Char{});
  std::copy_n(text.data(), std::min(text.size(), N), field);
}

// A name the system takes for a device in any folder, whatever its case and
// extension, and spaces before the extension.
template <typename Char>
bool IsDeviceName(const std::basic_string<Char>& name) {
  std::basic_string_view<Char> base(name);
  base = base.substr(0, base.find('.'));
  while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
  // Only ASCII letters matter: anything else is no device's name.
  std::string upper;
  for (Char c : base) {
    if (Unit(c) > 0x7F) return false;
    upper += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  }
  if (upper == "CON" || upper == "PRN" || upper == "AUX" || upper == "NUL" || upper == "CONIN$" || upper == "CONOUT$") {
    return true;
  }
  return upper.size() == 4 && (upper.starts_with("COM") || upper.starts_with("LPT")) && upper[3] >= '1' &&
         upper[3] <= '9';
}

template <typename Char>
bool IsStub(std::basic_string_view<Char> name, const uint8_t* header, size_t size) {
  if (size < 2 || header[0] != 'M' || header[1] != 'Z' || name.size() < 4) return false;
  std::string extension;
  for (Char c : name.substr(name.size() - 4)) extension += Unit(c) <= 0x7F ? static_cast<char>(c) : '\0';
  return SameIgnoringAsciiCase(extension, ".exe");
}

template <typename Char>
void SplitName(const std::basic_string<Char>& name, std::basic_string<Char>& folder, std::basic_string<Char>& file) {
  const size_t slash = name.rfind('/');
  if (slash == std::basic_string<Char>::npos) {
    folder.clear();
    file = name;
    return;
  }
  folder = Backslashed(name.substr(0, slash + 1));
  file = name.substr(slash + 1);
}

template <typename Char>
std::basic_string<Char> WithBackslashes(std::basic_string<Char> name) {
  std::replace(name.begin(), name.end(), Char{'/'}, Char{'\\'});
  return name;
}

// isLeadByte is null for UTF-16, where no unit is a second byte.
template <typename Char>
bool IsPlainName(const std::basic_string<Char>& name, LeadByteTest isLeadByte) {
  if (name.empty() || IsDeviceName(name)) return false;
  Char last = 0;
  for (size_t i = 0; i < name.size(); ++i) {
    const Char c = name[i];
    if (isLeadByte && isLeadByte(static_cast<uint8_t>(c)) && i + 1 < name.size()) {
      ++i;  // its second byte may be any value, '\\' included
      last = 0;
      continue;
    }
    if (Unit(c) < 0x20 ||
        (Unit(c) <= 0x7F && std::string_view("\\/:*?\"<>|").find(static_cast<char>(c)) != std::string_view::npos)) {
      return false;
    }
    last = c;
  }
  // "." and ".." among them.
  return last != '.' && last != ' ';
}

}  // namespace

bool IsZipHeader(const uint8_t* header, size_t size) {
  if (size < 4 || header[0] != 'P' || header[1] != 'K') return false;
  return (header[2] == 3 && header[3] == 4) || (header[2] == 5 && header[3] == 6) ||
         // The marker of an archive written for splitting that fit in one part.
         (size >= 8 && header[2] == 7 && header[3] == 8 && header[4] == 'P' && header[5] == 'K' && header[6] == 3 &&
          header[7] == 4);
}

bool IsExecutableStub(std::string_view name, const uint8_t* header, size_t size) { return IsStub(name, header, size); }
bool IsExecutableStub(std::u16string_view name, const uint8_t* header, size_t size) {
  return IsStub(name, header, size);
}

void SplitMemberName(const std::string& name, std::string& folder, std::string& file) { SplitName(name, folder, file); }
void SplitMemberName(const std::u16string& name, std::u16string& folder, std::u16string& file) {
  SplitName(name, folder, file);
}

std::string Backslashed(std::string name) { return WithBackslashes(std::move(name)); }
std::u16string Backslashed(std::u16string name) { return WithBackslashes(std::move(name)); }

bool IsPlainFileName(const std::string& name, LeadByteTest isLeadByte) { return IsPlainName(name, isLeadByte); }
bool IsPlainFileName(const std::u16string& name) { return IsPlainName(name, nullptr); }

std::string MethodText(uint16_t method) {
  if (method == 0) return "Stored";
  if (method == 8) return "Deflate";
  return "M" + std::to_string(method);
}

template <typename Record>
void FillArchiveEntry(const ZipMember& member, const RecordText<Record>& folder, const RecordText<Record>& file,
                      int64_t unixTime, uint64_t position, Record& entry) {
  std::memset(&entry, 0, sizeof entry);
  const std::string method = MethodText(member.Method);
  // Seven characters at most, so the text always ends in its field.
  std::memcpy(entry.Method, method.data(), std::min(method.size(), sizeof entry.Method - 1));
  entry.Position = Saturated<decltype(entry.Position)>(position);
  entry.CompressedSize = Saturated<decltype(entry.CompressedSize)>(member.CompressedSize);
  entry.FileSize = Saturated<decltype(entry.FileSize)>(member.Size);
  using Time = decltype(entry.Time);
  const int64_t low = std::numeric_limits<Time>::min(), high = std::numeric_limits<Time>::max();
  entry.Time = static_cast<Time>(unixTime < low ? low : unixTime > high ? high : unixTime);
  FillText(entry.Path, folder);
  FillText(entry.FileName, file);
  entry.Crc = member.Crc;
}

template void FillArchiveEntry(const ZipMember&, const std::string&, const std::string&, int64_t, uint64_t,
                               SpiArchiveEntry32&);
template void FillArchiveEntry(const ZipMember&, const std::string&, const std::string&, int64_t, uint64_t,
                               SpiArchiveEntry64&);
template void FillArchiveEntry(const ZipMember&, const std::u16string&, const std::u16string&, int64_t, uint64_t,
                               SpiArchiveEntryW32&);
template void FillArchiveEntry(const ZipMember&, const std::u16string&, const std::u16string&, int64_t, uint64_t,
                               SpiArchiveEntryW64&);
