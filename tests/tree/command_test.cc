// Commands: leaves that refuse children, cached input and output declarations, help output
// and checked execution.
#include <functional>
#include <list>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "../common/test_util.h"
#include "tarnek/autocli/tree.h"

namespace {

using Tarnek::TarnekException;
using namespace Tarnek::AutoCli;
using namespace Tarnek::CallSpec;
using namespace Tarnek::MetaObj;

using Names = std::vector<std::string>;
using Path = std::list<std::string>;

int dispatcherStandIn;
Dispatcher* const kDispatcher = reinterpret_cast<Dispatcher*>(&dispatcherStandIn);

const char kNoChildren[] = "'. Commands cannot have sub-commands or sub-namespaces.";

// Declares the given parameters and an integer result; its work is whatever `work` does.
class TestCommand : public Command {
 public:
  std::shared_ptr<InputSpec> GetInputSpecInternal() override {
    auto declared = InputSpec::New();
    for (const auto& parameter : parameters) declared->AddParameter(parameter);
    return declared;
  }
  std::shared_ptr<OutputSpec> GetOutputSpecInternal() override {
    auto declared = OutputSpec::New();
    declared->SetRootObject(MetaInt::New(0L));
    return declared;
  }
  void ExecuteInternal(const std::shared_ptr<Input>&,
                       const std::shared_ptr<Output>& output) override {
    ++runs;
    if (work) work(output);
  }

  std::vector<std::shared_ptr<ParameterSpec>> parameters;
  std::function<void(const std::shared_ptr<Output>&)> work;
  int runs = 0;
};

std::shared_ptr<ParameterSpec> Parameter(const char* name, ParameterType type,
                                         const char* shortName, const char* description,
                                         bool required) {
  auto declared = ParameterSpec::New(name, type);
  if (*shortName) declared->SetShortName(shortName);
  declared->SetDescription(description);
  declared->SetRequired(required);
  return declared;
}

// root > ns > cmd
struct CommandTree {
  std::shared_ptr<RootNamespace> root = RootNamespace::New(kDispatcher);
  std::shared_ptr<TestCommand> cmd = std::make_shared<TestCommand>();
  CommandTree() { root->SubNamespace("ns")->RegisterNamespaceNode(cmd, "cmd"); }
};

std::shared_ptr<CommandInput> MakeCommandInput(const char* dispatcher, const Path& path) {
  auto input = CommandInput::New();
  input->SetDispatcher(dispatcher);
  input->SetCommandPath(path);
  return input;
}

// "TypeName: Field Kind, ..." of a structure, so that values printed alike still differ in kind.
std::string Shape(const std::shared_ptr<MetaStruct>& definition) {
  if (!definition) return "<no structure>";
  std::string text = definition->GetTypeName() + ":";
  for (const auto& field : definition->GetFields()) {
    text += (text.back() == ':' ? " " : ", ") + field.first + " " +
            MetaTypeString(field.second.value->GetType());
  }
  return text;
}

std::shared_ptr<MetaStruct> HelpOf(const std::shared_ptr<Output>& output) {
  return std::dynamic_pointer_cast<MetaStruct>(output->GetRootObject());
}

std::shared_ptr<MetaList> ListField(const std::shared_ptr<MetaStruct>& help, const char* field) {
  return help ? std::dynamic_pointer_cast<MetaList>(help->GetField(field)) : nullptr;
}

TEST(CommandTreeNode, RefusesChildrenAndEndsResolution) {
  CommandTree tree;
  const auto& cmd = tree.cmd;
  EXPECT_FALSE(cmd->HasNamespaceNode("x"));
  EXPECT_TRUE(cmd->GetNamespaceNodes().empty());
  const std::string notFound = "Unable to find a namespace or command with the name '";
  EXPECT_EQ(ThrownMessage([&] { cmd->GetNamespaceNode("x"); }),
            notFound + "x' on the command 'ns cmd" + kNoChildren);
  EXPECT_EQ(ThrownMessage([&] { cmd->SubNamespace("x"); }),
            notFound + "x' on the command 'ns cmd" + kNoChildren);
  EXPECT_EQ(ThrownMessage([&] { cmd->RegisterNamespaceNode(Namespace::New(), "x"); }),
            std::string("Attempt to register a command or namespace 'x' on command 'ns cmd") +
                kNoChildren);

  Path exact{"ns", "cmd"};
  EXPECT_EQ(tree.root->ResolveNode(exact), tree.cmd);
  EXPECT_EQ(exact, (Path{"ns", "cmd"}));
  Path twoExtra{"ns", "cmd", "extra", "more"};
  EXPECT_EQ(ThrownMessage([&] { tree.root->ResolveNode(twoExtra); }),
            notFound + "extra more' on the command 'ns cmd" + kNoChildren);
}

TEST(CommandTreeNode, DispatcherNeedsAParent) {
  EXPECT_EQ(ThrownMessage([] { std::make_shared<TestCommand>()->GetDispatcher(); }),
            "Invalid state for command with name ''. No parent node has been set.");
  CommandTree tree;
  EXPECT_EQ(tree.cmd->GetDispatcher(), kDispatcher);
  auto cmd = tree.cmd;
  tree.root.reset();  // takes "ns" with it
  EXPECT_EQ(ThrownMessage([&] { cmd->GetDispatcher(); }),
            "Invalid state for command with name 'cmd'. No parent node has been set.");
}

// The rest of the help parameter shows in the help output below.
TEST(CommandSpecs, BuiltOnceWithABooleanHelpParameter) {
  auto cmd = std::make_shared<TestCommand>();
  const auto first = cmd->GetInputSpec();
  EXPECT_EQ(cmd->GetInputSpec(), first);
  EXPECT_EQ(cmd->GetOutputSpec(), cmd->GetOutputSpec());
  ASSERT_NE(first->GetParameter("help"), nullptr);
  EXPECT_EQ(first->GetParameter("help")->GetType(), ParameterType::Bool);
}

TEST(CommandHelp, DescribesParametersAndExamplesOfACommandLine) {
  CommandTree tree;
  auto& cmd = tree.cmd;
  auto mode = Parameter("mode", ParameterType::String, "", "Mode: %ENUM%", true);
  auto choices = ParameterConstraint::New(ParameterConstraintType::StringEnum);
  choices->AddStringEnum("a");
  choices->AddStringEnum("b");
  mode->SetConstraint(choices);
  auto password = Parameter("password", ParameterType::String, "", "Password", true);
  password->SetSecret(true);
  cmd->parameters = {password, mode, Parameter("all", ParameterType::Bool, "a", "Show all", false)};
  cmd->SetDescription("List NICs");
  cmd->AddExample("--all", "List everything");
  cmd->AddExample(std::string("--mode b"), std::string("Only mode b"));

  auto input = MakeCommandInput("qorcli", {"network", "nic", "list"});
  input->AddParameter("help", "");
  auto output = CommandOutput::New();
  output->AddErrorMessage("earlier");
  cmd->Execute(input, output);

  EXPECT_EQ(cmd->runs, 0);
  EXPECT_EQ(output->GetErrors(), (Names{"earlier"}));
  EXPECT_EQ(output->GetOutputType(), Output::OutputType::Help);
  const auto help = HelpOf(output);
  ASSERT_NE(help, nullptr);
  EXPECT_EQ(Shape(help),
            "QorCliCommandHelp: Description String, Dispatcher String, Example List List, "
            "Param List List, Path String");
  EXPECT_EQ(help->ToString(),
            "{'Description' => 'List NICs', 'Dispatcher' => 'qorcli', 'Example List' => "
            "'{'Description' => 'List everything :', 'Syntax' => '# qorcli network nic list "
            "--all', }, {'Description' => 'Only mode b :', 'Syntax' => '# qorcli network nic "
            "list --mode b', }', 'Param List' => '{'Description' => 'Show all', 'Name' => 'all', "
            "'Required' => 'false', 'Secret' => 'false', 'Short Name' => 'a', }, "
            "{'Description' => 'Show the help message.', 'Name' => 'help', 'Required' => "
            "'false', 'Secret' => 'false', 'Short Name' => 'h', }, {'Description' => 'Mode: [a, "
            "b]', 'Name' => 'mode', 'Required' => 'true', 'Secret' => 'false', 'Short Name' => "
            "'', }, {'Description' => 'Password', 'Name' => 'password', 'Required' => 'true', "
            "'Secret' => 'true', 'Short Name' => '', }', 'Path' => 'network nic list', }");
}

TEST(CommandHelp, PlainInputHasNoCommandLineAndEmptyListsKeepTheirRows) {
  auto cmd = std::make_shared<TestCommand>();
  cmd->AddExample("--all", "List everything");
  auto output = Output::New(), bareOutput = Output::New();
  cmd->GenerateHelpOutput(Input::New(), output);
  std::make_shared<TestCommand>()->GenerateHelpOutput(Input::New(), bareOutput);
  const auto help = HelpOf(output);
  const auto params = ListField(help, "Param List");
  const auto none = ListField(HelpOf(bareOutput), "Example List");
  ASSERT_TRUE(params && none);
  EXPECT_EQ(help->ToString(),
            "{'Description' => '', 'Example List' => '{'Description' => 'List everything :', "
            "'Syntax' => '#  --all', }', 'Param List' => '" +
                params->ToString() + "', }");
  EXPECT_EQ(Shape(params->GetListStructure()),
            "QorCliCommandParameter: Description String, Name String, Required Bool, Secret "
            "Bool, Short Name String");
  // An empty list still declares the rows it would hold.
  EXPECT_EQ(none->GetCount(), 0u);
  EXPECT_EQ(Shape(none->GetListStructure()),
            "QorCliCommandExample: Description String, Syntax String");
}

TEST(CommandHelp, HelpWinsOverMissingRequiredParametersWhateverItsValue) {
  for (const char* value : {"", "false"}) {
    auto cmd = std::make_shared<TestCommand>();
    cmd->parameters = {Parameter("name", ParameterType::String, "n", "", true)};
    auto input = Input::New();
    input->AddParameter("help", value);
    auto output = Output::New();
    cmd->Execute(input, output);
    EXPECT_EQ(cmd->runs, 0) << '"' << value << '"';
    EXPECT_FALSE(output->HasError());
    EXPECT_EQ(output->GetOutputType(), Output::OutputType::Help);
  }
}

TEST(CommandExecute, TurnsFailuresIntoMessagesAndChecksTheResult) {
  const std::string wrong =
      "Implementation error! The output of this command does not match the declared output "
      "type, see errors above.";
  const auto setRoot = [](std::shared_ptr<MetaObject> root, const char* error = nullptr) {
    return [root, error](const std::shared_ptr<Output>& out) {
      out->SetRootObject(root);
      if (error) out->AddErrorMessage(error);
    };
  };
  const char* const noRoot =
      "No root object set for output. The command did not provide proper output.";
  struct Case {
    std::function<void(const std::shared_ptr<Output>&)> work;
    bool commandInput;  // at path "a b"; otherwise a plain Input
    Names errors;
  };
  const Case cases[] = {
      {[](auto&) { throw TarnekException("boom"); }, true, {"Error on command a b : boom"}},
      {[](auto&) { throw std::runtime_error("gone"); }, true, {"Error on command a b : gone"}},
      {[](auto&) { throw TarnekException("boom"); }, false, {"Error on command cmd : boom"}},
      {setRoot(nullptr), true, {noRoot, wrong}},
      {setRoot(MetaString::New("x")),
       false,
       {"Type mismatch in structure.  Expecting Int got String", wrong}},
      {setRoot(MetaInt::New(7L)), true, {}},
      {setRoot(MetaString::New("x"), "no such nic"), false, {"no such nic"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(&c - cases);
    CommandTree tree;
    tree.cmd->work = c.work;
    std::shared_ptr<Input> input = Input::New();
    if (c.commandInput) input = MakeCommandInput("qorcli", {"a", "b"});
    auto output = CommandOutput::New();
    tree.cmd->Execute(input, output);
    EXPECT_EQ(tree.cmd->runs, 1);
    EXPECT_EQ(output->GetErrors(), c.errors);
    EXPECT_EQ(output->GetOutputType(), Output::OutputType::Default);
  }

  // Exceptions outside the standard family pass through untouched.
  auto cmd = std::make_shared<TestCommand>();
  cmd->work = [](const std::shared_ptr<Output>&) { throw 5; };
  auto output = Output::New();
  EXPECT_THROW(cmd->Execute(Input::New(), output), int);
  EXPECT_FALSE(output->HasError());
}

}  // namespace
