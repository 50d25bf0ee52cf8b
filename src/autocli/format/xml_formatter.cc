// The "xml" formatter: prologue, meta-data and the result value as nested elements.
#include "tarnek/autocli/xml_formatter.h"

#include <string>
#include <utility>

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

// Bound to a prefix no element uses: readers match on it to recognise the document, and its
// path carries the product release the vocabulary belongs to.
const char kNamespaceUri[] = "http://www.norvane.com/Products/QOR/5.0/qorcli";

const char kUnsupportedKind[] = "Error Only simple int, bool, string and struct output supported";
const char kNotABool[] = "<!-- Error reading a bool -->";
const char kNotAnInt[] = "Error reading a int";
const char kNotAString[] = "Error reading a string";
const char kNotAStruct[] = "Error reading a struct from output.";
const char kNotAList[] = "Error reading a List";

// Each line of the document is ended and flushed on its own, so that a reader on a pipe sees
// whole elements as they are written.
void WriteLine(std::ostream& out, const std::string& line) { out << line << std::endl; }

// The word a list's `type` attribute uses for its elements: the element names, not the type
// names of the value model, so that a style sheet can match the two against each other.
const char* ElementWord(MetaType type) {
  switch (type) {
    case MetaType::Bool:
      return "boolean";
    case MetaType::Int:
      return "integer";
    case MetaType::String:
      return "string";
    case MetaType::Struct:
      return "structure";
    case MetaType::List:
      return "list";
  }
  return "";
}

}  // namespace

std::string SantizeString(std::string text) {
  // One pass, one reference per character. The references written contain none of the six
  // characters except their leading '&', which is never looked at again, so this is the same
  // as replacing '&' first and then each of the others in turn.
  std::size_t special = 0;
  for (const char c : text) {
    special += c == '&' || c == '<' || c == '>' || c == '%' || c == '"' || c == '\'';
  }
  if (special == 0) return text;
  std::string escaped;
  escaped.reserve(text.size() + special * 5);
  for (const char c : text) {
    switch (c) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '%':
        escaped += "&#37;";
        break;
      case '"':
        escaped += "&quot;";
        break;
      case '\'':
        escaped += "&apos;";
        break;
      default:
        escaped += c;
        break;
    }
  }
  return escaped;
}

XmlFormatter::XmlFormatter() : Formatter("xml") {
  description = "Print an XML document to the screen representing the output for a given command";
  AddParam("stylesheet", "The file name or URL to a stylesheet for this document.  ");
}

std::shared_ptr<XmlFormatter> XmlFormatter::New() { return std::make_shared<XmlFormatter>(); }

bool XmlFormatter::Format(const std::shared_ptr<CallSpec::Output>& output, FormatParameters& params,
                          DisplayContext& /*display*/, std::ostream& out) {
  WriteLine(out, "<?xml version=\"1.0\"?>");
  if (params.HasParameter("stylesheet")) {
    // The reference is taken as the user wrote it: a caller who needs it escaped escapes it.
    WriteLine(out, "<?xml-stylesheet type=\"text/xsl\" href=\"" +
                       params.GetParameter("stylesheet") + "\"?>");
  }
  WriteLine(out, std::string("<output xmlns:qorcli=\"") + kNamespaceUri + "\">");
  WriteLine(out, "   <meta-data>");
  for (const auto& parameter : params.GetParameters()) {
    WriteLine(out, "      <meta-data-field name=\"" + SantizeString(parameter.first) +
                       "\" value=\"" + SantizeString(parameter.second) + "\"/>");
  }
  WriteLine(out, "   </meta-data>");
  WriteLine(out, "   <root>");
  if (output != nullptr) {
    Format(output->GetRootObject(), out, 2);
  }
  WriteLine(out, "   </root>");
  WriteLine(out, "</output>");
  return true;
}

void XmlFormatter::Format(std::shared_ptr<MetaObject> value, std::ostream& out, int level) {
  // An output without a root value (or a null handed in by a host) leaves its element empty:
  // the document stays well-formed and a reader can tell "nothing" from any real value.
  if (value == nullptr) {
    return;
  }
  const std::string indent = GetIndent(level);
  // The kind is the value's own claim; a host class that claims a kind without being of the
  // matching class gets an error line instead of a bad cast.
  switch (value->GetType()) {
    case MetaType::Bool: {
      const auto* boolean = dynamic_cast<const MetaBool*>(value.get());
      if (boolean == nullptr) {
        WriteLine(out, kNotABool);
        return;
      }
      WriteLine(out,
                indent + "<boolean>" + (boolean->GetValue() ? "true" : "false") + "</boolean>");
      return;
    }
    case MetaType::Int: {
      const auto* integer = dynamic_cast<const MetaInt*>(value.get());
      if (integer == nullptr) {
        WriteLine(out, kNotAnInt);
        return;
      }
      // to_string rather than the stream: a caller's base or width setting must not leak in.
      WriteLine(out, indent + "<integer>" + std::to_string(integer->GetValue()) + "</integer>");
      return;
    }
    case MetaType::String: {
      const auto* text = dynamic_cast<const MetaString*>(value.get());
      if (text == nullptr) {
        WriteLine(out, kNotAString);
        return;
      }
      WriteLine(out, indent + "<string>" + SantizeString(text->GetValue()) + "</string>");
      return;
    }
    case MetaType::Struct: {
      const auto* structure = dynamic_cast<const MetaStruct*>(value.get());
      if (structure == nullptr) {
        WriteLine(out, kNotAStruct);
        return;
      }
      WriteLine(
          out, indent + "<structure typeName=\"" + SantizeString(structure->GetTypeName()) + "\">");
      // The field map is kept in ascending name order, the order the document promises.
      for (const auto& field : structure->GetFields()) {
        WriteLine(out, indent + "   <field name=\"" + SantizeString(field.first) + "\">");
        Format(field.second.value, out, level + 2);
        WriteLine(out, indent + "   </field>");
      }
      WriteLine(out, indent + "</structure>");
      return;
    }
    case MetaType::List: {
      const auto* list = dynamic_cast<const MetaList*>(value.get());
      if (list == nullptr) {
        WriteLine(out, kNotAList);
        return;
      }
      WriteLine(out, indent + "<list type=\"" + ElementWord(list->GetListType()) + "\">");
      for (const auto& item : list->GetObjects()) {
        Format(item, out, level + 2);
      }
      WriteLine(out, indent + "</list>");
      return;
    }
  }
  WriteLine(out, kUnsupportedKind);
}

}  // namespace AutoCli
}  // namespace Tarnek
