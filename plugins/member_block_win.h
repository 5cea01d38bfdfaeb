#pragma once
// An archive member extracted for the viewer: copied out of an in-process
// plug-in's block into the host's memory, or, for a 32-bit plug-in of the
// 64-bit edition, the view of the shared memory its helper process copied the
// plug-in's block into. Either way the member is copied once on its way from
// the plug-in to the viewer.

#include <windows.h>

#include <cstdint>
#include <vector>

#include "framework/handles.h"

class TMemberBlock {
 public:
  const uint8_t* data() const { return view_ ? static_cast<const uint8_t*>(view_.get()) : bytes_.data(); }
  size_t size() const { return view_ ? viewSize_ : bytes_.size(); }
  bool empty() const { return size() == 0; }
  void clear() {
    bytes_.clear();
    view_.reset();
    viewSize_ = 0;
  }
  // The host's own copy, for a plug-in called in this process.
  std::vector<uint8_t>& Bytes() {
    clear();
    return bytes_;
  }
  // A view of size bytes, mapped for this block alone.
  void Adopt(MappedView view, size_t size) {
    clear();
    view_ = std::move(view);
    viewSize_ = view_ ? size : 0;
  }

 private:
  std::vector<uint8_t> bytes_;
  MappedView view_;
  size_t viewSize_ = 0;
};
