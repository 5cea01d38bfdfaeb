#pragma once
// The second argument of IsSupported in both of its forms: hosts of today
// pass the address of the file's first 2 KB, the oldest passed a file handle,
// which is how a value of 0xFFFF or less is taken.

#include <cstddef>
#include <cstdint>

#include "plugins/spi_records.h"

// Copies the file's first bytes (at most kSpiHeaderSize) into header and
// returns how many there are. A handle is read from where it stands and left
// there; a handle that cannot be read gives 0 bytes.
size_t ReadProbeHeader(const void* argument, uint8_t (&header)[kSpiHeaderSize]);
