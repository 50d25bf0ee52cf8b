// Children that misbehave, run for real through /bin/sh: their failures become the call's.
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tarnek/autocli/extension_command.h"
#include "tarnek/metaobj.h"

namespace {

using namespace Tarnek::AutoCli;
using namespace Tarnek::CallSpec;
using namespace Tarnek::MetaObj;

// A command echoing what it received back as a string list, one item per shell word.
std::shared_ptr<ExtensionCommand> EchoCommand(const std::string& argumentsTemplate) {
  auto spec = InputSpec::New();
  spec->AddParameter(ParameterSpec::New("value", ParameterType::String));
  auto values = ParameterSpec::New("values", ParameterType::StringList);
  values->SetRequired(false);
  spec->AddParameter(values);
  auto result = OutputSpec::New();
  result->SetRootObject(MetaList::New(MetaType::String));
  auto command = ExtensionCommand::New();
  command->SetInputSpec(spec);
  command->SetOutputSpec(result);
  command->SetExecuteCommand(
      "set -- " + argumentsTemplate +
      "; printf '<output><list type=\"string\">'; for w do printf '<string>'; printf '%s' \"$w\" | "
      "sed 's/&/\\&amp;/g; s/</\\&lt;/g'; printf '</string>'; done; printf '</list></output>'");
  return command;
}

std::shared_ptr<Output> RunWith(const std::shared_ptr<ExtensionCommand>& command,
                                const std::vector<std::string>& values) {
  auto input = Input::New();
  for (const std::string& value : values) {
    input->AddParameter("value", value);
    input->AddParameter("values", value);
  }
  input->SetInputSpec(command->GetInputSpec());
  auto output = Output::New();
  command->Execute(input, output);
  return output;
}

TEST(MisbehavingChild, IsReportedAsTheCallsFailure) {
  const std::string mismatch =
      "Implementation error! The output of this command does not match the declared output "
      "type, see errors above.";
  const struct {
    const char* execute;
    std::vector<std::string> errors;
  } cases[] = {
      {"kill -9 $$",
       {"Got no data from process.\nCommand \"kill -9 $$\"\n\xD0\xB5xited with error code: 137"}},
      {"echo hello",
       {"No root object set for output. The command did not provide proper output.", mismatch}},
      {"echo '<output><int>5</int></output>'",
       {"Type mismatch!  Was expecting a List, but got a Int", mismatch}},
  };
  const char* lang = std::getenv("LANG");
  if (lang == nullptr) setenv("LANG", "C", 1);  // keep the command line free of the prefix
  for (const auto& c : cases) {
    auto command = EchoCommand("");
    command->SetExecuteCommand(c.execute);
    const auto output = RunWith(command, {"v"});
    EXPECT_EQ(output->GetErrors(), c.errors) << c.execute;
  }
  if (lang == nullptr) unsetenv("LANG");
}

}  // namespace
