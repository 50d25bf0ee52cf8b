// The built-in listing command: one row per command below a namespace.
#ifndef TARNEK_AUTOCLI_COMMAND_LIST_H_
#define TARNEK_AUTOCLI_COMMAND_LIST_H_

#include <memory>
#include <string>

#include "tarnek/autocli/tree.h"
#include "tarnek/export.h"
#include "tarnek/metaobj.h"

namespace Tarnek {
namespace AutoCli {

/// Lists the commands below a namespace, depth first in name order, as "QorCliCommand" rows
/// (Namespace, Command, Description), optionally filtered by case-sensitive substrings.
class TARNEK_EXPORT CommandList : public Command {
 public:
  /// REQUIRES: `ns` outlives the command (normally the command lives inside its tree).
  explicit CommandList(Namespace* ns);
  ~CommandList() override;

  /// A listing command for `ns`; keeps only a plain pointer to it.
  static std::shared_ptr<CommandList> New(std::shared_ptr<Namespace> ns);

  /// A new "QorCliCommand" structure with three empty string fields.
  std::shared_ptr<MetaObj::MetaStruct> GetOutputStructure();

  std::shared_ptr<CallSpec::InputSpec> GetInputSpecInternal() override;
  std::shared_ptr<CallSpec::OutputSpec> GetOutputSpecInternal() override;
  void ExecuteInternal(const std::shared_ptr<CallSpec::Input>& input,
                       const std::shared_ptr<CallSpec::Output>& output) override;

  /// Appends the rows of the subtree below `node` that pass every non-empty filter.
  void AddChildren(const std::string& namespaceFilter, const std::string& commandFilter,
                   const std::string& descriptionFilter, NamespaceNode* node,
                   MetaObj::MetaList* list);

 private:
  Namespace* listedNamespace;
};

}  // namespace AutoCli
}  // namespace Tarnek

#endif  // TARNEK_AUTOCLI_COMMAND_LIST_H_
