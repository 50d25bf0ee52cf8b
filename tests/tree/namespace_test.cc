// The namespace tree: the name rule, registration, resolution, paths and dispatcher lookup.
#include <functional>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tarnek/autocli/tree.h"

namespace {

using Tarnek::TarnekException;
using namespace Tarnek::AutoCli;

using Names = std::vector<std::string>;
using Path = std::list<std::string>;

// The tree never dereferences its dispatcher, so any distinct address will do.
int dispatcherStandIn;
Dispatcher* const kDispatcher = reinterpret_cast<Dispatcher*>(&dispatcherStandIn);

void ExpectThrowMessage(const std::function<void()>& action, const std::string& message) {
  try {
    action();
    ADD_FAILURE() << "no exception, expected: " << message;
  } catch (const TarnekException& e) {
    EXPECT_EQ(e.what(), message);
  }
}

TEST(NameRule, MatchesWholeNameOfCamelRuns) {
  struct Case {
    const char* name;
    bool valid;
  };
  const Case cases[] = {
      {"", false},     {"a", true},    {"A", false},       {"aB", true},
      {"aBC", false},  {"aBcD", true}, {"a9Z", true},      {"9", true},
      {"ab-c", false}, {"ipX", true},  {"getABC", false},  {"ip.addr", false},
      {"nfs4", true},  {"nic0", true}, {"ip_addr", false}, {"network ", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(AutoCli_IsValidName(c.name), c.valid) << '"' << c.name << '"';
  }
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
  EXPECT_TRUE(root->HasNamespaceNode("zeta"));
  EXPECT_FALSE(root->HasNamespaceNode("Zeta"));
}

TEST(Registration, ReportsDuplicateThenNullNodeThenInvalidName) {
  auto root = RootNamespace::New(kDispatcher);
  auto network = Namespace::New();
  root->RegisterNamespaceNode(network, "network");
  auto nic = Namespace::New();
  network->RegisterNamespaceNode(nic, std::string("nic"));
  auto nicList = Namespace::New();
  nic->RegisterNamespaceNode(nicList, "list");

  const std::shared_ptr<NamespaceNode> none;
  auto fresh = Namespace::New();
  struct Case {
    std::shared_ptr<NamespaceNode> parent;
    std::shared_ptr<NamespaceNode> node;
    const char* name;
    const char* message;
  };
  const Case cases[] = {
      {root, fresh, "network",
       "Duplicate registration in namespace  attempt to register two objects with name network"},
      {nic, fresh, "list",
       "Duplicate registration in namespace network nic attempt to register two objects with "
       "name list"},
      {root, none, "network",
       "Duplicate registration in namespace  attempt to register two objects with name network"},
      {root, none, "Bad_Name", "Null namespace node named 'Bad_Name' passed to namespace "},
      {nic, none, "x", "Null namespace node named 'x' passed to namespace network nic"},
      {nic, fresh, "Bad_Name",
       "Invalid name for namespace 'Bad_Name', must be a name consisting of letters and numbers "
       "and must conform to 'camel' casing."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    const Names before = c.parent->GetNamespaceNodeNames();
    ExpectThrowMessage([&] { c.parent->RegisterNamespaceNode(c.node, c.name); }, c.message);
    EXPECT_EQ(c.parent->GetNamespaceNodeNames(), before);
  }
  // The refused node was neither named nor attached.
  EXPECT_EQ(fresh->GetName(), "");
  EXPECT_EQ(fresh->GetParent(), nullptr);
  EXPECT_EQ(root->GetNamespaceNode("network"), network);
}

TEST(Registration, RootCannotBecomeAChild) {
  auto root = RootNamespace::New(kDispatcher);
  auto other = RootNamespace::New(kDispatcher);
  ExpectThrowMessage([&] { root->SetParent(Namespace::New()); },
                     "Error, Root namespace cannot be assigned a parent node");
  ExpectThrowMessage([&] { root->RegisterNamespaceNode(other, "sub"); },
                     "Error, Root namespace cannot be assigned a parent node");
  EXPECT_FALSE(root->HasNamespaceNode("sub"));
  EXPECT_EQ(other->GetParent(), nullptr);
}

// A namespace that refuses one name, to show which operations go through the virtual
// string overload.
class GuardedNamespace : public Namespace {
 public:
  using NamespaceNode::RegisterNamespaceNode;
  void RegisterNamespaceNode(std::shared_ptr<NamespaceNode> node, std::string name) override {
    ++calls;
    if (name == "forbidden") throw TarnekException("guarded");
    Namespace::RegisterNamespaceNode(std::move(node), std::move(name));
  }
  int calls = 0;
};

TEST(Registration, CharOverloadAndSubNamespaceGoThroughTheVirtualOverload) {
  auto guarded = std::make_shared<GuardedNamespace>();
  std::shared_ptr<NamespaceNode> asNode = guarded;
  asNode->RegisterNamespaceNode(Namespace::New(), "plain");
  ExpectThrowMessage([&] { asNode->RegisterNamespaceNode(Namespace::New(), "forbidden"); },
                     "guarded");
  ExpectThrowMessage([&] { asNode->SubNamespace("forbidden"); }, "guarded");
  EXPECT_EQ(guarded->calls, 3);
  EXPECT_EQ(guarded->GetNamespaceNodeNames(), (Names{"plain"}));
}

TEST(SubNamespace, CreatesOnceAndReturnsExistingChildOfAnyKind) {
  auto root = RootNamespace::New(kDispatcher);
  const auto first = root->SubNamespace("x");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->GetType(), NamespaceNodeType::Namespace);
  EXPECT_EQ(first->GetName(), "x");
  EXPECT_EQ(root->SubNamespace("x"), first);
  EXPECT_EQ(root->GetNamespaceNodeNames(), (Names{"x"}));
  EXPECT_THROW(root->SubNamespace("Bad"), TarnekException);
  EXPECT_FALSE(root->HasNamespaceNode("Bad"));
}

// root > qorcli > command > list, with "list" a namespace (commands are covered elsewhere).
struct SmallTree {
  std::shared_ptr<RootNamespace> root = RootNamespace::New(kDispatcher);
  std::shared_ptr<NamespaceNode> qorcli = root->SubNamespace("qorcli");
  std::shared_ptr<NamespaceNode> command = qorcli->SubNamespace("command");
  std::shared_ptr<NamespaceNode> list = command->SubNamespace("list");
};

TEST(Resolution, SuccessReturnsTheNodeAndRestoresThePath) {
  SmallTree tree;
  Path empty;
  EXPECT_EQ(tree.root->ResolveNode(empty), nullptr);
  EXPECT_TRUE(empty.empty());

  Path full{"qorcli", "command", "list"};
  EXPECT_EQ(tree.root->ResolveNode(full), tree.list);
  EXPECT_EQ(full, (Path{"qorcli", "command", "list"}));

  Path below{"command", "list"};
  EXPECT_EQ(tree.qorcli->ResolveNode(below), tree.list);
  EXPECT_EQ(below, (Path{"command", "list"}));
}

TEST(Resolution, FailureNamesTheWordAndConsumesUpToIt) {
  SmallTree tree;
  struct Case {
    Path path;
    const char* message;
    Path left;
  };
  const Case cases[] = {
      {{"nosuch"},
       "Unable to find a command or namespace with the name 'nosuch' in namespace ",
       {}},
      {{"qorcli", "nosuch"},
       "Unable to find a command or namespace with the name 'nosuch' in namespace qorcli",
       {}},
      {{"qorcli", "command", "nosuch", "more", "words"},
       "Unable to find a command or namespace with the name 'nosuch' in namespace qorcli command",
       {"more", "words"}},
      {{"qorcli", "command", "list", "x"},
       "Unable to find a command or namespace with the name 'x' in namespace qorcli command list",
       {}},
  };
  for (const Case& c : cases) {
    Path path = c.path;
    ExpectThrowMessage([&] { tree.root->ResolveNode(path); }, c.message);
    EXPECT_EQ(path, c.left) << c.message;
  }
}

TEST(Paths, JoinNamesBelowTheRootWithTheSeparator) {
  SmallTree tree;
  EXPECT_EQ(tree.root->GetPathString('.'), "");
  EXPECT_TRUE(tree.root->GetPath().empty());
  EXPECT_EQ(tree.qorcli->GetPathString('.'), "qorcli");
  EXPECT_EQ(tree.command->GetPathString('.'), "qorcli.command");
  EXPECT_EQ(tree.list->GetPathString('.'), "qorcli.command.list");
  EXPECT_EQ(tree.list->GetPathString(' '), "qorcli command list");
  EXPECT_EQ(tree.list->GetPath(), (Path{"qorcli", "command", "list"}));
}

TEST(Paths, DetachedNodeHasNoPath) {
  auto loose = Namespace::New();
  auto inner = Namespace::New();
  loose->RegisterNamespaceNode(inner, "inner");
  ExpectThrowMessage([&] { inner->GetPath(); },
                     "GetPath: Invalid state for Namespace Node with the name '' No parent node "
                     "has been set");
  ExpectThrowMessage([&] { inner->GetPathString(' '); },
                     "GetPathString: Invalid state for Namespace Node with the name '' No parent "
                     "node has been set");
}

TEST(DispatcherLookup, EveryNodeBelowTheRootForwardsToIt) {
  SmallTree tree;
  EXPECT_EQ(tree.root->GetDispatcher(), kDispatcher);
  EXPECT_EQ(tree.list->GetDispatcher(), kDispatcher);
  EXPECT_EQ(tree.root->GetType(), NamespaceNodeType::Root);
  EXPECT_EQ(tree.root->GetParent(), nullptr);
}

TEST(DispatcherLookup, DetachedChainFailsAtTheFirstNodeWithoutParent) {
  const std::string tail = "no parent has been set while attempting to get dispathcer reference.";
  auto never = Namespace::New();
  ExpectThrowMessage([&] { never->GetDispatcher(); }, "Invalid state for namespace '" + tail);

  // Once the root is gone, "qorcli" has lost its parent and answers for its subtree.
  SmallTree tree;
  auto qorcli = tree.qorcli;
  auto list = tree.list;
  tree.root.reset();
  EXPECT_EQ(qorcli->GetParent(), nullptr);
  ExpectThrowMessage([&] { list->GetDispatcher(); }, "Invalid state for namespace 'qorcli" + tail);
}

}  // namespace
