// UTF-8 validation and display escaping of the host utility library.
#include "norlibs.h"

#include <cstdlib>
#include <memory>
#include <string>

#include <gtest/gtest.h>

namespace {

std::string Escape(const std::string& bytes, ssize_t length, int encoding = 0) {
  const std::unique_ptr<char, decltype(&std::free)> escaped(
      Unicode_EscapeBuffer(bytes.data(), length, encoding), &std::free);
  EXPECT_NE(escaped, nullptr);
  return escaped ? std::string(escaped.get()) : std::string();
}

TEST(UnicodeValidity, ClassifiesEachFormOfUtf8) {
  const struct {
    const char* what;
    const char* bytes;
    bool valid;
  } cases[] = {
      {"empty", "", true},
      {"two-byte", "caf\xC3\xA9", true},
      {"three-byte", "\xE2\x82\xAC 5", true},
      {"four-byte", "\xF0\x9F\x98\x80", true},
      {"highest code point", "\xF4\x8F\xBF\xBF", true},
      {"just below the surrogates", "\xED\x9F\xBF", true},
      {"just above the surrogates", "\xEE\x80\x80", true},
      {"overlong two-byte", "\xC1\xBF", false},
      {"overlong three-byte", "\xE0\x9F\xBF", false},
      {"overlong four-byte", "\xF0\x8F\xBF\xBF", false},
      {"high surrogate", "\xED\xA0\x80", false},
      {"low surrogate", "\xED\xBF\xBF", false},
      {"above U+10FFFF", "\xF4\x90\x80\x80", false},
      {"lead byte F5", "\xF5\x80\x80\x80", false},
      {"truncated at the end", "ab\xC3", false},
      {"truncated before ASCII", "\xE2\x82z", false},
      {"stray continuation byte", "a\x80", false},
  };
  for (const auto& c : cases) {
    const std::string bytes = c.bytes;
    EXPECT_EQ(Unicode_IsBufferValid(c.bytes, -1, 0), c.valid) << c.what;
    EXPECT_EQ(Unicode_IsBufferValid(bytes.data(), static_cast<ssize_t>(bytes.size()), 0), c.valid)
        << c.what;
    // Escaping must leave exactly the valid texts untouched.
    EXPECT_EQ(Escape(bytes, -1) == bytes, c.valid) << c.what;
  }
}

TEST(UnicodeValidity, LengthEncodingAndNullBuffers) {
  const std::string withNul("a\0\xFF", 3);
  EXPECT_TRUE(Unicode_IsBufferValid(withNul.data(), -1, 0));  // stops at the NUL
  EXPECT_FALSE(Unicode_IsBufferValid(withNul.data(), 3, 0));
  EXPECT_TRUE(Unicode_IsBufferValid(withNul.data(), 2, 0));  // an embedded NUL is valid
  EXPECT_FALSE(Unicode_IsBufferValid("\xC3\xA9", 1, 0));     // cut inside a sequence
  EXPECT_TRUE(Unicode_IsBufferValid("\xFF\xFE", -1, 7));
  EXPECT_TRUE(Unicode_IsBufferValid(nullptr, 0, 0));
  EXPECT_FALSE(Unicode_IsBufferValid(nullptr, -1, 0));
  EXPECT_EQ(Unicode_EscapeBuffer(nullptr, -1, 0), nullptr);
}

TEST(UnicodeEscape, WritesInvalidBytesAsHexEscapes) {
  const std::pair<const char*, const char*> cases[] = {
      {"caf\xE9", "caf\\xE9"},
      {"\xE2\xC3\xA9", "\\xE2\xC3\xA9"},                  // truncated lead, then a valid pair
      {"\xF0\x9F\x98\x80\x80", "\xF0\x9F\x98\x80\\x80"},  // valid, then a stray byte
      {"back\\slash\x80", "back\\slash\\x80"},            // an existing backslash is not doubled
  };
  for (const auto& [bytes, escaped] : cases) EXPECT_EQ(Escape(bytes, -1), escaped) << escaped;
  EXPECT_EQ(Escape(std::string("a\0b\xFFz", 5), 5), "a\\x00b\\xFFz");
  EXPECT_EQ(Escape("abc\xFF", 2), "ab");
  EXPECT_EQ(Escape("\xFF", -1, 7), "\xFF");
}

}  // namespace
