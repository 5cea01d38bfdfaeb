#include "companions/zip/member_output_win.h"

#include <cstring>

#include "framework/handles.h"
#include "companions/common/file_path_win.h"
#include "companions/common/spi_codes.h"
#include "companions/zip/zip_entries.h"

namespace {

bool SystemLeadByte(uint8_t byte) { return IsDBCSLeadByte(byte) != 0; }

// Writes into a block of exactly the member's size.
class BlockSink final : public ByteSink {
 public:
  BlockSink(void* block, size_t size) : at_(static_cast<uint8_t*>(block)), left_(size) {}
  bool Write(const uint8_t* data, size_t size) override {
    if (size > left_) return false;
    std::memcpy(at_, data, size);
    at_ += size;
    left_ -= size;
    return true;
  }

 private:
  uint8_t* at_;
  size_t left_;
};

class FileSink final : public ByteSink {
 public:
  explicit FileSink(HANDLE file) : file_(file) {}
  bool Write(const uint8_t* data, size_t size) override {
    DWORD written = 0;
    return WriteFile(file_, data, static_cast<DWORD>(size), &written, nullptr) && written == size;
  }

 private:
  HANDLE file_;
};

// The member is written under a name of its own in the folder, which takes
// the place of its real name only once the member came out whole.
class TemporaryFile {
 public:
  TemporaryFile() = default;
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  ~TemporaryFile() {
    if (name_[0]) DeleteFileW(name_);
  }
  bool Create(const std::wstring& folder) { return GetTempFileNameW(folder.c_str(), L"orv", 0, name_) != 0; }
  LPCWSTR Name() const { return name_; }
  bool Replace(const std::wstring& path) {
    if (!MoveFileExW(name_, path.c_str(), MOVEFILE_REPLACE_EXISTING)) return false;
    name_[0] = L'\0';
    return true;
  }

 private:
  wchar_t name_[MAX_PATH] = {};
};

}  // namespace

int32_t ExtractToMemory(ByteSource& source, const ZipMember& member, const ZipProgress& progress, HLOCAL* out) {
  if (!out) return kSpiMemoryError;
  if (int32_t code = CheckZipMember(member)) return code;
  const size_t size = static_cast<size_t>(member.Size);
  LocalMemory block(LocalAlloc(LMEM_MOVEABLE, size));
  if (!block) return kSpiNoMemory;
  {
    // A block of no bytes cannot be locked, and needs no writing.
    LockedLocal lock(size > 0 ? block.get() : nullptr);
    if (size > 0 && !lock.get()) return kSpiMemoryError;
    BlockSink sink(lock.get(), size);
    if (int32_t code = ExtractZipMember(source, member, sink, progress)) return code;
  }
  *out = block.release();
  return kSpiSuccess;
}

// A backslash that is a character's second byte is no separator in the
// code page, so the bytes are checked as such before they become UTF-16.
std::wstring FileNameInFolder(const std::string& codePageName) {
  return IsPlainFileName(codePageName, SystemLeadByte) ? FilePath(codePageName.c_str()) : std::wstring();
}

std::wstring FileNameInFolder(const std::u16string& name) {
  return IsPlainFileName(name) ? std::wstring(name.begin(), name.end()) : std::wstring();
}

int32_t ExtractToFolder(ByteSource& source, const ZipMember& member, const ZipProgress& progress,
                        const std::wstring& folder, const std::wstring& file) {
  if (folder.empty() || file.empty()) return kSpiWriteError;
  if (int32_t code = CheckZipMember(member)) return code;
  std::wstring path = folder;
  if (path.back() != L'/' && path.back() != L'\\') path += L'\\';
  TemporaryFile temporary;
  if (!temporary.Create(path)) return kSpiWriteError;
  {
    FileHandle out(
        CreateFileW(temporary.Name(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out) return kSpiWriteError;
    FileSink sink(out.get());
    if (int32_t code = ExtractZipMember(source, member, sink, progress)) return code;
    if (!CloseHandle(out.release())) return kSpiWriteError;
  }
  return temporary.Replace(path + file) ? kSpiSuccess : kSpiWriteError;
}
