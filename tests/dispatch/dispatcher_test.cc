// The dispatcher on its own: command lookup and execution, the built-in listing command, default
// format settings, rendering, and plug-in objects registered directly.
#include <list>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "../common/test_util.h"
#include "dispatch_test_helpers.h"
#include "tarnek/tarnek.h"

namespace {

using namespace Tarnek::AutoCli;
using namespace Tarnek::CallSpec;
using dispatch_test::Execute;
using dispatch_test::ListCommands;
using dispatch_test::Params;
using dispatch_test::Row;
using Names = std::vector<std::string>;
using Rows = std::vector<Row>;

Names FormatterNames(Dispatcher& dispatcher) {
  Names names;
  for (const auto& formatter : dispatcher.GetFormatters()) names.push_back(formatter->GetName());
  return names;
}

// Every way a call through ExecuteCommand can fail, plus the inputs that must get through.
TEST(ExecuteCommand, ReportsEachFailureAsMessagesAndRunsOnlyValidInput) {
  const std::list<std::string> list = {"qorcli", "command", "list"};
  const std::tuple<std::list<std::string>, Params, Names> cases[] = {
      {{}, {}, {"Unable to find command"}},
      {{"qorcli", "command"}, {}, {"Path refers to a namespace, not a command."}},
      {{"qorcli", "nosuch"},
       {},
       {"Unable to find a command or namespace with the name 'nosuch' in namespace qorcli",
        "Unable to find command"}},
      {{"qorcli", "command", "list", "extra"},
       {},
       {"Unable to find a namespace or command with the name 'extra' on the command 'qorcli "
        "command list'. Commands cannot have sub-commands or sub-namespaces.",
        "Unable to find command"}},
      {list,  // all undeclared parameters are reported
       {{"bogus", "1"}, {"zz", ""}},
       {"Unknown parameter : bogus", "Unknown parameter : zz"}},
      {list, {{"c", "list"}}, {}},                 // short name folded into the long name
      {list, {{"help", ""}, {"bogus", "1"}}, {}},  // help gets past validation
  };
  for (const auto& [path, params, errors] : cases) {
    SCOPED_TRACE(::testing::PrintToString(path) + ::testing::PrintToString(params));
    Dispatcher dispatcher;
    const auto run = Execute(dispatcher, path, params);
    EXPECT_EQ(run.output->GetErrors(), errors);
    EXPECT_EQ(run.ok, errors.empty());
    // A refused call never reaches the command, so nothing is produced.
    EXPECT_EQ(run.output->GetRootObject() != nullptr, run.ok);
  }
}

TEST(Dispatcher, DefaultFormatParametersAreTheCommandsOwnOrEmpty) {
  Dispatcher dispatcher;
  auto input = CommandInput::New();
  input->SetCommandPath({"qorcli", "command", "list"});
  auto output = CommandOutput::New();
  const FormatParameters settings = dispatcher.GetDefaultOutputFormatParameters(input, output);
  EXPECT_EQ(settings.GetFormatter(), "table");
  EXPECT_EQ(settings.GetParameters(),
            (std::map<std::string, std::string>{
                {"fields:QorCliCommand", "Namespace,Command,Description"}, {"wrap-last", "true"}}));
  input->SetCommandPath({"qorcli"});
  const FormatParameters none = dispatcher.GetDefaultOutputFormatParameters(input, output);
  EXPECT_EQ(none.GetFormatter(), "");
  EXPECT_TRUE(none.GetParameters().empty());
  EXPECT_EQ(output->GetErrors(), Names{"Path refers to a namespace, not a command."});
}

TEST(Dispatcher, FormatOutputWithoutAUsableNameWritesNothing) {
  Dispatcher dispatcher;
  const auto run = Execute(dispatcher, {"qorcli", "command", "list"});
  DisplayContext display;
  FormatParameters format;
  std::ostringstream out;
  EXPECT_TRUE(dispatcher.FormatOutput(run.output, format, display, out));
  EXPECT_FALSE(run.output->HasError());
  format.SetFormatter("nosuch");
  EXPECT_FALSE(dispatcher.FormatOutput(run.output, format, display, out));
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(run.output->GetErrors(), Names{"Unable to find requested formatter: nosuch"});
}

// Writes a marker, so that a test can tell which "same-named" formatter ran.
class MarkerFormatter : public Formatter {
 public:
  explicit MarkerFormatter(const std::string& name) : Formatter(name) {}
  bool Format(const std::shared_ptr<Output>&, FormatParameters&, DisplayContext&,
              std::ostream& out) override {
    out << "marker:" << GetName();
    return true;
  }
};

// A plug-in object built in the test: a listing command "answer" in namespace `ns`, and
// formatters.
class FakePlugin : public Plugin {
 public:
  FakePlugin(std::string pluginName, std::string namespaceName, const Names& formatterNames)
      : name(std::move(pluginName)), ns(std::move(namespaceName)) {
    for (const auto& formatter : formatterNames)
      formatters.push_back(std::make_shared<MarkerFormatter>(formatter));
  }
  void Initialize() override {}
  const std::string& GetName() const override { return name; }
  void RegisterNamespaces(std::shared_ptr<Namespace> root) override {
    if (!ns.empty())
      root->SubNamespace(ns)->RegisterNamespaceNode(CommandList::New(root), "answer");
  }
  bool HasFormatter(const std::string& formatter) override {
    return GetFormatter(formatter) != nullptr;
  }
  std::shared_ptr<Formatter> GetFormatter(const std::string& formatter) override {
    for (const auto& f : formatters)
      if (f->GetName() == formatter) return f;
    return nullptr;
  }
  const std::vector<std::shared_ptr<Formatter>>& GetFormatters() override { return formatters; }

 private:
  std::string name, ns;
  std::vector<std::shared_ptr<Formatter>> formatters;
};

TEST(RegisterPlugin, FormatterNameConflictRegistersNoFormatterButKeepsCommands) {
  Dispatcher dispatcher;
  const auto internalTable = dispatcher.GetFormatter("table");
  // "aaa" is new and sorts first: it must not slip in before the conflict is found.
  auto conflicting = std::make_shared<FakePlugin>("Tables", "tables", Names{"aaa", "table"});
  EXPECT_EQ(ThrownMessage([&] { dispatcher.RegisterPlugin(conflicting); }),
            "Error while trying to register the plugin Tables  this plugin has a formatter table "
            "that was already registered from the plugin Internal  The functionality in Tables "
            "will not be available until this issue is resolved.");
  EXPECT_EQ(dispatcher.GetPluginNames(), Names{"Internal"});
  EXPECT_FALSE(dispatcher.HasFormatter("aaa"));
  EXPECT_EQ(dispatcher.GetFormatter("table"), internalTable);
  EXPECT_TRUE(Execute(dispatcher, {"tables", "answer"}).ok);
}

TEST(RegisterPlugin, AddsFormattersInNameOrderAndRendersWithThem) {
  Dispatcher dispatcher;
  dispatcher.RegisterPlugin(std::make_shared<FakePlugin>("Extra", "", Names{"zebra", "avian"}));
  dispatcher.RegisterPlugin(std::make_shared<FakePlugin>("Extra", "", Names{}));  // not unique
  EXPECT_EQ(dispatcher.GetPluginNames(), (Names{"Internal", "Extra", "Extra"}));
  EXPECT_EQ(FormatterNames(dispatcher),
            (Names{"avian", "commandhelp", "json", "python", "simple", "table", "xml", "zebra"}));
  EXPECT_TRUE(dispatcher.HasFormatter("json"));
  EXPECT_EQ(dispatcher.GetFormatter("TABLE"), nullptr);
  DisplayContext display;
  FormatParameters zebra;
  zebra.SetFormatter("zebra");
  std::ostringstream rendered;
  EXPECT_TRUE(dispatcher.FormatOutput(Output::New(), zebra, display, rendered));
  EXPECT_EQ(rendered.str(), "marker:zebra");
}

// ---- the built-in listing command ----

class NoopCommand : public Command {
 public:
  explicit NoopCommand(const char* description) { SetDescription(description); }
  std::shared_ptr<InputSpec> GetInputSpecInternal() override { return InputSpec::New(); }
  std::shared_ptr<OutputSpec> GetOutputSpecInternal() override { return OutputSpec::New(); }
  void ExecuteInternal(const std::shared_ptr<Input>&, const std::shared_ptr<Output>&) override {}
};

// Below the root: a (m, z, k > c), b (y), and the command r directly in the root. Registered
// out of order, so that only the tree's name order can produce the expected rows.
void BuildTree(Dispatcher& dispatcher) {
  const auto add = [](const std::shared_ptr<NamespaceNode>& ns, const char* name,
                      const char* description) {
    ns->RegisterNamespaceNode(std::make_shared<NoopCommand>(description), name);
  };
  const auto root = dispatcher.GetRootNamespace();
  add(root->SubNamespace("b"), "y", "Yield");
  add(root, "r", "Run at the root");
  const auto a = root->SubNamespace("a");
  add(a, "z", "Zap things");
  add(a, "m", "Make things");
  add(a->SubNamespace("k"), "c", "Count calls");
}

const Row kListRow{"qorcli.command", "list", "List all of the qorcli commands."};
const Row kAkc{"a.k", "c", "Count calls"};
const Row kAm{"a", "m", "Make things"};
const Row kAz{"a", "z", "Zap things"};
const Row kBy{"b", "y", "Yield"};
const Row kR{"", "r", "Run at the root"};

TEST(CommandList, RowsComeDepthFirstInNameOrder) {
  Dispatcher fresh;
  EXPECT_EQ(ListCommands(fresh), Rows{kListRow});
  Dispatcher dispatcher;
  BuildTree(dispatcher);
  // "k" sorts before "m", so the sub-namespace's row comes before a's own commands.
  EXPECT_EQ(ListCommands(dispatcher), (Rows{kAkc, kAm, kAz, kBy, kListRow, kR}));
}

TEST(CommandList, FiltersAreCaseSensitiveSubstringsThatCombine) {
  Dispatcher dispatcher;
  BuildTree(dispatcher);
  const std::pair<Params, Rows> cases[] = {
      {{{"namespace-filter", "qorcli command"}}, {}},  // paths are joined by full stops
      {{{"namespace-filter", "qorcli.command"}}, {kListRow}},
      {{{"namespace-filter", "a"}}, {kAkc, kAm, kAz, kListRow}},
      {{{"command-filter", "LIST"}}, {}},
      {{{"command-filter", "lis"}}, {kListRow}},
      {{{"description-filter", "things"}}, {kAm, kAz}},
      {{{"description-filter", "*"}}, {}},  // no wildcards
      {{{"namespace-filter", ""}, {"command-filter", ""}}, {kAkc, kAm, kAz, kBy, kListRow, kR}},
      {{{"n", "a"}, {"d", "Zap"}}, {kAz}},
      {{{"namespace-filter", "a"}, {"command-filter", "y"}}, {}},
  };
  for (const auto& [filters, rows] : cases) {
    EXPECT_EQ(ListCommands(dispatcher, filters), rows) << ::testing::PrintToString(filters);
  }
}

// A listing of one namespace still shows the full paths from the root.
TEST(CommandList, ListingOfASubtreeKeepsFullPaths) {
  Dispatcher dispatcher;
  BuildTree(dispatcher);
  const auto a = dispatcher.GetRootNamespace()->GetNamespaceNode("a");
  dispatcher.GetRootNamespace()->SubNamespace("b")->RegisterNamespaceNode(
      CommandList::New(std::static_pointer_cast<Namespace>(a)), "lista");
  const auto run = Execute(dispatcher, {"b", "lista"});
  ASSERT_TRUE(run.ok) << ::testing::PrintToString(run.output->GetErrors());
  EXPECT_EQ(dispatch_test::Rows(*run.output), (Rows{kAkc, kAm, kAz}));
}

}  // namespace
