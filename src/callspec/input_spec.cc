// The declared parameter set of a call and the validation of an input against it.
#include <algorithm>

#include "tarnek/callspec.h"

namespace Tarnek {
namespace CallSpec {

namespace {

// Every command receives this parameter last, from the command base.
const char kHelpParameter[] = "help";

const char kNameTooShortMessage[] = "Parameter name must be at least 2 characters";

using ParameterList = std::vector<std::shared_ptr<ParameterSpec>>;

// The array is kept sorted by long name, so lookups are binary searches.
ParameterList::const_iterator LowerBound(const ParameterList& parameters, const std::string& name) {
  return std::lower_bound(parameters.begin(), parameters.end(), name,
                          [](const std::shared_ptr<ParameterSpec>& spec, const std::string& key) {
                            return spec->GetName() < key;
                          });
}

}  // namespace

std::shared_ptr<InputSpec> InputSpec::New() { return std::make_shared<InputSpec>(Key()); }

void InputSpec::AddParameter(const std::shared_ptr<ParameterSpec>& spec) {
  if (!spec) throw TarnekException("Cannot add a null ParameterSpec");
  const std::string& name = spec->GetName();
  if (name.size() < 2) throw TarnekException(kNameTooShortMessage);
  const std::string& shortName = spec->GetShortName();
  for (const auto& declared : parameters) {
    if (declared->GetName() == name) {
      throw TarnekException("Found a duplicate paramater specification for parameter named '" +
                            name + "'");
    }
    if (!shortName.empty() && declared->GetShortName() == shortName) {
      throw TarnekException("Invalid short name specified for --" + name + ". The short name -" +
                            shortName + " is already used for --" + declared->GetName());
    }
  }
  // A command's first own parameter is usually followed by the help parameter only.
  if (parameters.empty() && name != kHelpParameter) parameters.reserve(2);
  // Inserting at the sorted position keeps the same order as appending and re-sorting.
  parameters.insert(LowerBound(parameters, name), spec);
}

std::shared_ptr<ParameterSpec> InputSpec::GetParameter(const std::string& name) const {
  const auto found = LowerBound(parameters, name);
  if (found == parameters.end() || (*found)->GetName() != name) return nullptr;
  return *found;
}

void InputSpec::SetContextSupported(const std::string& name) { supportedContexts.insert(name); }

bool InputSpec::IsContextSupported(const std::string& name) const {
  return supportedContexts.count(name) != 0;
}

bool InputSpec::Validate(const std::shared_ptr<Input>& input,
                         const std::shared_ptr<Output>& output) const {
  if (!input) throw TarnekException("Cannot validate an empty input");
  // A help request is answered whatever else was given, even with required parameters
  // missing.
  if (input->HasParameter(kHelpParameter)) return true;

  bool valid = true;
  for (const auto& [name, values] : input->GetParameters()) {
    const std::shared_ptr<ParameterSpec> declared = GetParameter(name);
    if (!declared) {
      if (output) output->AddErrorMessage("Unknown parameter : " + name);
      valid = false;
    } else if (!declared->Validate(values, output)) {
      valid = false;
    }
  }
  for (const auto& declared : parameters) {
    if (declared->IsRequired() && !input->HasParameter(declared->GetName())) {
      if (output) output->AddErrorMessage("Missing required parameter --" + declared->GetName());
      valid = false;
    }
  }
  return valid;
}

}  // namespace CallSpec
}  // namespace Tarnek
