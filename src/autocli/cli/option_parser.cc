// Splitting a command line into dispatcher options, the command path and command options.
#include "tarnek/autocli/option_parser.h"

#include <iostream>
#include <utility>

#include <boost/regex.hpp>

namespace Tarnek {
namespace AutoCli {

namespace {

const char kDefaultDispatcher[] = "qorcli";
// A command's help is answered even when the command declares it with a value type.
const char kHelpParameter[] = "help";
const char kBlanks[] = " \t";

const char kBadOptionMessage[] = "Attempt to parse option failed.  Input was : ";
const char kMissingValueSuffix[] = " must have value";
const char kExtraArgumentsMessage[] = "Found Extra non-parameter arguments at the end of input: ";

// The option grammar. A long name needs two characters so that "--x" stays a word, and an
// inline value must be non-empty so that "--name=" stays a word; "-5" stays a word so that
// negative numbers can be values.
const boost::regex& OptionPattern() {
  static const boost::regex pattern("^(-[a-zA-Z]|--([a-zA-Z][a-zA-Z0-9-]+)(=.+)?)$");
  return pattern;
}

const boost::regex& ShortOptionPattern() {
  static const boost::regex pattern("^-([a-zA-Z])$");
  return pattern;
}

const boost::regex& LongOptionPattern() {
  static const boost::regex pattern("^--([a-zA-Z][a-zA-Z0-9-]+)$");
  return pattern;
}

// The name cannot hold '=', so the value is everything after the first one.
const boost::regex& LongOptionWithValuePattern() {
  static const boost::regex pattern("^--([a-zA-Z][a-zA-Z0-9-]+)=(.+)$");
  return pattern;
}

std::vector<std::string> ValuesOf(const OptionParser::ParameterList& parameters,
                                  const std::string& name) {
  std::vector<std::string> values;
  for (const auto& [parameterName, value] : parameters) {
    if (parameterName == name) values.push_back(value);
  }
  return values;
}

bool Contains(const OptionParser::ParameterList& parameters, const std::string& name) {
  for (const auto& parameter : parameters) {
    if (parameter.first == name) return true;
  }
  return false;
}

// Options are looked up by either name, as the user may type "-p" or "--password".
std::shared_ptr<CallSpec::ParameterSpec> FindParameter(const CallSpec::InputSpec& spec,
                                                       const std::string& name) {
  for (const auto& declared : spec.GetParameters()) {
    if (declared->GetName() == name || declared->GetShortName() == name) return declared;
  }
  return nullptr;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string WithoutQuotes(const std::string& line, std::size_t begin, std::size_t end) {
  std::string word;
  for (std::size_t i = begin; i < end; ++i) {
    if (line[i] != '"') word += line[i];
  }
  return word;
}

// Quotes group words but, with no escape character, can never be part of one.
std::vector<std::string> SplitWords(const std::string& line) {
  std::vector<std::string> words;
  std::size_t start = line.find_first_not_of(kBlanks);
  if (start == std::string::npos || line[start] == '#') return words;

  bool inWord = false;
  bool inQuote = false;
  std::size_t i = start;
  while (i < line.size()) {
    const char c = line[i];
    if (c == '"') {
      // A quote alone does not open a word: blanks after a leading "" still separate.
      inQuote = !inQuote;
    } else if (!IsBlank(c) || inQuote) {
      inWord = true;
    } else if (!inWord) {
      start = i + 1;
    } else {
      // Once the first word has begun, a word is whatever lies between blank runs, so an
      // empty quoted word in the middle of the line still counts.
      words.push_back(WithoutQuotes(line, start, i));
      i = line.find_first_not_of(kBlanks, i);
      start = i == std::string::npos ? line.size() : i;
      if (i == std::string::npos) break;
      continue;
    }
    ++i;
  }
  // The last word has no blank to close it; an empty one is only trailing quotes.
  std::string last = WithoutQuotes(line, start, line.size());
  if (!last.empty()) words.push_back(std::move(last));
  return words;
}

}  // namespace

OptionParser::OptionParser() : dispatcher(kDefaultDispatcher) {}

OptionParser::OptionParser(const std::string& dispatcherName) : dispatcher(dispatcherName) {}

void OptionParser::ParseArgv(int argc, const char* const* argv) {
  if (argv == nullptr || argc < 1) return;
  if (argv[0] != nullptr) dispatcher = argv[0];
  std::stack<std::string> args;
  for (int i = argc - 1; i >= 1; --i) {
    if (argv[i] != nullptr) args.push(argv[i]);
  }
  ParseStack(std::move(args));
}

void OptionParser::ParseVector(std::vector<std::string> args) {
  std::stack<std::string> stack;
  for (auto it = args.rbegin(); it != args.rend(); ++it) stack.push(std::move(*it));
  ParseStack(std::move(stack));
}

bool OptionParser::ParseString(const std::string& line) {
  std::vector<std::string> words = SplitWords(line);
  if (words.empty()) return true;
  ParseVector(std::move(words));
  return false;
}

void OptionParser::ParseStack(std::stack<std::string> args) {
  if (args.empty()) return;
  parsed = true;
  dispatcherParameters = ParseParameters(args);
  commandPath = ParsePath(args);
  // The command parameters wait for the command's InputSpec; see
  // ProcessCommandArguments.
  pending = std::move(args);
}

void OptionParser::SetInputSpec(std::shared_ptr<CallSpec::InputSpec> spec) {
  inputSpec = std::move(spec);
}

void OptionParser::ProcessCommandArguments() {
  if (pending.empty()) return;
  commandParameters = ParseParameters(pending);
  if (pending.empty()) return;
  std::string message = kExtraArgumentsMessage;
  for (; !pending.empty(); pending.pop()) message += "'" + pending.top() + "' ";
  errors.push_back(std::move(message));
}

OptionParser::ParameterList& OptionParser::GetCommandParameters() {
  ProcessCommandArguments();
  return commandParameters;
}

bool OptionParser::HasCommandParameter(const std::string& name) {
  return Contains(GetCommandParameters(), name);
}

std::vector<std::string> OptionParser::GetCommandParameter(const std::string& name) {
  return ValuesOf(GetCommandParameters(), name);
}

OptionParser::ParameterList& OptionParser::GetDispatcherParameters() {
  return dispatcherParameters;
}

bool OptionParser::HasDispatcherParameter(const std::string& name) {
  return Contains(dispatcherParameters, name);
}

std::vector<std::string> OptionParser::GetDispatcherParameter(const std::string& name) {
  return ValuesOf(dispatcherParameters, name);
}

std::list<std::string>& OptionParser::GetCommandPath() { return commandPath; }

std::list<std::string>& OptionParser::GetNamespaces() { return commandPath; }

std::string& OptionParser::GetDispatcher() { return dispatcher; }

std::vector<std::string>& OptionParser::GetParseErrors() { return errors; }

bool OptionParser::IsParsed() { return parsed; }

std::string OptionParser::ToString() {
  std::string text = "Parsed: ";
  text += parsed ? "1" : "0";
  text += "\nDispatcher: " + dispatcher;
  text += "\nErrors: ";
  for (const auto& error : errors) text += "\n   " + error;
  text += "\nPath: ";
  for (const auto& word : commandPath) text += "'" + word + "'";
  text += "\nDispatch Params: ";
  for (const auto& [name, value] : dispatcherParameters) {
    text += "\n   --" + name + " = '" + value + "'";
  }
  // Errors found only now, by the lazy parse, show in the next dump.
  text += "\nCommand Params: ";
  for (const auto& [name, value] : GetCommandParameters()) {
    text += "\n   --" + name + " = '" + value + "'";
  }
  text += "\n";
  return text;
}

bool OptionParser::IsParameter(const std::string& arg) {
  return boost::regex_match(arg, OptionPattern());
}

std::list<std::string> OptionParser::ParsePath(std::stack<std::string>& args) {
  std::list<std::string> path;
  while (!args.empty() && !IsParameter(args.top())) {
    path.push_back(std::move(args.top()));
    args.pop();
  }
  return path;
}

OptionParser::ParameterList OptionParser::ParseParameters(std::stack<std::string>& args) {
  ParameterList parameters;
  while (!args.empty() && IsParameter(args.top())) {
    const std::string arg = std::move(args.top());
    args.pop();
    std::string name;
    std::string value;
    const bool valueGiven = ParseParameter(arg, name, value);
    if (!valueGiven && !args.empty() && !IsParameter(args.top())) {
      value = std::move(args.top());
      args.pop();
    } else if (!valueGiven && inputSpec) {
      const auto declared = FindParameter(*inputSpec, name);
      if (declared && declared->IsSecret()) {
        // Flushed before the read: the prompt must be visible while echo is off.
        std::cout << "Enter value for '" << declared->GetName() << "': " << std::flush;
        value = GetSilentString();
        // The user's line end was not echoed.
        std::cout << std::endl;
      } else if (declared && declared->GetType() != CallSpec::ParameterType::Flag &&
                 declared->GetName() != kHelpParameter) {
        errors.push_back(arg + kMissingValueSuffix);
      }
    }
    // Kept even when it is in error, so that the command still sees every option given.
    parameters.emplace_back(std::move(name), std::move(value));
  }
  return parameters;
}

bool OptionParser::ParseParameter(const std::string& arg, std::string& name, std::string& value) {
  name.clear();
  value.clear();
  boost::smatch match;
  if (boost::regex_match(arg, match, ShortOptionPattern()) ||
      boost::regex_match(arg, match, LongOptionPattern())) {
    name = match[1];
    return false;
  }
  if (boost::regex_match(arg, match, LongOptionWithValuePattern())) {
    name = match[1];
    value = match[2];
    return true;
  }
  errors.push_back(kBadOptionMessage + arg);
  return false;
}

}  // namespace AutoCli
}  // namespace Tarnek
