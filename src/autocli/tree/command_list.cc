// The built-in listing command.
#include "tarnek/autocli/command_list.h"

#include <algorithm>

namespace Tarnek {
namespace AutoCli {

using CallSpec::InputSpec;
using CallSpec::OutputSpec;
using CallSpec::ParameterSpec;
using CallSpec::ParameterType;
using MetaObj::MetaList;
using MetaObj::MetaString;
using MetaObj::MetaStruct;
using MetaObj::MetaType;

namespace {

// Empty filters let everything through; otherwise a plain case-sensitive substring test.
bool Passes(const std::string& filter, const std::string& text) {
  return filter.empty() || text.find(filter) != std::string::npos;
}

void AddFilter(InputSpec& spec, const char* name, const char* shortName,
               const char* description) {
  auto parameter = ParameterSpec::New(name, ParameterType::String);
  parameter->SetShortName(shortName);
  parameter->SetDescription(description);
  parameter->SetRequired(false);
  spec.AddParameter(parameter);
}

}  // namespace

CommandList::CommandList(Namespace* ns) : listedNamespace(ns) {
  SetDescription("List all of the qorcli commands.");
  SetDefaultOutputFormatter("table");
  SetDefaultOutputParameter("fields:QorCliCommand", "Namespace,Command,Description");
  SetDefaultOutputParameter("wrap-last", "true");
}

CommandList::~CommandList() = default;

std::shared_ptr<CommandList> CommandList::New(std::shared_ptr<Namespace> ns) {
  return std::make_shared<CommandList>(ns.get());
}

std::shared_ptr<MetaStruct> CommandList::GetOutputStructure() {
  auto row = MetaStruct::New("QorCliCommand");
  row->SetField("Namespace", MetaString::New());
  row->SetField("Command", MetaString::New());
  row->SetField("Description", MetaString::New());
  return row;
}

std::shared_ptr<InputSpec> CommandList::GetInputSpecInternal() {
  auto spec = InputSpec::New();
  AddFilter(*spec, "namespace-filter", "n",
            "Show only commands containing the specified string in their namespace path.");
  AddFilter(*spec, "command-filter", "c",
            "Show only commands containing the specified string in their name.");
  AddFilter(*spec, "description-filter", "d",
            "Show only commands containing the specified string in their description.");
  return spec;
}

std::shared_ptr<OutputSpec> CommandList::GetOutputSpecInternal() {
  auto spec = OutputSpec::New();
  spec->SetRootObject(MetaList::New(MetaType::Struct, GetOutputStructure()));
  return spec;
}

void CommandList::ExecuteInternal(const std::shared_ptr<CallSpec::Input>& input,
                                  const std::shared_ptr<CallSpec::Output>& output) {
  const std::string& namespaceFilter = input->GetParameter("namespace-filter");
  const std::string& commandFilter = input->GetParameter("command-filter");
  const std::string& descriptionFilter = input->GetParameter("description-filter");
  auto list = MetaList::New(MetaType::Struct, GetOutputStructure());
  AddChildren(namespaceFilter, commandFilter, descriptionFilter, listedNamespace, list.get());
  output->SetRootObject(list);
}

void CommandList::AddChildren(const std::string& namespaceFilter,
                              const std::string& commandFilter,
                              const std::string& descriptionFilter, NamespaceNode* node,
                              MetaList* list) {
  const std::string path = node->GetPathString('.');
  const std::vector<std::shared_ptr<NamespaceNode>> children = node->GetNamespaceNodes();
  // Room for this namespace's rows, grown geometrically: reserving exactly what each namespace
  // adds would copy the whole list once per namespace, quadratic in the number of plug-ins.
  const std::size_t rows = list->GetObjects().size();
  const std::size_t capacity = list->GetObjects().capacity();
  if (rows + children.size() > capacity) {
    list->Reserve(std::max(rows + children.size(), 2 * capacity));
  }
  for (const std::shared_ptr<NamespaceNode>& child : children) {
    switch (child->GetType()) {
      case NamespaceNodeType::Command: {
        if (!Passes(namespaceFilter, path) || !Passes(commandFilter, child->GetName()) ||
            !Passes(descriptionFilter, child->GetDescription())) {
          break;
        }
        // The row gets all three fields here, so it starts empty instead of as the three empty
        // strings of GetOutputStructure, each of which would be made only to be replaced.
        auto row = MetaStruct::New("QorCliCommand");
        row->SetField("Namespace", path);
        row->SetField("Command", child->GetName());
        row->SetField("Description", child->GetDescription());
        list->Add(row);
        break;
      }
      case NamespaceNodeType::Namespace:
        AddChildren(namespaceFilter, commandFilter, descriptionFilter, child.get(), list);
        break;
      case NamespaceNodeType::Root:
        break;
    }
  }
}

}  // namespace AutoCli
}  // namespace Tarnek
