// Text validation and escaping for the host's Unicode helpers.
#include "norlibs.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

// Length of the well-formed UTF-8 sequence at `p` (with `avail` bytes left), or 0 when the
// byte at `p` does not start one. The ranges for the second byte exclude overlong forms
// (E0 80..9F, F0 80..8F), surrogates (ED A0..BF) and code points above U+10FFFF (F4 90..);
// C0, C1 and F5..FF never start a sequence.
size_t SequenceLength(const unsigned char* p, size_t avail) {
  const unsigned char lead = p[0];
  if (lead < 0x80) return 1;
  size_t length = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (avail < length || p[1] < low || p[1] > high) return 0;
  for (size_t i = 2; i < length; ++i) {
    if ((p[i] & 0xC0) != 0x80) return 0;
  }
  return length;
}

size_t ResolveLength(const void* buffer, ssize_t length) {
  return length < 0 ? std::strlen(static_cast<const char*>(buffer)) : static_cast<size_t>(length);
}

}  // namespace

extern "C" {

bool Unicode_IsBufferValid(const void* buffer, ssize_t length, int encoding) {
  if (buffer == nullptr) return length == 0;
  if (encoding != UNICODE_ENCODING_UTF8) return true;
  const auto* bytes = static_cast<const unsigned char*>(buffer);
  const size_t size = ResolveLength(buffer, length);
  for (size_t at = 0; at < size;) {
    const size_t step = SequenceLength(bytes + at, size - at);
    if (step == 0) return false;
    at += step;
  }
  return true;
}

char* Unicode_EscapeBuffer(const void* buffer, ssize_t length, int encoding) {
  if (buffer == nullptr) return nullptr;
  const auto* bytes = static_cast<const unsigned char*>(buffer);
  const size_t size = ResolveLength(buffer, length);
  // Each input byte yields at most four output bytes ("\xHH").
  if (size > (SIZE_MAX - 1) / 4) return nullptr;
  char* out = static_cast<char*>(std::malloc(size * 4 + 1));
  if (out == nullptr) return nullptr;
  static const char kHex[] = "0123456789ABCDEF";
  size_t written = 0;
  for (size_t at = 0; at < size;) {
    const size_t step =
        encoding == UNICODE_ENCODING_UTF8 ? SequenceLength(bytes + at, size - at) : 1;
    if (step == 0 || bytes[at] == 0) {
      // Only the offending byte is escaped: what follows may start a valid sequence. A NUL
      // inside an explicit length is escaped too, or the copy would end there.
      out[written++] = '\\';
      out[written++] = 'x';
      out[written++] = kHex[bytes[at] >> 4];
      out[written++] = kHex[bytes[at] & 0x0F];
      ++at;
    } else {
      std::memcpy(out + written, bytes + at, step);
      written += step;
      at += step;
    }
  }
  out[written] = '\0';
  return out;
}

void FeatureState_InitDeltaMode(void) {}

}  // extern "C"
