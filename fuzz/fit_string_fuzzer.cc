// Word-wraps fuzzed texts at fuzzed indents and widths with AutoCli_FitString, in every mode.
//
// Input layout: bytes 0-1 the indent and bytes 2-5 the width (little endian, signed), byte 6
// the flags (continue line, end line, split lines), byte 7 the break character, then the text.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>

#include "tarnek/autocli/format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 8) return 0;
  int16_t indent16;
  int32_t width32;
  std::memcpy(&indent16, data, sizeof indent16);
  std::memcpy(&width32, data + 2, sizeof width32);
  // The indentation is written once per output line, so an indent in the millions only
  // measures memory; callers indent by a few levels. The width is taken whole.
  const int indent = indent16 % 2048;
  const int width = width32;
  const uint8_t flags = data[6];
  const char breakChar = static_cast<char>(data[7]);
  const std::string text(reinterpret_cast<const char*>(data) + 8, size - 8);

  std::ostringstream out;
  Tarnek::AutoCli::AutoCli_FitString(indent, width, text, (flags & 1) != 0, out, (flags & 2) != 0,
                                     breakChar, (flags & 4) != 0);
  return 0;
}
