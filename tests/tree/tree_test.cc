// The command tree: the name rule, registration, resolution, paths and dispatcher lookup of
// namespaces; commands as leaves with cached declarations, help output and checked execution.
#include "tarnek/autocli/tree.h"

#include <functional>
#include <list>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "../common/test_util.h"

namespace {

using Tarnek::TarnekException;
using namespace Tarnek::AutoCli;
using namespace Tarnek::CallSpec;
using namespace Tarnek::MetaObj;

using Names = std::vector<std::string>;
using Path = std::list<std::string>;

// The tree never dereferences its dispatcher, so any distinct address will do.
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

// root > qorcli > command > list, all namespaces, and root > ns > cmd, a command.
struct Tree {
  std::shared_ptr<RootNamespace> root = RootNamespace::New(kDispatcher);
  std::shared_ptr<NamespaceNode> qorcli = root->SubNamespace("qorcli");
  std::shared_ptr<NamespaceNode> command = qorcli->SubNamespace("command");
  std::shared_ptr<NamespaceNode> list = command->SubNamespace("list");
  std::shared_ptr<TestCommand> cmd = std::make_shared<TestCommand>();
  Tree() { root->SubNamespace("ns")->RegisterNamespaceNode(cmd, "cmd"); }
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

TEST(NameRule, MatchesWholeNameOfCamelRuns) {
  const std::pair<const char*, bool> cases[] = {
      {"", false},     {"a", true},    {"A", false},       {"aB", true},
      {"aBC", false},  {"aBcD", true}, {"a9Z", true},      {"9", true},
      {"ab-c", false}, {"ipX", true},  {"getABC", false},  {"ip.addr", false},
      {"nfs4", true},  {"nic0", true}, {"ip_addr", false}, {"network ", false}};
  for (const auto& [name, valid] : cases) {
    EXPECT_EQ(AutoCli_IsValidName(name), valid) << '"' << name << '"';
  }
}

// A long run of digits before a bad character once made the name check give up with an
// exception of its own instead of refusing the name; a descriptor path reached it.
TEST(NameRule, RefusesLongRunsBeforeABadCharacterCleanly) {
  const std::string name = "pr" + std::string(80, '5') + "oces{";
  EXPECT_FALSE(AutoCli_IsValidName(name));
  auto root = RootNamespace::New(kDispatcher);
  EXPECT_THROW(root->RegisterNamespaceNode(Namespace::New(), name), TarnekException);
  EXPECT_TRUE(AutoCli_IsValidName(std::string(5000, '7') + "aZ"));
}

TEST(Registration, ListsChildrenInByteOrder) {
  auto root = RootNamespace::New(kDispatcher);
  std::vector<std::shared_ptr<Namespace>> made;
  for (const char* name : {"zeta", "alpha", "alphaB", "alpha2", "ipx", "ipX"}) {
    made.push_back(Namespace::New());
    root->RegisterNamespaceNode(made.back(), name);
  }
  EXPECT_EQ(root->GetNamespaceNodeNames(),
            (Names{"alpha", "alpha2", "alphaB", "ipX", "ipx", "zeta"}));
  const auto nodes = root->GetNamespaceNodes();
  ASSERT_EQ(nodes.size(), 6u);
  EXPECT_EQ(nodes[0], made[1]);
  EXPECT_EQ(made[3]->GetParent(), root);
  EXPECT_EQ(root->GetNamespaceNode("alphaB"), made[2]);
  EXPECT_EQ(root->GetNamespaceNode("nosuch"), nullptr);
  EXPECT_FALSE(root->HasNamespaceNode("Zeta"));
  // SubNamespace hands out an existing child of the name rather than a new one.
  EXPECT_EQ(root->SubNamespace("alphaB"), made[2]);
  EXPECT_EQ(root->GetNamespaceNodeNames().size(), 6u);
}

TEST(Registration, RefusesDuplicatesNullNodesInvalidNamesAndRootsAsChildren) {
  auto root = RootNamespace::New(kDispatcher);
  auto network = root->SubNamespace("network");
  auto nic = network->SubNamespace(std::string("nic"));
  nic->SubNamespace("list");

  const std::shared_ptr<NamespaceNode> none;
  auto fresh = Namespace::New();
  auto otherRoot = RootNamespace::New(kDispatcher);
  const std::string rootRefusal = "Error, Root namespace cannot be assigned a parent node";
  const struct {
    std::shared_ptr<NamespaceNode> parent, node;
    const char* name;
    std::string message;
  } cases[] = {
      {nic, fresh, "list",
       "Duplicate registration in namespace network nic attempt to register two objects with "
       "name list"},
      {root, none, "network",
       "Duplicate registration in namespace  attempt to register two objects with name network"},
      {root, none, "Bad_Name", "Null namespace node named 'Bad_Name' passed to namespace "},
      {nic, fresh, "Bad_Name",
       "Invalid name for namespace 'Bad_Name', must be a name consisting of letters and numbers "
       "and must conform to 'camel' casing."},
      {root, otherRoot, "sub", rootRefusal}};
  for (const auto& c : cases) {
    const Names before = c.parent->GetNamespaceNodeNames();
    EXPECT_EQ(ThrownMessage([&] { c.parent->RegisterNamespaceNode(c.node, c.name); }), c.message);
    EXPECT_EQ(c.parent->GetNamespaceNodeNames(), before);
  }
  // The refused nodes were neither named nor attached.
  EXPECT_EQ(fresh->GetName(), "");
  EXPECT_EQ(fresh->GetParent(), nullptr);
  EXPECT_EQ(otherRoot->GetParent(), nullptr);
  EXPECT_EQ(root->GetNamespaceNode("network"), network);
  EXPECT_EQ(ThrownMessage([&] { root->SetParent(Namespace::New()); }), rootRefusal);
}

TEST(Paths, JoinNamesBelowTheRootOrFailWhenDetached) {
  Tree tree;
  EXPECT_EQ(tree.root->GetPathString('.'), "");
  EXPECT_TRUE(tree.root->GetPath().empty());
  EXPECT_EQ(tree.list->GetPathString('.'), "qorcli.command.list");
  EXPECT_EQ(tree.list->GetPath(), (Path{"qorcli", "command", "list"}));

  auto loose = Namespace::New();
  auto inner = loose->SubNamespace("inner");
  const std::string noParent =
      "Invalid state for Namespace Node with the name '' No parent node has been set";
  EXPECT_EQ(ThrownMessage([&] { inner->GetPath(); }), "GetPath: " + noParent);
  EXPECT_EQ(ThrownMessage([&] { inner->GetPathString(' '); }), "GetPathString: " + noParent);
}

// A found node leaves the path as it was; for a word not found the path is consumed up to it.
TEST(Resolution, FindsTheNodeOrNamesTheWordNotFound) {
  Tree tree;
  const std::string notFound = "Unable to find a command or namespace with the name '";
  const struct {
    std::shared_ptr<NamespaceNode> from;
    Path given;
    std::shared_ptr<NamespaceNode> found;
    std::string message;  // empty: found
    Path left;
  } cases[] = {
      {tree.root, {}, nullptr, "", {}},
      {tree.root, {"qorcli", "command", "list"}, tree.list, "", {"qorcli", "command", "list"}},
      {tree.qorcli, {"command", "list"}, tree.list, "", {"command", "list"}},
      {tree.root, {"ns", "cmd"}, tree.cmd, "", {"ns", "cmd"}},
      {tree.root, {"nosuch"}, nullptr, notFound + "nosuch' in namespace ", {}},
      {tree.root,
       {"qorcli", "command", "nosuch", "more", "words"},
       nullptr,
       notFound + "nosuch' in namespace qorcli command",
       {"more", "words"}},
      {tree.root,
       {"qorcli", "command", "list", "x"},
       nullptr,
       notFound + "x' in namespace qorcli command list",
       {}},
      {tree.root,
       {"ns", "cmd", "extra", "more"},
       nullptr,
       "Unable to find a namespace or command with the name 'extra more' on the command 'ns cmd" +
           std::string(kNoChildren),
       {"extra", "more"}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.given));
    Path path = c.given;
    if (c.message.empty()) {
      EXPECT_EQ(c.from->ResolveNode(path), c.found);
    } else {
      EXPECT_EQ(ThrownMessage([&] { c.from->ResolveNode(path); }), c.message);
    }
    EXPECT_EQ(path, c.left);
  }
}

TEST(DispatcherLookup, ForwardsToTheRootOrFailsAtTheFirstNodeWithoutParent) {
  Tree tree;
  EXPECT_EQ(tree.list->GetDispatcher(), kDispatcher);
  EXPECT_EQ(tree.cmd->GetDispatcher(), kDispatcher);
  const std::string tail = "no parent has been set while attempting to get dispathcer reference.";
  const std::string command = "Invalid state for command with name '";
  EXPECT_EQ(ThrownMessage([&] { Namespace::New()->GetDispatcher(); }),
            "Invalid state for namespace '" + tail);
  EXPECT_EQ(ThrownMessage([] { std::make_shared<TestCommand>()->GetDispatcher(); }),
            command + "'. No parent node has been set.");
  // Once the root is gone, "qorcli" has lost its parent and answers for its subtree, and the
  // command has lost "ns" with it.
  tree.root.reset();
  EXPECT_EQ(tree.qorcli->GetParent(), nullptr);
  EXPECT_EQ(ThrownMessage([&] { tree.list->GetDispatcher(); }),
            "Invalid state for namespace 'qorcli" + tail);
  EXPECT_EQ(ThrownMessage([&] { tree.cmd->GetDispatcher(); }),
            command + "cmd'. No parent node has been set.");
}

TEST(CommandTreeNode, RefusesChildren) {
  Tree tree;
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
  Tree tree;
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
      {setRoot(MetaString::New("x"), "no such nic"), false, {"no such nic"}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(&c - cases);
    Tree tree;
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
