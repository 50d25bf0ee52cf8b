// Call inputs and outputs: ordering and refusals of declarations, short-name folding,
// whole-input validation, the typed readers, and checking a result against its declared shape.
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
using namespace Tarnek::MetaObj;

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

// The given pairs, folded against `spec` when there is one.
std::shared_ptr<Input> InputOf(const Given& given, std::shared_ptr<InputSpec> spec = nullptr) {
  auto input = Input::New();
  for (const auto& [name, value] : given) input->AddParameter(name, value);
  if (spec) input->SetInputSpec(spec);
  return input;
}

TEST(InputSpecAddParameter, KeepsByteOrderAndRefusesShortAndDuplicateNames) {
  const std::pair<std::shared_ptr<ParameterSpec>, const char*> cases[] = {
      {Param("x", Type::String), "Parameter name must be at least 2 characters"},
      {Param("name", Type::Int),
       "Found a duplicate paramater specification for parameter named 'name'"},
      {Param("nick", Type::String, "n"),
       "Invalid short name specified for --nick. The short name -n is already used for --name"},
      {nullptr, "Cannot add a null ParameterSpec"}};
  for (const auto& [added, message] : cases) {
    auto spec = InputSpec::New();
    for (const char* name : {"zone", "name", "a-b", "9lives"}) {  // only "name" has a short name
      spec->AddParameter(Param(name, Type::String, *name == 'n' ? "n" : nullptr));
    }
    EXPECT_EQ(ThrownMessage([&] { spec->AddParameter(added); }), message);
    EXPECT_EQ(Names(*spec), (Strings{"9lives", "a-b", "name", "zone"}));
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
      InputOf({{"t", "s1"}, {"tags", "l1"}, {"v", ""}, {"t", "s2"}, {"tags", "l2"}, {"x", "kept"}},
              DiskSpec());
  const Input::ParameterMap expected = {
      {"tags", {"l1", "l2", "s1", "s2"}}, {"verbose", {""}}, {"x", {"kept"}}};
  EXPECT_EQ(input->GetParameters(), expected);
  EXPECT_TRUE(input->IsFlagSet("verbose"));
}

TEST(InputSpecValidate, CollectsEveryMessageInOrder) {
  const struct {
    Given given;
    bool fold;         // attach the InputSpec first, as the dispatcher does
    Strings messages;  // empty: valid
  } cases[] = {
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
        "any values. "}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.given));
    auto spec = DiskSpec();
    auto output = Output::New();
    EXPECT_EQ(spec->Validate(InputOf(c.given, c.fold ? spec : nullptr), output),
              c.messages.empty());
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
  return InputOf(given, spec);
}

TEST(InputScalarReaders, SingleValueOfDeclaredScalarsOnly) {
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

  // Integers read -1 and booleans false when missing, invalid or given twice.
  const std::pair<Given, std::int64_t> numbers[] = {{{{"number", " -7"}}, -7},
                                                    {{{"number", "12ab"}}, -1},
                                                    {{}, -1},
                                                    {{{"number", "5"}, {"number", "6"}}, -1}};
  for (const auto& [given, value] : numbers) {
    EXPECT_EQ(ReaderInput(given)->GetParameterInt("number"), value)
        << ::testing::PrintToString(given);
  }
  const std::pair<Given, bool> truths[] = {{{{"switch", "T"}}, true},
                                           {{{"switch", "maybe"}}, false},
                                           {{{"switch", "y"}, {"switch", "y"}}, false},
                                           {{}, false}};
  for (const auto& [given, truth] : truths) {
    EXPECT_EQ(ReaderInput(given)->GetParameterBool("switch"), truth)
        << ::testing::PrintToString(given);
  }
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

const char kNoOutputRoot[] =
    "No root object set for output. The command did not provide proper output.";

std::shared_ptr<MetaList> DiskList(int rows) {
  auto disk = MetaStruct::New("Disk");
  disk->SetField("name", "");
  disk->SetField("size", 0L);
  auto list = MetaList::New(MetaType::Struct, disk);
  for (int i = 0; i < rows; ++i) {
    auto row = MetaStruct::New(list->GetListStructure());
    row->SetField("name", "sda");
    row->SetField("size", 512L * i);
    list->Add(row);
  }
  return list;
}

TEST(OutputSpecValidate, ComparesShapesAndNamesWhatIsMissing) {
  const std::string noSpecRoot =
      "No root object set for output spec. Root object for output spec must be set for proper "
      "validation of output.";
  const struct {
    std::shared_ptr<MetaObject> declared;  // empty: no shape declared
    std::shared_ptr<MetaObject> actual;    // empty: the command set no root
    Strings messages;                      // empty: valid
  } cases[] = {{nullptr, MetaInt::New(1), {noSpecRoot}},
               {nullptr, nullptr, {noSpecRoot}},
               {MetaInt::New(), nullptr, {kNoOutputRoot}},
               {MetaInt::New(), MetaInt::New(987654321L), {}},
               {MetaInt::New(),
                MetaString::New("x"),
                {"Type mismatch in structure.  Expecting Int got String"}},
               {DiskList(0), DiskList(3), {}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    auto spec = OutputSpec::New();
    if (c.declared) spec->SetRootObject(c.declared);
    auto output = Output::New();
    output->SetRootObject(c.actual);
    Strings messages;
    EXPECT_EQ(spec->Validate(output, &messages), c.messages.empty());
    EXPECT_EQ(messages, c.messages);
    EXPECT_EQ(spec->Validate(output), c.messages.empty()) << "without a message list";
  }
  // A missing output record is judged like an output without root; an empty root is refused.
  auto spec = OutputSpec::New();
  EXPECT_EQ(spec->GetDescription(), "Documentation missing");
  spec->SetRootObject(MetaBool::New(true));
  EXPECT_EQ(ThrownMessage([&] { spec->SetRootObject(std::shared_ptr<MetaList>()); }),
            "Root object cannot be set to null");
  Strings messages;
  EXPECT_FALSE(spec->Validate(nullptr, &messages));
  EXPECT_EQ(messages, Strings{kNoOutputRoot});
}

}  // namespace
