// Output formatting framework: the settings a formatter is run with, the terminal it writes
// for, the formatter base class, and the text helpers the text formatters share.
#ifndef TARNEK_AUTOCLI_FORMAT_H_
#define TARNEK_AUTOCLI_FORMAT_H_

#include <cstdint>
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "tarnek/callspec.h"
#include "tarnek/export.h"
#include "tarnek/metaobj.h"

namespace Tarnek {
namespace AutoCli {

/// The formatter to render with and its free key/value settings. An empty formatter name
/// means that none was chosen. Keys are unique and iterate in ascending byte order.
class TARNEK_EXPORT FormatParameters {
 public:
  FormatParameters() = default;
  FormatParameters(const FormatParameters& other) = default;
  FormatParameters& operator=(const FormatParameters& other) = default;
  /// Both moves leave `other` with an empty name and no parameters.
  FormatParameters(FormatParameters&& other) noexcept;
  FormatParameters& operator=(FormatParameters&& other) noexcept;
  ~FormatParameters() = default;

  /// Replaces the formatter name. A null `name` is taken as the empty string.
  void SetFormatter(std::string name);
  void SetFormatter(const char* name);
  const std::string& GetFormatter() const noexcept { return formatter; }

  const std::map<std::string, std::string>& GetParameters() const noexcept { return parameters; }

  /// Inserts or overwrites. A null `key` or `value` is taken as the empty string.
  void SetParameter(std::string key, std::string value);
  void SetParameter(const char* key, const char* value);
  bool HasParameter(const std::string& key) const;

  /// The value, or an empty string when `key` is absent: absent and empty read the same, so
  /// test HasParameter where the difference matters. The reference stays valid until the
  /// entry is overwritten or this object is assigned or destroyed.
  const std::string& GetParameter(const std::string& key) const;

  /// The value cut at every ',', pieces untrimmed: ",a" gives "" and "a", "a,,b" gives "a", ""
  /// and "b", a trailing comma adds no empty piece, and an empty or absent value gives none.
  std::vector<std::string> GetParameterAsList(const std::string& key) const;

  /// Lays `other` over this object: its non-empty formatter name replaces ours, and each of
  /// its keys overwrites ours. Keys only we have stay.
  void OverrideValues(FormatParameters& other);

 private:
  std::string formatter;
  std::map<std::string, std::string> parameters;
};

/// Documentation of one parameter a formatter understands, for help listings.
struct TARNEK_EXPORT FormatterParam {
  FormatterParam() = default;
  FormatterParam(std::string paramName, std::string paramDescription, bool paramFlag = false)
      : name(std::move(paramName)), description(std::move(paramDescription)), flag(paramFlag) {}

  /// The key pattern as users see it, e.g. "header:<TypeName>".
  std::string name;
  std::string description;
  /// Set by some formatters on their type-qualified field list; read by nothing here.
  bool flag = false;
};

/// The terminal a formatter writes for. A size of 0 means that it could not be read.
struct TARNEK_EXPORT DisplayContext {
  std::uint16_t width = 0;
  std::uint16_t height = 0;
  /// Carried for formatters; empty unless a host sets it.
  std::string text;
};

/// Base of all output formatters. A derived constructor sets `description` and adds its
/// parameters in the order they should be listed.
class TARNEK_EXPORT Formatter {
 public:
  virtual ~Formatter();
  Formatter(const Formatter&) = delete;
  Formatter& operator=(const Formatter&) = delete;

  /// Renders the output's root value (and, for some formatters, its messages) onto `out`.
  /// Returns false when the formatter gave up and wrote a problem note instead.
  virtual bool Format(const std::shared_ptr<CallSpec::Output>& output, FormatParameters& params,
                      DisplayContext& display, std::ostream& out) = 0;

  /// The registry key, fixed at construction.
  const std::string& GetName() const noexcept { return name; }
  /// One line of help; empty unless the derived formatter set it.
  const std::string& GetDescription() const noexcept { return description; }
  const std::vector<FormatterParam>& GetParams() const noexcept { return params; }

 protected:
  /// Sets the name; no description and no parameters yet.
  explicit Formatter(const std::string& formatterName);

  /// Appends one entry to the documented parameters.
  void AddParam(std::string paramName, std::string paramDescription, bool flag = false);

  std::string description;
  std::vector<FormatterParam> params;

 private:
  const std::string name;
};

/// The text of one structure field `fieldName` of type `typeName`: "NULL Object" for a null
/// value, else its printable form, or the value run through the "printf:<type>.<field>"
/// parameter when set (Struct and List values then give an empty text), followed by " " and
/// the "units:<type>.<field>" parameter when set. A printf failure gives an error text in
/// place of the field; nothing is thrown.
TARNEK_EXPORT std::string AutoCli_FormatField(const std::string& typeName,
                                              const std::string& fieldName,
                                              std::shared_ptr<MetaObj::MetaObject> value,
                                              FormatParameters& params);

/// Writes `text` word-wrapped so that continuation lines start at column `indent` and lines
/// stay within `width` columns; a width not above `indent` (0 included) never wraps.
/// `continueLine`: the cursor is already at `indent`, so no first indentation is written.
/// `endLine`: finish with a line end. `breakChar`: written at each wrap (a space when it is
/// '\0'). `splitLines`: fit each newline-separated line of `text` on its own.
/// Every word costs its length plus one column, and a word longer than the room left stands
/// alone on its line and overflows it.
TARNEK_EXPORT void AutoCli_FitString(const int& indent, const int& width, const std::string& text,
                                     bool continueLine, std::ostream& out, bool endLine,
                                     char breakChar, bool splitLines);

/// Three spaces per nesting level; empty for a level below 1.
TARNEK_EXPORT std::string GetIndent(int level);

}  // namespace AutoCli
}  // namespace Tarnek

#endif  // TARNEK_AUTOCLI_FORMAT_H_
