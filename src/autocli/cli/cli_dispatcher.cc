// The command-line dispatcher: dispatcher options, namespace listings, input streams, command
// execution, rendering and error printing.
#include "tarnek/autocli/cli_dispatcher.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iostream>

#include <boost/regex.hpp>

#include "hostaudit.h"
#include "tarnek/autocli/help_formatter.h"
#include "tarnek/metaobj.h"
#include "result_stream.h"

namespace Tarnek {
namespace AutoCli {

using CallSpec::Output;
using MetaObj::MetaList;
using MetaObj::MetaString;
using MetaObj::MetaStruct;
using MetaObj::MetaType;

namespace {

// The --screen-width of the process; it also holds for later lines of an input stream.
long gRequestedScreenWidth = 0;

// A person may be watching a terminal; anything else reads the result only once it is whole.
bool StandardOutputIsInteractive() { return ::isatty(STDOUT_FILENO) == 1; }

const char* const kKnownDispatcherParameters[] = {"h",      "help",         "formatter",
                                                  "plugin-dir", "plugin", "format-param",
                                                  "screen-width"};

bool IsKnownDispatcherParameter(const std::string& name) {
  for (const char* known : kKnownDispatcherParameters) {
    if (name == known) return true;
  }
  return false;
}

const char* NodeTypeWord(NamespaceNodeType type) {
  switch (type) {
    case NamespaceNodeType::Namespace:
      return "Namespace";
    case NamespaceNodeType::Command:
      return "Command";
    case NamespaceNodeType::Root:
      break;
  }
  return "Unknown";
}

std::shared_ptr<MetaStruct> NamespaceNodeDefinition() {
  auto definition = MetaStruct::New("NamespaceNode");
  definition->SetField("Name", MetaString::New());
  definition->SetField("Description", MetaString::New());
  definition->SetField("Type", MetaString::New());
  return definition;
}

void PrintUsage(const std::string& name) {
  std::cout << name << " [dispatcher options] <namespaces> <command> [options]" << std::endl
            << "      For a list of available namespaces run " << name
            << " with no arguments.  " << std::endl
            << "      Objects can be listed by specifying just the namespace." << std::endl
            << "      Commands can be listed by specifying the namespace and object." << std::endl
            << std::endl
            << " Dispatcher Options: " << std::endl
            << "       --plugin-dir                    Add all the plug-ins from this directory"
            << std::endl
            << "       --plugin                        Add a specific file plugin.  (Multiple "
               "--plugin options can be passed.)"
            << std::endl
            << "       --formatter <formatter>         Override the formatter to use for a given "
               "command"
            << std::endl
            << "       --format-param <key>=<value>    Set a formatter parameter to give the "
               "formatter information about how to format the command"
            << std::endl
            << "       --screen-width <width>          Use the specified screen width when "
               "formatting text"
            << std::endl
            << "    -h|--help                          Show this message." << std::endl
            << std::endl;
}

}  // namespace

CliDispatcher::CliDispatcher() = default;

CliDispatcher::~CliDispatcher() = default;

void CliDispatcher::HandleArgvInput(int argc, const char* const* argv) {
  OptionParser parser;
  parser.ParseArgv(argc, argv);
  const bool succeeded = HandleOptions(parser, true);
  std::exit(succeeded ? 0 : 1);
}

bool CliDispatcher::ParseStreamInput(std::istream& in) {
  bool result = true;
  std::string line;
  while (std::getline(in, line)) {
    OptionParser parser;
    if (parser.ParseString(line)) continue;  // blank or comment
    result = HandleOptions(parser, false);
  }
  return result;
}

bool CliDispatcher::HandleOptions(OptionParser& parser, bool allowInput) {
  const char* user = std::getenv("ZN_USERNAME");
  const HostAudit::AuditParamOnStack auditUser("user", user ? user : "");

  const std::shared_ptr<CommandInput> input = CommandInput::New();
  const std::shared_ptr<CommandOutput> output = CommandOutput::New();
  FormatParameters formatSettings;

  for (const std::string& error : parser.GetParseErrors()) output->AddErrorMessage(error);
  if (output->HasError()) {
    PrintError(output);
    return false;
  }
  dispatcherName = parser.GetDispatcher();

  if (!HandleDispatcherOptions(parser, formatSettings, output)) {
    std::cout.flush();
    std::exit(1);
  }
  DisplayContext displayContext;
  GetDisplayContext(displayContext);

  if (allowInput && parser.HasDispatcherParameter("input")) {
    const std::vector<std::string> sources = parser.GetDispatcherParameter("input");
    if (sources.size() > 1) {
      std::cerr << "Only one --input dispatch parameter is allowed" << std::endl;
      return false;
    }
    if (sources.front() == "STDIN") return ParseStreamInput(std::cin);
    std::ifstream file(sources.front());
    if (!file) {
      std::cerr << "Unable to open file " << sources.front() << std::endl;
      return false;
    }
    return ParseStreamInput(file);
  }

  bool result = false;
  std::list<std::string> path = parser.GetCommandPath();
  if (path.empty()) {
    PrintChildren(GetRootNamespace(), output);
  } else {
    // An unknown word throws from the tree to the caller: there is nothing to list or run.
    const std::shared_ptr<NamespaceNode> node = GetRootNamespace()->ResolveNode(path);
    const std::shared_ptr<Command> command = std::dynamic_pointer_cast<Command>(node);
    if (!command) {
      PrintChildren(node, output);
    } else {
      input->SetDispatcher(dispatcherName);
      input->SetCommandPath(path);
      parser.SetInputSpec(command->GetInputSpec());
      const OptionParser::ParameterList& parameters = parser.GetCommandParameters();
      for (const std::string& error : parser.GetParseErrors()) output->AddErrorMessage(error);
      if (output->HasError()) {
        PrintError(output);
        return false;
      }
      for (const auto& [name, value] : parameters) input->AddParameter(name, value);

      result = ExecuteCommand(input, output);
      if (!output->HasError()) {
        FormatParameters settings;
        switch (output->GetOutputType()) {
          case Output::OutputType::Default:
            settings = GetDefaultOutputFormatParameters(input, output);
            break;
          case Output::OutputType::Help:
            settings = GetHelpFormatParams();
            break;
          case Output::OutputType::Plain:
            break;
        }
        settings.OverrideValues(formatSettings);
        if (result && !output->HasError()) {
          Internal::ResultStream out(std::cout, StandardOutputIsInteractive());
          result = FormatOutput(output, settings, displayContext, out.Get());
          out.Finish();
        }
      }
    }
  }
  if (output->HasError()) {
    PrintError(output);
    result = false;
  }
  return result;
}

bool CliDispatcher::HandleDispatcherOptions(OptionParser& parser, FormatParameters& formatParams,
                                            const std::shared_ptr<Output>& output) {
  ValidateDispatcherParameters(parser, output);
  if (parser.HasDispatcherParameter("h") || parser.HasDispatcherParameter("help")) {
    PrintUsage(dispatcherName);
    return false;
  }
  if (parser.HasDispatcherParameter("screen-width")) {
    gRequestedScreenWidth =
        std::strtol(parser.GetDispatcherParameter("screen-width").back().c_str(), nullptr, 0);
  }
  if (parser.HasDispatcherParameter("formatter")) {
    const std::vector<std::string> formatters = parser.GetDispatcherParameter("formatter");
    if (formatters.size() > 1) {
      output->AddErrorMessage("Only one --formatter option can be passed to a command");
    } else if (formatters.front().empty()) {
      output->AddErrorMessage(
          "--formatter requires the name of the formatter to use for this command");
    } else {
      formatParams.SetFormatter(formatters.front());
    }
  }
  for (const std::string& directory : parser.GetDispatcherParameter("plugin-dir")) {
    if (!directory.empty()) AddExternalDirectory(directory);
  }
  for (const std::string& file : parser.GetDispatcherParameter("plugin")) {
    if (file.empty()) continue;
    try {
      AddPlugin(file);
    } catch (const TarnekException& error) {
      std::cerr << "Unable to load plugin " << file << ": " << error.what() << std::endl;
    }
  }
  if (!parser.HasDispatcherParameter("format-param")) return true;
  static const boost::regex formatParameter("^([a-zA-Z0-9 .\\-:]+)=(.+)$");
  for (const std::string& setting : parser.GetDispatcherParameter("format-param")) {
    boost::smatch match;
    if (boost::regex_match(setting, match, formatParameter)) {
      formatParams.SetParameter(match[1].str(), match[2].str());
    } else {
      output->AddErrorMessage("Unable to read format parameter " + setting);
    }
  }
  return true;
}

void CliDispatcher::ValidateDispatcherParameters(OptionParser& parser,
                                                 const std::shared_ptr<Output>& output) {
  for (const auto& parameter : parser.GetDispatcherParameters()) {
    if (!IsKnownDispatcherParameter(parameter.first)) {
      output->AddErrorMessage("Unknown dispatcher parameter: " + parameter.first);
    }
  }
}

void CliDispatcher::GetDisplayContext(DisplayContext& ctx) {
  winsize size{};
  if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0) {
    ctx.width = size.ws_col;
    ctx.height = size.ws_row;
  }
  if (gRequestedScreenWidth >= 1 && gRequestedScreenWidth <= 9999) {
    ctx.width = static_cast<std::uint16_t>(gRequestedScreenWidth);
  }
}

FormatParameters CliDispatcher::GetHelpFormatParams() {
  FormatParameters params;
  params.SetFormatter("commandhelp");
  return params;
}

void CliDispatcher::PrintChildren(std::shared_ptr<NamespaceNode> node,
                                  std::shared_ptr<CommandOutput> output) {
  auto print = MetaStruct::New("QorcliCommandPrint");
  print->SetField("Dispatcher", dispatcherName);
  auto path = MetaList::New(MetaType::String);
  for (std::string& word : node->GetPath()) path->Add(std::move(word));
  print->SetField("Path", path);
  auto children = MetaList::New(MetaType::Struct, NamespaceNodeDefinition());
  for (const std::shared_ptr<NamespaceNode>& child : node->GetNamespaceNodes()) {
    auto row = MetaStruct::New("NamespaceNode");
    row->SetField("Name", child->GetName());
    row->SetField("Description", child->GetDescription());
    row->SetField("Type", NodeTypeWord(child->GetType()));
    children->Add(row);
  }
  print->SetField("NamespaceNodes", children);
  output->SetRootObject(print);

  FormatParameters params = GetHelpFormatParams();
  DisplayContext displayContext;
  GetDisplayContext(displayContext);
  CliDispatcherHelpFormatter formatter;
  Internal::ResultStream out(std::cout, StandardOutputIsInteractive());
  formatter.Format(output, params, displayContext, out.Get());
  out.Finish();
}

void CliDispatcher::PrintError(const std::shared_ptr<Output>& output) {
  if (!output->HasError()) return;
  std::cerr << "Errors: " << std::endl;
  for (const std::string& error : output->GetErrors()) std::cerr << error << std::endl;
}

}  // namespace AutoCli
}  // namespace Tarnek
