// Commands: leaves of the tree with cached input and output declarations, help output and
// checked execution.
#include <exception>

#include "tarnek/autocli/tree.h"
#include "tarnek/exception.h"
#include "tarnek/metaobj.h"

namespace Tarnek {
namespace AutoCli {

using CallSpec::Input;
using CallSpec::InputSpec;
using CallSpec::Output;
using CallSpec::OutputSpec;
using CallSpec::ParameterSpec;
using CallSpec::ParameterType;
using MetaObj::MetaBool;
using MetaObj::MetaList;
using MetaObj::MetaString;
using MetaObj::MetaStruct;
using MetaObj::MetaType;

namespace {

std::string JoinWords(const std::list<std::string>& words) {
  std::string joined;
  bool first = true;
  for (const std::string& word : words) {
    if (!first) joined += ' ';
    joined += word;
    first = false;
  }
  return joined;
}

// Element definitions of the two help lists: an empty list still declares its rows.
std::shared_ptr<MetaStruct> ParameterDefinition() {
  auto definition = MetaStruct::New("QorCliCommandParameter");
  definition->SetField("Name", MetaString::New());
  definition->SetField("Short Name", MetaString::New());
  definition->SetField("Description", MetaString::New());
  definition->SetField("Required", MetaBool::New());
  definition->SetField("Secret", MetaBool::New());
  return definition;
}

std::shared_ptr<MetaStruct> ExampleDefinition() {
  auto definition = MetaStruct::New("QorCliCommandExample");
  definition->SetField("Description", MetaString::New());
  definition->SetField("Syntax", MetaString::New());
  return definition;
}

}  // namespace

// ---- CommandInput / CommandOutput ----

CommandInput::~CommandInput() = default;

std::shared_ptr<CommandInput> CommandInput::New() { return std::make_shared<CommandInput>(); }

std::string CommandInput::GetCommandPathString() const { return JoinWords(commandPath); }

CommandOutput::~CommandOutput() = default;

std::shared_ptr<CommandOutput> CommandOutput::New() { return std::make_shared<CommandOutput>(); }

// ---- CommandSpec ----

CommandSpec::~CommandSpec() = default;

std::shared_ptr<InputSpec> CommandSpec::GetInputSpec() {
  if (inputSpec) return inputSpec;
  inputSpec = GetInputSpecInternal();
  auto help = ParameterSpec::New("help", ParameterType::Bool);
  help->SetShortName("h");
  help->SetDescription("Show the help message.");
  help->SetRequired(false);
  inputSpec->AddParameter(help);
  return inputSpec;
}

std::shared_ptr<OutputSpec> CommandSpec::GetOutputSpec() {
  if (!outputSpec) outputSpec = GetOutputSpecInternal();
  return outputSpec;
}

std::shared_ptr<NamespaceNode> CommandSpec::GetThis() { return shared_from_this(); }

bool CommandSpec::HasNamespaceNode(const std::string&) { return false; }

std::shared_ptr<NamespaceNode> CommandSpec::GetNamespaceNode(const std::string& childName) {
  throw TarnekException("Unable to find a namespace or command with the name '" + childName +
                        "' on the command '" + GetPathString(' ') +
                        "'. Commands cannot have sub-commands or sub-namespaces.");
}

void CommandSpec::RegisterNamespaceNode(std::shared_ptr<NamespaceNode>, std::string childName) {
  throw TarnekException("Attempt to register a command or namespace '" + childName +
                        "' on command '" + GetPathString(' ') +
                        "'. Commands cannot have sub-commands or sub-namespaces.");
}

void CommandSpec::RegisterNamespaceNode(std::shared_ptr<NamespaceNode> node,
                                        const char* childName) {
  RegisterNamespaceNode(std::move(node), std::string(childName ? childName : ""));
}

std::shared_ptr<NamespaceNode> CommandSpec::ResolveNode(std::list<std::string>& path) {
  throw TarnekException("Unable to find a namespace or command with the name '" +
                        JoinWords(path) + "' on the command '" + GetPathString(' ') +
                        "'. Commands cannot have sub-commands or sub-namespaces.");
}

Dispatcher* CommandSpec::GetDispatcher() {
  const std::shared_ptr<NamespaceNode> up = GetParent();
  if (!up) {
    throw TarnekException("Invalid state for command with name '" + name +
                          "'. No parent node has been set.");
  }
  return up->GetDispatcher();
}

void CommandSpec::SetParent(std::shared_ptr<NamespaceNode> newParent) { parent = newParent; }

std::shared_ptr<NamespaceNode> CommandSpec::GetParent() { return parent.lock(); }

NamespaceNodeType CommandSpec::GetType() { return NamespaceNodeType::Command; }

void CommandSpec::AddExample(std::string arguments, std::string exampleDescription) {
  examples.emplace_back(std::move(arguments), std::move(exampleDescription));
}

void CommandSpec::AddExample(const char* arguments, const char* exampleDescription) {
  AddExample(std::string(arguments ? arguments : ""),
             std::string(exampleDescription ? exampleDescription : ""));
}

void CommandSpec::SetDefaultOutputFormatter(std::string formatter) {
  defaultOutputFormatParameters.SetFormatter(std::move(formatter));
}

void CommandSpec::SetDefaultOutputFormatter(const char* formatter) {
  defaultOutputFormatParameters.SetFormatter(formatter);
}

void CommandSpec::SetDefaultOutputParameter(std::string key, std::string value) {
  defaultOutputFormatParameters.SetParameter(std::move(key), std::move(value));
}

void CommandSpec::SetDefaultOutputParameter(const char* key, const char* value) {
  defaultOutputFormatParameters.SetParameter(key, value);
}

void CommandSpec::GenerateHelpOutput(const std::shared_ptr<Input>& input,
                                     const std::shared_ptr<Output>& output) {
  auto help = MetaStruct::New("QorCliCommandHelp");

  std::string commandLine;
  if (const auto* commandInput = dynamic_cast<const CommandInput*>(input.get())) {
    const std::string path = commandInput->GetCommandPathString();
    help->SetField("Dispatcher", commandInput->GetDispatcher());
    help->SetField("Path", path);
    commandLine = commandInput->GetDispatcher() + " " + path;
  }
  help->SetField("Description", description);

  const std::vector<std::shared_ptr<ParameterSpec>> parameters = GetInputSpec()->GetParameters();
  auto parameterList = MetaList::New(MetaType::Struct, ParameterDefinition());
  parameterList->Reserve(parameters.size());
  for (const auto& parameter : parameters) {
    auto row = MetaStruct::New("QorCliCommandParameter");
    row->SetField("Name", parameter->GetName());
    row->SetField("Short Name", parameter->GetShortName());
    row->SetField("Description", parameter->GetDescription(true));
    row->SetField("Required", parameter->IsRequired());
    row->SetField("Secret", parameter->IsSecret());
    parameterList->Add(row);
  }
  help->SetField("Param List", parameterList);

  // The example texts are finished here, once: the description with its " :" and the syntax
  // as the full command line in a comment, so every formatter shows the same words.
  auto exampleList = MetaList::New(MetaType::Struct, ExampleDefinition());
  exampleList->Reserve(examples.size());
  for (const Example& example : examples) {
    auto row = MetaStruct::New("QorCliCommandExample");
    row->SetField("Description", example.second + " :");
    row->SetField("Syntax", "# " + commandLine + " " + example.first);
    exampleList->Add(row);
  }
  help->SetField("Example List", exampleList);

  output->SetRootObject(help);
  output->SetOutputType(Output::OutputType::Help);
}

// ---- Command ----

Command::~Command() = default;

void Command::Execute(const std::shared_ptr<Input>& input,
                      const std::shared_ptr<Output>& output) {
  if (input->HasParameter("help")) {
    GenerateHelpOutput(input, output);
    return;
  }
  try {
    ExecuteInternal(input, output);
  } catch (const std::exception& error) {
    const auto* commandInput = dynamic_cast<const CommandInput*>(input.get());
    const std::string where = commandInput ? commandInput->GetCommandPathString() : name;
    output->AddErrorMessage("Error on command " + where + " : " + error.what());
  }
  // A command reports user-facing failures as messages; such a result is not checked.
  if (output->HasError()) return;

  std::vector<std::string> errors;
  if (!GetOutputSpec()->Validate(output, &errors)) {
    for (std::string& error : errors) output->AddErrorMessage(std::move(error));
    output->AddErrorMessage(
        "Implementation error! The output of this command does not match the declared output "
        "type, see errors above.");
  }
}

}  // namespace AutoCli
}  // namespace Tarnek
