// What every command line pays before its command runs: checking the given parameters against
// their declarations, and, for an extension command, filling its shell command template.
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <benchmark/benchmark.h>

#include "tarnek/autocli/extension_command.h"
#include "tarnek/callspec.h"

namespace {

using Tarnek::AutoCli::ExtensionCommand;
using Tarnek::CallSpec::Input;
using Tarnek::CallSpec::InputSpec;
using Tarnek::CallSpec::Output;
using Tarnek::CallSpec::OutputSpec;
using Tarnek::CallSpec::ParameterConstraint;
using Tarnek::CallSpec::ParameterConstraintType;
using Tarnek::CallSpec::ParameterSpec;
using Tarnek::CallSpec::ParameterType;

// A declaration with one parameter of each common shape and constraint.
std::shared_ptr<InputSpec> NewSpec() {
  auto spec = InputSpec::New();
  auto name = ParameterSpec::New("name", ParameterType::String);
  auto pattern = ParameterConstraint::New(ParameterConstraintType::StringRegex);
  pattern->SetStringRegex("[a-z][a-z0-9_-]*");
  name->SetConstraint(pattern);
  name->SetRequired(true);
  spec->AddParameter(name);
  auto count = ParameterSpec::New("count", ParameterType::Int);
  auto range = ParameterConstraint::New(ParameterConstraintType::IntRange);
  range->SetIntRange(0, 1000);
  count->SetConstraint(range);
  spec->AddParameter(count);
  auto mode = ParameterSpec::New("mode", ParameterType::String);
  auto modes = ParameterConstraint::New(ParameterConstraintType::StringEnum);
  for (const char* word : {"fast", "safe", "full"}) modes->AddStringEnum(word);
  mode->SetConstraint(modes);
  spec->AddParameter(mode);
  spec->AddParameter(ParameterSpec::New("force", ParameterType::Flag));
  spec->AddParameter(ParameterSpec::New("disk", ParameterType::StringList));
  return spec;
}

const std::vector<std::pair<std::string, std::string>> kValues = {
    {"name", "volume_7"}, {"count", "250"}, {"mode", "safe"}, {"force", ""},
    {"disk", "sda"},      {"disk", "sdb"},  {"disk", "sdc"}};

std::shared_ptr<Input> NewInput(const std::shared_ptr<InputSpec>& spec) {
  auto input = Input::New();
  for (const auto& [name, value] : kValues) input->AddParameter(name, value);
  input->SetInputSpec(spec);
  return input;
}

void BM_ValidateParameters(benchmark::State& state) {
  const auto spec = NewSpec();
  for (auto _ : state) {
    auto input = NewInput(spec);
    auto output = Output::New();
    benchmark::DoNotOptimize(spec->Validate(input, output));
  }
}
BENCHMARK(BM_ValidateParameters);

void BM_FillTemplate(benchmark::State& state) {
  auto command = ExtensionCommand::New();
  command->SetInputSpec(NewSpec());
  command->SetOutputSpec(OutputSpec::New());
  command->SetExecuteCommand(
      "/usr/sbin/volume-tool create '$val{name}' $if{count,--count $val{count}} --mode "
      "$val{mode} $if{force,--force} $multilist{disk,--disk,true} --all $list{disk,',',false}");
  const auto input = NewInput(command->GetInputSpec());
  for (auto _ : state) benchmark::DoNotOptimize(command->SubstituteInput(input, false));
}
BENCHMARK(BM_FillTemplate);

}  // namespace
