// Running extension commands: the shell runner's plumbing (large transfers both ways, a child
// that ignores its input, descriptors, zombies, hooks) and how the child's output, or the lack
// of it, becomes the call's result or its error messages.
#include <dirent.h>
#include <errno.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "../common/test_util.h"
#include "tarnek/autocli/extension_command.h"
#include "tarnek/metaobj.h"

namespace {

using namespace Tarnek::AutoCli;
using namespace Tarnek::CallSpec;
using namespace Tarnek::MetaObj;

constexpr std::size_t kFourMegabytes = 4u << 20;

// Records what the runner reports, and clears both hooks afterwards.
struct Hooks {
  static std::vector<std::pair<std::string, int>>& Runs() {
    static std::vector<std::pair<std::string, int>> runs;
    return runs;
  }
  Hooks() {
    Runs().clear();
    SetCommandExecListener([](const std::string& c, int code) { Runs().emplace_back(c, code); });
  }
  ~Hooks() {
    SetCommandExecListener(nullptr);
    SetChildRpTorkOptionMaker(nullptr);
  }
};

// Sets or unsets one environment variable for the scope of a test.
struct ScopedEnv {
  static void Put(const char* name, const char* value) {
    value ? setenv(name, value, 1) : unsetenv(name);
  }
  ScopedEnv(const char* name, const char* value) : name(name) {
    if (const char* old = std::getenv(name)) saved = old;
    Put(name, value);
  }
  ~ScopedEnv() { Put(name, saved ? saved->c_str() : nullptr); }
  const char* name;
  std::optional<std::string> saved;
};

// A pipe deadlock would hang the test forever; this ends it with a clear death instead.
struct Watchdog {
  Watchdog() { alarm(300); }
  ~Watchdog() { alarm(0); }
};

int CountOwnDescriptors() {
  int count = 0;
  DIR* dir = opendir("/proc/self/fd");
  while (dir && readdir(dir) != nullptr) ++count;
  if (dir) closedir(dir);
  return count;
}

bool HasChildren() { return waitpid(-1, nullptr, WNOHANG) != -1 || errno != ECHILD; }

std::shared_ptr<ExtensionCommand> MakeCommand(const std::string& execute,
                                              bool userContext = false) {
  auto spec = InputSpec::New();
  spec->AddParameter(ParameterSpec::New("name", ParameterType::String));
  spec->AddParameter(ParameterSpec::New("force", ParameterType::Flag));
  if (userContext) spec->SetContextSupported("user");
  auto command = ExtensionCommand::New();
  command->SetInputSpec(spec);
  command->SetOutputSpec(OutputSpec::New());
  command->SetExecuteCommand(execute);
  return command;
}

std::shared_ptr<Input> MakeInput(const std::shared_ptr<ExtensionCommand>& command) {
  auto input = Input::New();
  input->SetInputSpec(command->GetInputSpec());
  return input;
}

TEST(ShellCmd, ExchangesLargeTextsBothWaysWithoutDeadlock) {
  Watchdog watchdog;
  std::string output;
  // The child fills its output pipe many times over before it reads any input.
  const int status = AutoCli_ShellCmd("head -c 4194304 /dev/zero | tr '\\0' a; wc -c", output,
                                      std::string(kFourMegabytes, 'x'));
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  ASSERT_EQ(output.size(), kFourMegabytes + 8);
  EXPECT_EQ(output.find_first_not_of('a'), kFourMegabytes);
  EXPECT_EQ(output.substr(kFourMegabytes), "4194304\n");
}

TEST(ShellCmd, ChildThatLeavesItsInputUnreadDoesNotKillTheCaller) {
  Watchdog watchdog;
  const struct {
    const char* command;
    const char* expected;
    int exitCode;
  } cases[] = {
      {"exit 3", "", 3},
      {"exec 0<&-; echo done", "done\n", 0},
      {"head -c 10 >/dev/null; echo partial", "partial\n", 0},
      {"exec 1>&-; cat >/dev/null", "", 0},
  };
  for (const auto& c : cases) {
    std::string output;
    const int status = AutoCli_ShellCmd(c.command, output, std::string(kFourMegabytes, 'x'));
    ASSERT_TRUE(WIFEXITED(status)) << c.command;
    EXPECT_EQ(WEXITSTATUS(status), c.exitCode) << c.command;
    EXPECT_EQ(output, c.expected) << c.command;
  }
  sigset_t pending, mask;
  sigpending(&pending);
  pthread_sigmask(SIG_BLOCK, nullptr, &mask);
  EXPECT_FALSE(sigismember(&pending, SIGPIPE));
  EXPECT_FALSE(sigismember(&mask, SIGPIPE));
}

TEST(ShellCmd, LeavesNoZombieAndNoDescriptor) {
  const int before = CountOwnDescriptors();
  std::string output;
  // The child sees its three standard descriptors, plus the one ls opens to list them.
  AutoCli_ShellCmd("ls /proc/self/fd", output, "ignored");
  EXPECT_EQ(output, "0\n1\n2\n3\n");
  for (const char* command : {"true", "exit 7", "kill -9 $$", "cat"}) {
    output.clear();
    AutoCli_ShellCmd(command, output, "in");
  }
  EXPECT_EQ(output, "in");
  EXPECT_EQ(CountOwnDescriptors(), before);
  EXPECT_FALSE(HasChildren());
}

TEST(ShellCmd, ChildOptionGoesBeforeTheCommand) {
  Hooks hooks;
  EXPECT_EQ(MakeChildRpTorkOption(-1), "");
  SetChildRpTorkOptionMaker([](int n) -> std::string { return n == -1 ? "-e" : ""; });
  std::string output;
  AutoCli_ShellCmd("false; echo not reached", output, "");
  EXPECT_EQ(output, "");
  SetChildRpTorkOptionMaker(nullptr);
  AutoCli_ShellCmd("false; echo reached", output, "");
  EXPECT_EQ(output, "reached\n");
}

TEST(ShellCmd, AppendsOutputReportsRunsAndQuotesTheUserName) {
  Hooks hooks;
  std::string output = "kept:";
  const std::string command = "printenv ZN_USERNAME; exit 5";
  AutoCli_ShellCmdWithZnUsername(command, "o'neil $(x)", output, "");
  EXPECT_EQ(output, "kept:o'neil $(x)\n");
  AutoCli_ShellCmdWithZnUsername("echo", "", output, "");
  ASSERT_EQ(Hooks::Runs().size(), 2u);
  EXPECT_EQ(Hooks::Runs()[0].first, "ZN_USERNAME='o'\\''neil $(x)' " + command);
  EXPECT_TRUE(WIFEXITED(Hooks::Runs()[0].second) && WEXITSTATUS(Hooks::Runs()[0].second) == 5);
  EXPECT_EQ(Hooks::Runs()[1].first, "echo");
}

TEST(ExtensionCommandRun, PutsLangAndUserNameInFront) {
  const struct {
    const char* what;
    const char* lang;  // null: unset
    bool userContext;
    const char* user;  // null: no context value
    const char* expected;
  } cases[] = {
      {"LANG unset", nullptr, false, nullptr, "LANG=en_US.UTF-8 echo x"},
      {"LANG empty counts as set; no user without the context", "", false, "bob", "echo x"},
      {"user context", nullptr, true, "bob", "ZN_USERNAME='bob' LANG=en_US.UTF-8 echo x"},
      {"user context without a user", "C", true, nullptr, "echo x"},
  };
  for (const auto& c : cases) {
    ScopedEnv lang("LANG", c.lang);
    Hooks hooks;
    auto command = MakeCommand("echo $val{name}", c.userContext);
    auto input = MakeInput(command);
    input->AddParameter("name", "x");
    if (c.user) input->SetContext("user", c.user);
    command->ExecuteInternal(input, Output::New());
    ASSERT_EQ(Hooks::Runs().size(), 1u) << c.what;
    EXPECT_EQ(Hooks::Runs()[0].first, c.expected) << c.what;
  }
}

// Through Command::Execute against a declared list of Disk structures: ERROR: lines become the
// messages; a child that ends silently gets the no-output message (128 + signal when killed);
// one that answers in another shape gets the mismatch reasons, then the implementation error.
TEST(ExtensionCommandRun, TurnsTheAnswerIntoTheResultOrMessages) {
  ScopedEnv lang("LANG", "C");
  const std::string mismatch =
      "Implementation error! The output of this command does not match the declared output "
      "type, see errors above.";
  const auto disks = [](const std::string& fields) {
    return "echo \"<output><list type='structure'><structure typeName='Disk'>" + fields +
           "</structure></list></output>\"";
  };
  const std::string name = "<field name='name'><string>sda</string></field>";
  const struct {
    std::string execute;
    std::vector<std::string> errors;
  } cases[] = {
      {"printf 'ERROR:bad\\nERROR:worse\\n<output><int>1</int></output>'", {"bad", "worse"}},
      {"printf 'ERROR:last line'", {"last line"}},
      {"printf 'ERROR:\\n\\nERROR:after a gap'", {""}},
      {"exit 3",
       {"Got no data from process.\nCommand \"exit 3\"\n\xD0\xB5xited with error code: 3"}},
      {"kill -TERM $$",
       {"Got no data from process.\nCommand \"kill -TERM $$\"\n\xD0\xB5xited with error code: "
        "143"}},
      {"echo hello",
       {"No root object set for output. The command did not provide proper output.", mismatch}},
      {"echo '<output><int>5</int></output>'",
       {"Type mismatch!  Was expecting a List, but got a Int", mismatch}},
      {"echo \"<output><list type='string'><string>a</string></list></output>\"",
       {"Mismatch on list type", mismatch}},
      {disks(name + "<field name='size'><int>1</int></field>"),
       {"Mismatch on number of fields set in struct. Expected 1 found 2",
        "List type mismatch list and input", mismatch}},
      {disks("<field name='id'><string>sda</string></field>"),
       {"Missing field in input: name", "List type mismatch list and input", mismatch}},
      {"echo \"<output><list type='disk'/></output>\"",
       {"Unable to parse output of Extension Command: Error parsing command output.  Unable to "
        "build a proper metaobject from output tag.  output must contain properly formatted "
        "tags of type bool, int, string, structure and list. Error was : Invalid list type "
        "attribute.  Must be one of [string, int, bool, structure, list]"}},
      // The exit status never decides: a document of the declared shape succeeds.
      {disks(name) + "; exit 9", {}},
  };
  auto disk = MetaStruct::New("Disk");
  disk->SetField("name", MetaString::New());
  auto declared = OutputSpec::New();
  declared->SetRootObject(MetaList::New(MetaType::Struct, disk));
  for (const auto& c : cases) {
    auto command = MakeCommand(c.execute);
    command->SetOutputSpec(declared);
    auto output = Output::New();
    command->Execute(MakeInput(command), output);
    EXPECT_EQ(output->GetErrors(), c.errors) << c.execute;
    // Error lines win over a document; only a mismatched answer may still show what it read.
    if (c.errors.empty() || c.errors.back() != mismatch) {
      EXPECT_EQ(output->GetRootObject() != nullptr, c.errors.empty()) << c.execute;
    }
  }
}

TEST(ExtensionCommandRun, FailingTemplateRunsNothing) {
  Hooks hooks;
  auto command = MakeCommand("touch $val{force}");
  auto input = MakeInput(command);
  input->AddParameter("force", "");
  auto output = Output::New();
  command->Execute(input, output);
  EXPECT_TRUE(output->HasError());
  EXPECT_TRUE(Hooks::Runs().empty());
}

TEST(PanicDeathTest, PrintsAtMost255Characters) {
  EXPECT_DEATH(Panic("%s", std::string(300, 'x').c_str()), "panic: x{255}$");
}

}  // namespace
