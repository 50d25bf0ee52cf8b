// Namespaces: naming, registration, path building and resolution in the command tree.
#include "tarnek/autocli/tree.h"
#include "tarnek/exception.h"

namespace Tarnek {
namespace AutoCli {

// One or more runs of lower-case letters and digits, each run optionally closed by one capital
// letter or digit. That is: not empty, only letters and digits, no capital first and no two
// capitals in a row. Checked by hand because every node registered passes here, and matching
// the pattern cost more than the rest of registering.
bool AutoCli_IsValidName(const std::string& name) {
  if (name.empty()) return false;
  bool previousCapital = true;  // refuses a capital in first place
  for (const char c : name) {
    const bool capital = c >= 'A' && c <= 'Z';
    if (capital) {
      if (previousCapital) return false;
    } else if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) {
      return false;
    }
    previousCapital = capital;
  }
  return true;
}

// ---- NamespaceNode ----

NamespaceNode::~NamespaceNode() = default;

void NamespaceNode::SetName(const std::string& newName) {
  if (!AutoCli_IsValidName(newName)) {
    throw TarnekException("Invalid name for namespace '" + newName +
                          "', must be a name consisting of letters and numbers and must conform "
                          "to 'camel' casing.");
  }
  name = newName;
}

std::list<std::string> NamespaceNode::GetPath() {
  const std::shared_ptr<NamespaceNode> up = GetParent();
  if (!up) {
    throw TarnekException("GetPath: Invalid state for Namespace Node with the name '" + name +
                          "' No parent node has been set");
  }
  std::list<std::string> path = up->GetPath();
  path.push_back(name);
  return path;
}

std::string NamespaceNode::GetPathString(char separator) {
  const std::shared_ptr<NamespaceNode> up = GetParent();
  if (!up) {
    throw TarnekException("GetPathString: Invalid state for Namespace Node with the name '" +
                          name + "' No parent node has been set");
  }
  std::string path = up->GetPathString(separator);
  if (!path.empty()) path += separator;
  path += name;
  return path;
}

bool NamespaceNode::HasNamespaceNode(const std::string& childName) {
  return children.count(childName) != 0;
}

std::vector<std::string> NamespaceNode::GetNamespaceNodeNames() {
  std::vector<std::string> names;
  names.reserve(children.size());
  for (const auto& entry : children) names.push_back(entry.first);
  return names;
}

std::vector<std::shared_ptr<NamespaceNode>> NamespaceNode::GetNamespaceNodes() {
  std::vector<std::shared_ptr<NamespaceNode>> nodes;
  nodes.reserve(children.size());
  for (const auto& entry : children) nodes.push_back(entry.second);
  return nodes;
}

std::shared_ptr<NamespaceNode> NamespaceNode::GetNamespaceNode(const std::string& childName) {
  const auto found = children.find(childName);
  return found == children.end() ? std::shared_ptr<NamespaceNode>() : found->second;
}

void NamespaceNode::RegisterNamespaceNode(std::shared_ptr<NamespaceNode> node,
                                          std::string childName) {
  // The duplicate is reported first: it is the more useful message when a plug-in registers
  // the same name twice, whatever else is wrong with the second node.
  if (HasNamespaceNode(childName)) {
    throw TarnekException("Duplicate registration in namespace " + GetPathString(' ') +
                          " attempt to register two objects with name " + childName);
  }
  if (!node) {
    throw TarnekException("Null namespace node named '" + childName + "' passed to namespace " +
                          GetPathString(' '));
  }
  node->SetName(childName);
  node->SetParent(GetThis());
  children.emplace(std::move(childName), std::move(node));
}

void NamespaceNode::RegisterNamespaceNode(std::shared_ptr<NamespaceNode> node,
                                          const char* childName) {
  RegisterNamespaceNode(std::move(node), std::string(childName ? childName : ""));
}

std::shared_ptr<NamespaceNode> NamespaceNode::ResolveNode(std::list<std::string>& path) {
  if (path.empty()) return nullptr;
  // The first name is taken off the path and put back by relinking its node: resolving a path
  // allocates nothing.
  std::list<std::string> first;
  first.splice(first.begin(), path, path.begin());
  const std::shared_ptr<NamespaceNode> child = GetNamespaceNode(first.front());
  if (!child) {
    throw TarnekException("Unable to find a command or namespace with the name '" +
                          first.front() + "' in namespace " + GetPathString(' '));
  }
  std::shared_ptr<NamespaceNode> result = path.empty() ? child : child->ResolveNode(path);
  path.splice(path.begin(), first);
  return result;
}

std::shared_ptr<NamespaceNode> NamespaceNode::SubNamespace(const std::string& childName) {
  if (std::shared_ptr<NamespaceNode> existing = GetNamespaceNode(childName)) return existing;
  std::shared_ptr<NamespaceNode> created = Namespace::New();
  RegisterNamespaceNode(created, childName);
  return created;
}

// ---- Namespace ----

Namespace::~Namespace() = default;

std::shared_ptr<Namespace> Namespace::New() { return std::make_shared<Namespace>(); }

std::shared_ptr<NamespaceNode> Namespace::GetThis() { return shared_from_this(); }

NamespaceNodeType Namespace::GetType() { return NamespaceNodeType::Namespace; }

Dispatcher* Namespace::GetDispatcher() {
  const std::shared_ptr<NamespaceNode> up = GetParent();
  if (!up) {
    throw TarnekException("Invalid state for namespace '" + name +
                          "no parent has been set while attempting to get dispathcer reference.");
  }
  return up->GetDispatcher();
}

void Namespace::SetParent(std::shared_ptr<NamespaceNode> newParent) { parent = newParent; }

std::shared_ptr<NamespaceNode> Namespace::GetParent() { return parent.lock(); }

// ---- RootNamespace ----

RootNamespace::~RootNamespace() = default;

std::shared_ptr<RootNamespace> RootNamespace::New(Dispatcher* owner) {
  return std::make_shared<RootNamespace>(owner);
}

std::shared_ptr<NamespaceNode> RootNamespace::GetThis() { return shared_from_this(); }

NamespaceNodeType RootNamespace::GetType() { return NamespaceNodeType::Root; }

std::list<std::string> RootNamespace::GetPath() { return {}; }

std::string RootNamespace::GetPathString(char) { return {}; }

Dispatcher* RootNamespace::GetDispatcher() { return dispatcher; }

void RootNamespace::SetParent(std::shared_ptr<NamespaceNode>) {
  throw TarnekException("Error, Root namespace cannot be assigned a parent node");
}

std::shared_ptr<NamespaceNode> RootNamespace::GetParent() { return nullptr; }

}  // namespace AutoCli
}  // namespace Tarnek
