#pragma once
// The texts GetPluginInfo gives for a decoder, made from what the decoder
// says of itself.

#include <string>

// "*.jpg;*.jpeg" from a decoder's extension list (".jpg,.jpeg", or with ';'
// between); empty when it names none. Extensions are ASCII; anything else
// is left out.
std::string FilterOfExtensions(const std::wstring& extensions);

// "PNG pictures" from the friendly name "PNG Decoder".
std::string FormatNameOf(const std::wstring& friendlyName);
