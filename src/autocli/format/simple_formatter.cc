// The "simple" formatter: indented "name: value" text for any result value.
#include "tarnek/autocli/simple_formatter.h"

#include <algorithm>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include <boost/algorithm/string/replace.hpp>
#include <boost/regex.hpp>

#include "autocli/format/field_settings.h"
#include "autocli/format/line_writer.h"

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
constexpr const char* kNullObjectText = "NULL Object";

// What the parameters say about the structures of one type name. It depends on nothing but
// the parameters and the type name, so a rendering works it out once per type name rather
// than once per structure.
struct TypeLayout {
  // Users pick the fields per type; a plain "fields" is the fallback for every structure,
  // nested ones included, so that one setting gives the same columns as the other formatters.
  // Without either, each structure shows all of its own fields.
  bool ownFields = true;
  std::vector<std::string> fieldNames;
  // The widest chosen name, when the field values are aligned and the names are chosen.
  std::size_t labelWidth = 0;

  // The text before the structure's ':' line: the type name unless "header:<Type>" is set. A
  // "%<Field>%" tag in the user's header is replaced by that field's value; only the last tag
  // is looked at, and a tag naming no field is left as the user wrote it.
  std::string header;
  // The field named by the header's tag; empty when there is no tag to replace.
  std::string tagField;
};

TypeLayout MakeLayout(const std::string& typeName, const FormatParameters& params,
                      bool alignFields) {
  TypeLayout layout;
  const std::string typedKey = "fields:" + typeName;
  if (params.HasParameter(typedKey)) {
    layout.ownFields = false;
    layout.fieldNames = params.GetParameterAsList(typedKey);
  } else if (params.HasParameter(kAllStructsFieldsKey)) {
    layout.ownFields = false;
    layout.fieldNames = params.GetParameterAsList(kAllStructsFieldsKey);
  }
  // Names that are not fields count too: their error line takes the place of a field line.
  if (alignFields) {
    for (const std::string& name : layout.fieldNames) {
      layout.labelWidth = std::max(layout.labelWidth, name.size());
    }
  }

  const std::string headerKey = "header:" + typeName;
  if (!params.HasParameter(headerKey)) {
    layout.header = typeName;
    return layout;
  }
  layout.header = params.GetParameter(headerKey);
  if (layout.header.find('%') == std::string::npos) {
    return layout;
  }
  // The greedy lead makes the capture the last %...% pair.
  static const boost::regex kFieldTag(".*%(.+)%.*");
  boost::smatch match;
  try {
    if (boost::regex_match(layout.header, match, kFieldTag)) {
      layout.tagField = match[1].str();
    }
  } catch (const std::runtime_error&) {
    // A header long and '%'-laden enough to exhaust the matcher is shown as written.
  }
  return layout;
}

// One rendering: the parameters, what they say per type name, and the line writer.
class SimpleWriter {
 public:
  SimpleWriter(FormatParameters& params, std::ostream& out)
      : params_(params),
        out_(out, true),
        alignFields_(params.GetParameter(kAlignFieldsKey) == "true"),
        plainFields_(!Internal::HasFieldSettings(params)) {}

  void Value(const MetaObject* value, int level);
  void Struct(const MetaStruct* value, int level);
  void List(const MetaList* value, int level);

 private:
  const TypeLayout& Layout(const std::string& typeName);
  void Field(const MetaStruct& value, const std::string& name,
             const std::shared_ptr<MetaObject>& fieldValue, std::size_t labelWidth,
             std::size_t indent, int level);

  FormatParameters& params_;
  Internal::LineWriter out_;
  const bool alignFields_;
  const bool plainFields_;
  std::map<std::string, TypeLayout> layouts_;
  // Consecutive structures mostly share their type.
  const TypeLayout* lastLayout_ = nullptr;
  const std::string* lastTypeName_ = nullptr;
};

const TypeLayout& SimpleWriter::Layout(const std::string& typeName) {
  if (lastLayout_ != nullptr && *lastTypeName_ == typeName) {
    return *lastLayout_;
  }
  auto found = layouts_.find(typeName);
  if (found == layouts_.end()) {
    found = layouts_.emplace(typeName, MakeLayout(typeName, params_, alignFields_)).first;
  }
  lastTypeName_ = &found->first;
  lastLayout_ = &found->second;
  return found->second;
}

void SimpleWriter::Value(const MetaObject* value, int level) {
  // Lists never hold absent items, so only a missing root or a host's own call gets here
  // without a value; there is nothing to show for it.
  if (value == nullptr) {
    return;
  }
  // The kind tag is trusted only as far as the object really is of that class: a value that
  // claims a kind it does not have is reported in the text instead of misread.
  switch (value->GetType()) {
    case MetaType::Bool:
      if (const auto* boolean = Internal::As<MetaBool>(value)) {
        out_.Text(boolean->GetValue() ? "true" : "false");
      } else {
        out_.Text(kBoolError);
      }
      out_.EndLine();
      break;
    case MetaType::Int:
      if (const auto* integer = Internal::As<MetaInt>(value)) {
        out_.Number(static_cast<long>(integer->GetValue()));
      } else {
        out_.Text(kIntError);
      }
      out_.EndLine();
      break;
    case MetaType::String:
      if (const auto* string = Internal::As<MetaString>(value)) {
        out_.Text(string->GetValue());
      } else {
        out_.Text(kStringError);
      }
      out_.EndLine();
      break;
    case MetaType::Struct:
      Struct(Internal::As<MetaStruct>(value), level);
      break;
    case MetaType::List:
      List(Internal::As<MetaList>(value), level);
      break;
  }
}

void SimpleWriter::Struct(const MetaStruct* value, int level) {
  if (value == nullptr) {
    out_.Text(kStructError);
    out_.EndLine();
    return;
  }
  const std::size_t indent = level < 1 ? 0 : static_cast<std::size_t>(level) * 3;
  const TypeLayout& layout = Layout(value->GetTypeName());
  const MetaStruct::FieldMap& fields = value->GetFields();

  std::size_t labelWidth = layout.labelWidth;
  if (alignFields_ && layout.ownFields) {
    for (const auto& field : fields) {
      labelWidth = std::max(labelWidth, field.first.size());
    }
  }

  if (layout.tagField.empty()) {
    if (layout.header != kNoHeader) {
      out_.Spaces(indent);
      out_.Text(layout.header);
      out_.Char(':');
      out_.EndLine();
    }
  } else {
    std::string header = layout.header;
    const auto found = fields.find(layout.tagField);
    if (found != fields.end() && found->second.value) {
      boost::replace_all(header, "%" + layout.tagField + "%", found->second.value->ToString());
    }
    if (header != kNoHeader) {
      out_.Spaces(indent);
      out_.Text(header);
      out_.Char(':');
      out_.EndLine();
    }
  }

  if (layout.ownFields) {
    for (const auto& field : fields) {
      Field(*value, field.first, field.second.value, labelWidth, indent, level);
    }
    return;
  }
  for (const std::string& name : layout.fieldNames) {
    const auto found = fields.find(name);
    if (found == fields.end()) {
      // The user's field list no longer describes this structure; the rest of it would be
      // guesswork, so the structure ends here.
      out_.Text(kFieldError);
      out_.Text(name);
      out_.EndLine();
      return;
    }
    Field(*value, name, found->second.value, labelWidth, indent, level);
  }
}

void SimpleWriter::Field(const MetaStruct& value, const std::string& name,
                         const std::shared_ptr<MetaObject>& fieldValue, std::size_t labelWidth,
                         std::size_t indent, int level) {
  out_.Spaces(indent);
  out_.Text(kFieldIndent);
  out_.Text(name);
  if (name.size() < labelWidth) {
    out_.Spaces(labelWidth - name.size());
  }
  out_.Text(": ");

  const MetaType type = fieldValue ? fieldValue->GetType() : MetaType::Int;
  if (fieldValue && type == MetaType::Struct) {
    // The nested header goes on a line of its own, one level deeper than our fields.
    out_.EndLine();
    Value(fieldValue.get(), level + 2);
  } else if (fieldValue && type == MetaType::List) {
    // A scalar list stays on the label's line; a structure list opens with its own line end.
    Value(fieldValue.get(), level + 2);
  } else {
    out_.Piece([&](std::string& text) {
      if (!plainFields_) {
        text += AutoCli_FormatField(value.GetTypeName(), name, fieldValue, params_);
      } else if (!fieldValue) {
        text += kNullObjectText;
      } else {
        Internal::AppendValueText(text, *fieldValue);
      }
    });
    out_.EndLine();
  }
}

void SimpleWriter::List(const MetaList* value, int level) {
  if (value == nullptr) {
    out_.Text(kListError);
    out_.EndLine();
    return;
  }
  const MetaType elementType = value->GetListType();
  if (elementType != MetaType::Struct && elementType != MetaType::List) {
    out_.Piece([&](std::string& text) { text += value->ToString(); });
    out_.EndLine();
    return;
  }
  // Each element opens with a line end, so consecutive structures are set apart by an empty
  // line, and the closing line end leaves one after the last.
  for (const std::shared_ptr<MetaObject>& element : value->GetObjects()) {
    out_.EndLine();
    Value(element.get(), level + 1);
  }
  out_.EndLine();
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
  SimpleWriter(params, out).Value(value.get(), level);
}

void SimpleFormatter::FormatStruct(std::shared_ptr<MetaStruct> value, FormatParameters& params,
                                   std::ostream& out, int level) {
  SimpleWriter(params, out).Struct(value.get(), level);
}

void SimpleFormatter::FormatList(std::shared_ptr<MetaList> value, FormatParameters& params,
                                 std::ostream& out, int level) {
  SimpleWriter(params, out).List(value.get(), level);
}

}  // namespace AutoCli
}  // namespace Tarnek
