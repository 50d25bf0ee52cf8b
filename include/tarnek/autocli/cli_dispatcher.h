// The command-line face of the dispatcher: one command line (or a stream of them) in, a
// rendered result, a namespace listing or an "Errors: " block out, and an exit status.
#ifndef TARNEK_AUTOCLI_CLI_DISPATCHER_H_
#define TARNEK_AUTOCLI_CLI_DISPATCHER_H_

#include <istream>
#include <memory>
#include <string>

#include "tarnek/autocli/dispatcher.h"
#include "tarnek/autocli/format.h"
#include "tarnek/autocli/option_parser.h"
#include "tarnek/autocli/tree.h"
#include "tarnek/callspec.h"
#include "tarnek/export.h"

namespace Tarnek {
namespace AutoCli {

/// Drives a Dispatcher from command lines. Results, listings, the usage text and password
/// prompts go to standard output; error blocks and plug-in and input messages to standard error.
class TARNEK_EXPORT CliDispatcher : public Dispatcher {
 public:
  CliDispatcher();
  ~CliDispatcher() override;

  /// Handles one argument vector and ends the process: status 0 when the command ran and was
  /// rendered without errors, 1 otherwise. A path word that names nothing throws
  /// TarnekException to the caller instead.
  [[noreturn]] void HandleArgvInput(int argc, const char* const* argv);
  /// Handles every line of `in` that holds words. Returns the result of the last one handled
  /// (true when none was).
  bool ParseStreamInput(std::istream& in);
  /// Handles one parsed command line. True when a command ran and was rendered without errors.
  bool HandleOptions(OptionParser& parser, bool allowInput);
  /// Applies the options before the path. False only when the usage text was printed.
  bool HandleDispatcherOptions(OptionParser& parser, FormatParameters& formatParams,
                               const std::shared_ptr<CallSpec::Output>& output);
  /// Adds an error for every dispatcher option that is not known.
  void ValidateDispatcherParameters(OptionParser& parser,
                                    const std::shared_ptr<CallSpec::Output>& output);
  /// The size of the terminal on standard output, with a requested --screen-width in force.
  void GetDisplayContext(DisplayContext& ctx);
  /// The settings help output is rendered with: the "commandhelp" formatter.
  FormatParameters GetHelpFormatParams();
  /// Lists the children of `node` on standard output.
  void PrintChildren(std::shared_ptr<NamespaceNode> node, std::shared_ptr<CommandOutput> output);
  /// Writes the output's errors, if any, under "Errors: " on standard error.
  void PrintError(const std::shared_ptr<CallSpec::Output>& output);

 private:
  std::string dispatcherName;
};

}  // namespace AutoCli
}  // namespace Tarnek

#endif  // TARNEK_AUTOCLI_CLI_DISPATCHER_H_
