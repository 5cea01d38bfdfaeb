#pragma once
// The helper's side of a call: the 32-bit plug-ins it has loaded for the
// 64-bit viewer, one slot per Load, kept until the helper ends, and each
// request carried out on them through CallPlugin (the fault guard), the way
// the viewer calls the plug-ins of its own width. What a plug-in returns in
// local memory handles is taken only where the system knows the handle, then
// copied into the reply (texts, a picture's header block) or into a new
// section the viewer maps (pixels, archive records, members), and freed.

#include <windows.h>

#include <vector>

#include "plugins/bridge_protocol.h"

class THelperCalls {
 public:
  // Carries out call, first taking back the blocks its request gives back.
  TBridgeAnswer Serve(const TBridgeCall& call);

 private:
  struct TSlot;
  TBridgeAnswer Load(const TBridgeCall& call);
  void Info(const TSlot& slot, const TBridgeCall& call, TBridgeAnswer& answer);
  void Probe(const TSlot& slot, const TBridgeCall& call, TBridgeAnswer& answer);
  void Decode(const TSlot& slot, const TBridgeCall& call, HANDLE input, TBridgeAnswer& answer);
  void List(const TSlot& slot, const TBridgeCall& call, TBridgeAnswer& answer);
  void Extract(const TSlot& slot, const TBridgeCall& call, TBridgeAnswer& answer);
  void Configure(const TSlot& slot, const TBridgeCall& call, TBridgeAnswer& answer);
  // A section holding size bytes of data, lent to the viewer with the
  // answer: one the viewer gave back when one fits, else a new one. False
  // when none can be had.
  bool Share(const void* data, size_t size, TBridgeAnswer& answer);
  void TakeBack(const std::vector<uint32_t>& ids);

  // A section of the helper's, lent to the viewer under Id or free to fill
  // again. Its pages stay touched, so filling it again costs only the copy.
  // The helper keeps a view of it while the views it keeps stay within a
  // budget of its address space.
  struct TShared {
    uint32_t Id = 0;
    HANDLE Section = nullptr;
    void* View = nullptr;
    size_t Size = 0;
    bool Lent = false;
  };
  void Trim();

  std::vector<TSlot*> slots_;  // never freed: the modules stay loaded
  std::vector<TShared> shared_;  // oldest first
  uint32_t lastId_ = 0;
};
