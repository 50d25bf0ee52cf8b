// The dispatcher: plug-in registry, command lookup and execution, and rendering.
#ifndef TARNEK_AUTOCLI_DISPATCHER_H_
#define TARNEK_AUTOCLI_DISPATCHER_H_

#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "tarnek/autocli/format.h"
#include "tarnek/autocli/plugin.h"
#include "tarnek/autocli/tree.h"
#include "tarnek/callspec.h"
#include "tarnek/export.h"

namespace Tarnek {
namespace AutoCli {

/// Owns the command tree, the plug-ins and the formatter table. Failures of a call become
/// messages on its output; failures of plug-ins throw TarnekException.
///
/// The tree points back to its dispatcher without owning it: a dispatcher must outlive every
/// use of its tree. It is not copyable.
class TARNEK_EXPORT Dispatcher {
 public:
  /// Starts with the internal plug-in registered: six formatters and "qorcli command list".
  Dispatcher();
  virtual ~Dispatcher();
  Dispatcher(const Dispatcher&) = delete;
  Dispatcher& operator=(const Dispatcher&) = delete;

  std::shared_ptr<RootNamespace> GetRootNamespace() { return rootNamespace; }

  /// Adds an initialized plug-in: its namespaces, then its formatters, then the plug-in.
  /// Throws TarnekException when either registration fails.
  void RegisterPlugin(std::shared_ptr<Plugin> plugin);
  /// Loads the plug-in stored in one file, chosen by its name (".so" or ".xml"); other files
  /// are ignored. Throws TarnekException when the plug-in fails.
  void AddPlugin(const std::string& path);
  /// Loads every plug-in file of `directory`/lib64 (silently skipped when missing), then of
  /// `directory`.
  void AddExternalDirectory(const std::string& directory);
  /// The system's plug-in directories.
  void AddDefaultDirectories();
  /// Loads every plug-in file of one directory in sorted order, reporting each failing file
  /// on standard error and going on with the next.
  void AddExternalDirectoryInt(const std::string& directory, bool reportOpenFailure);

  /// The command the input's path names, or an empty pointer with error messages added.
  std::shared_ptr<Command> GetCommand(std::shared_ptr<CommandInput> input,
                                      std::shared_ptr<CommandOutput> output);
  /// Finds, validates and runs a command. True when the output has no error afterwards.
  bool ExecuteCommand(std::shared_ptr<CommandInput> input, std::shared_ptr<CommandOutput> output);
  /// The command's default format settings, or empty settings when there is no command.
  FormatParameters GetDefaultOutputFormatParameters(std::shared_ptr<CommandInput> input,
                                                    std::shared_ptr<CommandOutput> output);

  bool HasFormatter(const std::string& name);
  /// The registered formatter of that name, or an empty pointer.
  std::shared_ptr<Formatter> GetFormatter(const std::string& name);
  /// Every registered formatter, in name order.
  std::vector<std::shared_ptr<Formatter>> GetFormatters();
  /// Renders `output` with the formatter the settings name; with no name, writes nothing.
  /// An unknown formatter becomes an error message of the output (false). Exceptions of the
  /// formatter pass to the caller.
  bool FormatOutput(const std::shared_ptr<CallSpec::Output>& output, FormatParameters& settings,
                    DisplayContext& displayContext, std::ostream& stream);

  /// The names of the registered plug-ins, in registration order.
  std::vector<std::string> GetPluginNames();
  /// Forgets the plug-in list; the tree and the formatter table stay as they are. The
  /// plug-ins are still kept alive until the tree is gone, since their commands stay in it.
  void ResetRegistrations();

 private:
  // Declared in this order so that destruction releases the tree first, then the plug-ins:
  // commands of a library plug-in must be gone before the library is closed. Plug-ins that
  // left nodes in the tree without being (or staying) registered wait in keptAlive.
  std::vector<std::shared_ptr<Plugin>> keptAlive;
  std::map<std::string, std::shared_ptr<Plugin>> formatterOwners;
  std::vector<std::shared_ptr<Plugin>> plugins;
  std::shared_ptr<RootNamespace> rootNamespace;
};

}  // namespace AutoCli
}  // namespace Tarnek

#endif  // TARNEK_AUTOCLI_DISPATCHER_H_
