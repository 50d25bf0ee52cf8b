// The dispatcher on its own: the built-in plug-in, command lookup and execution, default
// format settings, rendering, and plug-in objects registered directly.
#include <list>
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
using dispatch_test::Params;
using Names = std::vector<std::string>;

Names FormatterNames(Dispatcher& dispatcher) {
  Names names;
  for (const auto& formatter : dispatcher.GetFormatters()) names.push_back(formatter->GetName());
  return names;
}

TEST(FreshDispatcher, HoldsOnlyTheInternalPluginAndItsFormatters) {
  Dispatcher dispatcher;
  EXPECT_EQ(dispatcher.GetPluginNames(), Names{"Internal"});
  EXPECT_EQ(FormatterNames(dispatcher),
            (Names{"commandhelp", "json", "python", "simple", "table", "xml"}));
  EXPECT_TRUE(dispatcher.HasFormatter("json"));
  EXPECT_FALSE(dispatcher.HasFormatter("JSON"));
  EXPECT_EQ(dispatcher.GetFormatter("TABLE"), nullptr);
}

TEST(FreshDispatcher, TreeIsQorcliCommandList) {
  Dispatcher dispatcher;
  const auto root = dispatcher.GetRootNamespace();
  EXPECT_EQ(root->GetDispatcher(), &dispatcher);
  ASSERT_EQ(root->GetNamespaceNodeNames(), Names{"qorcli"});
  const auto qorcli = root->GetNamespaceNode("qorcli");
  EXPECT_EQ(qorcli->GetType(), NamespaceNodeType::Namespace);
  EXPECT_EQ(qorcli->GetDescription(),
            "Commands that operate on the qorcli system itself allowing users to get additional "
            "information.");
  ASSERT_EQ(qorcli->GetNamespaceNodeNames(), Names{"command"});
  const auto command = qorcli->GetNamespaceNode("command");
  EXPECT_EQ(command->GetDescription(), "Operations to get information about commands.");
  ASSERT_EQ(command->GetNamespaceNodeNames(), Names{"list"});
  const auto list = command->GetNamespaceNode("list");
  EXPECT_EQ(list->GetType(), NamespaceNodeType::Command);
  EXPECT_EQ(list->GetDescription(), "List all of the qorcli commands.");
  EXPECT_EQ(list->GetDispatcher(), &dispatcher);
}

// Every way a call through ExecuteCommand can fail, plus the inputs that must get through.
TEST(ExecuteCommand, ReportsEachFailureAsMessagesAndRunsOnlyValidInput) {
  const std::list<std::string> list = {"qorcli", "command", "list"};
  struct Case {
    const char* what;
    std::list<std::string> path;
    Params params;
    Names errors;
  } cases[] = {
      {"empty path", {}, {}, {"Unable to find command"}},
      {"namespace", {"qorcli"}, {}, {"Path refers to a namespace, not a command."}},
      {"inner namespace",
       {"qorcli", "command"},
       {},
       {"Path refers to a namespace, not a command."}},
      {"unknown word",
       {"qorcli", "nosuch"},
       {},
       {"Unable to find a command or namespace with the name 'nosuch' in namespace qorcli",
        "Unable to find command"}},
      {"word after the command",
       {"qorcli", "command", "list", "extra"},
       {},
       {"Unable to find a namespace or command with the name 'extra' on the command 'qorcli "
        "command list'. Commands cannot have sub-commands or sub-namespaces.",
        "Unable to find command"}},
      {"undeclared parameters, all reported",
       list,
       {{"bogus", "1"}, {"zz", ""}},
       {"Unknown parameter : bogus", "Unknown parameter : zz"}},
      {"single-valued parameter given twice",
       list,
       {{"command-filter", "a"}, {"command-filter", "b"}},
       {"Found multiple values for command-filter this parameter can only accept a single "
        "value."}},
      {"short name folded into the long name", list, {{"c", "list"}}, {}},
      {"help gets past validation", list, {{"help", ""}, {"bogus", "1"}}, {}},
      {"plain call", list, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Dispatcher dispatcher;
    const auto run = Execute(dispatcher, c.path, c.params);
    EXPECT_EQ(run.output->GetErrors(), c.errors);
    EXPECT_EQ(run.ok, c.errors.empty());
    // A refused call never reaches the command, so nothing is produced.
    EXPECT_EQ(run.output->GetRootObject() != nullptr, run.ok);
  }
}

TEST(DefaultFormatParameters, AreTheCommandsOwnOrEmptyWithTheLookupErrors) {
  Dispatcher dispatcher;
  auto input = CommandInput::New();
  input->SetCommandPath({"qorcli", "command", "list"});
  auto output = CommandOutput::New();
  const FormatParameters settings = dispatcher.GetDefaultOutputFormatParameters(input, output);
  EXPECT_EQ(settings.GetFormatter(), "table");
  const std::map<std::string, std::string> expected = {
      {"fields:QorCliCommand", "Namespace,Command,Description"}, {"wrap-last", "true"}};
  EXPECT_EQ(settings.GetParameters(), expected);
  EXPECT_FALSE(output->HasError());

  input->SetCommandPath({"qorcli"});
  const FormatParameters none = dispatcher.GetDefaultOutputFormatParameters(input, output);
  EXPECT_EQ(none.GetFormatter(), "");
  EXPECT_TRUE(none.GetParameters().empty());
  EXPECT_EQ(output->GetErrors(), Names{"Path refers to a namespace, not a command."});
}

TEST(FormatOutput, WithoutAUsableNameWritesNothing) {
  Dispatcher dispatcher;
  const auto run = Execute(dispatcher, {"qorcli", "command", "list"});
  ASSERT_TRUE(run.ok);
  DisplayContext display;

  FormatParameters unnamed;
  std::ostringstream nothing;
  EXPECT_TRUE(dispatcher.FormatOutput(run.output, unnamed, display, nothing));
  EXPECT_EQ(nothing.str(), "");
  EXPECT_FALSE(run.output->HasError());

  FormatParameters unknown;
  unknown.SetFormatter("nosuch");
  std::ostringstream refused;
  EXPECT_FALSE(dispatcher.FormatOutput(run.output, unknown, display, refused));
  EXPECT_EQ(refused.str(), "");
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

class AnswerCommand : public Command {
 public:
  std::shared_ptr<InputSpec> GetInputSpecInternal() override { return InputSpec::New(); }
  std::shared_ptr<OutputSpec> GetOutputSpecInternal() override {
    auto declared = OutputSpec::New();
    declared->SetRootObject(Tarnek::MetaObj::MetaInt::New(0L));
    return declared;
  }
  void ExecuteInternal(const std::shared_ptr<Input>&,
                       const std::shared_ptr<Output>& output) override {
    output->SetRootObject(Tarnek::MetaObj::MetaInt::New(42L));
  }
};

// A plug-in object built in the test: a namespace with one command, and the formatters it is
// given. `disowned` names formatters it lists but then denies having.
class FakePlugin : public Plugin {
 public:
  FakePlugin(std::string pluginName, std::string namespaceName, const Names& formatterNames,
             Names disowned = {})
      : name(std::move(pluginName)), ns(std::move(namespaceName)), denied(std::move(disowned)) {
    for (const auto& formatter : formatterNames)
      formatters.push_back(std::make_shared<MarkerFormatter>(formatter));
  }
  void Initialize() override {}
  const std::string& GetName() const override { return name; }
  void RegisterNamespaces(std::shared_ptr<Namespace> root) override {
    if (ns.empty()) return;
    root->SubNamespace(ns)->RegisterNamespaceNode(std::make_shared<AnswerCommand>(), "answer");
  }
  bool HasFormatter(const std::string& formatter) override {
    for (const auto& d : denied)
      if (d == formatter) return false;
    return GetFormatter(formatter) != nullptr;
  }
  std::shared_ptr<Formatter> GetFormatter(const std::string& formatter) override {
    for (const auto& f : formatters)
      if (f->GetName() == formatter) return f;
    return nullptr;
  }
  const std::vector<std::shared_ptr<Formatter>>& GetFormatters() override { return formatters; }

 private:
  std::string name;
  std::string ns;
  Names denied;
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

  const auto run = Execute(dispatcher, {"tables", "answer"});
  EXPECT_TRUE(run.ok);
  EXPECT_EQ(run.output->GetRootObject()->ToString(), "42");
}

TEST(RegisterPlugin, AddsFormattersInNameOrderAndAsksTheOwnerForThem) {
  Dispatcher dispatcher;
  dispatcher.RegisterPlugin(
      std::make_shared<FakePlugin>("Extra", "", Names{"zebra", "ghost"}, Names{"ghost"}));
  // Plug-in names need not be unique.
  dispatcher.RegisterPlugin(std::make_shared<FakePlugin>("Extra", "", Names{}));
  EXPECT_EQ(dispatcher.GetPluginNames(), (Names{"Internal", "Extra", "Extra"}));
  EXPECT_EQ(FormatterNames(dispatcher).back(), "zebra");

  auto output = Output::New();
  DisplayContext display;
  FormatParameters zebra;
  zebra.SetFormatter("zebra");
  std::ostringstream rendered;
  EXPECT_TRUE(dispatcher.FormatOutput(output, zebra, display, rendered));
  EXPECT_EQ(rendered.str(), "marker:zebra");

  // Registered under its name, but its owner denies having it.
  EXPECT_FALSE(dispatcher.HasFormatter("ghost"));
  EXPECT_EQ(dispatcher.GetFormatter("ghost"), nullptr);
  FormatParameters ghost;
  ghost.SetFormatter("ghost");
  EXPECT_FALSE(dispatcher.FormatOutput(output, ghost, display, rendered));
  EXPECT_EQ(output->GetErrors(), Names{"Unable to find requested formatter: ghost"});
}

}  // namespace
