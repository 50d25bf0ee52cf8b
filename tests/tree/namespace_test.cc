// The namespace tree: the name rule, registration, resolution, paths and dispatcher lookup.
#include <list>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "../common/test_util.h"
#include "tarnek/autocli/tree.h"

namespace {

using Tarnek::TarnekException;
using namespace Tarnek::AutoCli;

using Names = std::vector<std::string>;
using Path = std::list<std::string>;

// The tree never dereferences its dispatcher, so any distinct address will do.
int dispatcherStandIn;
Dispatcher* const kDispatcher = reinterpret_cast<Dispatcher*>(&dispatcherStandIn);

TEST(NameRule, MatchesWholeNameOfCamelRuns) {
  const std::pair<const char*, bool> cases[] = {
      {"", false},     {"a", true},    {"A", false},       {"aB", true},
      {"aBC", false},  {"aBcD", true}, {"a9Z", true},      {"9", true},
      {"ab-c", false}, {"ipX", true},  {"getABC", false},  {"ip.addr", false},
      {"nfs4", true},  {"nic0", true}, {"ip_addr", false}, {"network ", false},
  };
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
  EXPECT_EQ(root->SubNamespace("new")->GetName(), "new");
  EXPECT_EQ(root->GetNamespaceNodeNames().size(), 7u);
}

TEST(Registration, ReportsDuplicateThenNullNodeThenInvalidName) {
  auto root = RootNamespace::New(kDispatcher);
  auto network = root->SubNamespace("network");
  auto nic = network->SubNamespace(std::string("nic"));
  nic->SubNamespace("list");

  const std::shared_ptr<NamespaceNode> none;
  auto fresh = Namespace::New();
  struct Case {
    std::shared_ptr<NamespaceNode> parent, node;
    const char* name;
    const char* message;
  };
  const Case cases[] = {
      {nic, fresh, "list",
       "Duplicate registration in namespace network nic attempt to register two objects with "
       "name list"},
      {root, none, "network",
       "Duplicate registration in namespace  attempt to register two objects with name network"},
      {root, none, "Bad_Name", "Null namespace node named 'Bad_Name' passed to namespace "},
      {nic, fresh, "Bad_Name",
       "Invalid name for namespace 'Bad_Name', must be a name consisting of letters and numbers "
       "and must conform to 'camel' casing."},
  };
  for (const Case& c : cases) {
    const Names before = c.parent->GetNamespaceNodeNames();
    EXPECT_EQ(ThrownMessage([&] { c.parent->RegisterNamespaceNode(c.node, c.name); }), c.message);
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
  const std::string message = "Error, Root namespace cannot be assigned a parent node";
  EXPECT_EQ(ThrownMessage([&] { root->SetParent(Namespace::New()); }), message);
  EXPECT_EQ(ThrownMessage([&] { root->RegisterNamespaceNode(other, "sub"); }), message);
  EXPECT_FALSE(root->HasNamespaceNode("sub"));
  EXPECT_EQ(other->GetParent(), nullptr);
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
  Path full{"qorcli", "command", "list"};
  EXPECT_EQ(tree.root->ResolveNode(full), tree.list);
  EXPECT_EQ(full, (Path{"qorcli", "command", "list"}));
  Path below{"command", "list"};
  EXPECT_EQ(tree.qorcli->ResolveNode(below), tree.list);
  EXPECT_EQ(below, (Path{"command", "list"}));
}

TEST(Resolution, FailureNamesTheWordAndConsumesUpToIt) {
  SmallTree tree;
  const std::string notFound = "Unable to find a command or namespace with the name '";
  const std::tuple<Path, std::string, Path> cases[] = {
      {{"nosuch"}, "nosuch' in namespace ", {}},
      {{"qorcli", "command", "nosuch", "more", "words"},
       "nosuch' in namespace qorcli command",
       {"more", "words"}},
      {{"qorcli", "command", "list", "x"}, "x' in namespace qorcli command list", {}},
  };
  for (const auto& [given, message, left] : cases) {
    Path path = given;
    EXPECT_EQ(ThrownMessage([&] { tree.root->ResolveNode(path); }), notFound + message);
    EXPECT_EQ(path, left) << message;
  }
}

TEST(Paths, JoinNamesBelowTheRootOrFailWhenDetached) {
  SmallTree tree;
  EXPECT_EQ(tree.root->GetPathString('.'), "");
  EXPECT_TRUE(tree.root->GetPath().empty());
  EXPECT_EQ(tree.qorcli->GetPathString('.'), "qorcli");
  EXPECT_EQ(tree.list->GetPathString('.'), "qorcli.command.list");
  EXPECT_EQ(tree.list->GetPath(), (Path{"qorcli", "command", "list"}));

  auto loose = Namespace::New();
  auto inner = loose->SubNamespace("inner");
  const std::string noParent =
      "Invalid state for Namespace Node with the name '' No parent node has been set";
  EXPECT_EQ(ThrownMessage([&] { inner->GetPath(); }), "GetPath: " + noParent);
  EXPECT_EQ(ThrownMessage([&] { inner->GetPathString(' '); }), "GetPathString: " + noParent);
}

TEST(DispatcherLookup, ForwardsToTheRootOrFailsAtTheFirstNodeWithoutParent) {
  SmallTree tree;
  EXPECT_EQ(tree.list->GetDispatcher(), kDispatcher);

  const std::string tail = "no parent has been set while attempting to get dispathcer reference.";
  EXPECT_EQ(ThrownMessage([&] { Namespace::New()->GetDispatcher(); }),
            "Invalid state for namespace '" + tail);
  // Once the root is gone, "qorcli" has lost its parent and answers for its subtree.
  auto qorcli = tree.qorcli;
  auto list = tree.list;
  tree.root.reset();
  EXPECT_EQ(qorcli->GetParent(), nullptr);
  EXPECT_EQ(ThrownMessage([&] { list->GetDispatcher(); }),
            "Invalid state for namespace 'qorcli" + tail);
}

}  // namespace
