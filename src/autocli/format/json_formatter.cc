// The "json" and "python" formatters. Both walk the value tree recursively and differ only in
// a few words, the quoting of strings and whether containers are laid out over lines, so one
// walker serves both.
#include "tarnek/autocli/json_formatter.h"

#include <string>

#include "autocli/format/line_writer.h"
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

using Internal::LineWriter;

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
const T* AsKind(const MetaObject& value, const char* note, LineWriter& out) {
  const T* typed = Internal::As<T>(&value);
  if (typed == nullptr) {
    out.Text(note);
    out.EndLine();
  }
  return typed;
}

// Byte by byte, never decoding UTF-8: a multi-byte character becomes one "\u00XX" per byte.
// Readers that decode JSON escapes as code points therefore see Latin-1 for non-ASCII text;
// consumers of this output expect exactly these bytes, so it stays this way.
void AppendJsonString(std::string& escaped, const std::string& text) {
  static const char kHexDigits[] = "0123456789abcdef";
  escaped += '"';
  const char* run = text.data();
  const char* const end = run + text.size();
  for (const char* c = run; c != end; ++c) {
    const unsigned char byte = static_cast<unsigned char>(*c);
    // Printable ASCII other than the three escaped characters goes out in runs.
    if (byte >= 0x20 && byte <= 0x7E && byte != '"' && byte != '\\' && byte != '/') continue;
    escaped.append(run, static_cast<std::size_t>(c - run));
    run = c + 1;
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
        // Four lower-case hex digits of a single byte: always "00" and two digits.
        escaped += "\\u00";
        escaped += kHexDigits[byte >> 4];
        escaped += kHexDigits[byte & 0x0F];
        break;
    }
  }
  escaped.append(run, static_cast<std::size_t>(end - run));
  escaped += '"';
}

// Only double quotes and line feeds are escaped; backslashes pass through unchanged, so a
// text holding one reads back differently in Python. Readers of this output depend on
// exactly these bytes.
void AppendPythonString(std::string& quoted, const std::string& text) {
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
}

// What sets the two notations apart.
struct Notation {
  const char* trueWord;
  const char* falseWord;
  void (*appendString)(std::string&, const std::string&);
  // JSON lays structures and lists out over indented lines with separators between entries;
  // Python writes one line with a ", " after every entry, the last included.
  bool laidOut;
  // Python has no notation for an absent value.
  bool absentThrows;
};

const Notation kJson = {"true", "false", AppendJsonString, true, false};
const Notation kPython = {"True", "False", AppendPythonString, false, true};

// A structure or list on one line: every entry is followed by ", ", the last one included.
template <typename Entries, typename WriteEntry>
void Compact(LineWriter& out, char open, char close, const Entries& entries, WriteEntry entry) {
  out.Char(open);
  for (const auto& item : entries) {
    entry(item);
    out.Text(", ");
  }
  out.Char(close);
}

// A structure or list laid out on lines: the opening bracket on a line of its own at the value's
// indentation, each entry on its own line at that indentation with `separator` after all but
// the last, and the closing bracket, whose line the caller ends.
template <typename Entries, typename WriteEntry>
void LaidOut(LineWriter& out, int level, char open, char close, const char* separator,
             const Entries& entries, WriteEntry entry) {
  const std::size_t indent = level < 1 ? 0 : static_cast<std::size_t>(level) * 3;
  out.EndLine();
  out.Spaces(indent);
  out.Char(open);
  out.EndLine();
  std::size_t left = entries.size();
  for (const auto& item : entries) {
    out.Spaces(indent);
    entry(item);
    if (--left != 0) out.Text(separator);
    out.EndLine();
  }
  out.Spaces(indent);
  out.Char(close);
}

// Writes `value` at nesting `level`, piece by piece in the order the notation prescribes.
void Walk(const Notation& notation, const MetaObject* value, LineWriter& out, int level) {
  if (value == nullptr) {
    if (notation.absentThrows) throw TarnekException(kAbsentPythonValue);
    return;
  }
  switch (value->GetType()) {
    case MetaType::Bool:
      if (const MetaBool* b = AsKind<MetaBool>(*value, kNotABool, out)) {
        out.Text(b->GetValue() ? notation.trueWord : notation.falseWord);
      }
      break;
    case MetaType::Int:
      if (const MetaInt* i = AsKind<MetaInt>(*value, kNotAnInt, out)) {
        out.Number(static_cast<long>(i->GetValue()));
      }
      break;
    case MetaType::String:
      if (const MetaString* s = AsKind<MetaString>(*value, kNotAString, out)) {
        out.Piece([&](std::string& text) { notation.appendString(text, s->GetValue()); });
      }
      break;
    case MetaType::Struct:
      if (const MetaStruct* s = AsKind<MetaStruct>(*value, kNotAStruct, out)) {
        if (!notation.laidOut) {
          Compact(out, '{', '}', s->GetFields(), [&](const auto& field) {
            out.Char('"');
            out.Text(field.first);
            out.Text("\": ");
            Walk(notation, field.second.value.get(), out, level + 2);
          });
          break;
        }
        LaidOut(out, level, '{', '}', ",", s->GetFields(), [&](const auto& field) {
          out.Text("   \"");
          out.Text(field.first);
          out.Text("\": ");
          Walk(notation, field.second.value.get(), out, level + 2);
        });
      }
      break;
    case MetaType::List:
      if (const MetaList* l = AsKind<MetaList>(*value, kNotAList, out)) {
        if (!notation.laidOut) {
          Compact(out, '[', ']', l->GetObjects(),
                  [&](const auto& item) { Walk(notation, item.get(), out, level + 2); });
          break;
        }
        // Items share the list's own indentation on their lines; only their nested content
        // (at level + 3) moves right.
        LaidOut(out, level, '[', ']', ", ", l->GetObjects(),
                [&](const auto& item) { Walk(notation, item.get(), out, level + 3); });
      }
      break;
    default:
      out.Text(kUnknownDataType);
      out.EndLine();
      break;
  }
}

}  // namespace

// ---- JsonFormatter ----

JsonFormatter::JsonFormatter() : Formatter("json") { description = "Print the output as JSON."; }

std::shared_ptr<JsonFormatter> JsonFormatter::New() { return std::make_shared<JsonFormatter>(); }

bool JsonFormatter::Format(const std::shared_ptr<CallSpec::Output>& output,
                           FormatParameters& /*params*/, DisplayContext& /*display*/,
                           std::ostream& out) {
  LineWriter writer(out, true);
  // The root sits at level -1 so that a root structure's fields land at level 1.
  if (output != nullptr) {
    Walk(kJson, output->GetRootObject().get(), writer, -1);
  }
  writer.EndLine();
  return true;
}

void JsonFormatter::Format(std::shared_ptr<MetaObject> value, std::ostream& out, int level) {
  LineWriter writer(out, true);
  Walk(kJson, value.get(), writer, level);
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
  LineWriter writer(out, true);
  Walk(kPython, output != nullptr ? output->GetRootObject().get() : nullptr, writer, 2);
  writer.EndLine();
  return true;
}

void PythonFormatter::Format(std::shared_ptr<MetaObject> value, std::ostream& out, int level) {
  LineWriter writer(out, true);
  Walk(kPython, value.get(), writer, level);
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
