// Scalar values: shared prototypes, printable forms, type names and the base shape comparison.
#include <cstdint>
#include <limits>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tarnek/metaobj.h"

namespace {

using namespace Tarnek::MetaObj;

constexpr long kMinLong = std::numeric_limits<long>::min();
constexpr long kMaxLong = std::numeric_limits<long>::max();

TEST(ScalarPrototypes, SmallIntegersAndBooleansAreSharedInstances) {
  for (long v = -1; v <= 20; ++v) {
    EXPECT_EQ(MetaInt::New(v), MetaInt::New(v)) << v;
    EXPECT_EQ(MetaInt::New(v)->GetValue(), v);
  }
  EXPECT_EQ(MetaInt::New(), MetaInt::New(0L));
  EXPECT_EQ(MetaBool::New(true), MetaBool::New(true));
  EXPECT_EQ(MetaBool::New(), MetaBool::New(false));
  EXPECT_NE(MetaBool::New(true), MetaBool::New(false));
  EXPECT_TRUE(MetaBool::New(true)->GetValue());
}

TEST(ScalarPrototypes, IntegersOutsideTheRangeAreFreshInstances) {
  // Both neighbours of the range, plus the extremes where a careless range test would wrap.
  for (long v : {-2L, 21L, 1000L, kMinLong, kMaxLong}) {
    const auto first = MetaInt::New(v);
    EXPECT_NE(first, MetaInt::New(v)) << v;
    EXPECT_EQ(first->GetValue(), v);
  }
}

TEST(ScalarPrototypes, EveryStringFactoryHandsOutTheOneEmptyInstance) {
  const auto empty = MetaString::New();
  const std::string emptyText;
  const char* nullText = nullptr;
  EXPECT_EQ(MetaString::New(""), empty);
  EXPECT_EQ(MetaString::New(nullText), empty);
  EXPECT_EQ(MetaString::New(emptyText), empty);
  EXPECT_EQ(MetaString::New(std::string()), empty);
  EXPECT_EQ(MetaString::NewUtf8WithEscapes(std::string()), empty);
  EXPECT_EQ(empty->ToString(), "");
  EXPECT_NE(MetaString::New("disk0"), MetaString::New("disk0"));
}

TEST(ScalarToString, PrintsTheBareValue) {
  struct Case {
    std::shared_ptr<MetaObject> value;
    MetaType type;
    const char* text;
  };
  const Case cases[] = {
      {MetaInt::New(0L), MetaType::Int, "0"},
      {MetaInt::New(-2L), MetaType::Int, "-2"},
      {MetaInt::New(kMinLong), MetaType::Int, "-9223372036854775808"},
      {MetaInt::New(kMaxLong), MetaType::Int, "9223372036854775807"},
      {MetaBool::New(true), MetaType::Bool, "true"},
      {MetaBool::New(false), MetaType::Bool, "false"},
      {MetaString::New("it's \"q\", \\ \t"), MetaType::String, "it's \"q\", \\ \t"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.value->ToString(), c.text);
    EXPECT_EQ(c.value->GetType(), c.type) << c.text;
    std::ostringstream stream;
    stream << "[" << *c.value << "]";
    EXPECT_EQ(stream.str(), std::string("[") + c.text + "]");
  }
}

TEST(MetaTypeNames, NamesTheFiveKindsAndNothingElse) {
  const std::pair<std::int32_t, const char*> cases[] = {
      {0, "Int"}, {1, "Bool"}, {2, "String"}, {3, "Struct"}, {4, "List"}, {5, ""}, {-1, ""}};
  for (const auto& [value, name] : cases) {
    const MetaType type = static_cast<MetaType>(value);
    EXPECT_EQ(MetaTypeString(type), name) << value;
    // A reference to a string that outlives the call, not to a temporary.
    EXPECT_EQ(&MetaTypeString(type), &MetaTypeString(type)) << value;
  }
}

TEST(ScalarIsSameStructure, ComparesKindsNeverValues) {
  struct Case {
    std::shared_ptr<MetaObject> declared;
    std::shared_ptr<MetaObject> candidate;
    const char* message;  // nullptr: the same structure
  };
  const Case cases[] = {
      {MetaInt::New(1L), MetaInt::New(123456L), nullptr},
      {MetaBool::New(true), MetaBool::New(false), nullptr},
      {MetaString::New("a"), MetaString::New(), nullptr},
      {MetaInt::New(1L), MetaString::New("1"),
       "Type mismatch in structure.  Expecting Int got String"},
      {MetaBool::New(true), MetaList::New(MetaType::Bool),
       "Type mismatch in structure.  Expecting Bool got List"},
      {MetaString::New("x"), MetaStruct::New("Disk"),
       "Type mismatch in structure.  Expecting String got Struct"},
  };
  for (const Case& c : cases) {
    // Reasons are appended: what the caller collected before stays.
    std::vector<std::string> errors = {"earlier"};
    std::vector<std::string> expected = {"earlier"};
    if (c.message) expected.push_back(c.message);
    EXPECT_EQ(c.declared->IsSameStructure(c.candidate, &errors), c.message == nullptr);
    EXPECT_EQ(errors, expected);
    EXPECT_EQ(c.declared->IsSameStructure(c.candidate), c.message == nullptr);
  }
  std::vector<std::string> errors;
  EXPECT_FALSE(MetaBool::New()->IsSameStructure(nullptr, &errors));
}

// Escaped text must be valid UTF-8 however the host library spells an escape; for ASCII text
// with stray bytes that means nothing but ASCII may come back.
TEST(MetaStringUtf8WithEscapes, KeepsValidTextAndEscapesInvalidBytes) {
  const std::string valid =
      "Gr\xC3\xBC\xC3\x9F"
      "e \xE2\x82\xAC \xF0\x9F\x98\x80";
  EXPECT_EQ(MetaString::NewUtf8WithEscapes(std::string(valid))->GetValue(), valid);

  for (const std::string text : {"a\xFF"
                                 "b",
                                 "a\xC3"
                                 "b",
                                 "\x80"
                                 "x\xFE"
                                 "y"}) {
    const std::string escaped = MetaString::NewUtf8WithEscapes(std::string(text))->GetValue();
    EXPECT_GT(escaped.size(), text.size()) << escaped;
    EXPECT_EQ(escaped.back(), text.back()) << escaped;
    for (unsigned char byte : escaped) EXPECT_LT(byte, 0x80) << escaped;
  }
}

}  // namespace
