#pragma once
// An archive file as a ByteSource, from a given offset on (an archive that
// starts inside a larger file).

#include <string>

#include "framework/handles.h"
#include "companions/zip/byte_source.h"

class FileSource final : public ByteSource {
 public:
  // False when the file cannot be opened or is shorter than offset.
  bool Open(const std::wstring& name, uint64_t offset);
  uint64_t Size() const override { return size_; }
  bool Read(uint64_t offset, void* buffer, size_t size) override;

 private:
  FileHandle file_;
  uint64_t base_ = 0;
  uint64_t size_ = 0;
};
