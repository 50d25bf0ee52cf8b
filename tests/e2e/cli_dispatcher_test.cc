// CliDispatcher pieces that are hard to see from outside the process: the display context
// under a requested width and the format-parameter split.
#include <sys/ioctl.h>
#include <unistd.h>

#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tarnek/tarnek.h"

namespace {

using Tarnek::AutoCli::CliDispatcher;
using Tarnek::AutoCli::CommandOutput;
using Tarnek::AutoCli::DisplayContext;
using Tarnek::AutoCli::FormatParameters;
using Tarnek::AutoCli::OptionParser;

// Applies the dispatcher options of `args` (which must not print the usage) to `dispatcher`.
FormatParameters ApplyOptions(CliDispatcher& dispatcher, const std::vector<std::string>& args,
                              const std::shared_ptr<CommandOutput>& output) {
  OptionParser parser;
  parser.ParseVector(args);
  FormatParameters settings;
  EXPECT_TRUE(dispatcher.HandleDispatcherOptions(parser, settings, output));
  return settings;
}

TEST(CliDispatcherDisplay, RequestedWidthOverridesTheTerminalWithinRange) {
  CliDispatcher dispatcher;
  // What the terminal says, if standard output is one; otherwise the context keeps its values.
  DisplayContext terminal;
  terminal.width = 7;
  terminal.height = 3;
  winsize size{};
  if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0) {
    terminal.width = size.ws_col;
    terminal.height = size.ws_row;
  }
  struct Case {
    const char* width;
    int expected;  // 0: the terminal's width stays
  } cases[] = {{"0x50", 80}, {"0100", 64}, {"1", 1},     {"9999", 9999},
               {"0", 0},     {"10000", 0}, {"-5", 0},   {"wide", 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.width);
    ApplyOptions(dispatcher, {"--screen-width", c.width}, CommandOutput::New());
    DisplayContext ctx;
    ctx.width = 7;
    ctx.height = 3;
    dispatcher.GetDisplayContext(ctx);
    EXPECT_EQ(ctx.width, c.expected ? c.expected : terminal.width);
    EXPECT_EQ(ctx.height, terminal.height);
  }
  // The width is process-wide; leave it as a fresh process has it.
  ApplyOptions(dispatcher, {"--screen-width", "0"}, CommandOutput::New());
}

TEST(CliDispatcherFormat, ParametersSplitAtTheFirstEqualsSignAndNeedAFormatterName) {
  CliDispatcher dispatcher;
  const auto output = CommandOutput::New();
  const FormatParameters settings =
      ApplyOptions(dispatcher,
                   {"--formatter", "simple", "--format-param", "fields=Name,Size", "--format-param",
                    "align-fields=true", "--format-param", "printf:Dev.Size=%5ld=x",
                    "--format-param", "bad/key=1", "--format-param", "novalue="},
                   output);
  EXPECT_EQ(settings.GetFormatter(), "simple");
  const std::map<std::string, std::string> expected{
      {"align-fields", "true"}, {"fields", "Name,Size"}, {"printf:Dev.Size", "%5ld=x"}};
  EXPECT_EQ(settings.GetParameters(), expected);
  const std::vector<std::string> errors{"Unable to read format parameter bad/key=1",
                                        "Unable to read format parameter novalue="};
  EXPECT_EQ(output->GetErrors(), errors);

  // An option where the formatter's name should be is no name.
  const auto noName = CommandOutput::New();
  const std::vector<std::string> args{"--formatter", "--screen-width", "0", "qorcli"};
  EXPECT_EQ(ApplyOptions(dispatcher, args, noName).GetFormatter(), "");
  EXPECT_EQ(noName->GetErrors(),
            std::vector<std::string>{
                "--formatter requires the name of the formatter to use for this command"});
}

}  // namespace
