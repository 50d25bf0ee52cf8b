// Filling extension-command templates: the token language, escaping for the shell, removal of
// conditions of absent parameters, and the declarations an extension command must be given.
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "../common/test_util.h"
#include "tarnek/autocli/extension_command.h"

namespace {

using Tarnek::AutoCli::ExtensionCommand;
using Tarnek::AutoCli::FindPairedTokenSize;
using Tarnek::AutoCli::isBadChar;
using namespace Tarnek::CallSpec;

using Values = std::vector<std::pair<std::string, std::string>>;

// A command declaring one parameter of each shape the templates use.
std::shared_ptr<ExtensionCommand> MakeCommand(const std::string& execute,
                                              const std::string& stdinText) {
  auto spec = InputSpec::New();
  const std::pair<const char*, ParameterType> declared[] = {
      {"dir", ParameterType::String},     {"name", ParameterType::String},
      {"aa", ParameterType::String},      {"bb", ParameterType::String},
      {"verbose", ParameterType::Bool},   {"force", ParameterType::Flag},
      {"disk", ParameterType::StringList}};
  for (const auto& [name, type] : declared) spec->AddParameter(ParameterSpec::New(name, type));
  auto command = ExtensionCommand::New();
  command->SetInputSpec(spec);
  command->SetOutputSpec(OutputSpec::New());
  command->SetExecuteCommand(execute);
  command->SetStdin(stdinText);
  return command;
}

std::shared_ptr<Input> MakeInput(const std::shared_ptr<ExtensionCommand>& command,
                                 const Values& values) {
  auto input = Input::New();
  for (const auto& [name, value] : values) input->AddParameter(name, value);
  input->SetInputSpec(command->GetInputSpec());
  return input;
}

struct SubstitutionCase {
  const char* what;
  const char* templateText;
  Values values;
  const char* expected;
};

const SubstitutionCase kCommandLineCases[] = {
    {"value escaped for the shell", "ls $val{dir}", {{"dir", "a b;c"}}, "ls a b\\;c"},
    {"double-quoted escaped", "echo \"$val{name}\"", {{"name", "it's"}}, "echo \"it\\'s\""},
    {"own surroundings only", "echo '$val{name}", {{"name", "a'b"}}, "echo 'a\\'b"},
    {"format characters literal", "a $val{dir}", {{"dir", "$1 \\0 &"}}, "a \\$1 \\\\0 \\&"},
    {"absent value token stays", "echo $val{dir}", {}, "echo $val{dir}"},
    {"no dollar: used as written", "rm -rf * ; echo `x`", {{"dir", "v"}}, "rm -rf * ; echo `x`"},
    {"condition supplied", "cmd $if{verbose,--verbose}", {{"verbose", "true"}}, "cmd --verbose"},
    {"condition absent", "cmd $if{verbose,--verbose}", {}, "cmd "},
    {"flag opens its condition", "cmd $if{force,--force}", {{"force", ""}}, "cmd --force"},
    {"condition around value", "cmd $if{aa,--x=$val{bb}}", {{"aa", "1"}, {"bb", "v"}}, "cmd --x=v"},
    {"value without its condition", "cmd $if{aa,--x=$val{bb}} end", {{"bb", "v"}}, "cmd  end"},
    {"condition whose text holds braces", "cmd $if{aa,{x}} end", {}, "cmd  end"},
    {"undeclared condition gone", "echo ${HOME} $if{zz,y} x", {}, "echo ${HOME}  x"},
    {"joined and quoted list", "$list{disk,',',true}", {{"disk", "a"}, {"disk", "b"}}, "\"a,b\""},
    {"list values escaped", "$list{disk,' ',false}", {{"disk", "a;b"}, {"disk", "c"}}, "a\\;b c"},
    {"repeated option",
     "x$multilist{disk,--disk,false}",
     {{"disk", "a"}, {"disk", "b|c"}},
     "x --disk a --disk b\\|c"},
    {"quoted option drops \"", "x$multilist{disk,-d,true}", {{"disk", "a\"b;c"}}, "x -d \"ab;c\""},
    // A filled value is data for every later step: neither a token of its own, nor text that
    // the removal of unsupplied conditions could cut into (leaving a backslash to escape the
    // next character).
    {"value holding a supplied condition", "$val{aa}", {{"aa", "$if{bb,;x}"}, {"bb", "y"}},
     "\\$if{bb,\\;x}"},
    {"value holding an unsupplied condition", "$val{aa}", {{"aa", "$if{zz,x};y"}},
     "\\$if{zz,x}\\;y"},
    {"values naming each other", "$val{bb} $val{aa}", {{"aa", "$val{bb}"}, {"bb", "$val{aa}"}},
     "\\$val{aa} \\$val{bb}"},
    {"single-quoted value naming a value", "'$val{aa}'", {{"aa", "$val{bb}';x;'"}, {"bb", "y"}},
     "'$val{bb};x;'"},
    {"list items naming a value",
     "$list{disk,',',false}",
     {{"disk", "$val{aa}"}, {"disk", "$val{aa}"}, {"aa", "y"}},
     "\\$val{aa},\\$val{aa}"},
    // The cleaning is chosen once, from the parameter's last occurrence, and used for all of
    // them: a parameter both inside single quotes and outside them is bare where it is not
    // quoted. Descriptor authors are told to keep each parameter in one context; this pins why.
    {"last occurrence quoted", "echo $val{name} '$val{name}'", {{"name", "a;b"}}, "echo a;b 'a;b'"},
    {"last occurrence bare", "echo '$val{name}' $val{name}", {{"name", "a;b"}},
     "echo 'a\\;b' a\\;b"},
};

TEST(ExtensionCommandSubstitute, FillsTheCommandLine) {
  for (const SubstitutionCase& c : kCommandLineCases) {
    auto command = MakeCommand(c.templateText, "");
    EXPECT_EQ(command->SubstituteInput(MakeInput(command, c.values), false), c.expected) << c.what;
  }
}

TEST(ExtensionCommandSubstitute, StandardInputTakesValuesRaw) {
  const SubstitutionCase cases[] = {
      {"value", "<v>$val{name}</v>", {{"name", "a&b'c\"$"}}, "<v>a&b'c\"$</v>"},
      {"single quotes kept", "'$val{name}'", {{"name", "it's"}}, "'it's'"},
      {"list", "$list{disk,';',true}", {{"disk", "a b"}, {"disk", "c|d"}}, "\"a b;c|d\""},
      {"repeated option", "$multilist{disk,-d,true}", {{"disk", "x\"y"}}, " -d \"x\"y\""},
  };
  for (const SubstitutionCase& c : cases) {
    auto command = MakeCommand("unused $val{name}", c.templateText);
    EXPECT_EQ(command->SubstituteInput(MakeInput(command, c.values), true), c.expected) << c.what;
  }
}

TEST(ExtensionCommandSubstitute, ValueOfFlagOrListIsRefused) {
  for (const char* templateText : {"x $val{force}", "x $val{disk}"}) {
    auto command = MakeCommand(templateText, "");
    auto input = MakeInput(command, {{"force", ""}, {"disk", "a"}});
    EXPECT_ANY_THROW(command->SubstituteInput(input, false)) << templateText;
  }
}

// Values come from users: a value full of unmatched braces must not make the removal of a
// left-over condition blow up.
TEST(ExtensionCommandSubstitute, ManyUnmatchedBracesStayCheap) {
  auto command = MakeCommand("a $val{dir} $if{aa,x} b", "");
  const std::string braces(20000, '{');
  EXPECT_EQ(command->SubstituteInput(MakeInput(command, {{"dir", braces}}), false),
            "a " + braces + "  b");
}

TEST(ExtensionCommandSanitize, EscapesExactlyTheShellCharacters) {
  const std::string bad = "\n!\"$&'()*;<>\\^`|";
  for (int code = 0; code < 256; ++code) {
    const char c = static_cast<char>(code);
    const bool expectBad = bad.find(c) != std::string::npos;
    EXPECT_EQ(isBadChar(c), expectBad) << "code " << code;
    const std::string one(1, c);
    EXPECT_EQ(ExtensionCommand::SanitizeInput(one), expectBad ? "\\" + one : one) << code;
  }
}

TEST(FindPairedTokenSize, PairsNestedBrackets) {
  struct Case {
    const char* text;
    std::size_t start;
    std::size_t length;  // 0: the whole text
    std::pair<std::size_t, std::size_t> expected;
  };
  const Case cases[] = {
      {"{a}", 0, 0, {0, 3}},   {"x{a{b}c}y", 1, 0, {1, 7}}, {"x{a{b}{c}d}", 1, 0, {1, 10}},
      {"{a{b}", 0, 0, {0, 0}}, {"{{}", 0, 0, {0, 0}},       {"{{}", 1, 0, {1, 2}},
      {"ab}c", 0, 0, {0, 3}},  // not starting on an opening: the first free closing ends it
      {"{ab}", 0, 3, {0, 0}},  // the closing lies beyond the length
      {"", 0, 0, {0, 0}},
  };
  for (const Case& c : cases) {
    const std::string text = c.text;
    const std::size_t length = c.length ? c.length : text.size();
    EXPECT_EQ(FindPairedTokenSize(text.c_str(), c.start, length, '{', '}'), c.expected)
        << c.text << " from " << c.start;
  }
  const std::string deep = std::string(100000, '(') + "x";
  EXPECT_EQ(FindPairedTokenSize(deep.c_str(), 0, deep.size(), '(', ')'),
            std::make_pair(std::size_t{0}, std::size_t{0}));
}

TEST(ExtensionCommandDeclarations, MissingInputOrOutputDeclarationIsRefused) {
  auto command = ExtensionCommand::New();
  EXPECT_EQ(ThrownMessage([&] { command->GetInputSpec(); }),
            "Request for NULL InputSpec.  Extension command is incomplete and will not work");
  EXPECT_EQ(ThrownMessage([&] { command->GetOutputSpec(); }),
            "Request for NULL OutputSpec.  Extension command is incomplete and will not work");
}

}  // namespace
