// The raw parameter values and contexts of one call, and their typed readers.
#include <utility>

#include "tarnek/callspec.h"

namespace Tarnek {
namespace CallSpec {

namespace {

// What the readers return a reference to when there is nothing to return. Function-local,
// so that it is ready even for callers running during static initialisation.
const std::string& EmptyString() {
  static const std::string empty;
  return empty;
}

std::string FromCString(const char* text) { return text ? text : ""; }

}  // namespace

Input::Input() = default;
Input::~Input() = default;

// make_shared cannot reach the protected constructor.
std::shared_ptr<Input> Input::New() { return std::shared_ptr<Input>(new Input()); }

void Input::AddParameter(const std::string& name, const std::string& value) {
  parameters[name].push_back(value);
}

bool Input::HasParameter(const std::string& name) const { return parameters.count(name) != 0; }

bool Input::HasParameter(const char* name) const { return HasParameter(FromCString(name)); }

bool Input::IsFlagSet(const std::string& name) const { return HasParameter(name); }

bool Input::IsFlagSet(const char* name) const { return HasParameter(FromCString(name)); }

void Input::SetInputSpec(std::shared_ptr<InputSpec> spec) {
  inputSpec = std::move(spec);
  if (!inputSpec) return;
  // Values given under the long name keep their place ahead of those given under the short
  // name; the relative order within each group is kept.
  for (const auto& declared : inputSpec->GetParameters()) {
    const std::string& shortName = declared->GetShortName();
    if (shortName.empty()) continue;
    const auto shortEntry = parameters.find(shortName);
    if (shortEntry == parameters.end()) continue;
    std::vector<std::string> shortValues = std::move(shortEntry->second);
    parameters.erase(shortEntry);
    std::vector<std::string>& longValues = parameters[declared->GetName()];
    longValues.insert(longValues.end(), std::make_move_iterator(shortValues.begin()),
                      std::make_move_iterator(shortValues.end()));
  }
}

ParameterType Input::GetParameterType(const std::string& name) const {
  if (!inputSpec) {
    throw TarnekException("Request for parameter " + name +
                          " before an InputSpec was set");
  }
  const std::shared_ptr<ParameterSpec> declared = inputSpec->GetParameter(name);
  if (!declared) throw TarnekException("Request for unknown parameter: " + name);
  return declared->GetParameterType();
}

const std::string& Input::GetParameter(const std::string& name) const {
  switch (GetParameterType(name)) {
    case ParameterType::Flag:
      throw TarnekException("Request for GetParameter on a flag type parameter: " + name);
    case ParameterType::StringList:
    case ParameterType::IntList:
    case ParameterType::BoolList:
      throw TarnekException(
          "Request for GetParameter on a parameter that can have multiple values: " + name);
    case ParameterType::String:
    case ParameterType::Int:
    case ParameterType::Bool:
      break;
  }
  // A single-valued parameter given several times has no one value to answer with.
  const auto entry = parameters.find(name);
  if (entry == parameters.end() || entry->second.size() != 1) return EmptyString();
  return entry->second.front();
}

const std::string& Input::GetParameter(const char* name) const {
  return GetParameter(FromCString(name));
}

std::int64_t Input::GetParameterInt(const std::string& name) const {
  long number = 0;
  // -1 doubles as "missing or not a number"; HasParameter tells them apart.
  return ParameterSpec::GetInt(GetParameter(name), number) ? number : -1;
}

std::int64_t Input::GetParameterInt(const char* name) const {
  return GetParameterInt(FromCString(name));
}

bool Input::GetParameterBool(const std::string& name) const {
  bool truth = false;
  return ParameterSpec::GetBool(GetParameter(name), truth) && truth;
}

bool Input::GetParameterBool(const char* name) const { return GetParameterBool(FromCString(name)); }

void Input::GetParameterList(const std::string& name, std::vector<std::string>& out) const {
  const auto entry = parameters.find(name);
  if (entry == parameters.end()) return;
  out.insert(out.end(), entry->second.begin(), entry->second.end());
}

void Input::GetParameterList(const char* name, std::vector<std::string>& out) const {
  GetParameterList(FromCString(name), out);
}

void Input::GetParameterIntList(const std::string& name, std::vector<std::int64_t>& out) const {
  const auto entry = parameters.find(name);
  if (entry == parameters.end()) return;
  out.reserve(out.size() + entry->second.size());
  for (const std::string& value : entry->second) {
    long number = 0;
    if (ParameterSpec::GetInt(value, number)) out.push_back(number);
  }
}

void Input::GetParameterBoolList(const std::string& name, std::vector<bool>& out) const {
  const auto entry = parameters.find(name);
  if (entry == parameters.end()) return;
  for (const std::string& value : entry->second) {
    bool truth = false;
    out.push_back(ParameterSpec::GetBool(value, truth) && truth);
  }
}

std::string Input::GetParameterListAsString(const std::string& name, char separator,
                                            bool quote) const {
  std::string text;
  if (quote) text += '"';
  const auto entry = parameters.find(name);
  if (entry != parameters.end()) {
    for (std::size_t i = 0; i < entry->second.size(); ++i) {
      if (i != 0) text += separator;
      text += entry->second[i];
    }
  }
  if (quote) text += '"';
  return text;
}

void Input::SetContext(const std::string& name, const std::string& value) {
  contexts[name] = value;
}

const std::string& Input::GetContext(const std::string& name) const {
  const auto entry = contexts.find(name);
  return entry == contexts.end() ? EmptyString() : entry->second;
}

}  // namespace CallSpec
}  // namespace Tarnek
