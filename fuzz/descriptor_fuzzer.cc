// Reads arbitrary bytes as a plug-in descriptor: the bytes go to a temporary ".xml" file, which
// a fresh dispatcher loads (Initialize, then RegisterNamespaces through RegisterPlugin). Every
// command that made it into the tree is then asked for its InputSpec and OutputSpec and its help text,
// the way "--help" shows it. Refusals are TarnekException; anything else is a finding.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <list>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "tarnek/autocli/dispatcher.h"
#include "tarnek/autocli/xml_plugin.h"
#include "tarnek/exception.h"

namespace {

using namespace Tarnek::AutoCli;

// One private directory per process under TMPDIR, removed at exit; the descriptor file in it
// is removed after every input.
class ScratchFile {
 public:
  ScratchFile() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp") +
                          "/tarnek-descriptor-fuzz-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (mkdtemp(buffer.data()) == nullptr) {
      std::perror("mkdtemp");
      std::abort();
    }
    directory = buffer.data();
    path = directory + "/plugin.xml";
  }
  ~ScratchFile() {
    unlink(path.c_str());
    rmdir(directory.c_str());
  }
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;

  void Write(const uint8_t* data, size_t size) const {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr || std::fwrite(data, 1, size, file) != size || std::fclose(file) != 0) {
      std::perror(path.c_str());
      std::abort();
    }
  }
  void Remove() const { unlink(path.c_str()); }
  const std::string& Path() const { return path; }

 private:
  std::string directory;
  std::string path;
};

ScratchFile* scratch = nullptr;

void RemoveScratch() {
  delete scratch;
  scratch = nullptr;
}

// Help for every command below `node`, as "--help" would render it.
void ShowHelp(Dispatcher& dispatcher, const std::shared_ptr<NamespaceNode>& node,
              std::list<std::string>& path) {
  if (node->GetType() == NamespaceNodeType::Command) {
    auto command = std::dynamic_pointer_cast<Command>(node);
    if (!command) return;
    auto input = CommandInput::New();
    auto output = CommandOutput::New();
    input->SetDispatcher("qorcli");
    input->SetCommandPath(path);
    input->AddParameter("help", "");
    input->SetInputSpec(command->GetInputSpec());
    command->GetOutputSpec();
    command->Execute(input, output);
    FormatParameters settings;
    settings.SetFormatter("commandhelp");
    DisplayContext display;
    display.width = 60;
    std::ostringstream text;
    dispatcher.FormatOutput(output, settings, display, text);
    return;
  }
  for (const auto& child : node->GetNamespaceNodes()) {
    path.push_back(child->GetName());
    ShowHelp(dispatcher, child, path);
    path.pop_back();
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  tarnek_fuzz::QuietLibxml();
  scratch = new ScratchFile();
  std::atexit(RemoveScratch);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  scratch->Write(data, size);
  {
    // Constructing a dispatcher registers only the internal plug-in; the system plug-in
    // directories are loaded by AddDefaultDirectories alone, which is never called here.
    Dispatcher dispatcher;
    try {
      auto plugin = XmlPlugin::New(scratch->Path());
      plugin->Initialize();
      dispatcher.RegisterPlugin(plugin);
    } catch (const Tarnek::TarnekException&) {
    }
    std::list<std::string> path;
    try {
      ShowHelp(dispatcher, dispatcher.GetRootNamespace(), path);
    } catch (const Tarnek::TarnekException&) {
    }
  }
  scratch->Remove();
  return 0;
}
