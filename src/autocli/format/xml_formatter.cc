// The "xml" formatter: prologue, meta-data and the result value as nested elements.
#include "tarnek/autocli/xml_formatter.h"

#include <string>
#include <utility>

#include "autocli/format/line_writer.h"

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

using Internal::LineWriter;

// Bound to a prefix no element uses: readers match on it to recognise the document, and its
// path carries the product release the vocabulary belongs to.
const char kNamespaceUri[] = "http://www.norvane.com/Products/QOR/5.0/qorcli";

const char kUnsupportedKind[] = "Error Only simple int, bool, string and struct output supported";
const char kNotABool[] = "<!-- Error reading a bool -->";
const char kNotAnInt[] = "Error reading a int";
const char kNotAString[] = "Error reading a string";
const char kNotAStruct[] = "Error reading a struct from output.";
const char kNotAList[] = "Error reading a List";

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

const char kSpecialCharacters[] = "&<>%\"'";

// One pass, one reference per character. The references written contain none of the six
// characters except their leading '&', which is never looked at again, so this is the same as
// replacing '&' first and then each of the others in turn.
void AppendSanitized(std::string& escaped, const std::string& text) {
  const char* run = text.data();
  const char* const end = run + text.size();
  for (const char* c = run; c != end; ++c) {
    const char* reference;
    switch (*c) {
      case '&':
        reference = "&amp;";
        break;
      case '<':
        reference = "&lt;";
        break;
      case '>':
        reference = "&gt;";
        break;
      case '%':
        reference = "&#37;";
        break;
      case '"':
        reference = "&quot;";
        break;
      case '\'':
        reference = "&apos;";
        break;
      default:
        continue;
    }
    escaped.append(run, static_cast<std::size_t>(c - run));
    escaped += reference;
    run = c + 1;
  }
  escaped.append(run, static_cast<std::size_t>(end - run));
}

// Each line of the document is ended and flushed on its own, so that a reader on a pipe sees
// whole elements as they are written. `build` appends the line's text.
template <typename Build>
void WriteLine(LineWriter& out, Build&& build) {
  out.Piece(build);
  out.EndLine();
}

void WriteLine(LineWriter& out, const char* line) {
  out.Text(line);
  out.EndLine();
}

void WriteValue(const MetaObject* value, LineWriter& out, int level);

}  // namespace

std::string SantizeString(std::string text) {
  if (text.find_first_of(kSpecialCharacters) == std::string::npos) return text;
  std::string escaped;
  AppendSanitized(escaped, text);
  return escaped;
}

XmlFormatter::XmlFormatter() : Formatter("xml") {
  description = "Print an XML document to the screen representing the output for a given command";
  AddParam("stylesheet", "The file name or URL to a stylesheet for this document.  ");
}

std::shared_ptr<XmlFormatter> XmlFormatter::New() { return std::make_shared<XmlFormatter>(); }

bool XmlFormatter::Format(const std::shared_ptr<CallSpec::Output>& output, FormatParameters& params,
                          DisplayContext& /*display*/, std::ostream& out) {
  LineWriter writer(out, false);
  WriteLine(writer, "<?xml version=\"1.0\"?>");
  if (params.HasParameter("stylesheet")) {
    // The reference is taken as the user wrote it: a caller who needs it escaped escapes it.
    WriteLine(writer, [&](std::string& line) {
      line += "<?xml-stylesheet type=\"text/xsl\" href=\"";
      line += params.GetParameter("stylesheet");
      line += "\"?>";
    });
  }
  WriteLine(writer, [](std::string& line) {
    line += "<output xmlns:qorcli=\"";
    line += kNamespaceUri;
    line += "\">";
  });
  WriteLine(writer, "   <meta-data>");
  for (const auto& parameter : params.GetParameters()) {
    WriteLine(writer, [&](std::string& line) {
      line += "      <meta-data-field name=\"";
      AppendSanitized(line, parameter.first);
      line += "\" value=\"";
      AppendSanitized(line, parameter.second);
      line += "\"/>";
    });
  }
  WriteLine(writer, "   </meta-data>");
  WriteLine(writer, "   <root>");
  if (output != nullptr) {
    WriteValue(output->GetRootObject().get(), writer, 2);
  }
  WriteLine(writer, "   </root>");
  WriteLine(writer, "</output>");
  return true;
}

void XmlFormatter::Format(std::shared_ptr<MetaObject> value, std::ostream& out, int level) {
  LineWriter writer(out, false);
  WriteValue(value.get(), writer, level);
}

namespace {

void WriteValue(const MetaObject* value, LineWriter& out, int level) {
  // An output without a root value (or a null handed in by a host) leaves its element empty:
  // the document stays well-formed and a reader can tell "nothing" from any real value.
  if (value == nullptr) {
    return;
  }
  const std::size_t indent = level < 1 ? 0 : static_cast<std::size_t>(level) * 3;
  // The kind is the value's own claim; a host class that claims a kind without being of the
  // matching class gets an error line instead of a bad cast.
  switch (value->GetType()) {
    case MetaType::Bool: {
      const auto* boolean = Internal::As<MetaBool>(value);
      if (boolean == nullptr) {
        WriteLine(out, kNotABool);
        return;
      }
      WriteLine(out, [&](std::string& line) {
        line.append(indent, ' ');
        line += boolean->GetValue() ? "<boolean>true</boolean>" : "<boolean>false</boolean>";
      });
      return;
    }
    case MetaType::Int: {
      const auto* integer = Internal::As<MetaInt>(value);
      if (integer == nullptr) {
        WriteLine(out, kNotAnInt);
        return;
      }
      // Written here rather than by the stream: a caller's base or width setting must not
      // leak in.
      WriteLine(out, [&](std::string& line) {
        line.append(indent, ' ');
        line += "<integer>";
        Internal::AppendDecimal(line, static_cast<long>(integer->GetValue()));
        line += "</integer>";
      });
      return;
    }
    case MetaType::String: {
      const auto* text = Internal::As<MetaString>(value);
      if (text == nullptr) {
        WriteLine(out, kNotAString);
        return;
      }
      WriteLine(out, [&](std::string& line) {
        line.append(indent, ' ');
        line += "<string>";
        AppendSanitized(line, text->GetValue());
        line += "</string>";
      });
      return;
    }
    case MetaType::Struct: {
      const auto* structure = Internal::As<MetaStruct>(value);
      if (structure == nullptr) {
        WriteLine(out, kNotAStruct);
        return;
      }
      WriteLine(out, [&](std::string& line) {
        line.append(indent, ' ');
        line += "<structure typeName=\"";
        AppendSanitized(line, structure->GetTypeName());
        line += "\">";
      });
      // The field map is kept in ascending name order, the order the document promises.
      for (const auto& field : structure->GetFields()) {
        WriteLine(out, [&](std::string& line) {
          line.append(indent, ' ');
          line += "   <field name=\"";
          AppendSanitized(line, field.first);
          line += "\">";
        });
        WriteValue(field.second.value.get(), out, level + 2);
        WriteLine(out, [&](std::string& line) {
          line.append(indent, ' ');
          line += "   </field>";
        });
      }
      WriteLine(out, [&](std::string& line) {
        line.append(indent, ' ');
        line += "</structure>";
      });
      return;
    }
    case MetaType::List: {
      const auto* list = Internal::As<MetaList>(value);
      if (list == nullptr) {
        WriteLine(out, kNotAList);
        return;
      }
      WriteLine(out, [&](std::string& line) {
        line.append(indent, ' ');
        line += "<list type=\"";
        line += ElementWord(list->GetListType());
        line += "\">";
      });
      for (const auto& item : list->GetObjects()) {
        WriteValue(item.get(), out, level + 2);
      }
      WriteLine(out, [&](std::string& line) {
        line.append(indent, ' ');
        line += "</list>";
      });
      return;
    }
  }
  WriteLine(out, kUnsupportedKind);
}

}  // namespace

}  // namespace AutoCli
}  // namespace Tarnek
