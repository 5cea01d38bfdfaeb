#pragma once
// The error codes a plug-in answers with, beyond those the host reports
// itself (spi_records.h): the companion plug-ins use the whole table.

#include <cstdint>

#include "plugins/spi_records.h"

constexpr int32_t kSpiSuccess = 0;
constexpr int32_t kSpiNotImplemented = kSpiMissingExport;  // -1
constexpr int32_t kSpiCancelled = 1;
constexpr int32_t kSpiUnknownFormat = 2;
constexpr int32_t kSpiReadError = 6;
constexpr int32_t kSpiInternalError = 8;
constexpr int32_t kSpiWriteError = 9;

// The input kind sits in the low three bits of a call's flag, the output
// kind of GetFile in the next byte.
constexpr unsigned kSpiInputKindMask = 7;
constexpr unsigned kSpiOutputKindMask = 0x700;
// GetFileInfo: compare member names without regard to case.
constexpr unsigned kSpiIgnoreCase = 0x80;
