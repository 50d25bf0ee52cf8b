// The secret prompt on a real terminal: the value is read with echo off and nothing typed shows;
// a fatal signal during the read ends the process the way it would have anyway, but only after
// echo is back on; a signal the program handles itself neither ends the read nor loses input.
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "../common/terminal_child.h"
#include "tarnek/autocli/option_parser.h"
#include "tarnek/callspec.h"

namespace {

using namespace Tarnek::CallSpec;
const std::string kPrompt = "Enter value for 'password': ";
const std::string kEnd = "<end>";

// Shows on the terminal that the handler ran, so that the test knows the signal arrived.
extern "C" void NoteSignal(int) {
  const int savedErrno = errno;
  if (write(STDOUT_FILENO, "*", 1) != 1) _exit(4);
  errno = savedErrno;
}

// Runs in the child on the terminal's slave side: plain output and _exit only. With
// `ownHandler` the program handles SIGUSR1 itself, without SA_RESTART, as a host may.
[[noreturn]] void ParseAndReport(const std::vector<std::string>& args, bool ownHandler) {
  const rlimit noCore{0, 0};
  setrlimit(RLIMIT_CORE, &noCore);  // SIGQUIT's default action would leave a core file
  if (ownHandler) {
    struct sigaction action {};
    action.sa_handler = NoteSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGUSR1, &action, nullptr);
  }
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

// The parser with `args` on a fresh pseudo-terminal; a prompting child is awaited in its read.
struct ParserOnTerminal : TarnekTest::ChildOnTerminal {
  explicit ParserOnTerminal(std::vector<std::string> args, bool ownHandler = false)
      : ChildOnTerminal([&args, ownHandler] { ParseAndReport(args, ownHandler); }) {}
  void AwaitSilentRead() {
    ASSERT_TRUE(pid > 0 && master >= 0);
    ASSERT_NE(ReadUntil(kPrompt), "") << "no prompt; the terminal showed: " << seen;
    ASSERT_TRUE(WaitForSilentRead()) << "no read with echo off; the terminal showed: " << seen;
  }
  void Type(const std::string& text) {
    ASSERT_EQ(write(master, text.data(), text.size()), ssize_t(text.size()));
  }
};

TEST(SecretPromptOnTerminal, ReadsWithEchoOffAndRestoresEcho) {
  ParserOnTerminal child({"ns", "c", "--password"});
  ASSERT_NO_FATAL_FAILURE(child.AwaitSilentRead());
  child.Type("s3cret\n");
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

TEST(SecretReadSignal, FatalSignalRestoresEchoThenEndsTheProcessWithThatSignal) {
  for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
    SCOPED_TRACE(strsignal(signalNumber));
    ParserOnTerminal child({"ns", "c", "--password"});
    ASSERT_NO_FATAL_FAILURE(child.AwaitSilentRead());
    ASSERT_EQ(kill(child.pid, signalNumber), 0);
    const int status = child.Wait();
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signalNumber) << status;
    EXPECT_TRUE(child.EchoIsOn()) << "echo left off";
    EXPECT_EQ(child.ReadRest(), kPrompt);
  }
}

TEST(SecretReadSignal, HandledSignalNeitherEndsTheReadNorLosesTypedText) {
  ParserOnTerminal child({"ns", "c", "--password"}, /*ownHandler=*/true);
  ASSERT_NO_FATAL_FAILURE(child.AwaitSilentRead());
  child.Type("ab");  // canonical mode: not yet a line
  ASSERT_EQ(kill(child.pid, SIGUSR1), 0);
  ASSERT_NE(child.ReadUntil(kPrompt + "*"), "") << "the terminal showed: " << child.seen;
  // The interrupted read is resumed (had it ended, the child would report and exit instead).
  ASSERT_TRUE(child.WaitForSilentRead()) << "the terminal showed: " << child.seen;
  child.Type("c\n");
  EXPECT_EQ(child.ReadUntil(kEnd), kPrompt + "*\r\nvalue=[abc] echo=on errors=0 " + kEnd)
      << "the terminal showed: " << child.seen;
  const int status = child.Wait();
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

}  // namespace
