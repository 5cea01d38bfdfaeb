#pragma once
// What the companion plug-ins share that needs no platform: the texts of
// GetPluginInfo and the guard that keeps exceptions inside an export.

#include <cstdint>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "companions/common/spi_codes.h"

// Copies text into a host's buffer of size bytes, cut to fit and always
// NUL-terminated; returns the bytes copied without the NUL (0 when the
// buffer has no room at all).
int32_t CopyPluginText(const std::string& text, char* buffer, int32_t size);

// The text of GetPluginInfo's info number: 0 the version, 1 the
// description, then the pairs of filter and format name. Empty past the end.
std::string PluginInfoText(int32_t infoNumber, const std::string& version, const std::string& description,
                           const std::vector<std::pair<std::string, std::string>>& filters);

// IsSupported's guard: an exception (no memory for the header, say) is a
// refusal, never a code a host would read as a yes.
template <typename Body>
int32_t GuardedAnswer(Body&& body) noexcept {
  try {
    return body();
  } catch (...) {
    return 0;
  }
}

// Runs an export's body; no exception leaves a plug-in call.
template <typename Body>
int32_t GuardedCall(Body&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return kSpiNoMemory;
  } catch (...) {
    return kSpiInternalError;
  }
}
