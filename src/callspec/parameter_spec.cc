// Parameter declarations: names, flags, constraints, and the checks of raw string values.
#include <cctype>
#include <cstdlib>
#include <utility>

#include <boost/algorithm/string/replace.hpp>

#include "tarnek/callspec.h"

namespace Tarnek {
namespace CallSpec {

namespace {

const char kBadShortNameMessage[] =
    "Invalid value for shortName, must be a single character a-z, A-Z or 0-9";
const char kBoolWords[] = "[1, 0, y, n, true, false, True, False, yes, no, t, f, T, F]";

const char kRegexPlaceholder[] = "%REGEX%";
const char kEnumPlaceholder[] = "%ENUM%";
const char kFullEnumPlaceholder[] = "%FULLENUM%";

// At least one lower-case letter, digit or hyphen. Checked by hand: every parameter of every
// loaded command passes here, and matching a pattern cost more than the rest of making one.
bool IsValidParameterName(const std::string& name) {
  if (name.empty()) return false;
  for (const char c : name) {
    if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-')) return false;
  }
  return true;
}

void Report(const std::shared_ptr<Output>& output, std::string message) {
  if (output) output->AddErrorMessage(std::move(message));
}

bool IsListType(ParameterType type) {
  return type == ParameterType::StringList || type == ParameterType::IntList ||
         type == ParameterType::BoolList;
}

// The described values of a string set, one indented line each, for help texts that list
// what every value means.
std::string FullEnumeration(const ParameterConstraint& constraint) {
  if (constraint.GetType() != ParameterConstraintType::StringEnum) return std::string();
  std::string text;
  for (const auto& [value, description] : constraint.GetStringEnumWithDesc()) {
    text.append("\n    ").append(value).append(": ").append(description);
  }
  return text + "\n";
}

}  // namespace

ParameterSpec::ParameterSpec(std::string parameterName, ParameterType type)
    : parameterType(type), name(std::move(parameterName)) {
  // The minimum length is left to InputSpec: "h"-style names are refused only when added.
  if (!IsValidParameterName(name)) {
    throw TarnekException("Invalid Parameter name '" + name +
                          "' parameter names can only contain lower-case alphanumeric "
                          "characters, numbers and '-'");
  }
}

std::shared_ptr<ParameterSpec> ParameterSpec::New(const std::string& name, ParameterType type) {
  return std::make_shared<ParameterSpec>(name, type);
}

std::shared_ptr<ParameterSpec> ParameterSpec::New(std::string&& name, ParameterType type) {
  return std::make_shared<ParameterSpec>(std::move(name), type);
}

std::shared_ptr<ParameterSpec> ParameterSpec::New(const char* name, ParameterType type) {
  return std::make_shared<ParameterSpec>(std::string(name ? name : ""), type);
}

void ParameterSpec::SetShortName(std::string newShortName) {
  if (newShortName.size() != 1 || !std::isalnum(static_cast<unsigned char>(newShortName[0]))) {
    throw TarnekException(kBadShortNameMessage);
  }
  shortName = std::move(newShortName);
}

void ParameterSpec::SetShortName(const char* newShortName) {
  SetShortName(std::string(newShortName ? newShortName : ""));
}

void ParameterSpec::SetDescription(std::string text) { description = std::move(text); }

void ParameterSpec::SetDescription(const char* text) { description = text ? text : ""; }

std::string ParameterSpec::GetDescription(bool substitute) const {
  if (!substitute || !constraint) return description;
  // The presence tests look at the stored text, so a placeholder that only appears inside
  // an earlier replacement does not trigger its own replacement.
  std::string text = description;
  if (description.find(kRegexPlaceholder) != std::string::npos) {
    boost::algorithm::replace_first(text, kRegexPlaceholder, constraint->ToString());
  }
  if (description.find(kEnumPlaceholder) != std::string::npos) {
    boost::algorithm::replace_first(text, kEnumPlaceholder, constraint->ToString());
  }
  if (description.find(kFullEnumPlaceholder) != std::string::npos) {
    boost::algorithm::replace_first(text, kFullEnumPlaceholder, FullEnumeration(*constraint));
  }
  return text;
}

void ParameterSpec::SetSecret(bool isSecret) {
  // Only a single free-text value can be prompted for without echo.
  if (parameterType != ParameterType::String) {
    throw TarnekException("Cannot be set for parameter " + name);
  }
  secret = isSecret;
}

bool ParameterSpec::AllowMultiple() const noexcept { return IsListType(parameterType); }

void ParameterSpec::SetConstraint(const std::shared_ptr<ParameterConstraint>& newConstraint) {
  if (!newConstraint) return;
  bool fits = false;
  switch (newConstraint->GetType()) {
    case ParameterConstraintType::IntRange:
    case ParameterConstraintType::IntEnum:
      fits = parameterType == ParameterType::Int || parameterType == ParameterType::IntList;
      break;
    case ParameterConstraintType::StringEnum:
    case ParameterConstraintType::StringRegex:
      fits = parameterType == ParameterType::String || parameterType == ParameterType::StringList;
      break;
    case ParameterConstraintType::None:
      break;
  }
  if (!fits) {
    throw TarnekException("Invalid constraint specified for parameter " + name +
                          ".  The parameter constraint specified is not allowed for a "
                          "parameter of this type.");
  }
  constraint = newConstraint;
}

bool ParameterSpec::GetInt(const std::string& value, long& out) {
  if (value.empty()) return false;
  const char* const begin = value.c_str();
  char* end = nullptr;
  // strtoll clamps out-of-range values; they are accepted as clamped.
  const long long number = std::strtoll(begin, &end, 10);
  // Comparing with the full length also refuses text after an embedded NUL.
  if (end != begin + value.size()) return false;
  out = static_cast<long>(number);
  return true;
}

bool ParameterSpec::GetBool(const std::string& value, bool& out) {
  static const char* const kTrueWords[] = {"1", "yes", "y", "true", "True", "t", "T"};
  static const char* const kFalseWords[] = {"0", "no", "n", "false", "False", "f", "F"};
  for (const char* word : kTrueWords) {
    if (value == word) {
      out = true;
      return true;
    }
  }
  for (const char* word : kFalseWords) {
    if (value == word) {
      out = false;
      return true;
    }
  }
  return false;
}

bool ParameterSpec::Validate(const std::vector<std::string>& values,
                             const std::shared_ptr<Output>& output) const {
  // Every problem is reported, so one call can name all its bad values at once.
  bool valid = true;
  if (values.empty()) {
    Report(output, "Missing value for parameter " + name);
    valid = false;
  } else if (values.size() > 1 && !AllowMultiple()) {
    Report(output,
           "Found multiple values for " + name + " this parameter can only accept a single value.");
    valid = false;
  }
  for (const std::string& value : values) {
    bool typeValid = true;
    switch (parameterType) {
      case ParameterType::Int:
      case ParameterType::IntList: {
        long number = 0;
        if (!GetInt(value, number)) {
          Report(output,
                 "Invalid data '" + value + "' for parameter " + name + " expected type Integer");
          typeValid = false;
        }
        break;
      }
      case ParameterType::Bool:
      case ParameterType::BoolList: {
        bool truth = false;
        if (!GetBool(value, truth)) {
          Report(output, "Invalid data '" + value + "' for parameter " + name +
                             " expected one of " + kBoolWords);
          typeValid = false;
        }
        break;
      }
      case ParameterType::Flag:
        if (!value.empty()) {
          Report(output, "Invalid data '" + value + "' for parameter " + name +
                             ".  This parameter is a flag and cannot accept any values. ");
          typeValid = false;
        }
        break;
      case ParameterType::String:
      case ParameterType::StringList:
        break;
    }
    // A value of the wrong type is not also measured against the constraint.
    if (!typeValid || (constraint && !constraint->Validate(value, name, output))) valid = false;
  }
  return valid;
}

}  // namespace CallSpec
}  // namespace Tarnek
