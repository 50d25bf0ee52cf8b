// Fills fuzzed execution and standard-input templates from fuzzed parameter values
// (ExtensionCommand::SubstituteInput); no shell is ever started.
//
// Input layout: byte 0 holds flags (bit 0: fill for standard input; bit 1: fill both ways);
// the rest is cut at every NUL byte. The first piece is the template; every further piece is
// one value, its first byte choosing the parameter it is given for.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "tarnek/autocli/extension_command.h"
#include "tarnek/callspec.h"
#include "tarnek/exception.h"

namespace {

using namespace Tarnek::CallSpec;
using Tarnek::AutoCli::ExtensionCommand;

const std::pair<const char*, ParameterType> kParameters[] = {
    {"dir", ParameterType::String},  {"name", ParameterType::String},
    {"aa", ParameterType::String},   {"bb", ParameterType::String},
    {"count", ParameterType::Int},   {"verbose", ParameterType::Bool},
    {"force", ParameterType::Flag},  {"disk", ParameterType::StringList},
    {"ids", ParameterType::IntList}, {"a-1", ParameterType::String},
};
// Values may also be given for a name the command does not declare.
const char* const kUndeclared = "zz";

std::shared_ptr<ExtensionCommand> MakeCommand() {
  auto spec = InputSpec::New();
  for (const auto& [name, type] : kParameters) spec->AddParameter(ParameterSpec::New(name, type));
  auto command = ExtensionCommand::New();
  command->SetInputSpec(spec);
  command->SetOutputSpec(OutputSpec::New());
  return command;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::shared_ptr<ExtensionCommand> command = MakeCommand();
  if (size == 0) return 0;
  const uint8_t flags = data[0];
  const std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);

  size_t end = rest.find('\0');
  const std::string templateText = rest.substr(0, end);
  auto input = Input::New();
  constexpr size_t kChoices = sizeof(kParameters) / sizeof(kParameters[0]) + 1;
  while (end != std::string::npos) {
    const size_t start = end + 1;
    end = rest.find('\0', start);
    std::string piece = rest.substr(start, end == std::string::npos ? end : end - start);
    if (piece.empty()) continue;
    const size_t choice = static_cast<unsigned char>(piece[0]) % kChoices;
    const char* name = choice < kChoices - 1 ? kParameters[choice].first : kUndeclared;
    input->AddParameter(name, piece.substr(1));
  }
  input->SetInputSpec(command->GetInputSpec());

  const bool both = (flags & 2) != 0;
  const bool forStdin = (flags & 1) != 0;
  command->SetExecuteCommand(templateText);
  command->SetStdin(templateText);
  for (const bool way : {forStdin, !forStdin}) {
    try {
      command->SubstituteInput(input, way);
    } catch (const Tarnek::TarnekException&) {
      // $val of a flag or list parameter has no single value and is refused.
    }
    if (!both) break;
  }
  return 0;
}
