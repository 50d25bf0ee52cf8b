// The secret prompt on a real terminal: the value is read with echo off, nothing typed shows,
// and the terminal is left as it was found.
#include <termios.h>
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tarnek/autocli/option_parser.h"
#include "tarnek/callspec.h"
#include "../common/terminal_child.h"

namespace {

using namespace Tarnek::CallSpec;
const std::string kPrompt = "Enter value for 'password': ";
const std::string kEnd = "<end>";

// Runs in the child, on the terminal's slave side: no test framework here, only plain output
// and _exit, so that the child never runs the parent's tests or destructors.
[[noreturn]] void ParseAndReport(const std::vector<std::string>& args) {
  int status = 2;
  try {
    auto spec = InputSpec::New();
    auto password = ParameterSpec::New("password", ParameterType::String);
    password->SetSecret(true);
    spec->AddParameter(password);
    Tarnek::AutoCli::OptionParser parser;
    parser.ParseVector(args);
    parser.SetInputSpec(spec);
    const auto& parameters = parser.GetCommandParameters();
    termios now{};
    const bool echo = tcgetattr(STDIN_FILENO, &now) == 0 && (now.c_lflag & ECHO) != 0;
    std::cout << "value=[" << (parameters.empty() ? "(none)" : parameters.front().second)
              << "] echo=" << (echo ? "on" : "off") << " errors=" << parser.GetParseErrors().size()
              << " " << kEnd << std::endl;
    status = std::cout ? 0 : 3;
  } catch (...) {
  }
  _exit(status);
}

// The parser with `args`, prompting on a fresh pseudo-terminal.
struct ParserOnTerminal : TarnekTest::ChildOnTerminal {
  explicit ParserOnTerminal(const std::vector<std::string>& args)
      : ChildOnTerminal([&args] { ParseAndReport(args); }) {}
};

TEST(SecretPromptOnTerminal, ReadsWithEchoOffAndRestoresEcho) {
  ParserOnTerminal child({"ns", "c", "--password"});
  ASSERT_TRUE(child.pid > 0 && child.master >= 0);
  ASSERT_NE(child.ReadUntil(kPrompt), "") << "no prompt; the terminal showed: " << child.seen;
  ASSERT_TRUE(child.WaitForEchoOff()) << "echo stayed on while the secret was awaited";
  const std::string typed = "s3cret\n";
  ASSERT_EQ(write(child.master, typed.data(), typed.size()), ssize_t(typed.size()));
  // Byte for byte: the prompt, the parser's own line end (the terminal turns it into CR LF),
  // then the report. Any echo of the typed secret or its line end would sit in between.
  EXPECT_EQ(child.ReadUntil(kEnd), kPrompt + "\r\nvalue=[s3cret] echo=on errors=0 " + kEnd)
      << "the terminal showed: " << child.seen;
  EXPECT_EQ(child.Wait(), 0);
}

TEST(SecretPromptOnTerminal, InlineSecretIsNotPromptedFor) {
  ParserOnTerminal child({"ns", "c", "--password=x"});
  ASSERT_TRUE(child.pid > 0 && child.master >= 0);
  // Had it prompted, the child would wait for a line never typed and the read would time out.
  EXPECT_EQ(child.ReadUntil(kEnd), "value=[x] echo=on errors=0 " + kEnd)
      << "the terminal showed: " << child.seen;
  EXPECT_EQ(child.Wait(), 0);
}

}  // namespace
