// Creation of descriptor plug-ins, kept apart so the dispatcher does not depend on how
// descriptors are read.
#ifndef TARNEK_SRC_AUTOCLI_DISPATCH_XML_PLUGIN_FACTORY_H_
#define TARNEK_SRC_AUTOCLI_DISPATCH_XML_PLUGIN_FACTORY_H_

#include <memory>
#include <string>

#include "tarnek/autocli/plugin.h"

namespace Tarnek {
namespace AutoCli {
namespace Internal {

/// A descriptor plug-in for the ".xml" file at `path`, not yet initialized.
std::shared_ptr<Plugin> CreateXmlPlugin(const std::string& path);

}  // namespace Internal
}  // namespace AutoCli
}  // namespace Tarnek

#endif  // TARNEK_SRC_AUTOCLI_DISPATCH_XML_PLUGIN_FACTORY_H_
