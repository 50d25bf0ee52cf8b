// Scalar values: shared prototypes, printable forms, type names and the base shape comparison.
#include <cstdint>
#include <limits>
#include <memory>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "tarnek/metaobj.h"

namespace {

using namespace Tarnek::MetaObj;

constexpr long kMinLong = std::numeric_limits<long>::min();
constexpr long kMaxLong = std::numeric_limits<long>::max();

TEST(ScalarPrototypes, SharedForSmallIntegersBooleansAndTheEmptyString) {
  // Both neighbours of -1..20, plus the extremes where a careless range test would wrap.
  for (long v : {-2L, -1L, 0L, 20L, 21L, kMinLong, kMaxLong}) {
    EXPECT_EQ(MetaInt::New(v) == MetaInt::New(v), v >= -1 && v <= 20) << v;
    EXPECT_EQ(MetaInt::New(v)->GetValue(), v);
  }
  EXPECT_EQ(MetaInt::New(), MetaInt::New(0L));
  EXPECT_EQ(MetaBool::New(), MetaBool::New(false));
  EXPECT_EQ(MetaBool::New(true), MetaBool::New(true));

  const auto empty = MetaString::New();
  const char* nullText = nullptr;
  EXPECT_EQ(MetaString::New(""), empty);
  EXPECT_EQ(MetaString::New(nullText), empty);
  EXPECT_EQ(MetaString::New(std::string()), empty);
  EXPECT_EQ(MetaString::NewUtf8WithEscapes(std::string()), empty);
  EXPECT_NE(MetaString::New("disk0"), MetaString::New("disk0"));
}

TEST(ScalarToString, PrintsTheBareValue) {
  const std::pair<std::shared_ptr<MetaObject>, const char*> cases[] = {
      {MetaInt::New(kMinLong), "-9223372036854775808"},
      {MetaInt::New(kMaxLong), "9223372036854775807"},
      {MetaBool::New(true), "true"},
      {MetaBool::New(false), "false"},
      {MetaString::New("it's \"q\", \\ \t"), "it's \"q\", \\ \t"},
  };
  for (const auto& [value, text] : cases) {
    std::ostringstream stream;
    stream << "[" << *value << "]";
    EXPECT_EQ(stream.str(), std::string("[") + text + "]");
  }
}

TEST(MetaTypeNames, NamesTheFiveKindsAndNothingElse) {
  const char* const names[] = {"Int", "Bool", "String", "Struct", "List", "", ""};
  for (std::int32_t value = 0; value <= 6; ++value) {
    const MetaType type = static_cast<MetaType>(value == 6 ? -1 : value);
    EXPECT_EQ(MetaTypeString(type), names[value]) << value;
    // A reference to a string that outlives the call, not to a temporary.
    EXPECT_EQ(&MetaTypeString(type), &MetaTypeString(type)) << value;
  }
}

TEST(ScalarIsSameStructure, ComparesKindsNeverValues) {
  const std::tuple<std::shared_ptr<MetaObject>, std::shared_ptr<MetaObject>, const char*> cases[] =
      {{MetaInt::New(1L), MetaInt::New(123456L), nullptr},
       {MetaString::New("a"), MetaString::New(), nullptr},
       {MetaInt::New(1L), MetaString::New("1"),
        "Type mismatch in structure.  Expecting Int got String"},
       {MetaBool::New(true), MetaList::New(MetaType::Bool),
        "Type mismatch in structure.  Expecting Bool got List"}};
  for (const auto& [declared, candidate, message] : cases) {
    // Reasons are appended: what the caller collected before stays.
    std::vector<std::string> errors = {"earlier"}, expected = {"earlier"};
    if (message) expected.push_back(message);
    EXPECT_EQ(declared->IsSameStructure(candidate, &errors), message == nullptr);
    EXPECT_EQ(errors, expected);
    EXPECT_EQ(declared->IsSameStructure(candidate), message == nullptr);
  }
  std::vector<std::string> errors;
  EXPECT_FALSE(MetaBool::New()->IsSameStructure(nullptr, &errors));
}

// Escaped text must be valid UTF-8 however the host library spells an escape; for ASCII text
// with stray bytes that means nothing but ASCII may come back.
TEST(MetaStringUtf8WithEscapes, KeepsValidTextAndEscapesInvalidBytes) {
  const std::string valid = "Gr\xC3\xBC\xC3\x9F \xE2\x82\xAC \xF0\x9F\x98\x80";
  EXPECT_EQ(MetaString::NewUtf8WithEscapes(std::string(valid))->GetValue(), valid);
  for (const std::string text : {"a\xFFz", "\x80x\xC3y"}) {
    const std::string escaped = MetaString::NewUtf8WithEscapes(std::string(text))->GetValue();
    EXPECT_GT(escaped.size(), text.size()) << escaped;
    EXPECT_EQ(escaped.back(), text.back()) << escaped;
    for (unsigned char byte : escaped) EXPECT_LT(byte, 0x80) << escaped;
  }
}

}  // namespace
