// Parameter declarations and constraints: naming rules, integer and boolean words, checks of
// raw values, and the help texts built from constraints.
#include <climits>
#include <memory>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "../common/test_util.h"
#include "tarnek/callspec.h"

namespace {

using namespace Tarnek::CallSpec;
using namespace std::string_literals;

using Strings = std::vector<std::string>;
using Type = ParameterType;
using CType = ParameterConstraintType;

const Type kAllTypes[] = {Type::String,     Type::Int,     Type::Bool,    Type::Flag,
                          Type::StringList, Type::IntList, Type::BoolList};

// A constraint of `type` made of `values`: a range's bounds, a set's members or a regex.
std::shared_ptr<ParameterConstraint> Make(CType type, const Strings& values) {
  auto c = ParameterConstraint::New(type);
  if (type == CType::IntRange) c->SetIntRange(std::stol(values[0]), std::stol(values[1]));
  for (const auto& v : values) {
    if (type == CType::IntEnum) c->AddIntEnum(std::stol(v));
    if (type == CType::StringEnum) c->AddStringEnum(v.c_str());
    if (type == CType::StringRegex) c->SetStringRegex(v);
  }
  return c;
}

TEST(ParameterSpecNames, LongAndShortNameRules) {
  const std::pair<const char*, bool> longNames[] = {
      {"a", true},    {"dry-run", true}, {"42", true},  {"Name", false},
      {"a_b", false}, {"", false},       {"a b", false}};
  for (const auto& [name, valid] : longNames) {
    EXPECT_EQ(ThrownMessage([&] { ParameterSpec::New(name, Type::String); }),
              valid ? "<no exception>"
                    : std::string("Invalid Parameter name '") + name +
                          "' parameter names can only contain lower-case alphanumeric "
                          "characters, numbers and '-'");
  }
  auto spec = ParameterSpec::New("name", Type::String);
  const std::pair<const char*, bool> shortNames[] = {
      {"Z", true}, {"7", true}, {"ab", false}, {"", false}, {"-", false}, {"\xc3\xa9", false}};
  for (const auto& [shortName, valid] : shortNames) {
    EXPECT_EQ(ThrownMessage([&] { spec->SetShortName(shortName); }),
              valid ? "<no exception>"
                    : "Invalid value for shortName, must be a single character a-z, A-Z or 0-9");
  }
  EXPECT_EQ(spec->GetShortName(), "7");
}

TEST(ParameterSpecType, SecretMultipleAndEachConstraintFitOnlyTheirTypes) {
  const CType constraintTypes[] = {CType::None,       CType::IntRange,    CType::IntEnum,
                                   CType::StringEnum, CType::StringRegex, static_cast<CType>(7)};
  for (Type type : kAllTypes) {
    auto secret = ParameterSpec::New("pass", type);
    EXPECT_EQ(secret->AllowMultiple(),
              type == Type::StringList || type == Type::IntList || type == Type::BoolList);
    EXPECT_EQ(ThrownMessage([&] { secret->SetSecret(true); }),
              type == Type::String ? "<no exception>" : "Cannot be set for parameter pass");
    EXPECT_EQ(secret->IsSecret(), type == Type::String);
    for (CType constraintType : constraintTypes) {
      SCOPED_TRACE(std::to_string(static_cast<int>(type)) + "/" +
                   std::to_string(static_cast<int>(constraintType)));
      const bool isInt = type == Type::Int || type == Type::IntList;
      const bool isString = type == Type::String || type == Type::StringList;
      const bool fits =
          (isInt && (constraintType == CType::IntRange || constraintType == CType::IntEnum)) ||
          (isString &&
           (constraintType == CType::StringEnum || constraintType == CType::StringRegex));
      auto spec = ParameterSpec::New("size", type);
      auto constraint = ParameterConstraint::New(constraintType);
      EXPECT_EQ(ThrownMessage([&] { spec->SetConstraint(constraint); }),
                fits ? "<no exception>"
                     : "Invalid constraint specified for parameter size.  The parameter "
                       "constraint specified is not allowed for a parameter of this type.");
      spec->SetConstraint(nullptr);  // an empty one is ignored
      EXPECT_EQ(spec->GetConstraint(), fits ? constraint : nullptr);
    }
  }
}

TEST(ParameterConstraintBuild, RefusesInvertedRangeAndDuplicates) {
  auto range = Make(CType::IntRange, {"4", "4"});
  EXPECT_EQ(ThrownMessage([&] { range->SetIntRange(5, 4); }),
            "Invalid values for SetIntRange, constraints must have a min value <= max value");
  auto ints = Make(CType::IntEnum, {"3", "1"});
  EXPECT_EQ(ThrownMessage([&] { ints->AddIntEnum(3); }),
            "Duplicate Value found in ParameterConstraint::AddIntEnum");

  auto strings = ParameterConstraint::New(CType::StringEnum);
  strings->AddStringEnum("fast", "no checks");
  strings->AddStringEnum(std::string("auto"), std::string());
  EXPECT_EQ(ThrownMessage([&] { strings->AddStringEnum("fast", "again"); }),
            "Duplicate Value found in ParameterConstraint::AddStringEnum: fast");
  EXPECT_EQ(strings->GetStringEnum(), (Strings{"fast", "auto"}));
}

TEST(ParameterSpecGetInt, WholeStringMustBeADecimalNumber) {
  const std::pair<std::string, long> valid[] = {
      {" 42", 42}, {"\t-12", -12}, {"+7", 7}, {"99999999999999999999", LONG_MAX}};
  for (const auto& [text, value] : valid) {
    long out = 1;
    EXPECT_TRUE(ParameterSpec::GetInt(text, out)) << text;
    EXPECT_EQ(out, value) << text;
  }
  for (const std::string& text : {"42 "s, "0x10"s, ""s, " "s, "-"s, "1.5"s, "1\0002"s}) {
    long out = 31337;
    EXPECT_FALSE(ParameterSpec::GetInt(text, out)) << text;
    EXPECT_EQ(out, 31337) << "untouched for " << text;
  }
}

TEST(ParameterSpecGetBool, ExactCaseSensitiveWords) {
  const std::pair<const char*, int> cases[] = {
      // 1 true, 0 false, -1 not a word
      {"1", 1}, {"yes", 1},   {"y", 1},    {"true", 1},  {"True", 1},  {"t", 1},     {"T", 1},
      {"0", 0}, {"no", 0},    {"n", 0},    {"false", 0}, {"False", 0}, {"f", 0},     {"F", 0},
      {"", -1}, {"TRUE", -1}, {"Yes", -1}, {"N", -1},    {"on", -1},   {" true", -1}};
  for (const auto& [word, truth] : cases) {
    bool out = truth != 1;  // must change unless the word is not one
    EXPECT_EQ(ParameterSpec::GetBool(word, out), truth >= 0) << word;
    EXPECT_EQ(out, truth == 1 || truth < 0) << word;
  }
}

TEST(ParameterSpecValidate, ReportsEveryProblemOfEveryValue) {
  const std::string bad = "Invalid data constraint for parameter 'opt'. Expected ";
  const auto range = Make(CType::IntRange, {"1", "10"});
  const auto ints = Make(CType::IntEnum, {"1", "2"});
  const auto words = Make(CType::StringEnum, {"a", "b"});
  const auto regex = Make(CType::StringRegex, {"[0-9]+"});
  const std::tuple<Type, std::shared_ptr<ParameterConstraint>, Strings, Strings> cases[] = {
      {Type::IntList, nullptr, {}, {"Missing value for parameter opt"}},
      {Type::Bool,
       nullptr,
       {"yes", "maybe"},
       {"Found multiple values for opt this parameter can only accept a single value.",
        "Invalid data 'maybe' for parameter opt expected one of [1, 0, y, n, true, false, True, "
        "False, yes, no, t, f, T, F]"}},
      {Type::BoolList, nullptr, {"T", "f"}, {}},
      {Type::Flag, nullptr, {""}, {}},
      {Type::Int, range, {"10"}, {}},
      {Type::IntList,
       ints,
       {"2", "y", "3"},
       {"Invalid data 'y' for parameter opt expected type Integer",
        bad + "a single value from the set [1, 2]"}},
      {Type::StringList, words, {"a", "c"}, {bad + "a single value from the set [a, b] got 'c'"}},
      {Type::String,
       regex,
       {"12a"},
       {"Invalid data constraint for parameter 'opt'. Value does "
        "not match the expected regular expression ([0-9]+)"}}};
  for (const auto& [type, constraint, values, messages] : cases) {
    auto spec = ParameterSpec::New("opt", type);
    spec->SetConstraint(constraint);
    auto output = Output::New();
    EXPECT_EQ(spec->Validate(values, output), messages.empty()) << ::testing::PrintToString(values);
    EXPECT_EQ(output->GetErrors(), messages);
  }
}

TEST(ParameterConstraint, DescribesAndJudgesValuesOnItsOwn) {
  const auto unknown = ParameterConstraint::New(static_cast<CType>(42));
  const std::pair<std::shared_ptr<ParameterConstraint>, const char*> texts[] = {
      {ParameterConstraint::New(CType::None), "no constraint"},
      {Make(CType::IntRange, {"-5", "5"}), "integer in the range -5-5"},
      {Make(CType::IntEnum, {"30", "-1"}), "[30, -1]"},
      {Make(CType::StringEnum, {"b", "a c"}), "[b, a c]"},
      {Make(CType::StringRegex, {"^x+$"}), "a string matching the regular expression ^x+$"},
      {unknown, "unknown"}};
  for (const auto& [constraint, text] : texts) EXPECT_EQ(constraint->ToString(), text);

  const auto ints = Make(CType::IntEnum, {"1", "3"});
  const std::tuple<std::shared_ptr<ParameterConstraint>, const char*, const char*> cases[] = {
      {ints, " 3", nullptr},
      {ints, "", "Invalid data type for parameter 'count'. Expected an Integer"},
      {Make(CType::StringEnum, {"on"}), "ON",
       "Invalid data constraint for parameter 'count'. Expected a single value from the set [on] "
       "got 'ON'"},
      {unknown, "x", ""}};  // refused without a reason
  for (const auto& [constraint, value, message] : cases) {
    auto output = Output::New();
    EXPECT_EQ(constraint->Validate(value, "count", output), message == nullptr) << value;
    EXPECT_EQ(output->GetErrors(), message && *message ? Strings{message} : Strings{});
  }
  auto output = Output::New();
  EXPECT_THROW(Make(CType::StringRegex, {"([a-z"})->Validate("a", "count", output),
               std::runtime_error);
}

TEST(ParameterSpecDescription, ReplacesFirstPlaceholderOfEachKind) {
  auto described = ParameterConstraint::New(CType::StringEnum);
  described->AddStringEnum("fast", "skip checks");
  described->AddStringEnum("auto");
  described->AddStringEnum("careful", "check twice");
  const std::tuple<std::shared_ptr<ParameterConstraint>, const char*, const char*> cases[] = {
      {nullptr, "Mode: %ENUM% %REGEX%", "Mode: %ENUM% %REGEX%"},
      {described, "Modes:%FULLENUM%", "Modes:\n    careful: check twice\n    fast: skip checks\n"},
      {Make(CType::StringEnum, {"a"}), "[%FULLENUM%]", "[\n]"},
      {Make(CType::IntRange, {"1", "2"}), "<%FULLENUM%>", "<>"},
      {Make(CType::IntEnum, {"1", "2"}), "%ENUM% %REGEX% %ENUM%", "[1, 2] [1, 2] %ENUM%"},
      // The presence tests look at the stored text, not at what was inserted.
      {Make(CType::StringRegex, {"%ENUM%"}), "%REGEX%",
       "a string matching the regular expression %ENUM%"}};
  for (const auto& [constraint, description, expected] : cases) {
    const CType kind = constraint ? constraint->GetType() : CType::None;
    const bool integers = kind == CType::IntRange || kind == CType::IntEnum;
    auto spec = ParameterSpec::New("mode", integers ? Type::Int : Type::String);
    spec->SetConstraint(constraint);
    spec->SetDescription(description);
    EXPECT_EQ(spec->GetDescription(true), expected);
    EXPECT_EQ(spec->GetDescription(false), description);
  }
}

}  // namespace
