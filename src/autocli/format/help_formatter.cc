// The help formatters: namespace listings and command "--help" pages.
#include "tarnek/autocli/help_formatter.h"

#include <algorithm>
#include <cstddef>
#include <ios>
#include <iomanip>

#include "tarnek/autocli/table_formatter.h"
#include "tarnek/exception.h"

namespace Tarnek {
namespace AutoCli {

using CallSpec::Output;
using MetaObj::MetaBool;
using MetaObj::MetaList;
using MetaObj::MetaObject;
using MetaObj::MetaString;
using MetaObj::MetaStruct;
using MetaObj::MetaType;

namespace {

const char kListingType[] = "QorcliCommandPrint";
const char kCommandHelpType[] = "QorCliCommandHelp";

const char kListingRootError[] =
    "Error: Unexpected type for help output, formatter expected a struct with help data";
const char kCommandHelpRootError[] =
    "Error: Unexpected type for output, formatter expected a struct with help information";

const char kSecretWarning[] =
    "\nWARNING: Providing secret values on the command line is insecure because it may be "
    "logged or preserved in history files. Instead, specify this option with no value on the "
    "command line, and enter the value on the supplied prompt.";

// The option prefix is seven columns wide with a one-letter short name ("  -d|--" or
// "     --"), and the name column adds two more than the longest name plus one: descriptions
// therefore start seven plus two columns after the widest name.
constexpr int kOptionPrefixWidth = 7;
constexpr int kNameGap = 2;

std::shared_ptr<MetaStruct> RootStructOfType(const std::shared_ptr<Output>& output,
                                              const char* typeName, const char* error) {
  std::shared_ptr<MetaStruct> root;
  if (output) root = std::dynamic_pointer_cast<MetaStruct>(output->GetRootObject());
  if (!root || root->GetTypeName() != typeName) throw TarnekException(error);
  return root;
}

// A flag that is absent or of another kind is off: the help page is shown for whatever the
// structure holds rather than refused.
bool GetBoolField(const std::shared_ptr<MetaStruct>& value, const std::string& name) {
  const auto flag = std::dynamic_pointer_cast<MetaBool>(value->GetField(name));
  return flag && flag->GetValue();
}

std::shared_ptr<MetaList> GetListField(const std::shared_ptr<MetaStruct>& value,
                                       const std::string& name) {
  return std::dynamic_pointer_cast<MetaList>(value->GetField(name));
}

std::string ParameterText(const std::shared_ptr<MetaStruct>& parameter) {
  const bool required = GetBoolField(parameter, "Required");
  const bool secret = GetBoolField(parameter, "Secret");
  std::string text = GetStringField(parameter, "Description");
  if (required || secret) {
    text += " (";
    if (required) text += "required";
    if (required && secret) text += ' ';
    if (secret) text += "secret";
    text += ')';
  }
  // The warning goes on a line of its own under the description: the fitting below splits
  // at the newline and indents the second piece to the description column.
  if (secret) text += kSecretWarning;
  return text;
}

void WriteParameters(const std::shared_ptr<MetaList>& parameters, int width, std::ostream& out) {
  std::size_t maxName = 0;
  for (const auto& item : parameters->GetObjects()) {
    if (const auto parameter = std::dynamic_pointer_cast<MetaStruct>(item)) {
      maxName = std::max(maxName, GetStringField(parameter, "Name").size() + 1);
    }
  }
  const int nameWidth = static_cast<int>(maxName) + kNameGap;
  const int indent = kOptionPrefixWidth + nameWidth;

  // Names are padded on the right; the caller's adjustment is given back afterwards so that
  // a stream shared with other output is left as it was found.
  const std::ios_base::fmtflags adjustment = out.flags() & std::ios_base::adjustfield;
  for (const auto& item : parameters->GetObjects()) {
    const auto parameter = std::dynamic_pointer_cast<MetaStruct>(item);
    if (!parameter) continue;
    out.setf(std::ios_base::left, std::ios_base::adjustfield);
    const std::string shortName = GetStringField(parameter, "Short Name");
    if (shortName.empty()) {
      out << "     --";
    } else {
      out << "  -" << shortName << "|--";
    }
    out << std::setw(nameWidth) << GetStringField(parameter, "Name");
    AutoCli_FitString(indent, width, ParameterText(parameter), true, out, true, '\0', true);
    out.setf(adjustment, std::ios_base::adjustfield);
  }
}

void WriteExamples(const std::shared_ptr<MetaList>& examples, int width, std::ostream& out) {
  out << std::endl << "Examples: " << std::endl << std::endl;
  for (const auto& item : examples->GetObjects()) {
    const auto example = std::dynamic_pointer_cast<MetaStruct>(item);
    // The structure holds the finished texts (the description already ends in " :" and the
    // syntax is the whole "# <program> <path> <arguments>" line), so both are printed as
    // they stand; adding either part here would show it twice.
    AutoCli_FitString(4, width, GetStringField(example, "Description"), false, out, true, '\0',
                      false);
    out << GetStringField(example, "Syntax");
    AutoCli_FitString(8, width, std::string(), false, out, true, '\0', false);
    out << std::endl;
  }
}

}  // namespace

std::string GetStringField(std::shared_ptr<MetaStruct> value, const std::string& name) {
  if (!value) return std::string();
  const auto text = std::dynamic_pointer_cast<MetaString>(value->GetField(name));
  return text ? text->GetValue() : std::string();
}

// ---- CliDispatcherHelpFormatter ----

CliDispatcherHelpFormatter::CliDispatcherHelpFormatter() : Formatter("clihelp") {
  description = "Format the --help output for all commands.";
}

std::shared_ptr<CliDispatcherHelpFormatter> CliDispatcherHelpFormatter::New() {
  return std::make_shared<CliDispatcherHelpFormatter>();
}

bool CliDispatcherHelpFormatter::ExtractString(const std::string& name,
                                               std::shared_ptr<MetaStruct> value,
                                               std::string& result) {
  const auto text =
      value ? std::dynamic_pointer_cast<MetaString>(value->GetField(name)) : nullptr;
  if (!text) {
    // The placeholder keeps the usage line readable when the builder left the field out.
    result = "<" + name + ">";
    return false;
  }
  result = text->GetValue();
  return true;
}

bool CliDispatcherHelpFormatter::HandleList(const std::string& typeName,
                                            std::shared_ptr<MetaList> nodes,
                                            DisplayContext& display, std::ostream& out) {
  out << "Available " << typeName << "s: " << std::endl << std::endl;
  if (!nodes) {
    out << "ERROR, list is bad" << std::endl;
    return true;
  }

  // The selection keeps the listing's element structure, so an empty selection is still a
  // typed list and the table prints nothing for it instead of refusing it.
  auto selected = MetaList::New(MetaType::Struct, nodes->GetListStructure());
  for (const auto& item : nodes->GetObjects()) {
    const auto node = std::dynamic_pointer_cast<MetaStruct>(item);
    if (!node) continue;
    const std::shared_ptr<MetaObject> type = node->GetField("Type");
    if (type && type->ToString() == typeName) selected->Add(node);
  }

  auto table = Output::New();
  table->SetRootObject(selected);
  FormatParameters tableParams;
  tableParams.SetFormatter("table");
  tableParams.SetParameter("fields", "Name,Description");
  tableParams.SetParameter("table-header", "false");
  tableParams.SetParameter("wrap-last", "true");
  // A row the table cannot print leaves its own note in the text; the listing goes on.
  TableFormatter().Format(table, tableParams, display, out);
  out << std::endl;
  return true;
}

bool CliDispatcherHelpFormatter::Format(const std::shared_ptr<Output>& output,
                                        FormatParameters& /*params*/, DisplayContext& display,
                                        std::ostream& out) {
  const std::shared_ptr<MetaStruct> root =
      RootStructOfType(output, kListingType, kListingRootError);

  std::string dispatcher;
  ExtractString("Dispatcher", root, dispatcher);

  out << "Usage: " << dispatcher << " [disp options]";
  if (const auto path = GetListField(root, "Path")) {
    for (const auto& word : path->GetObjects()) out << ' ' << word->ToString();
  }
  out << " <namespaces> <command>" << std::endl << std::endl;
  out << "For help please run " << dispatcher << " --help" << std::endl << std::endl;

  const std::shared_ptr<MetaList> nodes = GetListField(root, "NamespaceNodes");
  HandleList("Namespace", nodes, display, out);
  HandleList("Command", nodes, display, out);
  return true;
}

// ---- CommandHelpFormatter ----

CommandHelpFormatter::CommandHelpFormatter() : Formatter("commandhelp") {
  description = "Handle --help output for commands";
}

std::shared_ptr<CommandHelpFormatter> CommandHelpFormatter::New() {
  return std::make_shared<CommandHelpFormatter>();
}

bool CommandHelpFormatter::Format(const std::shared_ptr<Output>& output,
                                  FormatParameters& /*params*/, DisplayContext& display,
                                  std::ostream& out) {
  const std::shared_ptr<MetaStruct> root =
      RootStructOfType(output, kCommandHelpType, kCommandHelpRootError);
  const int width = display.width;

  const std::string commandLine =
      GetStringField(root, "Dispatcher") + " " + GetStringField(root, "Path");
  out << "Usage: " << commandLine << " <options>" << std::endl << std::endl;
  out << "Description: " << GetStringField(root, "Description") << std::endl << std::endl;

  if (const auto parameters = GetListField(root, "Param List")) {
    WriteParameters(parameters, width, out);
  }
  const auto examples = GetListField(root, "Example List");
  if (examples && examples->GetCount() > 0) WriteExamples(examples, width, out);
  return true;
}

}  // namespace AutoCli
}  // namespace Tarnek
