// Extension commands: commands declared by descriptor files whose work is a templated shell
// command line, plus the shell runner and the process-wide hooks around it.
#ifndef TARNEK_AUTOCLI_EXTENSION_COMMAND_H_
#define TARNEK_AUTOCLI_EXTENSION_COMMAND_H_

#include <cstddef>
#include <memory>
#include <string>
#include <utility>

#include "tarnek/autocli/tree.h"
#include "tarnek/callspec.h"
#include "tarnek/export.h"

namespace Tarnek {
namespace AutoCli {

/// A command carried out by `/bin/sh -c`: the execution template, filled from the call's
/// parameters, is the command line; the filled standard-input template is written to the
/// child; the child's standard output is read back as an XML value document, or as error
/// messages when it begins with "ERROR:" lines.
class TARNEK_EXPORT ExtensionCommand : public Command {
 public:
  ExtensionCommand() = default;
  ~ExtensionCommand() override;

  /// A command with empty templates and no input or output declarations, owned by a shared
  /// pointer.
  static std::shared_ptr<ExtensionCommand> New();

  void SetExecuteCommand(const std::string& text) { executeTemplate = text; }
  void SetStdin(const std::string& text) { stdinTemplate = text; }
  const std::string& GetExecuteCommand() const noexcept { return executeTemplate; }
  const std::string& GetStdin() const noexcept { return stdinTemplate; }
  void SetInputSpec(std::shared_ptr<CallSpec::InputSpec> spec) { declaredInput = std::move(spec); }
  void SetOutputSpec(std::shared_ptr<CallSpec::OutputSpec> spec) {
    declaredOutput = std::move(spec);
  }

  /// The declared parameters. Throws TarnekException when none were set.
  std::shared_ptr<CallSpec::InputSpec> GetInputSpecInternal() override;
  /// The declared result. Throws TarnekException when none was set.
  std::shared_ptr<CallSpec::OutputSpec> GetOutputSpecInternal() override;

  /// The execution template (`forStdin` false) or the standard-input template (true) with the
  /// $val, $if, $list and $multilist tokens of the supplied parameters replaced and the $if
  /// tokens of absent ones removed. Values are shell-escaped only for the execution template.
  /// Throws what Input::GetParameter throws ($val of a flag or list parameter).
  std::string SubstituteInput(const std::shared_ptr<CallSpec::Input>& input, bool forStdin);

  /// `text` with a backslash written before every character isBadChar() reports.
  static std::string SanitizeInput(const std::string& text);
  /// `text` without any occurrence of `c`.
  static std::string SanitizeChar(const std::string& text, char c);

  /// Runs the filled command line through the shell and reads its output into `output`.
  /// Child-side failures become error messages; failures to run the child throw.
  void ExecuteInternal(const std::shared_ptr<CallSpec::Input>& input,
                       const std::shared_ptr<CallSpec::Output>& output) override;

 private:
  std::shared_ptr<CallSpec::InputSpec> declaredInput;
  std::shared_ptr<CallSpec::OutputSpec> declaredOutput;
  std::string executeTemplate;
  std::string stdinTemplate;
};

/// The extent of the bracketed token at `start` in text[0, length): (start, size) up to and
/// including the `close` that pairs with it, nested pairs skipped; (0, 0) when unclosed.
TARNEK_EXPORT std::pair<std::size_t, std::size_t> FindPairedTokenSize(const char* text,
                                                                      std::size_t start,
                                                                      std::size_t length, char open,
                                                                      char close);

/// True for the characters the shell would interpret inside a parameter value:
/// line feed ! " $ & ' ( ) * ; < > \ ^ ` |
TARNEK_EXPORT bool isBadChar(char c);

/// Runs `command` through `/bin/sh -c` with `stdinText` on its standard input, appends its
/// standard output to `output` and returns the wait status. Standard error is shared with
/// the caller. Throws TarnekException when the child cannot be started or talked to.
TARNEK_EXPORT int AutoCli_ShellCmd(const std::string& command, std::string& output,
                                   const std::string& stdinText);
/// AutoCli_ShellCmd with `ZN_USERNAME='userName' ` (single-quoted for the shell) put in
/// front of the command line; exactly AutoCli_ShellCmd when `userName` is empty.
TARNEK_EXPORT int AutoCli_ShellCmdWithZnUsername(const std::string& command,
                                                 const std::string& userName, std::string& output,
                                                 const std::string& stdinText);

/// Told every command line the shell runner has run, with its wait status.
using CommandExecListener = void (*)(const std::string& command, int waitStatus);
/// Gives an extra first argument for the shell (asked with -1); empty for none.
using ChildRpTorkOptionMaker = std::string (*)(int n);

/// Stores the process-wide listener; null clears it. Not synchronised: set it before
/// commands run.
TARNEK_EXPORT void SetCommandExecListener(CommandExecListener listener);
/// Stores the process-wide option maker; null clears it. Not synchronised.
TARNEK_EXPORT void SetChildRpTorkOptionMaker(ChildRpTorkOptionMaker maker);
/// The maker's result for `n`, or the empty string when no maker is set.
TARNEK_EXPORT std::string MakeChildRpTorkOption(int n);

}  // namespace AutoCli
}  // namespace Tarnek

/// For hosts: formats into a static 256-byte buffer (truncating), writes "panic: " and the
/// text to standard error and aborts. Never returns.
extern "C" [[noreturn]] TARNEK_EXPORT void Panic(const char* format, ...)
    __attribute__((format(printf, 1, 2)));

#endif  // TARNEK_AUTOCLI_EXTENSION_COMMAND_H_
