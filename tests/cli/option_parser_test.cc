// The command-line parser: option grammar, the split into dispatcher options, path and
// command options, values checked against a command's parameters, secret prompts, line
// splitting for input streams, and the diagnostic dump.
#include "tarnek/autocli/option_parser.h"

#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "tarnek/callspec.h"

namespace {

using Tarnek::AutoCli::OptionParser;
using namespace Tarnek::CallSpec;

using Strings = std::vector<std::string>;
using Pairs = OptionParser::ParameterList;

// The path words joined by '|', so that blanks inside words and empty words stay visible.
std::string PathOf(OptionParser& parser) {
  std::string text;
  for (const auto& word : parser.GetCommandPath()) text += (text.empty() ? "" : "|") + word;
  return parser.GetCommandPath().empty() ? "(none)" : text;
}

std::shared_ptr<ParameterSpec> Param(const char* name, ParameterType type, const char* shortName,
                                     bool secret = false) {
  auto spec = ParameterSpec::New(name, type);
  if (*shortName) spec->SetShortName(shortName);
  if (secret) spec->SetSecret(true);
  return spec;
}

// A command's parameters as the tests declare them: a value, a flag, a short-named integer, a
// help declared with a value type, and a secret.
std::shared_ptr<InputSpec> CommandSpec() {
  auto spec = InputSpec::New();
  spec->AddParameter(Param("name", ParameterType::String, ""));
  spec->AddParameter(Param("all", ParameterType::Flag, ""));
  spec->AddParameter(Param("count", ParameterType::Int, "c"));
  spec->AddParameter(Param("help", ParameterType::String, ""));
  spec->AddParameter(Param("password", ParameterType::String, "p", true));
  return spec;
}

// Standard input and output replaced by strings for the life of the object.
class ConsoleCapture {
 public:
  explicit ConsoleCapture(const std::string& input)
      : in_(input), oldIn_(std::cin.rdbuf(in_.rdbuf())), oldOut_(std::cout.rdbuf(out_.rdbuf())) {}
  ~ConsoleCapture() {
    std::cin.rdbuf(oldIn_);
    std::cin.clear();
    std::cout.rdbuf(oldOut_);
  }
  std::string Output() const { return out_.str(); }

 private:
  std::istringstream in_;
  std::ostringstream out_;
  std::streambuf* oldIn_;
  std::streambuf* oldOut_;
};

TEST(OptionGrammar, ClassifiesAndSplitsArguments) {
  struct Case {
    const char* arg;
    const char* name;  // null: not an option
    const char* value;
  };
  const Case cases[] = {
      {"-v", "v", ""},
      {"--name", "name", ""},
      {"--a1-", "a1-", ""},
      {"--name=a=b", "name", "a=b"},
      {"--name=-x", "name", "-x"},
      {"-5", nullptr, ""},
      {"-ab", nullptr, ""},
      {"--x", nullptr, ""},
      {"-", nullptr, ""},
      {"---x", nullptr, ""},
      {"--name=", nullptr, ""},
      {"--na_me", nullptr, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arg);
    EXPECT_EQ(OptionParser::IsParameter(c.arg), c.name != nullptr);
    OptionParser parser;
    std::string name = "stale", value = "stale";
    const bool inlineValue = parser.ParseParameter(c.arg, name, value);
    EXPECT_EQ(value, c.value);
    EXPECT_EQ(inlineValue, *c.value != '\0');
    if (c.name) {
      EXPECT_EQ(name, c.name);
      EXPECT_TRUE(parser.GetParseErrors().empty());
    } else {
      EXPECT_EQ(parser.GetParseErrors(),
                Strings{std::string("Attempt to parse option failed.  Input was : ") + c.arg});
    }
  }
}

std::string Joined(const Pairs& pairs) {
  std::string text;
  for (const auto& [name, value] : pairs) text += (text.empty() ? "" : " ") + name + "=" + value;
  return text;
}

TEST(OptionParserSplit, SeparatesDispatcherOptionsPathAndCommandOptions) {
  struct Case {
    const char* args;  // split at single spaces
    const char* dispatcher;
    const char* path;
    const char* command;
    const char* extra;  // the words reported as extra arguments
  };
  const Case cases[] = {
      {"--plugin-dir /x storage list --name=a -v 3", "plugin-dir=/x", "storage|list", "name=a v=3",
       ""},
      {"--plugin-dir /x", "plugin-dir=/x", "(none)", "", ""},
      // An option before the path takes the first path word as its value.
      {"-h storage list", "h=storage", "list", "", ""},
      {"-5 --x - --name= ns", "", "-5|--x|-|--name=|ns", "", ""},
      {"ns c --offset -5", "", "ns|c", "offset=-5", ""},
      {"ns c --name -x", "", "ns|c", "name= x=", ""},
      {"ns c --ab b c", "", "ns|c", "ab=b", "'c' "},
      {"ns c -a b c --dd e", "", "ns|c", "a=b", "'c' '--dd' 'e' "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    Strings args;
    std::istringstream words(c.args);
    for (std::string word; std::getline(words, word, ' ');) args.push_back(word);
    OptionParser parser;
    parser.ParseVector(args);
    EXPECT_EQ(Joined(parser.GetDispatcherParameters()), c.dispatcher);
    EXPECT_EQ(PathOf(parser), c.path);
    EXPECT_EQ(Joined(parser.GetCommandParameters()), c.command);
    const std::string extra = "Found Extra non-parameter arguments at the end of input: ";
    EXPECT_EQ(parser.GetParseErrors(), *c.extra ? Strings{extra + c.extra} : Strings{});
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

TEST(OptionParserValues, MissingValuesAreReportedOnlyAgainstASpecification) {
  const Strings args = {"ns", "cmd", "--name", "--all", "-c", "--help", "--unknown", "--count"};
  const Pairs expected = {{"name", ""}, {"all", ""},     {"c", ""},
                          {"help", ""}, {"unknown", ""}, {"count", ""}};

  OptionParser without;
  without.ParseVector(args);
  EXPECT_EQ(without.GetCommandParameters(), expected);
  EXPECT_TRUE(without.GetParseErrors().empty());

  // The specification arrives after the parse, as it does once the path is resolved.
  OptionParser with;
  with.ParseVector(args);
  with.SetInputSpec(CommandSpec());
  EXPECT_EQ(with.GetCommandParameters(), expected);
  EXPECT_EQ(with.GetParseErrors(),
            (Strings{"--name must have value", "-c must have value", "--count must have value"}));
}

TEST(OptionParserValues, SecretWithoutValueIsPromptedFor) {
  struct Case {
    Strings args;
    const char* input;
    const char* value;
    const char* prompt;
  };
  const char* const prompt = "Enter value for 'password': \n";
  const Case cases[] = {
      {{"ns", "c", "--password"}, "s3 cret\nnext\n", "s3 cret", prompt},
      {{"ns", "c", "-p", "--all"}, "pw", "pw", prompt},
      {{"ns", "c", "--password"}, "", "", prompt},
      {{"ns", "c", "--password=x"}, "pw\n", "x", ""},
      {{"ns", "c", "-p", "x"}, "pw\n", "x", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    std::string output;
    OptionParser parser;
    parser.ParseVector(c.args);
    parser.SetInputSpec(CommandSpec());
    {
      ConsoleCapture console(c.input);
      parser.GetCommandParameters();
      // Asking again must not prompt again.
      parser.GetCommandParameters();
      output = console.Output();
    }
    EXPECT_EQ(output, c.prompt);
    EXPECT_EQ(parser.GetCommandParameters().at(0).second, c.value);
    EXPECT_TRUE(parser.GetParseErrors().empty());
  }
}

TEST(OptionParserLines, SplitsWordsOfOneLine) {
  const struct {
    const char* line;
    const char* words;  // as PathOf shows them
  } cases[] = {
      {"", "(none)"},
      {" \t ", "(none)"},
      {"   # comment", "(none)"},
      {"a \"b c\" d", "a|b c|d"},
      {"a \"\" b", "a||b"},
      {"a \"\"", "a"},
      {"a\t\t b \t", "a|b"},
      {"  a #b", "a|#b"},
      {"a \"b\tc", "a|b\tc"},
      {"x\"y z\"w", "xy zw"},
      {"a\\ b", "a\\|b"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    OptionParser parser;
    const bool blank = std::string(c.words) == "(none)";
    EXPECT_EQ(parser.ParseString(c.line), blank);
    EXPECT_EQ(PathOf(parser), c.words);
    EXPECT_EQ(parser.IsParsed(), !blank);
  }
}

TEST(OptionParserLifecycle, ReparsingReplacesTheLineButErrorsAccumulate) {
  const std::string extra = "Found Extra non-parameter arguments at the end of input: ";
  OptionParser parser;
  parser.ParseVector({"--aa", "1", "ns", "cmd", "-x", "v", "junk"});
  parser.GetCommandParameters();
  parser.ParseVector({"--bb", "2", "other", "-y", "w", "junk2"});
  EXPECT_EQ(parser.GetDispatcherParameters(), (Pairs{{"bb", "2"}}));
  EXPECT_EQ(PathOf(parser), "other");
  EXPECT_EQ(parser.GetCommandParameters(), (Pairs{{"y", "w"}}));
  EXPECT_EQ(parser.GetParseErrors(), (Strings{extra + "'junk' ", extra + "'junk2' "}));
  // A comment line parses nothing and leaves the previous line in place.
  EXPECT_TRUE(parser.ParseString("# nothing"));
  EXPECT_EQ(PathOf(parser), "other");
}

TEST(OptionParserDump, ShowsEveryGroup) {
  OptionParser fresh;
  EXPECT_EQ(
      fresh.ToString(),
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
