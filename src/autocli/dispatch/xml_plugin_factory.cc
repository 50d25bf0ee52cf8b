// Descriptor plug-ins are not readable yet: loading one fails like any other bad plug-in,
// with a message that says so, and the scan of its directory goes on.
#include "autocli/dispatch/xml_plugin_factory.h"

#include "tarnek/exception.h"

namespace Tarnek {
namespace AutoCli {
namespace Internal {

std::shared_ptr<Plugin> CreateXmlPlugin(const std::string& path) {
  throw TarnekException("XML plug-in descriptors are not supported by this build: " + path);
}

}  // namespace Internal
}  // namespace AutoCli
}  // namespace Tarnek
