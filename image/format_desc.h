// Short texts about a picture file for the Picture Information dialog.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Describes the file format from the file's first bytes ("Windows Bitmap -
// RGB", "GIF89a", "PNG - interlaced (with alpha)"...), or gives an empty text
// for a format it does not know. Never reads past size bytes.
std::string DescribeFormat(const uint8_t* file, size_t size);

// Every line break (CR, LF or CR LF) becomes CR LF; a CR ending the text stays
// alone.
std::string NormalizeLineBreaks(const std::string& text);

// Number of one bits.
int CountBits(uint32_t value);
