// Field text for the text formatters: per-field printf and units settings, and indentation.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "autocli/format/field_settings.h"
#include "tarnek/autocli/format.h"

namespace Tarnek {
namespace AutoCli {

using Internal::HasParameterWithPrefix;
using Internal::kPrintfPrefix;
using Internal::kUnitsPrefix;

namespace {

constexpr const char* kNullObjectText = "NULL Object";
constexpr const char* kFormatErrorPrefix = "Error while handling formatting parameter ";
constexpr const char* kFormatErrorMiddle = ".  Unable to format field: ";

// Room for what a conversion adds beyond the format text and the value's printable form
// (padding, sign, a 64-bit number).
constexpr std::size_t kPrintfSlack = 65;
constexpr std::size_t kErrorTextSize = 256;

// strerror_r has two incompatible signatures depending on the feature macros in force; these
// overloads accept either result and always give a text.
[[maybe_unused]] const char* ErrorText(int result, const char* buffer) {
  return result == 0 ? buffer : "Unknown error";
}
[[maybe_unused]] const char* ErrorText(const char* result, const char* /*buffer*/) {
  return result;
}

std::string SystemErrorText(int errorNumber) {
  char buffer[kErrorTextSize] = {};
  return ErrorText(strerror_r(errorNumber, buffer, sizeof buffer), buffer);
}

// The format text comes from the user's "printf:" parameter, so it cannot be a literal. The one
// argument passed is fixed by the value's kind (int, long or string); a conversion that does
// not match it is the user's mistake.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"

// Formats `value` with the user's `format` into `buffer`; Struct and List values leave it
// empty. Returns snprintf's result (0 when nothing was formatted).
int PrintValue(const MetaObj::MetaObject& value, const std::string& format,
               std::vector<char>& buffer) {
  if (const auto* boolean = dynamic_cast<const MetaObj::MetaBool*>(&value)) {
    return std::snprintf(buffer.data(), buffer.size(), format.c_str(), boolean->GetValue() ? 1 : 0);
  }
  if (const auto* integer = dynamic_cast<const MetaObj::MetaInt*>(&value)) {
    return std::snprintf(buffer.data(), buffer.size(), format.c_str(),
                         static_cast<long>(integer->GetValue()));
  }
  if (const auto* string = dynamic_cast<const MetaObj::MetaString*>(&value)) {
    return std::snprintf(buffer.data(), buffer.size(), format.c_str(), string->GetValue().c_str());
  }
  return 0;
}

#pragma GCC diagnostic pop

}  // namespace

std::string AutoCli_FormatField(const std::string& typeName, const std::string& fieldName,
                                std::shared_ptr<MetaObj::MetaObject> value,
                                FormatParameters& params) {
  if (!value) {
    return kNullObjectText;
  }
  // Most renderings set neither kind of parameter; then no key needs to be built per field.
  const bool anyPrintf = HasParameterWithPrefix(params, kPrintfPrefix);
  const bool anyUnits = HasParameterWithPrefix(params, kUnitsPrefix);
  std::string text = value->ToString();
  if (!anyPrintf && !anyUnits) return text;
  const std::string unitsKey = kUnitsPrefix + typeName + "." + fieldName;
  const std::string printfKey = kPrintfPrefix + typeName + "." + fieldName;

  if (anyPrintf && params.HasParameter(printfKey)) {
    const std::string& format = params.GetParameter(printfKey);
    // snprintf cuts longer output to the buffer; the slack makes that rare for sane formats.
    std::vector<char> buffer(format.size() + text.size() + kPrintfSlack, '\0');
    errno = 0;
    if (PrintValue(*value, format, buffer) < 0) {
      const int errorNumber = errno;
      return kFormatErrorPrefix + printfKey + kFormatErrorMiddle + SystemErrorText(errorNumber);
    }
    text = buffer.data();
  }
  if (anyUnits && params.HasParameter(unitsKey)) {
    text += " " + params.GetParameter(unitsKey);
  }
  return text;
}

std::string GetIndent(int level) {
  constexpr int kSpacesPerLevel = 3;
  if (level < 1) {
    return std::string();
  }
  return std::string(static_cast<std::size_t>(level) * kSpacesPerLevel, ' ');
}

}  // namespace AutoCli
}  // namespace Tarnek
