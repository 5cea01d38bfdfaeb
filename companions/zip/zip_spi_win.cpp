// The ZIP archive plug-in's exports. Every call reads the central directory
// afresh: the plug-in keeps no state between calls, and positions are the
// members' indexes in that directory.
//
// Each ANSI export and its wide twin share one body, a template over the
// character of the export's names: the ANSI exports' records carry names in
// the system code page, the wide twins' records UTF-16; files are reached
// through the wide file functions either way (file_path_win.h).
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "companions/common/file_path_win.h"
#include "companions/common/plugin_text.h"
#include "companions/common/probe_header_win.h"
#include "plugins/spi_api.h"
#include "companions/zip/file_source_win.h"
#include "companions/zip/member_output_win.h"
#include "companions/zip/zip_entries.h"
#include "companions/zip/zip_members_win.h"

namespace {

// What the names of an export's width are: Char is the character of its
// arguments, Text that of the member names in its records.
template <typename Char>
struct TNames;
template <>
struct TNames<char> {
  using Record = SpiArchiveEntry;
  using Text = std::string;
  static Text Of(const char* name) { return name; }
};
template <>
struct TNames<wchar_t> {
  using Record = SpiArchiveEntryW;
  using Text = std::u16string;
  static Text Of(const wchar_t* name) { return reinterpret_cast<const char16_t*>(name); }
};

// The archive a call names (a file, from an offset on) or holds in memory.
class ArchiveInput {
 public:
  template <typename Char>
  int32_t Open(const Char* input, LONG_PTR length, unsigned flag) {
    if (!input || length < 0) return kSpiReadError;
    switch (flag & kSpiInputKindMask) {
      case kSpiInputFile:
        if (!file_.Open(FilePath(input), static_cast<uint64_t>(length))) return kSpiReadError;
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

template <typename Char>
int32_t ReadMembers(const Char* input, LONG_PTR length, unsigned flag, ArchiveInput& archive,
                    std::vector<ZipMember>& members) {
  if (int32_t code = archive.Open(input, length, flag)) return code;
  return ReadZipDirectory(archive.Source(), members);
}

template <typename Char>
int IsSupportedBody(const Char* name, void* headerOrHandle) {
  return GuardedAnswer([&] {
    uint8_t header[kSpiHeaderSize] = {};
    const size_t size = ReadProbeHeader(headerOrHandle, header);
    if (IsZipHeader(header, size)) return 1;
    // A self-extracting archive: its directory's end record lies in the
    // file's tail. Only programs are searched, so other files cost no reading.
    if (!name || !IsExecutableStub(TNames<Char>::Of(name), header, size)) return 0;
    FileSource file;
    return file.Open(FilePath(name), 0) && HasZipEndRecord(file) ? 1 : 0;
  });
}

template <typename Char>
int GetArchiveInfoBody(const Char* input, LONG_PTR length, unsigned flag, HLOCAL* records) {
  using Record = typename TNames<Char>::Record;
  return GuardedCall([&]() -> int32_t {
    if (!records) return kSpiMemoryError;
    *records = nullptr;
    ArchiveInput archive;
    std::vector<ZipMember> members;
    if (int32_t code = ReadMembers(input, length, flag, archive, members)) return code;
    size_t count = 0;
    for (const ZipMember& m : members) count += m.Folder ? 0 : 1;
    // The zeroed record after the last one ends the block.
    LocalMemory block(LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, (count + 1) * sizeof(Record)));
    if (!block) return kSpiNoMemory;
    {
      LockedLocal lock(block.get());
      if (!lock.get()) return kSpiMemoryError;
      auto* entry = static_cast<Record*>(lock.get());
      for (size_t i = 0; i < members.size(); ++i) {
        if (!members[i].Folder) MemberRecord(members[i], i, *entry++);
      }
    }
    *records = block.release();
    return kSpiSuccess;
  });
}

template <typename Char>
int GetFileInfoBody(const Char* input, LONG_PTR length, const Char* name, unsigned flag,
                    typename TNames<Char>::Record* record) {
  return GuardedCall([&]() -> int32_t {
    if (!record || !name) return kSpiMemoryError;
    ArchiveInput archive;
    std::vector<ZipMember> members;
    if (int32_t code = ReadMembers(input, length, flag, archive, members)) return code;
    const ptrdiff_t index = FindMember(members, TNames<Char>::Of(name), (flag & kSpiIgnoreCase) != 0);
    if (index < 0) return kSpiInternalError;
    MemberRecord(members[static_cast<size_t>(index)], static_cast<size_t>(index), *record);
    return kSpiSuccess;
  });
}

template <typename Char>
int GetFileBody(const Char* input, LONG_PTR position, Char* destination, unsigned flag, SpiProgressProc progress,
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
      case 0: {
        if (!destination) return kSpiWriteError;
        // The member's own name only, never a path out of the folder.
        using Text = typename TNames<Char>::Text;
        Text inside, file;
        SplitMemberName(MemberText<Text>(member), inside, file);
        return ExtractToFolder(archive.Source(), member, report, FilePath(destination), FileNameInFolder(file));
      }
      case kSpiOutputMemory:
        return ExtractToMemory(archive.Source(), member, report, reinterpret_cast<HLOCAL*>(destination));
      default:
        return kSpiNotImplemented;
    }
  });
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

int __stdcall IsSupported(LPCSTR name, void* headerOrHandle) { return IsSupportedBody(name, headerOrHandle); }
int __stdcall IsSupportedW(LPCWSTR name, void* headerOrHandle) { return IsSupportedBody(name, headerOrHandle); }

int __stdcall GetArchiveInfo(LPCSTR input, LONG_PTR length, unsigned flag, HLOCAL* records) {
  return GetArchiveInfoBody(input, length, flag, records);
}
int __stdcall GetArchiveInfoW(LPCWSTR input, LONG_PTR length, unsigned flag, HLOCAL* records) {
  return GetArchiveInfoBody(input, length, flag, records);
}

int __stdcall GetFileInfo(LPCSTR input, LONG_PTR length, LPCSTR name, unsigned flag, SpiArchiveEntry* record) {
  return GetFileInfoBody(input, length, name, flag, record);
}
int __stdcall GetFileInfoW(LPCWSTR input, LONG_PTR length, LPCWSTR name, unsigned flag, SpiArchiveEntryW* record) {
  return GetFileInfoBody(input, length, name, flag, record);
}

int __stdcall GetFile(LPCSTR input, LONG_PTR position, LPSTR destination, unsigned flag, SpiProgressProc progress,
                      LONG_PTR data) {
  return GetFileBody(input, position, destination, flag, progress, data);
}
int __stdcall GetFileW(LPCWSTR input, LONG_PTR position, LPWSTR destination, unsigned flag, SpiProgressProc progress,
                       LONG_PTR data) {
  return GetFileBody(input, position, destination, flag, progress, data);
}

}  // extern "C"
