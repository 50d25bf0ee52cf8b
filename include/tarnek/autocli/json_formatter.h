// The "json" and "python" formatters: a result written as data for other programs.
#ifndef TARNEK_AUTOCLI_JSON_FORMATTER_H_
#define TARNEK_AUTOCLI_JSON_FORMATTER_H_

#include <memory>
#include <ostream>
#include <string>

#include "tarnek/autocli/format.h"
#include "tarnek/callspec.h"
#include "tarnek/export.h"
#include "tarnek/metaobj.h"

namespace Tarnek {
namespace AutoCli {

/// Writes the result as JSON text: structures and lists on lines of their own, strings
/// escaped byte by byte (every byte outside printable ASCII as "\u00XX"). Reads no format
/// parameter and never the output's error messages. A value it cannot render is replaced by
/// a note in the text; nothing is thrown.
class TARNEK_EXPORT JsonFormatter : public Formatter {
 public:
  /// Named "json", with its description and no documented parameters.
  JsonFormatter();
  static std::shared_ptr<JsonFormatter> New();

  /// The root value followed by a line end; an absent output or root writes only the line
  /// end. Always true.
  bool Format(const std::shared_ptr<CallSpec::Output>& output, FormatParameters& params,
              DisplayContext& display, std::ostream& out) override;

  /// One value at nesting `level` (3 * level spaces of indentation, none below 1). A
  /// structure or list starts with a line end and ends with its closing bracket, no line end.
  /// An absent value writes nothing.
  void Format(std::shared_ptr<MetaObj::MetaObject> value, std::ostream& out, int level);
};

/// Writes the result as one line of Python literal syntax for eval(): True/False, integers,
/// triple-quoted strings, dicts and lists with a ", " after every entry. Reads no format
/// parameter and never the output's error messages.
class TARNEK_EXPORT PythonFormatter : public Formatter {
 public:
  /// Named "python", with its description and no documented parameters.
  PythonFormatter();
  static std::shared_ptr<PythonFormatter> New();

  /// The root value followed by a line end. Always true.
  /// Throws TarnekException when the output (or its root) is absent.
  bool Format(const std::shared_ptr<CallSpec::Output>& output, FormatParameters& params,
              DisplayContext& display, std::ostream& out) override;

  /// One value; `level` is passed on to nested values but changes nothing in the text.
  /// Throws TarnekException for an absent value.
  void Format(std::shared_ptr<MetaObj::MetaObject> value, std::ostream& out, int level);

  /// True when every byte of `text` is below 0x80; true for the empty text.
  static bool IsAllAscii(const std::string& text);
};

}  // namespace AutoCli
}  // namespace Tarnek

#endif  // TARNEK_AUTOCLI_JSON_FORMATTER_H_
