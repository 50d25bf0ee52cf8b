// The command-line parser: option grammar, the split into dispatcher options, path and
// command options, values checked against a command's parameters, secret prompts, line
// splitting for input streams, and the diagnostic dump.
#include "tarnek/autocli/option_parser.h"

#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "tarnek/callspec.h"

namespace {

using Tarnek::AutoCli::OptionParser;
using namespace Tarnek::CallSpec;

using Strings = std::vector<std::string>;
using Pairs = OptionParser::ParameterList;

const std::string kExtra = "Found Extra non-parameter arguments at the end of input: ";

// The path words joined by '|', so that blanks inside words and empty words stay visible.
std::string PathOf(OptionParser& parser) {
  std::string text;
  for (const auto& word : parser.GetCommandPath()) text += (text.empty() ? "" : "|") + word;
  return parser.GetCommandPath().empty() ? "(none)" : text;
}

// A command's parameters as the tests declare them: a value, a flag, a short-named integer, a
// help declared with a value type, and a secret.
std::shared_ptr<InputSpec> CommandSpec() {
  auto spec = InputSpec::New();
  const std::tuple<std::string, ParameterType, const char*> declared[] = {
      {"name", ParameterType::String, ""},
      {"all", ParameterType::Flag, ""},
      {"count", ParameterType::Int, "c"},
      {"help", ParameterType::String, ""},
      {"password", ParameterType::String, "p"}};
  for (const auto& [name, type, shortName] : declared) {
    auto parameter = ParameterSpec::New(name, type);
    if (*shortName) parameter->SetShortName(shortName);
    if (name == "password") parameter->SetSecret(true);
    spec->AddParameter(parameter);
  }
  return spec;
}

// Standard input and output replaced by strings for the life of the object.
struct ConsoleCapture {
  explicit ConsoleCapture(const std::string& input) : in(input) {}
  ~ConsoleCapture() {
    std::cin.rdbuf(oldIn);
    std::cin.clear();
    std::cout.rdbuf(oldOut);
  }
  std::istringstream in;
  std::ostringstream out;
  std::streambuf* oldIn = std::cin.rdbuf(in.rdbuf());
  std::streambuf* oldOut = std::cout.rdbuf(out.rdbuf());
};

TEST(OptionGrammar, ClassifiesAndSplitsArguments) {
  // An option as "name=value"; empty: not an option.
  const std::pair<const char*, const char*> cases[] = {{"-v", "v="},
                                                       {"--a1-", "a1-="},
                                                       {"--name=a=b", "name=a=b"},
                                                       {"--name=-x", "name=-x"},
                                                       {"-5", ""},
                                                       {"-ab", ""},
                                                       {"--x", ""},
                                                       {"-", ""},
                                                       {"---x", ""},
                                                       {"--name=", ""},
                                                       {"--na_me", ""}};
  for (const auto& [arg, option] : cases) {
    SCOPED_TRACE(arg);
    EXPECT_EQ(OptionParser::IsParameter(arg), *option != '\0');
    OptionParser parser;
    std::string name = "stale", value = "stale";
    const bool inlineValue = parser.ParseParameter(arg, name, value);
    EXPECT_EQ(inlineValue, !value.empty());
    if (*option) {
      EXPECT_EQ(name + "=" + value, option);
      EXPECT_TRUE(parser.GetParseErrors().empty());
    } else {
      EXPECT_EQ(value, "");
      EXPECT_EQ(parser.GetParseErrors(),
                Strings{std::string("Attempt to parse option failed.  Input was : ") + arg});
    }
  }
}

std::string Joined(const Pairs& pairs) {
  std::string text;
  for (const auto& [name, value] : pairs) text += (text.empty() ? "" : " ") + name + "=" + value;
  return text;
}

TEST(OptionParserSplit, SeparatesDispatcherOptionsPathAndCommandOptions) {
  // Arguments split at single spaces; dispatcher options, path, command options, extra words.
  const std::tuple<const char*, const char*, const char*, const char*, const char*> cases[] = {
      {"--plugin-dir /x ns c --name=a -v 3", "plugin-dir=/x", "ns|c", "name=a v=3", ""},
      {"--plugin-dir /x", "plugin-dir=/x", "(none)", "", ""},
      // An option before the path takes the first path word as its value.
      {"-h storage list", "h=storage", "list", "", ""},
      {"-5 --x - --name= ns", "", "-5|--x|-|--name=|ns", "", ""},
      {"ns c --offset -5", "", "ns|c", "offset=-5", ""},
      {"ns c --name -x", "", "ns|c", "name= x=", ""},
      {"ns c -a b c --dd e", "", "ns|c", "a=b", "'c' '--dd' 'e' "}};
  for (const auto& [line, dispatcher, path, command, extra] : cases) {
    SCOPED_TRACE(line);
    Strings args;
    std::istringstream words(line);
    for (std::string word; std::getline(words, word, ' ');) args.push_back(word);
    OptionParser parser;
    parser.ParseVector(args);
    EXPECT_EQ(Joined(parser.GetDispatcherParameters()), dispatcher);
    EXPECT_EQ(PathOf(parser), path);
    EXPECT_EQ(Joined(parser.GetCommandParameters()), command);
    EXPECT_EQ(parser.GetParseErrors(), *extra ? Strings{kExtra + extra} : Strings{});
  }
}

TEST(OptionParserSplit, ArgvGivesTheProgramNameAndOptionsRepeat) {
  const char* argv[] = {"/usr/bin/tool", "--plugin", "a",  "--plugin=b", "ns", "cmd",
                        "--tag",         "x",        "-v", "--tag",      "z",  nullptr};
  OptionParser parser("other");
  parser.ParseArgv(11, argv);
  EXPECT_EQ(parser.GetDispatcher(), "/usr/bin/tool");
  EXPECT_EQ(parser.GetDispatcherParameter("plugin"), (Strings{"a", "b"}));
  EXPECT_TRUE(parser.GetDispatcherParameter("tag").empty());
  EXPECT_EQ(parser.GetCommandParameter("tag"), (Strings{"x", "z"}));
  EXPECT_TRUE(parser.HasCommandParameter("v"));
  EXPECT_FALSE(parser.HasCommandParameter("plugin"));
}

TEST(OptionParserValues, MissingValuesAreReportedOnlyAgainstDeclaredParameters) {
  const Strings args = {"ns", "cmd", "--name", "--all", "-c", "--help", "--unknown", "--count"};
  const Pairs expected = {{"name", ""}, {"all", ""},     {"c", ""},
                          {"help", ""}, {"unknown", ""}, {"count", ""}};
  for (const bool declared : {false, true}) {
    SCOPED_TRACE(declared ? "declared" : "undeclared");
    OptionParser parser;
    parser.ParseVector(args);
    // The InputSpec arrives after the parse, as it does once the path is resolved.
    if (declared) parser.SetInputSpec(CommandSpec());
    EXPECT_EQ(parser.GetCommandParameters(), expected);
    const Strings missing = {"--name must have value", "-c must have value",
                             "--count must have value"};
    EXPECT_EQ(parser.GetParseErrors(), declared ? missing : Strings{});
  }
}

TEST(OptionParserValues, SecretWithoutValueIsPromptedFor) {
  const char* const prompt = "Enter value for 'password': \n";
  const std::tuple<Strings, const char*, const char*, const char*> cases[] = {
      {{"ns", "c", "--password"}, "s3 cret\nnext\n", "s3 cret", prompt},
      {{"ns", "c", "-p", "--all"}, "pw", "pw", prompt},
      {{"ns", "c", "-p", "x"}, "pw\n", "x", ""}};
  for (const auto& [args, input, value, shown] : cases) {
    SCOPED_TRACE(::testing::PrintToString(args));
    OptionParser parser;
    parser.ParseVector(args);
    parser.SetInputSpec(CommandSpec());
    std::string output;
    {
      ConsoleCapture console(input);
      parser.GetCommandParameters();
      parser.GetCommandParameters();  // asking again must not prompt again
      output = console.out.str();
    }
    EXPECT_EQ(output, shown);
    EXPECT_EQ(parser.GetCommandParameters().at(0).second, value);
    EXPECT_TRUE(parser.GetParseErrors().empty());
  }
}

TEST(OptionParserLines, SplitsWordsOfOneLine) {
  // The words as PathOf shows them.
  const std::pair<const char*, const char*> cases[] = {{" \t ", "(none)"},
                                                       {"   # comment", "(none)"},
                                                       {"a \"b c\" d", "a|b c|d"},
                                                       {"a \"\" b", "a||b"},
                                                       {"a \"\"", "a"},
                                                       {"a\t\t b \t", "a|b"},
                                                       {"  a #b", "a|#b"},
                                                       {"a \"b\tc", "a|b\tc"},
                                                       {"x\"y z\"w", "xy zw"},
                                                       {"a\\ b", "a\\|b"}};
  for (const auto& [line, words] : cases) {
    OptionParser parser;
    const bool blank = std::string(words) == "(none)";
    EXPECT_EQ(parser.ParseString(line), blank) << line;
    EXPECT_EQ(PathOf(parser), words);
    EXPECT_EQ(parser.IsParsed(), !blank) << line;
  }
}

TEST(OptionParserLifecycle, ReparsingReplacesTheLineButErrorsAccumulate) {
  OptionParser parser;
  parser.ParseVector({"--aa", "1", "ns", "cmd", "-x", "v", "junk"});
  parser.GetCommandParameters();
  parser.ParseVector({"--bb", "2", "other", "-y", "w", "junk2"});
  EXPECT_EQ(parser.GetDispatcherParameters(), (Pairs{{"bb", "2"}}));
  EXPECT_EQ(PathOf(parser), "other");
  EXPECT_EQ(parser.GetCommandParameters(), (Pairs{{"y", "w"}}));
  EXPECT_EQ(parser.GetParseErrors(), (Strings{kExtra + "'junk' ", kExtra + "'junk2' "}));
  // A comment line parses nothing and leaves the previous line in place.
  EXPECT_TRUE(parser.ParseString("# nothing"));
  EXPECT_EQ(PathOf(parser), "other");
}

TEST(OptionParserDump, ShowsEveryGroup) {
  EXPECT_EQ(
      OptionParser().ToString(),
      "Parsed: 0\nDispatcher: qorcli\nErrors: \nPath: \nDispatch Params: \nCommand Params: \n");

  OptionParser parser("tool");
  parser.ParseVector({"--plugin", "p", "ns", "cmd", "--name=a b", "-v", "1", "extra"});
  parser.GetCommandParameters();
  EXPECT_EQ(parser.ToString(),
            "Parsed: 1\n"
            "Dispatcher: tool\n"
            "Errors: \n"
            "   Found Extra non-parameter arguments at the end of input: 'extra' \n"
            "Path: 'ns''cmd'\n"
            "Dispatch Params: \n"
            "   --plugin = 'p'\n"
            "Command Params: \n"
            "   --name = 'a b'\n"
            "   --v = '1'\n");
}

}  // namespace
