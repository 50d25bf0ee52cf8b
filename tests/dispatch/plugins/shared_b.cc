// One of two plug-ins that add their commands to the same namespace, "shared".
#include <memory>

#include "text_command.h"
#include <tarnek/tarnek.h>

TEST_PLUGIN_ENTRY AutoCli_RegisterNamespaces(std::shared_ptr<Tarnek::AutoCli::Namespace> root) {
  root->SubNamespace("shared")->RegisterNamespaceNode(
      std::shared_ptr<TextCommand>(new TextCommand("from shared_b", "Answers from shared_b.")),
      "cmdB");
}
