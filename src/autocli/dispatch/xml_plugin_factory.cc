// The dispatcher reaches descriptor plug-ins only through this seam, so that it does not
// depend on how descriptors are read.
#include "autocli/dispatch/xml_plugin_factory.h"

#include "tarnek/autocli/xml_plugin.h"

namespace Tarnek {
namespace AutoCli {
namespace Internal {

std::shared_ptr<Plugin> CreateXmlPlugin(const std::string& path) { return XmlPlugin::New(path); }

}  // namespace Internal
}  // namespace AutoCli
}  // namespace Tarnek
