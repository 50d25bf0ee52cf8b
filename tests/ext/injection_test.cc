// Hostile values and misbehaving children, run for real through /bin/sh.
#include <unistd.h>

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

class ShellInjection : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/tarnek-injection-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    directory_ = pattern;
    ASSERT_EQ(chdir(directory_.c_str()), 0);
  }
  void TearDown() override {
    EXPECT_NE(access("CANARY", F_OK), 0) << "a value was executed";
    unlink("CANARY");
    EXPECT_EQ(chdir("/"), 0);
    rmdir(directory_.c_str());
  }
  std::string directory_;
};

TEST_F(ShellInjection, ValuesNeverRunWhateverTheirQuoting) {
  const std::vector<std::string> values = {
      "; touch CANARY",       "| touch CANARY",     "& touch CANARY",   "$(touch CANARY)",
      "`touch CANARY`",       "' ; touch CANARY '", "\" ; touch CANARY \"",
      "x\ntouch CANARY",      "* ? [a] > CANARY",   "\\'$(touch CANARY)\\'",
  };
  const char* const templates[] = {
      "$val{value}",           "\"$val{value}\"",   "'$val{value}'",
      "$list{values,',',false}", "$list{values,' ',true}",
      "$multilist{values,--v,false}", "$multilist{values,--v,true}",
  };
  for (const char* argumentsTemplate : templates) {
    for (const std::string& value : values) {
      const auto output = RunWith(EchoCommand(argumentsTemplate), {value});
      // Whatever the shell made of the escaped text, nothing ran and no file was written.
      EXPECT_NE(access("CANARY", F_OK), 0) << argumentsTemplate << " with " << value;
    }
  }
}

TEST_F(ShellInjection, BareValueArrivesAsOneLiteralWord) {
  const auto output = RunWith(EchoCommand("$val{value}"), {"a b;c $(id) `id` *"});
  ASSERT_FALSE(output->HasError()) << output->GetErrors().front();
  // Blanks are not escaped, so they still split words; every special character stays literal.
  EXPECT_EQ(output->GetRootObject()->ToString(), "a, b;c, $(id), `id`, *");
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
