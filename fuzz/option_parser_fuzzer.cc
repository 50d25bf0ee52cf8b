// Parses arbitrary bytes as one command line (ParseString), then reads the command parameters
// against a small InputSpec and validates them the way the dispatcher does before a
// command runs. Nothing here may throw except the TarnekException refusals of the API.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "tarnek/autocli/option_parser.h"
#include "tarnek/callspec.h"
#include "tarnek/exception.h"

namespace {

using namespace Tarnek::CallSpec;
using Tarnek::AutoCli::OptionParser;

// One parameter of every type and every constraint kind. No secret parameter: its missing
// value would be read from standard input.
std::shared_ptr<InputSpec> MakeSpec() {
  auto spec = InputSpec::New();
  auto name = ParameterSpec::New("name", ParameterType::String);
  name->SetShortName("n");
  spec->AddParameter(name);

  auto count = ParameterSpec::New("count", ParameterType::Int);
  count->SetShortName("c");
  auto range = ParameterConstraint::New(ParameterConstraintType::IntRange);
  range->SetIntRange(-5, 100);
  count->SetConstraint(range);
  spec->AddParameter(count);

  auto mode = ParameterSpec::New("mode", ParameterType::String);
  auto modes = ParameterConstraint::New(ParameterConstraintType::StringEnum);
  modes->AddStringEnum("fast", "quick");
  modes->AddStringEnum("slow", "careful");
  mode->SetConstraint(modes);
  spec->AddParameter(mode);

  auto level = ParameterSpec::New("level", ParameterType::Int);
  auto levels = ParameterConstraint::New(ParameterConstraintType::IntEnum);
  levels->AddIntEnum(1);
  levels->AddIntEnum(3);
  level->SetConstraint(levels);
  spec->AddParameter(level);

  auto label = ParameterSpec::New("label", ParameterType::StringList);
  auto pattern = ParameterConstraint::New(ParameterConstraintType::StringRegex);
  pattern->SetStringRegex("[a-z][a-z0-9-]*");
  label->SetConstraint(pattern);
  spec->AddParameter(label);

  auto verbose = ParameterSpec::New("verbose", ParameterType::Flag);
  verbose->SetShortName("v");
  verbose->SetRequired(false);
  spec->AddParameter(verbose);

  const std::pair<const char*, ParameterType> optional[] = {
      {"enabled", ParameterType::Bool}, {"sizes", ParameterType::IntList},
      {"flags", ParameterType::BoolList}};
  for (const auto& [text, type] : optional) {
    auto parameter = ParameterSpec::New(text, type);
    parameter->SetRequired(false);
    spec->AddParameter(parameter);
  }
  auto help = ParameterSpec::New("help", ParameterType::Flag);
  help->SetRequired(false);
  spec->AddParameter(help);
  return spec;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::shared_ptr<InputSpec> spec = MakeSpec();
  const std::string line(reinterpret_cast<const char*>(data), size);

  OptionParser parser;
  if (parser.ParseString(line)) return 0;
  parser.GetDispatcherParameters();
  parser.HasDispatcherParameter("plugin");
  parser.GetDispatcherParameter("format-param");
  parser.GetCommandPath();
  parser.SetInputSpec(spec);

  auto input = Input::New();
  for (const auto& [name, value] : parser.GetCommandParameters()) input->AddParameter(name, value);
  parser.ToString();
  try {
    input->SetInputSpec(spec);
    auto output = Output::New();
    if (spec->Validate(input, output)) {
      input->GetParameterInt("count");
      input->GetParameterBool("enabled");
      std::vector<std::int64_t> sizes;
      input->GetParameterIntList("sizes", sizes);
      std::vector<bool> flags;
      input->GetParameterBoolList("flags", flags);
      input->GetParameterListAsString("label", ',', true);
    }
  } catch (const Tarnek::TarnekException&) {
  }
  return 0;
}
