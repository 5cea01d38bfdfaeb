#include "companions/zip/zip_entries.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string_view>

namespace {

template <typename Field>
Field Saturated(uint64_t value) {
  constexpr uint64_t top = static_cast<uint64_t>(std::numeric_limits<Field>::max());
  return static_cast<Field>(value > top ? top : value);
}

template <size_t N>
void FillText(char (&field)[N], const std::string& text) {
  std::memset(field, 0, N);
  std::memcpy(field, text.data(), text.size() < N ? text.size() : N);
}

// A name the system takes for a device in any folder, whatever its case and
// extension, and spaces before the extension.
bool IsDeviceName(const std::string& name) {
  std::string_view base(name);
  base = base.substr(0, base.find('.'));
  while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
  std::string upper(base);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  if (upper == "CON" || upper == "PRN" || upper == "AUX" || upper == "NUL" || upper == "CONIN$" || upper == "CONOUT$") {
    return true;
  }
  return upper.size() == 4 && (upper.starts_with("COM") || upper.starts_with("LPT")) && upper[3] >= '1' &&
         upper[3] <= '9';
}

}  // namespace

bool IsZipHeader(const uint8_t* header, size_t size) {
  if (size < 4 || header[0] != 'P' || header[1] != 'K') return false;
  return (header[2] == 3 && header[3] == 4) || (header[2] == 5 && header[3] == 6) ||
         // The marker of an archive written for splitting that fit in one part.
         (size >= 8 && header[2] == 7 && header[3] == 8 && header[4] == 'P' && header[5] == 'K' && header[6] == 3 &&
          header[7] == 4);
}

bool IsExecutableStub(std::string_view name, const uint8_t* header, size_t size) {
  return size >= 2 && header[0] == 'M' && header[1] == 'Z' && name.size() >= 4 &&
         SameIgnoringAsciiCase(name.substr(name.size() - 4), ".exe");
}

void SplitMemberName(const std::string& name, std::string& folder, std::string& file) {
  const size_t slash = name.rfind('/');
  if (slash == std::string::npos) {
    folder.clear();
    file = name;
    return;
  }
  folder = Backslashed(name.substr(0, slash + 1));
  file = name.substr(slash + 1);
}

std::string Backslashed(std::string name) {
  for (char& c : name) {
    if (c == '/') c = '\\';
  }
  return name;
}

bool IsPlainFileName(const std::string& name, LeadByteTest isLeadByte) {
  if (name.empty() || IsDeviceName(name)) return false;
  char last = 0;
  for (size_t i = 0; i < name.size(); ++i) {
    const auto c = static_cast<unsigned char>(name[i]);
    if (isLeadByte(c) && i + 1 < name.size()) {
      ++i;  // its second byte may be any value, '\' included
      last = 0;
      continue;
    }
    if (c < 0x20 || std::string_view("\\/:*?\"<>|").find(static_cast<char>(c)) != std::string_view::npos) {
      return false;
    }
    last = static_cast<char>(c);
  }
  // "." and ".." among them.
  return last != '.' && last != ' ';
}

std::string MethodText(uint16_t method) {
  if (method == 0) return "Stored";
  if (method == 8) return "Deflate";
  return "M" + std::to_string(method);
}

template <typename Record>
void FillArchiveEntry(const ZipMember& member, const std::string& folder, const std::string& file, int64_t unixTime,
                      uint64_t position, Record& entry) {
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
