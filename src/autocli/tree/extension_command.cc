// Extension commands: filling the shell templates from a call's parameters and turning the
// child's standard output into the call's result.
#include "tarnek/autocli/extension_command.h"

#include <sys/wait.h>
#include <syslog.h>

#include <cstdlib>
#include <unordered_map>
#include <vector>

#include <boost/algorithm/string/replace.hpp>
#include <boost/regex.hpp>

#include "tarnek/autocli/xml_util.h"
#include "tarnek/exception.h"

namespace Tarnek {
namespace AutoCli {

using CallSpec::Input;
using CallSpec::InputSpec;
using CallSpec::Output;
using CallSpec::OutputSpec;

namespace {

constexpr char kNoInputSpec[] =
    "Request for NULL InputSpec.  Extension command is incomplete and will not work";
constexpr char kNoOutputSpec[] =
    "Request for NULL OutputSpec.  Extension command is incomplete and will not work";
constexpr char kDefaultLang[] = "LANG=en_US.UTF-8 ";
constexpr char kErrorLinePrefix[] = "ERROR:";
constexpr char kNoDataHeader[] = "Got no data from process.\n";
// The first letter is a Cyrillic small ie (0xD0 0xB5), not a Latin e: the text is matched
// byte for byte by whatever watches the log, so it must not be "corrected".
constexpr char kExitedWithCode[] = "\xD0\xB5xited with error code: ";
constexpr char kParseFailure[] = "Unable to parse output of Extension Command: ";

// Templates are whole-text matched; "." must also cross line ends, since both templates may
// span several lines.
const boost::match_flag_type kMatchFlags = boost::match_default | boost::match_extra;

bool MatchesWhole(const std::string& text, const boost::regex& pattern,
                  boost::smatch* groups = nullptr) {
  boost::smatch scratch;
  return boost::regex_match(text, groups ? *groups : scratch, pattern, kMatchFlags);
}

// Filled values must stay data: a value holding "$val{other}" or "$if{...}" would otherwise be
// read as a token by a later step (and escaping applied twice undoes itself). While a template
// is being filled, every "$" of an inserted value is held as the pair NUL 1 and every NUL as
// NUL NUL, so no step can see a token in it; the pairs are turned back at the very end. Only
// "$" and NUL change, so quote and brace positions, which the steps do look at, are the same.
constexpr char kShield = '\0';

std::string Shield(const std::string& value) {
  if (value.find_first_of(std::string("$\0", 2)) == std::string::npos) return value;
  std::string shielded;
  shielded.reserve(value.size() + 8);
  for (const char c : value) {
    if (c == '$') {
      shielded += kShield;
      shielded += '\1';
    } else if (c == kShield) {
      shielded += kShield;
      shielded += kShield;
    } else {
      shielded += c;
    }
  }
  return shielded;
}

std::string Unshield(const std::string& text) {
  if (text.find(kShield) == std::string::npos) return text;
  std::string plain;
  plain.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == kShield && i + 1 < text.size()) {
      plain += text[i + 1] == kShield ? kShield : '$';
      ++i;
    } else {
      plain += text[i];
    }
  }
  return plain;
}

// The patterns hold a parameter name, so they cannot be static; a command fills its templates
// with the same few names every time, so each pattern is compiled once per thread.
const boost::regex& Pattern(const std::string& expression) {
  thread_local std::unordered_map<std::string, boost::regex> compiled;
  auto found = compiled.find(expression);
  if (found == compiled.end()) found = compiled.emplace(expression, boost::regex(expression)).first;
  return found->second;
}

// A token's fixed opening: where it is absent no pattern of that token can match, which spares
// matching whole templates for the parameters they do not use.
bool Mentions(const std::string& text, const char* opening, const std::string& name) {
  return text.find(opening + name) != std::string::npos;
}

std::string ReplaceLiterally(const std::string& text, const boost::regex& pattern,
                             const std::string& replacement) {
  return boost::regex_replace(text, pattern, replacement,
                              boost::match_default | boost::regex_constants::format_literal);
}

void SubstituteValue(std::string& text, const Input& input, const std::string& name,
                     bool forStdin) {
  if (!Mentions(text, "$val{", name)) return;
  const boost::regex& whole = Pattern("(.*)\\$val\\{" + name + "\\}(.*)");
  boost::smatch groups;
  if (!MatchesWhole(text, whole, &groups)) return;
  std::string value = input.GetParameter(name);
  if (!forStdin) {
    // Inside single quotes the shell interprets nothing, so only a quote could break out:
    // drop quotes there instead of escaping (a backslash would show up literally).
    const std::string before = groups.str(1);
    const std::string after = groups.str(2);
    const bool singleQuoted =
        !before.empty() && before.back() == '\'' && !after.empty() && after.front() == '\'';
    value = singleQuoted ? ExtensionCommand::SanitizeChar(value, '\'')
                         : ExtensionCommand::SanitizeInput(value);
  }
  boost::algorithm::replace_all(text, "$val{" + name + "}", Shield(value));
}

void SubstituteCondition(std::string& text, const std::string& name) {
  if (!Mentions(text, "$if{", name)) return;
  if (!MatchesWhole(text, Pattern(".*\\$if\\{" + name + ",(.+?)\\}.*"))) return;
  const boost::regex& token = Pattern("\\$if\\{" + name + ",(.+?)\\}");
  text = boost::regex_replace(text, token, "$1", boost::match_default | boost::format_perl);
}

void SubstituteJoinedList(std::string& text, const Input& input, const std::string& name,
                          bool forStdin) {
  if (!Mentions(text, "$list{", name)) return;
  const std::string tokenPattern = "\\$list\\{" + name + ",'(.?)',(true|false)\\}";
  boost::smatch groups;
  if (!MatchesWhole(text, Pattern(".*" + tokenPattern + ".*"), &groups)) return;
  const std::string separator = groups.str(1);
  const bool quote = groups.str(2) == "true";
  std::string joined;
  if (separator.empty()) {
    std::vector<std::string> values;
    input.GetParameterList(name, values);
    for (const std::string& value : values) joined += value;
  } else {
    joined = input.GetParameterListAsString(name, separator[0], false);
  }
  if (!forStdin) joined = ExtensionCommand::SanitizeInput(joined);
  if (quote) joined = '"' + joined + '"';
  text = ReplaceLiterally(text, Pattern(tokenPattern), Shield(joined));
}

// Inside double quotes the shell still expands "$" and backquotes and reads backslashes, so a
// value that dropped its double quotes could still run a command of its own; those three
// characters are escaped, which leaves every other value exactly as it was.
std::string QuoteForDoubleQuotes(const std::string& value) {
  std::string quoted;
  quoted.reserve(value.size());
  for (const char c : value) {
    if (c == '$' || c == '`' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return quoted;
}

void SubstituteRepeatedOption(std::string& text, const Input& input, const std::string& name,
                              bool forStdin) {
  if (!Mentions(text, "$multilist{", name)) return;
  const std::string tokenPattern = "\\$multilist\\{" + name + ",(.+?),(true|false)\\}";
  boost::smatch groups;
  if (!MatchesWhole(text, Pattern(".*" + tokenPattern + ".*"), &groups)) return;
  const std::string flag = groups.str(1);
  const bool quote = groups.str(2) == "true";
  std::vector<std::string> values;
  input.GetParameterList(name, values);
  std::string result;
  for (const std::string& raw : values) {
    std::string value = raw;
    if (!forStdin) {
      value = quote ? QuoteForDoubleQuotes(ExtensionCommand::SanitizeChar(raw, '"'))
                    : ExtensionCommand::SanitizeInput(raw);
    }
    result += ' ';
    result += flag;
    result += ' ';
    result += quote ? '"' + value + '"' : value;
  }
  text = ReplaceLiterally(text, Pattern(tokenPattern), Shield(result));
}

// For every "{" in `text`, the position of the "}" that pairs with it, or npos. Bracket
// pairing is what FindPairedTokenSize computes for one position; doing it for all at once
// keeps removing conditions linear even when a value is full of unmatched braces.
std::vector<std::size_t> PairBraces(const std::string& text) {
  std::vector<std::size_t> closeOf(text.size(), std::string::npos);
  std::vector<std::size_t> open;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '{') {
      open.push_back(i);
    } else if (text[i] == '}' && !open.empty()) {
      closeOf[open.back()] = i;
      open.pop_back();
    }
  }
  return closeOf;
}

// Removes the $if tokens of parameters the call did not supply. Pairing braces (rather than
// stopping at the first "}") removes a condition whose text holds tokens of its own, such as
// "$if{a,--opt=$val{b}}", as one piece.
void RemoveLeftOverConditions(std::string& text) {
  static const boost::regex leftOver(".*\\$if\\{[a-z0-9-]+,.+?\\}.*");
  if (!MatchesWhole(text, leftOver)) return;
  std::vector<std::size_t> closeOf = PairBraces(text);
  std::size_t position = text.find('{');
  while (position != std::string::npos) {
    const std::size_t close = closeOf[position];
    const std::size_t size = close == std::string::npos ? 0 : close - position + 1;
    const std::size_t dollar = size == 0 ? std::string::npos : text.rfind('$', position);
    if (dollar != std::string::npos) {
      const std::size_t end = position + size;
      if (MatchesWhole(text.substr(dollar, end - dollar), leftOver)) {
        text.erase(dollar, end - dollar);
        closeOf = PairBraces(text);
        position = text.find('{', position);
        continue;
      }
    }
    position = text.find('{', position + (size == 0 ? 1 : size));
  }
}

// The number after the no-output message: the exit code, or 128 plus the signal number when
// the shell was killed, as shells themselves report it.
int ExitCode(int waitStatus) {
  if (WIFEXITED(waitStatus)) return WEXITSTATUS(waitStatus);
  if (WIFSIGNALED(waitStatus)) return 128 + WTERMSIG(waitStatus);
  return waitStatus;
}

}  // namespace

std::pair<std::size_t, std::size_t> FindPairedTokenSize(const char* text, std::size_t start,
                                                        std::size_t length, char open, char close) {
  // A nested opening whose own scan reaches the end leaves the enclosing scan nothing to find
  // either (it scans the same characters under the same rules), so the nesting reduces to a
  // depth count: linear, and without recursion on texts full of opening characters.
  std::size_t position = start;
  if (start < length && text[start] == open) ++position;
  std::size_t depth = 0;
  for (; position < length; ++position) {
    if (text[position] == open) {
      ++depth;
    } else if (text[position] == close) {
      if (depth == 0) return {start, position - start + 1};
      --depth;
    }
  }
  return {0, 0};
}

bool isBadChar(char c) {
  switch (c) {
    case '\n':
    case '!':
    case '"':
    case '$':
    case '&':
    case '\'':
    case '(':
    case ')':
    case '*':
    case ';':
    case '<':
    case '>':
    case '\\':
    case '^':
    case '`':
    case '|':
      return true;
    default:
      return false;
  }
}

ExtensionCommand::~ExtensionCommand() = default;

std::shared_ptr<ExtensionCommand> ExtensionCommand::New() {
  return std::make_shared<ExtensionCommand>();
}

std::shared_ptr<InputSpec> ExtensionCommand::GetInputSpecInternal() {
  if (!declaredInput) throw TarnekException(kNoInputSpec);
  return declaredInput;
}

std::shared_ptr<OutputSpec> ExtensionCommand::GetOutputSpecInternal() {
  if (!declaredOutput) throw TarnekException(kNoOutputSpec);
  return declaredOutput;
}

std::string ExtensionCommand::SanitizeInput(const std::string& text) {
  std::string clean;
  clean.reserve(text.size());
  for (const char c : text) {
    if (isBadChar(c)) clean += '\\';
    clean += c;
  }
  return clean;
}

std::string ExtensionCommand::SanitizeChar(const std::string& text, char c) {
  std::string clean;
  clean.reserve(text.size());
  for (const char kept : text) {
    if (kept != c) clean += kept;
  }
  return clean;
}

std::string ExtensionCommand::SubstituteInput(const std::shared_ptr<Input>& input, bool forStdin) {
  std::string text = forStdin ? stdinTemplate : executeTemplate;
  if (text.empty() || text.find('$') == std::string::npos) return text;
  // The template's own "$" are its tokens; only a NUL in it needs the escape pair.
  boost::algorithm::replace_all(text, std::string(1, kShield), std::string(2, kShield));
  // A condition's text ends at the first closing brace, so "$if{a,--x=$val{b}}" opens to
  // "--x=$val{b" plus the brace left behind, which closes the $val token again: nested tokens
  // come out right whichever of the two parameters is filled first.
  for (const auto& parameter : GetInputSpec()->GetParameters()) {
    const std::string& name = parameter->GetName();
    if (!input->HasParameter(name)) continue;
    SubstituteValue(text, *input, name, forStdin);
    SubstituteCondition(text, name);
    SubstituteJoinedList(text, *input, name, forStdin);
    SubstituteRepeatedOption(text, *input, name, forStdin);
  }
  RemoveLeftOverConditions(text);
  return Unshield(text);
}

void ExtensionCommand::ExecuteInternal(const std::shared_ptr<Input>& input,
                                       const std::shared_ptr<Output>& output) {
  // Commands parse their tools' English output; an explicitly set LANG, even an empty one,
  // is the caller's decision and is left alone.
  const bool langSet = std::getenv("LANG") != nullptr;
  std::string commandLine = SubstituteInput(input, false);
  if (!langSet) commandLine = kDefaultLang + commandLine;
  const std::string stdinText = SubstituteInput(input, true);

  std::string text;
  const int waitStatus =
      GetInputSpec()->IsContextSupported("user")
          ? AutoCli_ShellCmdWithZnUsername(commandLine, input->GetContext("user"), text, stdinText)
          : AutoCli_ShellCmd(commandLine, text, stdinText);

  if (text.empty()) {
    const std::string message = std::string(kNoDataHeader) + "Command \"" + commandLine + "\"\n" +
                                kExitedWithCode + std::to_string(ExitCode(waitStatus));
    syslog(LOG_ERR, "%s", message.c_str());
    output->AddErrorMessage(message);
  } else {
    // Only a leading run of error lines counts: a document may well contain the word later.
    const std::size_t prefixLength = sizeof kErrorLinePrefix - 1;
    std::size_t position = 0;
    while (position < text.size() && text.compare(position, prefixLength, kErrorLinePrefix) == 0) {
      const std::size_t lineEnd = text.find('\n', position);
      const std::size_t messageStart = position + prefixLength;
      output->AddErrorMessage(text.substr(
          messageStart, lineEnd == std::string::npos ? std::string::npos : lineEnd - messageStart));
      if (lineEnd == std::string::npos) break;
      position = lineEnd + 1;
    }
  }
  if (output->HasError()) return;

  try {
    const std::shared_ptr<MetaObj::MetaObject> result = XmlUtil_ParseXmlOutput(text);
    if (result) output->SetRootObject(result);
  } catch (const TarnekException& error) {
    output->AddErrorMessage(kParseFailure + std::string(error.what()));
  }
}

}  // namespace AutoCli
}  // namespace Tarnek
