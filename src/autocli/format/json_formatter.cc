// The "json" and "python" formatters. Both walk the value tree recursively; they share the
// notes written in place of a value that cannot be rendered, so they live in one file.
#include "tarnek/autocli/json_formatter.h"

#include <iterator>

#include "tarnek/exception.h"

namespace Tarnek {
namespace AutoCli {

using MetaObj::MetaBool;
using MetaObj::MetaInt;
using MetaObj::MetaList;
using MetaObj::MetaObject;
using MetaObj::MetaString;
using MetaObj::MetaStruct;
using MetaObj::MetaType;

namespace {

const char kUnknownDataType[] = "Unknown data type";
// A value whose kind does not match its class can only come from a host's own MetaObject
// subclass; it is reported in the text rather than trusted.
const char kNotABool[] = "Error reading a bool";
const char kNotAnInt[] = "Error reading a int";
const char kNotAString[] = "Error reading a string";
const char kNotAStruct[] = "Error reading a struct from output.";
const char kNotAList[] = "Error reading a List";
const char kAbsentPythonValue[] = "Invalid MetaObject passed to Format in PythonFormatter";

// The value as the class its kind promises, or null after writing `note` and a line end.
template <typename T>
const T* AsKind(const std::shared_ptr<MetaObject>& value, const char* note, std::ostream& out) {
  const T* typed = dynamic_cast<const T*>(value.get());
  if (typed == nullptr) {
    out << note << std::endl;
  }
  return typed;
}

// Byte by byte, never decoding UTF-8: a multi-byte character becomes one "\u00XX" per byte.
// Readers that decode JSON escapes as code points therefore see Latin-1 for non-ASCII text;
// consumers of this output expect exactly these bytes, so it stays this way.
std::string EscapeJsonString(const std::string& text) {
  static const char kHexDigits[] = "0123456789abcdef";
  std::string escaped;
  escaped.reserve(text.size() + 2);
  escaped += '"';
  for (const char c : text) {
    const unsigned char byte = static_cast<unsigned char>(c);
    switch (byte) {
      case '"':
        escaped += "\\\"";
        break;
      case '\\':
        escaped += "\\\\";
        break;
      case '/':
        escaped += "\\/";
        break;
      case '\b':
        escaped += "\\b";
        break;
      case '\t':
        escaped += "\\t";
        break;
      case '\n':
        escaped += "\\n";
        break;
      case '\f':
        escaped += "\\f";
        break;
      case '\r':
        escaped += "\\r";
        break;
      default:
        if (byte >= 0x20 && byte <= 0x7E) {
          escaped += c;
        } else {
          // Four lower-case hex digits of a single byte: always "00" and two digits.
          escaped += "\\u00";
          escaped += kHexDigits[byte >> 4];
          escaped += kHexDigits[byte & 0x0F];
        }
        break;
    }
  }
  escaped += '"';
  return escaped;
}

// Only double quotes and line feeds are escaped; backslashes pass through unchanged, so a
// text holding one reads back differently in Python. Readers of this output depend on
// exactly these bytes.
std::string QuotePythonString(const std::string& text) {
  std::string quoted;
  quoted.reserve(text.size() + 6);
  quoted += "\"\"\"";
  for (const char c : text) {
    if (c == '"') {
      quoted += "\\\"";
    } else if (c == '\n') {
      quoted += "\\n";
    } else {
      quoted += c;
    }
  }
  quoted += "\"\"\"";
  return quoted;
}

}  // namespace

// ---- JsonFormatter ----

JsonFormatter::JsonFormatter() : Formatter("json") { description = "Print the output as JSON."; }

std::shared_ptr<JsonFormatter> JsonFormatter::New() { return std::make_shared<JsonFormatter>(); }

bool JsonFormatter::Format(const std::shared_ptr<CallSpec::Output>& output,
                           FormatParameters& /*params*/, DisplayContext& /*display*/,
                           std::ostream& out) {
  // The root sits at level -1 so that a root structure's fields land at level 1.
  if (output != nullptr) {
    Format(output->GetRootObject(), out, -1);
  }
  out << std::endl;
  return true;
}

void JsonFormatter::Format(std::shared_ptr<MetaObject> value, std::ostream& out, int level) {
  if (value == nullptr) {
    return;
  }
  switch (value->GetType()) {
    case MetaType::Bool:
      if (const MetaBool* b = AsKind<MetaBool>(value, kNotABool, out)) {
        out << (b->GetValue() ? "true" : "false");
      }
      break;
    case MetaType::Int:
      if (const MetaInt* i = AsKind<MetaInt>(value, kNotAnInt, out)) {
        out << static_cast<long>(i->GetValue());
      }
      break;
    case MetaType::String:
      if (const MetaString* s = AsKind<MetaString>(value, kNotAString, out)) {
        out << EscapeJsonString(s->GetValue());
      }
      break;
    case MetaType::Struct:
      if (const MetaStruct* s = AsKind<MetaStruct>(value, kNotAStruct, out)) {
        const std::string indent = GetIndent(level);
        out << std::endl << indent << '{' << std::endl;
        const MetaStruct::FieldMap& fields = s->GetFields();
        for (auto field = fields.begin(); field != fields.end(); ++field) {
          out << indent << "   \"" << field->first << "\": ";
          Format(field->second.value, out, level + 2);
          if (std::next(field) != fields.end()) {
            out << ',';
          }
          out << std::endl;
        }
        out << indent << '}';
      }
      break;
    case MetaType::List:
      if (const MetaList* l = AsKind<MetaList>(value, kNotAList, out)) {
        // Items share the list's own indentation on their lines; only their nested content
        // (at level + 3) moves right.
        const std::string indent = GetIndent(level);
        out << std::endl << indent << '[' << std::endl;
        const auto& items = l->GetObjects();
        for (auto item = items.begin(); item != items.end(); ++item) {
          out << indent;
          Format(*item, out, level + 3);
          if (std::next(item) != items.end()) {
            out << ", ";
          }
          out << std::endl;
        }
        out << indent << ']';
      }
      break;
    default:
      out << kUnknownDataType << std::endl;
      break;
  }
}

// ---- PythonFormatter ----

PythonFormatter::PythonFormatter() : Formatter("python") {
  description = "Print the output as Python syntax suitable for eval().";
}

std::shared_ptr<PythonFormatter> PythonFormatter::New() {
  return std::make_shared<PythonFormatter>();
}

bool PythonFormatter::Format(const std::shared_ptr<CallSpec::Output>& output,
                             FormatParameters& /*params*/, DisplayContext& /*display*/,
                             std::ostream& out) {
  Format(output != nullptr ? output->GetRootObject() : nullptr, out, 2);
  out << std::endl;
  return true;
}

void PythonFormatter::Format(std::shared_ptr<MetaObject> value, std::ostream& out, int level) {
  if (value == nullptr) {
    throw TarnekException(kAbsentPythonValue);
  }
  switch (value->GetType()) {
    case MetaType::Bool:
      if (const MetaBool* b = AsKind<MetaBool>(value, kNotABool, out)) {
        out << (b->GetValue() ? "True" : "False");
      }
      break;
    case MetaType::Int:
      if (const MetaInt* i = AsKind<MetaInt>(value, kNotAnInt, out)) {
        out << static_cast<long>(i->GetValue());
      }
      break;
    case MetaType::String:
      if (const MetaString* s = AsKind<MetaString>(value, kNotAString, out)) {
        out << QuotePythonString(s->GetValue());
      }
      break;
    case MetaType::Struct:
      // Python accepts the ", " after the last entry, which keeps the loop free of a
      // last-entry test.
      if (const MetaStruct* s = AsKind<MetaStruct>(value, kNotAStruct, out)) {
        out << '{';
        for (const auto& field : s->GetFields()) {
          out << '"' << field.first << "\": ";
          Format(field.second.value, out, level + 2);
          out << ", ";
        }
        out << '}';
      }
      break;
    case MetaType::List:
      if (const MetaList* l = AsKind<MetaList>(value, kNotAList, out)) {
        out << '[';
        for (const auto& item : l->GetObjects()) {
          Format(item, out, level + 2);
          out << ", ";
        }
        out << ']';
      }
      break;
    default:
      out << kUnknownDataType << std::endl;
      break;
  }
}

bool PythonFormatter::IsAllAscii(const std::string& text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) {
      return false;
    }
  }
  return true;
}

}  // namespace AutoCli
}  // namespace Tarnek
