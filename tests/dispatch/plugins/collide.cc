// A plug-in that claims the name the built-in namespace already holds.
#include <memory>

#include "text_command.h"
#include <tarnek/tarnek.h>

TEST_PLUGIN_ENTRY AutoCli_RegisterNamespaces(std::shared_ptr<Tarnek::AutoCli::Namespace> root) {
  root->RegisterNamespaceNode(Tarnek::AutoCli::Namespace::New(), "qorcli");
}
