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
  EXPECT_EQ(dispatcher.GetFormatter("TABLE"), nullptr);
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
      {list,
       {{"command-filter", "a"}, {"command-filter", "b"}},
       {"Found multiple values for command-filter this parameter can only accept a single "
        "value."}},
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
  EXPECT_EQ(settings.GetParameters(), (std::map<std::string, std::string>{
                                          {"fields:QorCliCommand", "Namespace,Command,Description"},
                                          {"wrap-last", "true"}}));
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
  EXPECT_EQ(FormatterNames(dispatcher), (Names{"avian", "commandhelp", "json", "python", "simple",
                                               "table", "xml", "zebra"}));
  DisplayContext display;
  FormatParameters zebra;
  zebra.SetFormatter("zebra");
  std::ostringstream rendered;
  EXPECT_TRUE(dispatcher.FormatOutput(Output::New(), zebra, display, rendered));
  EXPECT_EQ(rendered.str(), "marker:zebra");
}

}  // namespace
