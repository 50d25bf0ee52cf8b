// The command-line parser: splits one command line into dispatcher options, the command path
// and the command's own options.
#ifndef TARNEK_AUTOCLI_OPTION_PARSER_H_
#define TARNEK_AUTOCLI_OPTION_PARSER_H_

#include <list>
#include <memory>
#include <stack>
#include <string>
#include <utility>
#include <vector>

#include "tarnek/callspec.h"
#include "tarnek/export.h"

namespace Tarnek {
namespace AutoCli {

/// Splits one command line into three groups: the options before the path (dispatcher
/// parameters), the path words (namespaces, then the command), and the options after it
/// (command parameters). The split is lexical: an argument is an option when it looks like
/// "-x", "--name" or "--name=value"; a following argument that does not look like one is its
/// value. Option names are kept without their dashes; a missing value is the empty string.
///
/// Command parameters are parsed on the first query after SetInputSpec, so that a secret
/// parameter given without a value can be prompted for and a missing value reported.
/// Malformed input never throws: problems are collected in GetParseErrors().
class TARNEK_EXPORT OptionParser {
 public:
  using ParameterList = std::vector<std::pair<std::string, std::string>>;

  /// A parser whose program name is "qorcli".
  OptionParser();
  explicit OptionParser(const std::string& dispatcherName);

  /// Takes argv[0] as the program name and parses argv[1] .. argv[argc - 1]. Null entries
  /// are skipped; with no argv[0] the program name is kept.
  void ParseArgv(int argc, const char* const* argv);
  /// Parses every element as an argument; the program name is kept.
  void ParseVector(std::vector<std::string> args);
  /// Cuts the line into words and parses them as ParseVector does. Blanks (space, tab)
  /// separate words, double quotes group them and are removed, no escapes exist, and a line
  /// whose first non-blank character is '#' is a comment. Returns true when the line held
  /// no word, in which case nothing was parsed.
  bool ParseString(const std::string& line);
  /// Parses the arguments with the first one on top. An empty stack changes nothing. The
  /// dispatcher parameters, the path and the pending arguments are replaced; errors
  /// accumulate over several parses.
  void ParseStack(std::stack<std::string> args);

  /// The InputSpec the pending command arguments are read against.
  void SetInputSpec(std::shared_ptr<CallSpec::InputSpec> spec);
  /// Parses the pending arguments into the command parameters (replacing them); words left
  /// over are reported as one error. Does nothing when nothing is pending. A secret
  /// parameter without a value is prompted for on standard output and read from standard
  /// input without echo.
  void ProcessCommandArguments();

  /// The command parameters in command-line order (runs ProcessCommandArguments first).
  ParameterList& GetCommandParameters();
  bool HasCommandParameter(const std::string& name);
  /// Every value given for `name`, in order; empty when it was not given.
  std::vector<std::string> GetCommandParameter(const std::string& name);

  /// The options before the path, in command-line order, repeated names included.
  ParameterList& GetDispatcherParameters();
  bool HasDispatcherParameter(const std::string& name);
  /// Every value given for `name`, in order; empty when it was not given.
  std::vector<std::string> GetDispatcherParameter(const std::string& name);

  /// The path words in command-line order: namespaces, then the command.
  std::list<std::string>& GetCommandPath();
  /// The same list as GetCommandPath().
  std::list<std::string>& GetNamespaces();
  /// The program name.
  std::string& GetDispatcher();
  /// Every problem found so far, in the order found.
  std::vector<std::string>& GetParseErrors();
  /// True once a parse has received at least one argument.
  bool IsParsed();

  /// One line from standard input without its line end, read with terminal echo switched
  /// off when standard input is a terminal; the empty string at end of input.
  static std::string GetSilentString();

  /// A diagnostic dump of the parser's state. Runs ProcessCommandArguments.
  std::string ToString();

  /// Whether the whole argument is "-x", "--name" or "--name=value" (a letter after the
  /// dash or dashes, a long name of at least two characters, a non-empty value).
  static bool IsParameter(const std::string& arg);
  /// Pops the words up to the next option (or the end) and returns them in order.
  std::list<std::string> ParsePath(std::stack<std::string>& args);
  /// Pops the options on top of the stack, each with its value: inline after '=', or the
  /// next argument when that is not an option. Reports options that need a value and have
  /// none when an InputSpec is set.
  ParameterList ParseParameters(std::stack<std::string>& args);
  /// Splits one option into `name` and `value`; returns true when the value was given
  /// inline. An argument that is not an option adds an error and returns false.
  bool ParseParameter(const std::string& arg, std::string& name, std::string& value);

 private:
  bool parsed = false;
  std::vector<std::string> errors;
  std::string dispatcher;
  std::list<std::string> commandPath;
  ParameterList dispatcherParameters;
  ParameterList commandParameters;
  std::stack<std::string> pending;
  std::shared_ptr<CallSpec::InputSpec> inputSpec;
};

}  // namespace AutoCli
}  // namespace Tarnek

#endif  // TARNEK_AUTOCLI_OPTION_PARSER_H_
