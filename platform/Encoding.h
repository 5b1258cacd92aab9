// Conversion between the library's Windows-1252 text and UTF-8 outside it.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Every CP1252 byte becomes its UTF-8 sequence (the five unassigned bytes map to U+FFFD).
std::string cp1252ToUtf8(std::string_view text);
// The UTF-8 sequence (1 to 3 bytes) of one CP1252 byte, written at `out`; returns its end.
char* cp1252ToUtf8(unsigned char c, char* out);

// UTF-8 to CP1252; characters without a CP1252 byte become '?'. Bytes that are not valid
// UTF-8 are taken as CP1252 already and kept.
std::string utf8ToCp1252(std::string_view text);

// Windows-style case folding of one CP1252 byte (A-Z and the accented capitals).
unsigned char foldCase(unsigned char c);

// Case-insensitive comparison of two CP1252 names, as Windows compares file names.
bool equalNoCase(std::string_view a, std::string_view b);

} // namespace platform
