// The command tree: namespaces and commands under one root owned by a dispatcher, and the
// base classes every command derives from.
#ifndef TARNEK_AUTOCLI_TREE_H_
#define TARNEK_AUTOCLI_TREE_H_

#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "tarnek/autocli/format.h"
#include "tarnek/callspec.h"
#include "tarnek/export.h"

namespace Tarnek {
namespace AutoCli {

class Dispatcher;

/// The kind of a tree node. The numbering is part of the interface.
enum class NamespaceNodeType : std::int32_t { Root = 0, Namespace = 1, Command = 2 };

/// True when the whole name is one or more runs of lower-case letters or digits, each
/// optionally followed by one upper-case letter or digit ("ipAddr", "nic0"; not "getABC").
TARNEK_EXPORT bool AutoCli_IsValidName(const std::string& name);

/// Abstract base of every node. A parent owns its children; a child refers to its parent
/// weakly. A node that receives children must be owned by a shared pointer.
class TARNEK_EXPORT NamespaceNode : public std::enable_shared_from_this<NamespaceNode> {
 public:
  using NodeMap = std::map<std::string, std::shared_ptr<NamespaceNode>>;

  virtual ~NamespaceNode();

  /// A shared pointer to this node (bad_weak_ptr when it is not owned by one).
  virtual std::shared_ptr<NamespaceNode> GetThis() = 0;
  virtual NamespaceNodeType GetType() = 0;
  /// Names from the first node below the root down to this one. Throws when a node on the way
  /// has no parent.
  virtual std::list<std::string> GetPath();
  /// GetPath() joined by `separator`; "" for the root.
  virtual std::string GetPathString(char separator);
  virtual bool HasNamespaceNode(const std::string& name);
  /// Child names in byte-wise order.
  virtual std::vector<std::string> GetNamespaceNodeNames();
  /// Children in byte-wise order of their names.
  virtual std::vector<std::shared_ptr<NamespaceNode>> GetNamespaceNodes();
  /// The child registered under `name`, or an empty pointer.
  virtual std::shared_ptr<NamespaceNode> GetNamespaceNode(const std::string& name);
  /// Names `node`, makes this node its parent and keeps it under `name`. Throws
  /// TarnekException for a duplicate name, an empty node or an invalid name.
  virtual void RegisterNamespaceNode(std::shared_ptr<NamespaceNode> node, std::string name);
  /// Forwards to the string overload through the virtual table.
  virtual void RegisterNamespaceNode(std::shared_ptr<NamespaceNode> node, const char* name);
  /// The node that `path` leads to below this one; empty pointer for an empty path. The path
  /// is unchanged after success; after a throw the names up to the failing one are consumed.
  virtual std::shared_ptr<NamespaceNode> ResolveNode(std::list<std::string>& path);
  /// The child under `name`, created as a Namespace and registered when there is none.
  /// This is how independent plug-ins share a namespace.
  virtual std::shared_ptr<NamespaceNode> SubNamespace(const std::string& name);
  /// The dispatcher owning the tree this node is in. Throws when the node is detached.
  virtual Dispatcher* GetDispatcher() = 0;
  virtual void SetParent(std::shared_ptr<NamespaceNode> parent) = 0;
  /// The parent, or an empty pointer when there is none (or it is gone).
  virtual std::shared_ptr<NamespaceNode> GetParent() = 0;

  const std::string& GetName() const noexcept { return name; }
  /// Throws TarnekException when AutoCli_IsValidName(name) is false.
  void SetName(const std::string& newName);
  const std::string& GetDescription() const noexcept { return description; }
  void SetDescription(std::string text) { description = std::move(text); }
  void SetDescription(const char* text) { description = text ? text : ""; }

 protected:
  NamespaceNode() = default;
  NamespaceNode(const NamespaceNode&) = delete;
  NamespaceNode& operator=(const NamespaceNode&) = delete;

  std::string name;
  std::string description;
  NodeMap children;
};

/// An inner node of the tree.
class TARNEK_EXPORT Namespace : public NamespaceNode {
 public:
  Namespace() = default;
  ~Namespace() override;

  /// A nameless, parentless namespace owned by a shared pointer.
  static std::shared_ptr<Namespace> New();

  std::shared_ptr<NamespaceNode> GetThis() override;
  NamespaceNodeType GetType() override;
  Dispatcher* GetDispatcher() override;
  void SetParent(std::shared_ptr<NamespaceNode> newParent) override;
  std::shared_ptr<NamespaceNode> GetParent() override;

 protected:
  std::weak_ptr<NamespaceNode> parent;
};

/// The root of a tree. It has no name and no parent, and points back to its dispatcher
/// without owning it, so the dispatcher must outlive the tree.
class TARNEK_EXPORT RootNamespace : public Namespace {
 public:
  explicit RootNamespace(Dispatcher* owner) noexcept : dispatcher(owner) {}
  ~RootNamespace() override;

  static std::shared_ptr<RootNamespace> New(Dispatcher* dispatcher);

  std::shared_ptr<NamespaceNode> GetThis() override;
  NamespaceNodeType GetType() override;
  std::list<std::string> GetPath() override;
  std::string GetPathString(char separator) override;
  Dispatcher* GetDispatcher() override;
  /// Always throws: a root cannot be registered anywhere.
  void SetParent(std::shared_ptr<NamespaceNode> newParent) override;
  std::shared_ptr<NamespaceNode> GetParent() override;

 private:
  Dispatcher* dispatcher;
};

/// The call record of a dispatched command: the parameters plus the program name and the
/// command path the command line named.
class TARNEK_EXPORT CommandInput : public CallSpec::Input {
 public:
  CommandInput() = default;
  ~CommandInput() override;

  static std::shared_ptr<CommandInput> New();

  void SetDispatcher(const std::string& name) { dispatcher = name; }
  const std::string& GetDispatcher() const noexcept { return dispatcher; }
  void SetCommandPath(const std::list<std::string>& path) { commandPath = path; }
  const std::list<std::string>& GetCommandPath() const noexcept { return commandPath; }
  /// The path words joined by single spaces.
  std::string GetCommandPathString() const;

 private:
  std::string dispatcher;
  std::list<std::string> commandPath;
};

/// The result record of a dispatched command, with room for rendered text kept by callers.
class TARNEK_EXPORT CommandOutput : public CallSpec::Output {
 public:
  CommandOutput() = default;
  ~CommandOutput() override;

  static std::shared_ptr<CommandOutput> New();

  void SetFormattedString(const std::string& text) { formattedString = text; }
  const std::string& GetFormattedString() const noexcept { return formattedString; }

 private:
  std::string formattedString;
};

/// The declaring side of a command: its input and output declarations (cached on first
/// request), help output, examples, default output formatting and its place in the tree. A
/// command is a leaf: it refuses children.
class TARNEK_EXPORT CommandSpec : public CallSpec::CallTargetSpec, public NamespaceNode {
 public:
  using Example = std::pair<std::string, std::string>;  // (arguments, description)

  CommandSpec() = default;
  ~CommandSpec() override;

  /// The command's own parameters plus the standard "help" parameter, built once.
  std::shared_ptr<CallSpec::InputSpec> GetInputSpec() override;
  /// The command's declared result, built once.
  std::shared_ptr<CallSpec::OutputSpec> GetOutputSpec() override;

  std::shared_ptr<NamespaceNode> GetThis() override;
  /// Always false.
  bool HasNamespaceNode(const std::string& name) override;
  /// Always throws: commands have no children.
  std::shared_ptr<NamespaceNode> GetNamespaceNode(const std::string& name) override;
  /// Always throws: commands have no children.
  void RegisterNamespaceNode(std::shared_ptr<NamespaceNode> node, std::string name) override;
  void RegisterNamespaceNode(std::shared_ptr<NamespaceNode> node, const char* name) override;
  /// Always throws: no path continues below a command.
  std::shared_ptr<NamespaceNode> ResolveNode(std::list<std::string>& path) override;
  Dispatcher* GetDispatcher() override;
  void SetParent(std::shared_ptr<NamespaceNode> newParent) override;
  std::shared_ptr<NamespaceNode> GetParent() override;
  NamespaceNodeType GetType() override;

  const std::vector<Example>& GetExamples() const noexcept { return examples; }
  /// Appends an example: the arguments that follow the command, and what they do.
  void AddExample(std::string arguments, std::string exampleDescription);
  void AddExample(const char* arguments, const char* exampleDescription);
  void SetDefaultOutputFormatter(std::string formatter);
  void SetDefaultOutputFormatter(const char* formatter);
  void SetDefaultOutputParameter(std::string key, std::string value);
  void SetDefaultOutputParameter(const char* key, const char* value);
  /// A copy, so that callers may lay their own settings over it.
  FormatParameters GetDefaultOutputFormatParameters() const { return defaultOutputFormatParameters; }

  /// Sets the help structure as the output's root value and marks the output as help.
  void GenerateHelpOutput(const std::shared_ptr<CallSpec::Input>& input,
                          const std::shared_ptr<CallSpec::Output>& output);

  /// The concrete command's parameters. Must not be empty and must not declare "help" or "-h".
  virtual std::shared_ptr<CallSpec::InputSpec> GetInputSpecInternal() = 0;
  /// The concrete command's declared result.
  virtual std::shared_ptr<CallSpec::OutputSpec> GetOutputSpecInternal() = 0;

 private:
  std::vector<Example> examples;
  std::shared_ptr<CallSpec::InputSpec> inputSpec;
  std::shared_ptr<CallSpec::OutputSpec> outputSpec;
  FormatParameters defaultOutputFormatParameters;
  std::weak_ptr<NamespaceNode> parent;
};

/// The executing side of a command. A concrete command supplies GetInputSpecInternal,
/// GetOutputSpecInternal and ExecuteInternal.
class TARNEK_EXPORT Command : public CommandSpec, public CallSpec::CallTarget {
 public:
  Command() = default;
  ~Command() override;

  /// Answers "help" with the help structure; otherwise runs ExecuteInternal, turning escaping
  /// standard exceptions into error messages, and checks a successful result against
  /// GetOutputSpec(). Failure is told by the output's errors, never by an exception.
  void Execute(const std::shared_ptr<CallSpec::Input>& input,
               const std::shared_ptr<CallSpec::Output>& output) override;

  /// The command's work: fill `output` with the result, or add error messages to it.
  virtual void ExecuteInternal(const std::shared_ptr<CallSpec::Input>& input,
                               const std::shared_ptr<CallSpec::Output>& output) = 0;
};

}  // namespace AutoCli
}  // namespace Tarnek

#endif  // TARNEK_AUTOCLI_TREE_H_
