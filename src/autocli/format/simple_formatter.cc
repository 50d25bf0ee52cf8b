// The "simple" formatter: indented "name: value" text for any result value.
#include "tarnek/autocli/simple_formatter.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include <boost/algorithm/string/replace.hpp>
#include <boost/regex.hpp>

namespace Tarnek {
namespace AutoCli {

namespace {

using MetaObj::MetaBool;
using MetaObj::MetaInt;
using MetaObj::MetaList;
using MetaObj::MetaObject;
using MetaObj::MetaString;
using MetaObj::MetaStruct;
using MetaObj::MetaType;

constexpr const char* kStructError = "Error reading a struct from output.";
constexpr const char* kFieldError = "Error getting field ";
constexpr const char* kListError = "Error reading a List";
constexpr const char* kBoolError = "Error reading a bool";
constexpr const char* kIntError = "Error reading a int";
constexpr const char* kStringError = "Error reading a string";

// The header value that asks for no header line at all.
constexpr const char* kNoHeader = "<NONE>";
// Fields sit one level below their structure's header.
constexpr const char* kFieldIndent = "   ";
constexpr const char* kAlignFieldsKey = "align-fields";
constexpr const char* kAllStructsFieldsKey = "fields";

// Users pick the fields per type; a plain "fields" is the fallback for every structure, nested
// ones included, so that one setting gives the same columns as the other formatters.
std::vector<std::string> SelectFieldNames(const MetaStruct& value, const FormatParameters& params) {
  const std::string typedKey = "fields:" + value.GetTypeName();
  if (params.HasParameter(typedKey)) {
    return params.GetParameterAsList(typedKey);
  }
  if (params.HasParameter(kAllStructsFieldsKey)) {
    return params.GetParameterAsList(kAllStructsFieldsKey);
  }
  return value.GetFieldNames();
}

// The text before the structure's ':' line. A "%<Field>%" tag in the user's header is replaced
// by that field's value; only the last tag is looked at, and a tag naming no field is left as the
// user wrote it.
std::string HeaderText(const MetaStruct& value, const FormatParameters& params) {
  const std::string headerKey = "header:" + value.GetTypeName();
  if (!params.HasParameter(headerKey)) {
    return value.GetTypeName();
  }
  std::string header = params.GetParameter(headerKey);
  if (header.find('%') == std::string::npos) {
    return header;
  }
  // The greedy lead makes the capture the last %...% pair.
  static const boost::regex kFieldTag(".*%(.+)%.*");
  boost::smatch match;
  try {
    if (!boost::regex_match(header, match, kFieldTag)) {
      return header;
    }
  } catch (const std::runtime_error&) {
    // A header long and '%'-laden enough to exhaust the matcher is shown as written.
    return header;
  }
  const std::string fieldName = match[1].str();
  const auto found = value.GetFields().find(fieldName);
  if (found != value.GetFields().end() && found->second.value) {
    boost::replace_all(header, "%" + fieldName + "%", found->second.value->ToString());
  }
  return header;
}

}  // namespace

SimpleFormatter::SimpleFormatter() : Formatter("simple") {
  description =
      "Print a representation of any item to the screen. This can be any type, but this "
      "formatter excels at printing structs and lists of structs.";
  AddParam(
      "header:<TypeName>",
      "When printing a struct type, prefix the output of the struct with the given text "
      "string and then indent all the struct fields below this text.  The TypeName value "
      "can be determined from the raw or xml output for a command.  For this field a "
      "special variable substitution is available in the value of this format paramter.  "
      "If the value contains a string %<Field>% then this formatter will do token "
      "substitution and replace the value of %<Field>% with the given value of the field "
      "in <TypeName>.  Note this can only be a scalar type (int, bool, string) and must "
      "exactly match one of the fields in the struct <TypeName>.  Example: "
      "'header:ScsiDeviceList' = 'SCSI Device %Device Name%' will result in a header of "
      "'SCSI Device naa.XXXX'.  Note only one %<Field>% tag is supported.  To disable the "
      "display of the header the special value <NONE> can be used");
  AddParam(
      "fields:<TypeName>",
      "When printing a struct use the set of fields given in this parameter.  This allows "
      "the ordering and filtering of the fields printed for a given struct. If no "
      "':<TypeName>' is given then then all structs encounted in the output will attempt "
      "to use these fields.  This provides a reasonable default and compatible output with "
      "other formatters");
  AddParam(
      "units:<TypeName>.<FieldName>",
      "When printing a struct use the given 'units' value as a suffix for a given field.  "
      "For example specifying \"units:ScsiDeviceList:Size\" = \"Mb\" would append the "
      "string 'Mb' to the end of a field");
  AddParam(
      "printf:<TypeName>.<FieldName>",
      "When printing a struct use the given 'printf' formatting string for printing the "
      "value.  This uses standard printf syntax to print a given field.  For example "
      "specifying \"units:ScsiDeviceList.Size\" = \"Mb\" would append the string 'Mb' to "
      "the end of a field");
  AddParam(
      "align-fields",
      "When printing a struct left align all of the fields values so they all start at the "
      "same column");
}

std::shared_ptr<SimpleFormatter> SimpleFormatter::New() {
  return std::make_shared<SimpleFormatter>();
}

bool SimpleFormatter::Format(const std::shared_ptr<CallSpec::Output>& output,
                             FormatParameters& params, DisplayContext& /*display*/,
                             std::ostream& out) {
  if (!output) {
    return true;
  }
  const std::shared_ptr<MetaObject> root = output->GetRootObject();
  // A list adds one level to its elements; starting a root list one level up keeps its
  // structures flush with the left margin, as a root structure is.
  const int level = root && root->GetType() == MetaType::List ? -1 : 0;
  Format(root, params, out, level);
  return true;
}

void SimpleFormatter::Format(std::shared_ptr<MetaObject> value, FormatParameters& params,
                             std::ostream& out, int level) {
  // Lists never hold absent items, so only a missing root or a host's own call gets here
  // without a value; there is nothing to show for it.
  if (!value) {
    return;
  }
  // The kind tag is trusted only as far as the object really is of that class: a value that
  // claims a kind it does not have is reported in the text instead of misread.
  switch (value->GetType()) {
    case MetaType::Bool:
      if (const auto* boolean = dynamic_cast<const MetaBool*>(value.get())) {
        out << (boolean->GetValue() ? "true" : "false") << std::endl;
      } else {
        out << kBoolError << std::endl;
      }
      break;
    case MetaType::Int:
      if (const auto* integer = dynamic_cast<const MetaInt*>(value.get())) {
        out << integer->GetValue() << std::endl;
      } else {
        out << kIntError << std::endl;
      }
      break;
    case MetaType::String:
      if (const auto* string = dynamic_cast<const MetaString*>(value.get())) {
        out << string->GetValue() << std::endl;
      } else {
        out << kStringError << std::endl;
      }
      break;
    case MetaType::Struct:
      FormatStruct(std::dynamic_pointer_cast<MetaStruct>(value), params, out, level);
      break;
    case MetaType::List:
      FormatList(std::dynamic_pointer_cast<MetaList>(value), params, out, level);
      break;
  }
}

void SimpleFormatter::FormatStruct(std::shared_ptr<MetaStruct> value, FormatParameters& params,
                                   std::ostream& out, int level) {
  if (!value) {
    out << kStructError << std::endl;
    return;
  }
  const std::string indent = GetIndent(level);
  const std::string& typeName = value->GetTypeName();
  const std::vector<std::string> fieldNames = SelectFieldNames(*value, params);

  // Names that are not fields count too: their error line takes the place of a field line.
  std::size_t labelWidth = 0;
  if (params.GetParameter(kAlignFieldsKey) == "true") {
    for (const std::string& name : fieldNames) {
      labelWidth = std::max(labelWidth, name.size());
    }
  }

  const std::string header = HeaderText(*value, params);
  if (header != kNoHeader) {
    out << indent << header << ':' << std::endl;
  }

  const MetaStruct::FieldMap& fields = value->GetFields();
  for (const std::string& name : fieldNames) {
    const auto found = fields.find(name);
    if (found == fields.end()) {
      // The user's field list no longer describes this structure; the rest of it would be
      // guesswork, so the structure ends here.
      out << kFieldError << name << std::endl;
      return;
    }
    out << indent << kFieldIndent << name;
    if (name.size() < labelWidth) {
      out << std::string(labelWidth - name.size(), ' ');
    }
    out << ": ";

    const std::shared_ptr<MetaObject>& fieldValue = found->second.value;
    const bool isStruct = fieldValue && fieldValue->GetType() == MetaType::Struct;
    const bool isList = fieldValue && fieldValue->GetType() == MetaType::List;
    if (isStruct) {
      // The nested header goes on a line of its own, one level deeper than our fields.
      out << std::endl;
      Format(fieldValue, params, out, level + 2);
    } else if (isList) {
      // A scalar list stays on the label's line; a structure list opens with its own line end.
      Format(fieldValue, params, out, level + 2);
    } else {
      out << AutoCli_FormatField(typeName, name, fieldValue, params) << std::endl;
    }
  }
}

void SimpleFormatter::FormatList(std::shared_ptr<MetaList> value, FormatParameters& params,
                                 std::ostream& out, int level) {
  if (!value) {
    out << kListError << std::endl;
    return;
  }
  const MetaType elementType = value->GetListType();
  if (elementType != MetaType::Struct && elementType != MetaType::List) {
    out << value->ToString() << std::endl;
    return;
  }
  // Each element opens with a line end, so consecutive structures are set apart by an empty
  // line, and the closing line end leaves one after the last.
  for (const std::shared_ptr<MetaObject>& element : value->GetObjects()) {
    out << std::endl;
    Format(element, params, out, level + 1);
  }
  out << std::endl;
}

}  // namespace AutoCli
}  // namespace Tarnek
