// Declared parameter sets and call inputs: ordering and refusals of declarations,
// short-name folding, whole-input validation and the typed readers.
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "../common/test_util.h"
#include "tarnek/callspec.h"

namespace {

using namespace Tarnek::CallSpec;

using Strings = std::vector<std::string>;
using Type = ParameterType;
using Given = std::vector<std::pair<std::string, std::string>>;

std::shared_ptr<ParameterSpec> Param(const char* name, Type type, const char* shortName = nullptr,
                                     bool required = false) {
  auto spec = ParameterSpec::New(name, type);
  if (shortName) spec->SetShortName(shortName);
  spec->SetRequired(required);
  return spec;
}

Strings Names(const InputSpec& spec) {
  Strings names;
  for (const auto& p : spec.GetParameters()) names.push_back(p->GetName());
  return names;
}

std::shared_ptr<Input> InputOf(const Given& given) {
  auto input = Input::New();
  for (const auto& [name, value] : given) input->AddParameter(name, value);
  return input;
}

TEST(InputSpecAddParameter, KeepsLongNamesInByteOrder) {
  auto spec = InputSpec::New();
  for (const char* name : {"zone", "help", "a-b", "9lives", "abc", "all"}) {
    spec->AddParameter(Param(name, Type::String));
  }
  EXPECT_EQ(Names(*spec), (Strings{"9lives", "a-b", "abc", "all", "help", "zone"}));
  EXPECT_EQ(spec->GetParameter("abc"), spec->GetParameters()[2]);
  EXPECT_EQ(spec->GetParameter("zon"), nullptr);
}

TEST(InputSpecAddParameter, RefusesShortAndDuplicateNames) {
  const std::pair<std::shared_ptr<ParameterSpec>, const char*> cases[] = {
      {Param("x", Type::String), "Parameter name must be at least 2 characters"},
      {Param("name", Type::Int),
       "Found a duplicate paramater specification for parameter named 'name'"},
      {Param("nick", Type::String, "n"),
       "Invalid short name specified for --nick. The short name -n is already used for --name"},
      {nullptr, "Cannot add a null ParameterSpec"},
  };
  for (const auto& [added, message] : cases) {
    auto spec = InputSpec::New();
    spec->AddParameter(Param("name", Type::String, "n"));
    spec->AddParameter(Param("count", Type::Int));  // no short name, like "size" below
    spec->AddParameter(Param("size", Type::Int));
    EXPECT_EQ(ThrownMessage([&] { spec->AddParameter(added); }), message);
    EXPECT_EQ(Names(*spec), (Strings{"count", "name", "size"}));
  }
}

std::shared_ptr<InputSpec> DiskSpec() {
  auto spec = InputSpec::New();
  spec->AddParameter(Param("name", Type::String, "n", true));
  auto count = Param("count", Type::Int, "c");
  auto range = ParameterConstraint::New(ParameterConstraintType::IntRange);
  range->SetIntRange(1, 10);
  count->SetConstraint(range);
  spec->AddParameter(count);
  spec->AddParameter(Param("verbose", Type::Flag, "v"));
  spec->AddParameter(Param("tags", Type::StringList, "t"));
  return spec;
}

TEST(InputSetInputSpec, FoldsShortNamesAfterLongNameValues) {
  auto input =
      InputOf({{"t", "s1"}, {"tags", "l1"}, {"v", ""}, {"t", "s2"}, {"tags", "l2"}, {"x", "kept"}});
  input->SetInputSpec(DiskSpec());
  const Input::ParameterMap expected = {
      {"tags", {"l1", "l2", "s1", "s2"}}, {"verbose", {""}}, {"x", {"kept"}}};
  EXPECT_EQ(input->GetParameters(), expected);
  EXPECT_TRUE(input->IsFlagSet("verbose"));
}

TEST(InputSpecValidate, CollectsEveryMessageInOrder) {
  struct Case {
    Given given;
    bool fold;         // attach the InputSpec first, as the dispatcher does
    Strings messages;  // empty: valid
  };
  const Case cases[] = {
      {{{"help", ""}, {"bogus", "1"}}, true, {}},
      {{{"n", "disk0"}, {"verbose", ""}, {"t", "a"}, {"t", "b"}}, true, {}},
      {{{"bogus", "1"}}, true, {"Unknown parameter : bogus", "Missing required parameter --name"}},
      {{{"n", "disk0"}}, false, {"Unknown parameter : n", "Missing required parameter --name"}},
      {{{"name", "d"}, {"count", "0"}, {"verbose", "yes"}, {"count", "x"}},
       true,
       {"Found multiple values for count this parameter can only accept a single value.",
        "Invalid data constraint for parameter 'count'. Expected integer in the range 1-10",
        "Invalid data 'x' for parameter count expected type Integer",
        "Invalid data 'yes' for parameter verbose.  This parameter is a flag and cannot accept "
        "any values. "}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.given));
    auto spec = DiskSpec();
    auto input = InputOf(c.given);
    if (c.fold) input->SetInputSpec(spec);
    auto output = Output::New();
    EXPECT_EQ(spec->Validate(input, output), c.messages.empty());
    EXPECT_EQ(output->GetErrors(), c.messages);
  }
}

std::shared_ptr<Input> ReaderInput(const Given& given) {
  auto spec = InputSpec::New();
  spec->AddParameter(Param("text", Type::String));
  spec->AddParameter(Param("number", Type::Int));
  spec->AddParameter(Param("switch", Type::Bool));
  spec->AddParameter(Param("flag", Type::Flag));
  spec->AddParameter(Param("items", Type::StringList));
  auto input = InputOf(given);
  input->SetInputSpec(spec);
  return input;
}

TEST(InputGetParameter, SingleValueOfDeclaredScalarsOnly) {
  auto input = ReaderInput({{"flag", ""}, {"text", "a"}, {"text", "b"}});
  EXPECT_EQ(ThrownMessage([&] { input->GetParameter("nope"); }),
            "Request for unknown parameter: nope");
  EXPECT_EQ(ThrownMessage([&] { input->GetParameter("flag"); }),
            "Request for GetParameter on a flag type parameter: flag");
  EXPECT_EQ(ThrownMessage([&] { input->GetParameterInt("items"); }),
            "Request for GetParameter on a parameter that can have multiple values: items");
  EXPECT_EQ(ThrownMessage([] { Input::New()->GetParameterType("text"); }),
            "Request for parameter text before an InputSpec was set");
  EXPECT_EQ(input->GetParameter("text"), "") << "given twice";
  EXPECT_EQ(ReaderInput({{"text", "a b"}})->GetParameter("text"), "a b");
}

TEST(InputGetParameterInt, MinusOneForMissingOrInvalid) {
  const std::pair<Given, std::int64_t> cases[] = {
      {{{"number", " -7"}}, -7},
      {{{"number", "12ab"}}, -1},
      {{{"number", ""}}, -1},
      {{}, -1},
      {{{"number", "5"}, {"number", "6"}}, -1},
  };
  for (const auto& [given, value] : cases) {
    EXPECT_EQ(ReaderInput(given)->GetParameterInt("number"), value)
        << ::testing::PrintToString(given);
  }
}

TEST(InputGetParameterBool, TrueOnlyForTheTrueWords) {
  for (const char* word : {"true", "1", "yes", "y", "t", "True", "T"}) {
    EXPECT_TRUE(ReaderInput({{"switch", word}})->GetParameterBool("switch")) << word;
  }
  for (const char* word : {"False", "TRUE", "0", "", "maybe"}) {
    EXPECT_FALSE(ReaderInput({{"switch", word}})->GetParameterBool("switch")) << word;
  }
  EXPECT_FALSE(ReaderInput({})->GetParameterBool("switch"));
}

TEST(InputListReaders, AppendWithoutClearing) {
  auto input = InputOf(
      {{"ids", "3"}, {"ids", ""}, {"ids", "x1"}, {"ids", " -4"}, {"on", "yes"}, {"on", "nope"}});
  Strings texts = {"old"};
  input->GetParameterList("ids", texts);
  input->GetParameterList("absent", texts);
  EXPECT_EQ(texts, (Strings{"old", "3", "", "x1", " -4"}));
  std::vector<std::int64_t> numbers = {100};
  input->GetParameterIntList("ids", numbers);
  EXPECT_EQ(numbers, (std::vector<std::int64_t>{100, 3, -4}));
  std::vector<bool> truths = {false};
  input->GetParameterBoolList("on", truths);
  EXPECT_EQ(truths, (std::vector<bool>{false, true, false}));

  EXPECT_EQ(input->GetParameterListAsString("on", ',', true), "\"yes,nope\"");
  EXPECT_EQ(input->GetParameterListAsString("on", ' ', false), "yes nope");
  EXPECT_EQ(input->GetParameterListAsString("absent", ',', true), "\"\"");
}

}  // namespace
