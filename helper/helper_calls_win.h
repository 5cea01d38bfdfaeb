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
  // Carries out call. Sections made for the answer stay open until
  // CloseSections, so that the viewer can take them.
  TBridgeAnswer Serve(const TBridgeCall& call);
  // Closes the sections of the last answer: the viewer has taken what it
  // wanted of them by the time it sends the next request.
  void CloseSections();

 private:
  struct TSlot;
  TBridgeAnswer Load(const TBridgeCall& call);
  void Info(const TSlot& slot, const TBridgeCall& call, TBridgeAnswer& answer);
  void Probe(const TSlot& slot, const TBridgeCall& call, TBridgeAnswer& answer);
  void Decode(const TSlot& slot, const TBridgeCall& call, HANDLE input, TBridgeAnswer& answer);
  void List(const TSlot& slot, const TBridgeCall& call, TBridgeAnswer& answer);
  void Extract(const TSlot& slot, const TBridgeCall& call, TBridgeAnswer& answer);
  void Configure(const TSlot& slot, const TBridgeCall& call, TBridgeAnswer& answer);
  // A new section holding size bytes of data for the answer; false when it
  // cannot be had.
  bool Share(const void* data, size_t size, TBridgeAnswer& answer);

  std::vector<TSlot*> slots_;  // never freed: the modules stay loaded
  std::vector<HANDLE> sections_;
};
