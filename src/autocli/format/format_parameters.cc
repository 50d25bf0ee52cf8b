// Format settings: the chosen formatter's name and its key/value parameters.
#include <boost/regex.hpp>

#include "tarnek/autocli/format.h"

namespace Tarnek {
namespace AutoCli {

namespace {

// Handed out for absent keys so that GetParameter can return a reference without inserting.
const std::string kNoValue;

}  // namespace

// The defaulted moves would leave `other` in a valid but unspecified state; callers rely on
// a moved-from object reading as "no formatter, no parameters".
FormatParameters::FormatParameters(FormatParameters&& other) noexcept
    : formatter(std::move(other.formatter)), parameters(std::move(other.parameters)) {
  other.formatter.clear();
  other.parameters.clear();
}

FormatParameters& FormatParameters::operator=(FormatParameters&& other) noexcept {
  if (this != &other) {
    formatter = std::move(other.formatter);
    parameters = std::move(other.parameters);
    other.formatter.clear();
    other.parameters.clear();
  }
  return *this;
}

void FormatParameters::SetFormatter(std::string name) { formatter = std::move(name); }

void FormatParameters::SetFormatter(const char* name) {
  SetFormatter(std::string(name != nullptr ? name : ""));
}

void FormatParameters::SetParameter(std::string key, std::string value) {
  parameters[std::move(key)] = std::move(value);
}

void FormatParameters::SetParameter(const char* key, const char* value) {
  SetParameter(std::string(key != nullptr ? key : ""), std::string(value != nullptr ? value : ""));
}

bool FormatParameters::HasParameter(const std::string& key) const {
  return parameters.find(key) != parameters.end();
}

const std::string& FormatParameters::GetParameter(const std::string& key) const {
  const auto found = parameters.find(key);
  return found != parameters.end() ? found->second : kNoValue;
}

std::vector<std::string> FormatParameters::GetParameterAsList(const std::string& key) const {
  // The token split (rather than a plain split) is what drops the empty piece after a
  // trailing comma and yields nothing for an empty value; field lists rely on both.
  static const boost::regex kComma(",");
  const std::string& value = GetParameter(key);
  std::vector<std::string> pieces;
  boost::sregex_token_iterator piece(value.begin(), value.end(), kComma, -1);
  const boost::sregex_token_iterator end;
  for (; piece != end; ++piece) {
    pieces.push_back(piece->str());
  }
  return pieces;
}

void FormatParameters::OverrideValues(FormatParameters& other) {
  // An unnamed overlay carries only parameters; it must not unset the formatter below it.
  if (!other.formatter.empty()) {
    formatter = other.formatter;
  }
  for (const auto& entry : other.parameters) {
    parameters[entry.first] = entry.second;
  }
}

}  // namespace AutoCli
}  // namespace Tarnek
