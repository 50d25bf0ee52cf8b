// The built-in listing command: row order across nested namespaces and the filters.
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dispatch_test_helpers.h"
#include "tarnek/tarnek.h"

namespace {

using namespace Tarnek::AutoCli;
using namespace Tarnek::CallSpec;
using dispatch_test::ListCommands;
using dispatch_test::Params;
using dispatch_test::Row;
using Rows = std::vector<Row>;

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
  const auto run = dispatch_test::Execute(dispatcher, {"b", "lista"});
  ASSERT_TRUE(run.ok) << ::testing::PrintToString(run.output->GetErrors());
  EXPECT_EQ(dispatch_test::Rows(*run.output), (Rows{kAkc, kAm, kAz}));
}

}  // namespace
