// The ZIP archive plug-in's exports. Every call reads the central directory
// afresh: the plug-in keeps no state between calls, and positions are the
// members' indexes in that directory.
#include <windows.h>

#include <cstring>
#include <memory>
#include <vector>

#include "framework/handles.h"
#include "companions/common/plugin_text.h"
#include "companions/common/probe_header_win.h"
#include "plugins/spi_api.h"
#include "companions/zip/file_source_win.h"
#include "companions/zip/zip_entries.h"
#include "companions/zip/zip_extract.h"
#include "companions/zip/zip_members_win.h"
#include "util/sutil.h"

namespace {

bool SystemLeadByte(uint8_t byte) { return IsDBCSLeadByte(byte) != 0; }

// The archive a call names (a file, from an offset on) or holds in memory.
class ArchiveInput {
 public:
  int32_t Open(LPCSTR input, LONG_PTR length, unsigned flag) {
    if (!input || length < 0) return kSpiReadError;
    switch (flag & kSpiInputKindMask) {
      case kSpiInputFile:
        if (!file_.Open(input, static_cast<uint64_t>(length))) return kSpiReadError;
        source_ = &file_;
        return kSpiSuccess;
      case kSpiInputMemory:
        memory_ = std::make_unique<MemorySource>(input, static_cast<size_t>(length));
        source_ = memory_.get();
        return kSpiSuccess;
      default:
        return kSpiNotImplemented;
    }
  }
  ByteSource& Source() { return *source_; }

 private:
  FileSource file_;
  std::unique_ptr<MemorySource> memory_;
  ByteSource* source_ = nullptr;
};

int32_t ReadMembers(LPCSTR input, LONG_PTR length, unsigned flag, ArchiveInput& archive,
                    std::vector<ZipMember>& members) {
  if (int32_t code = archive.Open(input, length, flag)) return code;
  return ReadZipDirectory(archive.Source(), members);
}

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

// The member is written under a name of its own in the folder, which takes
// the place of its real name only once the member came out whole: a failed
// extraction leaves a file already there as it was.
class TemporaryFile {
 public:
  TemporaryFile() = default;
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  ~TemporaryFile() {
    if (name_[0]) DeleteFileA(name_);
  }
  bool Create(const std::string& folder) { return GetTempFileNameA(folder.c_str(), "orv", 0, name_) != 0; }
  LPCSTR Name() const { return name_; }
  bool Replace(const std::string& path) {
    if (!MoveFileExA(name_, path.c_str(), MOVEFILE_REPLACE_EXISTING)) return false;
    name_[0] = '\0';
    return true;
  }

 private:
  char name_[MAX_PATH] = {};
};

int32_t ExtractToFolder(ByteSource& source, const ZipMember& member, const ZipProgress& progress, LPCSTR folder) {
  if (!folder || !*folder) return kSpiWriteError;
  std::string inside, file;
  SplitMemberName(CodePageName(member), inside, file);
  // The member's own name only, never a path out of the folder.
  if (!IsPlainFileName(file, SystemLeadByte)) return kSpiWriteError;
  if (int32_t code = CheckZipMember(member)) return code;
  // A backslash that is a character's second byte is no separator; "/" never is one.
  std::string path = folder;
  if (path.back() != '/') path = WithTrailingBackslash(path, SystemLeadByte);
  TemporaryFile temporary;
  if (!temporary.Create(path)) return kSpiWriteError;
  {
    FileHandle out(
        CreateFileA(temporary.Name(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out) return kSpiWriteError;
    FileSink sink(out.get());
    if (int32_t code = ExtractZipMember(source, member, sink, progress)) return code;
    if (!CloseHandle(out.release())) return kSpiWriteError;
  }
  return temporary.Replace(path + file) ? kSpiSuccess : kSpiWriteError;
}

}  // namespace

extern "C" {

int __stdcall GetPluginInfo(int infoNumber, LPSTR buffer, int bufferLength) {
  return GuardedCall([&] {
    static const std::vector<std::pair<std::string, std::string>> filters = {{"*.zip", "ZIP archives"}};
    return CopyPluginText(PluginInfoText(infoNumber, "00AM", "Orv ZIP archive plug-in " ORV_VERSION_TEXT, filters),
                          buffer, bufferLength);
  });
}

int __stdcall IsSupported(LPCSTR name, void* headerOrHandle) {
  return GuardedAnswer([&] {
    uint8_t header[kSpiHeaderSize] = {};
    const size_t size = ReadProbeHeader(headerOrHandle, header);
    if (IsZipHeader(header, size)) return 1;
    // A self-extracting archive: its directory's end record lies in the
    // file's tail. Only programs are searched, so other files cost no reading.
    if (!name || !IsExecutableStub(name, header, size)) return 0;
    FileSource file;
    return file.Open(name, 0) && HasZipEndRecord(file) ? 1 : 0;
  });
}

int __stdcall GetArchiveInfo(LPCSTR input, LONG_PTR length, unsigned flag, HLOCAL* records) {
  return GuardedCall([&]() -> int32_t {
    if (!records) return kSpiMemoryError;
    *records = nullptr;
    ArchiveInput archive;
    std::vector<ZipMember> members;
    if (int32_t code = ReadMembers(input, length, flag, archive, members)) return code;
    size_t count = 0;
    for (const ZipMember& m : members) count += m.Folder ? 0 : 1;
    // The zeroed record after the last one ends the block.
    LocalMemory block(LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, (count + 1) * sizeof(SpiArchiveEntry)));
    if (!block) return kSpiNoMemory;
    {
      LockedLocal lock(block.get());
      if (!lock.get()) return kSpiMemoryError;
      auto* entry = static_cast<SpiArchiveEntry*>(lock.get());
      for (size_t i = 0; i < members.size(); ++i) {
        if (!members[i].Folder) MemberRecord(members[i], i, *entry++);
      }
    }
    *records = block.release();
    return kSpiSuccess;
  });
}

int __stdcall GetFileInfo(LPCSTR input, LONG_PTR length, LPCSTR name, unsigned flag, SpiArchiveEntry* record) {
  return GuardedCall([&]() -> int32_t {
    if (!record || !name) return kSpiMemoryError;
    ArchiveInput archive;
    std::vector<ZipMember> members;
    if (int32_t code = ReadMembers(input, length, flag, archive, members)) return code;
    const ptrdiff_t index = FindMember(members, name, (flag & kSpiIgnoreCase) != 0);
    if (index < 0) return kSpiInternalError;
    MemberRecord(members[static_cast<size_t>(index)], static_cast<size_t>(index), *record);
    return kSpiSuccess;
  });
}

int __stdcall GetFile(LPCSTR input, LONG_PTR position, LPSTR destination, unsigned flag, SpiProgressProc progress,
                      LONG_PTR data) {
  return GuardedCall([&]() -> int32_t {
    // A member is found by its position in the archive file; an archive in
    // memory has no positions to give.
    if ((flag & kSpiInputKindMask) != kSpiInputFile) return kSpiNotImplemented;
    ArchiveInput archive;
    std::vector<ZipMember> members;
    if (int32_t code = ReadMembers(input, 0, flag, archive, members)) return code;
    if (position < 0 || static_cast<size_t>(position) >= members.size()) return kSpiInternalError;
    const ZipMember& member = members[static_cast<size_t>(position)];
    if (member.Folder) return kSpiInternalError;
    ZipProgress report;
    if (progress) {
      report = [&](uint64_t done, uint64_t total) {
        return progress(static_cast<int>(done), static_cast<int>(total), data) == 0;
      };
      if (!report(0, member.Size)) return kSpiCancelled;
    }
    switch (flag & kSpiOutputKindMask) {
      case 0:
        return ExtractToFolder(archive.Source(), member, report, destination);
      case kSpiOutputMemory:
        return ExtractToMemory(archive.Source(), member, report, reinterpret_cast<HLOCAL*>(destination));
      default:
        return kSpiNotImplemented;
    }
  });
}

}  // extern "C"
