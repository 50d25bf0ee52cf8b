// Parameter declarations and constraints: naming rules, integer and boolean words, checks of
// raw values, and the help texts built from constraints.
#include <climits>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tarnek/callspec.h"

namespace {

using Tarnek::TarnekException;
using namespace Tarnek::CallSpec;

using Strings = std::vector<std::string>;
using Type = ParameterType;
using CType = ParameterConstraintType;

template <typename Fn>
std::string ThrownMessage(Fn&& fn) {
  try {
    fn();
  } catch (const TarnekException& e) {
    return e.what();
  } catch (...) {
    return "<exception of another type>";
  }
  return "<no exception>";
}

const Type kAllTypes[] = {Type::String,     Type::Int,     Type::Bool,    Type::Flag,
                          Type::StringList, Type::IntList, Type::BoolList};

std::shared_ptr<ParameterConstraint> Range(long min, long max) {
  auto c = ParameterConstraint::New(CType::IntRange);
  c->SetIntRange(min, max);
  return c;
}

std::shared_ptr<ParameterConstraint> IntSet(const std::vector<long>& values) {
  auto c = ParameterConstraint::New(CType::IntEnum);
  for (long v : values) c->AddIntEnum(v);
  return c;
}

std::shared_ptr<ParameterConstraint> StringSet(const Strings& values) {
  auto c = ParameterConstraint::New(CType::StringEnum);
  for (const auto& v : values) c->AddStringEnum(v.c_str());
  return c;
}

std::shared_ptr<ParameterConstraint> Regex(const std::string& expression) {
  auto c = ParameterConstraint::New(CType::StringRegex);
  c->SetStringRegex(expression);
  return c;
}

// ---- Building ----

TEST(ParameterSpecNames, LongAndShortNameRules) {
  for (const char* good : {"a", "dry-run", "42"}) {
    EXPECT_EQ(ThrownMessage([&] { ParameterSpec::New(good, Type::String); }), "<no exception>");
  }
  for (const char* bad : {"Name", "snake_case", "", "two words"}) {
    EXPECT_EQ(ThrownMessage([&] { ParameterSpec::New(bad, Type::String); }),
              std::string("Invalid Parameter name '") + bad +
                  "' parameter names can only contain lower-case alphanumeric characters, "
                  "numbers and '-'");
  }
  auto spec = ParameterSpec::New("name", Type::String);
  for (const char* good : {"Z", "7"}) {
    spec->SetShortName(good);
    EXPECT_EQ(spec->GetShortName(), good);
  }
  for (const char* bad : {"ab", "", "-", "\xc3\xa9"}) {
    EXPECT_EQ(ThrownMessage([&] { spec->SetShortName(bad); }),
              "Invalid value for shortName, must be a single character a-z, A-Z or 0-9");
  }
  EXPECT_EQ(spec->GetShortName(), "7");
}

TEST(ParameterSpecType, SecretOnlyForStringAndMultipleOnlyForLists) {
  for (Type type : kAllTypes) {
    SCOPED_TRACE(static_cast<int>(type));
    auto spec = ParameterSpec::New("pass", type);
    EXPECT_EQ(spec->AllowMultiple(),
              type == Type::StringList || type == Type::IntList || type == Type::BoolList);
    const std::string message = ThrownMessage([&] { spec->SetSecret(true); });
    EXPECT_EQ(message,
              type == Type::String ? "<no exception>" : "Cannot be set for parameter pass");
    EXPECT_EQ(spec->IsSecret(), type == Type::String);
  }
}

TEST(ParameterSpecConstraint, EachConstraintFitsOnlyItsTypes) {
  const CType constraintTypes[] = {CType::None,       CType::IntRange,    CType::IntEnum,
                                   CType::StringEnum, CType::StringRegex, static_cast<CType>(7)};
  for (Type type : kAllTypes) {
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
      EXPECT_EQ(spec->GetConstraint(), fits ? constraint : nullptr);
      spec->SetConstraint(nullptr);
      EXPECT_EQ(spec->GetConstraint(), fits ? constraint : nullptr) << "empty one is ignored";
    }
  }
}

TEST(ParameterConstraintBuild, RefusesInvertedRangeAndDuplicates) {
  auto range = Range(4, 4);
  EXPECT_EQ(ThrownMessage([&] { range->SetIntRange(5, 4); }),
            "Invalid values for SetIntRange, constraints must have a min value <= max value");
  long min = 0, max = 0;
  range->GetIntRange(min, max);
  EXPECT_EQ(max, 4);

  auto ints = IntSet({3, 1});
  EXPECT_EQ(ThrownMessage([&] { ints->AddIntEnum(3); }),
            "Duplicate Value found in ParameterConstraint::AddIntEnum");

  auto strings = ParameterConstraint::New(CType::StringEnum);
  strings->AddStringEnum("fast", "no checks");
  strings->AddStringEnum(std::string("auto"), std::string());
  EXPECT_EQ(ThrownMessage([&] { strings->AddStringEnum("fast", "again"); }),
            "Duplicate Value found in ParameterConstraint::AddStringEnum: fast");
  EXPECT_EQ(strings->GetStringEnum(), (Strings{"fast", "auto"}));
  EXPECT_EQ(strings->GetStringEnumWithDesc().size(), 1u);
}

// ---- Integer and boolean words ----

TEST(ParameterSpecGetInt, WholeStringMustBeADecimalNumber) {
  const std::pair<std::string, long> valid[] = {
      {" 42", 42}, {"\t-12", -12}, {"+7", 7}, {"-0", 0}, {"99999999999999999999", LONG_MAX}};
  for (const auto& [text, value] : valid) {
    long out = 1;
    EXPECT_TRUE(ParameterSpec::GetInt(text, out)) << text;
    EXPECT_EQ(out, value) << text;
  }
  const std::string invalid[] = {"42 ", "0x10", "", " ", "-", "1.5", std::string("1\0002", 3)};
  for (const std::string& text : invalid) {
    long out = 31337;
    EXPECT_FALSE(ParameterSpec::GetInt(text, out)) << text;
    EXPECT_EQ(out, 31337) << "untouched for " << text;
  }
}

TEST(ParameterSpecGetBool, ExactCaseSensitiveWords) {
  for (const char* word : {"1", "yes", "y", "true", "True", "t", "T"}) {
    bool out = false;
    EXPECT_TRUE(ParameterSpec::GetBool(word, out) && out) << word;
  }
  for (const char* word : {"0", "no", "n", "false", "False", "f", "F"}) {
    bool out = true;
    EXPECT_TRUE(ParameterSpec::GetBool(word, out) && !out) << word;
  }
  for (const char* word : {"", "TRUE", "Yes", "N", "on", " true"}) {
    bool out = true;
    EXPECT_FALSE(ParameterSpec::GetBool(word, out)) << word;
    EXPECT_TRUE(out) << "untouched for " << word;
  }
}

// ---- Validation of raw values ----

TEST(ParameterSpecValidate, ReportsEveryProblemOfEveryValue) {
  struct Case {
    Type type;
    std::shared_ptr<ParameterConstraint> constraint;
    Strings values;
    Strings messages;  // empty: valid
  };
  const std::string bad = "Invalid data constraint for parameter 'opt'. ";
  const Case cases[] = {
      {Type::String, nullptr, {}, {"Missing value for parameter opt"}},
      {Type::IntList, nullptr, {}, {"Missing value for parameter opt"}},
      {Type::Bool,
       nullptr,
       {"yes", "maybe"},
       {"Found multiple values for opt this parameter can only accept a single value.",
        "Invalid data 'maybe' for parameter opt expected one of [1, 0, y, n, true, false, True, "
        "False, yes, no, t, f, T, F]"}},
      {Type::BoolList, nullptr, {"T", "f"}, {}},
      {Type::Int,
       Range(1, 10),
       {"x"},
       {"Invalid data 'x' for parameter opt expected type Integer"}},
      {Type::Int, Range(1, 10), {"10"}, {}},
      {Type::Int, Range(1, 10), {"11"}, {bad + "Expected integer in the range 1-10"}},
      {Type::IntList,
       IntSet({1, 2}),
       {"2", "y", "3"},
       {"Invalid data 'y' for parameter opt expected type Integer",
        bad + "Expected a single value from the set [1, 2]"}},
      {Type::Flag, nullptr, {""}, {}},
      {Type::Flag,
       nullptr,
       {"on"},
       {"Invalid data 'on' for parameter opt.  This parameter is a flag and cannot accept any "
        "values. "}},
      {Type::StringList,
       StringSet({"a", "b"}),
       {"a", "c"},
       {bad + "Expected a single value from the set [a, b] got 'c'"}},
      {Type::String,
       Regex("[0-9]+"),
       {"12a"},
       {bad + "Value does not match the expected regular expression ([0-9]+)"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.values));
    auto spec = ParameterSpec::New("opt", c.type);
    spec->SetConstraint(c.constraint);
    auto output = Output::New();
    EXPECT_EQ(spec->Validate(c.values, output), c.messages.empty());
    EXPECT_EQ(output->GetErrors(), c.messages);
  }
}

TEST(ParameterConstraintToString, DescribesTheAllowedValues) {
  const std::pair<std::shared_ptr<ParameterConstraint>, const char*> cases[] = {
      {ParameterConstraint::New(CType::None), "no constraint"},
      {Range(-5, 5), "integer in the range -5-5"},
      {IntSet({30, -1}), "[30, -1]"},
      {StringSet({"b", "a c"}), "[b, a c]"},
      {Regex("^x+$"), "a string matching the regular expression ^x+$"},
      {ParameterConstraint::New(static_cast<CType>(42)), "unknown"},
  };
  for (const auto& [constraint, text] : cases) EXPECT_EQ(constraint->ToString(), text);
}

TEST(ParameterConstraintValidate, ValuesThatOnlyTheConstraintJudges) {
  struct Case {
    std::shared_ptr<ParameterConstraint> constraint;
    const char* value;
    Strings messages;  // empty: valid
  };
  const std::string notInt = "Invalid data type for parameter 'count'. Expected an Integer";
  const Case cases[] = {
      {ParameterConstraint::New(CType::None), "anything", {}},
      {Range(-5, 5), "five", {notInt}},
      {IntSet({1, 3}), "", {notInt}},
      {IntSet({1, 3}), " 3", {}},
      {StringSet({"on"}),
       "ON",
       {"Invalid data constraint for parameter 'count'. Expected a single value from the set "
        "[on] got 'ON'"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.constraint->ToString() + " / '" + c.value + "'");
    auto output = Output::New();
    EXPECT_EQ(c.constraint->Validate(c.value, "count", output), c.messages.empty());
    EXPECT_EQ(output->GetErrors(), c.messages);
  }
  auto output = Output::New();
  EXPECT_FALSE(ParameterConstraint::New(static_cast<CType>(42))->Validate("x", "count", output));
  EXPECT_FALSE(output->HasError());
  EXPECT_THROW(Regex("([a-z")->Validate("a", "count", output), std::runtime_error);
}

// ---- Help texts ----

TEST(ParameterSpecDescription, ReplacesFirstPlaceholderOfEachKind) {
  auto described = ParameterConstraint::New(CType::StringEnum);
  described->AddStringEnum("fast", "skip checks");
  described->AddStringEnum("auto");
  described->AddStringEnum("careful", "check twice");
  struct Case {
    std::shared_ptr<ParameterConstraint> constraint;
    const char* description;
    std::string expected;
  };
  const Case cases[] = {
      {StringSet({"a", "b"}), "Mode: %ENUM%", "Mode: [a, b]"},
      {nullptr, "Mode: %ENUM% %REGEX%", "Mode: %ENUM% %REGEX%"},
      {described, "Modes:%FULLENUM%", "Modes:\n    careful: check twice\n    fast: skip checks\n"},
      {StringSet({"a"}), "[%FULLENUM%]", "[\n]"},
      {Range(1, 2), "<%FULLENUM%>", "<>"},
      {IntSet({1, 2}), "%ENUM% %REGEX% %ENUM%", "[1, 2] [1, 2] %ENUM%"},
      // The presence tests look at the stored text, not at what was inserted.
      {Regex("%ENUM%"), "%REGEX%", "a string matching the regular expression %ENUM%"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.description);
    const bool integers = c.constraint && (c.constraint->GetType() == CType::IntRange ||
                                           c.constraint->GetType() == CType::IntEnum);
    auto spec = ParameterSpec::New("mode", integers ? Type::Int : Type::String);
    spec->SetConstraint(c.constraint);
    spec->SetDescription(c.description);
    EXPECT_EQ(spec->GetDescription(true), c.expected);
    EXPECT_EQ(spec->GetDescription(false), c.description);
  }
}

}  // namespace
