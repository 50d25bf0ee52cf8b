// Commands: leaves that refuse children, cached input and output declarations, help output
// and checked execution.
#include <functional>
#include <list>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

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

const char kImplementationError[] =
    "Implementation error! The output of this command does not match the declared output type, "
    "see errors above.";
const char kNoChildren[] = "'. Commands cannot have sub-commands or sub-namespaces.";

void ExpectThrowMessage(const std::function<void()>& action, const std::string& message) {
  try {
    action();
    ADD_FAILURE() << "no exception, expected: " << message;
  } catch (const TarnekException& e) {
    EXPECT_EQ(e.what(), message);
  }
}

// Declares the given parameters and an integer result; its work is whatever `work` does.
class TestCommand : public Command {
 public:
  std::shared_ptr<InputSpec> GetInputSpecInternal() override {
    ++inputSpecBuilds;
    auto declared = InputSpec::New();
    for (const auto& parameter : parameters) declared->AddParameter(parameter);
    return declared;
  }
  std::shared_ptr<OutputSpec> GetOutputSpecInternal() override {
    ++outputSpecBuilds;
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
  int inputSpecBuilds = 0;
  int outputSpecBuilds = 0;
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

std::string Text(const std::shared_ptr<MetaObject>& value, const std::string& field) {
  const auto structure = std::dynamic_pointer_cast<MetaStruct>(value);
  const auto text =
      structure ? std::dynamic_pointer_cast<MetaString>(structure->GetField(field)) : nullptr;
  return text ? text->GetValue() : "<no string field " + field + ">";
}

// Each row's printed form; rows are checked against the list's definition when added, so
// the printed values suffice.
Names Rows(const std::shared_ptr<MetaList>& list) {
  Names rows;
  for (const auto& item : list->GetObjects()) rows.push_back(item->ToString());
  return rows;
}

std::shared_ptr<MetaList> ListField(const std::shared_ptr<MetaStruct>& help, const char* field) {
  auto list = std::dynamic_pointer_cast<MetaList>(help->GetField(field));
  EXPECT_NE(list, nullptr) << field;
  return list;
}

// "TypeName: Field Kind, ..." of a structure list's element definition.
std::string Shape(const std::shared_ptr<MetaList>& list) {
  const auto& definition = list->GetListStructure();
  if (list->GetListType() != MetaType::Struct || !definition) return "<no definition>";
  std::string text = definition->GetTypeName() + ":";
  for (const auto& field : definition->GetFields()) {
    text += (text.back() == ':' ? " " : ", ") + field.first + " " +
            MetaTypeString(field.second.value->GetType());
  }
  return text;
}

TEST(CommandTreeNode, RefusesChildrenWithItsPathInTheMessage) {
  CommandTree tree;
  const auto& cmd = tree.cmd;
  EXPECT_EQ(cmd->GetType(), NamespaceNodeType::Command);
  EXPECT_EQ(cmd->GetDispatcher(), kDispatcher);
  EXPECT_FALSE(cmd->HasNamespaceNode("x"));
  EXPECT_TRUE(cmd->GetNamespaceNodeNames().empty());
  EXPECT_TRUE(cmd->GetNamespaceNodes().empty());

  const std::string notFound =
      std::string(
          "Unable to find a namespace or command with the name 'x' on the command 'ns "
          "cmd") +
      kNoChildren;
  const std::string noRegister =
      std::string("Attempt to register a command or namespace 'x' on command 'ns cmd") +
      kNoChildren;
  ExpectThrowMessage([&] { cmd->GetNamespaceNode("x"); }, notFound);
  ExpectThrowMessage([&] { cmd->SubNamespace("x"); }, notFound);
  ExpectThrowMessage([&] { cmd->RegisterNamespaceNode(Namespace::New(), std::string("x")); },
                     noRegister);
  ExpectThrowMessage([&] { cmd->RegisterNamespaceNode(Namespace::New(), "x"); }, noRegister);
}

TEST(CommandTreeNode, ResolutionEndsAtTheCommand) {
  CommandTree tree;
  Path exact{"ns", "cmd"};
  EXPECT_EQ(tree.root->ResolveNode(exact), tree.cmd);
  EXPECT_EQ(exact, (Path{"ns", "cmd"}));

  const std::string prefix = "Unable to find a namespace or command with the name '";
  Path extra{"ns", "cmd", "extra"};
  ExpectThrowMessage([&] { tree.root->ResolveNode(extra); },
                     prefix + "extra' on the command 'ns cmd" + kNoChildren);
  Path twoExtra{"ns", "cmd", "extra", "more"};
  ExpectThrowMessage([&] { tree.root->ResolveNode(twoExtra); },
                     prefix + "extra more' on the command 'ns cmd" + kNoChildren);
}

TEST(CommandTreeNode, DispatcherNeedsAParent) {
  auto loose = std::make_shared<TestCommand>();
  ExpectThrowMessage([&] { loose->GetDispatcher(); },
                     "Invalid state for command with name ''. No parent node has been set.");
  CommandTree tree;
  auto cmd = tree.cmd;
  tree.root.reset();  // takes "ns" with it
  EXPECT_EQ(cmd->GetParent(), nullptr);
  ExpectThrowMessage([&] { cmd->GetDispatcher(); },
                     "Invalid state for command with name 'cmd'. No parent node has been set.");
}

TEST(CommandSpecs, InputSpecGainsOneHelpParameterInNameOrder) {
  auto cmd = std::make_shared<TestCommand>();
  cmd->parameters = {Parameter("zone", ParameterType::String, "", "", true),
                     Parameter("id", ParameterType::Int, "i", "", true),
                     Parameter("all", ParameterType::Flag, "", "", false)};
  const auto first = cmd->GetInputSpec();
  EXPECT_EQ(cmd->GetInputSpec(), first);
  EXPECT_EQ(cmd->inputSpecBuilds, 1);
  Names names;
  for (const auto& parameter : first->GetParameters()) names.push_back(parameter->GetName());
  EXPECT_EQ(names, (Names{"all", "help", "id", "zone"}));

  const auto help = first->GetParameter("help");
  ASSERT_NE(help, nullptr);
  EXPECT_EQ(help->GetType(), ParameterType::Bool);
  EXPECT_EQ(help->GetShortName(), "h");
  EXPECT_EQ(help->GetDescription(false), "Show the help message.");
  EXPECT_FALSE(help->IsRequired());

  EXPECT_EQ(cmd->GetOutputSpec(), cmd->GetOutputSpec());
  EXPECT_EQ(cmd->outputSpecBuilds, 1);
}

TEST(CommandSpecs, DefaultFormatParametersAreHandedOutAsCopies) {
  auto cmd = std::make_shared<TestCommand>();
  EXPECT_EQ(cmd->GetDefaultOutputFormatParameters().GetFormatter(), "");
  EXPECT_TRUE(cmd->GetDefaultOutputFormatParameters().GetParameters().empty());
  cmd->SetDefaultOutputFormatter("table");
  cmd->SetDefaultOutputParameter(std::string("fields"), std::string("a,b"));
  cmd->SetDefaultOutputParameter("header", "off");

  FormatParameters copy = cmd->GetDefaultOutputFormatParameters();
  copy.SetFormatter("json");
  copy.SetParameter("fields", "c");
  const FormatParameters again = cmd->GetDefaultOutputFormatParameters();
  EXPECT_EQ(again.GetFormatter(), "table");
  EXPECT_EQ(again.GetParameter("fields"), "a,b");
  EXPECT_EQ(again.GetParameter("header"), "off");
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
  const auto help = std::dynamic_pointer_cast<MetaStruct>(output->GetRootObject());
  ASSERT_NE(help, nullptr);
  EXPECT_EQ(help->GetTypeName(), "QorCliCommandHelp");
  EXPECT_EQ(help->GetFieldNames(),
            (Names{"Description", "Dispatcher", "Example List", "Param List", "Path"}));
  EXPECT_EQ(Text(help, "Dispatcher"), "qorcli");
  EXPECT_EQ(Text(help, "Path"), "network nic list");
  EXPECT_EQ(Text(help, "Description"), "List NICs");

  const auto params = ListField(help, "Param List");
  ASSERT_NE(params, nullptr);
  EXPECT_EQ(params->GetListStructure()->GetTypeName(), "QorCliCommandParameter");
  EXPECT_EQ(Rows(params),
            (Names{"{'Description' => 'Show all', 'Name' => 'all', 'Required' => 'false', "
                   "'Secret' => 'false', 'Short Name' => 'a', }",
                   "{'Description' => 'Show the help message.', 'Name' => 'help', "
                   "'Required' => 'false', 'Secret' => 'false', 'Short Name' => 'h', }",
                   "{'Description' => 'Mode: [a, b]', 'Name' => 'mode', 'Required' => 'true', "
                   "'Secret' => 'false', 'Short Name' => '', }",
                   "{'Description' => 'Password', 'Name' => 'password', 'Required' => 'true', "
                   "'Secret' => 'true', 'Short Name' => '', }"}));

  const auto examples = ListField(help, "Example List");
  ASSERT_NE(examples, nullptr);
  EXPECT_EQ(examples->GetListStructure()->GetTypeName(), "QorCliCommandExample");
  EXPECT_EQ(Rows(examples), (Names{"{'Description' => 'List everything :', "
                                   "'Syntax' => '# qorcli network nic list --all', }",
                                   "{'Description' => 'Only mode b :', "
                                   "'Syntax' => '# qorcli network nic list --mode b', }"}));
}

TEST(CommandHelp, PlainInputHasNoCommandLineAndEmptyListsKeepTheirRows) {
  auto cmd = std::make_shared<TestCommand>();
  cmd->AddExample("--all", "List everything");
  auto input = Input::New();
  auto output = Output::New();
  cmd->GenerateHelpOutput(input, output);
  const auto help = std::dynamic_pointer_cast<MetaStruct>(output->GetRootObject());
  ASSERT_NE(help, nullptr);
  EXPECT_EQ(help->GetFieldNames(), (Names{"Description", "Example List", "Param List"}));
  EXPECT_EQ(Text(help, "Description"), "");
  const auto examples = ListField(help, "Example List");
  ASSERT_NE(examples, nullptr);
  ASSERT_EQ(examples->GetCount(), 1u);
  EXPECT_EQ(Text(examples->GetItem(0), "Syntax"), "#  --all");

  auto bare = std::make_shared<TestCommand>();
  auto bareOutput = Output::New();
  bare->GenerateHelpOutput(input, bareOutput);
  const auto bareHelp = std::static_pointer_cast<MetaStruct>(bareOutput->GetRootObject());
  const auto params = ListField(bareHelp, "Param List");
  const auto none = ListField(bareHelp, "Example List");
  ASSERT_NE(params, nullptr);
  ASSERT_NE(none, nullptr);
  EXPECT_EQ(params->GetCount(), 1u);
  EXPECT_EQ(none->GetCount(), 0u);

  // An empty list still declares the rows it would hold.
  EXPECT_EQ(Shape(params),
            "QorCliCommandParameter: Description String, Name String, "
            "Required Bool, Secret Bool, Short Name String");
  EXPECT_EQ(Shape(none), "QorCliCommandExample: Description String, Syntax String");
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
  using Work = std::function<void(const std::shared_ptr<Output>&)>;
  struct Case {
    const char* label;
    Work work;
    bool commandInput;  // at path "a b"; otherwise a plain Input
    Names errors;
  };
  const Case cases[] = {
      {"exception",
       [](auto&) { throw TarnekException("boom"); },
       true,
       {"Error on command a b : boom"}},
      {"standard error",
       [](auto&) { throw std::runtime_error("disk gone"); },
       true,
       {"Error on command a b : disk gone"}},
      {"plain input uses the name",
       [](auto&) { throw TarnekException("boom"); },
       false,
       {"Error on command cmd : boom"}},
      {"no root",
       [](auto&) {},
       true,
       {"No root object set for output. The command did not provide proper output.",
        kImplementationError}},
      {"wrong type",
       [](auto& out) { out->SetRootObject(MetaString::New("x")); },
       false,
       {"Type mismatch in structure.  Expecting Int got String", kImplementationError}},
      {"correct", [](auto& out) { out->SetRootObject(MetaInt::New(7L)); }, true, {}},
      {"own error", [](auto& out) { out->AddErrorMessage("no such nic"); }, true, {"no such nic"}},
      {"own error and wrong result",
       [](auto& out) {
         out->SetRootObject(MetaString::New("x"));
         out->AddErrorMessage("no such nic");
       },
       false,
       {"no such nic"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
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
}

TEST(CommandExecute, ExceptionsOutsideTheStandardFamilyPassThrough) {
  auto cmd = std::make_shared<TestCommand>();
  cmd->work = [](const std::shared_ptr<Output>&) { throw 5; };
  auto output = Output::New();
  EXPECT_THROW(cmd->Execute(Input::New(), output), int);
  EXPECT_FALSE(output->HasError());
}

TEST(CommandInputPath, JoinsWordsWithSingleSpacesAndKeepsItsOwnCopy) {
  const std::pair<Path, const char*> cases[] = {
      {{"a", "b", "c"}, "a b c"}, {{}, ""}, {{"list"}, "list"}};
  for (const auto& c : cases) {
    Path path = c.first;
    auto input = MakeCommandInput("qorcli", path);
    path.push_back("changed");
    EXPECT_EQ(input->GetCommandPathString(), c.second);
    EXPECT_EQ(input->GetCommandPath(), c.first);
  }
}

}  // namespace
