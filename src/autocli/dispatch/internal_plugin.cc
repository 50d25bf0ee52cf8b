// The plug-in built into the library.
#include "tarnek/autocli/command_list.h"
#include "tarnek/autocli/help_formatter.h"
#include "tarnek/autocli/json_formatter.h"
#include "tarnek/autocli/plugin.h"
#include "tarnek/autocli/simple_formatter.h"
#include "tarnek/autocli/table_formatter.h"
#include "tarnek/autocli/xml_formatter.h"

namespace Tarnek {
namespace AutoCli {

Plugin::~Plugin() = default;

InternalPlugin::~InternalPlugin() = default;

std::shared_ptr<InternalPlugin> InternalPlugin::New() { return std::make_shared<InternalPlugin>(); }

void InternalPlugin::Initialize() {
  formatters.reserve(6);
  formatters.push_back(std::make_shared<TableFormatter>());
  formatters.push_back(std::make_shared<SimpleFormatter>());
  formatters.push_back(std::make_shared<XmlFormatter>());
  formatters.push_back(std::make_shared<PythonFormatter>());
  formatters.push_back(std::make_shared<JsonFormatter>());
  formatters.push_back(std::make_shared<CommandHelpFormatter>());
}

const std::string& InternalPlugin::GetName() const {
  static const std::string name = "Internal";
  return name;
}

void InternalPlugin::RegisterNamespaces(std::shared_ptr<Namespace> root) {
  std::shared_ptr<Namespace> qorcli = Namespace::New();
  qorcli->SetDescription(
      "Commands that operate on the qorcli system itself allowing users to get additional "
      "information.");
  std::shared_ptr<Namespace> command = Namespace::New();
  command->SetDescription("Operations to get information about commands.");
  std::shared_ptr<CommandList> list = CommandList::New(root);
  // Inner nodes are complete before the outer namespace becomes visible in the tree.
  command->RegisterNamespaceNode(list, "list");
  qorcli->RegisterNamespaceNode(command, "command");
  root->RegisterNamespaceNode(qorcli, "qorcli");
}

bool InternalPlugin::HasFormatter(const std::string& name) {
  return GetFormatter(name) != nullptr;
}

std::shared_ptr<Formatter> InternalPlugin::GetFormatter(const std::string& name) {
  for (const auto& formatter : formatters) {
    if (formatter->GetName() == name) return formatter;
  }
  return nullptr;
}

const std::vector<std::shared_ptr<Formatter>>& InternalPlugin::GetFormatters() {
  return formatters;
}

}  // namespace AutoCli
}  // namespace Tarnek
