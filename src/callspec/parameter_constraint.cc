// Value constraints of parameters: integer range, integer set, string set, regular expression.
#include <algorithm>
#include <string>
#include <type_traits>
#include <utility>

#include <boost/regex.hpp>

#include "tarnek/callspec.h"

namespace Tarnek {
namespace CallSpec {

namespace {

const char kBadRangeMessage[] =
    "Invalid values for SetIntRange, constraints must have a min value <= max value";
const char kDuplicateIntMessage[] = "Duplicate Value found in ParameterConstraint::AddIntEnum";
const char kDuplicateStringMessage[] =
    "Duplicate Value found in ParameterConstraint::AddStringEnum: ";

// Validation may run without an output record (a caller that only wants the answer).
void Report(const std::shared_ptr<Output>& output, std::string message) {
  if (output) output->AddErrorMessage(std::move(message));
}

template <typename Item>
std::string JoinInBrackets(const std::vector<Item>& items) {
  std::string text = "[";
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i != 0) text += ", ";
    if constexpr (std::is_same_v<Item, std::string>) {
      text += items[i];
    } else {
      text += std::to_string(items[i]);
    }
  }
  return text + "]";
}

}  // namespace

std::shared_ptr<ParameterConstraint> ParameterConstraint::New(ParameterConstraintType type) {
  return std::make_shared<ParameterConstraint>(Key(), type);
}

void ParameterConstraint::SetIntRange(long min, long max) {
  if (min > max) throw TarnekException(kBadRangeMessage);
  minValue = min;
  maxValue = max;
}

void ParameterConstraint::GetIntRange(long& min, long& max) const noexcept {
  min = minValue;
  max = maxValue;
}

void ParameterConstraint::AddIntEnum(long value) {
  if (std::find(intEnum.begin(), intEnum.end(), value) != intEnum.end()) {
    throw TarnekException(kDuplicateIntMessage);
  }
  intEnum.push_back(value);
}

void ParameterConstraint::AddStringEnum(std::string value, std::string description) {
  if (std::find(stringEnum.begin(), stringEnum.end(), value) != stringEnum.end()) {
    throw TarnekException(kDuplicateStringMessage + value);
  }
  if (!description.empty()) stringEnumDescriptions[value] = std::move(description);
  stringEnum.push_back(std::move(value));
}

void ParameterConstraint::AddStringEnum(const char* value, const char* description) {
  AddStringEnum(std::string(value ? value : ""), std::string(description ? description : ""));
}

void ParameterConstraint::AddStringEnum(const char* value) {
  AddStringEnum(std::string(value ? value : ""), std::string());
}

void ParameterConstraint::SetStringRegex(const std::string& expression) {
  stringRegex = expression;
}

std::string ParameterConstraint::ToString() const {
  switch (constraintType) {
    case ParameterConstraintType::None:
      return "no constraint";
    case ParameterConstraintType::IntRange:
      // A negative bound brings its own '-': -5 to 5 reads "-5-5".
      return "integer in the range " + std::to_string(minValue) + "-" + std::to_string(maxValue);
    case ParameterConstraintType::IntEnum:
      return JoinInBrackets(intEnum);
    case ParameterConstraintType::StringEnum:
      return JoinInBrackets(stringEnum);
    case ParameterConstraintType::StringRegex:
      return "a string matching the regular expression " + stringRegex;
  }
  return "unknown";
}

bool ParameterConstraint::Validate(const std::string& value, const std::string& parameterName,
                                   const std::shared_ptr<Output>& output) const {
  const std::string prefix = "Invalid data constraint for parameter '" + parameterName + "'. ";
  switch (constraintType) {
    case ParameterConstraintType::None:
      return true;
    case ParameterConstraintType::IntRange:
    case ParameterConstraintType::IntEnum: {
      long number = 0;
      if (!ParameterSpec::GetInt(value, number)) {
        Report(output,
               "Invalid data type for parameter '" + parameterName + "'. Expected an Integer");
        return false;
      }
      if (constraintType == ParameterConstraintType::IntRange) {
        if (minValue <= number && number <= maxValue) return true;
        Report(output, prefix + "Expected " + ToString());
        return false;
      }
      if (std::find(intEnum.begin(), intEnum.end(), number) != intEnum.end()) return true;
      Report(output, prefix + "Expected a single value from the set " + ToString());
      return false;
    }
    case ParameterConstraintType::StringEnum:
      if (std::find(stringEnum.begin(), stringEnum.end(), value) != stringEnum.end()) {
        return true;
      }
      Report(output, prefix + "Expected a single value from the set " + ToString() + " got '" +
                         value + "'");
      return false;
    case ParameterConstraintType::StringRegex: {
      // Compiled per call: the expression comes from a plug-in, and a bad one should surface
      // where it is used (boost::regex_error reaches the caller).
      const boost::regex expression(stringRegex);
      if (boost::regex_match(value, expression)) return true;
      Report(output,
             prefix + "Value does not match the expected regular expression (" + stringRegex + ")");
      return false;
    }
  }
  return false;
}

}  // namespace CallSpec
}  // namespace Tarnek
