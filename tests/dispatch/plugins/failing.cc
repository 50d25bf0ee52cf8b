// A plug-in whose registration fails after it has put a command into the tree: that command
// keeps running this library's code.
#include <memory>

#include "text_command.h"
#include <tarnek/tarnek.h>

TEST_PLUGIN_ENTRY AutoCli_RegisterNamespaces(std::shared_ptr<Tarnek::AutoCli::Namespace> root) {
  root->SubNamespace("broken")->RegisterNamespaceNode(
      std::shared_ptr<TextCommand>(new TextCommand("still here", "Registered before the failure.")),
      "half");
  throw Tarnek::TarnekException("gave up half way");
}
