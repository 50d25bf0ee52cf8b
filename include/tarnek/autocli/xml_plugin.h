// Descriptor plug-ins: XML files that declare namespaces and shell-backed commands without any
// compiled code, and the readers for each element kind of such a file.
#ifndef TARNEK_AUTOCLI_XML_PLUGIN_H_
#define TARNEK_AUTOCLI_XML_PLUGIN_H_

#include <list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "tarnek/autocli/extension_command.h"
#include "tarnek/autocli/plugin.h"
#include "tarnek/autocli/tree.h"
#include "tarnek/autocli/xml_util.h"
#include "tarnek/callspec.h"
#include "tarnek/export.h"

namespace Tarnek {
namespace AutoCli {

/// A plug-in read from a descriptor file of version "1.0.0". Initialize() reads the whole file
/// and keeps what it declares; RegisterNamespaces() adds it to a tree. Contributes no
/// formatters.
class TARNEK_EXPORT XmlPlugin : public Plugin {
 public:
  using Registration = std::pair<std::string, std::shared_ptr<NamespaceNode>>;

  explicit XmlPlugin(std::string descriptorPath);
  ~XmlPlugin() override;
  XmlPlugin(const XmlPlugin&) = delete;
  XmlPlugin& operator=(const XmlPlugin&) = delete;

  /// A plug-in for the descriptor at `path`, not read yet.
  static std::shared_ptr<XmlPlugin> New(const std::string& path);

  /// Reads the descriptor. Throws TarnekException, naming the file, when it cannot be parsed
  /// or declares anything malformed; nothing is kept then.
  void Initialize() override;
  /// The descriptor's path.
  const std::string& GetName() const override;
  /// Adds every declared namespace and command below `root`. Conflicts with nodes already in
  /// the tree are found before anything is added; a top-level namespace that exists with the
  /// same description is shared instead of refused. Throws TarnekException.
  void RegisterNamespaces(std::shared_ptr<Namespace> root) override;
  /// Always false.
  bool HasFormatter(const std::string& name) override;
  /// Always throws TarnekException.
  std::shared_ptr<Formatter> GetFormatter(const std::string& name) override;
  /// Always empty.
  const std::vector<std::shared_ptr<Formatter>>& GetFormatters() override;

  /// What Initialize() read: (dotted path, node), namespaces first, then commands, each in
  /// document order. Empty before Initialize() and after it failed.
  const std::vector<Registration>& GetRegistrations() const noexcept { return registrations; }

  /// The names of a dotted path, empty pieces included ("a..b" gives "a", "", "b").
  static std::list<std::string> SplitPath(const std::string& path);

  /// Declares every `namespace` child of a `namespaces` element.
  void AddNamespaces(xmlNode* node);
  /// Declares one namespace; its `path` and `description` must not be empty.
  void AddNamespace(xmlNode* node);
  /// Declares every `command` child of a `commands` element.
  void AddCommands(xmlNode* node);
  /// Declares one extension command from a `command` element.
  void AddCommand(xmlNode* node);

 private:
  std::string name;
  // Namespaces first, then commands, each in document order, so that a namespace is in the
  // tree before what the same descriptor puts into it.
  std::vector<Registration> registrations;
};

/// Checks the entries of a `meta-data` element; the command keeps none of them.
TARNEK_EXPORT void ExtractMetaData(xmlNode* node, std::shared_ptr<ExtensionCommand> command);
/// Sets the command's default formatter and format parameters from `format-parameters`.
TARNEK_EXPORT void ExtractFormatParams(xmlNode* node, std::shared_ptr<ExtensionCommand> command);
/// The result shape declared by an `output-spec` element (no root object when it is empty).
TARNEK_EXPORT std::shared_ptr<CallSpec::OutputSpec> ExtractOutputSpec(xmlNode* node);
/// The parameters and supported contexts declared by an `input-spec` element.
TARNEK_EXPORT std::shared_ptr<CallSpec::InputSpec> ExtractInputSpec(xmlNode* node);
/// Adds the parameter declared by a `parameter` element to `spec`.
TARNEK_EXPORT void ExtractInputParam(xmlNode* node, std::shared_ptr<CallSpec::InputSpec> spec);
/// The constraint declared by a `constraint` element.
TARNEK_EXPORT std::shared_ptr<CallSpec::ParameterConstraint> ExtractParamConstraint(xmlNode* node);
/// The (value, description) pairs of an `enum` element, in document order.
TARNEK_EXPORT std::vector<std::pair<std::string, std::string>> ExtractEnum(xmlNode* node);

}  // namespace AutoCli
}  // namespace Tarnek

#endif  // TARNEK_AUTOCLI_XML_PLUGIN_H_
