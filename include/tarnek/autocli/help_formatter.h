// The system's own help texts: the listing of a namespace's children and the "--help" page of
// a command.
#ifndef TARNEK_AUTOCLI_HELP_FORMATTER_H_
#define TARNEK_AUTOCLI_HELP_FORMATTER_H_

#include <memory>
#include <ostream>
#include <string>

#include "tarnek/autocli/format.h"
#include "tarnek/callspec.h"
#include "tarnek/export.h"
#include "tarnek/metaobj.h"

namespace Tarnek {
namespace AutoCli {

/// "clihelp": renders a "QorcliCommandPrint" structure ("Dispatcher", "Path" and the
/// "NamespaceNodes" list of "NamespaceNode" rows with "Name", "Description" and "Type") as a
/// usage line, a table of the child namespaces and a table of the child commands. Reads no
/// format parameters. Not registered: the command-line front end creates one per listing.
class TARNEK_EXPORT CliDispatcherHelpFormatter : public Formatter {
 public:
  CliDispatcherHelpFormatter();
  static std::shared_ptr<CliDispatcherHelpFormatter> New();

  /// Throws TarnekException when the root is not a "QorcliCommandPrint" structure; otherwise
  /// returns true.
  bool Format(const std::shared_ptr<CallSpec::Output>& output, FormatParameters& params,
              DisplayContext& display, std::ostream& out) override;

  /// Sets `result` to the text of the String field `name` of `value` and returns true; when
  /// there is no such String field (or no `value`), sets it to "<" + name + ">" and returns
  /// false.
  static bool ExtractString(const std::string& name, std::shared_ptr<MetaObj::MetaStruct> value,
                            std::string& result);

  /// Writes the heading "Available <typeName>s: " and a table (no header, last column wrapped
  /// to the display width) of the rows of `nodes` whose "Type" reads exactly `typeName`,
  /// then an empty line. A null `nodes` gets an error line instead of the table. Always true.
  static bool HandleList(const std::string& typeName, std::shared_ptr<MetaObj::MetaList> nodes,
                         DisplayContext& display, std::ostream& out);
};

/// "commandhelp": renders the "QorCliCommandHelp" structure a command answers "--help" with
/// as a usage line, the description, one wrapped line per parameter and the examples. Reads
/// no format parameters.
class TARNEK_EXPORT CommandHelpFormatter : public Formatter {
 public:
  CommandHelpFormatter();
  static std::shared_ptr<CommandHelpFormatter> New();

  /// Throws TarnekException when the root is not a "QorCliCommandHelp" structure; otherwise
  /// returns true. Missing or mistyped fields read as empty texts and false flags.
  bool Format(const std::shared_ptr<CallSpec::Output>& output, FormatParameters& params,
              DisplayContext& display, std::ostream& out) override;
};

/// The text of the String field `name` of `value`; empty when `value` is null or the field is
/// absent or not a String.
TARNEK_EXPORT std::string GetStringField(std::shared_ptr<MetaObj::MetaStruct> value,
                                         const std::string& name);

}  // namespace AutoCli
}  // namespace Tarnek

#endif  // TARNEK_AUTOCLI_HELP_FORMATTER_H_
