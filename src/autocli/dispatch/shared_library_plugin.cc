// Plug-ins loaded from shared libraries through their exported entry point.
#include <dlfcn.h>
#include <sys/stat.h>

#include "tarnek/autocli/plugin.h"
#include "tarnek/exception.h"

namespace Tarnek {
namespace AutoCli {

namespace {

const char kEntryPoint[] = "AutoCli_RegisterNamespaces";

std::string LoaderError() {
  const char* text = dlerror();
  return text ? text : "(null)";
}

}  // namespace

SharedLibraryPlugin::SharedLibraryPlugin(std::string libraryPath) : path(std::move(libraryPath)) {}

SharedLibraryPlugin::~SharedLibraryPlugin() {
  registerNamespaces = nullptr;
  if (handle != nullptr) dlclose(handle);
}

std::shared_ptr<SharedLibraryPlugin> SharedLibraryPlugin::New(const std::string& path) {
  return std::make_shared<SharedLibraryPlugin>(path);
}

void SharedLibraryPlugin::Initialize() {
  // The loader would wait for ever on a named pipe, stopping the whole plug-in scan; what is
  // missing or unreadable is left to the loader, whose message says so.
  struct stat status {};
  if (::stat(path.c_str(), &status) == 0 && !S_ISREG(status.st_mode) &&
      !S_ISDIR(status.st_mode)) {
    throw TarnekException("Unable to load plugin from " + path + " : " + path +
                          ": not a regular file");
  }
  handle = dlopen(path.c_str(), RTLD_LAZY | RTLD_GLOBAL);
  if (handle == nullptr) {
    throw TarnekException("Unable to load plugin from " + path + " : " + LoaderError());
  }
  dlerror();  // a stale error must not be mistaken for this lookup's
  void* symbol = dlsym(handle, kEntryPoint);
  if (symbol == nullptr) {
    const std::string message =
        "Unable to get plugin registration point from " + path + " : " + LoaderError();
    dlclose(handle);
    handle = nullptr;
    throw TarnekException(message);
  }
  registerNamespaces = reinterpret_cast<AutoCli_RegisterNamespacesFunction>(symbol);
}

const std::string& SharedLibraryPlugin::GetName() const { return path; }

void SharedLibraryPlugin::RegisterNamespaces(std::shared_ptr<Namespace> root) {
  if (registerNamespaces != nullptr) registerNamespaces(root);
}

bool SharedLibraryPlugin::HasFormatter(const std::string&) { return false; }

std::shared_ptr<Formatter> SharedLibraryPlugin::GetFormatter(const std::string&) {
  return nullptr;
}

const std::vector<std::shared_ptr<Formatter>>& SharedLibraryPlugin::GetFormatters() {
  static const std::vector<std::shared_ptr<Formatter>> none;
  return none;
}

}  // namespace AutoCli
}  // namespace Tarnek
