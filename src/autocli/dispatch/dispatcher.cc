// Dispatcher: the plug-in registry, plug-in discovery, command lookup, execution and rendering.
#include "tarnek/autocli/dispatcher.h"

#include <dirent.h>

#include <algorithm>
#include <iostream>

#include <boost/regex.hpp>

#include "autocli/dispatch/xml_plugin_factory.h"
#include "norlibs.h"
#include "tarnek/exception.h"

namespace Tarnek {
namespace AutoCli {

namespace {

const char kSystemPluginDirectory[] = "/usr/lib/norvane/qorcli";
const char kSystemExtensionDirectory[] = "/usr/lib/norvane/qorcli/ext";

std::string PluginFailure(const std::string& pluginName, const std::string& reason) {
  return "Error while trying to register the plugin " + pluginName + " " + reason +
         " The functionality in " + pluginName + " will not be available until this issue is "
         "resolved.";
}

// Closes the directory on every path out of the scan.
class DirectoryHandle {
 public:
  explicit DirectoryHandle(const std::string& path) : dir_(opendir(path.c_str())) {}
  ~DirectoryHandle() {
    if (dir_ != nullptr) closedir(dir_);
  }
  DirectoryHandle(const DirectoryHandle&) = delete;
  DirectoryHandle& operator=(const DirectoryHandle&) = delete;
  DIR* get() const { return dir_; }

 private:
  DIR* dir_;
};

}  // namespace

Dispatcher::Dispatcher() {
  FeatureState_InitDeltaMode();
  std::shared_ptr<InternalPlugin> internal = InternalPlugin::New();
  rootNamespace = RootNamespace::New(this);
  internal->Initialize();
  RegisterPlugin(internal);
}

Dispatcher::~Dispatcher() = default;

void Dispatcher::RegisterPlugin(std::shared_ptr<Plugin> plugin) {
  try {
    plugin->RegisterNamespaces(rootNamespace);
  } catch (const TarnekException& error) {
    // What the plug-in registered before failing stays in the tree and may run its code.
    keptAlive.push_back(plugin);
    throw TarnekException(PluginFailure(plugin->GetName(), error.what()));
  } catch (...) {
    keptAlive.push_back(plugin);
    throw;
  }

  const std::vector<std::shared_ptr<Formatter>>& formatters = plugin->GetFormatters();
  for (const std::shared_ptr<Formatter>& formatter : formatters) {
    const auto owner = formatterOwners.find(formatter->GetName());
    if (owner != formatterOwners.end()) {
      keptAlive.push_back(plugin);
      const std::string& name = plugin->GetName();
      throw TarnekException("Error while trying to register the plugin " + name +
                            "  this plugin has a formatter " + formatter->GetName() +
                            " that was already registered from the plugin " +
                            owner->second->GetName() + "  The functionality in " + name +
                            " will not be available until this issue is resolved.");
    }
  }
  for (const std::shared_ptr<Formatter>& formatter : formatters) {
    formatterOwners[formatter->GetName()] = plugin;
  }
  plugins.push_back(std::move(plugin));
}

void Dispatcher::AddPlugin(const std::string& path) {
  // Compiled once: a directory scan asks about every file in it.
  static const boost::regex sharedLibraryName(".+\\.so$");
  static const boost::regex descriptorName(".+\\.xml$");
  std::shared_ptr<Plugin> plugin;
  if (boost::regex_match(path, sharedLibraryName)) {
    plugin = SharedLibraryPlugin::New(path);
  } else if (boost::regex_match(path, descriptorName)) {
    plugin = Internal::CreateXmlPlugin(path);
  } else {
    return;
  }
  plugin->Initialize();
  RegisterPlugin(plugin);
}

void Dispatcher::AddExternalDirectory(const std::string& directory) {
  AddExternalDirectoryInt(directory + "/lib64", false);
  AddExternalDirectoryInt(directory, true);
}

void Dispatcher::AddDefaultDirectories() {
  AddExternalDirectory(kSystemPluginDirectory);
  AddExternalDirectory(kSystemExtensionDirectory);
}

void Dispatcher::AddExternalDirectoryInt(const std::string& directory, bool reportOpenFailure) {
  std::vector<std::string> paths;
  {
    DirectoryHandle handle(directory);
    if (handle.get() == nullptr) {
      if (reportOpenFailure) {
        std::cerr << "Unable to open directory " << directory << " for plugin registration"
                  << std::endl;
      }
      return;
    }
    while (const dirent* entry = readdir(handle.get())) {
      const std::string name = entry->d_name;
      if (name == "." || name == "..") continue;
      paths.push_back(directory + "/" + name);
    }
  }
  std::sort(paths.begin(), paths.end());
  for (const std::string& path : paths) {
    try {
      AddPlugin(path);
    } catch (const TarnekException& error) {
      std::cerr << "Error loading plugin " << path << " skipping.  Error was: " << error.what()
                << std::endl;
    }
  }
}

std::shared_ptr<Command> Dispatcher::GetCommand(std::shared_ptr<CommandInput> input,
                                                std::shared_ptr<CommandOutput> output) {
  std::list<std::string> path = input->GetCommandPath();
  std::shared_ptr<NamespaceNode> node;
  try {
    node = rootNamespace->ResolveNode(path);
  } catch (const TarnekException& error) {
    output->AddErrorMessage(error.what());
  }
  if (!node) {
    output->AddErrorMessage("Unable to find command");
    return nullptr;
  }
  if (node->GetType() != NamespaceNodeType::Command) {
    output->AddErrorMessage("Path refers to a namespace, not a command.");
    return nullptr;
  }
  return std::dynamic_pointer_cast<Command>(node);
}

bool Dispatcher::ExecuteCommand(std::shared_ptr<CommandInput> input,
                                std::shared_ptr<CommandOutput> output) {
  const std::shared_ptr<Command> command = GetCommand(input, output);
  if (!command) return false;
  const std::shared_ptr<CallSpec::InputSpec> spec = command->GetInputSpec();
  input->SetInputSpec(spec);
  if (spec->Validate(input, output)) {
    command->Execute(input, output);
  } else if (!output->HasError() && !output->GetRootObject()) {
    // A failed validation must never look like a silent success.
    output->AddErrorMessage(
        "Command output has no root object nor error messages.  This is a problem with the "
        "command and should be repaired.");
  }
  return !output->HasError();
}

FormatParameters Dispatcher::GetDefaultOutputFormatParameters(
    std::shared_ptr<CommandInput> input, std::shared_ptr<CommandOutput> output) {
  const std::shared_ptr<Command> command = GetCommand(std::move(input), std::move(output));
  return command ? command->GetDefaultOutputFormatParameters() : FormatParameters();
}

bool Dispatcher::HasFormatter(const std::string& name) {
  const auto owner = formatterOwners.find(name);
  if (owner == formatterOwners.end() || !owner->second) return false;
  return owner->second->HasFormatter(name);
}

std::shared_ptr<Formatter> Dispatcher::GetFormatter(const std::string& name) {
  if (!HasFormatter(name)) return nullptr;
  return formatterOwners[name]->GetFormatter(name);
}

std::vector<std::shared_ptr<Formatter>> Dispatcher::GetFormatters() {
  std::vector<std::shared_ptr<Formatter>> all;
  all.reserve(formatterOwners.size());
  for (const auto& [name, owner] : formatterOwners) all.push_back(owner->GetFormatter(name));
  return all;
}

bool Dispatcher::FormatOutput(const std::shared_ptr<CallSpec::Output>& output,
                              FormatParameters& settings, DisplayContext& displayContext,
                              std::ostream& stream) {
  const std::string& name = settings.GetFormatter();
  if (name.empty()) return true;
  const std::shared_ptr<Formatter> formatter = GetFormatter(name);
  if (!formatter) {
    output->AddErrorMessage("Unable to find requested formatter: " + name);
    return false;
  }
  formatter->Format(output, settings, displayContext, stream);
  return true;
}

std::vector<std::string> Dispatcher::GetPluginNames() {
  std::vector<std::string> names;
  names.reserve(plugins.size());
  for (const auto& plugin : plugins) names.push_back(plugin->GetName());
  return names;
}

void Dispatcher::ResetRegistrations() {
  // The plug-ins' commands stay in the tree and may still run the plug-ins' code.
  keptAlive.insert(keptAlive.end(), plugins.begin(), plugins.end());
  plugins.clear();
}

}  // namespace AutoCli
}  // namespace Tarnek
