// Plug-ins: what contributes namespaces, commands and formatters to a dispatcher.
#ifndef TARNEK_AUTOCLI_PLUGIN_H_
#define TARNEK_AUTOCLI_PLUGIN_H_

#include <memory>
#include <string>
#include <vector>

#include "tarnek/autocli/format.h"
#include "tarnek/autocli/tree.h"
#include "tarnek/export.h"

namespace Tarnek {
namespace AutoCli {

/// The interface of every plug-in. The dispatcher calls Initialize() once, then registers the
/// plug-in's namespaces and formatters.
class TARNEK_EXPORT Plugin {
 public:
  virtual ~Plugin();

  /// Loads what the plug-in needs. Throws TarnekException on failure.
  virtual void Initialize() = 0;
  /// Used in messages and in Dispatcher::GetPluginNames().
  virtual const std::string& GetName() const = 0;
  /// Adds the plug-in's namespaces and commands below `root`.
  virtual void RegisterNamespaces(std::shared_ptr<Namespace> root) = 0;
  virtual bool HasFormatter(const std::string& name) = 0;
  /// The formatter of that name, or an empty pointer.
  virtual std::shared_ptr<Formatter> GetFormatter(const std::string& name) = 0;
  virtual const std::vector<std::shared_ptr<Formatter>>& GetFormatters() = 0;
};

/// The plug-in built into the library: the six standard formatters and the "qorcli command
/// list" command.
class TARNEK_EXPORT InternalPlugin : public Plugin {
 public:
  InternalPlugin() = default;
  ~InternalPlugin() override;

  static std::shared_ptr<InternalPlugin> New();

  /// Creates table, simple, xml, python, json and commandhelp, in that order.
  void Initialize() override;
  /// "Internal".
  const std::string& GetName() const override;
  void RegisterNamespaces(std::shared_ptr<Namespace> root) override;
  bool HasFormatter(const std::string& name) override;
  std::shared_ptr<Formatter> GetFormatter(const std::string& name) override;
  const std::vector<std::shared_ptr<Formatter>>& GetFormatters() override;

 private:
  std::vector<std::shared_ptr<Formatter>> formatters;
};

/// The entry point a plug-in library exports, unmangled, as "AutoCli_RegisterNamespaces".
using AutoCli_RegisterNamespacesFunction = void (*)(std::shared_ptr<Namespace> root);

/// A shared library that registers its commands through the exported entry point. The library
/// stays open for the plug-in's lifetime, so the dispatcher must release the tree (whose
/// commands run the library's code) before the plug-in.
class TARNEK_EXPORT SharedLibraryPlugin : public Plugin {
 public:
  explicit SharedLibraryPlugin(std::string libraryPath);
  ~SharedLibraryPlugin() override;
  SharedLibraryPlugin(const SharedLibraryPlugin&) = delete;
  SharedLibraryPlugin& operator=(const SharedLibraryPlugin&) = delete;

  /// A plug-in for `path`, not loaded yet.
  static std::shared_ptr<SharedLibraryPlugin> New(const std::string& path);

  /// Opens the library and finds its entry point. Throws TarnekException (and keeps nothing
  /// open) when either fails.
  void Initialize() override;
  /// The library's path.
  const std::string& GetName() const override;
  /// Runs the entry point; does nothing when the plug-in is not loaded.
  void RegisterNamespaces(std::shared_ptr<Namespace> root) override;
  /// A shared-library plug-in contributes no formatters.
  bool HasFormatter(const std::string& name) override;
  std::shared_ptr<Formatter> GetFormatter(const std::string& name) override;
  const std::vector<std::shared_ptr<Formatter>>& GetFormatters() override;

 private:
  std::string path;
  void* handle = nullptr;
  AutoCli_RegisterNamespacesFunction registerNamespaces = nullptr;
};

}  // namespace AutoCli
}  // namespace Tarnek

#endif  // TARNEK_AUTOCLI_PLUGIN_H_
